// Menu bars, the system menu, strings and icons.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <algorithm>

#include "toolkit/DialogWidget.h"
#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"
#include "toolkit/Properties.h"
#include "toolkit/Toolkit.h"

namespace {

constexpr UINT kAboutItem = 0x10;

// The main window's template with its menu and system menu, recording commands.
class MenuDlg : public CDialog {
public:
    MenuDlg() : CDialog(IDD_OSTREL_DIALOG) {}

    std::vector<UINT> m_commands;
    std::vector<UINT> m_sysCommands;
    CMenu m_menu;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        CMenu* sys = GetSystemMenu(FALSE);
        CString about;
        about.LoadString(IDS_ABOUTBOX);
        sys->AppendMenu(MF_SEPARATOR);
        sys->AppendMenu(MF_STRING, kAboutItem, about.GetString());
        m_menu.LoadMenu(IDR_MENU);
        SetMenu(&m_menu);
        m_menu.EnableMenuItem(IDC_START, MF_BYCOMMAND | MF_GRAYED);
        SetIcon(AfxLoadIcon(IDR_MAINFRAME), TRUE);
        SetIcon(AfxLoadIcon(IDR_MAINFRAME), FALSE);
        return TRUE;
    }
    void OnSysCommand(UINT nID, LPARAM lParam) {
        m_sysCommands.push_back(nID);
        if ((nID & 0xFFF0) != kAboutItem) CDialog::OnSysCommand(nID, lParam);
    }
    void OnStart() { m_commands.push_back(IDC_START); }
    void OnChooseDrive() { m_commands.push_back(IDC_CHOOSE_DRIVE); }
    void OnAbout() { m_commands.push_back(ID_ABOUT); }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MenuDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_COMMAND(IDC_START, &MenuDlg::OnStart)
ON_COMMAND(IDC_CHOOSE_DRIVE, &MenuDlg::OnChooseDrive)
ON_COMMAND(ID_ABOUT, &MenuDlg::OnAbout)
END_MESSAGE_MAP()

class MenuTest : public ::testing::Test {
protected:
    QApplication& app = testsupport::GuiApp();  // before the hook
    toolkit::ModalHook hook;
};

TEST_F(MenuTest, MenuItemsAndButtonsShareCommandsAndGreyItemsDoNothing) {
    MenuDlg dlg;
    hook.Then([&](toolkit::ModalWindow& w) {
        w.MenuCommand(IDC_START);  // grey
        w.MenuCommand(IDC_CHOOSE_DRIVE);
        w.Click(IDC_START);  // the button is enabled
        dlg.m_menu.EnableMenuItem(IDC_START, MF_BYCOMMAND | MF_ENABLED);
        w.MenuCommand(IDC_START);
        w.MenuCommand(ID_ABOUT);
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.m_commands,
              (std::vector<UINT>{IDC_CHOOSE_DRIVE, IDC_START, IDC_START, ID_ABOUT}));
}

TEST_F(MenuTest, MenuStatesFollowEnableMenuItem) {
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MENU));
    ASSERT_EQ(menu.Items().size(), 2u);
    EXPECT_EQ(menu.Items()[0].text, "操作");
    ASSERT_TRUE(menu.Items()[1].popup);
    EXPECT_EQ(menu.Items()[1].popup->Items().at(2).id, static_cast<UINT>(ID_ABOUT));
    EXPECT_EQ(menu.EnableMenuItem(IDC_SELECT_FILE, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(menu.EnableMenuItem(IDC_SELECT_FILE, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    EXPECT_EQ(menu.EnableMenuItem(4242, MF_BYCOMMAND | MF_GRAYED), 0xFFFFFFFFu);
    EXPECT_FALSE(menu.LoadMenu(4242));
}

TEST_F(MenuTest, SystemMenuEndsWithTheAboutItemAndItsCommandsReachTheWindow) {
    MenuDlg dlg;
    CString last;
    hook.Then([&](toolkit::ModalWindow& w) {
        const auto& items = dlg.GetSystemMenu(FALSE)->Items();
        if (items.size() >= 2) {
            last = items.back().text;
            EXPECT_TRUE(items[items.size() - 2].flags & MF_SEPARATOR);
        }
        w.SysMenuCommand(kAboutItem);
        EXPECT_TRUE(w.IsOpen());
        w.SysMenuCommand(SC_CLOSE);  // passes through to the default: closes
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(last, "关于 Ostrel(&A)...");
    EXPECT_NE(std::find(dlg.m_sysCommands.begin(), dlg.m_sysCommands.end(), kAboutItem),
              dlg.m_sysCommands.end());
    EXPECT_EQ(dlg.m_sysCommands.back(), SC_CLOSE);
}

TEST_F(MenuTest, RightClickInTheClientAreaOpensTheSystemMenu) {
    MenuDlg dlg;
    QStringList texts;
    hook.Then([&](toolkit::ModalWindow& w) {
        QWidget* client = dlg.Window()->Client();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                client->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(client, &event);
        if (auto* menu = w.Widget().findChild<QMenu*>(toolkit::kSystemMenuName)) {
            for (auto* action : menu->actions()) texts << action->text();
            menu->close();
        }
        w.Escape();
    });
    dlg.DoModal();
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_EQ(texts.back(), QString("关于 Ostrel(&A)..."));
}

TEST_F(MenuTest, TheWindowIconCarriesEverySizeOfIconGroup136) {
    MenuDlg dlg;
    QIcon icon;
    hook.Then([&](toolkit::ModalWindow& w) {
        icon = w.Widget().windowIcon();
        w.Escape();
    });
    dlg.DoModal();
    const auto sizes = icon.availableSizes();
    for (int size : {128, 64, 48, 32, 16}) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
        const QImage image = icon.pixmap(size, size).toImage();
        EXPECT_TRUE(image.hasAlphaChannel());
        // drawn, not empty: the centre is opaque and the corner transparent
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
    }
    EXPECT_EQ(AfxLoadIcon(128), nullptr);
}

TEST_F(MenuTest, StringsLoadByIdAndUnknownIdsLeaveTheTextAlone) {
    CString text = "unchanged";
    EXPECT_FALSE(text.LoadString(4242));
    EXPECT_EQ(text, "unchanged");
    EXPECT_TRUE(text.LoadString(IDS_ABOUTBOX));
    EXPECT_EQ(text, "关于 Ostrel(&A)...");
}

}  // namespace
