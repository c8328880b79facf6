#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "app/shell/ProgressDlg.h"
#include "app/shell/rules/ShellIds.h"
#include "core/DataFileReader.h"
#include "logport/include/logport.h"
#include "tests/app/shell/ShellTestSupport.h"
#include "tests/support/FrameFactory.h"
#include "tests/support/QtTestApplication.h"

namespace korvex::shell::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ShellShutdownTest : public ShellFixture {};

std::string Ini(const fs::path& file) {
    return korvex::test::ReadBytes(file);
}

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

// Quitting in every way a user or the desktop can while an upload waits for
// the recorder's count (the window is responsive) or shows its progress
// dialog: the upload is cancelled, the wait ends, the window closes and the
// worker is gone with its current exchange, long before the last slow block.
TEST_F(ShellShutdownTest, QuitDuringAnUploadCancelsItAndCloses) {
    const auto signal = [](int number) { return [number] { ASSERT_EQ(::raise(number), 0); }; };
    const struct {
        const char* what;
        bool inDialog;
        std::function<void()> quit;
    } cases[] = {
        {"SIGTERM, count", false, signal(SIGTERM)},
        {"SIGINT, count", false, signal(SIGINT)},
        {"Exit, count", false, [this] { main->RunCommand(cmd::kExit); }},
        {"close box, count", false, [this] { main->close(); }},
        {"session end, count", false, [this] { shell->RequestQuit(); }},
        {"SIGTERM, dialog", true, signal(SIGTERM)},
        {"SIGINT, dialog", true, signal(SIGINT)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Start(Image(4000, false));
        const PipeUsbSimFault lateCount{PIPEUSB_SIM_DELAY, 0, 0x17, 0, 1, 1000};
        ASSERT_EQ(PipeUsbSim_InjectFault(&lateCount), 1u);
        DelayBlocks(300, 10);
        CProgressDlg& dialog = View().ProgressDialog();
        const auto trigger = Every10ms([&] {
            const bool now = c.inDialog ? dialog.isVisible() && LGP_GetCurLoadCount() >= 400
                                        : PipeUsbSim_ExchangeCount(0, 0x1A) == 1;
            if (now) c.quit();
            return now;
        });
        main->RunCommand(cmd::kUpload);
        EXPECT_FALSE(main->isVisible() || dialog.isVisible());
        EXPECT_TRUE(shell->Quitting());
        shell->ExitInstance();
        // The count, then at most the block in flight and the next.
        EXPECT_LE(PipeUsbSim_ExchangeCount(0, 0x17), 4u);
        TearDown();
    }
}

// SIGTERM while an upload fills the list with real-time save on keeps what a
// cancel keeps: the blocks received reach the list and the file, which is
// closed only after the worker has handed them over (the application's loop
// ends, and with it aboutToQuit, before the shell's exit work).
TEST_F(ShellShutdownTest, SigtermDuringAnUploadKeepsItsFramesInTheRealTimeFile) {
    Start(Image(4000, false));
    ui.fileAnswer = folder.File("live.can");
    list->ToggleRealTimeSave();
    ASSERT_EQ(list->IsRealTimeSaving(), 1);
    // Slow blocks: the worker is still in one when the program quits.
    DelayBlocks(300, 10);
    CProgressDlg& dialog = View().ProgressDialog();
    const auto trigger = Every10ms([&] {
        if (!dialog.isVisible() || LGP_GetCurLoadCount() < 800) return false;
        EXPECT_EQ(::raise(SIGTERM), 0);
        return true;
    });
    QObject::connect(shell.get(), &CKorvexShell::quitRequested, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, main, [this] { main->RunCommand(cmd::kUpload); });
    QCoreApplication::exec();
    shell->ExitInstance();

    // The list is gone with the shell; the file holds what it was handed,
    // whole records only.
    const std::string bytes = korvex::test::ReadBytes(ui.fileAnswer);
    ASSERT_GE(bytes.size(), korvex::kSignatureBlockSize);
    const std::size_t records = bytes.size() - korvex::kSignatureBlockSize;
    EXPECT_EQ(records % korvex::kFrameRecordSize, 0u);
    EXPECT_GE(records / korvex::kFrameRecordSize, 800u);
}

// The real program in a folder of its own (its settings folder), on the
// offscreen platform with the virtual recorders `recorders`.
pid_t StartProgram(const fs::path& folder, const char* recorders, const char* argument) {
    fs::copy_file(KORVEX_PRO_BINARY, folder / "KorvexPro");
    fs::copy(fs::path(KORVEX_PRO_BINARY).parent_path() / "language", folder / "language");
    // A list without the chosen language: the program writes it at exit.
    std::ofstream(folder / "language" / "config.ini", std::ios::trunc)
        << "[LANGUAGES]\r\nCount=1\r\n0=9|1|C|English.xml|English\r\n";
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("PIPEUSB_BACKEND", "sim", 1);
    ::setenv("PIPEUSB_SIM", recorders, 1);
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    const std::string program = (folder / "KorvexPro").string();
    ::execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
    ::_exit(127);
}

// Polls `done` every 50 ms for up to 30 s.
bool Within30s(const std::function<bool()>& done) {
    for (int i = 0; i < 600; ++i, std::this_thread::sleep_for(50ms))
        if (done()) return true;
    return false;
}

// The program runs its own code (not the test's copy before its exec) and has
// installed its SIGTERM handler: bit 15 of SigCgt.
bool CatchesSigterm(pid_t pid, const fs::path& program) {
    std::error_code error;
    if (fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) != program) return false;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

// Asleep ('S') with the same CPU time as at the last call: idle in a loop.
bool IdleSinceLastCall(pid_t pid, std::string& last) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    std::string now;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i == 3 || i >= 14) now += field + " ";
    const bool idle = now == last && now[0] == 'S';
    last = now;
    return idle;
}

