#include "report.h"

#include <cstdio>

namespace halsim {

namespace {

// Control characters of traces shown as escapes, so one record is one line.
std::string escaped(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

}  // namespace

std::string hexDump(const std::vector<uint8_t> &bytes, const std::string &indent)
{
    std::string out;
    char buf[24];
    for (size_t i = 0; i < bytes.size(); i += 16) {
        std::snprintf(buf, sizeof(buf), "%04zx:", i);
        out += indent + buf;
        for (size_t j = i; j < i + 16 && j < bytes.size(); ++j) {
            std::snprintf(buf, sizeof(buf), " %02x", bytes[j]);
            out += buf;
        }
        out += '\n';
    }
    return out;
}

std::string describe(const HlpCall &call)
{
    char buf[128];
    std::snprintf(buf, sizeof(buf), "HLP 0x%08x req %u reply %u%s -> 0x%x\n", call.cmd, call.reqLen, call.replyLen,
                  call.hasReply ? "" : " (none)", call.result);
    return buf + hexDump(call.req, "    ");
}

std::string describe(const LastWordRec &rec)
{
    char buf[256];
    std::snprintf(buf, sizeof(buf), "LASTWORD %s:%u code 0x%x (0x%x, 0x%x, 0x%x, 0x%x)", rec.file.c_str(), rec.line,
                  rec.code, rec.v[0], rec.v[1], rec.v[2], rec.v[3]);
    return buf;
}

std::string describe(const TraceRec &rec)
{
    char buf[128];
    std::snprintf(buf, sizeof(buf), "TRACE %u %s:%u ", rec.module, rec.file.c_str(), rec.line);
    return buf + escaped(rec.text);
}

std::string describe(const ConsoleRec &rec) { return "CONSOLE " + escaped(rec.text); }

}  // namespace halsim
