// Requests from a worker thread: each one is handled on the user-interface
// thread and the worker waits for it, as with SendMessage.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "toolkit/GuiApp.h"
#include "toolkit/ModalHook.h"
#include "toolkit/Toolkit.h"

namespace {

constexpr UINT WM_PROBE = WM_USER + 200;

// The progress template with a private message and a worker that reports.
class WorkerDlg : public CDialog {
public:
    WorkerDlg() : CDialog(IDD_PROGRESS) {}

    CProgressCtrl m_ctrlProgress;
    std::vector<int> m_events;  // UI thread only
    QThread* m_handlerThread = nullptr;
    std::atomic<bool> m_bDone{false};
    std::vector<int> m_workerSaw;  // written by the worker before it closes
    std::thread m_worker;

    ~WorkerDlg() override {
        if (m_worker.joinable()) m_worker.join();
    }

    static void Worker(WorkerDlg* self) {
        self->m_ctrlProgress.SetRange(0, 10);
        // Each SetPos answers the position before it.
        for (int pos : {3, 25, -4, 10})
            self->m_workerSaw.push_back(self->m_ctrlProgress.SetPos(pos));
        self->m_workerSaw.push_back(static_cast<int>(self->SendMessage(WM_PROBE, 7, 0)));
        AfxMessageBox("worker message", MB_ICONEXCLAMATION);
        self->m_workerSaw.push_back(-100);  // after the box was dismissed
        self->SendMessage(WM_CLOSE);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        DDX_Control(pDX, IDC_PROGRESS, m_ctrlProgress);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_worker = std::thread(&WorkerDlg::Worker, this);
        return TRUE;
    }
    LRESULT OnProbe(WPARAM wParam, LPARAM) {
        m_handlerThread = QThread::currentThread();
        m_events.push_back(static_cast<int>(wParam));
        return 99;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(WorkerDlg, CDialog)
ON_MESSAGE(WM_PROBE, &WorkerDlg::OnProbe)
END_MESSAGE_MAP()

class ThreadsTest : public ::testing::Test {
protected:
    QApplication& app = testsupport::GuiApp();  // before the hook
    toolkit::ModalHook hook;
};

TEST_F(ThreadsTest, WorkerRequestsRunOnTheUiThreadAndTheWorkerWaits) {
    std::string boxText, boxCaption;
    UINT boxType = 0;
    hook.Then([](toolkit::ModalWindow&) {})  // the progress window runs by itself
        .Then([&](toolkit::ModalWindow& box) {
            boxText = box.Text();
            boxCaption = box.Caption();
            boxType = box.MessageType();
            box.Click(IDOK);
        });
    WorkerDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_handlerThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(dlg.m_events, std::vector<int>{7});
    // clamped positions (25 held at 10, -4 at 0), the handler's answer, then
    // the box was dismissed
    EXPECT_EQ(dlg.m_workerSaw, (std::vector<int>{0, 3, 10, 0, 99, -100}));
    EXPECT_EQ(boxText, "worker message");
    EXPECT_EQ(boxCaption, toolkit::ApplicationName());
    EXPECT_EQ(boxType, MB_ICONEXCLAMATION);
}

TEST_F(ThreadsTest, ProgressRangeIsSixteenBitThroughSetRangeAndFullThroughSetRange32) {
    class BarDlg : public CDialog {
    public:
        BarDlg() : CDialog(IDD_PROGRESS) {}
        CProgressCtrl bar;
        void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_PROGRESS, bar); }
    };
    BarDlg dlg;
    int lower = -1, upper = -1, pos = -1;
    hook.Then([&](toolkit::ModalWindow& w) {
        dlg.bar.SetRange32(0, 40000);
        dlg.bar.SetPos(39999);
        const auto* bar = qobject_cast<QProgressBar*>(dlg.bar.GetWidget());
        pos = bar->value();
        lower = bar->minimum();
        upper = bar->maximum();
        w.Escape();
    });
    dlg.DoModal();
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 40000);
    EXPECT_EQ(pos, 39999);
}

TEST_F(ThreadsTest, OwnedMessageBoxesUseTheirCaptionIconAndOwner) {
    CDialog dlg(IDD_TIPS);
    std::string caption;
    UINT type = 0;
    const QWidget* owner = nullptr;
    const QWidget* window = nullptr;
    int result = 0;
    hook.Then([&](toolkit::ModalWindow& w) {
            window = &w.Widget();
            result = dlg.MessageBox(" 文件操作失败！", "提示", MB_ICONINFORMATION);
            w.Escape();
        })
        .Then([&](toolkit::ModalWindow& box) {
            caption = box.Caption();
            type = box.MessageType();
            owner = box.Widget().parentWidget();
            box.Enter();
        });
    dlg.DoModal();
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(caption, "提示");
    EXPECT_EQ(type, MB_ICONINFORMATION);
    EXPECT_EQ(owner, window);
}

}  // namespace
