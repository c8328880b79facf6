#pragma once

#include <string>
#include <vector>

#include "core/FrameStoreSink.h"
#include "core/frame/CanObj.h"

namespace korvex::test {

// A frame sink that records what producers hand it, in call order. The
// operations producers never use are the windowless sink's.
class RecordingSink : public CFrameStoreSink {
  public:
    struct Added {
        _VCI_CAN_OBJ frame;
        int received;
    };

    std::vector<std::string> calls;  // "SetCapacity(5)", "AddFrames", "Redraw"
    std::vector<Added> added;
    int capacity = -1;

    void SetCapacity(int count) override {
        capacity = count;
        added.clear();
        calls.push_back("SetCapacity(" + std::to_string(count) + ")");
    }
    void AddFrames(_VCI_CAN_OBJ* frames, int count, int received) override {
        for (int i = 0; i < count; ++i) {
            _VCI_CAN_OBJ f = frames[i];
            if (received == 0) f.SendType = kSendTypeTransmitted;
            added.push_back({f, received});
        }
        calls.push_back("AddFrames");
    }
    void Redraw() override { calls.push_back("Redraw"); }
    // Every frame, from a data file too, comes through AddFrames.
    CCycleBuffer<_VCI_CAN_OBJ>* HeldFrameStore() override { return nullptr; }
};

}  // namespace korvex::test
