#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

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
    ~CSampleJob() override;

    // `store` must outlive the job (the frame list's store does).
    void Start(SampleRequest request, CCycleBuffer<_VCI_CAN_OBJ>& store);
    void Cancel();
    bool Running() const { return running; }
    // Frames read so far and the frames to read.
    long long Progress() const { return progress.load(std::memory_order_relaxed); }
    long long Total() const { return total; }

  signals:
    void finished(std::shared_ptr<const korvex::signaldb::CSampleJob::Output> output);

  private:
    void Join();
    // On the window's thread: hands over the result the worker left.
    void Deliver();

    std::thread worker;
    // The finished worker's result, for Deliver; the worker leaves it under
    // the lock and then only posts a call, so nothing of it crosses threads
    // through Qt's event queue.
    std::mutex resultLock;
    std::shared_ptr<const Output> result;
    unsigned resultGeneration = 0;
    std::atomic<long long> progress{0};
    std::shared_ptr<std::atomic<bool>> cancel;
    long long total = 0;
    bool running = false;
    unsigned generation = 0;
};

}  // namespace korvex::signaldb
