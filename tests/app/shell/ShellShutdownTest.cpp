#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "core/DataFileReader.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/QtTestApplication.h"

namespace korvex::shell::test {
namespace {

namespace fs = std::filesystem;

class ShellShutdownTest : public ShellFixture {};

// SIGTERM closes the program the orderly way: the real-time file is
// complete, with every frame handed over before the signal.
TEST_F(ShellShutdownTest, SigtermDuringRealTimeSaveLeavesACompleteFile) {
    Start("empty");
    ui.fileAnswer = folder.File("live.can");
    list->SetCapacity(5000);
    list->ToggleRealTimeSave();
    ASSERT_EQ(list->IsRealTimeSaving(), 1);
    std::vector<_VCI_CAN_OBJ> frames;
    for (std::uint32_t i = 0; i < 3000; ++i) frames.push_back(korvex::test::MakeFrame(i, i + 1));
    list->AddFrames(frames.data(), static_cast<int>(frames.size()), 1);

    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !main->isVisible(); }));
    shell->ExitInstance();

    const std::string bytes = korvex::test::ReadBytes(ui.fileAnswer);
    ASSERT_EQ(bytes.size(), korvex::kSignatureBlockSize + 3000 * korvex::kFrameRecordSize);
    EXPECT_EQ(bytes.compare(0, 16, korvex::kDataFileSignature), 0);
    _VCI_CAN_OBJ last;
    std::memcpy(&last, bytes.data() + bytes.size() - sizeof last, sizeof last);
    EXPECT_EQ(last.ID, 2999u);
}

// A pid's handler mask: the program has installed its SIGTERM handler once
// bit 15 of SigCgt is set.
bool CatchesSigterm(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

std::string Ini(const fs::path& file) {
    return korvex::test::ReadBytes(file);
}

// The real program, started in a folder of its own and ended from outside,
// writes its settings files on the way out.
TEST(ShellProgram, StartToSigtermWritesTheSettingsFiles) {
    korvex::test::TempFolder folder;
    const fs::path program = folder / "KorvexPro";
    fs::copy_file(KORVEX_PRO_BINARY, program);
    fs::copy(fs::path(KORVEX_PRO_BINARY).parent_path() / "language", folder / "language");
    // A list without the chosen language: the program writes it at exit.
    std::ofstream(folder / "language" / "config.ini", std::ios::trunc)
        << "[LANGUAGES]\r\nCount=1\r\n0=9|1|C|English.xml|English\r\n";

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("PIPEUSB_BACKEND", "sim", 1);
        ::setenv("PIPEUSB_SIM", "empty", 1);
        ::setenv("HOME", folder.path.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (folder.path / "config").c_str(), 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool ready = false;
    for (int i = 0; i < 1000 && !ready; ++i) {
        ready = CatchesSigterm(pid);
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(ready);
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string devCfg = Ini(folder / "DevCfg.ini");
    EXPECT_NE(devCfg.find("[Main]"), std::string::npos);
    EXPECT_NE(devCfg.find("iListRefreshTm=300"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder / "softwareCfg.xml"));
    const std::string languages = Ini(folder / "language" / "config.ini");
    EXPECT_NE(languages.find("[LAST]"), std::string::npos);
    EXPECT_NE(languages.find("Sel=0"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder / "config" / "Korvex" / "KorvexPro.conf"));
}

}  // namespace
}  // namespace korvex::shell::test
