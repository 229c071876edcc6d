// Text between UTF-8, which the program speaks, and code page 936 (GBK),
// in which Chinese Windows stores FAT labels and old archive names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// `text` from one iconv encoding to another; nothing when it is not valid in
// the first or has no form in the second.
std::optional<std::string> Recode(std::string_view text, const char* from, const char* to);

}  // namespace platform
