// The soak's engine: a fresh library, host and chip for each run, the
// lines of a step run in turn, the model updated from what the call did
// and what the driver answered, and the cleanup's calls and checks.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/hlp_cmd.h"
#include "soak_engine.h"

namespace halsim::soak_detail {

using hal::hlp::Cmd;
using hal::hlp::codeOf;

// ---- The engine ----------------------------------------------------------------------------

namespace {

// The tables a call's own checks compare with what they were before it.
ChipTables ownTables(const ChipTables &t, Op op)
{
    ChipTables own;
    const uint32_t mine = touches(op);
    const auto take = [mine](Table table, auto &to, const auto &from) {
        if ((mine & bit(table)) != 0) {
            to = from;
        }
    };
    take(tFlows, own.l2Flows, t.l2Flows);
    take(tLimits, own.limits, t.limits);
    take(tMacs, own.staticMacs, t.staticMacs);
    take(tPdu, own.pduFlows, t.pduFlows);
    take(tCar, own.carProfiles, t.carProfiles);
    take(tBind, own.carBindings, t.carBindings);
    take(tDfx, own.dfxFlows, t.dfxFlows);
    take(tUsers, own.programUsers, t.programUsers);
    take(tGroupCounters, own.groupCounters, t.groupCounters);
    take(tUserCounters, own.userCounters, t.userCounters);
    take(tIfs, own.interfaces, t.interfaces);
    take(tPrefixes, own.prefixes, t.prefixes);
    take(tRoutes, own.policyRoutes, t.policyRoutes);
    take(tNapt, own.naptIndications, t.naptIndications);
    take(tWan, own.wanCounters, t.wanCounters);
    return own;
}

}  // namespace

void Engine::begin()
{
    resetLibrary();
    Host &h = host();
    h.reset();
    h.liveAllocations.clear();
    chip_.reset();
    chip_.attach(h);
    m_ = Model{};
    lastResult_ = 0;
}

std::optional<Finding> Engine::run(const Scenario &s)
{
    for (const ScenarioLine &l : s.lines) {
        if (l.kind == LineKind::refuse) {
            host().answer(static_cast<uint32_t>(l.number), static_cast<uint32_t>(l.number2));
            ++m_.pendingRefusals[static_cast<uint32_t>(l.number)];
        } else if (l.kind == LineKind::fail && l.flag) {
            host().failAlways(l.rest, static_cast<uint32_t>(l.number2));
        } else if (l.kind == LineKind::fail) {
            host().failNext(l.rest, static_cast<uint32_t>(l.number2));
            ++m_.pendingFaults[l.rest];
        } else if (l.kind == LineKind::call) {
            if (std::optional<Finding> found = runCall(l)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::vector<std::string> Engine::cleanupCalls() const
{
    std::vector<std::string> out;
    for (const auto &[group, g] : m_.users) {
        for (const uint32_t flow : g.plain) {
            out.push_back(
                format("HAL_BTV_DelProgramUsr usCtp=%u usFlowId=%u uiIsWifi=0 uiIsWifiUpMode=0 "
                       "stProgram.uiMcastGroupID=%u",
                       flow - 10, flow, group));
        }
        for (uint32_t i = 0; i < g.wifi; ++i) {
            out.push_back(
                format("HAL_BTV_DelProgramUsr usCtp=20 usFlowId=%u uiIsWifi=1 uiIsWifiUpMode=%u "
                       "stProgram.uiMcastGroupID=%u",
                       kWifiFlow, i < g.wifiUp ? 1U : 0U, group));
        }
    }
    const auto all = [&out](const auto &objects) {
        for (const auto &e : objects.tried) {
            out.push_back(e.second);
        }
    };
    all(m_.userStats);
    all(m_.groupStats);
    all(m_.programs);
    all(m_.dfx);
    all(m_.acls);
    all(m_.prefixes);
    all(m_.ifs);
    all(m_.routes);
    all(m_.napts);
    all(m_.wans);
    all(m_.macs);
    all(m_.flows);
    return out;
}

std::vector<std::string> Engine::leftovers() const
{
    std::vector<std::string> out;
    std::istringstream lines(chip_.summary());
    std::string line;
    while (std::getline(lines, line)) {
        uint32_t car = 0;
        const bool orphan = std::sscanf(line.c_str(), "car profile %u:", &car) == 1 && m_.orphanCars.count(car) != 0;
        if (line.rfind(kTableLines[tLimits], 0) != 0 && !orphan) {
            out.push_back(line);
        }
    }
    return out;
}

std::optional<Finding> Engine::endChecks() const
{
    const std::vector<WanNode> wans = wanList();
    // Exception: a WAN whose counter the driver refused stays listed,
    // and its removal asks the driver to remove a counter it does not
    // hold: refused, the WAN stays listed for good. Only WANs whose
    // counter the chip holds must go.
    std::vector<WanNode> counted;
    std::copy_if(wans.begin(), wans.end(), std::back_inserter(counted), [this](const WanNode &w) {
        return chip_.tables().wanCounters.count(WanKey{w.portType, counterVlan(w.vlan)}) != 0;
    });
    if (!counted.empty()) {
        Finding f{kCleanList, "the library still lists WAN", {}};
        for (const WanNode &w : counted) {
            f.detail += format(" 0x%x", w.id);
            // A WAN the library no longer lists is unknown to a read.
            f.checks.push_back(format("HAL_L3_GetWanStats wanId=0x%x", w.id));
            f.checks.emplace_back("expect result 1");
        }
        return f;
    }
    const std::vector<std::string> lines = leftovers();
    if (!lines.empty()) {
        return leftBehind(kCleanChip, "removing everything the soak added", lines);
    }
    return heapFinding(wans);
}

std::optional<Finding> Engine::runCall(const ScenarioLine &l)
{
    Host &h = host();
    // Only this call's commands are looked at; the rest would pile up.
    h.hlp.clear();
    h.lastWords.clear();
    h.traces.clear();
    h.console.clear();
    h.calls.clear();

    const Call c = describe(l);
    if (std::optional<Finding> f = precondition(c)) {
        return f;
    }
    const Shape was = shapeOf(chip_.tables());
    const ChipTables before = ownTables(chip_.tables(), c.op);
    const std::vector<WanNode> wansBefore = c.op == Op::delWan ? wanList() : std::vector<WanNode>{};

    api::Args args = l.args;
    buffers_ = l.buffers;
    for (size_t i = 0; i < l.function->paramCount; ++i) {
        if (l.function->params[i].kind == api::ParamKind::buffer) {
            args.buffers[i] = (l.nullMask & (1U << i)) != 0 ? nullptr : buffers_[i].data();
        }
    }
    const uint32_t result = l.function->call(args);
    lastResult_ = result;
    usePending();
    observe(c);

    const Seen seen{c,          result,
                    before,     chip_.tables(),
                    wansBefore, format("%s (answered %s)", l.function->name, hexResult(result).c_str())};
    if (std::optional<Finding> f = apply(seen)) {
        return f;
    }
    if (std::optional<Finding> f = ownTablesOnly(c, l.function->name, was)) {
        return f;
    }
    if (std::optional<Finding> f = checkUserCounts((touches(c.op) & bit(tUsers)) != 0)) {
        return f;
    }
    const std::vector<WanNode> wans = wanList();
    if (std::optional<Finding> f = wanCounterFinding(chip_.tables(), wans)) {
        return f;
    }
    return heapFinding(wans);
}

std::optional<Finding> Engine::ownTablesOnly(const Call &c, const char *function, const Shape &was) const
{
    const Shape is = shapeOf(chip_.tables());
    const uint32_t mine = touches(c.op);
    for (size_t t = 0; t < kTables; ++t) {
        if ((mine & (1U << t)) != 0 || was[t] == is[t]) {
            continue;
        }
        Finding f{kOwnTables,
                  format("%s changed the chip's %s from %zu to %zu entries", function, kTableNames[t], was[t], is[t]),
                  {}};
        if (was[t] == 0 && kTableLines[t] != nullptr) {
            f.checks.push_back(std::string("expect not state ") + kTableLines[t]);
        }
        return f;
    }
    return std::nullopt;
}

// Takes off the pending list what the call used, in the host's order: a
// function's forced failure at its next call; a refusal at the next send of
// its command, unless a forced failure of the send itself came first.
void Engine::usePending()
{
    const Host &h = host();
    const auto take = [](auto &pending, const auto &key) {
        const auto it = pending.find(key);
        if (it == pending.end() || it->second == 0) {
            return false;
        }
        --it->second;
        return true;
    };
    size_t sent = 0;
    for (const std::string &name : h.calls) {
        const bool send = name == "QX_OS_HLP_SendOutLarge";
        if (!take(m_.pendingFaults, name) && send && sent < h.hlp.size()) {
            take(m_.pendingRefusals, h.hlp[sent].cmd);
        }
        sent += send ? 1 : 0;
    }
}

// The library counts viewers, it does not check who leaves: removing a
// plain viewer who never joined lowers the count of those who did. A host
// removes only viewers it added, and so does the generator, but for a group
// without plain viewers, where the count stays 0.
std::optional<Finding> Engine::precondition(const Call &c) const
{
    if (c.op != Op::delUser || c.wifi) {
        return std::nullopt;
    }
    const auto g = m_.users.find(c.id);
    if (g == m_.users.end() || g->second.plain.empty() || g->second.plain.count(c.flow) != 0) {
        return std::nullopt;
    }
    return Finding{kInvalid, format("group %u: flow %u leaves without having joined", c.id, c.flow), {}};
}

// The commands of the call that a model update rests on: the driver's
// answer is what tells a refused removal of a viewer, or of a CAR profile,
// from one carried out, where the library answers 0 either way.
void Engine::observe(const Call &c)
{
    for (const HlpCall &sent : host().hlp) {
        if (sent.cmd == codeOf(Cmd::PDU_DEL_CAR) || sent.cmd == codeOf(Cmd::PDU_ADD_CAR)) {
            seeCarCommand(sent);
        } else if (sent.cmd == codeOf(Cmd::BTV_DEL_PROGRAM)) {
            seeProgramRemoval(sent, c);
        } else if (sent.cmd == codeOf(Cmd::BTV_DEL_USER)) {
            seeViewerRemoval(sent);
        }
    }
}

void Engine::seeCarCommand(const HlpCall &sent)
{
    const uint32_t car = sent.word(0);
    if (sent.cmd == codeOf(Cmd::PDU_DEL_CAR) && sent.result != 0) {
        m_.orphanCars.insert(car);
    } else if (sent.result == 0) {
        m_.orphanCars.erase(car);
    }
}

// A program removal resets the group's counts, whatever the driver
// answered; the chip's viewers of a program it kept stay.
void Engine::seeProgramRemoval(const HlpCall &sent, const Call &c)
{
    const uint32_t group = sent.word(0);
    if (g_pusBTV_USER_NUM == nullptr || group >= HAL_BTV_GROUP_NUM) {
        return;
    }
    GroupUsers &g = m_.users[group];
    g = GroupUsers{};
    for (const ProgramUser &u : chip_.tables().programUsers) {
        if (u.first == group) {
            g.stale.insert(u.second);
        }
    }
    if (sent.result == 0 && c.op == Op::delProgram) {
        m_.programs.remove(group);
    }
}

void Engine::seeViewerRemoval(const HlpCall &sent)
{
    const uint32_t group = sent.word(0);
    if (group >= HAL_BTV_GROUP_NUM) {
        return;
    }
    GroupUsers &g = m_.users[group];
    if (sent.result == 0) {
        g.stale.erase(sent.word(4));
    } else {
        g.stale.insert(sent.word(4));
    }
}

}  // namespace halsim::soak_detail
