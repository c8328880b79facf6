#include <linux/can.h>
#include <linux/can/error.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/formats/BlfFormat.h"
#include "core/formats/BlfLayout.h"
#include "core/formats/Deflate.h"
#include "core/formats/ErrorFrameMap.h"
#include "core/formats/HugePageAllocator.h"
#include "core/formats/OverlappedHalves.h"
#include "core/formats/SpanBuilder.h"

namespace korvex::formats {
namespace {

using namespace blf;

constexpr std::uint32_t kMaxHeaderSize = 1 << 16;
// No writer packs more than a few hundred KiB into one container; a larger
// claim is a damaged or hostile file, not a reason to allocate gigabytes.
constexpr std::uint32_t kMaxUnpacked = 64u << 20;
// Deflate packs at most about 1032:1, so a container cannot unpack to more.
constexpr std::size_t kMostPacking = 1032;
// Every frame object's header and body fit in this many bytes; the rest of a
// longer object is passed over.
constexpr std::size_t kKeptBytes = 256;
// Writers pad objects to four bytes in different ways; at most this many
// bytes may stand between one object and the next.
constexpr int kMaxPadding = 8;
// Containers unpacked together, per thread and half.
constexpr std::size_t kContainersPerThread = 4;
// A half is handed over early once its containers claim this many unpacked
// bytes, so that at most two halves of this (and one container more each)
// are alive however many cores there are.
constexpr std::uint64_t kHalfBudget = 96u << 20;
// Buffers of up to this size stay with their slot for the next container;
// larger ones are given back once read.
constexpr std::size_t kKeptCapacity = 1u << 20;
// At most this many frames are reserved for in advance, and no more than a
// file of that size could hold (zlib packs at most about 1000:1, a frame
// object takes 48 bytes).
constexpr std::size_t kMaxReserve = 1 << 24;
constexpr std::uint64_t kFramesPerFileByte = 22;

struct BufferFree {
    std::size_t bytes = 0;
    void operator()(std::uint8_t* p) const {
        CHugePageAllocator<std::uint8_t>().deallocate(p, bytes);
    }
};

struct Container {
    long long offset = 0;  // of its object in the file
    std::uint16_t method = kStored;
    std::uint32_t unpacked = 0;     // as it states
    bool cut = false;               // runs past the end of the file: what unpacks is read
    bool afterGap = false;          // damage was skipped between it and the one before
    std::size_t damagesBefore = 0;  // top-level damages found before it
    std::vector<std::uint8_t> packed;
    // Unpacked into `buffer`, left uninitialised so that only the bytes
    // really unpacked take memory (faulted in huge pages where large).
    std::unique_ptr<std::uint8_t[], BufferFree> buffer;
    std::size_t capacity = 0;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    const char* error = nullptr;  // why it cannot be unpacked
    CUnpacker unpacker;
};

// What a cut zlib stream unpacks to before the cut, through zlib itself:
// libdeflate gives nothing for a stream it cannot finish.
std::size_t UnpackPrefix(const std::vector<std::uint8_t>& in, std::uint8_t* out, std::size_t room) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return 0;
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out;
    z.avail_out = static_cast<uInt>(room);
    while (inflate(&z, Z_SYNC_FLUSH) == Z_OK && z.avail_in > 0 && z.avail_out > 0) {
    }
    const std::size_t made = room - z.avail_out;
    inflateEnd(&z);
    return made;
}

void Unpack(Container& c) {
    c.error = nullptr;
    if (c.method == kStored) {
        c.data = c.packed.data();
        c.size = c.packed.size();
        return;
    }
    if (c.capacity < c.unpacked) {
        c.buffer.reset();
        c.buffer = {CHugePageAllocator<std::uint8_t>().allocate(c.unpacked),
                    BufferFree{c.unpacked}};
        c.capacity = c.unpacked;
    }
    c.data = c.buffer.get();
    c.size = 0;
    if (c.cut) {
        c.size = UnpackPrefix(c.packed, c.buffer.get(), c.unpacked);
        return;
    }
    switch (c.unpacker.Unpack(c.packed.data(), c.packed.size(), c.buffer.get(), c.unpacked)) {
        case UnpackResult::kOk:
            c.size = c.unpacked;
            break;
        case UnpackResult::kNotZlib:
            c.error = "its data is not a zlib stream";
            break;
        case UnpackResult::kOtherSize:
            c.error = "its data does not unpack to the size it states";
            break;
    }
}

// A container's buffers once read: large ones go, so that memory is held
// only by the containers being unpacked and read.
void Release(Container& c) {
    if (c.capacity > kKeptCapacity) {
        c.buffer.reset();
        c.capacity = 0;
    }
    if (c.packed.capacity() > kKeptCapacity) std::vector<std::uint8_t>().swap(c.packed);
    c.data = nullptr;
    c.size = 0;
}

// What the frame objects have in common, once read from their own layout.
struct CanFields {
    std::uint32_t id;        // identifier with kExtendedId for a 29-bit one
    std::uint8_t direction;  // 0 Rx, 1 Tx, 2 Tx request
    std::uint8_t dlc;
    std::uint16_t channel;
    bool fd;  // a CAN FD frame: the DLC codes up to 64 bytes
    bool remote;
    const std::uint8_t* data;
    int valid;  // data bytes present in the object
};

// Damage found at the top level, noted once the containers before it are read.
struct TopDamage {
    long long offset;
    std::string why;
};

class CBlfRead {
  public:
    CBlfRead(std::FILE* file, const ReadOptions& options, CRecording& out)
        : file(file), options(options), out(out), spans(options.utc, options.bitRateIndex) {
        out.Clear();
    }
    CBlfRead(const CBlfRead&) = delete;
    CBlfRead& operator=(const CBlfRead&) = delete;

