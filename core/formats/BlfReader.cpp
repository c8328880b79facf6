#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/formats/BlfFormat.h"
#include "core/formats/BlfLayout.h"
#include "core/formats/Deflate.h"
#include "core/formats/ErrorFrameMap.h"
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
// Containers unpacked together, per thread.
constexpr std::size_t kContainersPerThread = 8;
// At most this many frames are reserved for in advance, and no more than a
// file of that size could hold (zlib packs at most about 1000:1, a frame
// object takes 48 bytes).
constexpr std::size_t kMaxReserve = 1 << 24;
constexpr std::uint64_t kFramesPerFileByte = 22;

struct Container {
    long long offset = 0;  // of its object in the file
    std::uint16_t method = kStored;
    std::uint32_t unpacked = 0;
    std::vector<std::uint8_t> packed;
    std::vector<std::uint8_t> data;
    const char* error = nullptr;  // why it cannot be unpacked
    CUnpacker unpacker;
};

void Unpack(Container& c) {
    c.error = nullptr;
    if (c.method == kStored) {
        c.data.swap(c.packed);
        return;
    }
    switch (c.unpacker.Unpack(c.packed.data(), c.packed.size(), c.data.data(), c.unpacked)) {
        case UnpackResult::kOk:
            break;
        case UnpackResult::kNotZlib:
            c.error = "its data is not a zlib stream";
            break;
        case UnpackResult::kOtherSize:
            c.error = "its data does not unpack to the size it states";
            break;
    }
}

