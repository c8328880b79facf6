#include "core/formats/CandumpFormat.h"

#include <linux/can.h>

#include <algorithm>
#include <string>

#include "core/FrameLines.h"
#include "core/formats/ErrorFrameMap.h"
#include "core/formats/TextDigits.h"
#include "core/formats/TextLogRead.h"
#include "core/formats/TextTokens.h"

namespace korvex::formats {
namespace {

constexpr std::uint32_t kStandardMax = CAN_SFF_MASK;
constexpr std::uint32_t kExtendedMax = CAN_EFF_MASK;

// Data bytes as pairs of hex digits, optionally split by dots; at most
// `most` of them.
bool ParseData(std::string_view text, int most, std::uint8_t* data, int& count,
               std::string_view& reason) {
    count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '.') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) {
            reason = "odd number of data digits";
            return false;
        }
        const auto byte = ParseHex(text.substr(i, 2), 0xFF);
        if (!byte) {
            reason = "data is not hexadecimal";
            return false;
        }
        if (count == most) {
            reason = most == 8 ? "more than 8 data bytes" : "more than 64 data bytes";
            return false;
        }
        data[count++] = static_cast<std::uint8_t>(*byte);
        i += 2;
    }
    return true;
}

// A CAN FD frame's body after "##": one hex digit of flags (bit rate switch,
// error state), then up to 64 data bytes. One of up to 8 bytes is kept as a
// classic frame; a longer one is only counted.
bool ParseFdBody(std::string_view body, _VCI_CAN_OBJ& f, CandumpFd& fd, std::string_view& reason) {
    if (body.empty() || !ParseHex(body.substr(0, 1), 0xF)) {
        reason = "no flags digit after '##'";
        return false;
    }
    body.remove_prefix(1);
    std::uint8_t data[64];
    int count = 0;
    if (!ParseData(body, 64, data, count, reason)) return false;
    if (count > 8) {
        fd = CandumpFd::kLong;
        return true;
    }
    fd = CandumpFd::kShort;
    std::copy_n(data, count, f.Data);
    f.DataLen = static_cast<std::uint8_t>(count);
    return true;
}

bool ParseFrame(std::string_view text, _VCI_CAN_OBJ& f, CandumpFd& fd, std::string_view& reason) {
    const std::size_t hash = text.find('#');
    if (hash == std::string_view::npos) {
        reason = "no '#' in the frame";
        return false;
    }
    const std::string_view idText = text.substr(0, hash);
    std::string_view body = text.substr(hash + 1);
    std::optional<std::uint32_t> id;
    if (idText.size() == 3) {
        id = ParseHex(idText, kStandardMax);
        f.ExternFlag = 0;
    } else if (idText.size() == 8) {
        id = ParseHex(idText, kExtendedMax | CAN_ERR_FLAG);
        f.ExternFlag = 1;
    } else {
        reason = "identifier is not 3 or 8 hex digits";
        return false;
    }
    if (!id) {
        reason = "identifier out of range";
        return false;
    }
    if (!body.empty() && body[0] == '#') {
        if (*id & CAN_ERR_FLAG) {
            reason = "identifier out of range";
            return false;
        }
        f.ID = *id;
        return ParseFdBody(body.substr(1), f, fd, reason);
    }
    // The length code of an 8-byte frame may follow as "_N"; the record keeps 8.
    const std::size_t underscore = body.find('_');
    if (underscore != std::string_view::npos) {
        const auto code = ParseHex(body.substr(underscore + 1), 0xF);
        if (!code || body.substr(underscore + 1).size() != 1 || *code < 9) {
            reason = "bad length code";
            return false;
        }
        body = body.substr(0, underscore);
    }
    if (!body.empty() && (body[0] == 'R' || body[0] == 'r')) {
        f.RemoteFlag = 1;
        const std::string_view length = body.substr(1);
        std::optional<std::uint32_t> n = std::uint32_t{0};
        if (!length.empty()) n = length.size() == 1 ? ParseHex(length, 8) : std::nullopt;
        if (!n) {
            reason = "bad remote frame length";
            return false;
        }
        f.DataLen = static_cast<std::uint8_t>(*n);
    } else {
        int count = 0;
        if (!ParseData(body, 8, f.Data, count, reason)) return false;
        f.DataLen = static_cast<std::uint8_t>(count);
    }
    if (f.ExternFlag && (*id & CAN_ERR_FLAG)) {
        // An error frame is an event record: no identifier, no data.
        ErrorFrame e;
        e.errorClass = *id & CAN_ERR_MASK;
        for (int i = 0; i < 8; ++i) e.data[i] = f.Data[i];
        f = _VCI_CAN_OBJ{};
        f.Reserved[0] = EventOfErrorFrame(e);
        f.Reserved[2] = e.data[5];
        return true;
    }
    f.ID = *id;
    return true;
}

}  // namespace

