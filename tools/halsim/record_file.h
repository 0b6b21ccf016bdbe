// Reading a recording made by libhal_record.so (tools/halrec/FORMAT.md):
// the calls a host made to the library, each with its arguments, the bytes
// of its buffers before and after the call, and its result; and the HLP
// commands the driver was sent, each with its request, reply and result.
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

// An HLP command as the recorder took it from the command channel.
struct RecordedCommand {
    static constexpr uint32_t kNoCall = 0xFFFFFFFFU;
    uint32_t call;     // sequence of the recorded call that sent it, or kNoCall
    uint32_t started;  // recorded calls started when it was sent
    uint32_t thread;
    uint64_t timeNs;
    uint32_t cmd;
    uint32_t result;
    bool requestNull;        // the request pointer was null: request is empty
    bool replyNull;          // the reply pointer was null: reply is empty
    uint32_t requestLength;  // the lengths passed
    uint32_t replyLength;
    std::vector<uint8_t> request;  // as sent
    std::vector<uint8_t> reply;    // as the driver left it
};

// A whole recording: calls and commands, each list in file order.
struct Recording {
    std::vector<RecordedCall> calls;
    std::vector<RecordedCommand> commands;
};

// One call or command of a recording, by its index in its list.
struct RecordedEvent {
    enum class Kind : uint8_t { call, command } kind;
    size_t index;
};

// The calls and commands of rec in the order they started: call n before
// every command sent once it had started (started > n), commands among
// themselves and calls of one sequence number in file order.
std::vector<RecordedEvent> inStartOrder(const Recording &rec);

// Parses a whole recording, in file order; entries of a kind this reader
// does not know are skipped. On malformed input: false, error is "offset N:
// what" with N the byte offset of the fault, and rec holds the complete
// entries before it (a recording cut short by a host that died still yields
// every entry it wrote in full).
bool readRecording(const uint8_t *data, size_t size, Recording &rec, std::string &error);
// The same for a file; error does not name the file.
bool readRecordingFile(const std::string &path, Recording &rec, std::string &error);

// The calls of a recording alone, read as above: on malformed input calls
// holds the complete calls before the fault.
bool readRecording(const uint8_t *data, size_t size, std::vector<RecordedCall> &calls, std::string &error);
// The same for a file; error does not name the file.
bool readRecordingFile(const std::string &path, std::vector<RecordedCall> &calls, std::string &error);

}  // namespace halsim

#endif
