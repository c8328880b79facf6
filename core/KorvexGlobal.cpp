#include "core/KorvexGlobal.h"

namespace korvex {
namespace {

int ReceivedFlag(const _VCI_CAN_OBJ& frame) {
    return frame.SendType == kSendTypeTransmitted ? 0 : 1;
}

}  // namespace
}  // namespace korvex

std::size_t CKorvexGlobal::ChannelSlot() const {
    return iCurCANInd >= 0 && iCurCANInd < kChannelCount ? static_cast<std::size_t>(iCurCANInd) : 0;
}

void CKorvexGlobal::AddFileFrames(const _VCI_CAN_OBJ* frames, int count) {
    BeginFileFrames(count);
    AddFileFrameRun(frames, count);
    EndFileFrames();
}

void CKorvexGlobal::BeginFileFrames(int count) {
    std::vector<CDataShowBase*>& sinks = frameSinks[ChannelSlot()];
    if (!sinks.empty()) sinks.front()->SetCapacity(count);
}

void CKorvexGlobal::AddFileFrameRun(const _VCI_CAN_OBJ* frames, int count) {
    const std::size_t ch = ChannelSlot();
    // A local copy of the sink list and local counters: the sinks' calls could
    // otherwise make the compiler reload both for every frame.
    const std::vector<CDataShowBase*> sinks = frameSinks[ch];
    std::uint64_t tx = 0;
    for (int i = 0; i < count; ++i) {
        const _VCI_CAN_OBJ& frame = frames[i];
        const int received = korvex::ReceivedFlag(frame);
        tx += received == 0 ? 1 : 0;
        for (CDataShowBase* sink : sinks) {
            _VCI_CAN_OBJ copy = frame;
            sink->AddFrames(&copy, 1, received);
        }
    }
    const auto total = static_cast<std::uint64_t>(count > 0 ? count : 0);
    frameCountTotal[ch] += total;
    frameCountTx[ch] += tx;
    frameCountRx[ch] += total - tx;
}

void CKorvexGlobal::EndFileFrames() {
    for (CDataShowBase* sink : frameSinks[ChannelSlot()]) sink->Redraw();
}

int CKorvexGlobal::AddUploadFrames(const _VCI_CAN_OBJ* frames, int count) {
    std::vector<CDataShowBase*>& sinks = frameSinks[ChannelSlot()];
    iRecordLength = count > 0 ? count : 1;
    for (CDataShowBase* sink : sinks) sink->SetCapacity(iRecordLength);
    int shown = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t event = korvex::EventCode(frames[i]);
        if (event == korvex::kEventClockRecord || event == korvex::kEventSpanMarker) continue;
        ++shown;
        if (!sinks.empty()) {
            _VCI_CAN_OBJ copy = frames[i];
            sinks.front()->AddFrames(&copy, 1, 1);
        }
    }
    if (!sinks.empty()) sinks.front()->Redraw();
    return shown;
}

void CKorvexGlobal::RebuildOrigTimeList(const _VCI_CAN_OBJ* records, int count) {
    origTimeList.clear();
    for (int i = 0; i < count; ++i) {
        if (korvex::EventCode(records[i]) == korvex::kEventClockRecord) {
            origTimeList.push_back(korvex::MakeOrigTimeEntry(records[i]));
        }
    }
}
