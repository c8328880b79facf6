#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <system_error>

namespace korvex {

// A file mapped read-only and private: its bytes are read in place, and
// nothing the program does can change the file through the mapping. Pages
// are read from the disk when first touched, or ahead of use with Populate.
//
// A mapped file that another program truncates would kill the process with
// SIGBUS at the next touch of a page past its new end; while a mapping lives
// such pages read as zero bytes instead, and Truncated() says so.
class CMappedFile {
  public:
    // The file mapped whole, or null with `error` set. An empty file maps to
    // no bytes.
    static std::shared_ptr<CMappedFile> Open(const std::filesystem::path& path,
                                             std::error_code& error);
    ~CMappedFile();
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    const std::uint8_t* Data() const { return data; }
    std::size_t Size() const { return size; }

    // Reads the pages of [offset, offset + length) into memory; false when
    // the disk could not give them (the pages then stay unread).
    bool Populate(std::size_t offset, std::size_t length) const;

    // Tells the kernel that the pages will be read once, in order, by
    // passes that touch them as they go: it reads ahead of the touches, and
    // may drop the pages behind them first.
    void AdviseSequential() const;

    // True once a page of this file was found missing: the file was cut
    // short under the mapping, or the disk could not give the page.
    bool Truncated() const;
    // The same for any file this process has mapped, also one since closed.
    static bool AnyTruncated();

  private:
    CMappedFile(std::uint8_t* data, std::size_t size, int guardSlot);

    std::uint8_t* data;
    std::size_t size;
    int guardSlot;  // this mapping's entry in the SIGBUS guard, -1 for none
};

}  // namespace korvex
