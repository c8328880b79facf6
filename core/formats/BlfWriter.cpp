#include <linux/can.h>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "core/formats/BlfFormat.h"
#include "core/formats/BlfLayout.h"
#include "core/formats/Deflate.h"
#include "core/formats/ErrorFrameMap.h"
#include "core/formats/LogStart.h"
#include "core/formats/OverlappedHalves.h"

namespace korvex::formats {
namespace {

using namespace blf;

// Containers hold at most this much unpacked; objects run on into the next.
constexpr std::size_t kContainerData = 128 * 1024;
constexpr std::size_t kContainersPerThread = 4;
// The fastest level: frames repeat so much that it packs nearly as well as
// the default, at several times its speed.
constexpr int kPackLevel = 1;

constexpr std::size_t kFrameObjectSize = kHeaderV1Size + kCanMessageSize;
constexpr std::size_t kErrorObjectSize = kHeaderV1Size + kCanErrorExtSize;
constexpr std::uint64_t kNanosPerTick = 100000;
// The version of the logging library a file claims to be written by.
constexpr std::uint8_t kBinLogVersion[4] = {2, 6, 8, 1};

struct Chunk {
    std::vector<std::uint8_t> data;  // unpacked, at most kContainerData
    std::vector<std::uint8_t> packed;
    std::size_t packedSize = 0;
    CPacker packer{kPackLevel};
};

void Pack(Chunk& c) {
    c.packedSize = c.packer.Pack(c.data.data(), c.data.size(), c.packed.data(), c.packed.size());
}

void PutObjectHeader(std::uint8_t* p, std::uint32_t type, std::size_t size, std::uint64_t nanos) {
    std::copy(kObjectSignature, kObjectSignature + 4, p);
    Put16(p + kHeaderSizeFieldAt, kHeaderV1Size);
    Put16(p + kHeaderVersionAt, 1);
    Put32(p + kObjectSizeAt, static_cast<std::uint32_t>(size));
    Put32(p + kObjectTypeAt, type);
    Put32(p + kTimeFlagsAt, kTimeOneNanos);
    Put32(p + kTimeFlagsAt + 4, 0);  // client index, object version
    Put64(p + kTimeStampAt, nanos);
}

// The object of one record; returns its size.
std::size_t PutRecord(std::uint8_t* p, const _VCI_CAN_OBJ& f, std::uint16_t channel,
                      std::uint64_t nanos) {
    if (EventCode(f) != 0) {
        PutObjectHeader(p, kCanErrorExt, kErrorObjectSize, nanos);
        std::uint8_t* body = p + kHeaderV1Size;
        std::fill(body, body + kCanErrorExtSize, 0);
        const ErrorFrame e = ErrorFrameOfEvent(EventCode(f), EventSubCode(f));
        Put16(body, channel);
        body[kErrorDlcAt] = 8;
        // The Linux error flag tells readers that the identifier is an error class.
        Put32(body + kErrorIdAt, CAN_ERR_FLAG | e.errorClass);
        std::copy(e.data, e.data + 8, body + kErrorDataAt);
        return kErrorObjectSize;
    }
    PutObjectHeader(p, kCanMessage, kFrameObjectSize, nanos);
    std::uint8_t* body = p + kHeaderV1Size;
    Put16(body, channel);
    std::uint8_t flags = f.SendType == kSendTypeTransmitted ? kDirectionTx : 0;
    if (f.RemoteFlag) flags |= kRemoteFlag;
    body[2] = flags;
    const std::uint8_t length = f.DataLen < 8 ? f.DataLen : 8;
    body[3] = length;
    Put32(body + 4, f.ExternFlag ? (f.ID & 0x1FFFFFFFu) | kExtendedId : f.ID & 0x7FFu);
    std::fill(body + 8, body + 16, 0);
    if (!f.RemoteFlag) std::copy(f.Data, f.Data + length, body + 8);
    return kFrameObjectSize;
}

// While the other threads pack one half of the containers, this one fills
// the other, then writes the packed half in order.
class CBlfWrite {
  public:
    CBlfWrite(std::FILE* file, bool utc) : file(file), utc(utc) {
        for (Chunk& c : chunks.All()) {
            c.data.reserve(kContainerData);
            c.packed.resize(c.packer.Bound(kContainerData));
        }
    }

    bool Begin() {
        const std::array<std::uint8_t, kFileHeaderSize> zeros{};
        return std::fwrite(zeros.data(), 1, zeros.size(), file) == zeros.size();
    }

