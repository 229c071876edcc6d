// The bar's newest position on its way from the worker to the thread that
// shows it. The worker never waits for the bar, and however many positions
// come while one showing is queued, that showing draws only the newest: a
// package of 20,000 entries costs a handful of redraws, not 20,000 wake-ups.
#pragma once

#include <atomic>

namespace pipeline {

class PendingPos {
public:
    // Worker: records `pos`; true when the caller must queue one showing.
    bool Offer(int pos) {
        m_pos.store(pos);
        return !m_queued.exchange(true);
    }

    // Showing thread, in the queued showing: the position to draw.
    int Take() {
        m_queued.store(false);
        return m_pos.load();
    }

private:
    std::atomic<int> m_pos{0};
    std::atomic<bool> m_queued{false};
};

}  // namespace pipeline
