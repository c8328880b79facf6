#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include "core/formats/FormatOptions.h"
#include "core/formats/LineReader.h"
#include "core/formats/Recording.h"
#include "core/formats/SpanBuilder.h"

namespace korvex::formats {

// The part that the readers of the line-based logs share: lines in, bad lines
// reported (or, when strict, the end of the read), frames placed in their
// recording spans, and the verdict at the end.
class CTextLogRead {
  public:
    CTextLogRead(std::FILE* file, const ReadOptions& options, CRecording& out,
                 const BadLineFn& badLine);

    // The next line to look at; false at the end or once the read has stopped.
    bool Next(std::string_view& line);
    // The current line cannot be read.
    void Bad(std::string_view reason);
    // The current line shows that no line of the file can be read: it is
    // reported and the read ends there (as a strict read would).
    void Stop(std::string_view reason);
    // A frame of the current line at absolute time `time`, on a channel when
    // the log names one: every frame of a log or none has one.
    void Add(Ticks time, _VCI_CAN_OBJ frame);
    void AddOnChannel(Ticks time, _VCI_CAN_OBJ frame, std::uint16_t channel);
    void AddOnInterface(Ticks time, _VCI_CAN_OBJ frame, std::string_view iface);
    // The current line is a CAN FD frame of up to 8 bytes, read as a classic
    // one, or a transmit request, read as a transmitted frame; counted when
    // it is on the channel read (or channels are not told apart).
    void CountShortFd(std::uint16_t channel = 0) {
        if (Counted(channel)) ++result.tally.shortFdFrames;
    }
    void CountTxRequest(std::uint16_t channel = 0) {
        if (Counted(channel)) ++result.tally.txRequests;
    }
    // The current line is readable but holds no frame (an event of the logger).
    void SkipOther() { ++result.tally.otherObjects; }
    // The current line is a CAN FD frame longer than the frame record holds,
    // counted when it is on the channel read (or channels are not told apart).
    void SkipLongFd(std::uint16_t channel = 0) {
        if (Counted(channel)) ++result.longFdFrames;
    }
    // The same for a log whose channels are interfaces, numbered by name
    // only when the read is done.
    void CountShortFdOnInterface(std::string_view iface) { ++FdOf(iface).shortFrames; }
    void SkipLongFdOnInterface(std::string_view iface) { ++FdOf(iface).longFrames; }
    long long LineNumber() const { return lines.LineNumber(); }

    // Hands the clock list over and says how the read went: a file whose
    // every line was unreadable is refused, and so is one without frames.
    ReadResult Finish();

  private:
    struct FdFrames {
        long long shortFrames = 0;
        long long longFrames = 0;
    };
    bool Counted(std::uint16_t channel) const {
        return channel == 0 || options.channel == 0 || channel == options.channel;
    }
    FdFrames& FdOf(std::string_view iface);
    bool Place(Ticks time, _VCI_CAN_OBJ& frame);

    CLineReader lines;
    const ReadOptions& options;
    CRecording& out;
    const BadLineFn& badLine;
    CSpanBuilder spans;
    ReadResult result;
    bool stopped = false;
    // CAN FD frames by interface, counted in Finish.
    std::map<std::string, FdFrames, std::less<>> fdByInterface;
};

}  // namespace korvex::formats
