#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CommandArgs.h"
#include "core/CanSetting.h"

// What the device settings commands share: reading their options, usage
// errors, and the device setting record of DevCfg.ini.
namespace korvex::cli {

// Walks a command's arguments: options, their values, plain words.
class CArgCursor {
  public:
    explicit CArgCursor(const std::vector<std::string>& args) : args(args) {}
    bool Done() const { return at >= args.size(); }
    const std::string& Take() { return args[at++]; }
    // The value after the option just taken; false when there is none.
    bool Value(std::string& value) {
        if (Done()) return false;
        value = args[at++];
        return true;
    }

  private:
    const std::vector<std::string>& args;
    std::size_t at = 0;
};

// Prints "korvex-cli: <message>" and the command's usage on err; kExitUsage.
int UsageError(const CliStreams& io, const char* usage, const std::string& message);
// The program's own message on err; kExitFailed.
int Refuse(const CliStreams& io, const std::string& message);

// A device index 0..255, decimal.
bool ParseDeviceIndex(const std::string& text, std::uint32_t& index);

// Fields followed by a tab each, and a line end.
void PrintTabLine(const CliStreams& io, const std::string* fields, std::size_t count);

// The device setting record of DevCfg.ini in `settingsFolder`, read as the
// program reads it at start (zero with the marker when there is none).
::CANSetting LoadStoredSetting(const std::filesystem::path& settingsFolder);
// Writes the record back as key "CANSetting" and leaves the file's other keys
// alone. False when there is no settings folder or the file cannot be written.
bool StoreSetting(const std::filesystem::path& settingsFolder, const ::CANSetting& setting);

}  // namespace korvex::cli
