// Runs upgrade jobs the way the progress window does: the test's thread plays
// the user-interface thread, the worker's requests are carried to it and
// waited for, and everything the job shows is recorded.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/ArchiveNames.h"
#include "pipeline/JobSink.h"
#include "pipeline/RequestQueue.h"
#include "pipeline/UpgradeJob.h"

namespace testsupport {

// As the programs do at start: archive names come back in the locale.
inline const bool kUtf8Locale = pipeline::UseUtf8Locale();

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned int type = 0;
};

class RecordingSink : public pipeline::JobSink {
public:
    RecordingSink() : m_uiThread(std::this_thread::get_id()) {}

    void SetRange(int lower, int upper) override {
        OnUi([&] {
            rangeLower = lower;
            rangeUpper = upper;
        });
    }
    void SetPos(int pos) override {
        OnUi([&] { positions.push_back(pos); });
    }
    void ShowMessage(const std::string& text, const std::string& caption,
                     unsigned int type) override {
        OnUi([&] { messages.push_back({text, caption, type}); });
    }
    void Prompt(const std::string& text) override {
        OnUi([&] { prompts.push_back(text); });
    }
    void RequestClose() override {
        OnUi([&] {
            ++closeRequests;
            closed = job != nullptr && job->OnClose();
        });
    }
    void PhaseChanged(pipeline::JobPhase phase) override {
        OnUi([&] { phases.push_back(phase); });
    }

    // Serves the worker's requests until the job's window may end.
    void ServeUntilClosed() {
        queue.Serve([this] { return closed; });
    }

    pipeline::UpgradeJob* job = nullptr;
    pipeline::RequestQueue queue;
    int rangeLower = -1;
    int rangeUpper = -1;
    std::vector<int> positions;
    std::vector<ShownMessage> messages;
    std::vector<std::string> prompts;
    std::vector<pipeline::JobPhase> phases;
    int closeRequests = 0;
    bool closed = false;

private:
    template <typename F>
    void OnUi(F&& request) {
        if (std::this_thread::get_id() == m_uiThread) {
            request();
        } else {
            queue.Call(request);
        }
    }

    std::thread::id m_uiThread;
};

inline pipeline::JobPauses NoPauses() {
    return {std::chrono::milliseconds(0), std::chrono::milliseconds(0)};
}

// One whole job up to the end of its window; the job is kept for inspection
// (everything the worker wrote precedes its handled close request) and joined
// when the run goes.
struct JobRun {
    RecordingSink sink;
    std::unique_ptr<pipeline::UpgradeJob> job;
    bool started = false;

    JobRun(const std::string& appDir, const std::string& package, const std::string& drive,
           pipeline::JobPauses pauses = NoPauses()) {
        job = std::make_unique<pipeline::UpgradeJob>(sink, appDir, pauses);
        sink.job = job.get();
        job->m_strFilePath = package;
        job->m_strDrive = drive;
        started = job->Initialise();
        if (started) sink.ServeUntilClosed();
    }

    bool Succeeded() const { return job->Succeeded(); }
};

}  // namespace testsupport
