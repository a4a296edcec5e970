#include "platform/MainThreadDispatcher.h"
#include "support/Patience.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace {
// Waits, without running anything, until the worker's hand-over is queued.
bool waitQueued(const ManualDispatcher& dispatcher) {
    return waitUntil([&] { return dispatcher.pending() > 0; });
}
} // namespace

TEST(MainThreadDispatcher, AThrowingHandOverStillReleasesTheWorker) {
    ManualDispatcher dispatcher;
    MainThreadDispatcher::CancelToken token;
    std::atomic<int> result{-1};
    std::thread worker([&] {
        result = dispatcher.invokeAndWait([] { throw std::runtime_error("handler failed"); }, token) ? 1 : 0;
    });
    EXPECT_TRUE(waitQueued(dispatcher));
    EXPECT_THROW(dispatcher.pump(), std::runtime_error);
    worker.join();
    EXPECT_EQ(result, 1);
}

TEST(MainThreadDispatcher, ACancelledHandOverNeverRuns) {
    ManualDispatcher dispatcher;
    MainThreadDispatcher::CancelToken token;
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    std::thread worker([&] { result = dispatcher.invokeAndWait([&] { ran = true; }, token) ? 1 : 0; });
    EXPECT_TRUE(waitQueued(dispatcher));
    token.cancel();
    worker.join();
    EXPECT_EQ(result, 0);
    dispatcher.pump(); // the queued closure is now a no-op
    EXPECT_FALSE(ran);
}
