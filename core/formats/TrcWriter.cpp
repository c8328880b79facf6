#include <algorithm>
#include <string>
#include <vector>

#include "core/FrameLines.h"
#include "core/formats/LogStart.h"
#include "core/formats/OleDate.h"
#include "core/formats/TextDigits.h"
#include "core/formats/TrcFormat.h"

namespace korvex::formats {
namespace {

// The message lines the writer makes are shorter than this.
constexpr std::size_t kLineMax = 128;

constexpr char kBusesHead21[] =
    ";-------------------------------------------------------------------------------\r\n"
    ";   Bus  Connection  Protocol\r\n";
constexpr char kHeader21[] =
    ";-------------------------------------------------------------------------------\r\n"
    ";   Message   Time    Type    ID     Rx/Tx\r\n"
    ";   Number    Offset  |  Bus  [hex]  |  Reserved\r\n"
    ";   |         [ms]    |  |    |      |  |  Data Length Code\r\n"
    ";   |         |       |  |    |      |  |  |    Data [hex] ...\r\n"
    ";   |         |       |  |    |      |  |  |    |\r\n"
    ";---+-- ------+------ +- +- --+----- +- +- +--- +- -- -- -- -- -- -- --\r\n";

constexpr char kHeader11[] =
    ";\r\n"
    ";   Message Number\r\n"
    ";   |         Time Offset (ms)\r\n"
    ";   |         |        Type\r\n"
    ";   |         |        |        ID (hex)\r\n"
    ";   |         |        |        |     Data Length\r\n"
    ";   |         |        |        |     |   Data Bytes (hex) ...\r\n"
    ";   |         |        |        |     |   |\r\n"
    ";---+--   ----+----  --+--  ----+---  +  -+ -- -- -- -- -- -- --\r\n";

char* PutText(char* out, std::string_view text) {
    for (char c : text) *out++ = c;
    return out;
}

// `text` right-aligned in `width` characters.
char* PutRight(char* out, std::string_view text, std::size_t width) {
    for (std::size_t i = text.size(); i < width; ++i) *out++ = ' ';
    return PutText(out, text);
}

char* PutNumberRight(char* out, std::uint64_t v, std::size_t width) {
    char digits[24];
    const std::size_t n = static_cast<std::size_t>(PutDecimal(digits, v) - digits);
    return PutRight(out, std::string_view(digits, n), width);
}

// Milliseconds with `decimals` places (1 or 3) of a time offset in ticks.
char* PutOffset(char* out, Ticks ticks, int decimals, std::size_t width) {
    char digits[32];
    char* end = PutDecimal(digits, static_cast<std::uint64_t>(ticks / 10));
    *end++ = '.';
    *end++ = static_cast<char>('0' + ticks % 10);
    for (int i = 1; i < decimals; ++i) *end++ = '0';
    return PutRight(out, std::string_view(digits, static_cast<std::size_t>(end - digits)), width);
}

char* PutIdentifier(char* out, const _VCI_CAN_OBJ& f, std::size_t width) {
    char digits[8];
    if (f.ExternFlag) {
        PutHex(digits, f.ID & 0x1FFFFFFFu, 8);
        return PutRight(out, std::string_view(digits, 8), width);
    }
    PutHex(digits, f.ID & 0x7FFu, 4);
    return PutRight(out, std::string_view(digits, 4), width);
}

char* PutBytes(char* out, const std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) *out++ = ' ';
        out = PutHexByte(out, bytes[i]);
    }
    return out;
}

void StatusBytes(std::uint32_t status, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(status >> (24 - 8 * i));
}

// The word version 1.1 writes after a controller state.
std::string_view StatusWord(std::uint32_t status) {
    switch (status) {
        case 0x02:
            return "OVERRUN";
        case 0x04:
            return "BUSLIGHT";
        case 0x08:
            return "BUSHEAVY";
        default:
            return "BUSOFF";
    }
}

// An error frame of unknown kind ("other error", 8), seen while receiving;
// position and error counters unknown.
constexpr std::uint8_t kErrorBytes[5] = {0x08, 0x01, 0x00, 0x00, 0x00};

