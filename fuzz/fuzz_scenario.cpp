// libFuzzer target: one input is the text of a scenario file, read as
// halsim reads it before a run. Nothing is run: the scenario's calls would
// reach the library with whatever the text says, which fuzz_hal covers.
//
// Besides crashes, hangs and out-of-bounds access (the sanitizers), the
// harness aborts when:
//  - a failed read has an error that is not "file:line: what" with line
//    a line of the input;
//  - a line read has a line number out of order, text that still holds a
//    comment, a line break or surrounding blanks, or a call whose buffers
//    do not match its entry point's parameters (sizes, null bits past the
//    parameters or on a word), or an `expect out` whose members lie outside
//    the record of the call it reads;
//  - a line read alone (after the call it follows, for `expect out`) reads
//    differently than within the file: every line stands on its own;
//  - a call written back out as `HAL_x PARAM=VALUE...` from the words and
//    the members that are not zero (as halsim writes a recording as a
//    scenario) does not read back to the same words, buffers and nulls.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fields.h"
#include "scenario_file.h"

namespace {

const std::string kFile = "fuzz";

[[noreturn]] void fail(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "fuzz_scenario: invariant broken: %s: %s\n", what, detail.c_str());
    std::abort();
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

size_t countLines(std::string_view text)
{
    size_t n = 0;
    for (size_t at = 0; at < text.size(); ++n) {
        const size_t nl = text.find('\n', at);
        at = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return n;
}

void checkError(std::string_view text, const std::string &error)
{
    const std::string prefix = kFile + ":";
    if (error.compare(0, prefix.size(), prefix) != 0) {
        fail("error without the file", error);
    }
    size_t at = prefix.size();
    uint64_t line = 0;
    while (at < error.size() && error[at] >= '0' && error[at] <= '9' && line <= UINT32_MAX) {
        line = line * 10 + static_cast<uint64_t>(error[at++] - '0');
    }
    if (line == 0 || line > countLines(text) || error.compare(at, 2, ": ") != 0 || error.size() == at + 2) {
        fail("error without a line of the input", error);
    }
}

void checkCall(const halsim::ScenarioLine &l)
{
    const halsim::api::Function *f = l.function;
    const std::string_view first = std::string_view(l.text).substr(0, l.text.find_first_of(" \t\r"));
    if (f == nullptr || halsim::api::findFunction(first) != f) {
        fail("call of another entry point than its line names", l.text);
    }
    if (f->paramCount > halsim::api::Args::kMaxParams || l.buffers.size() != f->paramCount) {
        fail("call buffers per parameter", l.text);
    }
    for (size_t i = 0; i < f->paramCount; ++i) {
        const halsim::api::Param &p = f->params[i];
        const bool isBuffer = p.kind == halsim::api::ParamKind::buffer;
        const size_t want = isBuffer ? halsim::bufferSize(p) : 0;
        if (l.buffers[i].size() != want) {
            fail("buffer size of a parameter", l.text);
        }
        if (!isBuffer && (l.nullMask & (1U << i)) != 0) {
            fail("null bit on a word parameter", l.text);
        }
    }
    if (f->paramCount < 32 && (l.nullMask >> f->paramCount) != 0) {
        fail("null bit past the parameters", l.text);
    }
}

void checkExpectOut(const halsim::ScenarioLine &l)
{
    const halsim::api::Function *f = l.outOf;
    if (f == nullptr || l.outParams.size() != l.pairs.size() || l.outFields.size() != l.pairs.size()) {
        fail("expect out without a member per pair", l.text);
    }
    for (size_t k = 0; k < l.outParams.size(); ++k) {
        if (l.outParams[k] >= f->paramCount || f->params[l.outParams[k]].kind != halsim::api::ParamKind::buffer) {
            fail("expect out reads a parameter that is no buffer", l.text);
        }
        const halsim::FieldRef &r = l.outFields[k];
        const size_t size = halsim::bufferSize(f->params[l.outParams[k]]);
        if (r.elem == 0 || r.elem > 8 || r.count == 0 || r.offset > size || r.count > (size - r.offset) / r.elem) {
            fail("expect out reads past the record", l.text);
        }
    }
}

bool sameRef(const halsim::FieldRef &a, const halsim::FieldRef &b)
{
    return a.offset == b.offset && a.elem == b.elem && a.count == b.count;
}

bool samePairs(const std::vector<halsim::Pair> &a, const std::vector<halsim::Pair> &b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].key != b[i].key || a[i].value != b[i].value) {
            return false;
        }
    }
    return true;
}

