// The worker job of the windows: a result overtaken by a new start or a stop
// never reaches the window, one that is due arrives on the window's thread.
#include "app/common/WorkerJob.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <thread>
#include <vector>

#include "tests/support/QtTestApplication.h"
#include "tests/support/TsanQtOptions.h"

namespace {

using korvex::CWorkerJob;

// Counts to `items` in steps the job can see, until cancelled.
CWorkerJob<int>::Work CountTo(int items, int answer) {
    return [items, answer](const std::atomic<bool>& cancel, std::atomic<long long>& progress) {
        for (int i = 1; i <= items; ++i) {
            if (cancel) return std::optional<int>();
            progress = i;
        }
        return std::optional<int>(answer);
    };
}

TEST(WorkerJob, OnlyTheLatestStartDeliversOnTheJobsThread) {
    CWorkerJob<int> job;
    std::vector<int> delivered;
    const auto deliver = [&](int answer) {
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
        delivered.push_back(answer);
    };
    job.Start(1000, CountTo(1000, 1), deliver);
    job.Start(200, CountTo(200, 2), deliver);  // the first is stopped, its result dropped
    EXPECT_TRUE(job.Running());
    EXPECT_EQ(job.Total(), 200);
    QTRY_VERIFY(!job.Running());
    EXPECT_EQ(delivered, std::vector<int>{2});
    EXPECT_EQ(job.PercentDone(), 100);

    // A result left before the stop, whose call is still queued, is dropped.
    job.Start(
        1, [](const std::atomic<bool>&, std::atomic<long long>&) { return std::optional<int>(3); },
        deliver);
    job.Stop();
    EXPECT_FALSE(job.Running());
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_EQ(delivered, std::vector<int>{2});
}

TEST(WorkerJob, ACancelledWorkDeliversWhatItStillGivesWithProgressWhileItRunsAndAGoneJobNothing) {
    std::vector<int> delivered;
    CWorkerJob<int> job;
    std::atomic<bool> started{false};
    job.Start(
        1,
        [&](const std::atomic<bool>& cancel, std::atomic<long long>&) {
            started = true;
            while (!cancel) std::this_thread::yield();
            return std::optional<int>(-1);  // says it was cancelled
        },
        [&](int answer) { delivered.push_back(answer); });
    while (!started) std::this_thread::yield();
    job.Cancel();
    QTRY_VERIFY(!job.Running());
    EXPECT_EQ(delivered, std::vector<int>{-1});

    // Work that gives up without a result ends the job and delivers nothing.
    job.Start(
        1, [](const std::atomic<bool>&, std::atomic<long long>&) { return std::optional<int>(); },
        [&](int answer) { delivered.push_back(answer); });
    QTRY_VERIFY(!job.Running());
    EXPECT_EQ(delivered, std::vector<int>{-1});

    // Progress is shown while the work runs, and no more once it is done.
    int shown = 0;
    job.OnProgress([&](int) { ++shown; });
    job.Start(
        1,
        [](const std::atomic<bool>& cancel, std::atomic<long long>&) {
            while (!cancel) std::this_thread::yield();
            return std::optional<int>(5);
        },
        [&](int answer) { delivered.push_back(answer); });
    QTRY_VERIFY(shown >= 2);
    job.Cancel();
    QTRY_VERIFY(!job.Running());
    const int shownWhileRunning = shown;
    QTest::qWait(250);
    EXPECT_EQ(shown, shownWhileRunning);

    {
        CWorkerJob<int> running;
        running.Start(1, CountTo(1, 4), [&](int answer) { delivered.push_back(answer); });
    }  // waits for its thread; the queued call dies with the job
    QTest::qWait(20);
    EXPECT_EQ(delivered, (std::vector<int>{-1, 5}));
}

}  // namespace
