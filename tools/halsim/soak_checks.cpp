// The checks of one call: what a host relies on after each kind of call,
// with the exceptions where the library does otherwise on purpose, and the
// multicast user counts held to the model and the chip.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "chip/kalo/kalo_l3.h"
#include "platform/hlp_cmd.h"
#include "soak_engine.h"

namespace halsim::soak_detail {

using hal::hlp::Cmd;
using hal::hlp::codeOf;

// ---- The checks of one call --------------------------------------------------------------

namespace {

// The failure record of a static MAC message whose address copy failed.
constexpr uint32_t kMacCopyLine = 443;

// Whether the call made a failure record at file:line.
bool recorded(const char *file, uint32_t line)
{
    const std::vector<LastWordRec> &made = host().lastWords;
    return std::any_of(made.begin(), made.end(),
                       [file, line](const LastWordRec &r) { return r.line == line && r.file == file; });
}

auto byId(Table table)
{
    return [table](uint32_t id) { return idLine(table, id); };
}

std::string bindingLine(uint32_t flow) { return format("car binding flow %u:", flow); }

// The viewers the chip holds, by group.
std::map<uint32_t, std::set<uint32_t>> viewersByGroup(const ChipTables &t)
{
    std::map<uint32_t, std::set<uint32_t>> out;
    for (const ProgramUser &u : t.programUsers) {
        out[u.first].insert(u.second);
    }
    return out;
}

// Whether the chip holds a group's viewers as the model says: the plain
// ones, the Wi-Fi entry while a Wi-Fi viewer not in up mode is joined, and
// besides them only entries left by a removal the driver refused.
bool chipAgrees(const GroupUsers &m, const std::set<uint32_t> &held)
{
    std::set<uint32_t> expected = m.plain;
    if (m.wifi > m.wifiUp) {
        expected.insert(kWifiFlow);
    }
    if (!std::includes(held.begin(), held.end(), expected.begin(), expected.end())) {
        return false;
    }
    return std::all_of(held.begin(), held.end(),
                       [&](uint32_t flow) { return expected.count(flow) != 0 || m.stale.count(flow) != 0; });
}

// The lines that show a Wi-Fi count off in the chip, where it can: a count
// with no Wi-Fi entry, or an entry with no count.
void wifiChecks(uint32_t group, const BtvUserNumEntry &n, const GroupUsers &m, const std::set<uint32_t> &held,
                std::vector<std::string> &checks)
{
    if (m.wifiUp != 0 || wifiUpGroup(group)) {
        return;
    }
    const bool entry = held.count(kWifiFlow) != 0 && m.stale.count(kWifiFlow) == 0;
    if (n.usWifiUserNum > 0 && !entry) {
        checks.push_back("expect state " + userLine(group, kWifiFlow));
    } else if (n.usWifiUserNum == 0 && entry) {
        checks.push_back("expect not state " + userLine(group, kWifiFlow));
    }
}

// The lines that show a count off in the chip: a count above the viewers
// the chip holds names a viewer it should hold, one below names an entry it
// should not. A count off where the chip cannot show it (Wi-Fi viewers
// beyond the first, up mode) is told in a comment.
Finding userCountFinding(uint32_t group, const BtvUserNumEntry &n, const GroupUsers &m, const std::set<uint32_t> &held)
{
    std::string flows;
    std::set<uint32_t> plainHeld;
    for (const uint32_t flow : held) {
        flows += format(" %u", flow);
        if (flow != kWifiFlow && m.stale.count(flow) == 0) {
            plainHeld.insert(flow);
        }
    }
    Finding f{
        kUserCount,
        format("group %u: the library counts %u users and %u Wi-Fi users, the soak joined %zu and %u, the "
               "chip holds flows%s",
               group, n.usUserNum, n.usWifiUserNum, m.plain.size(), m.wifi, flows.empty() ? " none" : flows.c_str()),
        {}};
    if (n.usUserNum > plainHeld.size()) {
        uint32_t missing = m.lastRemoved;
        for (uint32_t flow = kFirstPlainFlow; missing == 0 && flow < kFirstPlainFlow + kPlainFlows; ++flow) {
            missing = held.count(flow) == 0 ? flow : 0;
        }
        if (missing != 0 && held.count(missing) == 0) {
            f.checks.push_back("expect state " + userLine(group, missing));
        }
    } else if (n.usUserNum < plainHeld.size()) {
        const auto extra =
            std::find_if(plainHeld.begin(), plainHeld.end(), [&m](uint32_t flow) { return m.plain.count(flow) == 0; });
        f.checks.push_back("expect not state " +
                           userLine(group, extra != plainHeld.end() ? *extra : *plainHeld.begin()));
    }
    wifiChecks(group, n, m, held, f.checks);
    if (f.checks.empty()) {
        f.checks.emplace_back("# the counts are the library's own: no scenario line shows them");
    }
    return f;
}

// A refused limit leaves the port's limit of its class as it was.
// Exception: a broadcast limit on an uplink is first given to every
// Ethernet user port, each on its own, and stays there when the uplink's
// own is refused.
std::optional<Finding> limitFinding(const Seen &s)
{
    if (s.ok()) {
        return std::nullopt;
    }
    for (const auto &[key, car] : s.t.limits) {
        const auto was = s.before.limits.find(key);
        if (key.first == s.c.limit &&
            (was == s.before.limits.end() || std::memcmp(&was->second, &car, sizeof(car)) != 0)) {
            return Finding{kRefusedAdd,
                           s.what + " changed a limit of its class",
                           {"# the chip's limit lines show the port's limit before and after"}};
        }
    }
    return std::nullopt;
}

// The library answers 0 whatever the driver did: the command's answer says
// whether the program, and its viewers with it, must be gone.
std::optional<Finding> programRemovalFinding(const Seen &s)
{
    const std::vector<HlpCall> &sent = host().hlp;
    const bool removed = std::any_of(sent.begin(), sent.end(), [](const HlpCall &h) {
        return h.cmd == codeOf(Cmd::BTV_DEL_PROGRAM) && h.result == 0;
    });
    if (!s.ok() || !removed) {
        return std::nullopt;
    }
    if (std::optional<Finding> f = s.gone(s.t.programs.count(s.c.id) != 0, idLine(tPrograms, s.c.id))) {
        return f;
    }
    const auto user = s.t.programUsers.lower_bound(ProgramUser{s.c.id, 0});
    return s.gone(user != s.t.programUsers.end() && user->first == s.c.id,
                  user != s.t.programUsers.end() ? userLine(user->first, user->second) : std::string());
}

}  // namespace

std::optional<Finding> wanCounterFinding(const ChipTables &t, const std::vector<WanNode> &wans)
{
    for (const auto &entry : t.wanCounters) {
        const WanKey &key = entry.first;
        const bool claimed = std::any_of(wans.begin(), wans.end(), [&key](const WanNode &w) {
            return w.portType == key.first && counterVlan(w.vlan) == key.second;
        });
        if (!claimed) {
            return leftBehind(kWanCounter, "the WAN list", {wanLine(key)});
        }
    }
    return std::nullopt;
}

std::optional<Finding> heapFinding(const std::vector<WanNode> &wans)
{
    const Host &h = host();
    std::string held;
    for (const auto &[at, size] : h.liveAllocations) {
        const bool node = size == sizeof(QX_IFM_WAN_STATS_S) &&
                          std::any_of(wans.begin(), wans.end(), [at = at](const WanNode &w) { return w.at == at; });
        const bool counts = at == g_pusBTV_USER_NUM && size == HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry);
        if (!node && !counts) {
            held += format(" %u", size);
        }
    }
    if (held.empty() && h.badFrees == 0) {
        return std::nullopt;
    }
    return Finding{kHeap,
                   format("besides %zu WAN nodes and the user count array the heap holds blocks of%s bytes; %u "
                          "frees of memory the host never gave",
                          wans.size(), held.empty() ? " no" : held.c_str(), h.badFrees),
                   {"# the heap is the library's own: no scenario line shows it"}};
}

