#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/FrameLines.h"
#include "core/FrameRowText.h"
#include "core/transport/DtcEpisodes.h"
#include "core/transport/J1939Diagnostics.h"
#include "core/transport/TransportMessage.h"

// The CSV of transport messages and of fault code episodes that korvex-cli
// writes and the Diagnostics pane exports: RFC 4180 quoting, UTF-8, "\n" line
// ends.
namespace korvex::transport {

inline constexpr char kTransportCsvHeader[] =
    "first,last,time,protocol,source,target,pgn,length,status,data,meaning\n";
inline constexpr char kDtcCsvHeader[] =
    "source,spn,fmi,oc,first,last,first_time,last_time,reports,active_at_end\n";

// The message's source or target: an ISO-TP identifier as the decoded
// signals write it ("0x7E8", "0x18DAF110"), a J1939 address as "0xF1".
void AppendAddressText(std::string& out, const TransportMessage& m, std::uint32_t value);
// What the message means: UDS/OBD for ISO-TP, the group (and for a whole DM1
// or DM2 its fault codes) for J1939.
void AppendMeaning(std::string& out, const TransportMessage& m, const SpnNameFn& spnName);
// The received bytes in upper-case hex without spaces.
void AppendDataText(std::string& out, const TransportMessage& m);

// One line of each CSV; `time` and the like are the frame list's time texts.
void AppendTransportCsvLine(std::string& out, const TransportMessage& m, std::string_view time,
                            const SpnNameFn& spnName);
void AppendDtcCsvLine(std::string& out, const DtcEpisode& e, std::string_view firstTime,
                      std::string_view lastTime);

// Header and every line, the time texts made with `context`; false when a
// write fails.
bool WriteTransportCsv(std::FILE* file, const std::vector<TransportMessage>& messages,
                       const FrameView& frames, const ExportRowContext& context,
                       const SpnNameFn& spnName);
bool WriteDtcCsv(std::FILE* file, const std::vector<DtcEpisode>& episodes, const FrameView& frames,
                 const ExportRowContext& context);

}  // namespace korvex::transport
