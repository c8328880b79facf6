#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/FrameLines.h"
#include "core/transport/DtcEpisodes.h"
#include "core/transport/J1939Diagnostics.h"
#include "core/transport/TransportPass.h"

// The rules of the Diagnostics pane: what its two tabs list, their filters,
// cell texts, which frames a message has and where its episodes lie in time.
namespace korvex::diagnostics {

inline constexpr int kMessageColumns = 11;  // as the transport CSV
inline constexpr int kFaultColumns = 10;    // as the dtc CSV

enum class ProtocolFilter { kAll, kIsoTp, kJ1939 };

struct MessageFilter {
    ProtocolFilter protocol = ProtocolFilter::kAll;
    std::string address;  // in the source's or the target's text, any case
    std::string text;     // in the meaning or the data, any case
};

// Whether `next` lets through only messages that `last` lets through: the
// same protocol, and each text of `last` within the same text of `next`, in
// any case. Typing on in a filter's field narrows it, so only the messages
// the last filter showed need to be looked at again.
bool FilterNarrows(const MessageFilter& next, const MessageFilter& last);

// The transport messages and fault code episodes of one reading.
class CDiagnosticsRows {
  public:
    CDiagnosticsRows() = default;
    explicit CDiagnosticsRows(transport::TransportReading reading);

    const std::vector<transport::TransportMessage>& Messages() const { return reading.messages; }
    const std::vector<transport::DtcEpisode>& Episodes() const { return episodes; }

    // Indices of the messages the filter lets through, in their order; with
    // `among`, of those among the messages it names (in order). The text is
    // looked for in the meaning as the Meaning column shows it, with the SPN
    // names of `spnName`.
    std::vector<std::size_t> Filter(const MessageFilter& filter,
                                    const std::vector<std::size_t>* among = nullptr,
                                    const transport::SpnNameFn& spnName = {}) const;

    // The cell texts, the same as the CSV fields (unquoted) but for a status
    // and active_at_end's yes or no, which are in the program's language;
    // `time` makes the time text of a frame index.
    using TimeTextFn = std::function<std::string(std::int64_t index)>;
    std::string MessageCell(std::size_t message, int column, const TimeTextFn& time,
                            const transport::SpnNameFn& spnName) const;
    std::string FaultCell(std::size_t episode, int column, const TimeTextFn& time) const;

    // The frames of a message among [first, last]: those of its sender and,
    // for flow control, its partner. `frames` is the reading's frame list.
    std::vector<std::int64_t> FramesOf(std::size_t message, const FrameView& frames) const;
    // The message one of whose frames is frame `index`; -1 for none.
    std::int64_t MessageOfFrame(std::int64_t index, const FrameView& frames) const;

    // The sources that reported fault codes, in increasing order: the lanes
    // of the timeline.
    std::vector<std::uint8_t> Sources() const;
    // Where each episode goes on the timeline: its source's lane, and in it
    // the row of its SPN and FMI, so that episodes at the same time never
    // cover one another. `rows` gets each lane's row count.
    struct TimelineSlot {
        int lane = 0;
        int row = 0;
    };
    std::vector<TimelineSlot> TimelineSlots(std::vector<int>& rows) const;

  private:
    bool BelongsTo(const transport::TransportMessage& m, const _VCI_CAN_OBJ& frame) const;

    transport::TransportReading reading;
    std::vector<transport::DtcEpisode> episodes;
    // For each message, the greatest `last` of it and those before it: a
    // frame lies in no message before one whose running last is below it.
    std::vector<std::int64_t> runningLast;
};

// Where a frame index lies on a timeline `width` pixels wide over `frames`
// frames, and back.
double TimelineX(std::int64_t index, std::int64_t frames, double width);
std::int64_t TimelineFrame(double x, std::int64_t frames, double width);

}  // namespace korvex::diagnostics
