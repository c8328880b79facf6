#pragma once

#include <libdeflate.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

// zlib streams packed and unpacked whole, through libdeflate: several times
// faster than zlib itself both ways, for the same format. One object per
// thread at a time.
namespace korvex::formats {

enum class UnpackResult { kOk, kNotZlib, kOtherSize };

class CUnpacker {
  public:
    CUnpacker() : state(libdeflate_alloc_decompressor(), &libdeflate_free_decompressor) {
        if (!state) throw std::bad_alloc();
    }
    // Unpacks all of `in` into exactly `size` bytes at `out`.
    UnpackResult Unpack(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out,
                        std::size_t size) {
        std::size_t used = 0;
        std::size_t made = 0;
        switch (libdeflate_zlib_decompress_ex(state.get(), in, inSize, out, size, &used, &made)) {
            case LIBDEFLATE_SUCCESS:
                return used == inSize && made == size ? UnpackResult::kOk
                                                      : UnpackResult::kOtherSize;
            case LIBDEFLATE_BAD_DATA:
                return UnpackResult::kNotZlib;
            default:
                return UnpackResult::kOtherSize;
        }
    }

  private:
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> state;
};

class CPacker {
  public:
    explicit CPacker(int level)
        : state(libdeflate_alloc_compressor(level), &libdeflate_free_compressor) {
        if (!state) throw std::bad_alloc();
    }
    std::size_t Bound(std::size_t size) {
        return libdeflate_zlib_compress_bound(state.get(), size);
    }
    // The packed size, 0 when `room` is too small.
    std::size_t Pack(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                     std::size_t room) {
        return libdeflate_zlib_compress(state.get(), in, size, out, room);
    }

  private:
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> state;
};

}  // namespace korvex::formats
