#include "cli/CliCommands.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "app/device/rules/DeviceTexts.h"
#include "app/device/rules/RecorderAccess.h"
#include "app/shell/rules/ShellIds.h"
#include "cli/CliLanguage.h"
#include "cli/CommandTable.h"
#include "cli/DeviceInfoText.h"
#include "cli/PassProgress.h"
#include "cli/RecorderListText.h"
#include "cli/UploadWatcher.h"
#include "core/ApplyLanguage.h"
#include "core/DataFileReader.h"
#include "core/DataFileWriter.h"
#include "core/FrameStoreSink.h"
#include "core/KorvexGlobal.h"
#include "core/MappedFile.h"
#include "core/SettingsFolder.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_diag.h"
#include "protolens/include/protolens.h"
#include "xtp/XTPResourceManager.h"

namespace korvex::cli {
namespace {

// The program opens recorders with device type 21 and probes at most this
// many indices.
constexpr std::uint32_t kMaxDevices = 64;

struct FrameArrayDeleter {
    void operator()(_VCI_CAN_OBJ* p) const { delete[] p; }
};
using FrameArray = std::unique_ptr<_VCI_CAN_OBJ, FrameArrayDeleter>;

// Opens the recorder on construction and closes it on the way out, also
// after a failed open, as the program does.
class CDeviceSession {
  public:
    explicit CDeviceSession(std::uint32_t index)
        : index(index), opened(LGP_OpenDevice(LGP_DEVTYPE, index, 0) != 0) {}
    ~CDeviceSession() { LGP_CloseDevice(LGP_DEVTYPE, index); }
    CDeviceSession(const CDeviceSession&) = delete;
    CDeviceSession& operator=(const CDeviceSession&) = delete;
    bool Opened() const { return opened; }

  private:
    std::uint32_t index;
    bool opened;
};

int Fail(const CliStreams& io, const std::string& message) {
    io.err << message << '\n' << std::flush;
    return kExitFailed;
}

// The program's own message, in the language in use.
int Fail(const CliStreams& io, std::uint32_t message) {
    return Fail(io, XTPLoadString(message));
}

// The message for a recorder that did not open, and what to do when it is
// attached but refused or held by another program.
int FailToOpen(const CliStreams& io, std::uint32_t message, std::uint32_t index) {
    return Fail(io, device::WithRecorderProblem(XTPLoadString(message), index));
}

// Sends PipeUsb's trace of every transfer to err while a command runs.
class CExchangeTrace {
  public:
    CExchangeTrace(std::ostream& err, bool on) : on(on) {
        if (on) PipeUsb_SetTrace(&Line, &err);
    }
    ~CExchangeTrace() {
        if (on) PipeUsb_SetTrace(nullptr, nullptr);
    }
    CExchangeTrace(const CExchangeTrace&) = delete;
    CExchangeTrace& operator=(const CExchangeTrace&) = delete;

