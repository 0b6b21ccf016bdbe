// Recordings of libhal_record.so at the desk: replayed against the
// simulated terminal, or written as a scenario file.
#include <algorithm>

#include "driver.h"
#include "fields.h"
#include "host.h"
#include "library_state.h"
#include "print.h"
#include "record_file.h"
#include "run.h"

namespace halsim {

namespace {

// The scenario line of a recorded call: its words and the members of its
// buffers that are not zero, as the buffers were before the call. Members
// of the call's only record go without the parameter's name.
std::string callLine(const api::Function &f, const RecordedCall &c)
{
    size_t records = 0;
    for (size_t i = 0; i < f.paramCount; ++i) {
        records += f.params[i].type != nullptr ? 1 : 0;
    }
    std::string line = f.name;
    for (size_t i = 0; i < f.paramCount && i < c.args.size(); ++i) {
        const api::Param &p = f.params[i];
        const RecordedArg &a = c.args[i];
        if (a.kind == RecordedArg::Kind::word) {
            line += a.word != 0 ? " " + std::string(p.name) + "=" + std::to_string(a.word) : "";
        } else if (a.kind == RecordedArg::Kind::null) {
            line += " " + std::string(p.name) + "=null";
        } else {
            const std::string prefix = p.type != nullptr && records > 1 ? std::string(p.name) + "." : "";
            nonZeroFields(p, a.before.data(), a.before.size(), [&](const std::string &path, const std::string &value) {
                line.append(" ").append(prefix).append(path).append("=").append(value);
            });
        }
    }
    return line;
}

// Whether a recorded call fits the entry point of its name: as many
// arguments, words where it takes words.
bool fits(const api::Function &f, const RecordedCall &c)
{
    if (c.args.size() != f.paramCount) {
        return false;
    }
    for (size_t i = 0; i < f.paramCount; ++i) {
        const bool word = f.params[i].kind == api::ParamKind::word;
        if (word != (c.args[i].kind == RecordedArg::Kind::word)) {
            return false;
        }
    }
    return true;
}

bool load(const std::string &path, std::vector<RecordedCall> &calls, std::ostream &err)
{
    std::string error;
    if (!readRecordingFile(path, calls, error)) {
        err << "halsim: " << path << ": " << error << '\n';
        return false;
    }
    return true;
}

}  // namespace

int replay(const Options &o, std::ostream &out, std::ostream &err)
{
    std::vector<RecordedCall> calls;
    if (!load(o.replay, calls, err)) {
        return 2;
    }
    resetLibrary();
    Host &h = host();
    h.reset();
    ChipModel chip;
    chip.attach(h);
    size_t differ = 0;
    for (const RecordedCall &c : calls) {
        const api::Function *f = api::findFunction(c.name);
        if (f == nullptr || !fits(*f, c)) {
            ++differ;
            err << o.replay << ": call " << c.sequence << ": " << c.name
                << (f == nullptr ? ": not an entry point halsim can call\n"
                                 : ": arguments do not fit the entry point\n");
            continue;
        }
        api::Args args;
        std::vector<std::vector<uint8_t>> buffers(f->paramCount);
        for (size_t i = 0; i < f->paramCount; ++i) {
            const RecordedArg &a = c.args[i];
            if (a.kind == RecordedArg::Kind::word) {
                args.words[i] = a.word;
            } else if (a.kind == RecordedArg::Kind::buffer) {
                // Never less than the entry point may touch, whatever the
                // recording says.
                buffers[i] = a.before;
                buffers[i].resize(std::max(a.before.size(), bufferSize(f->params[i])), 0);
                args.buffers[i] = buffers[i].data();
            }
        }
        const Marks before = marksOf(h);
        const uint32_t result = f->call(args);
        printRequest(o.output, callLine(*f, c), result, {}, h, before, out);
        if (result != c.result) {
            ++differ;
            err << o.replay << ": call " << c.sequence << ": " << c.name << ": recorded " << hex(c.result)
                << ", replayed " << hex(result) << '\n';
        }
    }
    printChipState(o.output, chip.summary(), out);
    if (o.output != Output::state) {
        (o.output == Output::json ? err : out)
            << "halsim: replayed " << calls.size() << " calls, " << differ << " differ\n";
    }
    return differ == 0 ? 0 : 1;
}

int toScenario(const Options &o, std::ostream &out, std::ostream &err)
{
    std::vector<RecordedCall> calls;
    if (!load(o.toScenario, calls, err)) {
        return 2;
    }
    out << "# " << o.toScenario << ", as recorded: each call and its result\n";
    for (const RecordedCall &c : calls) {
        const api::Function *f = api::findFunction(c.name);
        if (f == nullptr || !fits(*f, c)) {
            out << "# call " << c.sequence << ": " << c.name << " cannot be written as a scenario line\n";
            continue;
        }
        out << callLine(*f, c) << "\nexpect result " << hex(c.result) << '\n';
    }
    return 0;
}

}  // namespace halsim
