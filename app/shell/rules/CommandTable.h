#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The program's commands: who handles each and how its menu item and toolbar
// button are updated. Menus, toolbar and shortcuts all route through this one
// table, so a command behaves the same wherever the user chooses it.
namespace korvex::shell {

enum class CommandTarget {
    kView,        // the active view
    kDocument,    // the active view's document
    kChildFrame,  // the active child frame
    kMainFrame,
    kApplication,
    kFramework,  // the framework's default (exit, new, open, print setup)
    kNone,       // offered but without an action
};

enum class UpdateRule {
    kAlways,               // enabled, never checked
    kWhileHandled,         // enabled once a handler is installed for it
    kCheckedClockTime,     // checked when TimeShowType is 0
    kCheckedRelativeTime,  // checked when TimeShowType is not 0 (relative time shown)
    kWhilePaneClosed,      // enabled only while its pane is closed
    kWhileWindowExists,    // enabled once its window exists
    kCheckedLanguage,      // checked for the current language
};

struct ShellCommand {
    std::uint32_t id;
    CommandTarget target;
    UpdateRule rule;
    int pane;  // the pane a show-pane command shows; else 0
};

std::span<const ShellCommand> ShellCommands();

// The entry of `id`; a language item 40000 … 40100 answers the language entry.
std::optional<ShellCommand> FindShellCommand(std::uint32_t id);

// The two parts of a command string "tip\nshort name"; a string without a
// line break is its own tip and has no short name.
struct CommandText {
    std::string tip;
    std::string shortName;
};
CommandText SplitCommandString(const std::string& text);

// What an update rule decides, given the state it looks at.
struct CommandState {
    bool enabled = true;
    bool checked = false;
};
struct UpdateInputs {
    std::uint8_t timeShowType = 0;
    bool paneOpen = false;
    bool windowExists = false;
    bool handled = false;
    int languageIndex = 0;
    int currentLanguage = 0;
};
CommandState EvaluateUpdateRule(UpdateRule rule, const UpdateInputs& inputs);

}  // namespace korvex::shell
