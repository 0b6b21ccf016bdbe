#include "record_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace halsim {
namespace {

constexpr char kMagic[8] = {'H', 'A', 'L', 'R', 'E', 'C', 0, 0};
constexpr uint32_t kNewestVersion = 1;
constexpr uint32_t kEntryCall = 1;
constexpr uint32_t kEntryCommand = 2;
constexpr uint32_t kRequestNull = 1U;
constexpr uint32_t kReplyNull = 2U;

// A bounded little-endian cursor over data[at, end), data being the whole
// file: offset() is where an error is.
class Cursor {
public:
    Cursor(const uint8_t *data, size_t at, size_t end) : data_(data), at_(at), end_(end) {}

    size_t offset() const { return at_; }
    size_t left() const { return end_ - at_; }

    bool take(size_t bytes, uint64_t &value)
    {
        if (left() < bytes) {
            return false;
        }
        value = 0;
        for (size_t k = 0; k < bytes; ++k) {
            value |= static_cast<uint64_t>(data_[at_ + k]) << (8 * k);
        }
        at_ += bytes;
        return true;
    }
    template <typename T>
    bool take(T &value)
    {
        uint64_t v = 0;
        if (!take(sizeof(T), v)) {
            return false;
        }
        value = static_cast<T>(v);
        return true;
    }
    bool bytes(size_t count, std::vector<uint8_t> &out)
    {
        if (left() < count) {
            return false;
        }
        out.assign(data_ + at_, data_ + at_ + count);
        at_ += count;
        return true;
    }
    bool skip(size_t count)
    {
        if (left() < count) {
            return false;
        }
        at_ += count;
        return true;
    }

private:
    const uint8_t *data_;
    size_t at_;
    size_t end_;
};

bool fail(std::string &error, size_t offset, const std::string &what)
{
    error = "offset " + std::to_string(offset) + ": " + what;
    return false;
}

std::string hex(const uint8_t *bytes, size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t k = 0; k < count; ++k) {
        out += k == 0 ? "" : " ";
        out += kDigits[bytes[k] >> 4];
        out += kDigits[bytes[k] & 0xF];
    }
    return out;
}

// The body of a call entry, which fills body exactly.
bool readCall(Cursor body, RecordedCall &call, std::string &error)
{
    uint16_t nameLength = 0;
    if (!body.take(call.sequence) || !body.take(call.thread) || !body.take(call.timeNs) || !body.take(call.result) ||
        !body.take(nameLength)) {
        return fail(error, body.offset(), "call entry cut short in its fixed fields");
    }
    std::vector<uint8_t> name;
    if (!body.bytes(nameLength, name)) {
        return fail(error, body.offset(), "name of " + std::to_string(nameLength) + " bytes runs past the entry");
    }
    call.name.assign(name.begin(), name.end());
    uint16_t argc = 0;
    if (!body.take(argc)) {
        return fail(error, body.offset(), "call entry cut short before its argument count");
    }
    // Every argument takes at least 4 bytes: reserve no more than the entry holds.
    call.args.reserve(std::min<size_t>(argc, body.left() / 4));
    for (uint16_t k = 0; k < argc; ++k) {
        const size_t at = body.offset();
        uint8_t kind = 0;
        if (!body.take(kind) || !body.skip(3)) {
            return fail(error, at, "argument " + std::to_string(k) + " of " + std::to_string(argc) + " cut short");
        }
        RecordedArg arg{};
        if (kind == static_cast<uint8_t>(RecordedArg::Kind::word)) {
            arg.kind = RecordedArg::Kind::word;
            if (!body.take(arg.word)) {
                return fail(error, at, "word argument " + std::to_string(k) + " cut short");
            }
        } else if (kind == static_cast<uint8_t>(RecordedArg::Kind::buffer)) {
            arg.kind = RecordedArg::Kind::buffer;
            uint32_t size = 0;
            if (!body.take(size)) {
                return fail(error, at, "buffer argument " + std::to_string(k) + " cut short");
            }
            if (size > body.left() / 2) {
                return fail(error, at,
                            "buffer argument " + std::to_string(k) + " of " + std::to_string(size) +
                                " bytes runs past the entry (" + std::to_string(body.left()) + " bytes left)");
            }
            body.bytes(size, arg.before);
            body.bytes(size, arg.after);
        } else if (kind == static_cast<uint8_t>(RecordedArg::Kind::null)) {
            arg.kind = RecordedArg::Kind::null;
        } else {
            return fail(error, at, "argument " + std::to_string(k) + " of unknown kind " + std::to_string(kind));
        }
        call.args.push_back(std::move(arg));
    }
    if (body.left() != 0) {
        return fail(error, body.offset(), std::to_string(body.left()) + " bytes after the last argument");
    }
    return true;
}