    ReadResult Run();

  private:
    bool ReadHeader();
    bool ReadTopLevel();
    bool QueueContainer(long long at, const std::uint8_t* base, std::uint32_t size);
    bool Read(void* to, std::size_t n);
    bool Skip(std::uint64_t n);
    bool SeekTo(long long at);
    // Damage at the top level: noted in file order; reading goes on at the
    // next object signature unless strict. False when reading ends.
    bool TopLevelDamage(long long offset, std::string why);
    // The offset of the next "LOBJ" at or after `from` whose header could be
    // one; -1 for none.
    long long FindNextObject(long long from);
    // While the other threads unpack one half of the containers, this one
    // splits those unpacked before into objects. Drain unpacks and splits
    // every container read so far.
    // Once the read has stopped, nothing more is unpacked.
    bool Drain() {
        halfClaims = 0;
        if (stopped) return false;
        return FeedAll(containers.Rotate()) && FeedAll(containers.Finish());
    }
    bool FeedAll(std::span<Container> unpacked);
    bool FeedOne(Container& c);
    void NoteTopDamages(std::size_t upTo);
    // The unpacked contents of the containers, in order, split into objects.
    bool Feed(const std::uint8_t* data, std::size_t n, long long container);
    // The stream is broken: what was gathered of an object is dropped and the
    // next object is looked for by its signature.
    void LoseTrack() {
        keptCount = 0;
        objectSize = 0;
        skipLeft = 0;
        padding = 0;
        lostTrack = true;
    }
    bool Finish();
    bool TakeSignatureByte(std::uint8_t byte);
    bool Decode(const std::uint8_t* object, std::size_t kept, std::uint32_t size);
    void AddCan(const CanFields& can, Ticks time);
    void DecodeCan(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeCanFd(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeCanFd64(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeErrorExt(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeError(const std::uint8_t* body, std::size_t length, Ticks time);
    void Add(Ticks time, const _VCI_CAN_OBJ& frame, std::uint16_t channel);
    // Notes damage in file order; false when the read ends there (strict).
    bool Damage(long long offset, std::string why);
    bool DamageInContainer(std::string why);

    std::FILE* file;
    const ReadOptions& options;
    CRecording& out;
    CSpanBuilder spans;
    ReadResult result;
    COverlappedHalves<Container> containers{kContainersPerThread, &Unpack};
    std::uint64_t halfClaims = 0;  // unpacked bytes the half being filled claims
    long long fileSize = 0;
    long long position = 0;  // of the next byte read from the file
    Ticks start = 0;
    bool stopped = false;
    bool topEnded = false;  // no more top-level objects are read
    bool gap = false;       // damage skipped since the last container queued
    bool cutEnd = false;    // the last container is cut short by the end of the file
    std::vector<TopDamage> topDamages;
    std::size_t topDamagesNoted = 0;
    long long lastDamaged = -1;  // the part counted last, not counted twice

    // The object being gathered across containers: its first bytes (up to
    // kKeptBytes), its size once its base header is complete, and how much
    // of it is still to be passed over.
    std::array<std::uint8_t, kKeptBytes> kept{};
    std::size_t keptCount = 0;
    std::uint32_t objectSize = 0;
    std::uint64_t skipLeft = 0;
    int padding = 0;
    bool lostTrack = false;         // looking for the next object's signature
    long long objectContainer = 0;  // where the object began: its container's offset
    std::size_t objectByte = 0;     // and the byte within that container's data
    bool topLevel = false;          // the object stands outside any container
};

bool CBlfRead::Damage(long long offset, std::string why) {
    if (offset != lastDamaged) {
        lastDamaged = offset;
        if (result.damageOffset < 0) {
            result.damageOffset = offset;
            result.damage = std::move(why);
        }
        ++result.damagedParts;
        if (result.damagedOffsets.size() < kNamedDamageOffsets)
            result.damagedOffsets.push_back(offset);
    }
    if (options.strict) stopped = true;
    return !stopped;
}

bool CBlfRead::DamageInContainer(std::string why) {
    if (!topLevel)
        why = "object at byte " + std::to_string(objectByte) + " of the container's data: " + why;
    const bool goOn = Damage(objectContainer, std::move(why));
    LoseTrack();
    return goOn;
}

bool CBlfRead::Read(void* to, std::size_t n) {
    const std::size_t got = std::fread(to, 1, n, file);
    position += static_cast<long long>(got);
    return got == n;
}

bool CBlfRead::Skip(std::uint64_t n) {
    if (n == 0) return true;
    if (std::fseek(file, static_cast<long>(n), SEEK_CUR) != 0) return false;
    position += static_cast<long long>(n);
    return true;
}

bool CBlfRead::SeekTo(long long at) {
    if (std::fseek(file, at, SEEK_SET) != 0) return false;
    position = at;
    return true;
}

bool CBlfRead::ReadHeader() {
    std::uint8_t header[kFileHeaderFields];
    const auto refuse = [this](long long offset, std::string why) {
        result.damageOffset = offset;
        result.damage = std::move(why);
        return false;
    };
    if (!Read(header, 4) || !HasSignature(header, kFileSignature))
        return refuse(0, "the file does not begin with the BLF signature \"LOGG\"");
    if (!Read(header + 4, kFileHeaderFields - 4)) return refuse(0, "the file header is cut short");
    const std::uint32_t headerSize = Get32(header + kHeaderSizeAt);
    if (headerSize < kFileHeaderFields || headerSize > kMaxHeaderSize)
        return refuse(kHeaderSizeAt, "a file header size of " + std::to_string(headerSize));
    if (headerSize > fileSize) return refuse(0, "the file header is cut short");
    if (!Skip(headerSize - kFileHeaderFields)) return refuse(position, "cannot seek");
    // A start time of zeros (or before 1970): the objects' times count from
    // the start of the recording, and the time column shows them so.
    const std::optional<Ticks> headerStart = SystemTimeTicks(header + kStartTimeAt, options.utc);
    start = headerStart.value_or(0);
    if (!headerStart) spans.ClockFromZero();

    const std::uint64_t objects = Get32(header + kObjectCountAt);
    const std::uint64_t unpacked = Get64(header + kUncompressedAt);
    const std::uint64_t plausible = std::min<std::uint64_t>(
        static_cast<std::uint64_t>(fileSize) * kFramesPerFileByte, unpacked / kBaseHeaderSize);
    out.frames.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(std::min<std::uint64_t>(objects, plausible), kMaxReserve)));
    return true;
}

void CBlfRead::NoteTopDamages(std::size_t upTo) {
    for (; topDamagesNoted < upTo && !stopped; ++topDamagesNoted) {
        TopDamage& d = topDamages[topDamagesNoted];
        Damage(d.offset, std::move(d.why));
    }
}

bool CBlfRead::FeedOne(Container& c) {
    NoteTopDamages(c.damagesBefore);
    if (stopped) return false;
    if (c.afterGap) LoseTrack();
    if (c.error != nullptr) {
        const bool goOn = Damage(c.offset, std::string("container: ") + c.error);
        LoseTrack();
        return goOn;
    }
    // Looking for an object after damage: a container without one is lost too.
    const bool searching = lostTrack;
    if (!Feed(c.data, c.size, c.offset)) return false;
    if (searching && lostTrack) return Damage(c.offset, "no object begins in the container");
    return true;
}

bool CBlfRead::FeedAll(std::span<Container> unpacked) {
    for (Container& c : unpacked) {
        if (!stopped) FeedOne(c);
        Release(c);
    }
    return !stopped;
}

bool CBlfRead::TopLevelDamage(long long offset, std::string why) {
    topDamages.push_back({offset, std::move(why)});
    const long long next = options.strict ? -1 : FindNextObject(offset + 1);
    if (next < 0 || !SeekTo(next)) topEnded = true;
    gap = true;
    return !topEnded;
}

long long CBlfRead::FindNextObject(long long from) {
    constexpr std::size_t kChunk = 1 << 16;
    std::vector<std::uint8_t> chunk(kChunk + kBaseHeaderSize);
    for (long long at = from; at < fileSize;) {
        if (!SeekTo(at)) return -1;
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got < kBaseHeaderSize) return -1;
        for (std::size_t i = 0; i + kBaseHeaderSize <= got; ++i) {
            const std::uint8_t* p = chunk.data() + i;
            if (!HasSignature(p, kObjectSignature)) continue;
            const std::uint16_t headerSize = Get16(p + kHeaderSizeFieldAt);
            const bool knownHeader = headerSize == kBaseHeaderSize || headerSize == kHeaderV1Size ||
                                     headerSize == kHeaderV2Size;
            if (knownHeader && Get32(p + kObjectSizeAt) >= headerSize)
                return at + static_cast<long long>(i);
        }
        at += static_cast<long long>(got - kBaseHeaderSize + 1);
    }
    return -1;
}

bool CBlfRead::QueueContainer(long long at, const std::uint8_t* base, std::uint32_t size) {
    const std::uint16_t method = Get16(base + kMethodAt);
    const std::uint32_t unpacked = Get32(base + kUnpackedSizeAt);
    const std::size_t packed = size - kContainerHeaderSize;
    if (method != kZlib && method != kStored)
        return TopLevelDamage(
            at, "a container packed with the unknown method " + std::to_string(method));
    if (method == kZlib && (unpacked > kMaxUnpacked || unpacked > packed * kMostPacking + 64))
        return TopLevelDamage(at, "a container that claims " + std::to_string(unpacked) +
                                      " unpacked bytes from " + std::to_string(packed));
    // A container that runs past the end of the file (cut, or its size
    // damaged) ends where the next object begins, or at the end: what
    // unpacks of it is still read.
    long long there = static_cast<long long>(packed);
    long long next = -1;
    if (there > fileSize - position) {
        const long long dataAt = position;
        next = FindNextObject(dataAt);
        there = (next >= 0 ? next : fileSize) - dataAt;
        if (!SeekTo(dataAt)) return TopLevelDamage(at, "cannot seek");
    }
    Container& c = containers.Next();
    c.offset = at;
    c.method = method;
    c.unpacked = unpacked;
    c.cut = there < static_cast<long long>(packed);
    c.afterGap = gap;
    c.damagesBefore = topDamages.size();
    gap = false;
    c.packed.resize(static_cast<std::size_t>(there));
    if (!Read(c.packed.data(), c.packed.size())) c.packed.resize(0);
    if (c.cut) {
        topDamages.push_back({at, "a container of " + std::to_string(packed) +
                                      " packed bytes runs past the end of the file; what unpacks "
                                      "of its " +
                                      std::to_string(there) + " bytes was read"});
        gap = true;
        if (next < 0 || !SeekTo(next)) {
            topEnded = true;
            cutEnd = true;
        }
    }
    halfClaims += method == kZlib ? unpacked : packed;
    const bool full = containers.Fill();
    if (full || halfClaims >= kHalfBudget) {
        halfClaims = 0;
        if (!FeedAll(containers.Rotate())) return false;
    }
    return !topEnded;
}

// One object of the top level: a container is queued for unpacking; a frame
// object outside any container (older writers) is read at once.
bool CBlfRead::ReadTopLevel() {
    long long at = position;
    std::uint8_t base[kContainerHeaderSize];
    if (!Read(base, kBaseHeaderSize)) {
        // Zero bytes after the last object are padding, not an object.
        bool zeros = true;
        for (long long i = 0; i < position - at; ++i) zeros = zeros && base[i] == 0;
        if (zeros) return false;
        return TopLevelDamage(at, "an object header cut short by the end of the file");
    }
    if (!HasSignature(base, kObjectSignature)) {
        // A writer that pads differently: the signature a few bytes on.
        int shift = 1;
        while (shift <= kMaxPadding && !HasSignature(base + shift, kObjectSignature)) ++shift;
        if (shift > kMaxPadding) {
            bool zeros = true;
            for (std::size_t i = 0; i < kBaseHeaderSize; ++i) zeros = zeros && base[i] == 0;
            if (zeros && position >= fileSize) return false;
            return TopLevelDamage(at, "no object begins here (no \"LOBJ\")");
        }
        at += shift;
        if (!SeekTo(at)) return TopLevelDamage(at, "cannot seek");
        if (!Read(base, kBaseHeaderSize))
            return TopLevelDamage(at, "an object header cut short by the end of the file");
    }
    const std::uint32_t size = Get32(base + kObjectSizeAt);
    const std::uint32_t type = Get32(base + kObjectTypeAt);
    if (size < kBaseHeaderSize)
        return TopLevelDamage(at, "an object size of " + std::to_string(size));
    const bool pastEnd = static_cast<long long>(size) > fileSize - at;
    if (type == kLogContainer) {
        if (size < kContainerHeaderSize)
            return TopLevelDamage(at, "a container of " + std::to_string(size) + " bytes");
        if (!Read(base + kBaseHeaderSize, kContainerHeaderSize - kBaseHeaderSize))
            return TopLevelDamage(at, "a container header cut short by the end of the file");
        if (!QueueContainer(at, base, size)) return false;
        // Past a container that ran past the end, reading goes on at the
        // next object found.
        if (gap) return true;
    } else if (pastEnd) {
        return TopLevelDamage(at, "an object of " + std::to_string(size) +
                                      " bytes runs past the end of the file (" +
                                      std::to_string(fileSize - at) + " bytes left)");
    } else if (type == kCanMessage || type == kCanMessage2 || type == kCanErrorExt ||
               type == kCanError || type == kCanFdMessage || type == kCanFdMessage64) {
        if (!Drain() || !Finish()) return false;
        NoteTopDamages(topDamages.size());
        std::array<std::uint8_t, kKeptBytes> object{};
        const std::size_t keep = std::min<std::size_t>(size, kKeptBytes);
        std::copy(base, base + kBaseHeaderSize, object.begin());
        if (!Read(object.data() + kBaseHeaderSize, keep - kBaseHeaderSize))
            return TopLevelDamage(at, "cut short");
        objectContainer = at;
        topLevel = true;
        const bool decoded = Decode(object.data(), keep, size);
        topLevel = false;
        lostTrack = false;
        if (!decoded && stopped) return false;
        if (!Skip(size - keep)) return TopLevelDamage(at, "cannot seek");
    } else {
        ++result.tally.otherObjects;
        if (!Skip(size - kBaseHeaderSize)) return TopLevelDamage(at, "cannot seek");
    }
    // Objects are followed by size mod 4 bytes of padding.
    const long long pad = std::min<long long>(size % 4, fileSize - position);
    if (!Skip(static_cast<std::uint64_t>(pad))) return TopLevelDamage(position, "cannot seek");
    return position < fileSize;
}

// Takes one byte of the base header of the next object, dropping bytes that
// cannot begin "LOBJ" (padding). False when too many bytes were dropped.
bool CBlfRead::TakeSignatureByte(std::uint8_t byte) {
    kept[keptCount++] = byte;
    for (;;) {
        const std::size_t check = std::min<std::size_t>(keptCount, 4);
        if (std::equal(kept.begin(), kept.begin() + check, kObjectSignature)) return true;
        std::copy(kept.begin() + 1, kept.begin() + keptCount, kept.begin());
        --keptCount;
        ++objectByte;
        if (++padding > kMaxPadding) {
            DamageInContainer("no object begins here");
            return false;
        }
        if (keptCount == 0) return true;
    }
}

bool CBlfRead::Feed(const std::uint8_t* data, std::size_t n, long long container) {
    std::size_t i = 0;
    while (i < n && !stopped) {
        if (lostTrack) {
            const auto* found = static_cast<const std::uint8_t*>(
                memmem(data + i, n - i, kObjectSignature, sizeof kObjectSignature));
            if (found == nullptr) return true;
            i = static_cast<std::size_t>(found - data);
            lostTrack = false;
        }
        if (skipLeft > 0) {
            const std::size_t k =
                static_cast<std::size_t>(std::min<std::uint64_t>(skipLeft, n - i));
            i += k;
            skipLeft -= k;
            continue;
        }
        if (keptCount == 0) {
            objectContainer = container;
            objectByte = i;
            // The usual case: the whole object within this container.
            if (n - i >= kBaseHeaderSize && HasSignature(data + i, kObjectSignature)) {
                const std::uint32_t size = Get32(data + i + kObjectSizeAt);
                // Damage here: the next signature is looked for after it.
                if (size < kBaseHeaderSize) {
                    DamageInContainer("an object size of " + std::to_string(size));
                    ++i;
                    continue;
                }
                const std::size_t keep = std::min<std::size_t>(size, kKeptBytes);
                if (n - i >= keep) {
                    if (Decode(data + i, keep, size)) {
                        i += keep;
                        skipLeft = size - keep;
                        padding = 0;
                    } else {
                        ++i;
                    }
                    continue;
                }
            }
        }
        // An object that continues in the next container, or padding.
        if (objectSize == 0) {
            if (!TakeSignatureByte(data[i++])) continue;
            if (keptCount < kBaseHeaderSize) continue;
            objectSize = Get32(kept.data() + kObjectSizeAt);
            if (objectSize < kBaseHeaderSize) {
                DamageInContainer("an object size of " + std::to_string(objectSize));
                continue;
            }
        }
        const std::size_t keep = std::min<std::size_t>(objectSize, kKeptBytes);
        const std::size_t k = std::min(keep - keptCount, n - i);
        std::copy(data + i, data + i + k, kept.begin() + static_cast<std::ptrdiff_t>(keptCount));
        keptCount += k;
        i += k;
        if (keptCount == keep) {
            const std::uint32_t size = objectSize;
            keptCount = 0;
            objectSize = 0;
            if (Decode(kept.data(), keep, size)) {
                skipLeft = size - keep;
                padding = 0;
            }
        }
    }
    return !stopped;
}

bool CBlfRead::Finish() {
    if (!lostTrack && (keptCount > 0 || skipLeft > 0))
        return DamageInContainer("an object that runs past the end of the file");
    return !stopped;
}

// False when the object is damaged: the stream has then lost track.
bool CBlfRead::Decode(const std::uint8_t* object, std::size_t keptLength, std::uint32_t size) {
    const std::uint16_t headerSize = Get16(object + kHeaderSizeFieldAt);
    const std::uint16_t version = Get16(object + kHeaderVersionAt);
    const std::uint32_t type = Get32(object + kObjectTypeAt);
    if (type != kCanMessage && type != kCanMessage2 && type != kCanErrorExt && type != kCanError &&
        type != kCanFdMessage && type != kCanFdMessage64) {
        ++result.tally.otherObjects;
        return true;
    }
    const std::size_t least = version == 1 ? kHeaderV1Size : version == 2 ? kHeaderV2Size : 0;
    // An unknown header version or a header that does not fit: the object is
    // passed over, the objects after it are still read.
    if (least == 0 || headerSize < least || headerSize > keptLength || headerSize > size) {
        ++result.tally.badObjects;
        return true;
    }
    const std::uint32_t flags = Get32(object + kTimeFlagsAt);
    const std::uint64_t stamp = Get64(object + kTimeStampAt);
    // Rounded to the nearest 0.1 ms: writers that compute nanoseconds from
    // binary floats land a few nanoseconds either side.
    const Ticks offset =
        static_cast<Ticks>(flags == kTimeTenMicros ? stamp / 10 + (stamp % 10 >= 5)
                                                   : stamp / 100000 + (stamp % 100000 >= 50000));
    if (offset > kLastTime - start) {
        DamageInContainer("a time beyond the year 9999");
        return false;
    }
    const Ticks time = start + offset;
    const std::uint8_t* body = object + headerSize;
    const std::size_t length = keptLength - headerSize;
    switch (type) {
        case kCanMessage:
        case kCanMessage2:
            DecodeCan(body, length, time);
            break;
        case kCanFdMessage:
            DecodeCanFd(body, length, time);
            break;
        case kCanFdMessage64:
            DecodeCanFd64(body, length, time);
            break;
        case kCanErrorExt:
            DecodeErrorExt(body, length, time);
            break;
        default:
            DecodeError(body, length, time);
            break;
    }
    return true;
}

void CBlfRead::AddCan(const CanFields& c, Ticks time) {
    const int bytes = c.fd ? FdLength(c.dlc) : std::min<int>(c.dlc, 8);
    // What is skipped or read otherwise is counted for the channel read, as
    // the frames that are kept.
    const bool counted = options.channel == 0 || c.channel == options.channel;
    if (bytes > 8) {
        if (counted) ++result.longFdFrames;
        return;
    }
    _VCI_CAN_OBJ frame{};
    frame.ExternFlag = (c.id & kExtendedId) != 0 ? 1 : 0;
    frame.ID = c.id & 0x1FFFFFFFu;
    // A standard identifier beyond 11 bits is no frame a bus carries; which
    // one was meant cannot be known.
    if (frame.ExternFlag == 0 && frame.ID > 0x7FF) {
        if (counted) ++result.tally.unfitIds;
        return;
    }
    // A transmit request is the frame the logger was asked to send.
    if (counted && c.direction == kDirectionTxRequest) ++result.tally.txRequests;
    if (counted && c.fd) ++result.tally.shortFdFrames;
    frame.SendType = c.direction == kDirectionTx || c.direction == kDirectionTxRequest
                         ? kSendTypeTransmitted
                         : 0;
    frame.RemoteFlag = !c.fd && c.remote ? 1 : 0;
    frame.DataLen = static_cast<std::uint8_t>(bytes);
    if (!frame.RemoteFlag) std::copy(c.data, c.data + std::min(bytes, c.valid), frame.Data);
    Add(time, frame, c.channel);
}

void CBlfRead::DecodeCan(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanMessageSize) {
        ++result.tally.badObjects;
        return;
    }
    AddCan({Get32(body + 4), static_cast<std::uint8_t>(body[2] & kDirectionMask), body[3],
            Get16(body), false, (body[2] & kRemoteFlag) != 0, body + 8, 8},
           time);
}

void CBlfRead::DecodeCanFd(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanFdMessageSize) {
        ++result.tally.badObjects;
        return;
    }
    AddCan({Get32(body + 4), static_cast<std::uint8_t>(body[2] & kDirectionMask), body[3],
            Get16(body), (body[kFdFlagsAt] & kFdEdl) != 0, (body[2] & kRemoteFlag) != 0,
            body + kFdDataAt, body[kFdValidBytesAt]},
           time);
}