  private:
    static void Line(const char* line, void* err) {
        *static_cast<std::ostream*>(err) << "usb: " << line << '\n' << std::flush;
    }
    bool on;
};

// Takes `flag` out of `args`, wherever it stands; true when it was there.
bool TakeFlag(std::vector<std::string>& args, const char* flag) {
    return std::erase(args, flag) > 0;
}

// A page of a mapped input that went missing while a pass read it (the file
// was cut short, or the disk failed) read as zero bytes: the output made from
// it is incomplete, and the command fails.
int InputStayedWhole(const CliStreams& io, int status) {
    if (status != kExitOk || !CMappedFile::AnyTruncated()) return status;
    io.err << "korvex-cli: the input file was cut short or could not be read while it was "
              "worked on; the output is incomplete\n"
           << std::flush;
    return kExitFailed;
}

int UsageError(const CliStreams& io, const std::string& error, CliVerb verb) {
    io.err << "korvex-cli: " << error << "\n" << UsageText(verb);
    if (verb == CliVerb::kDump) io.err << InputOptionsHelp();
    if (verb == CliVerb::kNone) io.err << CommandTableUsage();
    io.err << std::flush;
    return kExitUsage;
}

}  // namespace

void LoadViewSettings(CKorvexGlobal& global, const std::filesystem::path& settingsFolder) {
    if (settingsFolder.empty()) return;
    global.iniPath = (settingsFolder / CKorvexGlobal::kDevCfgName).string();
    global.LoadSettings();
    global.iniPath.clear();
    global.LoadDocument((settingsFolder / CKorvexGlobal::kSoftwareCfgName).string());
    global.LoadAliasGroup(0);
}

// The captions the plug-in gives the frame list. The plug-in reads its frame
// words ("数据帧", "标准帧", ...) only when told the language, so it is told,
// as the program does at start-up.
void TakeColumns(CFrameStoreSink& sink) {
    std::int32_t language = CliLanguageIndex();
    SetControlList(&sink);
    IOCtl(kPluginLanguageChanged, &language, sizeof language, 0, 0);
    SetControlList(nullptr);
}

int OpenFrameView(CKorvexGlobal& global, CFrameStoreSink& sink, const InputOptions& input,
                  int timeShowType, const std::filesystem::path& settingsFolder,
                  const CliStreams& io) {
    LoadViewSettings(global, settingsFolder);
    if (timeShowType >= 0) global.TimeShowType = static_cast<std::uint8_t>(timeShowType);
    TakeColumns(sink);
    global.frameSinks[0] = {&sink};
    return LoadInputFile(input, global, io);
}

int RunDevices(const CliStreams& io) {
    // Every recorder that is attached is listed, also one that cannot be
    // opened: the user learns which it is and what to do about it.
    const std::uint32_t count = GetDeviceList() == 1 ? std::min(GetDevCount(), kMaxDevices) : 0;
    std::string text;
    std::uint32_t listed = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        PipeUsbDevInfo info{};
        if (PipeUsb_DescribeDev(i, &info) != 1) continue;
        ++listed;
        text += RecorderLine(i, info) + '\n';
        if (info.access == PIPEUSB_ACCESS_DENIED || info.access == PIPEUSB_ACCESS_BUSY)
            text +=
                "     " + device::RecorderProblemText({info.access, info.bus, info.address}) + '\n';
    }
    std::fprintf(io.out, "Recorders (device type %u): %u\n%s", LGP_DEVTYPE, listed, text.c_str());
    std::fflush(io.out);
    return kExitOk;
}

int RunUpload(const CliOptions& options, const std::filesystem::path& settingsFolder,
              const CliStreams& io) {
    CKorvexGlobal global;
    LoadViewSettings(global, settingsFolder);
    CFrameStoreSink sink;
    global.frameSinks[0] = {&sink};

    CDeviceSession device(options.deviceIndex);
    if (!device.Opened())
        return FailToOpen(io, shell::res::kStrOpenDeviceFailed, options.deviceIndex);
    std::uint8_t clockCount = 0;
    const FrameArray clocks(LGP_GetOrigTimeList(LGP_DEVTYPE, options.deviceIndex, &clockCount));
    if (!clocks) return Fail(io, shell::res::kStrClockListFailed);
    global.RebuildOrigTimeList(clocks.get(), clockCount);

    std::uint32_t count = 0;
    const auto start = std::chrono::steady_clock::now();
    FrameArray frames;
    {
        CUploadWatcher watcher(io.err, io.progress);
        frames.reset(LGP_LoadFrame(LGP_DEVTYPE, options.deviceIndex, &count));
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!frames) return Fail(io, shell::res::kStrUploadFailed);
    // The total stands when the recorder was pulled out mid-upload: what came
    // is written, and the upload still fails.
    const bool cutShort = LGP_GetAllLoadCount() != 0;

    const int shown = global.AddUploadFrames(frames.get(), static_cast<int>(count));
    bool written;
    if (IsBinaryDataFileName(options.outputPath)) {
        written = WriteSnapshotFile(options.outputPath, global.origTimeList, sink.frameStore);
    } else {
        TakeColumns(sink);
        written = WriteTextExportFile(options.outputPath, sink.captions, sink.frameStore,
                                      global.ExportContext(&AnalyCANFrame));
    }
    if (!written) {
        return Fail(io, "korvex-cli: cannot write " + options.outputPath.string() + ": " +
                            std::strerror(errno));
    }
    char time[48];
    std::snprintf(time, sizeof time, "(Time: %.03f s)", elapsed.count());
    std::fprintf(io.out, "%s %s\n",
                 FrameCountText(XTPLoadString(shell::res::kStrFrameTotal), shown).c_str(), time);
    std::fflush(io.out);
    return cutShort ? Fail(io, shell::res::kStrUploadFailed) : kExitOk;
}

