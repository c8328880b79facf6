#pragma once

#include <cstdint>

// Resources and commands of the frame list's context menu.
namespace korvex::framelist {

inline constexpr std::uint32_t kMenuContext = 135;
inline constexpr int kSubMenuFrameList = 5;  // "rcrdlist"

inline constexpr std::uint32_t kCmdClear = 32800;
inline constexpr std::uint32_t kCmdExport = 32801;
inline constexpr std::uint32_t kCmdClockTime = 32789;
inline constexpr std::uint32_t kCmdRelativeTime = 32790;
// Above 40000 … 40100, which the language items take.
inline constexpr std::uint32_t kCmdRealTimeSave = 40200;
// "搜索...": brings the search pane up (the shell's command of that pane).
inline constexpr std::uint32_t kCmdSearch = 32824;
inline constexpr std::uint32_t kCmdClassify = 32852;
// "位活动...": the Bits view of the current row's identifier.
inline constexpr std::uint32_t kCmdBits = 47005;

inline constexpr std::uint32_t kStrFrameTotal = 6004;
inline constexpr std::uint32_t kStrCannotCreateFile = 3067;
inline constexpr std::uint32_t kStrCannotWriteFile = 20001;
inline constexpr std::uint32_t kStrRealTimeSaveStopped = 31001;

// The status-text message to the main window; wParam points at the text.
inline constexpr unsigned kMsgStatusText = 0x469;
// A file the list wrote (an export, a real-time save); wParam: its path.
inline constexpr unsigned kMsgFileWritten = 0x4D1;

// The save dialog of the export and the real-time save.
inline constexpr char kSaveDefaultExt[] = "txt||can";
inline constexpr char kSaveFilter[] = "Text File(*.txt)|*.txt|Korvex data file(*.can)|*.can||";

}  // namespace korvex::framelist
