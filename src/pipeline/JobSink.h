// What an upgrade job asks of whoever shows it: the progress window, the
// command line, a test. The job never draws anything itself.
//
// Threads. SetRange and Prompt are called on the user-interface thread, from
// UpgradeJob::Initialise. ShowMessage is called there too (a package that
// cannot be read) and otherwise on the worker. SetPos, PhaseChanged and
// RequestClose are called on the worker only.
//
// Every call made on the worker but SetPos must return only after the
// request has been handled on the user-interface thread, as a Windows
// SendMessage does: the worker relies on that hand-over. SetPos may return at
// once (the worker relies on nothing it does), as long as the positions are
// shown in order and before the close request is handled; of positions that
// come close together only the newest need be shown, but the newest before a
// PhaseChanged is shown before any of the next stage's. RequestClose in
// particular is carried to the user-interface thread, which calls
// UpgradeJob::OnClose; after RequestClose returns the worker touches nothing
// of the job or the sink.
#pragma once

#include <string>

namespace pipeline {

// Texts shown from more than one place, each declared once: the caption of
// the job's notices, its copy failure, and the job's outcome as the main
// window and ostrel-cli write report it.
inline constexpr const char* kCaptionHint = "提示";
inline constexpr const char* kCopyFailed = "移动目录操作失败！ ";
inline constexpr const char* kUpgradeSucceeded = "升级成功！";
inline constexpr const char* kUpgradeFailed = "升级失败！";

// The outcome's text for a job that succeeded or not.
inline constexpr const char* UpgradeOutcome(bool succeeded) {
    return succeeded ? kUpgradeSucceeded : kUpgradeFailed;
}

// The stages of a running job, in order, for front ends that show them
// (the command line shows Flushing as a phase of its own).
enum class JobPhase { Extracting, Waiting, Copying, Flushing, Deleting, Finished };

class JobSink {
public:
    virtual ~JobSink() = default;

    // The bar's range, full 32-bit values (a package may count more than
    // 16383 entries). Positions above `upper` are held at `upper`.
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPos(int pos) = 0;

    // A plain message box with an OK button. An empty caption means the
    // application's default caption (the program file's name). `type` is
    // MB_ICONINFORMATION (0x40) or MB_ICONEXCLAMATION (0x30) from Win32.h.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             unsigned int type) = 0;

    // The prompt dialog (TipsDlg) with its default buttons, shown modally;
    // its answer is not used.
    virtual void Prompt(const std::string& text) = 0;

    // WM_CLOSE sent to the window: handled on the user-interface thread by
    // calling UpgradeJob::OnClose, and only then returning.
    virtual void RequestClose() = 0;

    // Optional: the job entered a new stage (worker thread).
    virtual void PhaseChanged(JobPhase phase) { (void)phase; }
};

}  // namespace pipeline
