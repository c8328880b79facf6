#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

// A device configuration file (.kvset): one count byte, then that many
// entries {u32 name length with its zero, name, u32 uncompressed length,
// u32 compressed length, one zlib stream}. Little-endian.

// The largest file an entry may unpack to; DevCfg.ini is a few kilobytes.
inline constexpr std::uint32_t kKvsetMaxUncompressed = 16u << 20;
// Longest stored name, zero included: a bare file name.
inline constexpr std::uint32_t kKvsetMaxNameLength = 256;

enum class KvsetStatus {
    kOk,
    kCannotCreate,      // export: the .kvset file cannot be created
    kCannotReadSource,  // export: the settings file cannot be read
    kCannotCompress,
    kWriteFailed,
    kCannotOpen,   // import: the .kvset file cannot be opened
    kTruncated,    // the file ends inside an entry
    kBadName,      // empty, unterminated, absolute or leaving the folder
    kTooLarge,     // stated uncompressed length above kKvsetMaxUncompressed
    kBadData,      // the stream is damaged or unpacks to more than the stated length
    kStoreFailed,  // the unpacked file could not be written
};

// Writes a file with one entry named `entryName` holding `sourceFile`. The
// count byte is written last, so a failed export never looks complete.
KvsetStatus ExportKvsetFile(const std::filesystem::path& kvsetPath,
                            const std::filesystem::path& sourceFile, std::string_view entryName);

// Accepts only a bare file name: not empty, no "/", "\" or "..", not ".".
bool IsSafeEntryName(std::string_view name);

// Receives each unpacked entry; false stops the import.
using KvsetEntryStore =
    std::function<bool(const std::string& name, const std::vector<std::uint8_t>& bytes)>;

struct KvsetImportResult {
    KvsetStatus status = KvsetStatus::kOk;
    int entriesStored = 0;
    int error = 0;  // kCannotOpen: why (an errno value)
};

// Unpacks the entries in order and hands each to `store`. The first entry that
// is refused ends the import; the entries before it stay stored. Lengths are
// checked against the file before anything is allocated for them.
KvsetImportResult ImportKvset(std::FILE* file, const KvsetEntryStore& store);
KvsetImportResult ImportKvsetFile(const std::filesystem::path& kvsetPath,
                                  const KvsetEntryStore& store);

}  // namespace korvex