// The real program, ended from outside at any moment from start-up on — with
// a box open before its event loop runs, too — closes that box and itself the
// orderly way: exit status 0, every settings file written.
TEST(ShellProgram, SignalAtAnyMomentEndsItWithItsSettingsWritten) {
    const struct {
        const char* what;
        const char* recorders;
        bool missingFile;
        int signal;
        bool idle;
    } cases[] = {
        {"start-up box 设备未连接", "", false, SIGTERM, true},
        {"start-up box 设备未连接, SIGINT", "", false, SIGINT, true},
        {"box of an unreadable file on the command line", "empty", true, SIGTERM, true},
        {"main window", "empty", false, SIGTERM, true},
        {"as soon as it catches the signal", "", false, SIGTERM, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        korvex::test::TempFolder folder;
        const std::string missing = folder.File("missing.log");
        const pid_t pid =
            StartProgram(folder.Path(), c.recorders, c.missingFile ? missing.c_str() : nullptr);
        ASSERT_TRUE(Within30s([&] { return CatchesSigterm(pid, folder / "KorvexPro"); }));
        std::string last;
        int idleSamples = 0;
        if (c.idle) {
            EXPECT_TRUE(Within30s([&] {
                idleSamples = IdleSinceLastCall(pid, last) ? idleSamples + 1 : 0;
                return idleSamples >= 10;
            }));
        }
        ::kill(pid, c.signal);
        int status = -1;
        if (!Within30s([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            FAIL() << "still running";
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_NE(Ini(folder / "DevCfg.ini").find("iListRefreshTm=300"), std::string::npos);
        EXPECT_TRUE(fs::exists(folder / "softwareCfg.xml"));
        EXPECT_NE(Ini(folder / "language" / "config.ini").find("[LAST]\r\nSel=0"),
                  std::string::npos);
        EXPECT_TRUE(fs::exists(folder / "config" / "Korvex" / "KorvexPro.conf"));
    }
}

}  // namespace
}  // namespace korvex::shell::test