// Identifier and format of a frame; false for a standard identifier beyond
// 11 bits, which no bus carries.
bool PutIdentifier(std::uint32_t raw, _VCI_CAN_OBJ& frame) {
    frame.ExternFlag = (raw & kExtendedId) != 0 ? 1 : 0;
    frame.ID = raw & 0x1FFFFFFFu;
    return frame.ExternFlag != 0 || frame.ID <= 0x7FF;
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

class CBlfRead {
  public:
    CBlfRead(std::FILE* file, const ReadOptions& options, CRecording& out)
        : file(file), options(options), out(out), spans(options.utc, options.bitRateIndex) {
        out.origTimeList.clear();
        out.frames.clear();
        out.channels = {};
    }
    CBlfRead(const CBlfRead&) = delete;
    CBlfRead& operator=(const CBlfRead&) = delete;

    ReadResult Run();

  private:
    bool ReadHeader();
    bool ReadTopLevel();
    bool Read(void* to, std::size_t n);
    bool Skip(std::uint64_t n);
    // While the other threads unpack one half of the containers, this one
    // splits those unpacked before into objects. Drain unpacks and splits
    // every container read so far.
    bool Drain() { return FeedAll(containers.Rotate()) && FeedAll(containers.Finish()); }
    bool FeedAll(std::span<Container> unpacked);
    // The unpacked contents of the containers, in order, split into objects.
    bool Feed(const std::uint8_t* data, std::size_t n, long long container);
    bool Finish();
    bool TakeSignatureByte(std::uint8_t byte);
    bool Decode(const std::uint8_t* object, std::size_t kept, std::uint32_t size);
    void AddCan(const CanFields& can, Ticks time);
    void DecodeCan(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeCanFd(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeCanFd64(const std::uint8_t* body, std::size_t length, Ticks time);
    void DecodeError(const std::uint8_t* body, std::size_t length, Ticks time);
    void Add(Ticks time, const _VCI_CAN_OBJ& frame, std::uint16_t channel);
    bool Damage(long long offset, std::string why);
    bool DamageInContainer(std::string why);
    // Damage at the top level ends the reading of objects; the containers
    // before it are still unpacked.
    bool TopDamage(long long offset, std::string why) {
        topDamageOffset = offset;
        topDamage = std::move(why);
        return false;
    }

    std::FILE* file;
    const ReadOptions& options;
    CRecording& out;
    CSpanBuilder spans;
    ReadResult result;
    COverlappedHalves<Container> containers{kContainersPerThread, &Unpack};
    long long fileSize = 0;
    long long position = 0;  // of the next byte read from the file
    Ticks start = 0;
    bool stopped = false;

    // The object being gathered across containers: its first bytes (up to
    // kKeptBytes), its size once its base header is complete, and how much
    // of it is still to be passed over.
    std::array<std::uint8_t, kKeptBytes> kept{};
    std::size_t keptCount = 0;
    std::uint32_t objectSize = 0;
    std::uint64_t skipLeft = 0;
    int padding = 0;
    long long objectContainer = 0;  // where the object began: its container's offset
    std::size_t objectByte = 0;     // and the byte within that container's data
    bool topLevel = false;          // the object stands outside any container
    long long topDamageOffset = -1;
    std::string topDamage;
};

bool CBlfRead::Damage(long long offset, std::string why) {
    if (result.damageOffset < 0) {
        result.damageOffset = offset;
        result.damage = std::move(why);
    }
    stopped = true;
    return false;
}

bool CBlfRead::DamageInContainer(std::string why) {
    if (topLevel) return Damage(objectContainer, why);
    return Damage(objectContainer, "object at byte " + std::to_string(objectByte) +
                                       " of the container's data: " + why);
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

bool CBlfRead::ReadHeader() {
    std::uint8_t header[kFileHeaderFields];
    if (!Read(header, 4) || !HasSignature(header, kFileSignature))
        return Damage(0, "the file does not begin with the BLF signature \"LOGG\"");
    if (!Read(header + 4, kFileHeaderFields - 4)) return Damage(0, "the file header is cut short");
    const std::uint32_t headerSize = Get32(header + kHeaderSizeAt);
    if (headerSize < kFileHeaderFields || headerSize > kMaxHeaderSize)
        return Damage(kHeaderSizeAt, "a file header size of " + std::to_string(headerSize));
    if (headerSize > fileSize) return Damage(0, "the file header is cut short");
    if (!Skip(headerSize - kFileHeaderFields)) return Damage(position, "cannot seek");
    // A start time of zeros (or before 1970) leaves the times relative, as
    // frames without a clock record.
    start = SystemTimeTicks(header + kStartTimeAt, options.utc).value_or(0);

    const std::uint64_t objects = Get32(header + kObjectCountAt);
    const std::uint64_t unpacked = Get64(header + kUncompressedAt);
    const std::uint64_t plausible = std::min<std::uint64_t>(
        static_cast<std::uint64_t>(fileSize) * kFramesPerFileByte, unpacked / kBaseHeaderSize);
    out.frames.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(std::min<std::uint64_t>(objects, plausible), kMaxReserve)));
    return true;
}

bool CBlfRead::FeedAll(std::span<Container> unpacked) {
    for (Container& c : unpacked) {
        if (stopped) break;
        if (c.error != nullptr) return Damage(c.offset, std::string("container: ") + c.error);
        if (!Feed(c.data.data(), c.data.size(), c.offset)) return false;
    }
    return !stopped;
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
        return TopDamage(at, "an object header cut short by the end of the file");
    }
    if (!HasSignature(base, kObjectSignature)) {
        // A writer that pads differently: the signature a few bytes on.
        int shift = 1;
        while (shift <= kMaxPadding && !HasSignature(base + shift, kObjectSignature)) ++shift;
        if (shift > kMaxPadding) {
            bool zeros = true;
            for (std::size_t i = 0; i < kBaseHeaderSize; ++i) zeros = zeros && base[i] == 0;
            if (zeros && position >= fileSize) return false;
            return TopDamage(at, "no object begins here (no \"LOBJ\")");
        }
        at += shift;
        if (std::fseek(file, at, SEEK_SET) != 0) return TopDamage(at, "cannot seek");
        position = at;
        if (!Read(base, kBaseHeaderSize))
            return TopDamage(at, "an object header cut short by the end of the file");
    }
    const std::uint32_t size = Get32(base + kObjectSizeAt);
    const std::uint32_t type = Get32(base + kObjectTypeAt);
    if (size < kBaseHeaderSize) return TopDamage(at, "an object size of " + std::to_string(size));
    if (static_cast<long long>(size) > fileSize - at)
        return TopDamage(at, "an object of " + std::to_string(size) +
                                 " bytes runs past the end of the file (" +
                                 std::to_string(fileSize - at) + " bytes left)");
    if (type == kLogContainer) {
        if (size < kContainerHeaderSize)
            return TopDamage(at, "a container of " + std::to_string(size) + " bytes");
        if (!Read(base + kBaseHeaderSize, kContainerHeaderSize - kBaseHeaderSize))
            return TopDamage(at, "cut short");
        Container& c = containers.Next();
        c.offset = at;
        c.method = Get16(base + kMethodAt);
        c.unpacked = Get32(base + kUnpackedSizeAt);
        c.packed.resize(size - kContainerHeaderSize);
        if (c.method == kZlib) {
            if (c.unpacked > kMaxUnpacked || c.unpacked > c.packed.size() * kMostPacking + 64)
                return TopDamage(at, "a container that claims " + std::to_string(c.unpacked) +
                                         " unpacked bytes from " + std::to_string(c.packed.size()));
            c.data.resize(c.unpacked);
        } else if (c.method != kStored) {
            return TopDamage(
                at, "a container packed with the unknown method " + std::to_string(c.method));
        }
        if (!Read(c.packed.data(), c.packed.size())) return TopDamage(at, "cut short");
        if (containers.Fill() && !FeedAll(containers.Rotate())) return false;
    } else if (type == kCanMessage || type == kCanMessage2 || type == kCanErrorExt ||
               type == kCanFdMessage || type == kCanFdMessage64) {
        if (!Drain() || !Finish()) return false;
        std::array<std::uint8_t, kKeptBytes> object{};
        const std::size_t keep = std::min<std::size_t>(size, kKeptBytes);
        std::copy(base, base + kBaseHeaderSize, object.begin());
        if (!Read(object.data() + kBaseHeaderSize, keep - kBaseHeaderSize))
            return TopDamage(at, "cut short");
        objectContainer = at;
        topLevel = true;
        const bool decoded = Decode(object.data(), keep, size);
        topLevel = false;
        if (!decoded) return false;
        if (!Skip(size - keep)) return TopDamage(at, "cannot seek");
    } else if (!Skip(size - kBaseHeaderSize)) {
        return TopDamage(at, "cannot seek");
    }
    // Objects are followed by size mod 4 bytes of padding.
    const long long pad = std::min<long long>(size % 4, fileSize - position);
    if (!Skip(static_cast<std::uint64_t>(pad))) return TopDamage(position, "cannot seek");
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
        if (++padding > kMaxPadding) return DamageInContainer("no object begins here");
        if (keptCount == 0) return true;
    }
}

