#include <gtest/gtest.h>

#include <thread>
#include <vector>

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