std::optional<Finding> Engine::apply(const Seen &s)
{
    const Call &c = s.c;
    const ChipTables &t = s.t;
    switch (c.op) {
        case Op::addFlow:
        case Op::delFlow:
            return addOrRemove(s, c.op == Op::addFlow, m_.flows, c.id, &ChipTables::l2Flows, c.id, byId(tFlows));
        case Op::setLimit:
            return limitFinding(s);
        case Op::addMac:
            return onMacAdd(s);
        case Op::delMac:
            return onMacRemove(s);
        case Op::addAcl:
            return onAclAdd(s);
        case Op::addDfx:
            return onDfxAdd(s);
        case Op::delAcl:
        case Op::delDfx:
            return onRuleRemove(s);
        case Op::addProgram:
            // The add answers 0 even when the driver refused both tries.
            m_.programs.add(c.id, c.removal, s.ok());
            return std::nullopt;
        case Op::delProgram:
            return programRemovalFinding(s);
        case Op::addUser:
            return onViewerAdd(s);
        case Op::delUser:
            return onViewerRemove(s);
        case Op::addGroupStats:
        case Op::delGroupStats:
            return addOrRemove(s, c.op == Op::addGroupStats, m_.groupStats, c.id, &ChipTables::groupCounters, c.id,
                               byId(tGroupCounters));
        case Op::addUserStats:
        case Op::delUserStats: {
            const ProgramUser key{c.id, c.flow};
            return addOrRemove(s, c.op == Op::addUserStats, m_.userStats, key, &ChipTables::userCounters, key,
                               userCounterLine);
        }
        case Op::addIf:
        case Op::delIf:
            return addOrRemove(s, c.op == Op::addIf, m_.ifs, c.id, &ChipTables::interfaces, c.id, ifLine);
        case Op::addPrefix:
        case Op::delPrefix:
            return onPrefix(s);
        case Op::addRoute:
        case Op::delRoute:
            // A route whose CTPs cannot be resolved answers 0 and is not sent.
            return addOrRemove(s, c.op == Op::addRoute, m_.routes, c.id, &ChipTables::policyRoutes, c.id,
                               byId(tRoutes));
        case Op::addNapt:
        case Op::delNapt:
            return onNapt(s);
        case Op::addWan:
            // Exception: a WAN whose counter the driver refused stays listed
            // in the library (the chip holds nothing new); its id is on the
            // cleanup's list all the same.
            m_.wans.add(c.id, c.removal, s.ok());
            return s.ok() ? std::nullopt : s.refused(linesOf(added(s.before.wanCounters, t.wanCounters), wanLine));
        case Op::delWan:
            return onWanRemove(s);
        case Op::dfxCount:
        case Op::setMtu:
        case Op::readMacs:
        case Op::readStats:
        case Op::readWan:
        case Op::other:
            break;
    }
    return std::nullopt;
}

