#include "app/framelist/rules/RealTimeSave.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "core/DataFileReader.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/TempFolder.h"

namespace {

constexpr int kRun = 100;

// Frame n of a recording: every field derived from n, no event code.
_VCI_CAN_OBJ Frame(std::uint32_t n) {
    _VCI_CAN_OBJ frame = korvex::test::FrameFromCounter(n);
    frame.Reserved[0] = 0;
    return frame;
}

// A child that saves `runs` runs of frames 0, 1, 2 … (-1: until killed) as an
// upload hands them over, reporting on `report` how many it has handed over
// after each run; the file size limit stands in for a full disk.
pid_t StartSaver(const std::string& path, int report, rlim_t sizeLimit, int runs) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{sizeLimit, sizeLimit};
    CRealTimeSave save;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0 || !save.Start(path, {"序号"})) ::_exit(2);
    _VCI_CAN_OBJ run[kRun];
    for (std::uint32_t total = 0; runs-- != 0; total += kRun) {
        for (std::uint32_t i = 0; i < kRun; ++i) run[i] = Frame(total + i);
        save.Write(run, kRun, korvex::ExportRowContext{});
        const std::uint32_t handed = total + kRun;
        if (report >= 0 && ::write(report, &handed, sizeof handed) != sizeof handed) ::_exit(3);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    save.Stop();
    ::_exit(0);
}

// The file holds at least `atLeast` frames, in whole records: 20 + 24·n bytes
// holding frames 0 … n−1, or whole "\r\n" lines numbered from 0.
void ExpectWholeRecords(const std::string& path, std::uint32_t atLeast) {
    const std::string bytes = korvex::test::ReadBytes(path);
    if (path.ends_with(".can")) {
        const std::size_t body = bytes.size() - korvex::kSignatureBlockSize;
        ASSERT_EQ(body % korvex::kFrameRecordSize, 0u) << bytes.size();
        EXPECT_GE(body / korvex::kFrameRecordSize, atLeast);
        for (std::uint32_t i = 0; i < body / korvex::kFrameRecordSize; ++i) {
            const _VCI_CAN_OBJ expected = Frame(i);
            ASSERT_EQ(std::memcmp(bytes.data() + 20 + 24 * i, &expected, 24), 0) << i;
        }
        return;
    }
    ASSERT_TRUE(bytes.ends_with("\r\n"));
    std::uint32_t lines = 0;
    for (auto at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2))
        ++lines;
    EXPECT_GE(lines - 1, atLeast);  // the header line first
    const std::size_t last = bytes.rfind("\r\n", bytes.size() - 3) + 2;
    EXPECT_EQ(bytes.substr(last, bytes.find('\t', last) - last), std::to_string(lines - 2));
}

// Killed at any moment, or out of disk, a saver leaves every frame it was
// handed in the file, which ends on a whole record.
TEST(RealTimeSave, KilledOrOutOfDiskTheFileKeepsEveryHandedFrameInWholeRecords) {
    korvex::test::TempFolder folder;
    for (const std::string name : {"live.can", "live.txt"}) {
        for (const int runs : {1, 7, 40}) {
            SCOPED_TRACE(name + " killed after " + std::to_string(runs) + " runs");
            int ends[2];
            ASSERT_EQ(::pipe(ends), 0);
            const pid_t pid = StartSaver(folder.File(name), ends[1], RLIM_INFINITY, -1);
            ::close(ends[1]);
            std::uint32_t reported = 0;
            for (int i = 0; i < runs; ++i) ASSERT_EQ(::read(ends[0], &reported, 4), 4);
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            // Reports written before the kill landed count as well.
            for (std::uint32_t later = 0; ::read(ends[0], &later, 4) == 4;) reported = later;
            ::close(ends[0]);
            ExpectWholeRecords(folder.File(name), reported);
        }
        SCOPED_TRACE(name + " out of disk");
        int status = 0;
        ::waitpid(StartSaver(folder.File(name), -1, 1000, 3), &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        ExpectWholeRecords(folder.File(name), 1);
        EXPECT_GT(std::filesystem::file_size(folder.File(name)), 900u);
    }
}

}  // namespace
