#include "core/SettingsFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace korvex {

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

bool IsWritableFolder(const std::filesystem::path& folder) {
    std::string probe = (folder / ".korvex-write-probe-XXXXXX").string();
    const int fd = mkstemp(probe.data());
    if (fd < 0) return false;
    close(fd);
    unlink(probe.c_str());
    return true;
}

std::filesystem::path ChooseSettingsFolder(const std::filesystem::path& programFolder,
                                           const char* xdgConfigHome, const char* home) {
    if (IsWritableFolder(programFolder)) return programFolder;
    std::filesystem::path base;
    if (xdgConfigHome && xdgConfigHome[0] == '/') {
        base = xdgConfigHome;
    } else {
        base = std::filesystem::path(home && home[0] != '\0' ? home : "/") / ".config";
    }
    const std::filesystem::path folder = base / "Korvex";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::filesystem::path SettingsFolder() {
    return ChooseSettingsFolder(ProgramFolder(), std::getenv("XDG_CONFIG_HOME"),
                                std::getenv("HOME"));
}

std::filesystem::path InstalledLanguageFolder(const std::filesystem::path& programFolder) {
    return (programFolder.parent_path() / "share" / "korvex" / "language").lexically_normal();
}

}  // namespace korvex
