// The main window: start-up state, the step-by-step enabling of its commands,
// the reset message from outside, the information windows, the ways out, and
// whole Start runs with the sample package on a folder-backed drive, one of
// them stopped by the session ending.
#include <gtest/gtest.h>
#include <pthread.h>

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "drive/ScopedEnv.h"
#include "platform/Path.h"
#include "support/TempDir.h"
#include "toolkit/GuiApp.h"
#include "toolkit/MessageBox.h"
#include "toolkit/ModalHook.h"
#include "toolkit/Properties.h"
#include "ui/OstrelDlg.h"

namespace {

namespace fs = std::filesystem;
using toolkit::ModalWindow;

constexpr const char* kManualName = "产品升级说明书.pdf";

// Whether the menu bar shows command `id` grey, as the user sees it.
bool Grey(const ModalWindow& w, UINT id) {
    if (const auto* bar = w.Widget().findChild<QMenuBar*>()) {
        for (const auto* action : bar->findChildren<QAction*>()) {
            if (action->property(toolkit::kCommandProperty).toUInt() == id)
                return !action->isEnabled();
        }
    }
    ADD_FAILURE() << "no menu item " << id;
    return false;
}

class OstrelDlgTest : public ::testing::Test {
protected:
    OstrelDlgTest()
        : m_drives("OSTREL_DRIVES", "E=" + (m_dir / "E").string() + ":size=1G"),
          m_path("PATH", (m_dir / "bin").string() + ":" + std::getenv("PATH")) {}

    void SetUp() override {
        fs::create_directories(m_dir / "E");
        // The desktop's opener, recording what it was asked to open.
        testsupport::WriteFile(m_dir / "bin" / "xdg-open",
                               "#!/bin/sh\necho \"$1\" >> '" + Opened().string() + "'\n");
        fs::permissions(m_dir / "bin" / "xdg-open", fs::perms::owner_all);
    }

    fs::path Stick() const { return m_dir / "E"; }
    fs::path Opened() const { return m_dir / "opened.txt"; }
    static fs::path Sample() { return fs::path(OSTREL_SOURCE_DIR) / "samples" / "T512-sample.rar"; }

    // What the opener was asked to open, waiting for the detached start to
    // finish its line (the file exists as soon as the shell opens it).
    std::string WaitOpened() const {
        std::string opened;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                opened = fs::exists(Opened()) ? testsupport::ReadFile(Opened()) : std::string();
                return !opened.empty() && opened.back() == '\n';
            },
            5000));
        return opened;
    }

    // Queues the chooser's OK (first removable drive) or the file dialog's answer.
    void QueueChooseDrive() {
        hook.Then([](ModalWindow& w) { w.Click(IDC_CHOOSE_OK); });
    }
    void QueueChooseFile(const fs::path& file) {
        hook.Then([file](ModalWindow& w) { w.ChooseFile(file.string()); });
    }
    void ChooseBoth(ModalWindow& main, const fs::path& file) {
        QueueChooseDrive();
        main.Click(IDC_CHOOSE_DRIVE);
        QueueChooseFile(file);
        main.Click(IDC_SELECT_FILE);
    }

    // The hook finds its way through the application, so that comes first.
    QApplication& m_app = testsupport::GuiApp();
    testsupport::TempDir m_dir;
    ScopedEnv m_drives;
    ScopedEnv m_path;
    toolkit::ModalHook hook;
};

