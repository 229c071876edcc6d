// The job's window on a terminal: the bar as one redrawn line (only when the
// output is a terminal), every message box and prompt as a line of text, and
// the command's main thread in the part of the user-interface thread.
#pragma once

#include <cstdio>
#include <functional>
#include <thread>

#include "pipeline/JobSink.h"
#include "pipeline/PendingPos.h"
#include "pipeline/RequestQueue.h"
#include "pipeline/UpgradeJob.h"

namespace cli {

class ConsoleSink : public pipeline::JobSink {
public:
    // `out` takes messages and the bar; `drawBar` when it is a terminal.
    ConsoleSink(std::FILE* out, bool drawBar);

    void Attach(pipeline::UpgradeJob* job) { m_job = job; }

    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     unsigned int type) override;
    void Prompt(const std::string& text) override;
    void RequestClose() override;
    void PhaseChanged(pipeline::JobPhase phase) override;

    // On the main thread, after a started job: carries out the worker's
    // requests until the job has closed.
    void ServeUntilClosed();

    // Ends the bar's line, so that what follows starts on a fresh one.
    void FinishBar();

private:
    void OnMainThread(const std::function<void()>& request);
    void OnMainThreadLater(std::function<void()> request);
    void QueueShowing();
    void Line(const std::string& text);
    void Draw();

    std::FILE* m_out;
    bool m_drawBar;
    pipeline::UpgradeJob* m_job = nullptr;
    pipeline::RequestQueue m_queue;
    pipeline::PendingPos m_pendingPos;
    std::thread::id m_mainThread;
    int m_lower = 0;
    int m_upper = 0;
    int m_pos = 0;
    pipeline::JobPhase m_phase = pipeline::JobPhase::Extracting;
    bool m_barShown = false;
    bool m_closed = false;
};

}  // namespace cli
