#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "app/signals/rules/TimeAxis.h"
#include "core/frame/CycleBuffer.h"
#include "core/frame/OrigTimeEntry.h"
#include "core/signals/SignalDecoder.h"

namespace korvex::signaldb {

// A signal of the decoder: its compiled message and its place in it.
struct SignalRef {
    int message = -1;
    int signal = -1;
    bool operator==(const SignalRef&) const = default;
};

// The samples of one signal: one per frame that carries it, in frame order,
// with its position on the time axis (non-decreasing).
struct SampleSeries {
    SignalRef ref;
    std::vector<double> x;
    std::vector<double> values;
    std::vector<std::int32_t> frames;  // index in the frame store
    std::vector<std::uint64_t> raws;   // kept only for signals with a value table
};

struct SampleRequest {
    std::shared_ptr<const CSignalDecoder> decoder;
    std::vector<SignalRef> signalList;
    std::vector<OrigTimeEntry> origTimeList;
};

struct SampleResult {
    bool cancelled = false;
    int frameCount = 0;  // frames of the store that were read
    CTimeAxis axis;
    std::vector<SampleSeries> series;  // in the request's order
};

// Reads every frame of `store` once, in runs, and collects the samples of the
// requested signals and the recording spans of the time axis. `progress`
// counts the frames read; a set `cancel` ends the pass early (the result is
// then marked cancelled and holds nothing). Runs on any thread: the store's
// reads are locked, the decoder is not changed.
SampleResult ComputeSamples(const SampleRequest& request, CCycleBuffer<_VCI_CAN_OBJ>& store,
                            std::atomic<long long>& progress, const std::atomic<bool>& cancel);

// The index of the last sample at or before `x`; -1 when there is none.
long long SampleAtOrBefore(const SampleSeries& series, double x);
// The index of the sample nearest to `x`; -1 for an empty series.
long long NearestSample(const SampleSeries& series, double x);

}  // namespace korvex::signaldb
