#pragma once

#include <QObject>
#include <memory>

#include "app/common/WorkerJob.h"
#include "app/signals/SignalPlot.h"

namespace korvex::signaldb {

// Computes samples on a thread of its own, so the window stays responsive
// over ten million frames. The window reads Progress() on a timer and may
// Cancel(); `finished` brings the result back on the window's thread. One
// job at a time: starting another cancels the running one.
class CSampleJob : public QObject {
    Q_OBJECT

  public:
    struct Output {
        bool cancelled = false;
        int frameCount = 0;
        CTimeAxis axis;
        std::vector<std::shared_ptr<const PlotSeries>> series;  // in the request's order
    };

    explicit CSampleJob(QObject* parent = nullptr);

    // `store` must outlive the job (the frame list's store does).
    void Start(SampleRequest request, CCycleBuffer<_VCI_CAN_OBJ>& store);
    void Cancel() { job.Cancel(); }
    bool Running() const { return job.Running(); }
    // Frames read so far and the frames to read.
    long long Progress() const { return job.Progress(); }
    long long Total() const { return job.Total(); }

  signals:
    void finished(std::shared_ptr<const korvex::signaldb::CSampleJob::Output> output);

  private:
    CWorkerJob<std::shared_ptr<const Output>> job;
};

}  // namespace korvex::signaldb
