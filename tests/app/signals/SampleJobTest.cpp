// The plot's sample job: its thread reads the frame store while frames are
// still arriving, is cancelled and replaced, and is destroyed while it runs.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "app/signals/SampleJob.h"
#include "core/signals/DbcReader.h"
#include "tests/support/QtTestApplication.h"
#include "tests/support/TsanQtOptions.h"

namespace {

using namespace korvex::signaldb;

std::shared_ptr<const CSignalDecoder> Decoder() {
    auto db = std::make_shared<DbcDatabase>();
    DbcError error;
    EXPECT_TRUE(ParseDbcText("BO_ 256 M: 8 E\n SG_ S : 0|16@1+ (1,0) [0|0] \"\" E\n", *db, error));
    return std::make_shared<CSignalDecoder>(CSignalDecoder::DatabaseList{db});
}

TEST(SampleJob, RunsBesideAProducerAndIsReplacedCancelledAndDestroyed) {
    CCycleBuffer<_VCI_CAN_OBJ> store;
    store.Reserve(400000);
    _VCI_CAN_OBJ f{};
    f.ID = 256;
    f.DataLen = 8;
    f.Reserved[1] = 0xFF;
    for (int i = 0; i < 200000; ++i) store.Push(f);
    std::thread producer([&] {
        for (int i = 0; i < 200000; ++i) store.Push(f);
    });
    const SampleRequest request{Decoder(), {{0, 0}}, {}};
    CSampleJob job;
    QSignalSpy finished(&job, &CSampleJob::finished);
    job.Start(request, store);
    job.Start(request, store);  // replaces the first: only its result arrives
    QTRY_COMPARE(finished.count(), 1);
    auto output = finished.at(0).at(0).value<std::shared_ptr<const CSampleJob::Output>>();
    EXPECT_FALSE(output->cancelled);
    EXPECT_GE(output->series[0]->series.x.size(), 200000u);
    EXPECT_EQ(output->series[0]->series.x.size(), static_cast<std::size_t>(output->frameCount));
    producer.join();

    job.Start(request, store);
    job.Cancel();
    QTRY_COMPARE(finished.count(), 2);
    EXPECT_TRUE(finished.at(1).at(0).value<std::shared_ptr<const CSampleJob::Output>>()->cancelled);

    auto running = std::make_unique<CSampleJob>();
    running->Start(request, store);
    running.reset();  // cancels and waits
    QTest::qWait(20);
    EXPECT_EQ(finished.count(), 2);
}

}  // namespace