TEST_F(OstrelDlgTest, StartsAskingForADriveWithOnlyTheDriveCommandOn) {
    OstrelDlg dlg;
    hook.Then([&](ModalWindow& w) {
        EXPECT_EQ(w.Caption(), "Brenlow(适用于T512/T508系列产品升级)");
        EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "请选择U盘！");
        EXPECT_TRUE(w.IsEnabled(IDC_CHOOSE_DRIVE));
        EXPECT_FALSE(w.IsEnabled(IDC_SELECT_FILE));
        EXPECT_FALSE(w.IsEnabled(IDC_START));
        EXPECT_FALSE(Grey(w, IDC_CHOOSE_DRIVE));
        EXPECT_TRUE(Grey(w, IDC_SELECT_FILE));
        EXPECT_TRUE(Grey(w, IDC_START));
        EXPECT_TRUE(w.HasFocus(IDC_CHOOSE_DRIVE));
        EXPECT_NE(w.Widget().findChild<QMenuBar*>(), nullptr);
        EXPECT_NE(dlg.m_hIcon, nullptr);
        EXPECT_FALSE(w.Widget().windowIcon().isNull());
        EXPECT_EQ(reinterpret_cast<HCURSOR>(dlg.SendMessage(WM_QUERYDRAGICON)),
                  static_cast<HCURSOR>(dlg.m_hIcon));

        const auto& sys = dlg.GetSystemMenu(FALSE)->Items();
        EXPECT_GE(sys.size(), 2u);
        if (sys.size() >= 2) {
            EXPECT_TRUE(sys[sys.size() - 2].flags & MF_SEPARATOR);
            EXPECT_EQ(sys.back().id, static_cast<UINT>(IDM_ABOUTBOX));
            EXPECT_EQ(sys.back().text, "关于 Ostrel(&A)...");
        }
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(hook.Unanswered(), 0);
}

TEST_F(OstrelDlgTest, CommandsComeOnStepByStepAndCancelsTakeTheChoiceBack) {
    OstrelDlg dlg;
    hook.Then([&](ModalWindow& w) {
        QueueChooseDrive();
        w.Click(IDC_CHOOSE_DRIVE);
        EXPECT_EQ(w.ControlText(IDC_EDIT_DRIVE), "E:\\");
        EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "请选择要升级的文件！");
        EXPECT_TRUE(w.IsEnabled(IDC_SELECT_FILE));
        EXPECT_FALSE(Grey(w, IDC_SELECT_FILE));
        EXPECT_FALSE(w.IsEnabled(IDC_START));

        QueueChooseFile(Sample());
        w.Click(IDC_SELECT_FILE);
        EXPECT_EQ(dlg.m_strFile, platform::ToDrivePath(Sample()));
        EXPECT_EQ(w.ControlText(IDC_EDIT_FILE), dlg.m_strFile);
        EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "请按升级按钮！");
        EXPECT_TRUE(w.IsEnabled(IDC_START));
        EXPECT_FALSE(Grey(w, IDC_START));

        // A cancelled file dialog clears the package and turns Start off.
        hook.Then([](ModalWindow& files) { files.ChooseFile(""); });
        w.Click(IDC_SELECT_FILE);
        EXPECT_EQ(w.ControlText(IDC_EDIT_FILE), "");
        EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "请选择要升级的文件！");
        EXPECT_FALSE(w.IsEnabled(IDC_START));
        EXPECT_TRUE(Grey(w, IDC_START));

        // A cancelled chooser clears the drive; Start keeps its state.
        QueueChooseFile(Sample());
        w.MenuCommand(IDC_SELECT_FILE);
        hook.Then([](ModalWindow& chooser) { chooser.Click(IDC_DECLINE); });
        w.MenuCommand(IDC_CHOOSE_DRIVE);
        EXPECT_EQ(w.ControlText(IDC_EDIT_DRIVE), "");
        EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "请选择U盘！");
        EXPECT_FALSE(w.IsEnabled(IDC_SELECT_FILE));
        EXPECT_TRUE(Grey(w, IDC_SELECT_FILE));
        EXPECT_TRUE(w.IsEnabled(IDC_START));

        // Start without a drive shows the hint and does nothing else.
        std::string prompt;
        hook.Then([&](ModalWindow& tips) {
            prompt = tips.ControlText(IDC_TIPS_TEXT);
            EXPECT_EQ(tips.ControlText(IDC_CONFIRM), "确定");
            tips.Click(IDC_CONFIRM);
        });
        w.Click(IDC_START);
        EXPECT_EQ(prompt, "请选择U盘！");
        EXPECT_TRUE(w.IsOpen());
        w.CloseBox();
    });
    dlg.DoModal();
    EXPECT_EQ(hook.Pending(), 0);
    EXPECT_EQ(hook.Unanswered(), 0);
    EXPECT_TRUE(fs::is_empty(Stick()));
}

