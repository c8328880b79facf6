#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/UploadWatcher.h"
#include "logport/include/logport.h"
#include "pipeusb/include/pipeusb_sim.h"

// Running korvex-cli commands in-process against the virtual recorder.
namespace korvex::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a command line in-process with its output captured.
inline CliRun RunCli(const std::vector<std::string>& args,
                     const std::filesystem::path& settings = {}) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    std::ostringstream err;
    CliRun run;
    run.status =
        korvex::cli::RunCommandLine(args, settings, korvex::cli::CliStreams{out, err, false});
    std::fclose(out);
    run.out.assign(buffer, size);
    std::free(buffer);
    run.err = err.str();
    return run;
}

inline std::size_t Lines(const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++n;
    return n;
}

// Frames an upload of recorder `index` should show: every record but clock
// records and 0xFE event records.
inline std::uint32_t ShownRecords(std::uint32_t index) {
    std::uint32_t count = 0;
    LGP_OpenDevice(LGP_DEVTYPE, index, 0);
    _VCI_CAN_OBJ* records = LGP_LoadFrame(LGP_DEVTYPE, index, &count);
    LGP_CloseDevice(LGP_DEVTYPE, index);
    std::uint32_t shown = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t event = records[i].Reserved[0];
        if (event != 0xFF && event != 0xFE) ++shown;
    }
    delete[] records;
    return shown;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PipeUsbSim_ClearFaults();
        korvex::cli::ResetCancel();
    }
    void TearDown() override {
        PipeUsbSim_ClearFaults();
        PipeUsbSim_Configure("demo");
    }
};

}  // namespace korvex::test