// "      1         0.100 DT 1      0100 Rx -  3    A0 B1 C2"
char* PutLine21(char* out, std::uint64_t number, Ticks offset, int bus, const _VCI_CAN_OBJ& f) {
    out = PutNumberRight(out, number, 7);
    *out++ = ' ';
    out = PutOffset(out, offset, 3, 13);
    *out++ = ' ';
    const std::uint8_t event = EventCode(f);
    const std::uint32_t status = TrcStatusOfEvent(event);
    out = PutText(out, event != 0 ? (status != 0 ? "ST" : "ER") : f.RemoteFlag ? "RR" : "DT");
    *out++ = ' ';
    out = PutNumberRight(out, static_cast<std::uint64_t>(bus), 1);
    out = PutText(out, "  ");
    if (event != 0) {
        out = PutRight(out, "-", 8);
        out = PutText(out, " Rx -  ");
        std::uint8_t bytes[5];
        int count = 5;
        if (status != 0) {
            StatusBytes(status, bytes);
            count = 4;
        } else {
            std::copy(kErrorBytes, kErrorBytes + 5, bytes);
        }
        *out++ = static_cast<char>('0' + count);
        out = PutText(out, "    ");
        out = PutBytes(out, bytes, count);
    } else {
        out = PutIdentifier(out, f, 8);
        out = PutText(out, f.SendType == kSendTypeTransmitted ? " Tx -  " : " Rx -  ");
        const int length = f.DataLen < 8 ? f.DataLen : 8;
        *out++ = static_cast<char>('0' + length);
        if (!f.RemoteFlag && length > 0) {
            out = PutText(out, "    ");
            out = PutBytes(out, f.Data, length);
        } else if (length == 0) {
            // PCAN-View ends a line of length 0 with a space, and other
            // readers expect it.
            *out++ = ' ';
        }
    }
    return PutText(out, "\r\n");
}

// "     1)         0.1  Rx         0100  3  A0 B1 C2"
char* PutLine11(char* out, std::uint64_t number, Ticks offset, const _VCI_CAN_OBJ& f) {
    out = PutNumberRight(out, number, 6);
    *out++ = ')';
    *out++ = ' ';
    out = PutOffset(out, offset, 1, 11);
    out = PutText(out, "  ");
    const std::uint8_t event = EventCode(f);
    if (event != 0) {
        const std::uint32_t status = TrcStatusOfEvent(event);
        std::uint8_t bytes[4] = {};
        if (status != 0) {
            StatusBytes(status, bytes);
            out = PutText(out, "Warng  FFFFFFFF  4  ");
            out = PutBytes(out, bytes, 4);
            out = PutText(out, "  ");
            out = PutText(out, StatusWord(status));
        } else {
            out = PutText(out, "Error      0008  4  ");
            out = PutBytes(out, kErrorBytes + 1, 4);
        }
        return PutText(out, "\r\n");
    }
    out = PutText(out, f.SendType == kSendTypeTransmitted ? "Tx   " : "Rx   ");
    out = PutText(out, "  ");
    out = PutIdentifier(out, f, 8);
    out = PutText(out, "  ");
    const int length = f.DataLen < 8 ? f.DataLen : 8;
    *out++ = static_cast<char>('0' + length);
    if (f.RemoteFlag) {
        out = PutText(out, "  RTR");
    } else if (length > 0) {
        out = PutText(out, "  ");
        out = PutBytes(out, f.Data, length);
    }
    return PutText(out, "\r\n");
}