TEST_F(OstrelDlgTest, SigusrOneForgetsBothChoicesAndShowsAnEmptyBox) {
    OstrelDlg dlg;
    hook.Then([&](ModalWindow& w) {
        ChooseBoth(w, Sample());
        bool boxSeen = false;
        hook.Then([&](ModalWindow& box) {
            boxSeen = true;
            EXPECT_TRUE(box.IsMessageBox());
            EXPECT_EQ(box.Text(), "");
            EXPECT_EQ(box.Caption(), toolkit::ApplicationName());
            EXPECT_EQ(box.MessageType(), static_cast<UINT>(MB_OK));
            // The choices are gone before the box shows.
            EXPECT_EQ(w.ControlText(IDC_EDIT_DRIVE), "");
            EXPECT_EQ(w.ControlText(IDC_EDIT_FILE), "");
            box.Click(IDOK);
        });
        EXPECT_EQ(pthread_kill(pthread_self(), SIGUSR1), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return boxSeen; }, 5000));
        EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "请选择U盘！");
        EXPECT_TRUE(dlg.m_strDrive.empty());
        EXPECT_TRUE(dlg.m_strFile.empty());
        // Enable states stay as they were: Start answers with the hint.
        EXPECT_TRUE(w.IsEnabled(IDC_SELECT_FILE));
        EXPECT_TRUE(w.IsEnabled(IDC_START));
        std::string prompt;
        hook.Then([&](ModalWindow& tips) {
            prompt = tips.ControlText(IDC_TIPS_TEXT);
            tips.Escape();
        });
        w.Click(IDC_START);
        EXPECT_EQ(prompt, "请选择U盘！");
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(hook.Unanswered(), 0);
    EXPECT_TRUE(fs::is_empty(Stick()));
}

TEST_F(OstrelDlgTest, AboutFromTheSystemMenuTheHelpMenuAndMaskedSystemCommands) {
    OstrelDlg dlg;
    int abouts = 0;
    const auto about = [&](ModalWindow& box) {
        EXPECT_EQ(box.Caption(), "关于 UpGrade");
        ++abouts;
        box.Click(IDOK);
    };
    hook.Then([&](ModalWindow& w) {
        hook.Then(about);
        w.SysMenuCommand(IDM_ABOUTBOX);
        hook.Then(about);
        w.MenuCommand(ID_ABOUT);
        hook.Then(about);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX | 0x000F);
        EXPECT_TRUE(w.IsOpen());
        // Any other system command keeps its usual meaning.
        w.SysMenuCommand(SC_CLOSE);
    });
    dlg.DoModal();
    EXPECT_EQ(abouts, 3);
    EXPECT_EQ(hook.Unanswered(), 0);
}

TEST_F(OstrelDlgTest, CompanyInformationInRedWithALinkThatLeavesItOpen) {
    OstrelDlg dlg;
    hook.Then([&](ModalWindow& w) {
        hook.Then([&](ModalWindow& company) {
            EXPECT_EQ(company.Caption(), "公司简介");
            const auto labels = company.Widget().findChildren<QLabel*>();
            EXPECT_GE(labels.size(), 10);
            for (const QLabel* label : labels) {
                EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red))
                    << label->text().toStdString();
            }
            for (const QGroupBox* group : company.Widget().findChildren<QGroupBox*>()) {
                EXPECT_EQ(group->palette().color(QPalette::WindowText), QColor(Qt::red));
            }
            const auto buttons = company.Widget().findChildren<QAbstractButton*>();
            EXPECT_EQ(buttons.size(), 1);  // no button that closes it
            for (const QAbstractButton* button : buttons) {
                EXPECT_NE(button->palette().color(QPalette::ButtonText), QColor(Qt::red));
            }
            EXPECT_EQ(company.ControlText(IDC_WEBLINK), "www.brenlow.example");

            company.Click(IDC_WEBLINK);
            EXPECT_EQ(WaitOpened(), "http://www.brenlow.example/\n");
            EXPECT_TRUE(company.IsOpen());
            company.Escape();
        });
        w.MenuCommand(ID_COMPANY_INFO);
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(hook.Unanswered(), 0);
}

