// The resource tables and the dialog-unit arithmetic.
#include "res/Resources.h"

#include <gtest/gtest.h>

#include <set>

#include "res/Resource.h"
#include "toolkit/DialogFont.h"

namespace {

TEST(Resources, EveryControlLiesInsideItsDialogAndIdsAreUnique) {
    for (UINT id :
         {IDD_ABOUTBOX, IDD_OSTREL_DIALOG, IDD_CHOOSEFLASH, IDD_TIPS, IDD_PROGRESS, IDD_COMPANY}) {
        const auto* dialog = res::FindDialog(id);
        ASSERT_NE(dialog, nullptr) << id;
        std::set<int> ids;
        for (const auto& c : dialog->controls) {
            SCOPED_TRACE(std::string(c.text));
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.cx, dialog->cx);
            // a combo box's height includes its dropped-down list
            if (c.kind != res::ControlKind::ComboBox) {
                EXPECT_LE(c.y + c.cy, dialog->cy);
            }
            if (c.id != -1) {
                EXPECT_TRUE(ids.insert(c.id).second);
            }
        }
    }
    EXPECT_EQ(res::FindDialog(128), nullptr);
}

TEST(Resources, MenuCommandsAreTheWindowsCommands) {
    const auto* menu = res::FindMenu(IDR_MENU);
    ASSERT_NE(menu, nullptr);
    std::set<UINT> commands;
    for (const auto& popup : menu->popups) {
        for (const auto& item : popup.items) commands.insert(item.id);
    }
    EXPECT_EQ(commands, (std::set<UINT>{IDC_SELECT_FILE, IDC_CHOOSE_DRIVE, IDC_START, ID_MANUAL,
                                        ID_ABOUT, ID_COMPANY_INFO}));
}

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero) {
    EXPECT_EQ(toolkit::MulDiv(3, 7, 4), 5);     // 5.25
    EXPECT_EQ(toolkit::MulDiv(2, 7, 4), 4);     // 3.5
    EXPECT_EQ(toolkit::MulDiv(-2, 7, 4), -4);   // -3.5
    EXPECT_EQ(toolkit::MulDiv(35, 17, 8), 74);  // 74.375
    EXPECT_EQ(toolkit::MulDiv(1, 1, 0), -1);
}

}  // namespace