void CBlfRead::DecodeCanFd64(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanFd64Size) {
        ++result.tally.badObjects;
        return;
    }
    const std::uint32_t flags = Get32(body + kFd64FlagsAt);
    const int there = static_cast<int>(length - kCanFd64Size);
    AddCan({Get32(body + 4), body[kFd64DirectionAt], body[1], body[0], (flags & kFd64Edl) != 0,
            (flags & kFd64Remote) != 0, body + kCanFd64Size, std::min<int>(body[2], there)},
           time);
}

// An error frame on the bus is the list's bus error, its error code capture
// (ECC) the event's sub-code. Only an identifier that carries the Linux error
// flag holds an error class (as this program and SocketCAN captures write
// them); any other identifier is that of the frame the error hit.
void CBlfRead::DecodeErrorExt(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanErrorExtSize) {
        ++result.tally.badObjects;
        return;
    }
    _VCI_CAN_OBJ frame{};
    const std::uint32_t id = Get32(body + kErrorIdAt);
    if ((id & CAN_ERR_FLAG) != 0 && (id & kExtendedId) == 0) {
        ErrorFrame error;
        error.errorClass = id & CAN_ERR_MASK;
        const int bytes = std::min<int>(body[kErrorDlcAt], 8);
        std::copy(body + kErrorDataAt, body + kErrorDataAt + bytes, error.data);
        frame.Reserved[0] = EventOfErrorFrame(error);
        frame.Reserved[2] = error.data[5];
    } else {
        frame.Reserved[0] = kBusErrorEvent;
        frame.Reserved[2] = body[kErrorEccAt];
    }
    Add(time, frame, Get16(body));
}

