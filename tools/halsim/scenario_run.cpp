// Runs scenario files: each line in order against the library in the
// stand-in host, with the simulated chip as its driver.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "driver.h"
#include "host.h"
#include "json_out.h"
#include "library_state.h"
#include "print.h"
#include "run.h"
#include "scenario_file.h"
#include "scenario_settings.h"

namespace halsim {

namespace {

// What the last call left for the expect lines after it.
struct LastCall {
    const ScenarioLine *line = nullptr;
    uint32_t result = 0;
    Marks from{};
};

struct Totals {
    size_t requests = 0;
    size_t commands = 0;
    size_t records = 0;
    size_t expects = 0;
    size_t failed = 0;
};

uint32_t call(ScenarioLine &l) { return l.function->call(argsOf(l)); }

// A comma list of numbers, each decimal or 0x hex, against numbers.
bool listMatches(const std::vector<uint64_t> &numbers, std::string_view expected)
{
    size_t i = 0;
    for (size_t start = 0; start <= expected.size(); ++i) {
        const size_t comma = std::min(expected.find(',', start), expected.size());
        const std::optional<uint64_t> n = parseNumber(expected.substr(start, comma - start));
        if (i >= numbers.size() || !n || *n != numbers[i]) {
            return false;
        }
        start = comma + 1;
    }
    return i == numbers.size();
}

// A decoded field as the expect line writes it: a number, a value's name,
// a list, or bytes in hex.
bool fieldMatches(const Json &actual, const std::string &expected)
{
    const std::optional<uint64_t> n = parseNumber(expected);
    if (actual.is_number()) {
        return n && actual.get<uint64_t>() == *n;
    }
    if (actual.is_object()) {
        return (n && actual["value"].get<uint64_t>() == *n) ||
               (actual["name"].is_string() && actual["name"].get<std::string>() == expected);
    }
    if (actual.is_array()) {
        std::vector<uint64_t> numbers;
        for (const Json &e : actual) {
            numbers.push_back((e.is_object() ? e["value"] : e).get<uint64_t>());
        }
        return listMatches(numbers, expected);
    }
    return actual.is_string() && actual.get<std::string>() == expected;
}

std::string fieldText(const Json &actual) { return actual.is_string() ? actual.get<std::string>() : actual.dump(); }

class Runner {
public:
    Runner(const Options &o, std::ostream &out, std::ostream &err) : o_(o), out_(out), err_(err) {}

    void run(Scenario &s);
    const Totals &totals() const { return totals_; }

private:
    void fail(const ScenarioLine &l, const std::string &expected, const std::string &actual)
    {
        ++totals_.failed;
        err_ << l.file << ':' << l.line << ": " << l.text << ": expected " << expected << ", got " << actual << '\n';
    }
    void check(const ScenarioLine &l);
    void checkCommand(const ScenarioLine &l);
    void checkLastWord(const ScenarioLine &l);
    void checkOut(const ScenarioLine &l);
    void checkState(const ScenarioLine &l);

