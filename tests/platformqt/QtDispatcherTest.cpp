#include "platform/qt/QtDispatcher.h"
#include "support/Patience.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

TEST(QtDispatcher, RunsPostedWorkOnTheGuiThreadInOrder) {
    QtDispatcher dispatcher;
    EXPECT_TRUE(dispatcher.isMainThread());
    std::vector<int> order;
    std::atomic<bool> workerSawMain{true};
    std::atomic<bool> allOnMain{true};
    std::thread worker([&] {
        workerSawMain = dispatcher.isMainThread();
        for (int i = 0; i < 100; ++i)
            dispatcher.post([&, i] {
                if (!dispatcher.isMainThread())
                    allOnMain = false;
                order.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()); // queued, not run in place
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 100; }, PatienceMs));
    EXPECT_FALSE(workerSawMain);
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(order[static_cast<std::size_t>(i)], i);
}

TEST(QtDispatcher, InvokeAndWaitReturnsAfterTheGuiThreadRanIt) {
    QtDispatcher dispatcher;
    MainThreadDispatcher::CancelToken token;
    int value = 0;
    std::atomic<int> result{-1};
    std::atomic<int> seenByWorker{-1};
    std::thread worker([&] {
        result = dispatcher.invokeAndWait([&] { value = 42; }, token) ? 1 : 0;
        seenByWorker = value; // the write happened before invokeAndWait returned
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return result.load() != -1; }, PatienceMs));
    worker.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(seenByWorker.load(), 42);

    // On the GUI thread itself it runs at once.
    value = 0;
    EXPECT_TRUE(dispatcher.invokeAndWait([&] { value = 7; }, token));
    EXPECT_EQ(value, 7);
}

TEST(QtDispatcher, CancelFreesAWorkerWhileTheGuiThreadIsBusy) {
    // Counts what is handed to the GUI thread.
    struct CountingDispatcher : QtDispatcher {
        void post(std::function<void()> fn) override {
            QtDispatcher::post(std::move(fn));
            ++posts;
        }
        std::atomic<int> posts{0};
    } dispatcher;
    MainThreadDispatcher::CancelToken token;
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    std::thread worker([&] { result = dispatcher.invokeAndWait([&] { ran = true; }, token) ? 1 : 0; });
    // The GUI thread does not run its event loop here, as when it stops a reader; the worker has handed
    // its work over and waits.
    while (dispatcher.posts == 0)
        std::this_thread::yield();
    EXPECT_EQ(result.load(), -1);
    token.cancel();
    worker.join();
    EXPECT_EQ(result.load(), 0);
    // The cancelled work is delivered before anything posted after it.
    std::atomic<bool> after{false};
    dispatcher.post([&] { after = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return after.load(); }, PatienceMs));
    EXPECT_FALSE(ran);

    // A cancelled token refuses on the GUI thread too, until reset.
    EXPECT_FALSE(dispatcher.invokeAndWait([&] { ran = true; }, token));
    token.reset();
    EXPECT_TRUE(dispatcher.invokeAndWait([&] { ran = true; }, token));
    EXPECT_TRUE(ran);
}

} // namespace
