#pragma once

#include <cstdio>
#include <string_view>

#include "core/formats/FormatOptions.h"
#include "core/formats/Recording.h"
#include "core/formats/WriteSource.h"

// Packet captures of Linux CAN interfaces (link type LINKTYPE_CAN_SOCKETCAN)
// as Wireshark, tshark and tcpdump write them: pcap and pcapng.
namespace korvex::formats {

// Reads a pcap file (either byte order, micro- or nanosecond times) or a
// pcapng file (sections of either byte order; interface and enhanced packet
// blocks, if_tsresol, if_tsoffset and the packets' direction; other blocks
// passed over). The interfaces of a pcapng section are channels 1, 2, ...
// Frames and CAN FD frames of at most 8 bytes become frames, error frames
// event records; longer CAN FD frames are counted, packets of other link
// types or that are no CAN frame reported. Damage ends the read as in a BLF
// file: the frames before it are kept, unless reading strictly.
ReadResult ReadPcap(std::FILE* file, const ReadOptions& options, CRecording& out,
                    const BadLineFn& badLine);

// Writes pcapng: one section, one interface per channel (link type 227,
// named as a candump log would name it, microsecond times), one enhanced
// packet per frame and, unless told not to, per event record (as an error
// frame); transmitted frames are marked outbound. False when a write fails.
bool WritePcapng(std::FILE* file, const WriteSource& source, const WriteOptions& options);

// Whether `head`, a file's first bytes, opens a pcap file or a pcapng section.
bool IsPcapHead(std::string_view head);
bool IsPcapngHead(std::string_view head);

}  // namespace korvex::formats
