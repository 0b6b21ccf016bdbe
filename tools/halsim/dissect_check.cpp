// dissect_check: holds a capture as Wireshark's dissector (hlp.lua) reads
// it, or a recording as libhal_record.so wrote it, to halsim's decoder.
//
//   dissect_check tshark DISSECTED.json DECODED.jsonl [RECORDING.halrec]
//   dissect_check recording RECORDING.halrec DECODED.jsonl
//
// DISSECTED.json is `tshark -X lua_script:hlp.lua -r CAPTURE -T json
// --no-duplicate-keys`, DECODED.jsonl `halsim --json` of the scenario the
// capture or recording was taken from, RECORDING the recording. Checked:
//   - the calls are the scenario's in order, each followed by the HLP
//     commands it sent; calls the scenario did not make (halsim's own, as
//     it restarts the library) may come between, sending none;
//   - each command's code, result, request length and every field of its
//     request, as the decoder reads them (from the dissected tree, or from
//     the recorded request bytes);
//   - a capture with its recording: each call's name, sequence, result,
//     word arguments and every member of its buffers before and after the
//     call, and each command's request and reply bytes.
// Prints each command code's first check and a summary line; exits 0 when
// everything matches, 1 when something differs (each on stderr), 2 on bad
// input.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "api_table.h"
#include "cmd_names.h"
#include "decode.h"
#include "dissector.h"
#include "json_out.h"
#include "record_file.h"

namespace {

using halsim::numberAt;
using Json = nlohmann::ordered_json;
// Every value of a filter name in one packet, in the order the tree holds them.
using Values = std::map<std::string, std::vector<std::string>>;

bool isOurs(const std::string &key) { return key.rfind("hlp.", 0) == 0 || key.rfind("hal.", 0) == 0; }

void collect(const Json &j, Values &out)
{
    if (j.is_array()) {
        for (const Json &e : j) {
            collect(e, out);
        }
        return;
    }
    if (!j.is_object()) {
        return;
    }
    for (const auto &[key, value] : j.items()) {
        if (value.is_string() && isOurs(key)) {
            out[key].push_back(value.get<std::string>());
        } else if (value.is_array() && isOurs(key)) {
            for (const Json &e : value) {
                if (e.is_string()) {
                    out[key].push_back(e.get<std::string>());
                } else {
                    collect(e, out);
                }
            }
        } else {
            collect(value, out);
        }
    }
}

std::string hexBytes(const std::vector<uint8_t> &bytes, size_t from, size_t count)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof(buf), i == 0 ? "%02x" : ":%02x", bytes[from + i]);
        out += buf;
    }
    return out;
}

// A dissected value against an expected one: numbers whatever their base,
// bytes as text.
bool same(const std::string &dissected, const std::string &expected)
{
    if (dissected == expected) {
        return true;
    }
    try {
        size_t a = 0;
        size_t b = 0;
        const uint64_t x = std::stoull(dissected, &a, 0);
        const uint64_t y = std::stoull(expected, &b, 0);
        return a == dissected.size() && b == expected.size() && x == y;
    } catch (const std::exception &) {
        return false;
    }
}

std::string joined(const std::vector<std::string> &v)
{
    std::string out;
    for (const std::string &s : v) {
        out += (out.empty() ? "" : ",") + s;
    }
    return out.empty() ? "(none)" : out;
}

class Checker {
public:
    // The values of abbrev in packet number frame against expected.
    void expect(size_t frame, const Values &got, const std::string &abbrev, const std::vector<std::string> &expected)
    {
        ++checked_;
        const auto it = got.find(abbrev);
        const std::vector<std::string> none;
        const std::vector<std::string> &actual = it != got.end() ? it->second : none;
        bool ok = actual.size() == expected.size();
        for (size_t i = 0; ok && i < actual.size(); ++i) {
            ok = same(actual[i], expected[i]);
        }
        if (!ok) {
            ++differ_;
            std::cerr << "frame " << frame << ": " << abbrev << ": dissected " << joined(actual) << ", expected "
                      << joined(expected) << '\n';
        }
    }
    void fail(size_t frame, const std::string &what)
    {
        ++differ_;
        std::cerr << "frame " << frame << ": " << what << '\n';
    }
    size_t checked() const { return checked_; }
    size_t differ() const { return differ_; }

private:
    size_t checked_ = 0;
    size_t differ_ = 0;
};

