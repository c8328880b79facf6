// Formats known by their contents: what each log begins with, the extension
// only where the contents fit several, and one refusal for a file that fits
// none.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "core/formats/FormatDetect.h"
#include "tests/core/formats/FormatTestSupport.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::formats::DataFormat;

TEST(FormatDetect, KnowsEachFormatByItsFirstBytes) {
    const std::string can = std::string("Quorvel CAN Data") + '\0' + "\x01\x02\x03";
    struct Case {
        std::string head;
        std::optional<DataFormat> byExtension;
        std::optional<DataFormat> detected;
    };
    const Case cases[] = {
        {can + std::string(24, '\0'), std::nullopt, DataFormat::kSnapshot},
        {can, DataFormat::kAsc, DataFormat::kSnapshot},
        {std::string("LOGG\x90\0\0\0", 8), DataFormat::kCandump, DataFormat::kBlf},
        {";$FILEVERSION=2.1\r\n;$STARTTIME=1\r\n", std::nullopt, DataFormat::kTrc},
        {";####\r\n;   Start time: 1.1.2000\r\n     1)      1841  0001  8  00\r\n", std::nullopt,
         DataFormat::kTrc},
        {"date Tue Nov 14 10:13:20.000 pm 2023\nbase hex  timestamps absolute\n", std::nullopt,
         DataFormat::kAsc},
        {"\xEF\xBB\xBF// comment\r\nbase dec timestamps relative\r\n", std::nullopt,
         DataFormat::kAsc},
        {"\n  (1700000000.000100) can0 123#C3D4\n", std::nullopt, DataFormat::kCandump},
        {"timestamp,arbitration_id,extended,remote,error,dlc,data\n1.0,0x1,0,0,0,0,\n",
         DataFormat::kCandump, DataFormat::kCsv},
        {"序号,时间标识,别名,帧ID,格式,类型,DLC,数据,备注\r\n0,,,0x1,数据帧,标准帧,0x00,,\r\n",
         std::nullopt, DataFormat::kCsv},
        // Both a candump line and an ASC header: the extension chooses among
        // them, else the first evidence.
        {"(1.0) can0 123#00\ndate Tue Nov 14 10:13:20 2023\n", DataFormat::kAsc, DataFormat::kAsc},
        {"(1.0) can0 123#00\ndate Tue Nov 14 10:13:20 2023\n", DataFormat::kTrc,
         DataFormat::kCandump},
        // Nothing in it: the extension's format, which reads no frame.
        {"", DataFormat::kCandump, DataFormat::kCandump},
        {"\r\n  \n", DataFormat::kTrc, DataFormat::kTrc},
        {"", std::nullopt, std::nullopt},
        {"hello world\n", DataFormat::kCandump, std::nullopt},
        {"a,b,c\nd,e,f\n", DataFormat::kCsv, std::nullopt},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), DataFormat::kCandump, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(korvex::formats::DetectFormatOfBytes(c.head, c.byExtension), c.detected)
            << c.head;
}

// A file of no known format, whatever its name, is refused in one sentence
// naming it and the formats read, and changes nothing.
TEST(FormatDetect, RefusesAFileOfNoKnownFormatInOneMessage) {
    korvex::test::TempFolder dir;
    std::string binary;
    for (std::uint32_t i = 0; i < 700000; ++i) binary += static_cast<char>(i * 7919u % 251);
    for (const char* name : {"trace.log", "trace.blf.bak", "trace"}) {
        korvex::test::WriteText(dir / name, binary);
        std::vector<std::pair<long long, std::string>> bad;
        const korvex::test::LoadedFile loaded = korvex::test::LoadFile(dir / name);
        EXPECT_EQ(loaded.result.status, korvex::formats::ReadStatus::kUnknownFormat) << name;
        EXPECT_TRUE(loaded.badLines.empty()) << name;
        EXPECT_TRUE(loaded.frames.empty()) << name;
        EXPECT_EQ(korvex::formats::ReadResultText(loaded.result, dir / name),
                  dir.File(name) +
                      " is not a recording in a format read here (candump, asc, csv, blf, trc, "
                      "pcap, pcapng, can or stream)");
    }
    // A log under another tool's name is read as what it is.
    korvex::test::WriteText(dir / "named.asc", "(1.000000) can0 123#01\n");
    const korvex::test::LoadedFile candump = korvex::test::LoadFile(dir / "named.asc");
    EXPECT_EQ(candump.result.status, korvex::formats::ReadStatus::kOk);
    EXPECT_EQ(candump.frames.size(), 1u);
}

// A folder, or a file that is not there, is refused with the reason of the
// open that failed, however much happened between the read and its message.
TEST(FormatDetect, SaysWhyAFileCannotBeOpened) {
    korvex::test::TempFolder dir;
    std::filesystem::create_directory(dir / "logs.blf");
    std::filesystem::create_directory(dir / "logs");
    const std::pair<const char*, const char*> cases[] = {
        {"logs.blf", "Is a directory"},
        {"logs", "Is a directory"},
        {"gone.asc", "No such file or directory"},
        {"gone.can", "No such file or directory"},
        {"gone", "No such file or directory"},
    };
    for (const auto& [name, reason] : cases) {
        const korvex::test::LoadedFile loaded = korvex::test::LoadFile(dir / name);
        errno = EAGAIN;
        EXPECT_EQ(korvex::formats::ReadResultText(loaded.result, dir / name),
                  "cannot open " + dir.File(name) + ": " + reason);
    }
}

}  // namespace