    const Options &o_;
    std::ostream &out_;
    std::ostream &err_;
    Totals totals_;
    ChipModel chip_;
    LastCall last_;
};

void Runner::run(Scenario &s)
{
    resetLibrary();
    Host &h = host();
    h.reset();
    chip_.reset();
    chip_.attach(h);
    last_ = LastCall{};
    for (ScenarioLine &l : s.lines) {
        switch (l.kind) {
            case LineKind::call: {
                const Marks before = marksOf(h);
                const uint32_t result = call(l);
                printRequest(o_.output, l.text, result, {}, h, before, out_);
                last_ = LastCall{&l, result, before};
                ++totals_.requests;
                totals_.commands += h.hlp.size() - before.hlp;
                totals_.records += h.lastWords.size() - before.lastWords;
                break;
            }
            case LineKind::host:
            case LineKind::refuse:
            case LineKind::fail:
            case LineKind::traffic:
                if (!applyLine(h, chip_, l)) {
                    ++totals_.failed;
                    err_ << l.file << ':' << l.line << ": " << l.text << ": the chip holds no such counter\n";
                }
                break;
            case LineKind::expect:
                ++totals_.expects;
                check(l);
                break;
        }
    }
    printChipState(o_.output, chip_.summary(), out_);
    chip_.detach();
}

void Runner::check(const ScenarioLine &l)
{
    const Host &h = host();
    if (l.check == Check::state) {
        checkState(l);
        return;
    }
    if (last_.line == nullptr) {
        fail(l, "a call before it", "none");
        return;
    }
    switch (l.check) {
        case Check::result:
            if (last_.result != l.number) {
                fail(l, hex(static_cast<uint32_t>(l.number)), hex(last_.result));
            }
            break;
        case Check::commands:
            if (h.hlp.size() - last_.from.hlp != l.number) {
                fail(l, std::to_string(l.number), std::to_string(h.hlp.size() - last_.from.hlp));
            }
            break;
        case Check::lastwords:
            if (h.lastWords.size() - last_.from.lastWords != l.number) {
                fail(l, std::to_string(l.number), std::to_string(h.lastWords.size() - last_.from.lastWords));
            }
            break;
        case Check::command:
            checkCommand(l);
            break;
        case Check::lastword:
            checkLastWord(l);
            break;
        case Check::out:
            checkOut(l);
            break;
        case Check::state:
            break;
    }
}

void Runner::checkCommand(const ScenarioLine &l)
{
    const Host &h = host();
    const HlpCall *found = nullptr;
    std::string sent;
    for (size_t i = last_.from.hlp; i < h.hlp.size(); ++i) {
        found = h.hlp[i].cmd == l.number ? &h.hlp[i] : found;
        sent += (sent.empty() ? "" : " ") + hex(h.hlp[i].cmd);
    }
    if (found == nullptr) {
        fail(l, "command " + hex(static_cast<uint32_t>(l.number)), sent.empty() ? "no command" : sent);
        return;
    }
    const Json fields = toJson(*found).value("fields", Json::object());
    for (const Pair &p : l.pairs) {
        const Json actual = fields.value(p.key, Json());
        if (!fieldMatches(actual, p.value)) {
            fail(l, p.key + "=" + p.value, p.key + "=" + fieldText(actual));
        }
    }
}

void Runner::checkLastWord(const ScenarioLine &l)
{
    const Host &h = host();
    std::string made;
    for (size_t i = last_.from.lastWords; i < h.lastWords.size(); ++i) {
        const LastWordRec &r = h.lastWords[i];
        const std::string values = std::to_string(r.v[0]) + "," + std::to_string(r.v[1]) + "," +
                                   std::to_string(r.v[2]) + "," + std::to_string(r.v[3]);
        bool match = r.file == l.rest && r.line == l.number2;
        for (const Pair &p : l.pairs) {
            const std::optional<uint64_t> code = parseNumber(p.value);
            match = match && (p.key == "code" ? code && *code == r.code
                                              : listMatches({r.v[0], r.v[1], r.v[2], r.v[3]}, p.value));
        }
        if (match) {
            return;
        }
        made += (made.empty() ? "" : "; ") + r.file + ":" + std::to_string(r.line) + " code=" + hex(r.code) +
                " values=" + values;
    }
    std::string expected = l.rest + ":" + std::to_string(l.number2);
    for (const Pair &p : l.pairs) {
        expected += " " + p.key + "=" + p.value;
    }
    fail(l, expected, made.empty() ? "no failure record" : made);
}

void Runner::checkOut(const ScenarioLine &l)
{
    if (last_.line->function != l.outOf) {
        fail(l, std::string("a call of ") + l.outOf->name, last_.line->function->name);
        return;
    }
    for (size_t i = 0; i < l.pairs.size(); ++i) {
        const std::vector<uint8_t> &actual = last_.line->buffers[l.outParams[i]];
        const FieldRef &ref = l.outFields[i];
        std::vector<uint8_t> expected = actual;
        std::string error;
        (void)writeValue(expected.data(), ref, l.pairs[i].value, error);
        if (expected != actual) {
            fail(l, l.pairs[i].key + "=" + formatValue(expected.data(), ref),
                 l.pairs[i].key + "=" + formatValue(actual.data(), ref));
        }
    }
}

void Runner::checkState(const ScenarioLine &l)
{
    std::istringstream lines(chip_.summary());
    std::string line;
    bool found = false;
    while (!found && std::getline(lines, line)) {
        found = line.rfind(l.rest, 0) == 0;
    }
    if (found != !l.flag) {
        fail(l, (l.flag ? "no line starting '" : "a line starting '") + l.rest + "'",
             found ? "'" + line + "'" : "none");
    }
}

}  // namespace

int runFiles(const Options &o, std::ostream &out, std::ostream &err)
{
    std::vector<Scenario> scenarios(o.files.size());
    for (size_t i = 0; i < o.files.size(); ++i) {
        std::ifstream in(o.files[i], std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (!in || !parseScenario(text.str(), o.files[i], scenarios[i], error)) {
            err << "halsim: " << (error.empty() ? o.files[i] + ": cannot read" : error) << '\n';
            return 2;
        }
    }
    Runner runner(o, out, err);
    for (size_t i = 0; i < scenarios.size(); ++i) {
        if (scenarios.size() > 1 && (o.output == Output::requests || o.output == Output::verbose)) {
            out << "== " << o.files[i] << '\n';
        }
        runner.run(scenarios[i]);
    }
    const Totals &t = runner.totals();
    if (o.output != Output::state) {
        (o.output == Output::json ? err : out)
            << "halsim: " << o.files.size() << (o.files.size() == 1 ? " file, " : " files, ") << t.requests
            << " requests, " << t.commands << " HLP commands, " << t.records << " failure records, "
            << host().liveAllocations.size() << " allocations held, " << t.expects << " expects, " << t.failed
            << " failed\n";
    }
    return t.failed == 0 ? 0 : 1;
}

}  // namespace halsim
