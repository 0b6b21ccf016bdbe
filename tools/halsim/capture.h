// Captures of the driver traffic for Wireshark: one packet per HAL call and
// per HLP command, in the order they started. Each packet is a 24-byte
// header, little-endian:
//
//   offset  size  field
//   0       u8    kind: 1 a HAL call, 2 an HLP command
//   1       u8    flags: bit 0 the request pointer was null, bit 1 the reply
//                 pointer was null (a command's; 0 for a call)
//   2       u16   header length: 24; the record bytes start there
//   4       u32   code: a command's code; a call's sequence number
//   8       u32   result
//   12      u32   request length: the request bytes that follow; for a
//                 call, the bytes of its record
//   16      u32   reply length: the reply bytes after the request; 0 for a call
//   20      u32   thread: the calling or sending thread (0 in a simulated run)
//
// then a command's request and reply bytes, or a call's record: its name
// (u16 length, then the name) and its arguments, an u16 count and each as
// the recording holds it (tools/halrec/FORMAT.md: kind u8, 3 bytes 0, then a
// word, a buffer's u32 size and its bytes before and after the call, or
// nothing for a null pointer). The dissector (dissector.h) reads them.
#ifndef TOOLS_HALSIM_CAPTURE_H
#define TOOLS_HALSIM_CAPTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "record_file.h"

namespace halsim {

namespace capture {
constexpr uint8_t kCall = 1;
constexpr uint8_t kCommand = 2;
constexpr uint8_t kRequestNull = 1;
constexpr uint8_t kReplyNull = 2;
constexpr uint16_t kHeaderSize = 24;
// The pcap link type: the first of the link types kept for private use.
constexpr int kLinkType = 147;
}  // namespace capture

struct Packet {
    uint64_t timeNs;  // CLOCK_MONOTONIC of the recording, or the simulated clock
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> callPacket(const RecordedCall &c);
std::vector<uint8_t> commandPacket(const RecordedCommand &c);

// Every call and command of rec, in the order they started (inStartOrder).
std::vector<Packet> packetsOf(const Recording &rec);

// Writes packets as a pcap file of link type capture::kLinkType with
// nanosecond times, through libpcap. False with error on failure.
bool writePcap(const std::string &path, const std::vector<Packet> &packets, std::string &error);

}  // namespace halsim

#endif
