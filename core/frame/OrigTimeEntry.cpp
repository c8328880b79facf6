#include "OrigTimeEntry.h"

#include <cstring>

namespace korvex {

OrigTimeEntry MakeOrigTimeEntry(const _VCI_CAN_OBJ& clockRecord) {
    OrigTimeEntry entry{};
    std::memcpy(entry.date, clockRecord.Data, sizeof entry.date);
    entry.hour = clockRecord.Data[4];
    entry.minute = clockRecord.Data[5];
    entry.second = clockRecord.Data[6];
    entry.timeStamp = clockRecord.TimeStamp;
    entry.bitRateIndex = clockRecord.Reserved[2];
    return entry;
}

}  // namespace korvex