// A decoded field of halsim --json as the values its filter name takes.
std::vector<std::string> decodedValues(const Json &v)
{
    const auto one = [](const Json &e) {
        const Json &n = e.is_object() ? e["value"] : e;
        return n.is_string() ? n.get<std::string>() : std::to_string(n.get<uint64_t>());
    };
    std::vector<std::string> out;
    if (v.is_array()) {
        for (const Json &e : v) {
            out.push_back(one(e));
        }
    } else {
        out.push_back(one(v));
    }
    return out;
}

// The values a host record's members take, by filter name, the nested
// records' in the order of their members.
void memberValues(const halsim::api::Struct &s, const std::vector<uint8_t> &bytes, size_t base, Values &out)
{
    const std::string prefix = "hal." + halsim::dissector::recordPart(s.name) + ".";
    for (size_t i = 0; i < s.memberCount; ++i) {
        const halsim::api::Member &m = s.members[i];
        for (size_t k = 0; k < m.count; ++k) {
            const size_t at = base + m.offset + k * m.elem;
            if (m.type != nullptr) {
                memberValues(*m.type, bytes, at, out);
            } else if (m.elem == 1 && m.count == 6) {
                out[prefix + m.name].push_back(hexBytes(bytes, base + m.offset, 6));
                break;
            } else {
                out[prefix + m.name].push_back(std::to_string(numberAt(bytes, at, m.elem)));
            }
        }
    }
}

// The values a buffer argument shows, before and after the call.
void bufferValues(const halsim::api::Param &p, const halsim::RecordedArg &a, Values &out)
{
    for (const std::vector<uint8_t> *bytes : {&a.before, &a.after}) {
        out[bytes == &a.before ? "hal.before" : "hal.after"].push_back(hexBytes(*bytes, 0, bytes->size()));
        if (p.type != nullptr && bytes->size() >= p.type->size) {
            memberValues(*p.type, *bytes, 0, out);
        } else if (p.type == nullptr && bytes->size() == p.size) {
            out["hal.ptr." + std::string(p.name)].push_back(p.size == 6 ? hexBytes(*bytes, 0, 6)
                                                                        : std::to_string(numberAt(*bytes, 0, p.size)));
        }
    }
}

void checkCall(Checker &c, size_t frame, const Values &got, const halsim::RecordedCall &call)
{
    c.expect(frame, got, "hal.name", {call.name});
    c.expect(frame, got, "hal.sequence", {std::to_string(call.sequence)});
    c.expect(frame, got, "hal.result", {std::to_string(call.result)});
    const halsim::api::Function *f = halsim::api::findFunction(call.name);
    if (f == nullptr || f->paramCount != call.args.size()) {
        c.fail(frame, call.name + ": not an entry point of the tables, or not its arguments");
        return;
    }
    Values expected;
    for (size_t i = 0; i < f->paramCount; ++i) {
        const halsim::RecordedArg &a = call.args[i];
        if (a.kind == halsim::RecordedArg::Kind::word) {
            expected["hal.arg." + std::string(f->params[i].name)].push_back(std::to_string(a.word));
        } else if (a.kind == halsim::RecordedArg::Kind::buffer && !a.before.empty()) {
            bufferValues(f->params[i], a, expected);
        }
    }
    for (const auto &[abbrev, values] : expected) {
        c.expect(frame, got, abbrev, values);
    }
}

struct Expected {
    std::string call;  // the entry point
    uint32_t result;
    std::vector<Json> commands;
};

// A call or a command as read from the capture or the recording: its
// values by filter name.
struct Item {
    bool call;
    Values got;
};

bool load(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool loadScenario(const std::string &path, std::vector<Expected> &scenario)
{
    std::string text;
    if (!load(path, text)) {
        std::cerr << "dissect_check: cannot read " << path << '\n';
        return false;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const Json j = Json::parse(line);
        const std::string call = j["call"].get<std::string>();
        scenario.push_back(
            {call.substr(0, call.find(' ')), j["result"].get<uint32_t>(), j["commands"].get<std::vector<Json>>()});
    }
    return true;
}

std::string hexCode(uint32_t code)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08x", code);
    return buf;
}

