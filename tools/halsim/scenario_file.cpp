#include "scenario_file.h"

#include <cstring>
#include <memory>

#include "cmd_names.h"
#include "decode.h"
#include "scenario_settings.h"

namespace halsim {

namespace {

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) {
            ++i;
        }
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r') {
            ++i;
        }
        if (i > start) {
            out.push_back(text.substr(start, i - start));
        }
    }
    return out;
}

bool toPairs(const std::vector<std::string_view> &items, size_t from, std::vector<Pair> &pairs, std::string &error)
{
    for (size_t i = from; i < items.size(); ++i) {
        const size_t eq = items[i].find('=');
        if (eq == std::string_view::npos || eq == 0) {
            error = "expected NAME=VALUE, got '" + std::string(items[i]) + "'";
            return false;
        }
        pairs.push_back({std::string(items[i].substr(0, eq)), std::string(items[i].substr(eq + 1))});
    }
    return true;
}

bool toNumber(std::string_view text, uint64_t max, uint64_t &v, const char *what, std::string &error)
{
    const std::optional<uint64_t> n = parseNumber(text);
    if (!n || *n > max) {
        error = "bad " + std::string(what) + " '" + std::string(text) + "'";
        return false;
    }
    v = *n;
    return true;
}

// Where a call's NAME=VALUE goes: a word parameter by its name, a member
// of a buffer parameter as "param.member", or a member of the call's only
// record without the parameter's name.
struct Target {
    size_t param = 0;
    bool isWord = false;
    FieldRef ref;
};

// What naming a parameter of the call by a key's head came to: the key
// resolved, the key is wrong, or the key may still be a member of the
// call's only record.
enum class Named { found, failed, elsewhere };

// Resolves key against parameter i of f, the one key's head names; end is
// where the head ends in key.
Named resolveNamed(const api::Function &f, size_t i, const std::string &key, size_t end, Target &t, std::string &error)
{
    const api::Param &p = f.params[i];
    t.param = i;
    if (p.kind == api::ParamKind::word) {
        t.isWord = key == p.name;
        return t.isWord ? Named::found : Named::elsewhere;
    }
    if (p.type == nullptr) {
        const std::optional<FieldRef> r = resolve(p, key, error);
        if (!r) {
            return Named::elsewhere;
        }
        t.ref = *r;
        return Named::found;
    }
    if (end == std::string::npos || key[end] != '.') {
        error = "field '" + key + "' is a record: name one of its members";
        return Named::failed;
    }
    const std::optional<FieldRef> r = resolve(p, key.substr(end + 1), error);
    if (!r) {
        error = "unknown field '" + key + "' for " + f.name;
        return Named::failed;
    }
    t.ref = *r;
    return Named::found;
}

// A key that names no parameter: a member of the call's only record.
// records and onlyRecord count the record parameters up to the one the
// key's head named (all of them when it named none). Otherwise the error
// points to the records that have such a member.
bool resolveInRecord(const api::Function &f, const std::string &key, size_t records, size_t onlyRecord, Target &t,
                     std::string &error)
{
    if (records == 1) {
        const std::optional<FieldRef> r = resolve(f.params[onlyRecord], key, error);
        if (r) {
            t = Target{onlyRecord, false, *r};
            return true;
        }
        if (error.rfind("unknown field", 0) != 0) {
            return false;
        }
    }
    error = "unknown field '" + key + "' for " + f.name;
    // With several records a member goes with its record's name.
    for (size_t i = 0; records > 1 && i < f.paramCount; ++i) {
        std::string ignored;
        if (f.params[i].type != nullptr && resolve(f.params[i], key, ignored)) {
            error += " (name its record: '" + std::string(f.params[i].name) + "." + key + "')";
        }
    }
    return false;
}

bool resolveArg(const api::Function &f, const std::string &key, Target &t, std::string &error)
{
    const size_t end = key.find_first_of(".[");
    const std::string head = key.substr(0, end);
    size_t records = 0;
    size_t onlyRecord = 0;
    for (size_t i = 0; i < f.paramCount; ++i) {
        if (f.params[i].type != nullptr) {
            ++records;
            onlyRecord = i;
        }
        if (head == f.params[i].name) {
            const Named named = resolveNamed(f, i, key, end, t, error);
            if (named != Named::elsewhere) {
                return named == Named::found;
            }
            break;
        }
    }
    return resolveInRecord(f, key, records, onlyRecord, t, error);
}

