#include <array>

#include "core/formats/BlfLayout.h"
#include "core/formats/ErrorFrameMap.h"
#include "core/formats/OleDate.h"
#include "core/formats/TextDigits.h"
#include "core/formats/TextLogRead.h"
#include "core/formats/TextTokens.h"
#include "core/formats/TrcFormat.h"

namespace korvex::formats {
namespace {

// A message line holds at most ten columns and 64 data bytes.
constexpr std::size_t kMaxTokens = 80;

// How the message lines of a version are laid out.
enum class Layout {
    k10,  // N) offset ID DLC data
    k11,  // N) offset type ID DLC data
    k13,  // N) offset bus type ID [-] DLC data (1.2, and 1.3 with its reserved column)
    k2x,  // the columns of $COLUMNS
};

struct Header {
    Layout layout = Layout::k10;
    std::optional<Ticks> start;         // $STARTTIME
    std::optional<Ticks> commentStart;  // 1.0: the "Start time:" comment
    std::array<int, 128> column{};      // 2.x: the token of each column letter, -1 for none
    bool columnsSeen = false;

    Header() { column.fill(-1); }
    Ticks Start() const { return start.value_or(commentStart.value_or(0)); }
    int At(char letter) const { return column[static_cast<unsigned char>(letter)]; }
};

bool SetColumns(Header& h, std::string_view letters) {
    h.column.fill(-1);
    int index = 0;
    for (std::size_t i = 0; i < letters.size(); i += 2, ++index) {
        const char c = letters[i];
        if ((i + 1 < letters.size() && letters[i + 1] != ',') || c <= ' ' ||
            static_cast<unsigned char>(c) >= 128 || h.column[static_cast<unsigned char>(c)] >= 0)
            return false;
        h.column[static_cast<unsigned char>(c)] = index;
    }
    // The data come last; the time, type, identifier and direction are needed.
    const int data = h.At('D');
    return h.At('O') >= 0 && h.At('T') >= 0 && h.At('I') >= 0 && h.At('d') >= 0 &&
           (h.At('L') >= 0 || h.At('l') >= 0) && (data < 0 || data == index - 1);
}

// "dd.mm.yyyy hh:mm:ss.mmm" and an optional ".u" (tenths of milliseconds).
std::optional<Ticks> ParseStartComment(std::string_view text, bool utc) {
    std::string_view rest = text;
    const std::string_view date = NextToken(rest);
    const std::string_view time = NextToken(rest);
    if (date.size() != 10 || date[2] != '.' || date[5] != '.' || time.size() < 8 ||
        time[2] != ':' || time[5] != ':')
        return std::nullopt;
    CivilTime c;
    const auto day = ParseDecimal(date.substr(0, 2), 31);
    const auto month = ParseDecimal(date.substr(3, 2), 12);
    const auto year = ParseDecimal(date.substr(6, 4), 9999);
    const auto hour = ParseDecimal(time.substr(0, 2), 23);
    const auto minute = ParseDecimal(time.substr(3, 2), 59);
    const auto second = ParseDecimal(time.substr(6, 2), 59);
    if (!day || !month || !year || !hour || !minute || !second) return std::nullopt;
    c = CivilTime{static_cast<int>(*year), static_cast<int>(*month),  static_cast<int>(*day),
                  static_cast<int>(*hour), static_cast<int>(*minute), static_cast<int>(*second)};
    Ticks fraction = 0;
    std::string_view digits = time.substr(8);
    if (!digits.empty()) {
        if (digits[0] != '.') return std::nullopt;
        digits.remove_prefix(1);
        const std::size_t dot = digits.find('.');
        const auto ms = ParseDecimal(digits.substr(0, dot), 999);
        if (!ms || digits.substr(0, dot).size() != 3) return std::nullopt;
        fraction = *ms * 10;
        if (dot != std::string_view::npos && dot + 1 < digits.size() && digits[dot + 1] >= '0' &&
            digits[dot + 1] <= '9')
            fraction += digits[dot + 1] - '0';
    }
    const auto seconds = SecondsFromCivil(c, utc);
    if (!seconds) return std::nullopt;
    return *seconds * kTicksPerSecond + fraction;
}

// A comment line; $-lines set the header. False with a reason for a $-line
// that cannot be read.
bool ReadComment(std::string_view line, const ReadOptions& options, Header& h,
                 std::string_view& reason) {
    const auto value = [&line](std::string_view key) -> std::optional<std::string_view> {
        if (line.substr(0, key.size()) != key) return std::nullopt;
        std::string_view v = line.substr(key.size());
        while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
        return v;
    };
    if (const auto version = value(";$FILEVERSION=")) {
        if (*version == "1.0") {
            h.layout = Layout::k10;
        } else if (*version == "1.1") {
            h.layout = Layout::k11;
        } else if (version->substr(0, 2) == "1.") {
            h.layout = Layout::k13;
        } else if (version->substr(0, 2) == "2.") {
            h.layout = Layout::k2x;
            // Versions 2.0 and 2.1 have default columns; $COLUMNS names them.
            if (!h.columnsSeen)
                SetColumns(h, *version == "2.0" ? "N,O,T,I,d,l,D" : "N,O,T,B,I,d,R,L,D");
        } else {
            reason = "unknown file version";
            return false;
        }
        return true;
    }
    if (const auto start = value(";$STARTTIME=")) {
        h.start = TicksFromOleDate(*start, options.utc);
        if (!h.start) {
            reason = "start time not understood; times count from 1970";
            return false;
        }
        return true;
    }
    if (const auto columns = value(";$COLUMNS=")) {
        // Only version 2 files have columns to name.
        h.layout = Layout::k2x;
        h.columnsSeen = true;
        if (!SetColumns(h, *columns)) {
            reason = "columns not understood";
            return false;
        }
        return true;
    }
    std::string_view rest = line.substr(1);
    const std::size_t at = rest.find("Start time:");
    if (at != std::string_view::npos && !h.commentStart)
        h.commentStart = ParseStartComment(rest.substr(at + 11), options.utc);
    return true;
}

// A time offset in milliseconds with any number of decimals, as ticks
// rounded to the nearest 0.1 ms.
std::optional<Ticks> ParseOffset(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    // Up to the year 9999 from 1970: 15 digits.
    if (whole.empty() || whole.size() > 16) return std::nullopt;
    Ticks ms = 0;
    for (char c : whole) {
        if (c < '0' || c > '9') return std::nullopt;
        ms = ms * 10 + (c - '0');
    }
    Ticks tenth = 0;
    if (dot != std::string_view::npos) {
        const std::optional<Ticks> rounded = RoundedFraction(text.substr(dot + 1), 1);
        if (!rounded) return std::nullopt;
        tenth = *rounded;
    }
    return ms * 10 + tenth;
}

bool ParseIdentifier(std::string_view text, _VCI_CAN_OBJ& f) {
    // PCAN writes 4 digits for a standard identifier and 8 for an extended one.
    f.ExternFlag = text.size() > 4 ? 1 : 0;
    const auto id = ParseHex(text, f.ExternFlag ? 0x1FFFFFFFu : 0x7FFu);
    if (!id || text.size() > 8) return false;
    f.ID = *id;
    return true;
}

// kShortFd: a CAN FD frame of up to 8 bytes, read as a frame; kOther: a line
// of the logger that holds no frame.
enum class Outcome { kFrame, kShortFd, kEvent, kOther, kLongFd, kBad };

struct Line {
    std::array<std::string_view, kMaxTokens> token;
    std::size_t count = 0;
    std::string_view Token(int i) const {
        return i >= 0 && static_cast<std::size_t>(i) < count ? token[static_cast<std::size_t>(i)]
                                                             : std::string_view();
    }
};

bool ReadBytes(const Line& line, std::size_t first, int count, std::uint8_t* out) {
    if (first + static_cast<std::size_t>(count) > line.count) return false;
    for (int i = 0; i < count; ++i) {
        const int byte = ParseHexByte(line.token[first + static_cast<std::size_t>(i)]);
        if (byte < 0) return false;
        out[i] = static_cast<std::uint8_t>(byte);
    }
    return true;
}

// The event of a controller state line whose last four tokens are the state
// word, most significant byte first.
Outcome StatusEvent(const Line& line, std::size_t first, _VCI_CAN_OBJ& f,
                    std::string_view& reason) {
    std::uint8_t bytes[4];
    if (line.count < first + 4 || !ReadBytes(line, first, 4, bytes)) {
        reason = "bad controller state";
        return Outcome::kBad;
    }
    const std::uint32_t status = static_cast<std::uint32_t>(bytes[0]) << 24 |
                                 static_cast<std::uint32_t>(bytes[1]) << 16 |
                                 static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    f = _VCI_CAN_OBJ{};
    f.Reserved[0] = EventOfTrcStatus(status);
    return f.Reserved[0] != 0 ? Outcome::kEvent : Outcome::kOther;
}

Outcome ErrorEvent(_VCI_CAN_OBJ& f) {
    f = _VCI_CAN_OBJ{};
    f.Reserved[0] = kBusErrorEvent;
    return Outcome::kEvent;
}

// Versions 1.x: the fixed columns up to the length, then "RTR" or the data.
Outcome ParseVersion1(const Header& h, const Line& line, Ticks& offset, int& bus, _VCI_CAN_OBJ& f,
                      std::string_view& reason) {
    const std::string_view number = line.Token(0);
    if (number.size() < 2 || number.back() != ')' ||
        !ParseDecimal(number.substr(0, number.size() - 1), 0xFFFFFFFF)) {
        reason = "not a message line";
        return Outcome::kBad;
    }
    const auto time = ParseOffset(line.Token(1));
    if (!time) {
        reason = "bad time offset";
        return Outcome::kBad;
    }
    offset = *time;
    std::size_t at = 2;
    if (h.layout == Layout::k13) {
        const auto b = ParseDecimal(line.Token(2), 0xFFFF);
        if (!b) {
            reason = "bad bus number";
            return Outcome::kBad;
        }
        bus = static_cast<int>(*b);
        ++at;
    }
    std::string_view type = "Rx";
    if (h.layout != Layout::k10) type = line.Token(static_cast<int>(at++));
    const std::string_view id = line.Token(static_cast<int>(at++));
    if (h.layout == Layout::k13 && line.Token(static_cast<int>(at)) == "-") ++at;
    const auto dlc = ParseDecimal(line.Token(static_cast<int>(at++)), 15);
    f = _VCI_CAN_OBJ{};
    if (type == "Warng" || (h.layout == Layout::k10 && id == "FFFFFFFF"))
        return StatusEvent(line, at, f, reason);
    if (type == "Error") return ErrorEvent(f);
    if (h.layout == Layout::k10 && line.Token(static_cast<int>(at)) == "ERROR")
        return ErrorEvent(f);
    if (type == "Tx") {
        f.SendType = kSendTypeTransmitted;
    } else if (type != "Rx") {
        reason = "message type is not Rx, Tx, Warng or Error";
        return Outcome::kBad;
    }
    if (!ParseIdentifier(id, f)) {
        reason = "bad identifier";
        return Outcome::kBad;
    }
    if (!dlc) {
        reason = "bad length";
        return Outcome::kBad;
    }
    f.DataLen = static_cast<std::uint8_t>(*dlc < 8 ? *dlc : 8);
    if (line.Token(static_cast<int>(at)) == "RTR") {
        f.RemoteFlag = 1;
        ++at;
    } else if (!ReadBytes(line, at, f.DataLen, f.Data)) {
        reason = line.count < at + f.DataLen ? "fewer data bytes than the length" : "bad data byte";
        return Outcome::kBad;
    } else {
        at += f.DataLen;
    }
    if (at != line.count) {
        reason = "unexpected text after the data";
        return Outcome::kBad;
    }
    return Outcome::kFrame;
}

// Versions 2.x: the columns that $COLUMNS names.
Outcome ParseVersion2(const Header& h, const Line& line, Ticks& offset, int& bus, _VCI_CAN_OBJ& f,
                      std::string_view& reason) {
    const std::string_view type = line.Token(h.At('T'));
    const auto time = ParseOffset(line.Token(h.At('O')));
    if (!time) {
        reason = "bad time offset";
        return Outcome::kBad;
    }
    offset = *time;
    // Error counter changes, user events (of one bus or, "-", of all) and
    // the like are not frames.
    if (type == "EC" || type == "EV" || type == "EW") return Outcome::kOther;
    if (h.At('B') >= 0) {
        const auto b = ParseDecimal(line.Token(h.At('B')), 0xFFFF);
        // A controller state of version 2.0 leaves the columns out.
        if (!b && type != "ST") {
            reason = "bad bus number";
            return Outcome::kBad;
        }
        bus = b ? static_cast<int>(*b) : 1;
    }
    f = _VCI_CAN_OBJ{};
    if (type == "ER") return ErrorEvent(f);
    // The state word is the last four bytes, however many columns stand before.
    if (type == "ST") return StatusEvent(line, line.count >= 4 ? line.count - 4 : 0, f, reason);
    const bool remote = type == "RR";
    const bool fd = type == "FD" || type == "FB" || type == "FE" || type == "BI";
    if (!remote && !fd && type != "DT") {
        reason = "unknown message type";
        return Outcome::kBad;
    }
    if (!ParseIdentifier(line.Token(h.At('I')), f)) {
        reason = "bad identifier";
        return Outcome::kBad;
    }
    const std::string_view direction = line.Token(h.At('d'));
    if (direction == "Tx") {
        f.SendType = kSendTypeTransmitted;
    } else if (direction != "Rx") {
        reason = "direction is not Rx or Tx";
        return Outcome::kBad;
    }
    int length;
    if (h.At('l') >= 0) {
        const auto l = ParseDecimal(line.Token(h.At('l')), 64);
        if (!l) {
            reason = "bad length";
            return Outcome::kBad;
        }
        length = static_cast<int>(*l);
    } else {
        const auto dlc = ParseDecimal(line.Token(h.At('L')), 15);
        if (!dlc) {
            reason = "bad length";
            return Outcome::kBad;
        }
        length = fd ? blf::FdLength(static_cast<std::uint8_t>(*dlc)) : std::min<int>(*dlc, 8);
    }
    if (length > 8) {
        if (fd) return Outcome::kLongFd;
        length = 8;
    }
    f.DataLen = static_cast<std::uint8_t>(length);
    const int data = h.At('D');
    if (remote) {
        f.RemoteFlag = 1;
        return Outcome::kFrame;
    }
    if (data < 0 || !ReadBytes(line, static_cast<std::size_t>(data), length, f.Data)) {
        reason = data >= 0 && line.count < static_cast<std::size_t>(data + length)
                     ? "fewer data bytes than the length"
                     : "bad data byte";
        return Outcome::kBad;
    }
    if (line.count != static_cast<std::size_t>(data + length)) {
        reason = "unexpected text after the data";
        return Outcome::kBad;
    }
    return fd ? Outcome::kShortFd : Outcome::kFrame;
}

}  // namespace

std::uint8_t EventOfTrcStatus(std::uint32_t status) {
    constexpr std::uint32_t kOverrun = 0x02 | 0x40;  // controller and receive queue
    constexpr std::uint32_t kBusLight = 0x04;
    constexpr std::uint32_t kBusHeavy = 0x08 | 0x40000;  // heavy, and passive of newer drivers
    constexpr std::uint32_t kBusOff = 0x10;
    if (status & kBusOff) return 230;
    if (status & kBusHeavy) return 227;
    if (status & kBusLight) return 226;
    if (status & kOverrun) return 225;
    return 0;
}

std::uint32_t TrcStatusOfEvent(std::uint8_t eventCode) {
    switch (eventCode) {
        case 225:
            return 0x02;
        case 226:
            return 0x04;
        case 227:
            return 0x08;
        case 230:
            return 0x10;
        default:
            return 0;
    }
}

ReadResult ReadTrc(std::FILE* file, const ReadOptions& options, CRecording& out,
                   const BadLineFn& badLine) {
    CTextLogRead read(file, options, out, badLine);
    Header header;
    Line parsed;
    std::string_view line;
    std::string_view reason;
    _VCI_CAN_OBJ frame;
    while (read.Next(line)) {
        std::size_t first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        line.remove_prefix(first);
        if (line.empty()) continue;
        if (line[0] == ';') {
            if (!ReadComment(line, options, header, reason)) read.Bad(reason);
            continue;
        }
        std::string_view rest = line;
        parsed.count = 0;
        bool tooMany = false;
        for (std::string_view t = NextToken(rest); !t.empty() && !tooMany; t = NextToken(rest)) {
            tooMany = parsed.count == kMaxTokens;
            if (!tooMany) parsed.token[parsed.count++] = t;
        }
        // A user event's text may have any number of words.
        if (tooMany && !(header.layout == Layout::k2x && parsed.Token(header.At('T')) == "EV")) {
            read.Bad("too many columns");
            continue;
        }
        Ticks offset = 0;
        int bus = 1;
        const Outcome outcome = header.layout == Layout::k2x
                                    ? ParseVersion2(header, parsed, offset, bus, frame, reason)
                                    : ParseVersion1(header, parsed, offset, bus, frame, reason);
        if (outcome == Outcome::kBad) {
            read.Bad(reason);
            continue;
        }
        if (outcome == Outcome::kOther) {
            read.SkipOther();
            continue;
        }
        if (outcome == Outcome::kLongFd) {
            read.SkipLongFd(static_cast<std::uint16_t>(bus));
            continue;
        }
        if (outcome == Outcome::kShortFd) read.CountShortFd(static_cast<std::uint16_t>(bus));
        read.AddOnChannel(header.Start() + offset, frame, static_cast<std::uint16_t>(bus));
    }
    return read.Finish();
}

}  // namespace korvex::formats
