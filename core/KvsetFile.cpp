#include "core/KvsetFile.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <zlib.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>

namespace korvex {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Reads from a file whose remaining size is known, so that a stated length
// can be checked against the bytes really there.
class CBoundedReader {
  public:
    explicit CBoundedReader(std::FILE* file) : file(file) {
        const off_t here = ftello(file);
        if (here >= 0 && fseeko(file, 0, SEEK_END) == 0) {
            const off_t end = ftello(file);
            if (end >= here && fseeko(file, here, SEEK_SET) == 0)
                left = static_cast<std::uint64_t>(end - here);
        }
    }

    std::uint64_t Left() const { return left; }

    bool Read(void* out, std::size_t n) {
        if (n > left || std::fread(out, 1, n, file) != n) return false;
        left -= n;
        return true;
    }

    bool ReadU32(std::uint32_t& v) {
        std::uint8_t b[4];
        if (!Read(b, sizeof b)) return false;
        v = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
            static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
        return true;
    }

  private:
    std::FILE* file;
    std::uint64_t left = 0;
};

// One entry; kOk with the name and bytes filled, or the reason to stop.
KvsetStatus ReadEntry(CBoundedReader& in, std::string& name, std::vector<std::uint8_t>& bytes) {
    std::uint32_t nameLength = 0;
    if (!in.ReadU32(nameLength)) return KvsetStatus::kTruncated;
    if (nameLength == 0 || nameLength > kKvsetMaxNameLength) return KvsetStatus::kBadName;
    if (nameLength > in.Left()) return KvsetStatus::kTruncated;
    std::string stored(nameLength, '\0');
    if (!in.Read(stored.data(), nameLength)) return KvsetStatus::kTruncated;
    const std::size_t end = stored.find('\0');
    if (end == std::string::npos) return KvsetStatus::kBadName;
    name = stored.substr(0, end);
    if (!IsSafeEntryName(name)) return KvsetStatus::kBadName;

    std::uint32_t plainLength = 0;
    std::uint32_t packedLength = 0;
    if (!in.ReadU32(plainLength) || !in.ReadU32(packedLength)) return KvsetStatus::kTruncated;
    if (plainLength > kKvsetMaxUncompressed) return KvsetStatus::kTooLarge;
    if (packedLength > in.Left()) return KvsetStatus::kTruncated;
    std::vector<std::uint8_t> packed(packedLength);
    if (!in.Read(packed.data(), packedLength)) return KvsetStatus::kTruncated;

    // The stated length only sizes the buffer: the file gets what the stream
    // unpacks to. A stream that needs more room, or is damaged, is refused;
    // bytes after the end of the stream are not looked at.
    bytes.assign(plainLength, 0);
    uLongf unpacked = plainLength;
    if (uncompress(bytes.data(), &unpacked, packed.data(), packedLength) != Z_OK)
        return KvsetStatus::kBadData;
    bytes.resize(unpacked);
    return KvsetStatus::kOk;
}

}  // namespace

bool IsSafeEntryName(std::string_view name) {
    if (name.empty() || name == ".") return false;
    if (name.find_first_of("/\\") != std::string_view::npos) return false;
    return name.find("..") == std::string_view::npos;
}

KvsetStatus ExportKvsetFile(const std::filesystem::path& kvsetPath,
                            const std::filesystem::path& sourceFile, std::string_view entryName) {
    FilePtr file(std::fopen(kvsetPath.c_str(), "wb"));
    if (!file) return KvsetStatus::kCannotCreate;
    std::vector<std::uint8_t> plain;
    if (!ReadWholeFile(sourceFile, plain)) return KvsetStatus::kCannotReadSource;
    uLongf packedLength = compressBound(static_cast<uLong>(plain.size()));
    std::vector<std::uint8_t> packed(packedLength);
    if (compress(packed.data(), &packedLength, plain.data(), static_cast<uLong>(plain.size())) !=
        Z_OK)
        return KvsetStatus::kCannotCompress;

    std::vector<std::uint8_t> entry;
    AppendU32(entry, static_cast<std::uint32_t>(entryName.size() + 1));
    entry.insert(entry.end(), entryName.begin(), entryName.end());
    entry.push_back(0);
    AppendU32(entry, static_cast<std::uint32_t>(plain.size()));
    AppendU32(entry, static_cast<std::uint32_t>(packedLength));
    entry.insert(entry.end(), packed.begin(), packed.begin() + static_cast<long>(packedLength));

    const std::uint8_t count = 1;
    if (std::fseek(file.get(), 1, SEEK_SET) != 0 ||
        std::fwrite(entry.data(), 1, entry.size(), file.get()) != entry.size() ||
        std::fflush(file.get()) != 0 || std::fseek(file.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(&count, 1, 1, file.get()) != 1)
        return KvsetStatus::kWriteFailed;
    if (std::fclose(file.release()) != 0) return KvsetStatus::kWriteFailed;
    return KvsetStatus::kOk;
}

KvsetImportResult ImportKvset(std::FILE* file, const KvsetEntryStore& store) {
    KvsetImportResult result;
    CBoundedReader in(file);
    std::uint8_t count = 0;
    if (!in.Read(&count, 1)) {
        result.status = KvsetStatus::kTruncated;
        return result;
    }
    std::string name;
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        result.status = ReadEntry(in, name, bytes);
        if (result.status != KvsetStatus::kOk) return result;
        if (!store(name, bytes)) {
            result.status = KvsetStatus::kStoreFailed;
            return result;
        }
        ++result.entriesStored;
    }
    return result;
}

KvsetImportResult ImportKvsetFile(const std::filesystem::path& kvsetPath,
                                  const KvsetEntryStore& store) {
    FilePtr file(std::fopen(kvsetPath.c_str(), "rb"));
    if (!file) return {KvsetStatus::kCannotOpen, 0, errno};
    // A folder opens but cannot be read.
    struct stat status {};
    if (::fstat(fileno(file.get()), &status) != 0) return {KvsetStatus::kCannotOpen, 0, errno};
    if (S_ISDIR(status.st_mode)) return {KvsetStatus::kCannotOpen, 0, EISDIR};
    return ImportKvset(file.get(), store);
}

}  // namespace korvex
