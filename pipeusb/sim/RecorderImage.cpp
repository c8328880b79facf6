#include "pipeusb/sim/RecorderImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pipeusb {

namespace {

constexpr std::size_t kMagicSize = 8;
constexpr std::size_t kBaseInfoAt = 8;
constexpr std::size_t kFilterHeaderAt = kBaseInfoAt + kBaseInfoSize;
constexpr std::size_t kFilterTableAt = kFilterHeaderAt + kFilterHeaderSize;
constexpr std::size_t kPresetsAt = kFilterTableAt + kFilterTableSize;
static_assert(kPresetsAt + kPresetBytes == kImageFixedSize);

// Reads a u32 count and count records after it, advancing `at`.
bool TakeRecords(const std::uint8_t* data, std::size_t size, std::size_t& at,
                 std::vector<std::uint8_t>& out) {
    if (size - at < 4) return false;
    const std::uint64_t count = LoadU32(data + at);
    at += 4;
    if (count > (size - at) / kRecordSize) return false;
    const std::size_t bytes = static_cast<std::size_t>(count) * kRecordSize;
    out.assign(data + at, data + at + bytes);
    at += bytes;
    return true;
}

// Writes a u32 count and the records; returns the end of what it wrote.
std::uint8_t* PutRecords(std::uint8_t* p, const std::vector<std::uint8_t>& records) {
    StoreU32(p, static_cast<std::uint32_t>(records.size() / kRecordSize));
    if (!records.empty()) std::memcpy(p + 4, records.data(), records.size());
    return p + 4 + records.size();
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace

std::optional<RecorderImage> ParseRecorderImage(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < kImageFixedSize ||
        std::memcmp(data, kImageMagic, kMagicSize) != 0)
        return std::nullopt;
    RecorderImage image;
    std::memcpy(image.config.baseInfo.data(), data + kBaseInfoAt, kBaseInfoSize);
    std::memcpy(image.config.filterHeader.data(), data + kFilterHeaderAt, kFilterHeaderSize);
    std::memcpy(image.config.filterTable.data(), data + kFilterTableAt, kFilterTableSize);
    std::memcpy(image.config.presets.data(), data + kPresetsAt, kPresetBytes);
    std::size_t at = kImageFixedSize;
    if (!TakeRecords(data, size, at, image.memory.clockRecords) ||
        !TakeRecords(data, size, at, image.memory.records) || at != size)
        return std::nullopt;
    return image;
}

std::vector<std::uint8_t> SerializeRecorderImage(const RecorderConfig& config,
                                                 const RecorderMemory& memory) {
    std::vector<std::uint8_t> out(kImageFixedSize + 8 + memory.clockRecords.size() +
                                  memory.records.size());
    std::uint8_t* p = out.data();
    std::memcpy(p, kImageMagic, kMagicSize);
    std::memcpy(p + kBaseInfoAt, config.baseInfo.data(), kBaseInfoSize);
    std::memcpy(p + kFilterHeaderAt, config.filterHeader.data(), kFilterHeaderSize);
    std::memcpy(p + kFilterTableAt, config.filterTable.data(), kFilterTableSize);
    std::memcpy(p + kPresetsAt, config.presets.data(), kPresetBytes);
    p = PutRecords(p + kImageFixedSize, memory.clockRecords);
    PutRecords(p, memory.records);
    return out;
}

std::optional<RecorderImage> LoadRecorderImage(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return ParseRecorderImage(bytes.data(), bytes.size());
}

bool SaveRecorderImage(const std::string& path, const RecorderConfig& config,
                       const RecorderMemory& memory) {
    const std::vector<std::uint8_t> bytes = SerializeRecorderImage(config, memory);
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) == 0) return true;
    std::remove(temp.c_str());
    return false;
}

}  // namespace pipeusb