bool CBlfRead::Feed(const std::uint8_t* data, std::size_t n, long long container) {
    std::size_t i = 0;
    while (i < n) {
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
                if (size < kBaseHeaderSize)
                    return DamageInContainer("an object size of " + std::to_string(size));
                const std::size_t keep = std::min<std::size_t>(size, kKeptBytes);
                if (n - i >= keep) {
                    if (!Decode(data + i, keep, size)) return false;
                    i += keep;
                    skipLeft = size - keep;
                    padding = 0;
                    continue;
                }
            }
        }
        // An object that continues in the next container, or padding.
        if (objectSize == 0) {
            if (!TakeSignatureByte(data[i++])) return false;
            if (keptCount < kBaseHeaderSize) continue;
            objectSize = Get32(kept.data() + kObjectSizeAt);
            if (objectSize < kBaseHeaderSize)
                return DamageInContainer("an object size of " + std::to_string(objectSize));
        }
        const std::size_t keep = std::min<std::size_t>(objectSize, kKeptBytes);
        const std::size_t k = std::min(keep - keptCount, n - i);
        std::copy(data + i, data + i + k, kept.begin() + static_cast<std::ptrdiff_t>(keptCount));
        keptCount += k;
        i += k;
        if (keptCount == keep) {
            if (!Decode(kept.data(), keep, objectSize)) return false;
            skipLeft = objectSize - keep;
            keptCount = 0;
            objectSize = 0;
            padding = 0;
        }
    }
    return true;
}

bool CBlfRead::Finish() {
    if (keptCount > 0 || skipLeft > 0)
        return DamageInContainer("an object that runs past the end of the file");
    return true;
}

bool CBlfRead::Decode(const std::uint8_t* object, std::size_t keptLength, std::uint32_t size) {
    const std::uint16_t headerSize = Get16(object + kHeaderSizeFieldAt);
    const std::uint16_t version = Get16(object + kHeaderVersionAt);
    const std::uint32_t type = Get32(object + kObjectTypeAt);
    if (type != kCanMessage && type != kCanMessage2 && type != kCanErrorExt &&
        type != kCanFdMessage && type != kCanFdMessage64)
        return true;
    const std::size_t least = version == 1 ? kHeaderV1Size : version == 2 ? kHeaderV2Size : 0;
    // An unknown header version or a header that does not fit: the object is
    // passed over, the objects after it are still read.
    if (least == 0 || headerSize < least || headerSize > keptLength || headerSize > size)
        return true;
    const std::uint32_t flags = Get32(object + kTimeFlagsAt);
    const std::uint64_t stamp = Get64(object + kTimeStampAt);
    // Rounded to the nearest 0.1 ms: writers that compute nanoseconds from
    // binary floats land a few nanoseconds either side.
    const Ticks offset =
        static_cast<Ticks>(flags == kTimeTenMicros ? stamp / 10 + (stamp % 10 >= 5)
                                                   : stamp / 100000 + (stamp % 100000 >= 50000));
    if (offset > kLastTime - start) return DamageInContainer("a time beyond the year 9999");
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
        default:
            DecodeError(body, length, time);
            break;
    }
    return !stopped;
}

