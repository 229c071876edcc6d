// The program's resources: dialog templates, the menu, the string table, the
// icon group and the version data. Lookups answer null (or false) for an id
// the program does not carry.
#pragma once

#include <string_view>

#include "res/Templates.h"

namespace res {

const res::DialogTemplate* FindDialog(UINT id);
const res::MenuTemplate* FindMenu(UINT id);
const res::IconGroup* FindIcon(UINT id);
// The string `id`; false when there is none.
bool FindString(UINT id, std::string_view* text);

// The version data (string table 080404b0).
struct VersionInfo {
    std::string_view translation;
    std::string_view fileVersion;
    std::string_view productVersion;
    std::string_view internalName;
    std::string_view originalFilename;
    std::string_view productName;
    std::string_view fileDescription;
    std::string_view companyName;
    std::string_view legalCopyright;
};
const VersionInfo& GetVersionInfo();

}  // namespace res
