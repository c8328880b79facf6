#pragma once

#include <cstdint>

// Numbers of the signal windows: commands, pane, dialog templates with their
// controls, and strings. Each text is a numbered string of the resources.
namespace korvex::signaldb::ids {

// Commands of the "视图" menu; their strings are the status tips.
inline constexpr std::uint32_t kCmdDatabases = 47001;
inline constexpr std::uint32_t kCmdPlot = 47002;
inline constexpr std::uint32_t kCmdShowPane = 47003;
// The signal pane; its title is the string of the same number.
inline constexpr int kPane = 47004;

// The Bits view: its command in the "视图" menu and the frame list's context
// menu (the string is the status tip).
inline constexpr std::uint32_t kCmdBits = 47005;

// Dialog 47100: the list of signal databases.
inline constexpr std::uint32_t kDatabasesDialog = 47100;
inline constexpr int kDbList = 47101;
inline constexpr int kDbAdd = 47102;
inline constexpr int kDbRemove = 47103;
inline constexpr int kDbUp = 47104;
inline constexpr int kDbDown = 47105;
inline constexpr int kDbHint = 47106;
inline constexpr int kDbStrict = 47107;
inline constexpr int kDbClose = 1;

// Dialog 47110: the statements skipped when a database was added.
inline constexpr std::uint32_t kWarningsDialog = 47110;
inline constexpr int kWarnList = 47111;
inline constexpr int kWarnCopy = 47112;
inline constexpr int kWarnClose = 1;

// Dialog 47200: the plot window.
inline constexpr std::uint32_t kPlotDialog = 47200;
inline constexpr int kPlotFilter = 47201;
inline constexpr int kPlotFit = 47202;
inline constexpr int kPlotExportImage = 47203;
inline constexpr int kPlotExportCsv = 47204;
inline constexpr int kPlotCancel = 47205;
inline constexpr int kPlotRefresh = 47206;
inline constexpr int kPlotHint = 47207;

// Dialog 47300: the signal pane's content.
inline constexpr std::uint32_t kPaneDialog = 47300;
inline constexpr int kPaneMessageLabel = 47301;

// Dialog 47400: the Bits view.
inline constexpr std::uint32_t kBitsDialog = 47400;
inline constexpr int kBitsMessage = 47401;
inline constexpr int kBitsAnalyse = 47402;
inline constexpr int kBitsFlipOrder = 47404;
inline constexpr int kBitsSigned = 47405;
inline constexpr int kBitsSave = 47406;
inline constexpr int kBitsUse = 47407;
inline constexpr int kBitsHint = 47408;

// Strings.
inline constexpr std::uint32_t kStrDamaged = 47010;    // "%s": FILE:LINE: reason
inline constexpr std::uint32_t kStrMissing = 47011;    // "%s": the file
inline constexpr std::uint32_t kStrDuplicate = 47012;  // "%s": the file
inline constexpr std::uint32_t kStrDbcFilter = 47013;
inline constexpr std::uint32_t kStrNoDatabase = 47014;
inline constexpr std::uint32_t kStrNoMessage = 47015;
inline constexpr std::uint32_t kStrNoFrame = 47016;
inline constexpr std::uint32_t kStrComputing = 47017;  // "%d": percent
inline constexpr std::uint32_t kStrImageFilter = 47018;
inline constexpr std::uint32_t kStrCsvFilter = 47019;
inline constexpr std::uint32_t kStrNoLane = 47020;
// The search pane's signal field.
inline constexpr std::uint32_t kStrNoSignal = 47022;
inline constexpr std::uint32_t kStrSignalSearchHint = 47023;
inline constexpr std::uint32_t kStrGreater = 47024;
inline constexpr std::uint32_t kStrLess = 47025;
inline constexpr std::uint32_t kStrWarningsHead = 47026;  // "%s %d": the file, the count
inline constexpr std::uint32_t kStrColumnName = 47030;
inline constexpr std::uint32_t kStrColumnValue = 47031;
inline constexpr std::uint32_t kStrColumnUnit = 47032;
inline constexpr std::uint32_t kStrColumnRaw = 47033;
inline constexpr std::uint32_t kStrColumnText = 47034;
// The Bits view.
inline constexpr std::uint32_t kStrBitsMessage = 47410;    // "%s": name, bytes, frames
inline constexpr std::uint32_t kStrTooFewFrames = 47411;   // "%s": frames
inline constexpr std::uint32_t kStrTooFewChanges = 47412;  // "%s": changes
inline constexpr std::uint32_t kStrNoDataFrames = 47413;
inline constexpr std::uint32_t kStrFieldInfo = 47414;  // "%s": name, start, length, order, sign
inline constexpr std::uint32_t kStrSigned = 47415;
inline constexpr std::uint32_t kStrUnsigned = 47416;
inline constexpr std::uint32_t kStrCounterField = 47417;
inline constexpr std::uint32_t kStrChecksumField = 47418;  // "%s": the algorithm
inline constexpr std::uint32_t kStrFlagField = 47419;
inline constexpr std::uint32_t kStrSignalField = 47420;
inline constexpr std::uint32_t kStrNoField = 47421;
inline constexpr std::uint32_t kStrByte = 47422;       // "%s": byte number
inline constexpr std::uint32_t kStrAnalysing = 47423;  // "%s": percent

}  // namespace korvex::signaldb::ids
