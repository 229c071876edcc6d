// Dialogs built from templates: geometry, fonts, focus, the default paths of
// Enter, Escape and the close box, data exchange and ending during init.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "res/Resources.h"
#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"
#include "toolkit/Toolkit.h"

namespace {

// A window on the prompt template (static 1011, buttons 1010 and 1008).
class ProbeDlg : public CDialog {
public:
    ProbeDlg() : CDialog(IDD_TIPS) {}

    CString m_strText = "probe text";
    int m_nConfirmed = 0;
    int m_nDeclined = 0;
    bool m_bAllowClose = true;
    bool m_bEndInInit = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_TIPS_TEXT, m_strText);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        if (m_bEndInInit) {
            EndDialog(42);
            return FALSE;
        }
        return TRUE;
    }
    void OnConfirm() {
        ++m_nConfirmed;
        EndDialog(5);
    }
    void OnDecline() {
        ++m_nDeclined;
        EndDialog(6);
    }
    void OnClose() {
        if (m_bAllowClose) CDialog::OnClose();
    }
    void OnOK() override {
        if (m_bAllowClose) CDialog::OnOK();
    }
    void OnCancel() override {
        if (m_bAllowClose) CDialog::OnCancel();
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ProbeDlg, CDialog)
ON_BN_CLICKED(IDC_CONFIRM, &ProbeDlg::OnConfirm)
ON_BN_CLICKED(IDC_DECLINE, &ProbeDlg::OnDecline)
ON_WM_CLOSE()
END_MESSAGE_MAP()

// The main window's template: three read-only edits, buttons, group boxes.
class EditsDlg : public CDialog {
public:
    EditsDlg() : CDialog(IDD_OSTREL_DIALOG) {}
    CString m_strDrive = "E:\\";

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Text(pDX, IDC_EDIT_DRIVE, m_strDrive);
    }
};

class DialogTest : public ::testing::Test {
protected:
    QApplication& app = testsupport::GuiApp();  // before the hook
    toolkit::ModalHook hook;
};

int Round(double v) { return static_cast<int>(std::lround(v)); }

TEST_F(DialogTest, ControlsSitWhereTheirDialogUnitsSay) {
    const auto* tpl = res::FindDialog(IDD_TIPS);
    ASSERT_NE(tpl, nullptr);
    std::vector<CRect> rects;
    int bx = 0, by = 0;
    QSize client;
    hook.Then([&](toolkit::ModalWindow& w) {
        const QFontMetrics fm(w.Widget().font());
        bx = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 +
              1) /
             2;
        by = fm.height();
        for (const auto& c : tpl->controls) rects.push_back(w.ControlRect(c.id));
        client = w.Widget().size();
        w.Escape();
    });
    ProbeDlg dlg;
    dlg.DoModal();
    ASSERT_GT(bx, 0);
    ASSERT_EQ(rects.size(), 3u);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const auto& c = tpl->controls[i];
        SCOPED_TRACE(c.id);
        EXPECT_EQ(rects[i].left, Round(c.x * bx / 4.0));
        EXPECT_EQ(rects[i].top, Round(c.y * by / 8.0));
        EXPECT_EQ(rects[i].Width(), Round(c.cx * bx / 4.0));
        EXPECT_EQ(rects[i].Height(), Round(c.cy * by / 8.0));
    }
    // 1008 sits one unit higher than 1010.
    EXPECT_LT(rects[2].top, rects[1].top);
    EXPECT_EQ(client, QSize(Round(150 * bx / 4.0), Round(57 * by / 8.0)));
}

TEST_F(DialogTest, TemplateFontsDrawChinese) {
    for (UINT id : {IDD_TIPS, IDD_OSTREL_DIALOG, IDD_ABOUTBOX}) {
        QFont font;
        hook.Then([&](toolkit::ModalWindow& w) {
            font = w.Widget().font();
            w.Escape();
        });
        CDialog dlg(id);
        dlg.DoModal();
        const QFontMetrics fm(font);
        for (char32_t ch : {U'提', U'升', U'级', U'盘'}) EXPECT_TRUE(fm.inFontUcs4(ch)) << id;
    }
}

TEST_F(DialogTest, FocusStartsOnTheFirstTabStopAndTabFollowsTemplateOrder) {
    bool confirmFocused = false;
    bool declineNext = false;
    hook.Then([&](toolkit::ModalWindow& w) {
        confirmFocused = w.HasFocus(IDC_CONFIRM);
        w.Widget().focusWidget()->nextInFocusChain()->setFocus();
        declineNext = w.HasFocus(IDC_DECLINE);
        w.Escape();
    });
    ProbeDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(confirmFocused);
    EXPECT_TRUE(declineNext);
}

TEST_F(DialogTest, ButtonsReachTheirHandlersThroughTheMessageTable) {
    hook.Then([](toolkit::ModalWindow& w) { w.Click(IDC_DECLINE); });
    ProbeDlg dlg;
    EXPECT_EQ(dlg.DoModal(), 6);
    EXPECT_EQ(dlg.m_nDeclined, 1);
    EXPECT_EQ(dlg.m_nConfirmed, 0);
}

