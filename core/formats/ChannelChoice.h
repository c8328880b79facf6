#pragma once

#include <string>
#include <vector>

#include "core/formats/DataFormatTable.h"

// Which of a log's channels reach the one-channel frame list.
namespace korvex::formats {

// After a log is read whole and before anything is imported: keeps the
// channel asked for (or chosen through request.chooseChannel), refusing one
// the file does not have; otherwise a file of several channels is merged and
// `result.channels` lists them, unless request.keepChannels takes the frames'
// channels for a writer. False (with result.status set) when refused.
bool ApplyChannelChoice(CRecording& recording, const LoadRequest& request, ReadResult& result);

// The formats whose writers put each frame on its channel.
bool WritesChannels(DataFormat format);

// "1 (500 frames), 2 (300 frames)"; a candump interface as "1 = can0 (...)".
std::string ChannelListText(const std::vector<ChannelCount>& channels);

}  // namespace korvex::formats
