#pragma once

// Reading and writing the recorder's configuration: base information,
// acceptance filter, preset frames, memory clear and factory default.

#include <cstdint>

#include "core/frame/CanObj.h"
#include "logport/FilterLists.h"
#include "logport/PipeSet.h"
#include "logport/include/logport.h"

namespace logport {

// *out is written only on success.
bool GetBaseInfo(const PipeSet& pipes, BaseInfo& out);
bool SetBaseInfo(const PipeSet& pipes, const BaseInfo& info);

// Builds the table from the lists, then sends the header and the table.
bool SetFilterInfo(const PipeSet& pipes, CFilterLists& lists);
// Fills the section offsets from the header reply, then the table; out keeps
// the offsets when the table read fails.
bool GetFilterInfo(const PipeSet& pipes, FilterInfo& out);

// Writes the six preset frames in pairs, three attempts per pair; the result
// is that of the last exchange.
bool SetPreFrames(const PipeSet& pipes, const _VCI_CAN_OBJ* frames);
// Reads the six preset frames in pairs; a pair that fails three times holds
// what its last reply held. All six frames are written.
bool GetPreFrames(const PipeSet& pipes, _VCI_CAN_OBJ* frames);

bool ClearFrames(const PipeSet& pipes);
bool SetFactoryDefault(const PipeSet& pipes);

}  // namespace logport
