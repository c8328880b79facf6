#pragma once

#include <cstdint>
#include <vector>

#include "core/formats/FormatOptions.h"
#include "core/formats/FrameClock.h"
#include "core/frame/CanObj.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex::formats {

// Gives frames read with absolute times their clock index and time stamp,
// opening a clock entry for each recording span: at the first frame, when a
// frame's stamp would wrap, and when a gap of more than an hour separates two
// frames. A span's entry names the whole second at or before its first frame,
// with time stamp 0, so a frame's stamp is its distance from that second.
class CSpanBuilder {
  public:
    // Clock indices are signed bytes where they are read, so 128 spans at most.
    static constexpr std::size_t kMaxSpans = 128;

    CSpanBuilder(bool utc, std::uint8_t bitRateIndex) : utc(utc), bitRateIndex(bitRateIndex) {}

    // Sets TimeStamp, TimeFlag and the clock index of `frame`. Times before
    // kStampRange become frames without a clock record. False when a new span
    // would be the 129th.
    bool Place(Ticks time, _VCI_CAN_OBJ& frame);
    // Times that count from the start of a recording whose date is unknown:
    // every frame gets a clock entry, the times shown as UTC from 1970.
    void ClockFromZero() {
        utc = true;
        fromZero = true;
    }

    std::vector<OrigTimeEntry>& Clocks() { return clocks; }

  private:
    bool utc;
    bool fromZero = false;
    std::uint8_t bitRateIndex;
    std::vector<OrigTimeEntry> clocks;
    Ticks spanBase = 0;
    Ticks lastTime = 0;
};

}  // namespace korvex::formats