bool parseCall(const api::Function &f, const std::vector<std::string_view> &items, ScenarioLine &l, std::string &error)
{
    l.kind = LineKind::call;
    l.function = &f;
    l.buffers.resize(f.paramCount);
    for (size_t i = 0; i < f.paramCount; ++i) {
        if (f.params[i].kind == api::ParamKind::buffer) {
            l.buffers[i].assign(bufferSize(f.params[i]), 0);
        }
    }
    std::vector<Pair> pairs;
    if (!toPairs(items, 1, pairs, error)) {
        return false;
    }
    for (const Pair &p : pairs) {
        bool isNull = false;
        for (size_t i = 0; i < f.paramCount && p.value == "null"; ++i) {
            if (f.params[i].kind == api::ParamKind::buffer && p.key == f.params[i].name) {
                l.nullMask |= 1U << i;
                isNull = true;
            }
        }
        if (isNull) {
            continue;
        }
        Target t;
        if (!resolveArg(f, p.key, t, error)) {
            return false;
        }
        if (t.isWord) {
            uint64_t v = 0;
            if (!toNumber(p.value, UINT32_MAX, v, p.key.c_str(), error)) {
                return false;
            }
            l.args.words[t.param] = static_cast<uint32_t>(v);
        } else if (!writeValue(l.buffers[t.param].data(), t.ref, p.value, error)) {
            error.insert(0, p.key + ": ");
            return false;
        }
    }
    return true;
}

// An expect line as its check reads it: the line's words, where the
// check's name stands among them (after "expect" and a "not"), the whole
// line, and the last call before it (nullptr for none).
struct ExpectLine {
    const std::vector<std::string_view> &items;
    size_t at;
    std::string_view text;
    const ScenarioLine *lastCall;

    // The word after the check's name; empty for none.
    std::string_view arg() const { return items.size() > at + 1 ? items[at + 1] : std::string_view(); }
};

// expect result|commands|lastwords N
bool parseExpectNumber(const ExpectLine &e, ScenarioLine &l, std::string &error)
{
    if (e.items.size() != e.at + 2) {
        error = "expect " + l.verb + " takes one number";
        return false;
    }
    return toNumber(e.arg(), UINT32_MAX, l.number, "number", error);
}

// expect command NAME [FIELD=VALUE...], the fields those of the command's layout.
bool parseExpectCommand(const ExpectLine &e, ScenarioLine &l, std::string &error)
{
    const std::string_view arg = e.arg();
    uint32_t code = 0;
    if (!commandCode(arg, code)) {
        error = "unknown command '" + std::string(arg) + "'";
        return false;
    }
    l.number = code;
    if (!toPairs(e.items, e.at + 2, l.pairs, error)) {
        return false;
    }
    const Layout *layout = layoutOf(code);
    for (const Pair &p : l.pairs) {
        bool known = false;
        for (size_t i = 0; layout != nullptr && i < layout->fields.size() && !known; ++i) {
            known = layout->fields[i].name == p.key;
        }
        if (!known) {
            error = "unknown field '" + p.key + "' for command " + std::string(arg);
            return false;
        }
    }
    return true;
}

// expect lastword FILE:LINE [code=X] [values=A,B,C,D]
bool parseExpectLastword(const ExpectLine &e, ScenarioLine &l, std::string &error)
{
    const std::string_view arg = e.arg();
    const size_t colon = arg.rfind(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !toNumber(arg.substr(colon + 1), UINT32_MAX, l.number2, "line", error)) {
        error = "expect lastword takes FILE:LINE, got '" + std::string(arg) + "'";
        return false;
    }
    l.rest = std::string(arg.substr(0, colon));
    if (!toPairs(e.items, e.at + 2, l.pairs, error)) {
        return false;
    }
    for (const Pair &p : l.pairs) {
        if (p.key != "code" && p.key != "values") {
            error = "unknown key '" + p.key + "' for expect lastword (code, values)";
            return false;
        }
    }
    return true;
}

