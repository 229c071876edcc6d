// Combo box, colour handler and the file-open dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "platform/Path.h"
#include "support/TempDir.h"
#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"
#include "toolkit/Toolkit.h"

namespace {

class ComboDlg : public CDialog {
public:
    ComboDlg() : CDialog(IDD_CHOOSEFLASH) {}
    CComboBox m_combo;
    std::vector<CString> m_items;
    int m_selected = -2;
    CString m_text;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_COMBO_DRIVE, m_combo);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (const auto& item : m_items) m_combo.AddString(item.GetString());
        return TRUE;
    }
    void OnOk() {
        m_selected = m_combo.GetCurSel();
        if (m_selected >= 0) m_combo.GetLBText(m_selected, m_text);
        EndDialog(0);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ComboDlg, CDialog)
ON_BN_CLICKED(IDC_CHOOSE_OK, &ComboDlg::OnOk)
END_MESSAGE_MAP()

class RedStaticsDlg : public CDialog {
public:
    RedStaticsDlg() : CDialog(IDD_COMPANY) {}
    std::vector<UINT> m_kinds;

protected:
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
        m_kinds.push_back(nCtlColor);
        if (nCtlColor == CTLCOLOR_STATIC) pDC->SetTextColor(RGB(255, 0, 0));
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RedStaticsDlg, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

class ControlsTest : public ::testing::Test {
protected:
    QApplication& app = testsupport::GuiApp();  // before the hook
    toolkit::ModalHook hook;
};

TEST_F(ControlsTest, SortedComboListsCaseInsensitivelyAndSelectsNothingByItself) {
    ComboDlg dlg;
    dlg.m_items = {"G:\\", "e:\\", "F:\\"};
    std::vector<std::string> order;
    int initial = 0;
    hook.Then([&](toolkit::ModalWindow& w) {
        auto* combo = w.Widget().findChild<QComboBox*>();
        for (int i = 0; i < combo->count(); ++i) order.push_back(combo->itemText(i).toStdString());
        initial = dlg.m_combo.GetCurSel();
        EXPECT_EQ(dlg.m_combo.SetCurSel(3), CB_ERR);
        EXPECT_EQ(dlg.m_combo.SetCurSel(0), 0);
        w.Click(IDC_CHOOSE_OK);
    });
    dlg.DoModal();
    EXPECT_EQ(order, (std::vector<std::string>{"e:\\", "F:\\", "G:\\"}));
    EXPECT_EQ(initial, CB_ERR);
    EXPECT_EQ(dlg.m_selected, 0);
    EXPECT_EQ(dlg.m_text, "e:\\");
}

TEST_F(ControlsTest, TypedComboTextIsNoSelection) {
    ComboDlg dlg;
    dlg.m_items = {"E:\\"};
    hook.Then([&](toolkit::ModalWindow& w) {
        auto* combo = w.Widget().findChild<QComboBox*>();
        combo->setEditText("Z:\\");
        w.Click(IDC_CHOOSE_OK);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.m_selected, CB_ERR);
    EXPECT_TRUE(dlg.m_text.IsEmpty());
}

TEST_F(ControlsTest, ColourHandlerPaintsStaticsAndLeavesButtonsAlone) {
    RedStaticsDlg dlg;
    std::vector<QColor> statics;
    QColor button;
    hook.Then([&](toolkit::ModalWindow& w) {
        for (auto* label : w.Widget().findChildren<QLabel*>()) {
            statics.push_back(label->palette().color(QPalette::WindowText));
        }
        button = w.Widget().findChild<QPushButton*>()->palette().color(QPalette::ButtonText);
        w.Escape();
    });
    dlg.DoModal();
    ASSERT_EQ(statics.size(), 10u);
    for (const auto& colour : statics) EXPECT_EQ(colour, QColor(255, 0, 0));
    EXPECT_NE(button, QColor(255, 0, 0));
    EXPECT_NE(std::find(dlg.m_kinds.begin(), dlg.m_kinds.end(), CTLCOLOR_BTN), dlg.m_kinds.end());
}

// The dialog opens in the home folder, then in the folder of the file chosen last.
TEST_F(ControlsTest, FileDialogReportsTheDrivePathOrNothingWhenCancelled) {
    testsupport::TempDir dir;
    const auto file = dir / "update.rar";
    testsupport::WriteFile(file, "x");
    const auto folderShown = [](toolkit::ModalWindow& w) {
        const auto* dialog = qobject_cast<QFileDialog*>(&w.Widget());
        return dialog ? dialog->directory().absolutePath() : QString();
    };
    hook.Then([&](toolkit::ModalWindow& w) {
        EXPECT_TRUE(w.IsFileDialog());
        EXPECT_EQ(folderShown(w), QDir::homePath());
        w.ChooseFile(file.string());
    });
    CFileDialog open(TRUE, nullptr, nullptr, 0, "*.rar|*.rar");
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), platform::ToDrivePath(file));

    hook.Then([&](toolkit::ModalWindow& w) {
        EXPECT_EQ(folderShown(w), QString::fromStdString(dir.path().string()));
        w.ChooseFile("");
    });
    CFileDialog cancelled(TRUE, nullptr, nullptr, 0, "*.rar|*.rar");
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_TRUE(cancelled.GetPathName().IsEmpty());
}

TEST_F(ControlsTest, ApplicationMessageBoxesTakeTheProgramName) {
    std::string caption;
    UINT type = 1;
    hook.Then([&](toolkit::ModalWindow& w) {
        caption = w.Caption();
        type = w.MessageType();
        w.CloseBox();
    });
    EXPECT_EQ(AfxMessageBox(""), IDOK);
    EXPECT_EQ(caption, "toolkit_gui_tests");
    EXPECT_EQ(type, MB_OK);
}

}  // namespace
