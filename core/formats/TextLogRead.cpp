#include "core/formats/TextLogRead.h"

#include <utility>

namespace korvex::formats {

CTextLogRead::CTextLogRead(std::FILE* file, const ReadOptions& options, CRecording& out,
                           const BadLineFn& badLine)
    : lines(file),
      options(options),
      out(out),
      badLine(badLine),
      spans(options.utc, options.bitRateIndex) {
    out.Clear();
}

bool CTextLogRead::Next(std::string_view& line) {
    while (!stopped) {
        if (!lines.Next(line)) return false;
        if (!lines.LineTooLong()) return true;
        Bad("line too long");
    }
    return false;
}

void CTextLogRead::Bad(std::string_view reason) {
    ++result.badLines;
    if (badLine) badLine(lines.LineNumber(), reason);
    if (options.strict) {
        stopped = true;
        result.status = ReadStatus::kStrictStop;
        result.line = lines.LineNumber();
    }
}

void CTextLogRead::Stop(std::string_view reason) {
    ++result.badLines;
    if (badLine) badLine(lines.LineNumber(), reason);
    stopped = true;
    result.status = ReadStatus::kStrictStop;
    result.line = lines.LineNumber();
}

bool CTextLogRead::Place(Ticks time, _VCI_CAN_OBJ& frame) {
    // ASC times add up (start, relative steps) beyond what a single one can hold.
    if (time > kLastTime) {
        Bad("time beyond the year 9999");
        return false;
    }
    if (!spans.Place(time, frame)) {
        stopped = true;
        result.status = ReadStatus::kTooManySpans;
        result.line = lines.LineNumber();
        return false;
    }
    return true;
}

void CTextLogRead::Add(Ticks time, _VCI_CAN_OBJ frame) {
    if (Place(time, frame)) out.frames.push_back(frame);
}

void CTextLogRead::AddOnChannel(Ticks time, _VCI_CAN_OBJ frame, std::uint16_t channel) {
    if (!Place(time, frame)) return;
    out.frames.push_back(frame);
    out.channels.AddNumbered(channel);
}

void CTextLogRead::AddOnInterface(Ticks time, _VCI_CAN_OBJ frame, std::string_view iface) {
    if (!Place(time, frame)) return;
    if (!out.channels.AddNamed(iface)) {
        Bad("more interfaces than a log may name");
        return;
    }
    out.frames.push_back(frame);
}

CTextLogRead::FdFrames& CTextLogRead::FdOf(std::string_view iface) {
    auto at = fdByInterface.find(iface);
    if (at == fdByInterface.end()) at = fdByInterface.emplace(iface, FdFrames{}).first;
    return at->second;
}

ReadResult CTextLogRead::Finish() {
    if (!fdByInterface.empty()) {
        // The interfaces are numbered as the channel choice numbers them: by
        // name, among those that carry frames.
        if (options.channel != 0) out.channels.Seal();
        for (const auto& [iface, fd] : fdByInterface) {
            if (options.channel != 0 && out.channels.NumberOfNamed(iface) != options.channel)
                continue;
            result.tally.shortFdFrames += fd.shortFrames;
            result.longFdFrames += fd.longFrames;
        }
    }
    out.origTimeList = std::move(spans.Clocks());
    result.frames = static_cast<long long>(out.frames.size());
    if (result.status == ReadStatus::kOk) {
        if (lines.ReadFailed()) {
            result.status = ReadStatus::kReadError;
            result.error = lines.ReadError();
        } else if (result.frames == 0) {
            result.status =
                result.badLines > 0 ? ReadStatus::kNoFrames : ReadStatus::kHoldsNoFrames;
        }
    }
    return result;
}

}  // namespace korvex::formats
