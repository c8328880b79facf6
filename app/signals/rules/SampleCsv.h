#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/signals/rules/SignalSamples.h"

namespace korvex::signaldb {

// The time text of frame `index` as the frame list shows it.
using FrameTimeTextFn =
    std::function<void(long long index, const _VCI_CAN_OBJ& frame, std::string& text)>;
// Takes a block of the output; false when it cannot be written.
using CsvWriteFn = std::function<bool(const std::string& block)>;

// Writes the samples of `lanes` between axis positions `from` and `to` as
// the decoded-signal CSV of korvex-cli decode (header included), in frame
// order and, within a frame, in the lanes' order. The frames are read again
// from `store` by the samples' indices. False when a write fails.
bool WriteSampleCsv(const CSignalDecoder& decoder, const std::vector<const SampleSeries*>& lanes,
                    double from, double to, CCycleBuffer<_VCI_CAN_OBJ>& store,
                    const FrameTimeTextFn& timeText, const CsvWriteFn& write);

}  // namespace korvex::signaldb