// An add or a remove of an object the chip keeps in one table under one
// key: a refused add leaves no new entry, a remove that succeeded leaves
// none under the key.
template <typename K, typename C, typename Line>
std::optional<Finding> Engine::addOrRemove(const Seen &s, bool adding, Objects<K> &objects, const K &key,
                                           C ChipTables::*table, const typename C::key_type &chipKey, Line line)
{
    if (adding) {
        objects.add(key, s.c.removal, s.ok());
        return s.ok() ? std::nullopt : s.refused(linesOf(added(s.before.*table, s.t.*table), line));
    }
    if (!s.ok()) {
        return std::nullopt;
    }
    objects.remove(key);
    return s.gone((s.t.*table).count(chipKey) != 0, line(chipKey));
}

// The removal names what the chip holds, which a failed copy of the
// address installs under the address 0. An entry for any VLAN is two
// messages: the first (no VLAN flag) and the second, and a removal for any
// VLAN takes both.
std::optional<Finding> Engine::onMacAdd(const Seen &s)
{
    const auto macs = added(s.before.staticMacs, s.t.staticMacs);
    for (const StaticMacKey &k : macs) {
        const bool pair = k.anyVlan != 0 || std::any_of(macs.begin(), macs.end(), [&k](const StaticMacKey &o) {
                              return o.anyVlan != 0 && o.port == k.port && o.mac == k.mac;
                          });
        const std::string removal = macRemoval(k.port, pair ? HAL_L2_MAC_VLAN_NONE : k.vlan, k.mac.data());
        m_.macs.add(removal, removal, s.ok());
    }
    m_.macs.add(s.c.removal, s.c.removal, s.ok());
    if (s.ok()) {
        return std::nullopt;
    }
    // Exception: a refused second message of an entry for any VLAN leaves
    // the first in the chip.
    const bool anyVlan = s.c.anyVlan;
    return s.refused(linesOf(added(s.before.staticMacs, s.t.staticMacs,
                                   [anyVlan](const StaticMacKey &k) { return anyVlan && k.anyVlan == 0; }),
                             macLine));
}

