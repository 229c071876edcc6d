// The progress window around a whole job: real widgets, a real worker, real
// packages on a folder-backed drive.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "pipeline/PrograssDlg.h"
#include "support/PackageMaker.h"
#include "support/Rar4Writer.h"
#include "support/TempDir.h"
#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::Rar4Writer;

const DeviceInfo kInfo = testsupport::MakeDeviceInfo("T512A0001234", "1A2B3C4D", "V201");

// Records every position the bar shows, from before the job starts.
void ExpectRisingTo(const std::vector<int>& shown, int end) {
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GT(shown.front(), 0);
    EXPECT_EQ(shown.back(), end);
}

class WatchedPrograssDlg : public PrograssDlg {
public:
    using PrograssDlg::PrograssDlg;
    std::vector<int> m_shown;
    bool ShownAtLeast(int pos) const { return !m_shown.empty() && m_shown.back() >= pos; }
    int m_upper = -1;

protected:
    BOOL OnInitDialog() override {
        auto* bar = qobject_cast<QProgressBar*>(GetDlgItem(IDC_PROGRESS)->GetWidget());
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [this, bar](int v) {
            m_shown.push_back(v);
            m_upper = bar->maximum();
        });
        return PrograssDlg::OnInitDialog();
    }
};

// Runs `act` on the window once `ready` holds, checking from the window's
// own modal loop, so that the worker's requests keep being served.
void When(toolkit::ModalWindow& w, std::function<bool()> ready,
          std::function<void(toolkit::ModalWindow&)> act) {
    auto* timer = new QTimer(&w.Widget());
    QDialog* dialog = &w.Widget();
    CDialog* owner = w.Dialog();
    QObject::connect(timer, &QTimer::timeout, dialog, [=] {
        if (!ready()) return;
        timer->stop();
        toolkit::ModalWindow later(*dialog, owner);
        act(later);
    });
    timer->start(5);
}

class PrograssDlgTest : public ::testing::Test {
protected:
    PrograssDlgTest() {
        fs::create_directories(app);
        fs::create_directories(drive);
    }
    void Package(const std::string& archive) { testsupport::WritePackage(package, archive, kInfo); }
    std::unique_ptr<WatchedPrograssDlg> Window(pipeline::JobPauses pauses = {0ms, 0ms}) {
        auto dlg = std::make_unique<WatchedPrograssDlg>(nullptr, app.string(), pauses);
        dlg->m_strFilePath = package.string();
        dlg->m_strDrive = drive.string();
        return dlg;
    }

    QApplication& qapp = testsupport::GuiApp();  // before the hook
    toolkit::ModalHook hook;
    testsupport::TempDir dir;
    fs::path app = dir / "app";
    fs::path drive = dir / "drive";
    fs::path package = dir / "update.rar";
};

TEST_F(PrograssDlgTest, AFreshWindowHasPreparedItsStagingFolder) {
    auto dlg = Window();
    EXPECT_EQ(dlg->m_bSucceeded, 0);
    EXPECT_EQ(dlg->m_nDirCount, 0);
    EXPECT_TRUE(fs::is_directory(app / "Temp"));
    EXPECT_EQ(dlg->m_strTempDir, app.string() + "\\Temp");
}

TEST_F(PrograssDlgTest, AWholeJobMovesTheBarAndEndsSucceeded) {
    Package(Rar4Writer()
                .Folder("PKG")
                .File("PKG\\BOOT.EPT", testsupport::RandomBytes(2000, 5))
                .File("PKG\\A.TXT", "a")
                .File("PKG\\B.TXT", "b")
                .Bytes());
    auto dlg = Window({300ms, 0ms});  // open long enough to be seen open
    bool shown = false;
    hook.Then([&](toolkit::ModalWindow& w) { shown = w.IsOpen(); });
    dlg->DoModal();
    EXPECT_TRUE(shown);
    EXPECT_EQ(dlg->m_bSucceeded, 1);
    EXPECT_EQ(dlg->m_upper, 6);
    // N = 3: four entries extracted, the folder flattened, then the full bar;
    // the bar shows the newest position, not necessarily every one.
    ExpectRisingTo(dlg->m_shown, 6);
    EXPECT_EQ(dlg->m_nRange, 6);
    EXPECT_EQ(dlg->m_nPos, 4);
    EXPECT_EQ(dlg->m_DeviceInfo, kInfo);
    EXPECT_EQ(dlg->m_strFilePath, app.string() + "\\TEMP.TMP");
    EXPECT_TRUE(fs::exists(drive / "BOOT.EXE"));
    EXPECT_EQ(testsupport::ReadFile(drive / "A.TXT"), "a");
    EXPECT_FALSE(fs::exists(app / "Temp"));
    EXPECT_FALSE(fs::exists(app / "TEMP.TMP"));
    EXPECT_TRUE(fs::exists(package));
    EXPECT_EQ(hook.Unanswered(), 0);
}