// The recording's calls and commands in the order they started, each with
// the values the dissector would show: a command's fields as the decoder
// reads its recorded request.
std::vector<Item> itemsOf(const halsim::Recording &rec, const std::vector<halsim::RecordedEvent> &events)
{
    std::vector<Item> items;
    for (const halsim::RecordedEvent &e : events) {
        Item item{e.kind == halsim::RecordedEvent::Kind::call, {}};
        if (item.call) {
            const halsim::RecordedCall &c = rec.calls[e.index];
            item.got["hal.name"] = {c.name};
            item.got["hal.result"] = {std::to_string(c.result)};
        } else {
            const halsim::RecordedCommand &c = rec.commands[e.index];
            halsim::HlpCall sent;
            sent.cmd = c.cmd;
            sent.req = c.request;
            sent.reqLen = c.requestLength;
            sent.result = c.result;
            item.got["hlp.cmd"] = {hexCode(c.cmd)};
            item.got["hlp.result"] = {std::to_string(c.result)};
            item.got["hlp.request_len"] = {std::to_string(c.request.size())};
            const char *listName = halsim::cmdName(c.cmd);
            const Json decoded = halsim::toJson(sent);
            if (listName != nullptr && decoded.contains("fields")) {
                const std::string prefix = "hlp." + halsim::dissector::areaOf(listName) + ".";
                for (const auto &[name, value] : decoded["fields"].items()) {
                    item.got[prefix + name] = decodedValues(value);
                }
            }
        }
        items.push_back(std::move(item));
    }
    return items;
}

bool itemsOf(const Json &packets, std::vector<Item> &items)
{
    for (const Json &p : packets) {
        const Json &layers = p["_source"]["layers"];
        const bool call = layers.contains("hal");
        if (!call && !layers.contains("hlp")) {
            std::cerr << "dissect_check: frame " << items.size() + 1
                      << " is neither a HAL call nor an HLP command: was hlp.lua loaded?\n";
            return false;
        }
        Item item{call, {}};
        collect(layers[call ? "hal" : "hlp"], item.got);
        items.push_back(std::move(item));
    }
    return true;
}

// Every item against the scenario; with a recording (events the same length
// as items), also against the recorded bytes.
class Walk {
public:
    Walk(const std::vector<Expected> &scenario, const halsim::Recording &rec,
         const std::vector<halsim::RecordedEvent> &events)
        : scenario_(scenario), rec_(rec), events_(events)
    {
    }

    int run(const std::vector<Item> &items)
    {
        for (size_t i = 0; i < items.size(); ++i) {
            const bool recorded = !events_.empty();
            if (recorded && items[i].call != (events_[i].kind == halsim::RecordedEvent::Kind::call)) {
                c_.fail(i + 1, "the recording has a call and a command the other way round here");
            } else if (items[i].call) {
                onCall(i, items[i].got);
            } else {
                onCommand(i, items[i].got);
            }
        }
        allSent(items.size());
        if (next_ != scenario_.size()) {
            c_.fail(items.size(), "the calls end before the scenario's call " + std::to_string(next_ + 1) + ", " +
                                      scenario_[next_].call);
        }
        std::cout << "dissect_check: " << calls_ << " calls of the scenario (" << extra_ << " others), " << commands_
                  << " HLP commands, " << c_.checked() << " values checked, " << c_.differ() << " differ\n";
        return c_.differ() == 0 ? 0 : 1;
    }

private:
    void allSent(size_t frame)
    {
        if (current_ != nullptr && sent_ != current_->commands.size()) {
            c_.fail(frame, current_->call + " sent " + std::to_string(current_->commands.size()) +
                               " commands, the capture holds " + std::to_string(sent_));
        }
    }

    void onCall(size_t i, const Values &got)
    {
        allSent(i + 1);
        const auto name = got.find("hal.name");
        if (next_ < scenario_.size() && name != got.end() && name->second == std::vector{scenario_[next_].call}) {
            current_ = &scenario_[next_++];
            c_.expect(i + 1, got, "hal.result", {std::to_string(current_->result)});
            ++calls_;
        } else {
            current_ = nullptr;
            ++extra_;
        }
        sent_ = 0;
        if (!events_.empty()) {
            checkCall(c_, i + 1, got, rec_.calls[events_[i].index]);
        }
    }