// Exception: a failed copy of the address is recorded and the message goes
// out all the same, with the address 0: the call removes another entry (or
// none) and answers 0.
std::optional<Finding> Engine::onMacRemove(const Seen &s)
{
    if (!s.ok() || recorded("kalo_l2_mac", kMacCopyLine)) {
        return std::nullopt;
    }
    m_.macs.remove(s.c.removal);
    StaticMacKey second = s.c.mac;
    second.anyVlan = 1;
    if (std::optional<Finding> f = s.gone(s.t.staticMacs.count(s.c.mac) != 0, macLine(s.c.mac))) {
        return f;
    }
    return s.gone(s.c.anyVlan && s.t.staticMacs.count(second) != 0, macLine(second));
}

// Exception: nothing is rolled back. A rule whose CAR profile or binding
// the driver refused stays installed, and so does a profile whose binding
// it refused.
std::optional<Finding> Engine::onAclAdd(const Seen &s)
{
    m_.acls.add(s.c.id, s.c.removal, s.ok());
    if (s.ok()) {
        return std::nullopt;
    }
    const auto own = [&s](uint32_t id) { return s.c.carPath && id == s.c.id; };
    std::vector<std::string> left = linesOf(added(s.before.pduFlows, s.t.pduFlows, own), byId(tPdu));
    for (std::string &line : linesOf(added(s.before.carProfiles, s.t.carProfiles, own), byId(tCar))) {
        left.push_back(std::move(line));
    }
    for (std::string &line : linesOf(added(s.before.carBindings, s.t.carBindings), bindingLine)) {
        left.push_back(std::move(line));
    }
    return s.refused(left);
}

// Exception: a flow whose counting configuration the driver refused stays
// installed, without counting.
std::optional<Finding> Engine::onDfxAdd(const Seen &s)
{
    m_.dfx.add(s.c.id, s.c.removal, s.ok());
    if (s.ok()) {
        return std::nullopt;
    }
    const auto uncounted = [&s](uint32_t id) { return id == s.c.id && !s.t.dfxFlows.at(id).counting; };
    return s.refused(linesOf(added(s.before.dfxFlows, s.t.dfxFlows, uncounted), byId(tDfx)));
}

// The removal of an ACL id goes on to the DFX flows when the ACL removal
// refuses it: either kind is gone. A CAR profile whose removal the driver
// once refused is the library's no more (orphanCars).
std::optional<Finding> Engine::onRuleRemove(const Seen &s)
{
    if (!s.ok()) {
        return std::nullopt;
    }
    const uint32_t id = s.c.id;
    m_.acls.remove(id);
    m_.dfx.remove(id);
    const std::pair<bool, std::string> traces[] = {
        {s.t.pduFlows.count(id) != 0, idLine(tPdu, id)},
        {s.t.carBindings.count(id) != 0, bindingLine(id)},
        {s.t.carProfiles.count(id) != 0 && m_.orphanCars.count(id) == 0, idLine(tCar, id)},
        {s.t.dfxFlows.count(id) != 0, idLine(tDfx, id)},
    };
    for (const auto &[present, line] : traces) {
        if (std::optional<Finding> f = s.gone(present, line)) {
            return f;
        }
    }
    return std::nullopt;
}

