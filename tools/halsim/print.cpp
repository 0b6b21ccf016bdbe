#include "print.h"

#include <cstdio>

#include "decode.h"
#include "json_out.h"
#include "report.h"

namespace halsim {

namespace {

void printText(const std::string &what, uint32_t result, const std::vector<std::string> &notes, const Host &h,
               const Marks &from, bool verbose, std::ostream &out)
{
    out << what << '\n';
    for (const std::string &n : notes) {
        out << "  " << n << '\n';
    }
    out << "  = " << hex(result) << '\n';
    for (size_t i = from.hlp; i < h.hlp.size(); ++i) {
        out << "  HLP " << decode(h.hlp[i]);
        if (h.hlp[i].result != 0) {
            out << "    refused: " << hex(h.hlp[i].result) << '\n';
        }
    }
    if (!verbose) {
        return;
    }
    for (size_t i = from.lastWords; i < h.lastWords.size(); ++i) {
        out << "  " << describe(h.lastWords[i]) << '\n';
    }
    for (size_t i = from.traces; i < h.traces.size(); ++i) {
        out << "  " << describe(h.traces[i]) << '\n';
    }
    for (size_t i = from.console; i < h.console.size(); ++i) {
        out << "  " << describe(h.console[i]) << '\n';
    }
}

// The host's records of kind T from index from on, as a JSON array.
template <typename T>
Json listSince(const std::vector<T> &records, size_t from)
{
    Json out = Json::array();
    for (size_t i = from; i < records.size(); ++i) {
        out.push_back(toJson(records[i]));
    }
    return out;
}

void printJson(const std::string &what, uint32_t result, const std::vector<std::string> &notes, const Host &h,
               const Marks &from, std::ostream &out)
{
    const Json line{{"call", what},
                    {"result", result},
                    {"commands", listSince(h.hlp, from.hlp)},
                    {"notes", notes},
                    {"lastWords", listSince(h.lastWords, from.lastWords)},
                    {"traces", listSince(h.traces, from.traces)},
                    {"console", listSince(h.console, from.console)}};
    // A trace may carry bytes that are not UTF-8: they print as U+FFFD.
    out << line.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace

std::string hex(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%x", v);
    return buf;
}

void printRequest(Output o, const std::string &what, uint32_t result, const std::vector<std::string> &notes,
                  const Host &h, const Marks &from, std::ostream &out)
{
    if (o == Output::json) {
        printJson(what, result, notes, h, from, out);
    } else if (o == Output::requests || o == Output::verbose) {
        printText(what, result, notes, h, from, o == Output::verbose, out);
    }
}

void printChipState(Output o, const std::string &summary, std::ostream &out)
{
    if (o == Output::requests || o == Output::verbose || o == Output::state) {
        out << "chip state:\n" << (summary.empty() ? std::string("  (empty)\n") : summary);
    }
}

}  // namespace halsim