// "dd.mm.yyyy hh:mm:ss.mmm.u"
std::string StartComment(Ticks start, bool utc) {
    const CivilTime c = CivilFromSeconds(start / kTicksPerSecond, utc);
    const Ticks fraction = start % kTicksPerSecond;
    char text[48];
    char* out = PutDecimal(text, static_cast<std::uint64_t>(c.day), 2);
    *out++ = '.';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.month), 2);
    *out++ = '.';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.year), 4);
    *out++ = ' ';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.hour), 2);
    *out++ = ':';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.minute), 2);
    *out++ = ':';
    out = PutDecimal(out, static_cast<std::uint64_t>(c.second), 2);
    *out++ = '.';
    out = PutDecimal(out, static_cast<std::uint64_t>(fraction / 10), 3);
    *out++ = '.';
    out = PutDecimal(out, static_cast<std::uint64_t>(fraction % 10));
    return std::string(text, out);
}

}  // namespace

bool WriteTrc(std::FILE* file, const WriteSource& source, const WriteOptions& options) {
    const bool withEvents = !options.noEvents;
    const bool v11 = options.trcVersion == kTrcVersion11;
    const CFrameClock clock(source.origTimeList, options.utc);
    const Ticks start = LogStartTime(source, clock, withEvents, options.split);
    std::string header = v11 ? ";$FILEVERSION=1.1\r\n" : ";$FILEVERSION=2.1\r\n";
    header += ";$STARTTIME=" + OleDateText(start, options.utc) + "\r\n";
    if (!v11) header += ";$COLUMNS=N,O,T,B,I,d,R,L,D\r\n";
    header += ";\r\n;   Start time: " + StartComment(start, options.utc) + "\r\n";
    header += ";   Generated by KorvexPro\r\n";
    if (!v11) {
        // One line for each bus the frames are on.
        header += kBusesHead21;
        std::vector<int> buses{1};
        if (HasChannels(source)) {
            buses.clear();
            for (const ChannelCount& c : source.channels->Counts()) buses.push_back(c.number);
        }
        for (const int bus : buses) {
            std::string number = std::to_string(bus);
            number.resize(std::max<std::size_t>(number.size() + 1, 5), ' ');
            header += ";   " + number + "Korvex      CAN\r\n";
        }
    }
    header += v11 ? kHeader11 : kHeader21;
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;
    // Messages are numbered from 1 across the file, so the logged records of
    // each block are counted first; a block's numbers start after those of the
    // blocks before it. Both passes cut the frames at the multiples of
    // blockItems, so block b starts at frame b·blockItems in each.
    const CCycleBuffer<_VCI_CAN_OBJ>::CView frames = source.frameStore.View();
    PassSplit counting = options.split;
    counting.progress = nullptr;
    const std::int64_t blockItems = std::max<std::int64_t>(options.split.blockItems, 1);
    std::vector<std::uint64_t> numberBefore(
        static_cast<std::size_t>((frames.Count() + blockItems - 1) / blockItems) + 1, 0);
    RunBlocks(frames.Count(), counting, [&](std::int64_t begin, std::int64_t end) {
        std::uint64_t logged = 0;
        frames.ForEachRun(begin, end, [&](std::int64_t, const _VCI_CAN_OBJ* run, int n) {
            for (int i = 0; i < n; ++i) logged += IsLoggedRecord(run[i], withEvents) ? 1 : 0;
        });
        numberBefore[static_cast<std::size_t>(begin / blockItems) + 1] = logged;
    });
    for (std::size_t b = 1; b < numberBefore.size(); ++b) numberBefore[b] += numberBefore[b - 1];
    return WriteFrameLinesWith<std::uint64_t>(
               file, frames, options.split,
               [&](std::int64_t index, const _VCI_CAN_OBJ& frame, std::string& out,
                   std::uint64_t& number) {
                   if (index % blockItems == 0)
                       number = numberBefore[static_cast<std::size_t>(index / blockItems)];
                   if (!IsLoggedRecord(frame, withEvents)) return;
                   const Ticks offset = std::max<Ticks>(clock.AbsoluteTime(frame) - start, 0);
                   AppendPut(out, kLineMax, [&](char* at) {
                       return v11 ? PutLine11(at, ++number, offset, frame)
                                  : PutLine21(at, ++number, offset, ChannelOf(source, index),
                                              frame);
                   });
               }) &&
           std::fflush(file) == 0;
}

}  // namespace korvex::formats
