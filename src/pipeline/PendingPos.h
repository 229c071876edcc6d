// The bar's newest position on its way from the worker to the thread that
// shows it. The worker never waits for the bar, and it wakes the showing
// thread at most once an interval: a package of 20,000 entries costs a
// handful of redraws, not 20,000 thread switches. Positions that came
// within an interval are shown when the next one is queued, or by Flush at
// the end of a run of positions.
#pragma once

#include <atomic>
#include <chrono>

namespace pipeline {

class PendingPos {
public:
    using Clock = std::chrono::steady_clock;

    // A bar redrawn 50 times a second looks smooth.
    explicit PendingPos(Clock::duration interval = std::chrono::milliseconds(20))
        : m_interval(interval) {}

    // Worker: records `pos`; true when the caller must queue one showing.
    bool Offer(int pos) {
        m_pos.store(pos);
        const Clock::time_point now = Clock::now();
        if (m_everQueued && now - m_lastQueued < m_interval) {
            m_unqueued = true;
            return false;
        }
        return Queue(now);
    }

    // Worker, before the job moves on: true when the newest position has
    // not been queued and the caller must queue one showing for it.
    bool Flush() { return m_unqueued && Queue(Clock::now()); }

    // Showing thread, in the queued showing: the position to draw.
    int Take() {
        m_queued.store(false);
        return m_pos.load();
    }

private:
    // A showing already queued takes the newest position when it runs.
    bool Queue(Clock::time_point now) {
        m_unqueued = false;
        if (m_queued.exchange(true)) return false;
        m_everQueued = true;
        m_lastQueued = now;
        return true;
    }

    const Clock::duration m_interval;
    std::atomic<int> m_pos{0};
    std::atomic<bool> m_queued{false};
    // The worker's own: when it last queued a showing, and whether a newer
    // position has not been queued since.
    Clock::time_point m_lastQueued{};
    bool m_everQueued = false;
    bool m_unqueued = false;
};

}  // namespace pipeline