void CBlfRead::DecodeError(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanErrorSize) {
        ++result.tally.badObjects;
        return;
    }
    _VCI_CAN_OBJ frame{};
    frame.Reserved[0] = kBusErrorEvent;
    Add(time, frame, Get16(body));
}

void CBlfRead::Add(Ticks time, const _VCI_CAN_OBJ& frame, std::uint16_t channel) {
    _VCI_CAN_OBJ placed = frame;
    if (!spans.Place(time, placed)) {
        result.status = ReadStatus::kTooManySpans;
        Damage(objectContainer, "a recording span beyond the 128th begins");
        stopped = true;
        return;
    }
    out.frames.push_back(placed);
    out.channels.AddNumbered(channel);
}

ReadResult CBlfRead::Run() {
    if (std::fseek(file, 0, SEEK_END) == 0) fileSize = std::ftell(file);
    std::rewind(file);
    if (fileSize < 0) fileSize = 0;
    const bool headerRead = ReadHeader();
    if (headerRead) {
        while (!stopped && !topEnded && ReadTopLevel()) {
        }
        // A cut last container has its own damage, said after the frames
        // that unpacked from it.
        if (Drain() && !cutEnd) Finish();
        NoteTopDamages(topDamages.size());
    }
    containers.Finish();
    out.origTimeList = std::move(spans.Clocks());
    result.frames = static_cast<long long>(out.frames.size());
    if (result.status == ReadStatus::kOk) {
        if (std::ferror(file)) {
            result.status = ReadStatus::kReadError;
            result.error = errno;
        } else if (!headerRead || (result.damageOffset >= 0 && options.strict)) {
            result.status = ReadStatus::kDamagedAt;
        } else if (result.frames == 0) {
            result.status =
                result.damageOffset >= 0 ? ReadStatus::kDamagedAt : ReadStatus::kHoldsNoFrames;
        }
    }
    return result;
}

}  // namespace

ReadResult ReadBlf(std::FILE* file, const ReadOptions& options, CRecording& out, const BadLineFn&) {
    CBlfRead read(file, options, out);
    return read.Run();
}

}  // namespace korvex::formats
