#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/FrameRowText.h"
#include "core/frame/CanObj.h"

namespace korvex {

// What the text of a frame-list column (FormatCellText with a context)
// follows from, where that is a few of the frame's fields:
//  - kByte: one byte: for the format column whether the remote flag is set,
//    for the type column whether the extended flag is, for the length column
//    DataLen, for the remark column the event code. ByteTexts() holds the text
//    of each of its values.
//  - kIdentifier: empty for an event record, else "0x" and the identifier in
//    eight upper-case hexadecimal digits.
//  - kData: empty for a remote frame, else "%02X " of each of the first
//    DataLen & 15 data bytes, at most eight.
// What a kind assumes is checked against the text path on a fixed set of
// probe frames with every field varied; where it does not hold, kNone and the
// column is left to its texts.
class CCellFields {
  public:
    enum class Kind { kNone, kByte, kIdentifier, kData };

    CCellFields(int column, const ExportRowContext& context);

    Kind GetKind() const { return kind; }
    // The byte of a kByte column.
    std::uint8_t ByteOf(const _VCI_CAN_OBJ& frame) const {
        switch (byte) {
            case Byte::kRemote:
                return frame.RemoteFlag != 0;
            case Byte::kExtended:
                return frame.ExternFlag != 0;
            case Byte::kLength:
                return frame.DataLen;
            case Byte::kEvent:
                break;
        }
        return EventCode(frame);
    }
    // The text of each value of a kByte column's byte: 2 or 256 of them.
    const std::vector<std::string>& ByteTexts() const { return byteTexts; }
    // Appends the column's text of frame, made from its fields; not for kNone.
    void AppendText(const _VCI_CAN_OBJ& frame, std::string& out) const;

  private:
    enum class Byte { kRemote, kExtended, kLength, kEvent };

    bool PrepareByte(int column, const ExportRowContext& context);

    Kind kind = Kind::kNone;
    Byte byte = Byte::kEvent;
    std::vector<std::string> byteTexts;
};

}  // namespace korvex
