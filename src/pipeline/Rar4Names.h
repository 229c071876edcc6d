// How a RAR 4 archive stores each entry's name. Windows tools store the name
// in the system's code page and add a Unicode copy only when needed; a
// package made on Chinese Windows without that copy holds code page 936
// bytes, which may by chance also read as UTF-8. The library does not tell
// the two apart, the header's flag does.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pipeline {

enum class NameForm { Unknown, CodePage, Unicode };

struct Rar4Name {
    NameForm form = NameForm::Unknown;
    // A code page name's bytes as stored (`\` between folders): on Windows
    // the library decodes them in the ANSI code page, which loses GBK.
    std::string stored;
};

// The name of each file header, in archive order (the order in which the
// library reports the entries). Empty for anything but a RAR 4 archive
// whose headers can be read in the clear.
std::vector<Rar4Name> Rar4NameForms(const std::filesystem::path& archive);

}  // namespace pipeline
