#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The File menu's list of the files last opened or saved, newest first, and
// how a file given by the desktop (dropped, or chosen from that list) is read.
namespace korvex::shell {

inline constexpr std::size_t kRecentFiles = 8;

// Puts `path` first, taking out an earlier entry of it, and keeps at most
// kRecentFiles entries.
void AddRecentFile(std::vector<std::string>& list, const std::string& path);

// "&1 path" for entry 0: the number is the item's key, and an ampersand of
// the path is doubled so that it shows as itself.
std::string RecentFileMenuText(std::size_t index, const std::string& path);

// A stream data file (".can") is read as 从文件导入数据 reads it, any other
// file as 导入其他格式 does.
enum class FileOpening { kDataFile, kOtherFormat };
FileOpening OpeningOf(const std::string& path);

}  // namespace korvex::shell
