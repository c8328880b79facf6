#include "app/analysis/rules/SearchChecks.h"

namespace korvex {

void CSearchChecks::Initialise(int column) {
    ApplyColumnRule(column);
    ApplyExclusiveRule(kEqual, kNotEqual);
    ApplyExclusiveRule(kNotEqual, kEqual);
    for (SearchCondition c : {kContains, kGreater, kLess}) boxes[c].comboEnabled = boxes[c].ticked;
}

void CSearchChecks::ApplyColumnRule(int column) {
    const bool allowed = AllowsGreaterLess(column);
    for (SearchCondition c : {kGreater, kLess}) boxes[c] = {allowed, allowed, allowed};
}

void CSearchChecks::ApplySignalRule() {
    for (SearchCondition c : {kGreater, kLess}) boxes[c] = {false, true, false};
    if (boxes[kEqual].ticked)
        ApplyExclusiveRule(kEqual, kNotEqual);
    else if (boxes[kNotEqual].ticked)
        ApplyExclusiveRule(kNotEqual, kEqual);
}

void CSearchChecks::SetTicked(SearchCondition condition, bool ticked) {
    boxes[condition].ticked = ticked;
    if (condition == kEqual) {
        ApplyExclusiveRule(kEqual, kNotEqual);
    } else if (condition == kNotEqual) {
        ApplyExclusiveRule(kNotEqual, kEqual);
    } else {
        boxes[condition].comboEnabled = ticked;
    }
}

void CSearchChecks::ApplyExclusiveRule(SearchCondition own, SearchCondition other) {
    boxes[own].comboEnabled = boxes[own].ticked;
    if (boxes[own].ticked) {
        boxes[other].ticked = false;
        boxes[other].comboEnabled = false;
        for (SearchCondition c : {kGreater, kLess, kContains}) boxes[c] = {false, false, false};
    } else {
        for (SearchCondition c : {kGreater, kLess, kContains}) boxes[c].boxEnabled = true;
    }
}

const char* SearchTicksRefused(const SearchRequest& request) {
    if (!AllowsGreaterLess(request.column)) {
        if (request.ticked[kGreater]) return "--greater";
        if (request.ticked[kLess]) return "--less";
    }
    if (request.ticked[kEqual] && request.ticked[kNotEqual]) return "--not-equal";
    return nullptr;
}

}  // namespace korvex
