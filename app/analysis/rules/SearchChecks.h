#pragma once

#include <array>

#include "app/analysis/rules/SearchConditions.h"

namespace korvex {

// The ticks of the five condition boxes and which boxes and combo boxes are
// enabled, with the rules that tie them to each other and to the column.
class CSearchChecks {
  public:
    struct Box {
        bool ticked = false;
        bool boxEnabled = true;
        bool comboEnabled = false;
    };

    // The pane's start: the column rule, the equal and the not-equal rule,
    // then contains, greater and less combo boxes enabled as their ticks.
    void Initialise(int column);

    // Greater and less ticked and enabled exactly for the identifier and
    // data-length columns.
    void ApplyColumnRule(int column);

    // A signal's value is searched instead of a column: greater and less may
    // be ticked but are not, and stay disabled beside a ticked equal or
    // not-equal.
    void ApplySignalRule();

    // The user ticks or unticks a box; the rule of that box follows.
    void SetTicked(SearchCondition condition, bool ticked);

    const Box& operator[](SearchCondition condition) const { return boxes[condition]; }

  private:
    // While `own` is ticked its combo box is enabled and `other`, greater,
    // less and contains are unticked, the last three disabled; unticked, those
    // three are enabled again.
    void ApplyExclusiveRule(SearchCondition own, SearchCondition other);

    std::array<Box, kConditionCount> boxes{};
};

// Checks ticks set all at once (korvex-cli's options) against the pane's
// rules: greater and less only on the identifier and data-length columns
// (ApplyColumnRule), and not-equal never with equal (ApplyExclusiveRule).
// The pane also unticks contains, greater and less beside equal or not-equal;
// those combinations are accepted here. Null when the ticks pass, else the
// option that breaks a rule: "--greater", "--less" or "--not-equal".
const char* SearchTicksRefused(const SearchRequest& request);

}  // namespace korvex
