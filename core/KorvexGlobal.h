#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/frame/BusSampleRecords.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "core/frame/OrigTimeEntry.h"
#include "share/ControlListBase.h"

// The program's single global state: frame bookkeeping, the clock reference
// list, the bus sample buffers and the settings. The program has one CAN
// channel; per-channel members are arrays indexed by iCurCANInd.
class CKorvexGlobal {
  public:
    static constexpr int kChannelCount = 1;
    static constexpr std::int32_t kDefaultRecordLength = 3000;

    CKorvexGlobal() = default;
    CKorvexGlobal(const CKorvexGlobal&) = delete;
    CKorvexGlobal& operator=(const CKorvexGlobal&) = delete;
    virtual ~CKorvexGlobal() = default;

    // Frames read from a data file: the first sink is sized for `count`
    // frames, every frame is counted and handed to every sink (received flag
    // 0 for transmitted frames), then every sink redraws.
    void AddFileFrames(const _VCI_CAN_OBJ* frames, int count);

    // The same hand-over in pieces, for readers that stream a file: Begin sizes
    // the first sink for the whole file, each run is counted and handed over,
    // End lets every sink redraw.
    void BeginFileFrames(int count);
    void AddFileFrameRun(const _VCI_CAN_OBJ* frames, int count);
    void EndFileFrames();

    // Frames of an upload: every sink is sized for `count` frames (at least 1,
    // kept as iRecordLength), frames other than clock and 0xFE event records go
    // to the first sink only as received frames, the first sink redraws. The
    // counters are left alone. Returns the number of frames handed over.
    int AddUploadFrames(const _VCI_CAN_OBJ* frames, int count);

    // Rebuilds origTimeList from the clock records (event code 0xFF) of `records`.
    void RebuildOrigTimeList(const _VCI_CAN_OBJ* records, int count);

    std::vector<CDataShowBase*>& CurrentSinks() { return frameSinks[ChannelSlot()]; }

    std::array<std::uint64_t, kChannelCount> frameCountTotal{};
    std::array<std::uint64_t, kChannelCount> frameCountRx{};
    std::array<std::uint64_t, kChannelCount> frameCountTx{};
    std::array<std::vector<CDataShowBase*>, kChannelCount> frameSinks;

    std::vector<OrigTimeEntry> origTimeList;

    CCycleBuffer<_tagBusFlowRecord> busFlowSamples;
    CCycleBuffer<_tagBusLoadRecord> busLoadSamples;
    CCycleBuffer<_tagBusStatusRecord> busStatusSamples;

    std::int32_t iCurCANInd = 0;
    std::int32_t iRecordLength = kDefaultRecordLength;
    std::uint8_t TimeShowType = 0;  // 0 clock time, otherwise relative time

  private:
    // The channel slot for iCurCANInd; a stored index outside the channel
    // range falls back to the first channel rather than reading past the arrays.
    std::size_t ChannelSlot() const;
};