std::optional<Finding> Engine::onViewerAdd(const Seen &s)
{
    if (!s.ok()) {
        return s.refused(linesOf(added(s.before.programUsers, s.t.programUsers),
                                 [](const ProgramUser &u) { return userLine(u.first, u.second); }));
    }
    if (g_pusBTV_USER_NUM != nullptr && s.c.id < HAL_BTV_GROUP_NUM) {
        GroupUsers &g = m_.users[s.c.id];
        if (s.c.wifi) {
            ++g.wifi;
            g.wifiUp += s.c.upMode ? 1 : 0;
        } else {
            g.plain.insert(s.c.flow);
        }
    }
    return std::nullopt;
}

// The library answers 0 and counts the viewer out whatever the driver did;
// a removal command it carried out must have taken the viewer's entry.
std::optional<Finding> Engine::onViewerRemove(const Seen &s)
{
    const Call &c = s.c;
    if (!s.ok() || g_pusBTV_USER_NUM == nullptr || c.id >= HAL_BTV_GROUP_NUM) {
        return std::nullopt;
    }
    GroupUsers &g = m_.users[c.id];
    if (c.wifi) {
        g.wifi -= g.wifi != 0 ? 1 : 0;
        g.wifiUp -= c.upMode && g.wifiUp != 0 ? 1 : 0;
    } else if (g.plain.erase(c.flow) != 0) {
        g.lastRemoved = c.flow;
    }
    const std::vector<HlpCall> &sent = host().hlp;
    const bool removed = std::any_of(
        sent.begin(), sent.end(), [](const HlpCall &h) { return h.cmd == codeOf(Cmd::BTV_DEL_USER) && h.result == 0; });
    if (!removed) {
        return std::nullopt;
    }
    if (o_.forgetUserCount) {
        BtvUserNumEntry &n = g_pusBTV_USER_NUM[c.id];
        ++(c.wifi ? n.usWifiUserNum : n.usUserNum);
    }
    return s.gone(s.t.programUsers.count(ProgramUser{c.id, c.flow}) != 0, userLine(c.id, c.flow));
}

// The chip names a prefix by its translated address: the entries the add
// made are what its removal must take away.
std::optional<Finding> Engine::onPrefix(const Seen &s)
{
    const std::string &key = s.c.removal;
    if (s.c.op == Op::addPrefix) {
        const auto made = added(s.before.prefixes, s.t.prefixes);
        m_.prefixes.add(key, key, s.ok());
        if (!s.ok()) {
            return s.refused(linesOf(made, prefixLine));
        }
        m_.prefixEntries[key].insert(made.begin(), made.end());
        return std::nullopt;
    }
    if (!s.ok()) {
        return std::nullopt;
    }
    m_.prefixes.remove(key);
    const std::set<PrefixKey> entries = m_.prefixEntries[key];
    m_.prefixEntries.erase(key);
    for (const PrefixKey &k : entries) {
        if (std::optional<Finding> f = s.gone(s.t.prefixes.count(k) != 0, prefixLine(k))) {
            return f;
        }
    }
    return std::nullopt;
}

