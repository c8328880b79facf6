#include "cli/OutputTarget.h"

#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli/CliCommands.h"

namespace korvex::cli {

COutputTarget::~COutputTarget() {
    if (file != nullptr) std::fclose(file);
}

bool COutputTarget::Open(const std::filesystem::path& path, const CliStreams& io) {
    if (path.empty()) {
        target = io.out;
        return true;
    }
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        io.err << "korvex-cli: cannot write " << path.string() << ": " << std::strerror(errno)
               << '\n'
               << std::flush;
        return false;
    }
    target = file;
    return true;
}

bool COutputTarget::Finish(bool written, std::string_view what, const CliStreams& io) {
    bool ok = std::fflush(target) == 0 && written;
    if (file != nullptr) {
        ok = std::fclose(file) == 0 && ok;
        file = nullptr;
    }
    if (!ok)
        io.err << "korvex-cli: cannot write the " << what << ": " << std::strerror(errno) << '\n'
               << std::flush;
    return ok;
}

}  // namespace korvex::cli