    // Appends an object's bytes to the stream, starting a new container
    // where the current one is full.
    bool Append(const std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            std::vector<std::uint8_t>& data = chunks.Next().data;
            const std::size_t k = std::min(n, kContainerData - data.size());
            data.insert(data.end(), p, p + k);
            p += k;
            n -= k;
            if (data.size() == kContainerData && chunks.Fill() && !WriteAll(chunks.Rotate()))
                return false;
        }
        return true;
    }

    bool Finish(std::uint32_t objects, Ticks first, Ticks last) {
        if (!chunks.Next().data.empty()) chunks.Fill();
        if (!WriteAll(chunks.Rotate()) || !WriteAll(chunks.Finish())) return false;
        const long end = std::ftell(file);
        if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
        std::array<std::uint8_t, kFileHeaderSize> header{};
        std::copy(kFileSignature, kFileSignature + 4, header.begin());
        Put32(header.data() + kHeaderSizeAt, kFileHeaderSize);
        std::copy(kBinLogVersion, kBinLogVersion + 4, header.begin() + kBinLogVersionAt);
        Put64(header.data() + kFileSizeAt, static_cast<std::uint64_t>(end));
        Put64(header.data() + kUncompressedAt, unpackedTotal);
        Put32(header.data() + kObjectCountAt, objects);
        PutSystemTime(header.data() + kStartTimeAt, first, utc);
        PutSystemTime(header.data() + kStopTimeAt, last, utc);
        return std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
               std::fseek(file, 0, SEEK_END) == 0 && std::fflush(file) == 0;
    }

  private:
    bool WriteAll(std::span<Chunk> packed) {
        for (Chunk& c : packed) {
            if (c.packedSize == 0) return false;
            const std::size_t size = kContainerHeaderSize + c.packedSize;
            std::array<std::uint8_t, kContainerHeaderSize> head{};
            std::copy(kObjectSignature, kObjectSignature + 4, head.begin());
            Put16(head.data() + kHeaderSizeFieldAt, kBaseHeaderSize);
            Put16(head.data() + kHeaderVersionAt, 1);
            Put32(head.data() + kObjectSizeAt, static_cast<std::uint32_t>(size));
            Put32(head.data() + kObjectTypeAt, kLogContainer);
            Put16(head.data() + kMethodAt, kZlib);
            Put32(head.data() + kUnpackedSizeAt, static_cast<std::uint32_t>(c.data.size()));
            const std::array<std::uint8_t, 4> padding{};
            if (std::fwrite(head.data(), 1, head.size(), file) != head.size() ||
                std::fwrite(c.packed.data(), 1, c.packedSize, file) != c.packedSize ||
                std::fwrite(padding.data(), 1, size % 4, file) != size % 4)
                return false;
            unpackedTotal += kContainerHeaderSize + c.data.size();
            c.data.clear();
        }
        return true;
    }

    std::FILE* file;
    bool utc;
    COverlappedHalves<Chunk> chunks{kContainersPerThread, &Pack};
    std::uint64_t unpackedTotal = kFileHeaderSize;
};

}  // namespace

bool WriteBlf(std::FILE* file, const WriteSource& source, const WriteOptions& options) {
    const bool withEvents = !options.noEvents;
    const CFrameClock clock(source.origTimeList, options.utc);
    const Ticks start = LogStartTime(source, clock, withEvents, options.split);
    CBlfWrite write(file, options.utc);
    if (!write.Begin()) return false;
    std::uint32_t objects = 0;
    Ticks last = start;
    std::array<std::uint8_t, kErrorObjectSize> object{};
    const int count = source.frameStore.GetCount();
    _VCI_CAN_OBJ frame;
    for (int i = 0; i < count && source.frameStore.Get(i, &frame); ++i) {
        if (!IsLoggedRecord(frame, withEvents)) continue;
        const Ticks time = clock.AbsoluteTime(frame);
        last = std::max(last, time);
        const auto nanos =
            static_cast<std::uint64_t>(std::max<Ticks>(time - start, 0)) * kNanosPerTick;
        const auto channel = static_cast<std::uint16_t>(ChannelOf(source, i));
        if (!write.Append(object.data(), PutRecord(object.data(), frame, channel, nanos)))
            return false;
        ++objects;
    }
    return write.Finish(objects, start, last);
}

}  // namespace korvex::formats
