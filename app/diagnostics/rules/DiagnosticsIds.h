#pragma once

#include <cstdint>

// Numbers of the Diagnostics pane: its command, the pane, its dialog template
// with the controls, and strings. Each text is a numbered string of the
// resources.
namespace korvex::diagnostics::ids {

// The "视图" menu's command; its string is the status tip.
inline constexpr std::uint32_t kCmdShowPane = 49003;
// The pane; its title is the string of the same number.
inline constexpr int kPane = 49004;

// Dialog 49300: the pane's content.
inline constexpr std::uint32_t kPaneDialog = 49300;
inline constexpr int kRead = 49301;
inline constexpr int kExportMessages = 49302;
inline constexpr int kExportFaults = 49303;
inline constexpr int kProtocolLabel = 49304;
inline constexpr int kAddressLabel = 49305;
inline constexpr int kTextLabel = 49306;
inline constexpr int kPairsLabel = 49307;

// Strings.
inline constexpr std::uint32_t kStrMessagesTab = 49010;
inline constexpr std::uint32_t kStrFaultsTab = 49011;
inline constexpr std::uint32_t kStrAllProtocols = 49012;
inline constexpr std::uint32_t kStrNotRead = 49013;
inline constexpr std::uint32_t kStrReading = 49014;  // "%d": percent
inline constexpr std::uint32_t kStrSummary = 49015;  // "%d" messages, "%d" shown, "%d" episodes
inline constexpr std::uint32_t kStrCsvFilter = 49016;
inline constexpr std::uint32_t kStrSelectedIn = 49018;   // "%s": the message's row text
inline constexpr std::uint32_t kStrTimelineHint = 49019;
// Column captions of the Messages tab, then of the Fault codes tab.
inline constexpr std::uint32_t kStrMessageColumns = 49030;  // 11 strings, the CSV's order
inline constexpr std::uint32_t kStrFaultColumns = 49050;    // 10 strings, the CSV's order
// The shown texts of the CSV's statuses (in TransportStatus order) and of
// active_at_end's yes and no.
inline constexpr std::uint32_t kStrStatuses = 49070;  // 5 strings
inline constexpr std::uint32_t kStrYes = 49075;
inline constexpr std::uint32_t kStrNo = 49076;

}  // namespace korvex::diagnostics::ids
