#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/discover/Discover.h"
#include "core/discover/DraftDbc.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/KnownLayoutTraffic.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CliRun;
using korvex::test::RunCli;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;
namespace discover = korvex::discover;

// The frames as a candump log.
std::string CandumpLog(const std::vector<_VCI_CAN_OBJ>& frames) {
    std::string log;
    char line[64];
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const _VCI_CAN_OBJ& f = frames[i];
        std::snprintf(
            line, sizeof line,
            f.ExternFlag ? "(1700000000.%06zu) can0 %08X#" : "(1700000000.%06zu) can0 %03X#", i,
            f.ID);
        log += line;
        for (int b = 0; b < f.DataLen; ++b) {
            std::snprintf(line, sizeof line, "%02X", f.Data[b]);
            log += line;
        }
        log += '\n';
    }
    return log;
}

TEST(CliDiscover, DraftDatabaseDecodesTheRecordingItCameFrom) {
    TempFolder dir;
    korvex::test::CKnownTraffic traffic(3, 6);
    const std::vector<_VCI_CAN_OBJ> frames = traffic.Frames(400);
    WriteBytes(dir / "log.txt", CandumpLog(frames));

    const CliRun draft = RunCli({"discover", dir.File("log.txt"), "-o", dir.File("draft.dbc")});
    ASSERT_EQ(draft.status, 0) << draft.err;
    EXPECT_EQ(draft.out, "");
    const CliRun decoded = RunCli({"decode", dir.File("log.txt"), "--dbc", dir.File("draft.dbc")});
    ASSERT_EQ(decoded.status, 0) << decoded.err;

    // Every field of every frame, with the raw value the field holds.
    std::vector<discover::MessageDiscovery> found;
    ASSERT_TRUE(discover::DiscoverMessages(frames, {}, {}, found));
    std::vector<std::string> expected = {"index,time,id,message,signal,raw,value,unit,text"};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto m = std::find_if(found.begin(), found.end(),
                                    [&](const auto& d) { return d.key.id == frames[i].ID; });
        ASSERT_NE(m, found.end());
        const std::vector<std::string> names = discover::DraftFieldNames(*m);
        std::uint64_t word;
        std::memcpy(&word, frames[i].Data, sizeof word);
        for (std::size_t k = 0; k < m->fields.size(); ++k) {
            const discover::FoundField& field = m->fields[k];
            const std::uint64_t raw = discover::FieldRaw(field.bits, word);
            const long long value = field.isSigned ? discover::SignExtend(raw, field.bits.length)
                                                   : static_cast<long long>(raw);
            expected.push_back(std::to_string(i) + "," + discover::DraftMessageName(m->key) + "," +
                               names[k] + "," + std::to_string(value));
        }
    }
    // The decoded lines without time, identifier, value, unit and text.
    std::vector<std::string> lines;
    std::istringstream text(decoded.out);
    for (std::string line; std::getline(text, line);) {
        if (lines.empty()) {
            lines.push_back(line);
            continue;
        }
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
        ASSERT_GE(cells.size(), 6u) << line;
        lines.push_back(cells[0] + "," + cells[3] + "," + cells[4] + "," + cells[5]);
    }
    EXPECT_EQ(lines, expected);
}

TEST(CliDiscover, PrintsATableAndRefusesBadArguments) {
    TempFolder dir;
    korvex::test::CKnownTraffic traffic(3, 6);
    WriteBytes(dir / "log.txt", CandumpLog(traffic.Frames(400)));
    const std::uint32_t id = traffic.Messages()[0].key.id;
    char idText[16];
    std::snprintf(idText, sizeof idText, "%X", id);

    const CliRun table = RunCli({"discover", dir.File("log.txt"), "--ids", idText});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out.rfind(std::string("M_") + idText + "  id 0x" + idText, 0), 0u) << table.out;
    EXPECT_EQ(table.out.find("M_", 2), std::string::npos) << "only the identifier asked for";

    const CliRun few = RunCli({"discover", dir.File("log.txt"), "--min-frames", "401"});
    ASSERT_EQ(few.status, 0) << few.err;
    EXPECT_NE(few.out.find("too few frames (400)"), std::string::npos);
    EXPECT_EQ(few.out.find("signal "), std::string::npos);

    EXPECT_EQ(RunCli({"discover", dir.File("log.txt"), "--ids", "7FF"}).status, 1);
    EXPECT_EQ(RunCli({"discover", dir.File("missing.txt")}).status, 1);
    EXPECT_EQ(RunCli({"discover", dir.File("log.txt"), "-o", dir.File("no/such/dir.dbc")}).status,
              1);
    EXPECT_EQ(RunCli({"discover", dir.File("log.txt"), "--ids", "xyz"}).status, 2);
    EXPECT_EQ(RunCli({"discover", dir.File("log.txt"), "--min-frames", "0"}).status, 2);
    EXPECT_EQ(RunCli({"discover"}).status, 2);
    const CliRun help = RunCli({"discover", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--min-frames"), std::string::npos);
}

}  // namespace