    void onCommand(size_t i, const Values &got)
    {
        const size_t frame = i + 1;
        ++commands_;
        if (current_ == nullptr || sent_ >= current_->commands.size()) {
            c_.fail(frame, "a command no call of the scenario sent");
            return;
        }
        const Json &cmd = current_->commands[sent_++];
        const std::string codeText = cmd["cmd"].get<std::string>();
        const auto code = static_cast<uint32_t>(std::stoul(codeText, nullptr, 16));
        c_.expect(frame, got, "hlp.cmd", {codeText});
        c_.expect(frame, got, "hlp.result", {std::to_string(cmd["result"].get<uint32_t>())});
        const halsim::Layout *l = halsim::layoutOf(code);
        const char *listName = halsim::cmdName(code);
        if (l == nullptr || listName == nullptr || !cmd.contains("fields")) {
            c_.fail(frame, "command " + codeText + " the decoder cannot read");
            return;
        }
        c_.expect(frame, got, "hlp.request_len", {std::to_string(l->size)});
        const std::string prefix = "hlp." + halsim::dissector::areaOf(listName) + ".";
        for (const auto &[name, value] : cmd["fields"].items()) {
            c_.expect(frame, got, prefix + name, decodedValues(value));
        }
        if (!events_.empty() && got.count("hlp.request") != 0) {
            const halsim::RecordedCommand &r = rec_.commands[events_[i].index];
            c_.expect(frame, got, "hlp.request", {hexBytes(r.request, 0, r.request.size())});
            if (!r.reply.empty()) {
                c_.expect(frame, got, "hlp.reply", {hexBytes(r.reply, 0, r.reply.size())});
            }
        }
        if (reported_.insert(code).second) {
            const size_t fields = cmd["fields"].size();
            std::cout << "dissect_check: " << codeText << ' ' << listName << ": request of " << l->size << " bytes, "
                      << fields << (fields == 1 ? " field" : " fields") << " as the decoder reads them\n";
        }
    }

    const std::vector<Expected> &scenario_;
    const halsim::Recording &rec_;
    const std::vector<halsim::RecordedEvent> &events_;
    Checker c_;
    std::set<uint32_t> reported_;
    size_t next_ = 0;                    // the scenario's next call
    const Expected *current_ = nullptr;  // the call whose commands follow
    size_t sent_ = 0;                    // of its commands, those seen
    size_t calls_ = 0;
    size_t extra_ = 0;
    size_t commands_ = 0;
};

// The check dissect_check's arguments ask for.
int checkAll(const std::vector<std::string> &args)
{
    const bool tshark = args[0] == "tshark";
    const std::string recordingPath = tshark ? (args.size() == 4 ? args[3] : "") : args[1];
    std::vector<Expected> scenario;
    if (!loadScenario(args[2], scenario)) {
        return 2;
    }
    halsim::Recording rec;
    std::vector<halsim::RecordedEvent> events;
    if (!recordingPath.empty()) {
        std::string error;
        if (!halsim::readRecordingFile(recordingPath, rec, error)) {
            std::cerr << "dissect_check: " << recordingPath << ": " << error << '\n';
            return 2;
        }
        events = halsim::inStartOrder(rec);
    }
    if (!tshark) {
        return Walk(scenario, rec, {}).run(itemsOf(rec, events));
    }
    std::string text;
    if (!load(args[1], text)) {
        std::cerr << "dissect_check: cannot read " << args[1] << '\n';
        return 2;
    }
    std::vector<Item> items;
    if (!itemsOf(Json::parse(text), items)) {
        return 1;
    }
    if (!events.empty() && events.size() != items.size()) {
        std::cerr << "dissect_check: " << items.size() << " packets for the recording's " << events.size()
                  << " calls and commands\n";
        return 1;
    }
    return Walk(scenario, rec, events).run(items);
}

}  // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool tshark = !args.empty() && args[0] == "tshark" && (args.size() == 3 || args.size() == 4);
    const bool recording = !args.empty() && args[0] == "recording" && args.size() == 3;
    if (!tshark && !recording) {
        std::cerr << "usage: dissect_check tshark DISSECTED.json DECODED.jsonl [RECORDING.halrec]\n"
                     "       dissect_check recording RECORDING.halrec DECODED.jsonl\n";
        return 2;
    }
    try {
        return checkAll(args);
    } catch (const std::exception &e) {
        std::cerr << "dissect_check: " << e.what() << '\n';
        return 2;
    }
}