void CBlfRead::AddCan(const CanFields& c, Ticks time) {
    // A transmit request is not a frame on the bus.
    if (c.direction == kDirectionTxRequest) return;
    const int bytes = c.fd ? FdLength(c.dlc) : std::min<int>(c.dlc, 8);
    if (bytes > 8) {
        // Counted for the channel read, as the frames that are kept.
        if (options.channel == 0 || c.channel == options.channel) ++result.longFdFrames;
        return;
    }
    _VCI_CAN_OBJ frame{};
    if (!PutIdentifier(c.id, frame)) return;
    frame.SendType = c.direction == kDirectionTx ? kSendTypeTransmitted : 0;
    frame.RemoteFlag = !c.fd && c.remote ? 1 : 0;
    frame.DataLen = static_cast<std::uint8_t>(bytes);
    if (!frame.RemoteFlag) std::copy(c.data, c.data + std::min(bytes, c.valid), frame.Data);
    Add(time, frame, c.channel);
}

void CBlfRead::DecodeCan(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanMessageSize) return;
    AddCan({Get32(body + 4), static_cast<std::uint8_t>(body[2] & kDirectionMask), body[3],
            Get16(body), false, (body[2] & kRemoteFlag) != 0, body + 8, 8},
           time);
}

void CBlfRead::DecodeCanFd(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanFdMessageSize) return;
    AddCan({Get32(body + 4), static_cast<std::uint8_t>(body[2] & kDirectionMask), body[3],
            Get16(body), (body[kFdFlagsAt] & kFdEdl) != 0, (body[2] & kRemoteFlag) != 0,
            body + kFdDataAt, body[kFdValidBytesAt]},
           time);
}

void CBlfRead::DecodeCanFd64(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanFd64Size) return;
    const std::uint32_t flags = Get32(body + kFd64FlagsAt);
    const int there = static_cast<int>(length - kCanFd64Size);
    AddCan({Get32(body + 4), body[kFd64DirectionAt], body[1], body[0], (flags & kFd64Edl) != 0,
            (flags & kFd64Remote) != 0, body + kCanFd64Size, std::min<int>(body[2], there)},
           time);
}

// An error frame becomes an event record as a Linux error frame of the same
// class and data would: the identifier's low bits are the error class.
void CBlfRead::DecodeError(const std::uint8_t* body, std::size_t length, Ticks time) {
    if (length < kCanErrorExtSize) return;
    ErrorFrame error;
    error.errorClass = Get32(body + kErrorIdAt) & 0x1FFFFFFFu;
    const int bytes = std::min<int>(body[kErrorDlcAt], 8);
    std::copy(body + kErrorDataAt, body + kErrorDataAt + bytes, error.data);
    _VCI_CAN_OBJ frame{};
    frame.Reserved[0] = EventOfErrorFrame(error);
    frame.Reserved[2] = error.data[5];
    Add(time, frame, Get16(body));
}

void CBlfRead::Add(Ticks time, const _VCI_CAN_OBJ& frame, std::uint16_t channel) {
    _VCI_CAN_OBJ placed = frame;
    if (!spans.Place(time, placed)) {
        result.status = ReadStatus::kTooManySpans;
        DamageInContainer("a recording span beyond the 128th begins");
        return;
    }
    out.frames.push_back(placed);
    out.channels.AddNumbered(channel);
}

ReadResult CBlfRead::Run() {
    if (std::fseek(file, 0, SEEK_END) == 0) fileSize = std::ftell(file);
    std::rewind(file);
    if (fileSize < 0) fileSize = 0;
    if (ReadHeader()) {
        while (!stopped && ReadTopLevel()) {
        }
        if (!stopped && Drain()) {
            if (topDamageOffset >= 0) {
                Damage(topDamageOffset, std::move(topDamage));
            } else {
                Finish();
            }
        }
    }
    containers.Finish();
    out.origTimeList = std::move(spans.Clocks());
    result.frames = static_cast<long long>(out.frames.size());
    if (result.status == ReadStatus::kOk) {
        if (std::ferror(file)) {
            result.status = ReadStatus::kReadError;
        } else if (result.damageOffset >= 0 && (result.frames == 0 || options.strict)) {
            result.status = ReadStatus::kDamagedAt;
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
