#include "cli/ConsoleSink.h"

#include <algorithm>
#include <string>
#include <utility>

namespace cli {

namespace {

constexpr int kBarWidth = 30;

const char* PhaseLabel(pipeline::JobPhase phase) {
    switch (phase) {
        case pipeline::JobPhase::Extracting:
            return "extracting";
        case pipeline::JobPhase::Waiting:
            return "waiting";
        case pipeline::JobPhase::Copying:
            return "copying to the drive";
        case pipeline::JobPhase::Flushing:
            return "flushing the drive (do not remove it)";
        case pipeline::JobPhase::Deleting:
            return "cleaning up";
        case pipeline::JobPhase::Finished:
            return "done";
    }
    return "";
}

}  // namespace

ConsoleSink::ConsoleSink(std::FILE* out, bool drawBar)
    : m_out(out), m_drawBar(drawBar), m_mainThread(std::this_thread::get_id()) {}

void ConsoleSink::OnMainThread(const std::function<void()>& request) {
    if (std::this_thread::get_id() == m_mainThread) {
        request();
    } else {
        m_queue.Call(request);
    }
}

void ConsoleSink::OnMainThreadLater(std::function<void()> request) {
    if (std::this_thread::get_id() == m_mainThread) {
        request();
    } else {
        m_queue.Post(std::move(request));
    }
}

void ConsoleSink::SetRange(int lower, int upper) {
    OnMainThread([&] {
        m_lower = lower;
        m_upper = upper;
        Draw();
    });
}

// The worker does not wait for the bar: it goes on with the next entry while
// the main thread draws the newest position.
void ConsoleSink::SetPos(int pos) {
    if (m_pendingPos.Offer(pos)) QueueShowing();
}

void ConsoleSink::QueueShowing() {
    OnMainThreadLater([this] {
        m_pos = std::clamp(m_pendingPos.Take(), m_lower, std::max(m_lower, m_upper));
        Draw();
    });
}

void ConsoleSink::ShowMessage(const std::string& text, const std::string& caption,
                              unsigned int type) {
    (void)type;
    OnMainThread([&] { Line(caption.empty() ? text : caption + ": " + text); });
}

void ConsoleSink::Prompt(const std::string& text) {
    OnMainThread([&] { Line(text); });
}

void ConsoleSink::RequestClose() {
    OnMainThread([&] { m_closed = m_job != nullptr && m_job->OnClose(); });
}

// Each stage is drawn with the newest position of the last one.
void ConsoleSink::PhaseChanged(pipeline::JobPhase phase) {
    if (m_pendingPos.Flush()) QueueShowing();
    OnMainThread([&] {
        m_phase = phase;
        Draw();
    });
}

void ConsoleSink::ServeUntilClosed() {
    m_queue.Serve([this] { return m_closed; });
}

void ConsoleSink::FinishBar() {
    if (!m_barShown) return;
    std::fputc('\n', m_out);
    std::fflush(m_out);
    m_barShown = false;
}

// A message interrupts the bar: the bar's line is cleared, the message
// printed, and the bar drawn again below it.
void ConsoleSink::Line(const std::string& text) {
    if (m_barShown) std::fputs("\r\033[K", m_out);
    std::fprintf(m_out, "%s\n", text.c_str());
    m_barShown = false;
    Draw();
}

void ConsoleSink::Draw() {
    if (!m_drawBar || m_upper <= m_lower) return;
    const long long span = static_cast<long long>(m_upper) - m_lower;
    const long long done = static_cast<long long>(m_pos) - m_lower;
    const int filled = static_cast<int>(done * kBarWidth / span);
    const int percent = static_cast<int>(done * 100 / span);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '-');
    std::fprintf(m_out, "\r\033[K[%s] %3d%% %s", bar.c_str(), percent, PhaseLabel(m_phase));
    std::fflush(m_out);
    m_barShown = true;
}

}  // namespace cli
