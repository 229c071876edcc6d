// The prompt dialog: message, captions, the answer flag and its close paths.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <cstdlib>
#include <filesystem>

#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"
#include "ui/TipsDlg.h"

namespace {

struct Shown {
    std::string text;
    std::string ok;
    std::string cancel;
    std::string caption;
    CRect textRect;
    QSize size;
    bool focusOnConfirm = false;
};

class TipsDlgTest : public ::testing::Test {
protected:
    // Shows `dlg`, records what the window showed, then acts.
    Shown Run(TipsDlg& dlg, const std::function<void(toolkit::ModalWindow&)>& act) {
        Shown shown;
        hook.Then([&](toolkit::ModalWindow& w) {
            shown.text = w.ControlText(IDC_TIPS_TEXT);
            shown.ok = w.ControlText(IDC_CONFIRM);
            shown.cancel = w.ControlText(IDC_DECLINE);
            shown.caption = w.Caption();
            shown.textRect = w.ControlRect(IDC_TIPS_TEXT);
            shown.size = w.Widget().size();
            shown.focusOnConfirm = w.HasFocus(IDC_CONFIRM);
            act(w);
        });
        dlg.DoModal();
        EXPECT_EQ(hook.Unanswered(), 0);
        return shown;
    }

    QApplication& app = testsupport::GuiApp();  // before the hook
    toolkit::ModalHook hook;
};

TEST_F(TipsDlgTest, ConstructionTakesTheMessageAndNothingElse) {
    const TipsDlg dlg("升级成功！");
    EXPECT_EQ(dlg.m_strMessage, "升级成功！");
    EXPECT_TRUE(dlg.m_strText.IsEmpty());
    EXPECT_EQ(dlg.m_bConfirmed, 0);
    EXPECT_TRUE(dlg.m_strOkCaption.IsEmpty());
    EXPECT_TRUE(dlg.m_strCancelCaption.IsEmpty());
}

TEST_F(TipsDlgTest, ShowsTheMessageWithTheTemplateCaptions) {
    TipsDlg dlg("请选择U盘！");
    const Shown shown = Run(dlg, [](toolkit::ModalWindow& w) { w.Click(IDC_DECLINE); });
    EXPECT_EQ(shown.text, "请选择U盘！");
    EXPECT_EQ(shown.ok, "确定");
    EXPECT_EQ(shown.cancel, "取消");
    EXPECT_EQ(shown.caption, "提示对话框");
    EXPECT_TRUE(shown.focusOnConfirm);
    EXPECT_EQ(dlg.m_strText, "请选择U盘！");
}

TEST_F(TipsDlgTest, CaptionsReplaceTheTemplateOnlyWhenNotEmpty) {
    TipsDlg question("是否格式化U盘？");
    question.m_strOkCaption = "是";
    question.m_strCancelCaption = "否";
    Shown shown = Run(question, [](toolkit::ModalWindow& w) { w.Click(IDC_CONFIRM); });
    EXPECT_EQ(shown.ok, "是");
    EXPECT_EQ(shown.cancel, "否");

    TipsDlg reset("是否格式化U盘？");
    reset.m_strOkCaption = "是";
    reset.m_strOkCaption = "";
    reset.m_strCancelCaption = "否";
    shown = Run(reset, [](toolkit::ModalWindow& w) { w.Click(IDC_CONFIRM); });
    EXPECT_EQ(shown.ok, "确定");
    EXPECT_EQ(shown.cancel, "否");
}

TEST_F(TipsDlgTest, TheButtonsSetTheAnswer) {
    TipsDlg yes("是否格式化U盘？");
    Run(yes, [](toolkit::ModalWindow& w) { w.Click(IDC_CONFIRM); });
    EXPECT_EQ(yes.m_bConfirmed, 1);

    TipsDlg no("是否格式化U盘？");
    no.m_bConfirmed = 1;  // so that "set to 0" is seen, not "left at 0"
    Run(no, [](toolkit::ModalWindow& w) { w.Click(IDC_DECLINE); });
    EXPECT_EQ(no.m_bConfirmed, 0);
}

TEST_F(TipsDlgTest, EnterRightAfterOpeningPressesConfirm) {
    TipsDlg dlg("是否格式化U盘？");
    Run(dlg, [](toolkit::ModalWindow& w) { w.Enter(); });
    EXPECT_EQ(dlg.m_bConfirmed, 1);
}

TEST_F(TipsDlgTest, OtherWaysOutLeaveTheAnswerUntouched) {
    const std::vector<std::pair<const char*, std::function<void(toolkit::ModalWindow&)>>> ways = {
        {"close box", [](toolkit::ModalWindow& w) { w.CloseBox(); }},
        {"escape", [](toolkit::ModalWindow& w) { w.Escape(); }},
        {"alt+f4", [](toolkit::ModalWindow& w) { w.AltF4(); }},
        {"default accept",
         [](toolkit::ModalWindow& w) {
             w.Widget().setFocus();  // no button focused: Enter is the default accept
             w.Enter();
         }},
    };
    for (const auto& [name, act] : ways) {
        SCOPED_TRACE(name);
        TipsDlg fresh("是否格式化U盘？");
        Run(fresh, act);
        EXPECT_EQ(fresh.m_bConfirmed, 0);

        TipsDlg preset("是否格式化U盘？");
        preset.m_bConfirmed = 1;
        Run(preset, act);
        EXPECT_EQ(preset.m_bConfirmed, 1);
    }
}

TEST_F(TipsDlgTest, AnEmptyMessageShowsAnEmptyStaticAndTheButtonsStillWork) {
    TipsDlg dlg("");
    const Shown shown = Run(dlg, [](toolkit::ModalWindow& w) { w.Click(IDC_CONFIRM); });
    EXPECT_EQ(shown.text, "");
    EXPECT_EQ(dlg.m_bConfirmed, 1);
}

TEST_F(TipsDlgTest, ALongMessageNeitherGrowsTheStaticNorTheWindow) {
    TipsDlg shortOne("升级失败！");
    const Shown small = Run(shortOne, [](toolkit::ModalWindow& w) { w.Escape(); });

    const std::string longText(40, 'W');
    TipsDlg longOne(longText + "，错误的升级文件！错误的升级文件！错误的升级文件！");
    int needed = 0;
    const Shown big = Run(longOne, [&](toolkit::ModalWindow& w) {
        const auto* label = w.Widget().findChild<QLabel*>();
        needed = label->fontMetrics().horizontalAdvance(label->text());
        w.Escape();
    });
    EXPECT_GT(needed, big.textRect.Width());  // it really does not fit
    EXPECT_EQ(big.textRect, small.textRect);
    EXPECT_EQ(big.size, small.size);
}

// Saves the format question as a picture: into OSTREL_PICTURES_DIR when set
// (docs/images), else into the test's temporary folder.
TEST_F(TipsDlgTest, PictureOfTheFormatQuestion) {
    const char* dir = std::getenv("OSTREL_PICTURES_DIR");
    const std::filesystem::path out =
        std::filesystem::path(dir ? dir : ::testing::TempDir()) / "tips.png";
    TipsDlg dlg("是否格式化U盘？");
    dlg.m_strOkCaption = "是";
    dlg.m_strCancelCaption = "否";
    bool saved = false;
    Run(dlg, [&](toolkit::ModalWindow& w) {
        saved = w.Grab(out.string());
        w.Click(IDC_DECLINE);
    });
    EXPECT_TRUE(saved) << out;
}

}  // namespace
