// Menu 132, the main window's menu bar, and the string table.
#include <array>

#include "platform/Version.h"
#include "res/Maker.h"
#include "res/Resource.h"
#include "res/Resources.h"

namespace res {
namespace {

constexpr MenuItemTemplate kOperate[] = {
    {IDC_CHOOSE_DRIVE, "选择U盘", MF_STRING},
    {IDC_SELECT_FILE, "选择要升级的文件", MF_STRING},
    {IDC_START, "开始升级", MF_STRING},
};

constexpr MenuItemTemplate kHelp[] = {
    {ID_MANUAL, "操作说明", MF_STRING},
    {ID_COMPANY_INFO, "公司简介", MF_STRING},
    {ID_ABOUT, "关于Upgrade", MF_STRING},
};

constexpr PopupTemplate kMainPopups[] = {
    {"操作", kOperate},
    {"帮助", kHelp},
};

constexpr std::array kMenus = {MenuTemplate{IDR_MENU, kMainPopups}};

struct StringEntry {
    UINT id;
    std::string_view text;
};
constexpr std::array kStrings = {StringEntry{IDS_ABOUTBOX, "关于 Ostrel(&A)..."}};

constexpr VersionInfo kVersion = {
    "080404b0",
    OSTREL_VERSION_COMMAS,
    OSTREL_VERSION_COMMAS,
    "Ostrel",
    "Ostrel.EXE",
    "Ostrel 应用程序",
    "Ostrel Microsoft 基础类应用程序",
    maker::kCompany,
    maker::kCopyright,
};

}  // namespace

const res::MenuTemplate* FindMenu(UINT id) {
    for (const auto& menu : kMenus) {
        if (menu.id == id) return &menu;
    }
    return nullptr;
}

bool FindString(UINT id, std::string_view* text) {
    for (const auto& entry : kStrings) {
        if (entry.id != id) continue;
        if (text) *text = entry.text;
        return true;
    }
    return false;
}

const VersionInfo& GetVersionInfo() { return kVersion; }

}  // namespace res