// The body of a command entry, which fills body exactly.
bool readCommand(Cursor body, RecordedCommand &command, std::string &error)
{
    uint32_t flags = 0;
    if (!body.take(command.call) || !body.take(command.started) || !body.take(command.thread) ||
        !body.take(command.timeNs) || !body.take(command.cmd) || !body.take(command.result) || !body.take(flags) ||
        !body.take(command.requestLength) || !body.take(command.replyLength)) {
        return fail(error, body.offset(), "command entry cut short in its fixed fields");
    }
    command.requestNull = (flags & kRequestNull) != 0;
    command.replyNull = (flags & kReplyNull) != 0;
    const uint32_t requestBytes = command.requestNull ? 0 : command.requestLength;
    const uint32_t replyBytes = command.replyNull ? 0 : command.replyLength;
    if (!body.bytes(requestBytes, command.request)) {
        return fail(error, body.offset(),
                    "request of " + std::to_string(requestBytes) + " bytes runs past the entry (" +
                        std::to_string(body.left()) + " bytes left)");
    }
    if (!body.bytes(replyBytes, command.reply)) {
        return fail(error, body.offset(),
                    "reply of " + std::to_string(replyBytes) + " bytes runs past the entry (" +
                        std::to_string(body.left()) + " bytes left)");
    }
    if (body.left() != 0) {
        return fail(error, body.offset(), std::to_string(body.left()) + " bytes after the reply");
    }
    return true;
}

}  // namespace

std::vector<RecordedEvent> inStartOrder(const Recording &rec)
{
    // Call n is placed at n + 1, a command at its started count; at one
    // place a call goes first, then file order.
    struct Keyed {
        uint64_t place;
        RecordedEvent event;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(rec.calls.size() + rec.commands.size());
    for (size_t i = 0; i < rec.calls.size(); ++i) {
        keyed.push_back({uint64_t{rec.calls[i].sequence} + 1, {RecordedEvent::Kind::call, i}});
    }
    for (size_t i = 0; i < rec.commands.size(); ++i) {
        keyed.push_back({rec.commands[i].started, {RecordedEvent::Kind::command, i}});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (a.place != b.place) {
            return a.place < b.place;
        }
        return a.event.kind == RecordedEvent::Kind::call && b.event.kind == RecordedEvent::Kind::command;
    });
    std::vector<RecordedEvent> events;
    events.reserve(keyed.size());
    for (const Keyed &k : keyed) {
        events.push_back(k.event);
    }
    return events;
}

bool readRecording(const uint8_t *data, size_t size, Recording &rec, std::string &error)
{
    rec.calls.clear();
    rec.commands.clear();
    error.clear();
    if (size < sizeof kMagic || !std::equal(kMagic, kMagic + sizeof kMagic, data)) {
        return fail(error, 0,
                    "not a recording: magic " + hex(data, std::min(size, sizeof kMagic)) + " is not \"HALREC\\0\\0\"");
    }
    Cursor file(data, sizeof kMagic, size);
    uint32_t version = 0;
    uint32_t flags = 0;
    if (!file.take(version)) {
        return fail(error, file.offset(), "header cut short before the version");
    }
    if (version == 0 || version > kNewestVersion) {
        return fail(error, sizeof kMagic,
                    "version " + std::to_string(version) + " is not one this reader knows (1 to " +
                        std::to_string(kNewestVersion) + ")");
    }
    if (!file.take(flags)) {
        return fail(error, file.offset(), "header cut short before the flags");
    }
    while (file.left() != 0) {
        const size_t at = file.offset();
        uint32_t kind = 0;
        uint32_t length = 0;
        if (!file.take(kind) || !file.take(length)) {
            return fail(error, at, "entry header cut short (" + std::to_string(size - at) + " bytes left)");
        }
        if (length > file.left()) {
            return fail(error, at,
                        "entry of " + std::to_string(length) + " bytes runs past the end of the file (" +
                            std::to_string(file.left()) + " bytes left)");
        }
        const Cursor body(data, file.offset(), file.offset() + length);
        if (kind == kEntryCall) {
            RecordedCall call{};
            if (!readCall(body, call, error)) {
                return false;
            }
            rec.calls.push_back(std::move(call));
        } else if (kind == kEntryCommand) {
            RecordedCommand command{};
            if (!readCommand(body, command, error)) {
                return false;
            }
            rec.commands.push_back(std::move(command));
        }
        file.skip(length);
    }
    return true;
}

bool readRecording(const uint8_t *data, size_t size, std::vector<RecordedCall> &calls, std::string &error)
{
    Recording rec;
    const bool ok = readRecording(data, size, rec, error);
    calls = std::move(rec.calls);
    return ok;
}

bool readRecordingFile(const std::string &path, Recording &rec, std::string &error)
{
    rec.calls.clear();
    rec.commands.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open";
        return false;
    }
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read";
        return false;
    }
    return readRecording(data.data(), data.size(), rec, error);
}

bool readRecordingFile(const std::string &path, std::vector<RecordedCall> &calls, std::string &error)
{
    Recording rec;
    const bool ok = readRecordingFile(path, rec, error);
    calls = std::move(rec.calls);
    return ok;
}

}  // namespace halsim
