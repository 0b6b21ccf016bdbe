#include "capture.h"

namespace halsim {

namespace {

void putLe(std::vector<uint8_t> &out, uint64_t value, size_t bytes)
{
    for (size_t k = 0; k < bytes; ++k) {
        out.push_back(static_cast<uint8_t>(value >> (8 * k)));
    }
}

void append(std::vector<uint8_t> &out, const std::vector<uint8_t> &bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> header(uint8_t kind, uint8_t flags, uint32_t code, uint32_t result, size_t first, size_t second,
                            uint32_t thread)
{
    std::vector<uint8_t> out;
    out.reserve(capture::kHeaderSize + first + second);
    out.push_back(kind);
    out.push_back(flags);
    putLe(out, capture::kHeaderSize, 2);
    putLe(out, code, 4);
    putLe(out, result, 4);
    putLe(out, first, 4);
    putLe(out, second, 4);
    putLe(out, thread, 4);
    return out;
}

}  // namespace

std::vector<uint8_t> callPacket(const RecordedCall &c)
{
    std::vector<uint8_t> body;
    putLe(body, c.name.size(), 2);
    body.insert(body.end(), c.name.begin(), c.name.end());
    putLe(body, c.args.size(), 2);
    for (const RecordedArg &a : c.args) {
        body.push_back(static_cast<uint8_t>(a.kind));
        putLe(body, 0, 3);
        if (a.kind == RecordedArg::Kind::word) {
            putLe(body, a.word, 4);
        } else if (a.kind == RecordedArg::Kind::buffer) {
            putLe(body, a.before.size(), 4);
            append(body, a.before);
            append(body, a.after);
        }
    }
    std::vector<uint8_t> out = header(capture::kCall, 0, c.sequence, c.result, body.size(), 0, c.thread);
    append(out, body);
    return out;
}

std::vector<uint8_t> commandPacket(const RecordedCommand &c)
{
    const uint8_t flags = (c.requestNull ? capture::kRequestNull : 0) | (c.replyNull ? capture::kReplyNull : 0);
    std::vector<uint8_t> out =
        header(capture::kCommand, flags, c.cmd, c.result, c.request.size(), c.reply.size(), c.thread);
    append(out, c.request);
    append(out, c.reply);
    return out;
}

std::vector<Packet> packetsOf(const Recording &rec)
{
    std::vector<Packet> packets;
    for (const RecordedEvent &e : inStartOrder(rec)) {
        if (e.kind == RecordedEvent::Kind::call) {
            packets.push_back({rec.calls[e.index].timeNs, callPacket(rec.calls[e.index])});
        } else {
            packets.push_back({rec.commands[e.index].timeNs, commandPacket(rec.commands[e.index])});
        }
    }
    return packets;
}

}  // namespace halsim
