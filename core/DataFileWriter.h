#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/FileWriteProblem.h"
#include "core/FrameRowText.h"
#include "core/SplitPass.h"
#include "core/frame/CanObj.h"
#include "core/frame/CycleBuffer.h"
#include "core/frame/OrigTimeEntry.h"

namespace korvex {

// The binary form is chosen exactly when the extension is "can" (lower case):
// "x.CAN" is written as text.
bool IsBinaryDataFileName(const std::filesystem::path& path);

// The 20-byte signature block that opens both .can variants.
void AppendSignatureBlock(std::string& out);

// Snapshot file: signature block, the clock list (count and entries), then the
// store's frames oldest first, as many as it held when the write started.
// False when the file cannot be created or a write fails; `problem` (when
// given) then says which and why.
bool WriteSnapshotFile(const std::filesystem::path& path,
                       const std::vector<OrigTimeEntry>& origTimeList,
                       CCycleBuffer<_VCI_CAN_OBJ>& frameStore, FileWriteProblem* problem = nullptr);

// Text export: the header line of captions, then one line per stored frame
// numbered from 0, the lines made over the cores as `split` says. False when
// the file cannot be created or a write fails, as `problem` says.
bool WriteTextExportFile(const std::filesystem::path& path,
                         const std::vector<std::string>& captions,
                         CCycleBuffer<_VCI_CAN_OBJ>& frameStore, const ExportRowContext& context,
                         const PassSplit& split = {}, FileWriteProblem* problem = nullptr);
// The same text into an open file (the command-line tool's standard output).
bool WriteTextExport(std::FILE* file, const std::vector<std::string>& captions,
                     CCycleBuffer<_VCI_CAN_OBJ>& frameStore, const ExportRowContext& context,
                     const PassSplit& split = {});

}  // namespace korvex
