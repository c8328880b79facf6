#include "app/signals/SampleJob.h"

namespace korvex::signaldb {

CSampleJob::CSampleJob(QObject* parent) : QObject(parent) {
    qRegisterMetaType<std::shared_ptr<const korvex::signaldb::CSampleJob::Output>>();
}

void CSampleJob::Start(SampleRequest request, CCycleBuffer<_VCI_CAN_OBJ>& store) {
    job.Start(
        store.GetCount(),
        [request = std::move(request), &store](const std::atomic<bool>& cancel,
                                               std::atomic<long long>& progress) {
            SampleResult samples = ComputeSamples(request, store, progress, cancel);
            auto output = std::make_shared<Output>();
            output->cancelled = samples.cancelled;
            output->frameCount = samples.frameCount;
            output->axis = std::move(samples.axis);
            for (SampleSeries& s : samples.series)
                output->series.push_back(MakePlotSeries(std::move(s)));
            return std::optional<std::shared_ptr<const Output>>(std::move(output));
        },
        [this](std::shared_ptr<const Output> output) { emit finished(std::move(output)); });
}

}  // namespace korvex::signaldb