bool sameCallArgs(const halsim::ScenarioLine &a, const halsim::ScenarioLine &b)
{
    for (size_t i = 0; i < halsim::api::Args::kMaxParams; ++i) {
        if (a.args.words[i] != b.args.words[i]) {
            return false;
        }
    }
    return a.function == b.function && a.buffers == b.buffers && a.nullMask == b.nullMask;
}

bool sameLine(const halsim::ScenarioLine &a, const halsim::ScenarioLine &b)
{
    if (a.kind != b.kind || a.text != b.text || !sameCallArgs(a, b) || a.verb != b.verb || a.check != b.check ||
        !samePairs(a.pairs, b.pairs) || a.rest != b.rest || a.number != b.number || a.number2 != b.number2 ||
        a.flag != b.flag || a.outParams != b.outParams || a.outOf != b.outOf ||
        a.outFields.size() != b.outFields.size()) {
        return false;
    }
    for (size_t i = 0; i < a.outFields.size(); ++i) {
        if (!sameRef(a.outFields[i], b.outFields[i])) {
            return false;
        }
    }
    return true;
}

// Reads text, which must read, and returns its last line.
halsim::ScenarioLine readAlone(const std::string &text, const char *what)
{
    halsim::Scenario s;
    std::string error;
    if (!halsim::parseScenario(text, kFile, s, error)) {
        fail(what, text + " -> " + error);
    }
    if (s.lines.empty()) {
        fail(what, text + " -> no line");
    }
    return s.lines.back();
}

// The call as a scenario line of its words and the members that are not
// zero. Records with a list behind them are left out: their list is written
// only as far as their count says.
bool writeCall(const halsim::ScenarioLine &l, std::string &out)
{
    const halsim::api::Function &f = *l.function;
    out = f.name;
    for (size_t i = 0; i < f.paramCount; ++i) {
        const halsim::api::Param &p = f.params[i];
        if (p.kind == halsim::api::ParamKind::word) {
            out += std::string(" ") + p.name + "=" + std::to_string(l.args.words[i]);
            continue;
        }
        if (halsim::bufferSize(p) != p.size) {
            return false;
        }
        const std::string prefix = p.type != nullptr ? std::string(p.name) + "." : std::string();
        halsim::nonZeroFields(p, l.buffers[i].data(), l.buffers[i].size(),
                              [&](const std::string &name, const std::string &value) {
                                  out.append(" ").append(prefix).append(name).append("=").append(value);
                              });
        if ((l.nullMask & (1U << i)) != 0) {
            out += std::string(" ") + p.name + "=null";
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    halsim::Scenario s;
    std::string error;
    if (!halsim::parseScenario(text, kFile, s, error)) {
        checkError(text, error);
        return 0;
    }
    uint32_t previous = 0;
    const halsim::ScenarioLine *lastCall = nullptr;
    for (const halsim::ScenarioLine &l : s.lines) {
        if (l.file != kFile || l.line <= previous) {
            fail("line numbers out of order", l.text);
        }
        previous = l.line;
        if (l.text.empty() || l.text.find_first_of("#\n") != std::string::npos || isBlank(l.text.front()) ||
            isBlank(l.text.back())) {
            fail("line text not trimmed of blanks and comment", l.text);
        }
        if (l.kind == halsim::LineKind::call) {
            checkCall(l);
        }
        if (l.kind == halsim::LineKind::expect && l.check == halsim::Check::out) {
            checkExpectOut(l);
        }

        const std::string alone = (lastCall != nullptr ? lastCall->text + "\n" : std::string()) + l.text;
        if (!sameLine(readAlone(alone, "line that does not read alone"), l)) {
            fail("line reads differently alone", l.text);
        }

        std::string written;
        if (l.kind == halsim::LineKind::call && writeCall(l, written)) {
            if (!sameCallArgs(readAlone(written, "call written back does not read"), l)) {
                fail("call written back reads differently", l.text + " -> " + written);
            }
        }
        if (l.kind == halsim::LineKind::call) {
            lastCall = &l;
        }
    }
    return 0;
}