TEST_F(PrograssDlgTest, MoreFolderEntriesThanCountedFilesHoldTheBarAtItsEnd) {
    Package(Rar4Writer().Folder("P").Folder("P\\A").Folder("P\\B").File("P\\X.TXT", "x").Bytes());
    auto dlg = Window();
    hook.Then([](toolkit::ModalWindow&) {});
    dlg->DoModal();
    EXPECT_EQ(dlg->m_upper, 2);
    ExpectRisingTo(dlg->m_shown, 2);
    EXPECT_EQ(dlg->m_bSucceeded, 1);
}

TEST_F(PrograssDlgTest, EveryClosePathIsRefusedWhileTheJobRuns) {
    Package(Rar4Writer().Folder("PKG").File("PKG\\A.TXT", "a").File("PKG\\B.TXT", "b").Bytes());
    auto dlg = Window({1500ms, 0ms});
    bool openAfterAll = false;
    bool stillRunning = false;
    hook.Then([&](toolkit::ModalWindow& first) {
        When(
            first, [&] { return dlg->ShownAtLeast(3); },
            [&](toolkit::ModalWindow& w) {
                // extracted, in the pause before the copy
                w.CloseBox();
                w.AltF4();
                w.Escape();
                w.Enter();  // nothing in the window takes the focus: the default accept
                openAfterAll = w.IsOpen();
                stillRunning = !pipeline::UpgradeJob::IsFinished();
            });
    });
    dlg->DoModal();
    EXPECT_TRUE(openAfterAll);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(dlg->m_bSucceeded, 1);
    EXPECT_TRUE(fs::exists(drive / "B.TXT"));
}

TEST_F(PrograssDlgTest, APackageWithoutCountedEntriesIsRejectedBeforeTheWindowShows) {
    Package(Rar4Writer().Folder("PKG").File("PKG\\A.EPT", "x", 0x21).Bytes());
    auto dlg = Window();
    std::string text, caption;
    hook.Then([&](toolkit::ModalWindow& w) {
        text = w.ControlText(IDC_TIPS_TEXT);
        caption = w.Caption();
        w.Click(IDC_CONFIRM);
    });
    dlg->DoModal();
    EXPECT_EQ(text, "错误的升级文件！");
    EXPECT_EQ(caption, "提示对话框");
    EXPECT_EQ(hook.Answered(), 1);  // the prompt; the progress window never opened
    EXPECT_EQ(dlg->m_bSucceeded, 0);
    EXPECT_TRUE(dlg->m_shown.empty());
    EXPECT_TRUE(pipeline::UpgradeJob::IsFinished());
    EXPECT_TRUE(fs::exists(app / "TEMP.TMP"));
    EXPECT_TRUE(fs::exists(package));
}

TEST_F(PrograssDlgTest, AnUnreadablePackageEndsTheWindowAndDeletesNothing) {
    auto dlg = Window();
    dlg->m_strFilePath = (dir / "missing.rar").string();
    std::string caption;
    UINT type = 0;
    hook.Then([&](toolkit::ModalWindow& w) {
        caption = w.Caption();
        type = w.MessageType();
        w.Enter();
    });
    dlg->DoModal();
    EXPECT_EQ(caption, toolkit::ApplicationName());
    EXPECT_EQ(type, MB_ICONEXCLAMATION);
    EXPECT_EQ(hook.Answered(), 1);
    EXPECT_EQ(dlg->m_bSucceeded, 0);
    EXPECT_TRUE(fs::is_directory(app / "Temp"));
}

