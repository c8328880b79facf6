#pragma once

#include <cstdio>
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
    // A frame of the current line at absolute time `time`.
    void Add(Ticks time, _VCI_CAN_OBJ frame);
    // The current line is a CAN FD frame longer than the frame record holds.
    void SkipLongFd() { ++result.longFdFrames; }
    // The current line is a CAN FD frame of up to 8 bytes, read as a classic one.
    void CountShortFd() { ++result.tally.shortFdFrames; }
    // The current line is a transmit request, read as a transmitted frame.
    void CountTxRequest() { ++result.tally.txRequests; }
    // The current line is readable but holds no frame (an event of the logger).
    void SkipOther() { ++result.tally.otherObjects; }
    long long LineNumber() const { return lines.LineNumber(); }

    // Hands the clock list over and says how the read went: a file whose
    // every line was unreadable is refused, and so is one without frames.
    ReadResult Finish();

  private:
    CLineReader lines;
    const ReadOptions& options;
    CRecording& out;
    const BadLineFn& badLine;
    CSpanBuilder spans;
    ReadResult result;
    bool stopped = false;
};

}  // namespace korvex::formats