TEST_F(OstrelDlgTest, ManualBesideTheProgramOrAMessageWhenItCannotOpen) {
    const fs::path manual = platform::ModulePath().parent_path() / kManualName;
    fs::remove(manual);
    OstrelDlg dlg;
    hook.Then([&](ModalWindow& w) {
        hook.Then([](ModalWindow& box) {
            EXPECT_EQ(box.Text(), "请更新或者安装pdf阅读器");
            EXPECT_EQ(box.Caption(), "打开失败");
            EXPECT_EQ(box.MessageType(), static_cast<UINT>(MB_OK));
            box.Click(IDOK);
        });
        w.MenuCommand(ID_MANUAL);
        EXPECT_FALSE(fs::exists(Opened()));

        testsupport::WriteFile(manual, "%PDF-1.4\n");
        w.MenuCommand(ID_MANUAL);  // no box queued: one would count as unanswered
        EXPECT_EQ(WaitOpened(), manual.string() + "\n");
        fs::remove(manual);
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(hook.Pending(), 0);
    EXPECT_EQ(hook.Unanswered(), 0);
}

TEST_F(OstrelDlgTest, EscapeCloseBoxAndEnterInAnEditEndTheWindowAtOnce) {
    const std::vector<std::pair<const char*, std::function<void(ModalWindow&)>>> ways = {
        {"escape", [](ModalWindow& w) { w.Escape(); }},
        {"close box", [](ModalWindow& w) { w.CloseBox(); }},
        {"alt+f4", [](ModalWindow& w) { w.AltF4(); }},
        {"enter in an edit",
         [](ModalWindow& w) {
             w.Widget().findChildren<QLineEdit*>().front()->setFocus();
             w.Enter();
         }},
    };
    for (const auto& [name, way] : ways) {
        OstrelDlg dlg;
        hook.Then(way);
        dlg.DoModal();
        EXPECT_EQ(hook.Pending(), 0) << name;
        EXPECT_EQ(hook.Unanswered(), 0) << name;
    }
}

TEST_F(OstrelDlgTest, PaintsTheIconCentredWhileMinimised) {
    OstrelDlg dlg;
    hook.Then([&](ModalWindow& w) {
        dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
        EXPECT_TRUE(dlg.IsIconic());
        QWidget* client = w.Widget().childAt(w.Widget().width() / 2, w.Widget().height() / 2);
        while (client && client->parentWidget() != &w.Widget()) client = client->parentWidget();
        EXPECT_NE(client, nullptr);
        if (client) {
            const QImage image = client->grab().toImage();
            const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
            const QColor corner = image.pixelColor(2, 2);
            EXPECT_NE(centre, corner) << "no icon in the middle";
        }
        w.Escape();
    });
    dlg.DoModal();
}

// -------------------------------------------------------------- Start runs

class OstrelDlgStartTest : public OstrelDlgTest {
protected:
    // Runs Start with `answer` to the format question; returns what the
    // windows after the question showed, in order: "升级" for the progress
    // window, the text of each prompt or message box.
    std::vector<std::string> Start(const fs::path& package,
                                   const std::function<void(ModalWindow&)>& answer) {
        std::vector<std::string> shown;
        testsupport::WriteFile(Stick() / "OLD.TXT", "left from before");
        hook.Then([&](ModalWindow& w) {
            ChooseBoth(w, package);
            hook.Then([&](ModalWindow& ask) {
                EXPECT_EQ(ask.ControlText(IDC_TIPS_TEXT), "是否格式化U盘？");
                EXPECT_EQ(ask.ControlText(IDC_CONFIRM), "是");
                EXPECT_EQ(ask.ControlText(IDC_DECLINE), "否");
                EXPECT_EQ(w.ControlText(IDC_EDIT_TIPS), "正在升级，请稍后！");
                answer(ask);
            });
            for (int i = 0; i < kLaterWindows; ++i) {
                hook.Then([&](ModalWindow& later) {
                    if (later.Caption() == "升级") {
                        shown.push_back("升级");  // ends by itself
                    } else if (later.IsMessageBox()) {
                        shown.push_back(later.Text());
                        later.Click(IDOK);
                    } else {
                        shown.push_back(later.ControlText(IDC_TIPS_TEXT));
                        later.Click(IDC_CONFIRM);
                    }
                });
            }
            w.Click(IDC_START);
        });
        m_dlg->DoModal();
        EXPECT_EQ(hook.Pending(), 0);
        EXPECT_EQ(hook.Unanswered(), 0);
        return shown;
    }

    // The progress window and the result, or a rejected package's prompt and the result.
    static constexpr int kLaterWindows = 2;

    void ExpectCleared() {
        EXPECT_TRUE(m_dlg->m_strDrive.empty());
        EXPECT_TRUE(m_dlg->m_strFile.empty());
        EXPECT_EQ(m_dlg->m_strTips, "请选择U盘！");
    }

    void ExpectDeviceFiles() {
        for (const char* name : {"BOOT.EXE", "KERNEL.EXE", "DICT.EXE", "VERSION.TXT", "FONT"}) {
            EXPECT_TRUE(fs::exists(Stick() / name)) << name;
        }
        EXPECT_FALSE(fs::exists(Stick() / "BOOT.EPT"));
    }

    // A fresh window and an empty drive for the next run.
    void Reset() {
        m_dlg = std::make_unique<OstrelDlg>();
        fs::remove_all(Stick());
        fs::create_directories(Stick());
    }

    std::unique_ptr<OstrelDlg> m_dlg = std::make_unique<OstrelDlg>();
};

// One test for the four runs: each job keeps its scratch data beside the
// test program, so two of them must never run at once.
TEST_F(OstrelDlgStartTest, StartRunsTheJobReportsItsResultAndEndsTheWindowOrStopsItWithTheSession) {
    {
        SCOPED_TRACE("Escape on the question skips formatting; the upgrade succeeds");
        const auto shown = Start(Sample(), [](ModalWindow& ask) { ask.Escape(); });
        EXPECT_EQ(shown, (std::vector<std::string>{"升级", "升级成功！"}));
        ExpectCleared();
        ExpectDeviceFiles();
        EXPECT_TRUE(fs::exists(Stick() / "OLD.TXT"));
    }
    {
        SCOPED_TRACE("是 formats the drive before the copy");
        Reset();
        const auto shown = Start(Sample(), [](ModalWindow& ask) { ask.Click(IDC_CONFIRM); });
        EXPECT_EQ(shown, (std::vector<std::string>{"升级", "升级成功！"}));
        ExpectCleared();
        ExpectDeviceFiles();
        EXPECT_FALSE(fs::exists(Stick() / "OLD.TXT"));
    }
    {
        SCOPED_TRACE("a rejected package ends in failure and the window still closes");
        Reset();
        testsupport::WriteFile(m_dir / "bad.rar", std::string(2000, 'x'));
        const auto shown =
            Start(m_dir / "bad.rar", [](ModalWindow& ask) { ask.Click(IDC_DECLINE); });
        EXPECT_EQ(shown, (std::vector<std::string>{"错误的升级文件！", "升级失败！"}));
        ExpectCleared();
        EXPECT_TRUE(fs::exists(Stick() / "OLD.TXT"));
        EXPECT_FALSE(fs::exists(Stick() / "BOOT.EXE"));
    }
    {
        // The process may be ended as soon as the handler returns.
        SCOPED_TRACE("the session ending stops the job; its scratch data is gone first");
        Reset();
        const fs::path app = platform::ModulePath().parent_path();
        hook.Then([&](ModalWindow& w) {
            ChooseBoth(w, Sample());
            hook.Then([](ModalWindow& ask) { ask.Click(IDC_DECLINE); });
            hook.Then([&](ModalWindow& progress) {
                EXPECT_EQ(progress.Caption(), "升级");
                m_dlg->SendMessage(WM_ENDSESSION, TRUE);
                EXPECT_FALSE(fs::exists(app / "Temp"));
                EXPECT_FALSE(fs::exists(app / "TEMP.TMP"));
            });
            w.Click(IDC_START);
        });
        m_dlg->DoModal();  // no result box
        EXPECT_EQ(hook.Unanswered(), 0);
        EXPECT_EQ(m_dlg->StopCode(), 1);
        EXPECT_FALSE(fs::exists(Stick() / "BOOT.EXE"));
    }
}

}  // namespace
