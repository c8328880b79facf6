#include "app/signals/SampleJob.h"

#include <QMetaObject>

namespace korvex::signaldb {

CSampleJob::CSampleJob(QObject* parent) : QObject(parent) {
    qRegisterMetaType<std::shared_ptr<const korvex::signaldb::CSampleJob::Output>>();
}

CSampleJob::~CSampleJob() {
    Cancel();
    Join();
}

void CSampleJob::Start(SampleRequest request, CCycleBuffer<_VCI_CAN_OBJ>& store) {
    Cancel();
    Join();
    cancel = std::make_shared<std::atomic<bool>>(false);
    progress.store(0);
    total = store.GetCount();
    running = true;
    const unsigned mine = ++generation;
    worker = std::thread([this, mine, request = std::move(request), &store, stop = cancel] {
        SampleResult samples = ComputeSamples(request, store, progress, *stop);
        auto output = std::make_shared<Output>();
        output->cancelled = samples.cancelled;
        output->frameCount = samples.frameCount;
        output->axis = std::move(samples.axis);
        for (SampleSeries& s : samples.series)
            output->series.push_back(MakePlotSeries(std::move(s)));
        {
            const std::lock_guard<std::mutex> lock(resultLock);
            result = std::move(output);
            resultGeneration = mine;
        }
        // A job destroyed meanwhile has joined this thread first; Qt drops
        // the call to an object that is gone.
        QMetaObject::invokeMethod(this, &CSampleJob::Deliver, Qt::QueuedConnection);
    });
}

void CSampleJob::Deliver() {
    std::shared_ptr<const Output> output;
    {
        const std::lock_guard<std::mutex> lock(resultLock);
        // The result of a job that was replaced meanwhile is dropped.
        if (resultGeneration != generation || result == nullptr) return;
        output = std::move(result);
    }
    running = false;
    emit finished(output);
}

void CSampleJob::Cancel() {
    if (cancel) cancel->store(true);
}

void CSampleJob::Join() {
    if (worker.joinable()) worker.join();
    running = false;
}

}  // namespace korvex::signaldb