char* PutCandumpLine(char* out, Ticks time, const _VCI_CAN_OBJ& f, std::string_view iface) {
    *out++ = '(';
    out = PutSeconds(out, time);
    *out++ = ')';
    *out++ = ' ';
    for (char c : iface) *out++ = c;
    *out++ = ' ';
    if (EventCode(f) != 0) {
        const ErrorFrame e = ErrorFrameOfEvent(EventCode(f), EventSubCode(f));
        out = PutHex(out, CAN_ERR_FLAG | e.errorClass, 8);
        *out++ = '#';
        for (std::uint8_t b : e.data) out = PutHexByte(out, b);
    } else {
        // A record that claims more than 8 bytes or an identifier wider than
        // its format carries is written as the bus would have carried it.
        if (f.ExternFlag) {
            out = PutHex(out, f.ID & kExtendedMax, 8);
        } else {
            out = PutHex(out, f.ID & kStandardMax, 3);
        }
        *out++ = '#';
        const int length = f.DataLen < 8 ? f.DataLen : 8;
        if (f.RemoteFlag) {
            *out++ = 'R';
            if (length != 0) *out++ = static_cast<char>('0' + length);
        } else {
            for (int i = 0; i < length; ++i) out = PutHexByte(out, f.Data[i]);
        }
    }
    *out++ = '\n';
    return out;
}

bool ParseCandumpLine(std::string_view line, CandumpLine& out, std::string_view& reason) {
    out = CandumpLine{};
    std::string_view rest = line;
    const std::string_view stamp = NextToken(rest);
    if (stamp.size() < 3 || stamp.front() != '(' || stamp.back() != ')') {
        reason = "no time stamp in parentheses";
        return false;
    }
    const auto time = ParseSeconds(stamp.substr(1, stamp.size() - 2));
    if (!time) {
        reason = "bad time stamp";
        return false;
    }
    out.time = *time;
    const std::string_view iface = NextToken(rest);
    const std::string_view frame = NextToken(rest);
    if (iface.empty() || frame.empty()) {
        reason = "interface or frame missing";
        return false;
    }
    out.iface = iface;
    if (!ParseFrame(frame, out.frame, out.fd, reason)) return false;
    // Some writers add the direction, "T" for a transmitted frame or "R".
    const std::string_view direction = NextToken(rest);
    if (direction == "T") {
        out.frame.SendType = kSendTypeTransmitted;
    } else if (!direction.empty() && direction != "R") {
        reason = "unexpected text after the frame";
        return false;
    }
    if (!NextToken(rest).empty()) {
        reason = "unexpected text after the frame";
        return false;
    }
    return true;
}

ReadResult ReadCandump(std::FILE* file, const ReadOptions& options, CRecording& out,
                       const BadLineFn& badLine) {
    CTextLogRead read(file, options, out, badLine);
    std::string_view line;
    CandumpLine parsed;
    std::string_view reason;
    while (read.Next(line)) {
        std::size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size()) continue;
        if (!ParseCandumpLine(line, parsed, reason)) {
            read.Bad(reason);
        } else if (parsed.fd == CandumpFd::kLong) {
            read.SkipLongFdOnInterface(parsed.iface);
        } else {
            if (parsed.fd == CandumpFd::kShort) read.CountShortFdOnInterface(parsed.iface);
            read.AddOnInterface(parsed.time, parsed.frame, parsed.iface);
        }
    }
    return read.Finish();
}

bool WriteCandump(std::FILE* file, const WriteSource& source, const WriteOptions& options) {
    const CFrameClock clock(source.origTimeList, options.utc);
    const std::vector<std::string> names = HasChannels(source)
                                               ? source.channels->InterfaceNames(options.iface)
                                               : std::vector<std::string>{options.iface};
    std::size_t longestName = 0;
    for (const std::string& name : names) longestName = std::max(longestName, name.size());
    const std::size_t longest = kCandumpLineMax + longestName;
    return WriteFrameLines(file, source.frameStore.View(), options.split,
                           [&](std::int64_t index, const _VCI_CAN_OBJ& frame, std::string& out) {
                               if (!IsLoggedRecord(frame, !options.noEvents)) return;
                               const std::string& name =
                                   names[HasChannels(source) ? source.channels->EntryOf(index) : 0];
                               AppendPut(out, longest, [&](char* at) {
                                   return PutCandumpLine(at, clock.AbsoluteTime(frame), frame,
                                                         name);
                               });
                           }) &&
           std::fflush(file) == 0;
}

}  // namespace korvex::formats