int RunDump(const CliOptions& options, const std::filesystem::path& settingsFolder,
            const CliStreams& io) {
    CKorvexGlobal global;
    CFrameStoreSink sink;
    if (const int status =
            OpenFrameView(global, sink, options.input, options.timeShowType, settingsFolder, io))
        return status;
    CPassProgress writing(io, "writing");
    if (!WriteTextExport(io.out, sink.captions, sink.frameStore,
                         global.ExportContext(&AnalyCANFrame), writing.Split()))
        return Fail(io, std::string("korvex-cli: cannot write the text: ") + std::strerror(errno));
    return kExitOk;
}

int RunInfo(const CliOptions& options, const CliStreams& io) {
    CDeviceSession device(options.deviceIndex);
    if (!device.Opened())
        return FailToOpen(io, shell::res::kStrOpenDeviceFailed, options.deviceIndex);
    BaseInfo base{};
    FilterInfo filter{};
    if (!LGP_GetBaseInfo(LGP_DEVTYPE, options.deviceIndex, &base) ||
        !LGP_GetFilterInfo(LGP_DEVTYPE, options.deviceIndex, &filter))
        return Fail(io, device::ids::kFailed);
    const std::string text = DeviceInfoText(base, filter);
    std::fwrite(text.data(), 1, text.size(), io.out);
    std::fflush(io.out);
    return kExitOk;
}

int RunCommandLine(const std::vector<std::string>& args,
                   const std::filesystem::path& settingsFolder, const CliStreams& io) {
    // Texts taken by number come from the language chosen in the settings
    // folder, or from --language for this run, over the built-in resources.
    std::vector<std::string> rest = args;
    int language = -1;
    std::string error;
    const CExchangeTrace trace(io.err, TakeFlag(rest, kVerboseOption));
    if (!TakeLanguageOption(rest, language, error) ||
        !InstallCliLanguage(settingsFolder, InstalledLanguageFolder(ProgramFolder()), language,
                            error))
        return UsageError(io, error, CliVerb::kNone);
    if (!rest.empty()) {
        if (const CliCommand* command = FindCliCommand(rest[0]))
            return InputStayedWhole(
                io, command->run({rest.begin() + 1, rest.end()}, settingsFolder, io));
    }
    CliOptions options;
    if (!ParseCliOptions(rest, options, error)) return UsageError(io, error, options.verb);
    if (options.help) {
        std::fputs(UsageText(options.verb), io.out);
        if (options.verb == CliVerb::kDump) std::fputs(InputOptionsHelp(), io.out);
        if (options.verb == CliVerb::kNone) std::fputs(CommandTableUsage().c_str(), io.out);
        std::fflush(io.out);
        return kExitOk;
    }
    switch (options.verb) {
        case CliVerb::kDevices:
            return RunDevices(io);
        case CliVerb::kUpload:
            return RunUpload(options, settingsFolder, io);
        case CliVerb::kDump:
            return InputStayedWhole(io, RunDump(options, settingsFolder, io));
        case CliVerb::kInfo:
            return RunInfo(options, io);
        case CliVerb::kNone:
            break;
    }
    return kExitUsage;
}

}  // namespace korvex::cli
