// halsim --to-pcap and --pcap: captures of the driver traffic, from a
// recording or from a simulated run.
#include <fstream>
#include <map>
#include <sstream>

#include "capture.h"
#include "driver.h"
#include "host.h"
#include "library_state.h"
#include "run.h"
#include "scenario_file.h"
#include "scenario_settings.h"

namespace halsim {

namespace {

// The simulated clock: each call and command a microsecond after the one
// before it.
constexpr uint64_t kTick = 1000;

void report(const Options &o, std::ostream &out, std::ostream &err, const std::string &path,
            const std::vector<Packet> &packets, size_t calls)
{
    if (o.output != Output::state) {
        (o.output == Output::json ? err : out)
            << "halsim: wrote " << packets.size() << " packets (" << calls << " calls, " << packets.size() - calls
            << " HLP commands) to " << path << '\n';
    }
}

// One call of a scenario as the recorder would have taken it.
RecordedCall recordCall(ScenarioLine &l, uint32_t sequence, uint64_t timeNs)
{
    const api::Function &f = *l.function;
    RecordedCall c{sequence, 0, timeNs, 0, f.name, {}};
    api::Args args = l.args;
    for (size_t i = 0; i < f.paramCount; ++i) {
        RecordedArg a{};
        if (f.params[i].kind == api::ParamKind::word) {
            a.kind = RecordedArg::Kind::word;
            a.word = args.words[i];
        } else if ((l.nullMask & (1U << i)) != 0) {
            a.kind = RecordedArg::Kind::null;
            args.buffers[i] = nullptr;
        } else {
            a.kind = RecordedArg::Kind::buffer;
            a.before = l.buffers[i];
            args.buffers[i] = l.buffers[i].data();
        }
        c.args.push_back(std::move(a));
    }
    c.result = f.call(args);
    for (size_t i = 0; i < f.paramCount; ++i) {
        if (c.args[i].kind == RecordedArg::Kind::buffer) {
            c.args[i].after = l.buffers[i];
        }
    }
    return c;
}

// Runs one scenario file as halsim runs it, without printing or checking,
// and adds its calls and the commands they sent to rec.
void captureScenario(Scenario &s, Recording &rec, uint64_t &clock)
{
    resetLibrary();
    Host &h = host();
    h.reset();
    ChipModel chip;
    chip.attach(h);
    // The replies the simulated driver writes, by the index the command
    // gets in h.hlp; a command answered otherwise keeps the reply as the
    // library cleared it.
    std::map<size_t, std::vector<uint8_t>> replies;
    const Driver model = h.driver;
    h.driver = [&](const HlpCall &call, void *reply, uint32_t replyLen) {
        const uint32_t result = model(call, reply, replyLen);
        if (reply != nullptr) {
            const auto *bytes = static_cast<const uint8_t *>(reply);
            replies[h.hlp.size()].assign(bytes, bytes + replyLen);
        }
        return result;
    };
    for (ScenarioLine &l : s.lines) {
        switch (l.kind) {
            case LineKind::call: {
                const size_t from = h.hlp.size();
                const auto sequence = static_cast<uint32_t>(rec.calls.size());
                rec.calls.push_back(recordCall(l, sequence, clock += kTick));
                for (size_t i = from; i < h.hlp.size(); ++i) {
                    const HlpCall &sent = h.hlp[i];
                    RecordedCommand c{sequence, sequence + 1,   0,           clock += kTick, sent.cmd, sent.result,
                                      false,    !sent.hasReply, sent.reqLen, sent.replyLen,  sent.req, {}};
                    c.requestNull = sent.req.empty() && sent.reqLen != 0;
                    if (sent.hasReply) {
                        const auto r = replies.find(i);
                        c.reply = r != replies.end() ? r->second : std::vector<uint8_t>(sent.replyLen, 0);
                    }
                    rec.commands.push_back(std::move(c));
                }
                break;
            }
            case LineKind::host:
            case LineKind::refuse:
            case LineKind::fail:
            case LineKind::traffic:
                (void)applyLine(h, chip, l);
                break;
            case LineKind::expect:
                break;
        }
    }
    h.driver = model;
    chip.detach();
}

}  // namespace

int recordingToPcap(const Options &o, std::ostream &out, std::ostream &err)
{
    Recording rec;
    std::string error;
    if (!readRecordingFile(o.toPcap, rec, error)) {
        err << "halsim: " << o.toPcap << ": " << error << '\n';
        return 2;
    }
    const std::vector<Packet> packets = packetsOf(rec);
    if (!writePcap(o.pcap, packets, error)) {
        err << "halsim: " << o.pcap << ": " << error << '\n';
        return 2;
    }
    report(o, out, err, o.pcap, packets, rec.calls.size());
    return 0;
}

int scenarioToPcap(const Options &o, std::ostream &out, std::ostream &err)
{
    Recording rec;
    uint64_t clock = 0;
    for (const std::string &file : o.files) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        Scenario s;
        std::string error;
        if (!in || !parseScenario(text.str(), file, s, error)) {
            err << "halsim: " << (error.empty() ? file + ": cannot read" : error) << '\n';
            return 2;
        }
        captureScenario(s, rec, clock);
    }
    const std::vector<Packet> packets = packetsOf(rec);
    std::string error;
    if (!writePcap(o.pcap, packets, error)) {
        err << "halsim: " << o.pcap << ": " << error << '\n';
        return 2;
    }
    report(o, out, err, o.pcap, packets, rec.calls.size());
    return 0;
}

}  // namespace halsim