// expect out FIELD=VALUE...: members of the records the last call wrote,
// each value checked by writing it into a scratch record.
bool parseExpectOut(const ExpectLine &e, ScenarioLine &l, std::string &error)
{
    if (e.lastCall == nullptr) {
        error = "expect out before any call";
        return false;
    }
    l.outOf = e.lastCall->function;
    if (!toPairs(e.items, e.at + 1, l.pairs, error)) {
        return false;
    }
    for (const Pair &p : l.pairs) {
        Target t;
        if (!resolveArg(*l.outOf, p.key, t, error)) {
            return false;
        }
        if (t.isWord) {
            error = p.key + " is a word the call reads, not a record it writes";
            return false;
        }
        std::vector<uint8_t> scratch(e.lastCall->buffers[t.param].size());
        if (!writeValue(scratch.data(), t.ref, p.value, error)) {
            error.insert(0, p.key + ": ");
            return false;
        }
        l.outParams.push_back(t.param);
        l.outFields.push_back(t.ref);
    }
    return true;
}

// expect [not] state TEXT: the rest of the line, trimmed.
bool parseExpectState(const ExpectLine &e, ScenarioLine &l, std::string &error)
{
    const size_t pos = e.text.find("state");
    l.rest = std::string(e.text.substr(pos + 5));
    const size_t first = l.rest.find_first_not_of(" \t");
    const size_t last = l.rest.find_last_not_of(" \t\r");
    l.rest = first == std::string::npos ? std::string() : l.rest.substr(first, last - first + 1);
    if (l.rest.empty()) {
        error = "expect state takes the start of a line of the chip's tables";
        return false;
    }
    return true;
}

struct ExpectKind {
    std::string_view name;
    Check check;
    bool (*parse)(const ExpectLine &, ScenarioLine &, std::string &);
};

// The checks an expect line names, in the order its messages list them.
constexpr ExpectKind kExpectKinds[] = {
    {"result", Check::result, parseExpectNumber},        // the last call's result
    {"commands", Check::commands, parseExpectNumber},    // HLP commands the last call sent
    {"command", Check::command, parseExpectCommand},     // the last command of a code
    {"lastword", Check::lastword, parseExpectLastword},  // a failure record
    {"lastwords", Check::lastwords, parseExpectNumber},  // failure records the last call made
    {"out", Check::out, parseExpectOut},                 // members of records the last call wrote
    {"state", Check::state, parseExpectState},           // a line of the chip's tables
};

bool parseExpect(const std::vector<std::string_view> &items, std::string_view text, const ScenarioLine *lastCall,
                 ScenarioLine &l, std::string &error)
{
    l.kind = LineKind::expect;
    size_t at = 1;
    if (items.size() > at && items[at] == "not") {
        l.flag = true;
        ++at;
    }
    if (items.size() <= at) {
        error = "expect what? (result, commands, command, lastword, lastwords, out, state)";
        return false;
    }
    l.verb = std::string(items[at]);
    if (l.flag && l.verb != "state") {
        error = "'expect not' takes state only";
        return false;
    }
    for (const ExpectKind &kind : kExpectKinds) {
        if (l.verb == kind.name) {
            l.check = kind.check;
            return kind.parse(ExpectLine{items, at, text, lastCall}, l, error);
        }
    }
    error = "unknown expect '" + l.verb + "' (result, commands, command, lastword, lastwords, out, state)";
    return false;
}

// host SETTING KEY=VALUE... or traffic KIND KEY=VALUE..., checked by
// applying the line to a host and a chip of its own.
bool parseSetting(std::string_view first, const std::vector<std::string_view> &items, ScenarioLine &l,
                  std::string &error)
{
    l.kind = first == "host" ? LineKind::host : LineKind::traffic;
    if (items.size() < 2) {
        error = std::string(first) + " what?";
        return false;
    }
    l.verb = std::string(items[1]);
    if (!toPairs(items, 2, l.pairs, error)) {
        return false;
    }
    if (l.kind == LineKind::host) {
        auto scratch = std::make_unique<Host>();
        return applyHostSetting(*scratch, l.verb, l.pairs, error);
    }
    ChipModel scratch;
    bool counted = false;
    return applyTraffic(scratch, l.verb, l.pairs, counted, error);
}

