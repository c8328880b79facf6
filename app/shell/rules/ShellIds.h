#pragma once

#include <cstdint>

// Numbers the program's windows share: commands, window messages, resources,
// docking panes and timers. Each keeps the value its resources and the
// plug-in are written against.
namespace korvex::shell {

namespace cmd {
inline constexpr std::uint32_t kImportData = 32837;
inline constexpr std::uint32_t kExportData = 32801;
inline constexpr std::uint32_t kImportDeviceConfig = 32848;
inline constexpr std::uint32_t kExportDeviceConfig = 32849;
inline constexpr std::uint32_t kExit = 57665;
inline constexpr std::uint32_t kShowSearchPane = 32824;
inline constexpr std::uint32_t kShowSearchResultPane = 32825;
inline constexpr std::uint32_t kShowClusterPane = 32852;
inline constexpr std::uint32_t kShowClusterResultPane = 32853;
inline constexpr std::uint32_t kDeviceConfig = 32771;
inline constexpr std::uint32_t kPresetFrames = 32793;
inline constexpr std::uint32_t kUpload = 32772;
inline constexpr std::uint32_t kClearDevice = 32805;
inline constexpr std::uint32_t kClearList = 32800;
inline constexpr std::uint32_t kAliasNames = 32820;
inline constexpr std::uint32_t kClockTime = 32789;
inline constexpr std::uint32_t kRelativeTime = 32790;
inline constexpr std::uint32_t kBusStatus = 32854;
// The other tools' file formats (OtherFormatCommands.h).
inline constexpr std::uint32_t kImportOtherFormat = 46001;
inline constexpr std::uint32_t kExportOtherFormat = 46002;
// Signal databases (app/signals/rules/SignalIds.h).
inline constexpr std::uint32_t kSignalDatabases = 47001;
inline constexpr std::uint32_t kSignalPlot = 47002;
inline constexpr std::uint32_t kShowSignalPane = 47003;
// Diagnostics (app/diagnostics/rules/DiagnosticsIds.h).
inline constexpr std::uint32_t kShowDiagnosticsPane = 49003;
inline constexpr std::uint32_t kSignalBits = 47005;
inline constexpr std::uint32_t kAbout = 57664;
inline constexpr std::uint32_t kNew = 57600;
inline constexpr std::uint32_t kOpen = 57601;
inline constexpr std::uint32_t kPrintSetup = 57606;
inline constexpr std::uint32_t kCustomize = 35001;
// Language items: kLanguageFirst + index of the language.
inline constexpr std::uint32_t kLanguageFirst = 40000;
inline constexpr std::uint32_t kLanguageLast = 40100;
}  // namespace cmd

namespace msg {
inline constexpr unsigned kStatusPane2 = 0x469;      // wParam: const char* text
inline constexpr unsigned kStatusPane1 = 0x46A;      // wParam: const char* text
inline constexpr unsigned kLanguageChanged = 0x4A0;  // wParam: language index
inline constexpr unsigned kSelectFrame = 0x4CD;      // wParam: frame index
inline constexpr unsigned kFileWritten = 0x4D1;      // wParam: const char* path
}  // namespace msg

namespace res {
inline constexpr std::uint32_t kMainMenu = 129;   // while a document is open
inline constexpr std::uint32_t kNoDocMenu = 128;  // the framework's menu
inline constexpr std::uint32_t kToolbar = 128;
inline constexpr std::uint32_t kAboutDialog = 100;
inline constexpr std::uint32_t kProgressDialog = 5134;
inline constexpr std::uint32_t kStrOleFailed = 100;
inline constexpr std::uint32_t kStrNoDevice = 111;
inline constexpr std::uint32_t kStrSaveConfigFailed = 114;
inline constexpr std::uint32_t kStrAppTitle = 128;
inline constexpr std::uint32_t kStrDocTemplate = 129;
inline constexpr std::uint32_t kStrFrameTotal = 6004;
inline constexpr std::uint32_t kStrWorking = 9008;
inline constexpr std::uint32_t kStrOpenDeviceFailed = 21000;
inline constexpr std::uint32_t kStrClockListFailed = 21001;
inline constexpr std::uint32_t kStrUploadFailed = 21002;
inline constexpr std::uint32_t kStrOperationOk = 21003;
inline constexpr std::uint32_t kStrToolbarTitle = 21005;
inline constexpr std::uint32_t kStrLanguageMenu = 21006;
inline constexpr std::uint32_t kStrRecorderBusy = 21007;
inline constexpr std::uint32_t kStrUploadCancelled = 31000;  // %d frames kept
inline constexpr std::uint32_t kStrRecentFileGone = 31002;   // %s: the path
// Controls of the progress dialog.
inline constexpr int kProgressBar = 5259;
inline constexpr int kProgressWorking = 9008;
inline constexpr int kProgressCount = 9009;
}  // namespace res

namespace pane {
inline constexpr int kSearchResult = 3071;
inline constexpr int kSearch = 3072;
inline constexpr int kClusterResult = 3073;
inline constexpr int kCluster = 3074;
inline constexpr int kSignals = 47004;
inline constexpr int kDiagnostics = 49004;
}  // namespace pane

namespace timer {
inline constexpr int kUploadProgress = 400;  // the view, 100 ms
inline constexpr int kUploadProgressMs = 100;
inline constexpr int kCloseProgress = 1026;  // the progress dialog, 500 ms
inline constexpr int kCloseProgressMs = 500;
}  // namespace timer

// The recorder the program talks to: device type 21, index 0.
inline constexpr std::uint32_t kDeviceType = 21;
inline constexpr std::uint32_t kDeviceIndex = 0;

// The plug-in's control codes the shell sends.
inline constexpr int kIoctlLanguage = 15;
inline constexpr int kIoctlTimeShowType = 35;

}  // namespace korvex::shell
