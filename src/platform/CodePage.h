// Text between UTF-8, which the program speaks, and code page 936 (GBK),
// in which Chinese Windows stores FAT labels and old archive names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// `text` from one iconv encoding to another; nothing when it is not valid in
// the first or has no form in the second.
// Names: "UTF-8", "CP936" (also "GBK"), and on POSIX any that iconv knows.
std::optional<std::string> Recode(std::string_view text, const char* from, const char* to);

// Makes the C library's narrow text UTF-8, as the UnRAR library's narrow
// names follow it: the environment's locale if it is UTF-8, else C.UTF-8
// (on Windows the manifest's code page decides). True when UTF-8 is in force.
bool UseUtf8Locale();

}  // namespace platform