// refuse CMD RESULT
bool parseRefuse(const std::vector<std::string_view> &items, ScenarioLine &l, std::string &error)
{
    l.kind = LineKind::refuse;
    uint32_t code = 0;
    if (items.size() != 3 || !commandCode(items[1], code)) {
        error = "refuse takes a command (a name or a code) and a result";
        return false;
    }
    l.number = code;
    return toNumber(items[2], UINT32_MAX, l.number2, "result", error);
}

// fail [always] FUNCTION RESULT, FUNCTION one the host header declares.
bool parseFail(const std::vector<std::string_view> &items, ScenarioLine &l, std::string &error)
{
    l.kind = LineKind::fail;
    size_t at = 1;
    if (items.size() > at && items[at] == "always") {
        l.flag = true;
        ++at;
    }
    if (items.size() != at + 2) {
        error = "fail takes [always] FUNCTION RESULT";
        return false;
    }
    l.rest = std::string(items[at]);
    bool known = false;
    for (size_t i = 0; i < api::kHostFunctionCount && !known; ++i) {
        known = l.rest == api::kHostFunctions[i];
    }
    if (!known) {
        error = "unknown host function '" + l.rest + "'";
        return false;
    }
    return toNumber(items[at + 1], UINT32_MAX, l.number2, "result", error);
}

bool parseLine(std::string_view text, const ScenarioLine *lastCall, ScenarioLine &l, std::string &error)
{
    const std::vector<std::string_view> items = words(text);
    const std::string_view first = items[0];
    if (const api::Function *f = api::findFunction(first)) {
        return parseCall(*f, items, l, error);
    }
    if (first == "expect") {
        return parseExpect(items, text, lastCall, l, error);
    }
    if (first == "host" || first == "traffic") {
        return parseSetting(first, items, l, error);
    }
    if (first == "refuse") {
        return parseRefuse(items, l, error);
    }
    if (first == "fail") {
        return parseFail(items, l, error);
    }
    if (first.rfind("HAL_", 0) == 0) {
        error = "unknown call '" + std::string(first) +
                "' (or one a scenario cannot make: it takes a function or a string)";
        return false;
    }
    error = "unknown line '" + std::string(first) + "' (a HAL_ call, host, refuse, fail, traffic, expect)";
    return false;
}

}  // namespace

api::Args argsOf(ScenarioLine &l)
{
    api::Args args = l.args;
    for (size_t i = 0; i < l.buffers.size(); ++i) {
        if (!l.buffers[i].empty()) {
            args.buffers[i] = (l.nullMask & (1U << i)) != 0 ? nullptr : l.buffers[i].data();
        }
    }
    return args;
}

bool commandCode(std::string_view text, uint32_t &code)
{
    for (const Layout &l : layouts()) {
        const char *name = cmdName(l.cmd);
        if (name != nullptr && text == name) {
            code = l.cmd;
            return true;
        }
    }
    const std::optional<uint64_t> n = parseNumber(text);
    if (!n || *n > UINT32_MAX) {
        return false;
    }
    code = static_cast<uint32_t>(*n);
    return true;
}

bool parseScenario(std::string_view text, const std::string &file, Scenario &out, std::string &error)
{
    uint32_t number = 0;
    size_t lastCall = SIZE_MAX;  // index of the last call line
    size_t start = 0;
    while (start < text.size()) {
        const size_t nl = text.find('\n', start);
        std::string_view line = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
        start = nl == std::string_view::npos ? text.size() : nl + 1;
        ++number;
        const size_t hash = line.find('#');
        line = line.substr(0, hash);
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) {
            continue;
        }
        const size_t last = line.find_last_not_of(" \t\r");
        line = line.substr(first, last - first + 1);
        ScenarioLine l;
        l.file = file;
        l.line = number;
        l.text = std::string(line);
        std::string why;
        if (!parseLine(line, lastCall == SIZE_MAX ? nullptr : &out.lines[lastCall], l, why)) {
            error.assign(file).append(":").append(std::to_string(number)).append(": ").append(why);
            return false;
        }
        out.lines.push_back(std::move(l));
        if (out.lines.back().kind == LineKind::call) {
            lastCall = out.lines.size() - 1;
        }
    }
    return true;
}

}  // namespace halsim
