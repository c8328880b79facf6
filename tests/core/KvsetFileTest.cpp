#include "core/KvsetFile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace {

using korvex::KvsetStatus;
using korvex::test::ReadBytes;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

std::string U32(std::uint32_t v) {
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

std::string Packed(const std::string& plain) {
    uLongf n = compressBound(static_cast<uLong>(plain.size()));
    std::string out(n, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(plain.data()),
             static_cast<uLong>(plain.size()));
    out.resize(n);
    return out;
}

// One entry as the format lays it out; `storedName` includes whatever
// terminator the test wants.
std::string Entry(const std::string& storedName, const std::string& plain) {
    const std::string packed = Packed(plain);
    return U32(static_cast<std::uint32_t>(storedName.size())) + storedName +
           U32(static_cast<std::uint32_t>(plain.size())) +
           U32(static_cast<std::uint32_t>(packed.size())) + packed;
}

std::string Name(const char* s) {
    return std::string(s) + '\0';
}

struct Imported {
    korvex::KvsetImportResult result;
    std::map<std::string, std::string> files;
    std::vector<std::string> order;
};

Imported Import(const std::string& bytes, int failStoreAt = -1) {
    TempFolder dir;
    WriteBytes(dir / "in.kvset", bytes);
    Imported out;
    out.result = korvex::ImportKvsetFile(
        dir / "in.kvset", [&](const std::string& name, const std::vector<std::uint8_t>& data) {
            if (static_cast<int>(out.order.size()) == failStoreAt) return false;
            out.order.push_back(name);
            out.files[name] = std::string(data.begin(), data.end());
            return true;
        });
    return out;
}

const std::string kIni =
    "[Main]\r\niCurCANInd=0\r\nbCurSelProtocol=0000000000\r\niRecordLength=1\r\n";

TEST(KvsetFile, ExportLayoutIsByteExact) {
    TempFolder dir;
    WriteBytes(dir / "DevCfg.ini", kIni);
    ASSERT_EQ(korvex::ExportKvsetFile(dir / "a.kvset", dir / "DevCfg.ini", "DevCfg.ini"),
              KvsetStatus::kOk);
    const std::string bytes = ReadBytes(dir / "a.kvset");
    EXPECT_EQ(bytes.substr(0, 16), std::string("\x01\x0B\0\0\0DevCfg.ini\0", 16));
    EXPECT_EQ(bytes, std::string(1, '\1') + Entry(Name("DevCfg.ini"), kIni));
    EXPECT_EQ(bytes.substr(24, 2), "\x78\x9C");  // the zlib stream starts at offset 24
}

TEST(KvsetFile, ExportThenImportGivesTheSameFile) {
    TempFolder dir;
    std::string big = kIni;
    for (int i = 0; i < 3000; ++i) big += "CANSetting=" + std::to_string(i * 7919) + "\r\n";
    WriteBytes(dir / "DevCfg.ini", big);
    ASSERT_EQ(korvex::ExportKvsetFile(dir / "b.kvset", dir / "DevCfg.ini", "DevCfg.ini"),
              KvsetStatus::kOk);
    const Imported got = Import(ReadBytes(dir / "b.kvset"));
    EXPECT_EQ(got.result.status, KvsetStatus::kOk);
    EXPECT_EQ(got.result.entriesStored, 1);
    ASSERT_EQ(got.files.count("DevCfg.ini"), 1u);
    EXPECT_EQ(got.files.at("DevCfg.ini"), big);
}

TEST(KvsetFile, FailedExportLeavesNoCountByte) {
    TempFolder dir;
    EXPECT_EQ(korvex::ExportKvsetFile(dir / "c.kvset", dir / "absent.ini", "DevCfg.ini"),
              KvsetStatus::kCannotReadSource);
    EXPECT_EQ(ReadBytes(dir / "c.kvset"), "");
    WriteBytes(dir / "DevCfg.ini", kIni);
    EXPECT_EQ(korvex::ExportKvsetFile(dir / "no" / "c.kvset", dir / "DevCfg.ini", "DevCfg.ini"),
              KvsetStatus::kCannotCreate);
}

TEST(KvsetFile, CountZeroAndEmptyFilesStoreNothing) {
    Imported zero = Import(std::string(1, '\0') + Entry(Name("DevCfg.ini"), kIni));
    EXPECT_EQ(zero.result.status, KvsetStatus::kOk);
    EXPECT_TRUE(zero.files.empty());
    Imported empty = Import("");
    EXPECT_EQ(empty.result.status, KvsetStatus::kTruncated);
    EXPECT_TRUE(empty.files.empty());
    // An entry may hold an empty file.
    Imported emptyEntry = Import("\1" + Entry(Name("e.ini"), ""));
    EXPECT_EQ(emptyEntry.result.status, KvsetStatus::kOk);
    EXPECT_EQ(emptyEntry.files.at("e.ini"), "");
}

TEST(KvsetFile, UnsafeNamesStopTheImport) {
    const struct {
        std::string stored;
        KvsetStatus status;
    } cases[] = {
        {std::string(1, '\0'), KvsetStatus::kBadName},
        {"", KvsetStatus::kBadName},            // name length 0
        {"DevCfg.ini", KvsetStatus::kBadName},  // no terminating zero
        {Name("/etc/passwd"), KvsetStatus::kBadName},
        {Name("sub/DevCfg.ini"), KvsetStatus::kBadName},
        {Name("..\\DevCfg.ini"), KvsetStatus::kBadName},
        {Name("C:\\DevCfg.ini"), KvsetStatus::kBadName},
        {Name(".."), KvsetStatus::kBadName},
        {Name("a..b"), KvsetStatus::kBadName},
        {Name("."), KvsetStatus::kBadName},
        {std::string(300, 'n') + '\0', KvsetStatus::kBadName},
    };
    for (const auto& c : cases) {
        const Imported got = Import("\3" + Entry(Name("first.ini"), "one") +
                                    Entry(c.stored, "evil") + Entry(Name("third.ini"), "three"));
        EXPECT_EQ(got.result.status, c.status) << c.stored;
        EXPECT_EQ(got.result.entriesStored, 1) << c.stored;
        EXPECT_EQ(got.order, std::vector<std::string>{"first.ini"}) << c.stored;
    }
    // The stored name ends at its first zero, as a C text would.
    const Imported early = Import("\1" + Entry(std::string("ok.ini\0junk\0", 12), "x"));
    EXPECT_EQ(early.order, std::vector<std::string>{"ok.ini"});
}

TEST(KvsetFile, LengthsAreCheckedBeforeUse) {
    const std::string name = Name("DevCfg.ini");
    const std::string packed = Packed(kIni);
    const std::string head = "\1" + U32(static_cast<std::uint32_t>(name.size())) + name;

    // Above 16 MiB unpacked: refused before any buffer is made for it.
    Imported tooLarge = Import(head + U32((16u << 20) + 1) +
                               U32(static_cast<std::uint32_t>(packed.size())) + packed);
    EXPECT_EQ(tooLarge.result.status, KvsetStatus::kTooLarge);
    // Exactly 16 MiB is allowed (zeros pack small).
    const std::string zeros(16u << 20, '\0');
    Imported limit = Import("\1" + Entry(name, zeros));
    EXPECT_EQ(limit.result.status, KvsetStatus::kOk);
    EXPECT_EQ(limit.files.at("DevCfg.ini").size(), zeros.size());

    // A compressed length past the end of the file.
    Imported beyond =
        Import(head + U32(static_cast<std::uint32_t>(kIni.size())) + U32(0xFFFFFFF0u) + packed);
    EXPECT_EQ(beyond.result.status, KvsetStatus::kTruncated);
    EXPECT_TRUE(beyond.files.empty());
    // A name length past the end of the file.
    Imported nameBeyond = Import("\1" + U32(200) + "abc");
    EXPECT_EQ(nameBeyond.result.status, KvsetStatus::kTruncated);

    // A stream that unpacks to more than the stated length does not fit its buffer.
    Imported shortBuffer = Import(head + U32(static_cast<std::uint32_t>(kIni.size() - 1)) +
                                  U32(static_cast<std::uint32_t>(packed.size())) + packed);
    EXPECT_EQ(shortBuffer.result.status, KvsetStatus::kBadData);
    EXPECT_TRUE(shortBuffer.files.empty());
    std::string corrupt = packed;
    corrupt[corrupt.size() / 2] ^= 0x40;
    Imported bad = Import(head + U32(static_cast<std::uint32_t>(kIni.size())) +
                          U32(static_cast<std::uint32_t>(corrupt.size())) + corrupt);
    EXPECT_EQ(bad.result.status, KvsetStatus::kBadData);
    EXPECT_TRUE(bad.files.empty());
}

TEST(KvsetFile, StatedLengthOnlySizesTheBuffer) {
    const std::string name = Name("DevCfg.ini");
    const std::string packed = Packed(kIni);
    const std::string head = "\2" + U32(static_cast<std::uint32_t>(name.size())) + name;
    const std::string next = Entry(Name("next.ini"), "two");

    // A larger stated length: the file holds what the stream unpacks to, no
    // padding, and the next entry is still read.
    Imported roomy = Import(head + U32(static_cast<std::uint32_t>(kIni.size() + 100)) +
                            U32(static_cast<std::uint32_t>(packed.size())) + packed + next);
    EXPECT_EQ(roomy.result.status, KvsetStatus::kOk);
    EXPECT_EQ(roomy.files.at("DevCfg.ini"), kIni);
    EXPECT_EQ(roomy.files.at("next.ini"), "two");

    // Bytes after the end of the stream but inside the compressed length are
    // skipped with it.
    const std::string padded = packed + std::string(5, '\x77');
    Imported trailing = Import(head + U32(static_cast<std::uint32_t>(kIni.size())) +
                               U32(static_cast<std::uint32_t>(padded.size())) + padded + next);
    EXPECT_EQ(trailing.result.status, KvsetStatus::kOk);
    EXPECT_EQ(trailing.files.at("DevCfg.ini"), kIni);
    EXPECT_EQ(trailing.files.at("next.ini"), "two");
}

TEST(KvsetFile, EveryTruncationStopsCleanly) {
    const std::string first = Entry(Name("a.ini"), "alpha");
    const std::string second = Entry(Name("b.ini"), kIni);
    const std::string whole = "\2" + first + second;
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const Imported got = Import(whole.substr(0, cut));
        EXPECT_NE(got.result.status, KvsetStatus::kOk) << cut;
        const int expected = cut >= 1 + first.size() ? 1 : 0;
        EXPECT_EQ(got.result.entriesStored, expected) << cut;
    }
    EXPECT_EQ(Import(whole).result.entriesStored, 2);
}

TEST(KvsetFile, StoreFailureStopsTheImport) {
    const Imported got =
        Import("\2" + Entry(Name("a.ini"), "alpha") + Entry(Name("b.ini"), "beta"), 0);
    EXPECT_EQ(got.result.status, KvsetStatus::kStoreFailed);
    EXPECT_EQ(got.result.entriesStored, 0);
    EXPECT_TRUE(got.files.empty());
    EXPECT_EQ(korvex::ImportKvsetFile("/nonexistent/x.kvset", {}).status, KvsetStatus::kCannotOpen);
}

}  // namespace
