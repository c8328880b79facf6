#include "app/signals/SampleJob.h"

#include <QMetaObject>
#include <QPointer>

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
    QPointer<CSampleJob> self(this);
    worker = std::thread(
        [this, self, mine, request = std::move(request), &store, stop = cancel]() mutable {
            SampleResult result = ComputeSamples(request, store, progress, *stop);
            auto output = std::make_shared<Output>();
            output->cancelled = result.cancelled;
            output->frameCount = result.frameCount;
            output->axis = std::move(result.axis);
            for (SampleSeries& s : result.series)
                output->series.push_back(MakePlotSeries(std::move(s)));
            // The window's thread takes the result; a job that was replaced or
            // destroyed meanwhile drops it.
            QMetaObject::invokeMethod(
                this,
                [self, mine, output]() {
                    if (!self || self->generation != mine) return;
                    self->running = false;
                    emit self->finished(output);
                },
                Qt::QueuedConnection);
        });
}

void CSampleJob::Cancel() {
    if (cancel) cancel->store(true);
}

void CSampleJob::Join() {
    if (worker.joinable()) worker.join();
    running = false;
}

}  // namespace korvex::signaldb