TEST_F(PrograssDlgTest, TheWorkersMessageBoxesWaitForTheUserWhileTheWindowStaysOpen) {
    Package(Rar4Writer().Folder("PKG").File("PKG\\A.TXT", "a").File("PKG\\B.TXT", "b").Bytes());
    testsupport::WriteFile(dir / "plain-file", "not a folder");
    auto dlg = Window();
    dlg->m_strDrive = (dir / "plain-file" / "drive").string();
    std::vector<std::string> texts;
    std::vector<int> barAtBox;
    hook.Then([](toolkit::ModalWindow&) {});
    // The drive is not there: one box, and the walk ends.
    for (int i = 0; i < 1; ++i) {
        hook.Then([&](toolkit::ModalWindow& box) {
            texts.push_back(box.Text());
            EXPECT_EQ(box.MessageType(), MB_ICONEXCLAMATION);
            EXPECT_EQ(box.Caption(), toolkit::ApplicationName());
            barAtBox.push_back(dlg->m_shown.empty() ? 0 : dlg->m_shown.back());
            box.Click(IDOK);
        });
    }
    dlg->DoModal();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].starts_with("移动目录操作失败！ \n")) << texts[0];
    // The bar is filled only after the copy, so every box came while the worker waited.
    for (int pos : barAtBox) EXPECT_LT(pos, 4);
    EXPECT_EQ(dlg->m_shown.back(), 4);
    EXPECT_EQ(hook.Unanswered(), 0);
    EXPECT_FALSE(fs::exists(app / "Temp"));
}

// Asked to end while the worker waits on its box: the box ends, the job
// stops and removes its scratch data, and nothing more is shown.
TEST_F(PrograssDlgTest, AStopEndsTheWorkersBoxAndTheJobRemovesItsScratchData) {
    Package(Rar4Writer().Folder("PKG").File("PKG\\A.TXT", "a").Bytes());
    testsupport::WriteFile(dir / "plain-file", "not a folder");
    auto dlg = Window();
    dlg->m_strDrive = (dir / "plain-file" / "drive").string();
    hook.Then([](toolkit::ModalWindow&) {});
    bool waitable = true;
    hook.Then([&](toolkit::ModalWindow&) { waitable = dlg->Stop(); });
    dlg->DoModal();
    EXPECT_FALSE(waitable);
    EXPECT_TRUE(dlg->JobGone());
    EXPECT_EQ(dlg->m_bSucceeded, 0);
    EXPECT_EQ(hook.Pending(), 0);
    EXPECT_EQ(hook.Unanswered(), 0);
    EXPECT_FALSE(fs::exists(app / "Temp"));
    EXPECT_FALSE(fs::exists(app / "TEMP.TMP"));
}

TEST_F(PrograssDlgTest, AnAnswerMayWaitForTheJobInsideTheModalLoop) {
    Package(Rar4Writer().Folder("PKG").File("PKG\\A.TXT", "a").File("PKG\\B.TXT", "b").Bytes());
    auto dlg = Window({300ms, 0ms});
    bool extracted = false;
    hook.Then([&](toolkit::ModalWindow& w) {
        extracted = w.WaitFor([&] { return dlg->ShownAtLeast(3); });
    });
    dlg->DoModal();
    EXPECT_TRUE(extracted);
    EXPECT_EQ(dlg->m_bSucceeded, 1);
}

// The window mid-job, as a picture: into OSTREL_PICTURES_DIR when set
// (docs/images), else into the test's temporary folder.
TEST_F(PrograssDlgTest, PictureMidJob) {
    Package(Rar4Writer()
                .Folder("PKG")
                .File("PKG\\A.TXT", "a")
                .File("PKG\\B.TXT", "b")
                .File("PKG\\C.TXT", "c")
                .File("PKG\\D.TXT", "d")
                .File("PKG\\E.TXT", "e")
                .Bytes());
    const char* pictures = std::getenv("OSTREL_PICTURES_DIR");
    const fs::path out = fs::path(pictures ? pictures : ::testing::TempDir()) / "progress.png";
    auto dlg = Window({800ms, 0ms});
    bool saved = false;
    hook.Then([&](toolkit::ModalWindow& first) {
        When(
            first, [&] { return dlg->ShownAtLeast(6); },
            [&](toolkit::ModalWindow& w) { saved = w.Grab(out.string()); });
    });
    dlg->DoModal();
    EXPECT_TRUE(saved) << out;
    EXPECT_EQ(dlg->m_bSucceeded, 1);
}

}  // namespace
