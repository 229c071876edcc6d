// Dialog templates of every window, in dialog units, controls in tab order.
#include <array>

#include "res/Maker.h"
#include "res/Resource.h"
#include "res/Resources.h"

namespace res {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DWORD kReadOnlyEdit = ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP;

constexpr ControlTemplate kAbout[] = {
    {-1, ControlKind::Icon, SS_ICON, "", 11, 17, 20, 20, 128},
    {-1, ControlKind::Static, SS_LEFT | SS_NOPREFIX | WS_GROUP, "升级 1.2 版", 40, 10, 119, 8},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kAboutLine, 37, 31, 177, 8},
    {IDOK, ControlKind::PushButton, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, "确定", 178, 7, 50,
     14},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kAboutShortLine, 37, 48, 53, 10},
};

constexpr ControlTemplate kMain[] = {
    {IDC_CHOOSE_DRIVE, ControlKind::PushButton, WS_TABSTOP, "选择生成U盘", 21, 9, 65, 20},
    {IDC_SELECT_FILE, ControlKind::PushButton, WS_TABSTOP, "选择要升级的文件", 21, 87, 71, 20},
    {IDC_START, ControlKind::PushButton, WS_TABSTOP, "开始升级", 21, 180, 65, 20},
    {IDC_EDIT_DRIVE, ControlKind::Edit, kReadOnlyEdit, "", 22, 49, 300, 15},
    {IDC_EDIT_FILE, ControlKind::Edit, kReadOnlyEdit, "", 21, 129, 302, 15},
    {IDC_EDIT_TIPS, ControlKind::Edit, kReadOnlyEdit, "", 122, 180, 200, 15},
    {-1, ControlKind::GroupBox, BS_GROUPBOX, "U盘盘符", 14, 38, 314, 35},
    {-1, ControlKind::GroupBox, BS_GROUPBOX, "要升级的文件", 13, 116, 319, 35},
    {-1, ControlKind::GroupBox, BS_GROUPBOX, "提示信息", 109, 168, 222, 35},
};

constexpr ControlTemplate kChooseFlash[] = {
    {IDC_CHOOSE_OK, ControlKind::PushButton, WS_TABSTOP, "确定", 20, 62, 41, 14},
    {IDC_DECLINE, ControlKind::PushButton, WS_TABSTOP, "取消", 82, 62, 41, 14},
    {-1, ControlKind::GroupBox, BS_GROUPBOX, "选择u盘", 8, 4, 121, 25},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, "注意：选择的U盘将被格式化", 16, 43, 112, 13},
    {IDC_COMBO_DRIVE, ControlKind::ComboBox, CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP, "",
     14, 13, 110, 56},
};

constexpr ControlTemplate kTips[] = {
    {IDC_TIPS_TEXT, ControlKind::Static, SS_LEFT | WS_GROUP, "Static", 20, 13, 111, 12},
    {IDC_CONFIRM, ControlKind::PushButton, WS_TABSTOP, "确定", 23, 36, 41, 14},
    {IDC_DECLINE, ControlKind::PushButton, WS_TABSTOP, "取消", 87, 35, 41, 14},
};

constexpr ControlTemplate kProgress[] = {
    {-1, ControlKind::Static, SS_LEFT, "正在升级，请稍后...", 10, 5, 196, 8},
    {IDC_PROGRESS, ControlKind::Progress, WS_BORDER, "", 6, 20, 218, 8},
};

constexpr ControlTemplate kCompany[] = {
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kCompany, 54, 7, 120, 14},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, "公司电话：", 30, 35, 45, 13},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kFax, 77, 35, 90, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kSwitchboard, 77, 50, 90, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kService, 77, 65, 90, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kComplaints, 77, 80, 90, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kLogistics, 77, 95, 90, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kUpgradeService, 29, 108, 132, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, "网址:", 29, 122, 24, 11},
    {-1, ControlKind::Static, SS_LEFT | WS_GROUP, maker::kAddress, 29, 136, 158, 18},
    {-1, ControlKind::GroupBox, BS_GROUPBOX, "公司信息", 25, 21, 167, 138},
    {IDC_WEBLINK, ControlKind::PushButton, BS_FLAT | WS_TABSTOP, maker::kWebHost, 56, 121, 78, 12},
};

constexpr std::array kDialogs = {
    DialogTemplate{IDD_ABOUTBOX, "关于 UpGrade", kDialogStyle, 0, 235, 70, "宋体", 9, kAbout},
    DialogTemplate{IDD_OSTREL_DIALOG, "Brenlow(适用于T512/T508系列产品升级)",
                   kDialogStyle | WS_VISIBLE | DS_3DLOOK, WS_EX_APPWINDOW, 345, 232, "宋体", 10,
                   kMain},
    DialogTemplate{IDD_CHOOSEFLASH, "选择U盘", kDialogStyle, 0, 142, 84, "System", 10,
                   kChooseFlash},
    DialogTemplate{IDD_TIPS, "提示对话框", kDialogStyle, 0, 150, 57, "System", 10, kTips},
    DialogTemplate{IDD_PROGRESS, "升级", kDialogStyle, 0, 228, 32, "System", 10, kProgress},
    DialogTemplate{IDD_COMPANY, "公司简介", kDialogStyle, 0, 210, 180, "System", 10, kCompany},
};

}  // namespace

const res::DialogTemplate* FindDialog(UINT id) {
    for (const auto& dialog : kDialogs) {
        if (dialog.id == id) return &dialog;
    }
    return nullptr;
}

}  // namespace res
