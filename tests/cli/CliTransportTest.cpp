#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/frame/TimeText.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/DiagnosticTraffic.h"
#include "tests/support/TempFolder.h"

namespace {

using korvex::test::CDiagnosticTraffic;
using korvex::test::CliRun;
using korvex::test::ExpectedEpisode;
using korvex::test::ExpectedMessage;
using korvex::test::RunCli;
using korvex::test::TempFolder;
using korvex::test::WriteBytes;

// Span k of the log starts two hours after span k-1, so that reading it
// opens a new recording span.
constexpr long long kFirstSecond = 1'700'000'000;

long long Micros(const _VCI_CAN_OBJ& f) {
    return (kFirstSecond + 7200LL * f.Reserved[1]) * 1'000'000 + f.TimeStamp * 100LL;
}

std::string CandumpLog(const std::vector<_VCI_CAN_OBJ>& frames) {
    std::string log;
    char line[96];
    for (const _VCI_CAN_OBJ& f : frames) {
        const long long us = Micros(f);
        std::snprintf(line, sizeof line,
                      f.ExternFlag ? "(%lld.%06lld) can0 %08X#" : "(%lld.%06lld) can0 %03X#",
                      us / 1'000'000, us % 1'000'000, f.ID);
        log += line;
        log += korvex::test::Hex({f.Data, f.Data + f.DataLen});
        log += '\n';
    }
    return log;
}

std::string TimeText(const _VCI_CAN_OBJ& frame) {
    std::string text;
    korvex::FormatRelativeTime(frame, text);
    return text;
}

std::string Quoted(const std::string& field) {
    if (field.find_first_of(",\"") == std::string::npos) return field;
    std::string out = "\"";
    for (const char c : field) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + '"';
}

// The CSV the messages make, in the order of their first frames.
std::string TransportCsv(const CDiagnosticTraffic& t, std::vector<ExpectedMessage> messages) {
    std::sort(messages.begin(), messages.end(),
              [](const ExpectedMessage& a, const ExpectedMessage& b) { return a.first < b.first; });
    std::string csv = "first,last,time,protocol,source,target,pgn,length,status,data,meaning\n";
    for (const ExpectedMessage& m : messages) {
        csv += std::to_string(m.first) + ',' + std::to_string(m.last) + ',' +
               TimeText(t.frames[static_cast<std::size_t>(m.last)]) + ',' + m.protocol + ',' +
               m.source + ',' + m.target + ',' + m.pgn + ',' + std::to_string(m.length) + ',' +
               m.status + ',' + m.data + ',' + Quoted(m.meaning) + '\n';
    }
    return csv;
}

class CliTransport : public ::testing::Test {
  protected:
    void SetUp() override {
        traffic = korvex::test::DiagnosticScenario(episodes);
        WriteBytes(dir / "diag.log", CandumpLog(traffic.frames));
    }
    CliRun Run(std::vector<std::string> args) {
        args.insert(args.begin() + 1, dir.File("diag.log"));
        args.insert(args.end(), {"--time", "relative"});
        return RunCli(args);
    }
    TempFolder dir;
    CDiagnosticTraffic traffic;
    std::vector<ExpectedEpisode> episodes;
};

TEST_F(CliTransport, WritesEveryMessageWithItsEnd) {
    const CliRun run = Run({"transport"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, TransportCsv(traffic, traffic.messages));

    // Named pairs replace the standard ones; J1939 stays.
    std::vector<ExpectedMessage> named;
    std::vector<ExpectedMessage> j1939;
    for (const ExpectedMessage& m : traffic.messages) {
        if (m.protocol != "ISO-TP") j1939.push_back(m);
        if (m.protocol != "ISO-TP" || m.source == "0x7E1" || m.source == "0x7E9")
            named.push_back(m);
    }
    const CliRun pairs = Run({"transport", "--isotp", "7E1:0x7E9", "-o", dir.File("out.csv")});
    ASSERT_EQ(pairs.status, 0) << pairs.err;
    EXPECT_EQ(pairs.out, "");
    EXPECT_EQ(korvex::test::ReadBytes(dir / "out.csv"), TransportCsv(traffic, named));
    const CliRun none = Run({"transport", "--isotp", "none"});
    EXPECT_EQ(none.out, TransportCsv(traffic, j1939));
}

TEST_F(CliTransport, NamesSpnsFromADatabase) {
    WriteBytes(dir / "j1939.dbc", R"(VERSION ""
BO_ 2566834942 ET1: 8 Engine
 SG_ EngineCoolantTemperature : 0|8@1+ (1,-40) [-40|210] "degC" Vector__XXX
BA_DEF_ SG_ "SPN" INT 0 524287;
BA_ "SPN" SG_ 2566834942 EngineCoolantTemperature 110;
)");
    const CliRun run = Run({"transport", "--dbc", dir.File("j1939.dbc")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("SPN 110 FMI 0 OC 3 CM 0 (EngineCoolantTemperature); SPN 100 FMI 1"),
              std::string::npos);
    EXPECT_EQ(run.out.find("SPN 100 FMI 1 OC 1 CM 0 ("), std::string::npos);
}

TEST_F(CliTransport, ListsFaultCodeEpisodes) {
    const CliRun run = Run({"dtc"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string csv = "source,spn,fmi,oc,first,last,first_time,last_time,reports,active_at_end\n";
    char line[160];
    for (const ExpectedEpisode& e : episodes) {
        std::snprintf(line, sizeof line, "0x%02X,%u,%d,%d,%lld,%lld,%s,%s,%d,%s\n", e.source, e.spn,
                      e.fmi, e.occurrences, static_cast<long long>(e.first),
                      static_cast<long long>(e.last),
                      TimeText(traffic.frames[static_cast<std::size_t>(e.first)]).c_str(),
                      TimeText(traffic.frames[static_cast<std::size_t>(e.last)]).c_str(), e.reports,
                      e.activeAtEnd ? "yes" : "no");
        csv += line;
    }
    EXPECT_EQ(run.out, csv);
}

TEST_F(CliTransport, RefusesWhatItCannotDo) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* error;
    } cases[] = {
        {{"transport", "--isotp", "7E0"}, 2, "not REQ:RESP"},
        {{"dtc", "--isotp", "none"}, 2, "unexpected argument '--isotp'"},
        {{"transport", "--time", "later"}, 2, "--time takes"},
        {{"transport", "-o", "/nonexistent/x.csv"}, 1, "cannot write"},
    };
    for (const auto& c : cases) {
        const CliRun run = Run(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[1];
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunCli({"transport", dir.File("diag.log"), "--isotp"}).status, 2);
    EXPECT_EQ(RunCli({"transport", dir.File("missing.log")}).status, 1);
    EXPECT_EQ(RunCli({"dtc"}).status, 2);
    for (const char* command : {"transport", "dtc"}) {
        const CliRun help = RunCli({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.out.find("--from FORMAT"), std::string::npos);
    }
}

// The pcap of frames with the SocketCAN link type, as Wireshark reads it.
std::string SocketCanPcap(const std::vector<_VCI_CAN_OBJ>& frames) {
    std::string out;
    const auto put32 = [&](std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [&](std::uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    put32(0xA1B2C3D4);
    put16(2);
    put16(4);
    put32(0);
    put32(0);
    put32(65535);
    put32(227);
    for (const _VCI_CAN_OBJ& f : frames) {
        const long long us = Micros(f);
        put32(static_cast<std::uint32_t>(us / 1'000'000));
        put32(static_cast<std::uint32_t>(us % 1'000'000));
        put32(16);
        put32(16);
        const std::uint32_t id = f.ID | (f.ExternFlag ? 0x80000000u : 0);
        const unsigned char head[8] = {static_cast<unsigned char>(id >> 24),
                                       static_cast<unsigned char>(id >> 16),
                                       static_cast<unsigned char>(id >> 8),
                                       static_cast<unsigned char>(id),
                                       f.DataLen,
                                       0,
                                       0,
                                       0};
        out.append(reinterpret_cast<const char*>(head), 8);
        out.append(reinterpret_cast<const char*>(f.Data), 8);
    }
    return out;
}

TEST_F(CliTransport, IsoTpMessagesEqualWiresharks) {
    if (std::system("tshark --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tshark is not installed";
    // Only the ISO-TP traffic: Wireshark would read every identifier as ISO-TP.
    std::vector<_VCI_CAN_OBJ> isoTp;
    for (const _VCI_CAN_OBJ& f : traffic.frames) {
        const bool standard = !f.ExternFlag && f.ID >= 0x7DF && f.ID <= 0x7EF;
        const bool fixed = f.ExternFlag && ((f.ID >> 16) == 0x18DA || (f.ID >> 16) == 0x18DB);
        if (standard || fixed) isoTp.push_back(f);
    }
    WriteBytes(dir / "isotp.log", CandumpLog(isoTp));
    WriteBytes(dir / "isotp.pcap", SocketCanPcap(isoTp));
    const std::string fields = dir.File("tshark.txt");
    const std::string command = "tshark -r '" + dir.File("isotp.pcap") +
                                "' -d can.subdissector,iso15765 -T fields -E separator=, "
                                "-e frame.number -e iso15765.message_type -e "
                                "iso15765.reassembled.length -e data.data > '" +
                                fields + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    // Wireshark's messages: single frames, and the frames that end a reassembly.
    std::map<std::int64_t, std::string> theirs;
    std::istringstream lines(korvex::test::ReadBytes(fields));
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) f.push_back(cell);
        f.resize(4);
        if (f[1] == "0x00" || !f[2].empty()) {
            for (char& c : f[3]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            theirs[std::stoll(f[0]) - 1] = f[3];
        }
    }
    const CliRun run = RunCli({"transport", dir.File("isotp.log")});
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::int64_t, std::string> ours;
    std::istringstream rows(run.out);
    std::string row;
    std::getline(rows, row);
    while (std::getline(rows, row)) {
        std::vector<std::string> f;
        std::istringstream cells(row);
        for (std::string cell; f.size() < 10 && std::getline(cells, cell, ',');) f.push_back(cell);
        if (f[8] == "complete") ours[std::stoll(f[1])] = f[9];
    }
    EXPECT_GT(ours.size(), 10u);
    EXPECT_EQ(ours, theirs);
}

}  // namespace
