#include "app/analysis/rules/BusStatus.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/KorvexGlobal.h"

namespace korvex {
namespace {

constexpr std::array<int, 10> kFullLoadFrames = {7000, 5600, 3500, 1750, 875,
                                                 700,  350,  140,  70,   35};

constexpr std::uint32_t kTicksPerSecond = 10000;

std::uint32_t TimeOfDay(const OrigTimeEntry& entry) {
    return (entry.hour * 3600u + entry.minute * 60u + entry.second) * kTicksPerSecond;
}

std::string DateTimeText(const OrigTimeEntry& entry, std::uint32_t clockTime) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d/%02d %02u:%02u:%02u", entry.date[2], entry.date[3],
                  clockTime / 36000000u % 24u, clockTime % 36000000u / 600000u,
                  clockTime % 600000u / kTicksPerSecond);
    return text;
}

}  // namespace

std::uint32_t FrameClockTime(const _VCI_CAN_OBJ& frame, const std::vector<OrigTimeEntry>& list) {
    const std::uint8_t index = ClockIndex(frame);
    if (index == kNoClockIndex) return 0;
    if (index >= list.size()) return frame.TimeStamp;
    const OrigTimeEntry& entry = list[index];
    return TimeOfDay(entry) + (frame.TimeStamp - entry.timeStamp);
}

int FullLoadFrames(std::uint8_t bitRateIndex) {
    return bitRateIndex < kFullLoadFrames.size() ? kFullLoadFrames[bitRateIndex] : 0;
}

std::string ClockTimeText(std::uint32_t clockTime) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", clockTime / 36000000u % 24u,
                  clockTime % 36000000u / 600000u, clockTime % 600000u / kTicksPerSecond);
    return text;
}

std::string SubIntervalText(std::uint32_t clockTime) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", clockTime / 36000000u,
                  clockTime % 36000000u / 600000u, clockTime % 600000u / kTicksPerSecond);
    return text;
}

bool ParseClockTimeText(const std::string& text, std::int64_t& clockTime) {
    int hh = 0, mm = 0, ss = 0;
    if (std::sscanf(text.c_str(), "%02d:%02d:%02d", &hh, &mm, &ss) != 3) return false;
    if (hh < 0 || mm < 0 || ss < 0) return false;
    clockTime = (hh * 3600LL + mm * 60LL + ss) * kTicksPerSecond;
    return true;
}

void CBusSpans::Distribute(CCycleBuffer<_VCI_CAN_OBJ>& store,
                           const std::vector<OrigTimeEntry>& list) {
    entries = list;
    spans.assign(list.size(), {});
    const int count = store.GetCount();
    _VCI_CAN_OBJ frame{};
    for (int i = 0; i < count && store.Get(i, &frame); ++i) {
        const std::uint8_t index = ClockIndex(frame);
        if (index >= entries.size()) continue;
        spans[index].push_back({FrameClockTime(frame, entries), frame.TimeStamp});
    }
}

std::string CBusSpans::ListText(std::size_t k) const {
    const OrigTimeEntry& entry = entries[k];
    std::string text = DateTimeText(entry, TimeOfDay(entry));
    if (spans[k].empty()) return text + "(No Data)";
    text += "--";
    text += DateTimeText(entry, spans[k].back().clockTime);
    text += "(count:" + std::to_string(spans[k].size()) + ")";
    return text;
}

std::uint32_t CBusSpans::Minimum(std::size_t k) const {
    return spans[k].empty() ? 0 : TimeOfDay(entries[k]);
}

std::uint32_t CBusSpans::Maximum(std::size_t k) const {
    return spans[k].empty() ? 0 : spans[k].back().clockTime;
}

BusSubInterval SpanSubInterval(const CBusSpans& spans, std::size_t k) {
    if (spans.Frames(k).empty()) return {};
    return {SubIntervalText(spans.Minimum(k)), SubIntervalText(spans.Maximum(k))};
}

FineAdjustState ApplyFineAdjust(bool ticked, bool spanHasFrames) {
    FineAdjustState state;
    if (ticked && !spanHasFrames) {
        state.message = kMsgSpanWithoutData;
        return state;
    }
    state.ticked = ticked;
    state.editsEnabled = ticked;
    return state;
}

BusStatusOutcome ComputeBusStatus(const CBusSpans& spans, std::size_t k, const std::string& start,
                                  const std::string& end, CKorvexGlobal& global) {
    BusStatusOutcome outcome;
    global.busFlowSamples.Clear();
    global.busLoadSamples.Clear();
    if (k >= spans.Count() || spans.Frames(k).empty()) {
        outcome.message = kMsgSpanWithoutData;
        return outcome;
    }
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (!ParseClockTimeText(start, from) || !ParseClockTimeText(end, to) || to > spans.Maximum(k) ||
        from < spans.Minimum(k) || from >= to) {
        outcome.message = kMsgRangeBreaksRules;
        return outcome;
    }
    global.strAnalyStart = start;
    global.strAnalyEnd = end;

    const std::int64_t length = to + kTicksPerSecond - from;
    const std::int64_t step = std::max<std::int64_t>(length / kBusStatusSteps, 10);
    outcome.precision = static_cast<int>(step / 10);

    const std::vector<BusSpanFrame>& frames = spans.Frames(k);
    const OrigTimeEntry& entry = spans.Entry(k);
    std::size_t i = 0;
    while (i < frames.size() && frames[i].clockTime < from) ++i;
    std::int64_t total = 0;
    for (int s = 0; s < kBusStatusSteps; ++s) {
        const std::int64_t lo = from + s * step;
        const std::int64_t hi = lo + step;
        // An empty step is placed at its own start, so the curve keeps its spacing.
        _tagBusFlowRecord record{
            0, 0, 0, static_cast<std::int32_t>(k),
            entry.timeStamp + static_cast<std::uint32_t>(lo - spans.Minimum(k))};
        if (i < frames.size() && frames[i].clockTime <= hi)
            record.startTimeStamp = frames[i].timeStamp;
        while (i < frames.size() && frames[i].clockTime <= hi) {
            ++record.frameCount;
            ++i;
        }
        outcome.largest = std::max(outcome.largest, record.frameCount);
        total += record.frameCount;
        global.busFlowSamples.GrowIfFull();
        global.busFlowSamples.Push(record);
    }
    outcome.computed = true;
    if (outcome.largest == 0) {
        outcome.message = kMsgSpanWithoutData;
        outcome.flowYMax = 1;
    } else {
        outcome.flowYMax = (outcome.largest + 9) / 10 * 10;
    }
    outcome.averageFlow = static_cast<int>(total * 1000 / (length / 10));

    const int full = FullLoadFrames(entry.bitRateIndex);
    outcome.loadKnown = full != 0;
    if (!outcome.loadKnown) return outcome;
    _tagBusFlowRecord flow{};
    for (int s = 0; global.busFlowSamples.Get(s, &flow); ++s) {
        const auto percent =
            std::min<std::int64_t>(std::int64_t{flow.frameCount} * 100 / full, 100);
        const _tagBusLoadRecord load{static_cast<std::int32_t>(percent), flow.startTimeStamp};
        global.busLoadSamples.GrowIfFull();
        global.busLoadSamples.Push(load);
    }
    outcome.averageLoad = static_cast<int>(std::int64_t{outcome.averageFlow} * 100 / full);
    return outcome;
}

std::string LoadText(bool known, int percent) {
    return known ? std::to_string(percent) + "%" : "-";
}

}  // namespace korvex
