#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "pipeline/PendingPos.h"
#include "pipeline/RequestQueue.h"

// The command line's bar is posted: the worker must never wait for it, and the
// close request must come after every position.
TEST(RequestQueue, PostsDoNotWaitAndRunInOrderWithCalls) {
    pipeline::RequestQueue queue;
    std::vector<int> ran;
    bool closed = false;
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) queue.Post([&ran, i] { ran.push_back(i); });
    });
    poster.join();  // before anything is served
    std::thread closer([&] {
        queue.Call([&] {
            ran.push_back(9);
            closed = true;
        });
    });
    queue.Serve([&] { return closed; });
    closer.join();
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 9}));
}

// Positions within an interval wake nobody; the newest is still shown, by the
// next showing queued or by the flush at the end of a stage.
TEST(PendingPos, PositionsWithinAnIntervalShareOneShowingAndTheFlushShowsTheNewest) {
    pipeline::PendingPos pending(std::chrono::hours(1));
    EXPECT_TRUE(pending.Offer(1));
    EXPECT_FALSE(pending.Offer(2));  // queued already
    EXPECT_EQ(pending.Take(), 2);
    EXPECT_FALSE(pending.Offer(3));  // within the interval
    EXPECT_FALSE(pending.Offer(4));
    EXPECT_TRUE(pending.Flush());
    EXPECT_FALSE(pending.Flush());  // one showing is enough
    EXPECT_EQ(pending.Take(), 4);
    EXPECT_FALSE(pending.Flush());  // nothing newer

    pipeline::PendingPos unthrottled(std::chrono::nanoseconds(0));
    EXPECT_TRUE(unthrottled.Offer(1));
    EXPECT_EQ(unthrottled.Take(), 1);
    EXPECT_TRUE(unthrottled.Offer(2));
}
