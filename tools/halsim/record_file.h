// Reading a recording made by libhal_record.so (tools/halrec/FORMAT.md):
// the calls a host made to the library, each with its arguments, the bytes
// of its buffers before and after the call, and its result.
#ifndef TOOLS_HALSIM_RECORD_FILE_H
#define TOOLS_HALSIM_RECORD_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace halsim {

struct RecordedArg {
    enum class Kind : uint8_t { word = 0, buffer = 1, null = 2 } kind;
    uint32_t word = 0;
    std::vector<uint8_t> before, after;  // a buffer's bytes: both the same size
};

struct RecordedCall {
    uint32_t sequence;
    uint32_t thread;
    uint64_t timeNs;
    uint32_t result;
    std::string name;
    std::vector<RecordedArg> args;
};

// Parses a whole recording into calls, in file order; entries of a kind this
// reader does not know are skipped. On malformed input: false, error is
// "offset N: what" with N the byte offset of the fault, and calls holds the
// complete calls before it (a recording cut short by a host that died still
// yields every call it wrote in full).
bool readRecording(const uint8_t *data, size_t size, std::vector<RecordedCall> &calls, std::string &error);
// The same for a file; error does not name the file.
bool readRecordingFile(const std::string &path, std::vector<RecordedCall> &calls, std::string &error);

}  // namespace halsim

#endif
