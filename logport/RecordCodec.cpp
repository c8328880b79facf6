#include "logport/RecordCodec.h"

#include <algorithm>
#include <cstring>

#include "logport/PacketCodec.h"

namespace logport {

_VCI_CAN_OBJ RecordToFrame(std::span<const std::uint8_t, kRecordSize> r) {
    _VCI_CAN_OBJ f{};
    f.TimeStamp = ReadU32(&r[4]);
    f.TimeFlag = f.TimeStamp != 0 ? 1 : 0;
    f.ExternFlag = (r[3] >> 7) & 1;
    f.RemoteFlag = (r[3] >> 6) & 1;
    f.DataLen = r[3] & 0x0F;
    if (r[1] == 0) {
        f.ID = ReadU32(&r[8]);
        f.SendType = r[2];
        std::memcpy(f.Data, &r[12], sizeof f.Data);
        f.Reserved[1] = r[21];
    } else {
        std::memcpy(f.Data, &r[8], sizeof f.Data);
        f.Reserved[0] = r[1];
        f.Reserved[2] = r[2];
    }
    return f;
}

void RecordsToFrames(const std::uint8_t* records, std::size_t count, _VCI_CAN_OBJ* frames) {
    for (std::size_t i = 0; i < count; ++i)
        frames[i] = RecordToFrame(
            std::span<const std::uint8_t, kRecordSize>(records + i * kRecordSize, kRecordSize));
}

Record FrameToRecord(const _VCI_CAN_OBJ& f) {
    // A CAN frame carries at most 8 data bytes; a larger length would put the
    // checksum outside the record.
    const std::uint8_t len = std::min<std::uint8_t>(f.DataLen & 0x0F, 8);
    Record r{};
    r[0] = kHostRecordMarker;
    r[2] = f.SendType;
    r[3] = static_cast<std::uint8_t>((f.ExternFlag & 1) << 7 | (f.RemoteFlag & 1) << 6 | len);
    WriteU32(&r[4], f.TimeStamp);
    WriteU32(&r[8], f.ID);
    std::memcpy(&r[12], f.Data, sizeof f.Data);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < 12u + len; ++i) sum ^= r[i];
    r[12 + len] = sum;
    return r;
}

}  // namespace logport
