#include "app/shell/rules/CommandTable.h"

#include <array>

#include "app/shell/rules/ShellIds.h"

namespace korvex::shell {
namespace {

using T = CommandTarget;
using U = UpdateRule;

constexpr std::array kCommands{
    ShellCommand{cmd::kImportData, T::kView, U::kAlways, 0},
    ShellCommand{cmd::kExportData, T::kView, U::kAlways, 0},
    ShellCommand{cmd::kImportOtherFormat, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kExportOtherFormat, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kImportDeviceConfig, T::kDocument, U::kAlways, 0},
    ShellCommand{cmd::kExportDeviceConfig, T::kDocument, U::kAlways, 0},
    ShellCommand{cmd::kExit, T::kFramework, U::kAlways, 0},
    ShellCommand{cmd::kShowSearchPane, T::kChildFrame, U::kWhilePaneClosed, pane::kSearch},
    ShellCommand{cmd::kShowSearchResultPane, T::kChildFrame, U::kWhilePaneClosed,
                 pane::kSearchResult},
    ShellCommand{cmd::kShowClusterPane, T::kChildFrame, U::kWhilePaneClosed, pane::kCluster},
    ShellCommand{cmd::kShowClusterResultPane, T::kChildFrame, U::kWhilePaneClosed,
                 pane::kClusterResult},
    ShellCommand{cmd::kShowSignalPane, T::kChildFrame, U::kWhilePaneClosed, pane::kSignals},
    ShellCommand{cmd::kShowDiagnosticsPane, T::kChildFrame, U::kWhilePaneClosed,
                 pane::kDiagnostics},
    ShellCommand{cmd::kSignalDatabases, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kSignalPlot, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kSignalBits, T::kView, U::kWhileHandled, 0},
    // The device and alias windows install their handlers on the view.
    ShellCommand{cmd::kDeviceConfig, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kPresetFrames, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kUpload, T::kView, U::kAlways, 0},
    ShellCommand{cmd::kClearDevice, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kClearList, T::kView, U::kAlways, 0},
    ShellCommand{cmd::kAliasNames, T::kView, U::kWhileHandled, 0},
    ShellCommand{cmd::kClockTime, T::kMainFrame, U::kCheckedClockTime, 0},
    ShellCommand{cmd::kRelativeTime, T::kMainFrame, U::kCheckedRelativeTime, 0},
    ShellCommand{cmd::kBusStatus, T::kMainFrame, U::kWhileWindowExists, 0},
    ShellCommand{cmd::kAbout, T::kApplication, U::kAlways, 0},
    ShellCommand{cmd::kNew, T::kFramework, U::kAlways, 0},
    ShellCommand{cmd::kOpen, T::kFramework, U::kAlways, 0},
    ShellCommand{cmd::kPrintSetup, T::kFramework, U::kAlways, 0},
    ShellCommand{cmd::kCustomize, T::kNone, U::kAlways, 0},
};

constexpr ShellCommand kLanguageCommand{cmd::kLanguageFirst, T::kApplication, U::kCheckedLanguage,
                                        0};

}  // namespace

std::span<const ShellCommand> ShellCommands() {
    return kCommands;
}

std::optional<ShellCommand> FindShellCommand(std::uint32_t id) {
    if (id >= cmd::kLanguageFirst && id <= cmd::kLanguageLast) {
        ShellCommand language = kLanguageCommand;
        language.id = id;
        return language;
    }
    for (const ShellCommand& command : kCommands)
        if (command.id == id) return command;
    return std::nullopt;
}

CommandText SplitCommandString(const std::string& text) {
    const std::size_t lineBreak = text.find('\n');
    if (lineBreak == std::string::npos) return {text, {}};
    return {text.substr(0, lineBreak), text.substr(lineBreak + 1)};
}

CommandState EvaluateUpdateRule(UpdateRule rule, const UpdateInputs& in) {
    switch (rule) {
        case UpdateRule::kAlways:
            return {};
        case UpdateRule::kWhileHandled:
            return {in.handled, false};
        case UpdateRule::kCheckedClockTime:
            return {true, in.timeShowType == 0};
        case UpdateRule::kCheckedRelativeTime:
            return {true, in.timeShowType != 0};
        case UpdateRule::kWhilePaneClosed:
            return {!in.paneOpen, false};
        case UpdateRule::kWhileWindowExists:
            return {in.windowExists, false};
        case UpdateRule::kCheckedLanguage:
            return {true, in.languageIndex == in.currentLanguage};
    }
    return {};
}

}  // namespace korvex::shell