TEST_F(DialogTest, EnterPressesTheFocusedButton) {
    hook.Then([](toolkit::ModalWindow& w) { w.Enter(); });
    ProbeDlg dlg;
    EXPECT_EQ(dlg.DoModal(), 5);
    EXPECT_EQ(dlg.m_nConfirmed, 1);
}

TEST_F(DialogTest, DefaultPathsEndTheDialogWithoutTouchingMembers) {
    struct Case {
        const char* name;
        std::function<void(toolkit::ModalWindow&)> act;
        int result;
    };
    const std::vector<Case> cases = {
        {"escape", [](toolkit::ModalWindow& w) { w.Escape(); }, IDCANCEL},
        {"close box", [](toolkit::ModalWindow& w) { w.CloseBox(); }, IDCANCEL},
        {"alt+f4", [](toolkit::ModalWindow& w) { w.AltF4(); }, IDCANCEL},
        {"enter on the static",
         [](toolkit::ModalWindow& w) {
             w.Widget().setFocus();
             w.Enter();
         },
         IDOK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hook.Then([&](toolkit::ModalWindow& w) {
            w.Widget().findChild<QLabel*>()->setText("changed on screen");
            c.act(w);
        });
        ProbeDlg dlg;
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.m_strText, "probe text");
        EXPECT_EQ(dlg.m_nConfirmed + dlg.m_nDeclined, 0);
    }
}

TEST_F(DialogTest, AGatedWindowIgnoresEveryClosePathUntilItIsAllowed) {
    bool stillOpen = false;
    ProbeDlg dlg;
    dlg.m_bAllowClose = false;
    hook.Then([&](toolkit::ModalWindow& w) {
        w.CloseBox();
        w.AltF4();
        w.Escape();
        w.Widget().setFocus();
        w.Enter();
        stillOpen = w.IsOpen();
        dlg.m_bAllowClose = true;
        w.CloseBox();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(stillOpen);
}

TEST_F(DialogTest, EndingDuringInitialisationNeverShowsTheWindow) {
    ProbeDlg dlg;
    dlg.m_bEndInInit = true;
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_EQ(hook.Answered() + hook.Unanswered(), 0);
}

TEST_F(DialogTest, PushWritesControlsAndReadOnlyEditsAreNeverReadBack) {
    std::string shown;
    EditsDlg dlg;
    hook.Then([&](toolkit::ModalWindow& w) {
        shown = w.ControlText(IDC_EDIT_DRIVE);
        // Someone changes the edit behind the program's back.
        qobject_cast<QLineEdit*>(dlg.GetDlgItem(IDC_EDIT_DRIVE)->GetWidget())->setText("X:\\");
        dlg.UpdateData(TRUE);
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(shown, "E:\\");
    EXPECT_EQ(dlg.m_strDrive, "E:\\");
}

TEST_F(DialogTest, StaticTextIsReadBackAndControlsEnableById) {
    ProbeDlg dlg;
    bool enabledAfter = true;
    hook.Then([&](toolkit::ModalWindow& w) {
        dlg.SetDlgItemText(IDC_TIPS_TEXT, "from the window");
        dlg.UpdateData(TRUE);
        dlg.GetDlgItem(IDC_CONFIRM)->EnableWindow(FALSE);
        enabledAfter = w.IsEnabled(IDC_CONFIRM);
        w.Click(IDC_CONFIRM);  // disabled: nothing happens
        w.Click(IDC_DECLINE);
    });
    dlg.DoModal();
    EXPECT_EQ(dlg.m_strText, "from the window");
    EXPECT_FALSE(enabledAfter);
    EXPECT_EQ(dlg.m_nConfirmed, 0);
    EXPECT_EQ(dlg.m_nDeclined, 1);
    EXPECT_EQ(dlg.GetDlgItem(IDC_CONFIRM), nullptr);  // the widgets are gone
}

TEST_F(DialogTest, AnUnknownTemplateFailsAndAnUnansweredWindowIsCounted) {
    CDialog missing(9999);
    EXPECT_EQ(missing.DoModal(), -1);
    ProbeDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(hook.Unanswered(), 1);
}

// Prompts open centred over the window they interrupt, not the screen.
TEST_F(DialogTest, AWindowWithoutAnOwnerOpensCentredOverTheWindowBelow) {
    ProbeDlg dlg;
    QPoint below;
    QPoint box;
    hook.Then([&](toolkit::ModalWindow& w) {
        w.Widget().move(60, 50);
        hook.Then([&](toolkit::ModalWindow& message) {
            below = w.Widget().geometry().center();
            box = message.Widget().geometry().center();
            message.Click(IDOK);
        });
        AfxMessageBox("over the probe");
        w.CloseBox();
    });
    dlg.DoModal();
    EXPECT_LE((box - below).manhattanLength(), 4) << box.x() << "," << box.y();
}

TEST_F(DialogTest, GrabWritesAPicture) {
    const std::string path = ::testing::TempDir() + "probe.png";
    bool saved = false;
    hook.Then([&](toolkit::ModalWindow& w) {
        saved = w.Grab(path);
        w.Escape();
    });
    ProbeDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(saved);
    EXPECT_FALSE(QImage(QString::fromStdString(path)).isNull());
}

}  // namespace
