#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/analysis/rules/SearchConditions.h"
#include "core/signals/SignalDecoder.h"

namespace korvex {

// The search's conditions on a signal's value instead of a cell's text. A
// condition's text that is a decimal number ("12.5", "-40", "1e3") compares
// with the physical value, one written "0x…" with the raw value in the
// signal's width (as the signal pane shows it). Contains looks for its text
// in the physical value's text and in the value table's text; equal also
// holds when the value table's text is the condition's text; not equal holds
// where equal does not. Upper and lower case count alike. Greater and less
// hold only for a number.
class CSignalValueMatcher {
  public:
    explicit CSignalValueMatcher(const SearchRequest& request);

    // `text` is the calling thread's buffer, reused from frame to frame.
    bool Matches(const signaldb::CompiledSignal& signal, const signaldb::DecodedSignal& decoded,
                 std::string& text) const;

  private:
    enum class Number { kNone, kPhysical, kRaw };
    struct Prepared {
        bool ticked = false;
        std::string lowerText;
        Number number = Number::kNone;
        double physical = 0;
        std::uint64_t raw = 0;
    };
    // -1, 0 or 1 as the value is below, at or above the condition's number;
    // 2 when it has none or they do not compare (not a number).
    static int Compare(const Prepared& p, const signaldb::CompiledSignal& signal,
                       const signaldb::DecodedSignal& decoded);
    bool EqualHolds(const Prepared& p, const signaldb::CompiledSignal& signal,
                    const signaldb::DecodedSignal& decoded, std::string& text) const;
    // The value table's text in lower case, in `text`; false when there is none.
    static bool LowerTableText(const signaldb::DecodedSignal& decoded, std::string& text);

    std::array<Prepared, kConditionCount> conditions;
};

}  // namespace korvex