std::optional<Finding> Engine::onNapt(const Seen &s)
{
    if (s.c.op == Op::addNapt) {
        m_.napts.add(s.c.removal, s.c.removal, s.ok());
        return s.ok() ? std::nullopt
                      : s.refused(linesOf(added(s.before.naptIndications, s.t.naptIndications), byId(tNapt)));
    }
    if (!s.ok()) {
        return std::nullopt;
    }
    // The chip holds one indication per rule: whichever record the soak
    // added under the rule is gone with it.
    for (auto *records : {&m_.napts.held, &m_.napts.tried}) {
        for (auto it = records->begin(); it != records->end();) {
            it = ruleOf(it->first) == s.c.id ? records->erase(it) : std::next(it);
        }
    }
    return s.gone(s.t.naptIndications.count(s.c.id) != 0, idLine(tNapt, s.c.id));
}

// A removed WAN is no longer listed, and the counter of its VLAN, shared
// by the WANs of the VLAN, goes with the last of them.
std::optional<Finding> Engine::onWanRemove(const Seen &s)
{
    if (!s.ok()) {
        return std::nullopt;
    }
    const uint32_t id = s.c.id;
    m_.wans.remove(id);
    const std::vector<WanNode> wans = wanList();
    const auto named = [id](const WanNode &w) { return w.id == id; };
    if (std::any_of(wans.begin(), wans.end(), named)) {
        return Finding{kRemoved,
                       s.what + format(" left WAN 0x%x listed", id),
                       {format("HAL_L3_GetWanStats wanId=0x%x", id), "expect result 1"}};
    }
    const auto was = std::find_if(s.wansBefore.begin(), s.wansBefore.end(), named);
    if (was == s.wansBefore.end() || was->vlan >= 4096) {
        return std::nullopt;
    }
    const bool shared = std::any_of(wans.begin(), wans.end(), [&was](const WanNode &w) {
        return w.portType == was->portType && w.vlan == was->vlan;
    });
    const WanKey key{was->portType, counterVlan(was->vlan)};
    return s.gone(!shared && s.t.wanCounters.count(key) != 0, wanLine(key));
}

// Whether every group's counts are those of the viewers the model joined.
bool Engine::countsAsModelled() const
{
    auto mi = m_.users.begin();
    for (uint32_t group = 0; group < HAL_BTV_GROUP_NUM; ++group) {
        const BtvUserNumEntry &n = g_pusBTV_USER_NUM[group];
        const bool modelled = mi != m_.users.end() && mi->first == group;
        const size_t plain = modelled ? mi->second.plain.size() : 0;
        const uint32_t wifi = modelled ? mi->second.wifi : 0;
        mi = modelled ? std::next(mi) : mi;
        if (n.usUserNum != plain || n.usWifiUserNum != wifi) {
            return false;
        }
    }
    return true;
}

// Counts against the chip: a plain viewer is one chip entry; the Wi-Fi
// viewers of a program share one entry, made by the first and removed with
// the last; Wi-Fi viewers in up mode are only counted. The soak's model
// says which viewers are which, and which entries the chip keeps after a
// removal the driver refused (the library counts the viewer out).
//
// The counts are compared with the model after every call; the chip's
// viewers only after a call that may change them.
std::optional<Finding> Engine::checkUserCounts(bool withChip) const
{
    if (g_pusBTV_USER_NUM == nullptr || (!withChip && countsAsModelled())) {
        return std::nullopt;
    }
    const std::map<uint32_t, std::set<uint32_t>> chipUsers = viewersByGroup(chip_.tables());
    static const GroupUsers kNone;
    static const std::set<uint32_t> kNoFlows;
    for (uint32_t group = 0; group < HAL_BTV_GROUP_NUM; ++group) {
        const BtvUserNumEntry &n = g_pusBTV_USER_NUM[group];
        const auto mi = m_.users.find(group);
        const GroupUsers &m = mi != m_.users.end() ? mi->second : kNone;
        const auto ci = chipUsers.find(group);
        const std::set<uint32_t> &held = ci != chipUsers.end() ? ci->second : kNoFlows;
        if (n.usUserNum != m.plain.size() || n.usWifiUserNum != m.wifi || !chipAgrees(m, held)) {
            return userCountFinding(group, n, m, held);
        }
    }
    return std::nullopt;
}

}  // namespace halsim::soak_detail
