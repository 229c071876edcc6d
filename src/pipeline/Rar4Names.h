// How a RAR 4 archive stores each entry's name. Windows tools store the name
// in the system's code page and add a Unicode copy only when needed; a
// package made on Chinese Windows without that copy holds code page 936
// bytes, which may by chance also read as UTF-8. The library does not tell
// the two apart, the header's flag does.
#pragma once

#include <filesystem>
#include <vector>

namespace pipeline {

enum class NameForm { Unknown, CodePage, Unicode };

// The form of each file header's name, in archive order (the order in which
// the library reports the entries). Empty for anything but a RAR 4 archive
// whose headers can be read in the clear.
std::vector<NameForm> Rar4NameForms(const std::filesystem::path& archive);

}  // namespace pipeline
