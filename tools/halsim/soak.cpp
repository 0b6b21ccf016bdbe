// The soak: a generator of call sequences, an engine that runs each call as
// a scenario line against the library with the simulated chip and checks
// the invariants after it, and a shrinker that cuts a failing sequence down.
//
// Every call is written as scenario text and read back with the scenario
// reader before it runs, so the sequence that fails is already a scenario
// file. What the soak believes the terminal holds (its model) is built from
// the calls as the reader read them and from what the library answered, so
// a replayed sequence rebuilds the model of its own.
#include "soak.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include "chip/kalo/kalo_l3.h"
#include "driver.h"
#include "hal_network_adpt.h"
#include "host.h"
#include "library_state.h"
#include "platform/hlp_cmd.h"
#include "scenario_file.h"

namespace halsim {

namespace {

using hal::hlp::Cmd;
using hal::hlp::codeOf;

// Wi-Fi viewers of a program reach it through the one Wi-Fi flow, as on a
// terminal whose Wi-Fi side is one flow; plain viewers have flows 11 to 18.
// Two digits each, so that no flow's state line starts with another's.
constexpr uint32_t kWifiFlow = 50;
constexpr uint32_t kFirstPlainFlow = 11;
constexpr uint32_t kPlainFlows = 8;
// Wi-Fi viewers of these groups are in up mode: counted, never sent to the
// driver. A terminal's Wi-Fi is in up mode or not for all its viewers of a
// program, so the soak never mixes the two in one group.
bool wifiUpGroup(uint32_t group) { return group % 4 == 3; }

// The cleanup runs again while the chip still holds what it should have
// removed: a driver refusal or host fault queued by an earlier call and not
// used by it is used by the first call that sends its command, and each
// spoils one removal at most.
constexpr uint32_t kCleanupPasses = 2;

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...)
{
    char buf[768];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    return std::string(buf, n < 0 ? 0 : std::min(static_cast<size_t>(n), sizeof(buf) - 1));
}

std::string macText(const uint8_t *m)
{
    return format("%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
}

std::string hexResult(uint32_t v) { return v == 0 ? "0" : format("0x%x", v); }

// ---- What a call is ----------------------------------------------------------------

enum class Op : uint8_t {
    other,
    addFlow,
    delFlow,
    setLimit,
    addMac,
    delMac,
    readMacs,
    addAcl,
    delAcl,
    addDfx,
    delDfx,
    dfxCount,
    addProgram,
    delProgram,
    addUser,
    delUser,
    addGroupStats,
    delGroupStats,
    addUserStats,
    delUserStats,
    readStats,
    addIf,
    delIf,
    setMtu,
    addPrefix,
    delPrefix,
    addRoute,
    delRoute,
    addNapt,
    delNapt,
    addWan,
    delWan,
    readWan,
};

struct OpOf {
    const char *function;
    Op op;
};

constexpr OpOf kOps[] = {
    {"HAL_L2_AddFlow", Op::addFlow},
    {"HAL_L2_DelFlow", Op::delFlow},
    {"HAL_L2_SetBcLimit", Op::setLimit},
    {"HAL_L2_SetUmcLimit", Op::setLimit},
    {"HAL_L2_SetUucLimit", Op::setLimit},
    {"HAL_L2_AddStaticMac", Op::addMac},
    {"HAL_L2_DelStaticMac", Op::delMac},
    {"HAL_L2_GetMacTable", Op::readMacs},
    {"HAL_PDU_PrtclPktAclAdd", Op::addAcl},
    {"HAL_PDU_PrtclPktAclDel", Op::delAcl},
    {"HAL_DFX_FlowAdd", Op::addDfx},
    {"HAL_DFX_FlowDel", Op::delDfx},
    {"HAL_DFX_FlowCntEnable", Op::dfxCount},
    {"HAL_DFX_FlowCntGet", Op::dfxCount},
    {"HAL_DFX_FlowCntClr", Op::dfxCount},
    {"HAL_BTV_AddProgramTable", Op::addProgram},
    {"HAL_BTV_DelProgramTable", Op::delProgram},
    {"HAL_BTV_AddProgramUsr", Op::addUser},
    {"HAL_BTV_DelProgramUsr", Op::delUser},
    {"HAL_BTV_AddBtvStats", Op::addGroupStats},
    {"HAL_BTV_DelBtvStats", Op::delGroupStats},
    {"HAL_BTV_ClearBtvStats", Op::readStats},
    {"HAL_BTV_GetBtvStats", Op::readStats},
    {"HAL_BTV_AddUserBtvStats", Op::addUserStats},
    {"HAL_BTV_DelUserBtvStats", Op::delUserStats},
    {"HAL_BTV_ClearUserBtvStats", Op::readStats},
    {"HAL_BTV_GetBtvUserStats", Op::readStats},
    {"HAL_L3_SynL3IFAdd", Op::addIf},
    {"HAL_L3_SynL3IFDel", Op::delIf},
    {"HAL_L3_SynL3IFSetMtu", Op::setMtu},
    {"HAL_L3_SynPrefixAdd", Op::addPrefix},
    {"HAL_L3_SynPrefixDel", Op::delPrefix},
    {"HAL_L3_AddPolicyRoute", Op::addRoute},
    {"HAL_L3_DelPolicyRoute", Op::delRoute},
    {"HAL_L3_AddNaptIndication", Op::addNapt},
    {"HAL_L3_DelNaptIndication", Op::delNapt},
    {"HAL_L3_AddWanStats", Op::addWan},
    {"HAL_L3_DelWanStats", Op::delWan},
    {"HAL_L3_ClearWanStats", Op::readWan},
    {"HAL_L3_GetWanStats", Op::readWan},
};

Op opOf(const api::Function *f)
{
    static std::map<const api::Function *, Op> known;
    auto it = known.find(f);
    if (it == known.end()) {
        Op op = Op::other;
        for (const OpOf &o : kOps) {
            op = std::strcmp(o.function, f->name) == 0 ? o.op : op;
        }
        it = known.emplace(f, op).first;
    }
    return it->second;
}

template <typename T>
T recordOf(const ScenarioLine &l, size_t param)
{
    static_assert(std::is_trivially_copyable_v<T>);
    T rec{};
    const std::vector<uint8_t> &b = l.buffers[param];
    std::memcpy(&rec, b.data(), std::min(sizeof(rec), b.size()));
    return rec;
}

// The text of a line after its first word: the arguments.
std::string argsOf(const ScenarioLine &l) { return l.text.substr(std::strlen(l.function->name)); }

std::string userCall(const char *function, const BtvProgramUser &u)
{
    return format("%s usCtp=%u usFlowId=%u uiIsWifi=%u uiIsWifiUpMode=%u stProgram.uiMcastGroupID=%u", function,
                  u.usCtp, u.usFlowId, u.uiIsWifi, u.uiIsWifiUpMode, u.stProgram.uiMcastGroupID);
}

std::string macRemoval(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return format("HAL_L2_DelStaticMac port=%u vlan=%u mac=%s", port, vlan, macText(mac).c_str());
}

// A call as the invariants see it: what it does, to which object, and the
// call that removes what it adds.
struct Call {
    Op op = Op::other;
    uint32_t id = 0;    // flow, ACL, DFX flow, group, interface, rule or WAN id
    uint32_t flow = 0;  // a program user's, or a user counter's, flow
    bool wifi = false;
    bool upMode = false;
    bool carPath = false;  // an ACL add that goes on to a CAR profile and its binding
    LimitClass limit = LimitClass::Broadcast;
    StaticMacKey mac;      // a static MAC entry's first message
    bool anyVlan = false;  // a static MAC entry for any VLAN: a second message
    std::string removal;   // the call that removes the object, also its key where a record names it
};

Call describe(const ScenarioLine &l)
{
    Call c;
    c.op = opOf(l.function);
    const std::string name = l.function->name;
    const auto word = [&l](size_t i) { return l.args.words[i]; };
    switch (c.op) {
        case Op::addFlow:
        case Op::delFlow: {
            const auto f = recordOf<HAL_L2_FLOW_S>(l, 0);
            c.id = f.FlowId;
            c.removal = format("HAL_L2_DelFlow FlowId=%u CtpId=%u", f.FlowId, f.CtpId);
            break;
        }
        case Op::setLimit:
            c.id = word(0);
            c.limit = name == "HAL_L2_SetBcLimit"    ? LimitClass::Broadcast
                      : name == "HAL_L2_SetUmcLimit" ? LimitClass::UnknownMulticast
                                                     : LimitClass::UnknownUnicast;
            break;
        case Op::addMac:
        case Op::delMac: {
            const auto mac = recordOf<std::array<uint8_t, 6>>(l, 2);
            const uint32_t vlan = word(1);
            c.anyVlan = vlan == HAL_L2_MAC_VLAN_NONE || vlan == 0xFFFF;
            c.mac = StaticMacKey{word(0), c.anyVlan ? 0 : vlan, 0, mac};
            c.removal = macRemoval(word(0), c.anyVlan ? HAL_L2_MAC_VLAN_NONE : vlan, mac.data());
            break;
        }
        case Op::addAcl: {
            c.id = word(0);
            const auto rule = recordOf<PrtclPktRule>(l, 3);
            const auto action = recordOf<PrtclPktAction>(l, 5);
            if (rule.uiIsDfx == 1) {
                c.op = Op::addDfx;
                c.removal = format("HAL_DFX_FlowDel flowId=%u", c.id);
            } else {
                c.carPath = action.uiCarRate != 0 && c.id < HAL_PDU_CAR_RECORD_NUM;
                c.removal = format("HAL_PDU_PrtclPktAclDel aclId=%u", c.id);
            }
            break;
        }
        case Op::addDfx:
            c.id = word(0);
            c.removal = format("HAL_DFX_FlowDel flowId=%u", c.id);
            break;
        case Op::delAcl:
        case Op::delDfx:
        case Op::dfxCount:
            c.id = word(0);
            break;
        case Op::addRoute:
        case Op::delRoute:
            c.id = word(0);
            c.removal = format("HAL_L3_DelPolicyRoute ruleId=%u", c.id);
            break;
        case Op::addProgram:
        case Op::delProgram:
            c.id = recordOf<BtvProgram>(l, 0).uiMcastGroupID;
            c.removal = format("HAL_BTV_DelProgramTable uiMcastGroupID=%u", c.id);
            break;
        case Op::addUser:
        case Op::delUser: {
            const auto u = recordOf<BtvProgramUser>(l, 0);
            c.id = u.stProgram.uiMcastGroupID;
            c.flow = u.usFlowId;
            c.wifi = u.uiIsWifi == 1;
            c.upMode = u.uiIsWifiUpMode == 1;
            c.removal = userCall("HAL_BTV_DelProgramUsr", u);
            break;
        }
        case Op::addGroupStats:
        case Op::delGroupStats:
            c.id = recordOf<BtvStats>(l, 0).uiMCastGroupId;
            c.removal = format("HAL_BTV_DelBtvStats uiMCastGroupId=%u", c.id);
            break;
        case Op::addUserStats:
        case Op::delUserStats: {
            const auto s = recordOf<BtvUserStats>(l, 0);
            c.id = s.uiMCastGroupId;
            c.flow = s.usFlowID;
            c.removal = format("HAL_BTV_DelUserBtvStats uiMCastGroupId=%u usFlowID=%u", c.id, c.flow);
            break;
        }
        case Op::addIf:
        case Op::delIf:
        case Op::setMtu:
            c.id = word(0);
            c.removal = format("HAL_L3_SynL3IFDel ifIndex=0x%x", c.id);
            break;
        case Op::addPrefix:
        case Op::delPrefix:
            c.id = word(0);
            c.removal = "HAL_L3_SynPrefixDel" + argsOf(l);
            break;
        case Op::addNapt:
        case Op::delNapt:
            c.id = word(0);
            c.removal = "HAL_L3_DelNaptIndication" + argsOf(l);
            break;
        case Op::addWan:
        case Op::delWan:
        case Op::readWan:
            c.id = word(0);
            c.removal = format("HAL_L3_DelWanStats wanId=0x%x", c.id);
            break;
        case Op::readMacs:
        case Op::readStats:
        case Op::other:
            break;
    }
    return c;
}

// ---- The chip's tables as the invariants see them ------------------------------------

enum Table : uint8_t {
    tFlows,
    tLimits,
    tMacs,
    tPdu,
    tCar,
    tBind,
    tDfx,
    tPrograms,
    tUsers,
    tGroupCounters,
    tUserCounters,
    tIfs,
    tPrefixes,
    tRoutes,
    tNapt,
    tWan,
    tRest,  // every setting no soak call makes: isolation, PVID, learning, MAC filter, ...
    kTables
};

constexpr const char *kTableNames[kTables] = {
    "l2 flows",  "rate limits",   "static MACs",      "protocol-packet flows", "CAR profiles",   "CAR bindings",
    "DFX flows", "programs",      "program users",    "group counters",        "user counters",  "L3 interfaces",
    "prefixes",  "policy routes", "NAPT indications", "WAN counters",          "other settings",
};

// How the lines of a table start in the chip's state; none for the rest.
constexpr const char *kTableLines[kTables] = {
    "l2 flow ",  "limit ",        "static mac ",      "pdu flow ",      "car profile ",  "car binding ",
    "dfx flow ", "program ",      "program user ",    "group counter ", "user counter ", "l3 interface ",
    "prefix ",   "policy route ", "napt indication ", "wan counter ",   nullptr,
};

using Shape = std::array<size_t, kTables>;

Shape shapeOf(const ChipTables &t)
{
    const size_t rest = (t.isolation ? 1 : 0) + t.portIsolation.size() + (t.pvid ? 1 : 0) + t.bcEntries.size() +
                        t.tciCounters.size() + t.dscpTables.size() + t.bridgePorts.size() + t.learnMode.size() +
                        t.learnLimit.size() + t.learnState.size() + (t.aging ? 1 : 0) + t.learntMacs.size() +
                        t.macFilters.size() + t.macFilterModes.size() + (t.matchMode ? 1 : 0) + (t.emRule ? 1 : 0);
    return {t.l2Flows.size(),
            t.limits.size(),
            t.staticMacs.size(),
            t.pduFlows.size(),
            t.carProfiles.size(),
            t.carBindings.size(),
            t.dfxFlows.size(),
            t.programs.size(),
            t.programUsers.size(),
            t.groupCounters.size(),
            t.userCounters.size(),
            t.interfaces.size(),
            t.prefixes.size(),
            t.policyRoutes.size(),
            t.naptIndications.size(),
            t.wanCounters.size(),
            rest};
}

constexpr uint32_t bit(Table t) { return 1U << t; }

// The tables a call may change.
uint32_t touches(Op op)
{
    switch (op) {
        case Op::addFlow:
        case Op::delFlow:
            return bit(tFlows);
        case Op::setLimit:
            return bit(tLimits);
        case Op::addMac:
        case Op::delMac:
            return bit(tMacs);
        case Op::addAcl:
            return bit(tPdu) | bit(tCar) | bit(tBind);
        case Op::delAcl:  // an id the ACL removal does not know goes to the DFX removal
            return bit(tPdu) | bit(tCar) | bit(tBind) | bit(tDfx);
        case Op::addDfx:
        case Op::delDfx:
        case Op::dfxCount:
            return bit(tDfx);
        case Op::addProgram:  // a refused add removes the group's program, its users and their counters first
        case Op::delProgram:
            return bit(tPrograms) | bit(tUsers) | bit(tUserCounters);
        case Op::addUser:
            return bit(tUsers);
        case Op::delUser:
            return bit(tUsers) | bit(tUserCounters);
        case Op::addGroupStats:
        case Op::delGroupStats:
            return bit(tGroupCounters);
        case Op::addUserStats:
        case Op::delUserStats:
            return bit(tUserCounters);
        case Op::addIf:
        case Op::delIf:
        case Op::setMtu:
            return bit(tIfs);
        case Op::addPrefix:
        case Op::delPrefix:
            return bit(tPrefixes);
        case Op::addRoute:
        case Op::delRoute:
            return bit(tRoutes);
        case Op::addNapt:
        case Op::delNapt:
            return bit(tNapt);
        case Op::addWan:
        case Op::delWan:
            return bit(tWan);
        case Op::readMacs:
        case Op::readStats:
        case Op::readWan:
            return 0;
        case Op::other:
            break;
    }
    return ~0U;
}

// State lines of entries, as the chip prints them (up to the colon).
std::string idLine(Table t, uint32_t id) { return format("%s%u:", kTableLines[t], id); }
std::string macLine(const StaticMacKey &k)
{
    return format("static mac %s port %u vlan %u%s:", macText(k.mac.data()).c_str(), k.port, k.vlan,
                  k.anyVlan != 0 ? " any" : "");
}
std::string userLine(uint32_t group, uint32_t flow) { return format("program user %u flow %u", group, flow); }
std::string userCounterLine(const ProgramUser &u) { return format("user counter %u flow %u:", u.first, u.second); }
std::string ifLine(uint32_t index) { return format("l3 interface 0x%x:", index); }
std::string prefixLine(const PrefixKey &p)
{
    return format("prefix 0x%x: v%u %08x:%08x:%08x:%08x host bits %u", p.ifIndex, p.ipVer == 1 ? 4U : 6U, p.ip[0],
                  p.ip[1], p.ip[2], p.ip[3], p.hostBits);
}
std::string wanLine(const WanKey &k) { return format("wan counter type %u vlan %u:", k.first, k.second); }

template <typename C, typename = void>
struct IsMap : std::false_type {
};
template <typename C>
struct IsMap<C, std::void_t<typename C::mapped_type>> : std::true_type {
};

template <typename C>
const typename C::key_type &keyOf(const typename C::value_type &e)
{
    if constexpr (IsMap<C>::value) {
        return e.first;
    } else {
        return e;
    }
}

// The keys of entries after holds and before lacks, but for those allowed.
template <typename C, typename Allowed>
std::vector<typename C::key_type> added(const C &before, const C &after, Allowed allowed)
{
    std::vector<typename C::key_type> out;
    for (const auto &e : after) {
        const auto &k = keyOf<C>(e);
        if (before.count(k) == 0 && !allowed(k)) {
            out.push_back(k);
        }
    }
    return out;
}

template <typename C>
std::vector<typename C::key_type> added(const C &before, const C &after)
{
    return added(before, after, [](const auto & /*key*/) { return false; });
}

// ---- The library's own state --------------------------------------------------------

struct WanNode {
    const void *at;
    uint32_t id;
    uint32_t portType;
    uint32_t vlan;
};

std::vector<WanNode> wanList()
{
    std::vector<WanNode> out;
    QX_IFM_WAN_STATS_S *const head = QX_IFM_WanStatsGet();
    // A list that does not come back to its head is cut short; the heap
    // check then finds nodes it cannot account for.
    for (const QX_IFM_WAN_STATS_S *n = head->next; n != head && out.size() < 4096; n = n->next) {
        out.push_back({n, n->uiWanId, n->uiPortType, n->uiVlan});
    }
    return out;
}

// The driver's VLAN of a WAN's counter.
uint32_t counterVlan(uint32_t vlan) { return vlan == 0 ? 4096 : vlan; }

// The number after key= in a call's text (0 when there is none).
uint32_t numberAfter(const std::string &text, const char *key)
{
    const size_t at = text.find(key);
    return at == std::string::npos
               ? 0
               : static_cast<uint32_t>(std::strtoul(text.c_str() + at + std::strlen(key), nullptr, 0));
}
uint32_t ruleOf(const std::string &call) { return numberAfter(call, " ruleId="); }
uint32_t interfaceOf(const std::string &call) { return numberAfter(call, " ifIndex="); }

// ---- The model: what the soak believes the terminal holds -------------------------------

// Objects of one kind: those the soak added and believes installed, each
// with the call that removes it, and all that the chip may hold of what it
// asked for (adds that failed part way included): the cleanup's list.
template <typename K>
struct Objects {
    std::map<K, std::string> held;
    std::map<K, std::string> tried;

    void add(const K &k, const std::string &removal, bool installed)
    {
        tried[k] = removal;
        if (installed) {
            held[k] = removal;
        }
    }
    void remove(const K &k)
    {
        held.erase(k);
        tried.erase(k);
    }
};

struct GroupUsers {
    std::set<uint32_t> plain;  // flows of the plain viewers joined
    uint32_t wifi = 0;         // Wi-Fi viewers joined
    uint32_t wifiUp = 0;       // of which in up mode
    // Entries the chip keeps after a removal whose command the driver
    // refused: the library counts the viewer out all the same.
    std::set<uint32_t> stale;
    uint32_t lastRemoved = 0;  // the plain viewer's flow removed last
    bool empty() const { return plain.empty() && wifi == 0; }
};

struct Model {
    Objects<uint32_t> flows, acls, dfx, programs, groupStats, ifs, routes, wans;
    Objects<std::pair<uint32_t, uint32_t>> userStats;
    Objects<std::string> macs, prefixes, napts;                // by their removal
    std::map<std::string, std::set<PrefixKey>> prefixEntries;  // a prefix's chip entries, as its add made them
    std::map<uint32_t, GroupUsers> users;
    // CAR profiles whose removal the driver refused: the library has marked
    // their records free and never removes them again.
    std::set<uint32_t> orphanCars;
    // Refusals and host faults queued and not used yet: a call that does
    // not send the command, or call the function, leaves them to a later
    // one.
    std::map<uint32_t, uint32_t> pendingRefusals;   // by command
    std::map<std::string, uint32_t> pendingFaults;  // by host function

    uint32_t pending() const
    {
        uint32_t n = 0;
        for (const auto &p : pendingRefusals) {
            n += p.second;
        }
        for (const auto &p : pendingFaults) {
            n += p.second;
        }
        return n;
    }

    bool anyUser() const
    {
        return std::any_of(users.begin(), users.end(), [](const auto &g) { return !g.second.empty(); });
    }
};

// ---- One failing check -------------------------------------------------------------------

struct Finding {
    std::string invariant;
    std::string detail;
    std::vector<std::string> checks;  // scenario lines that end the reproducer
};

constexpr const char *kRefusedAdd = "a refused add leaves nothing new in the chip";
constexpr const char *kRemoved = "a remove that succeeded leaves no trace";
constexpr const char *kOwnTables = "a call changes only its own tables";
constexpr const char *kUserCount = "the multicast user counts agree with the chip";
constexpr const char *kWanCounter = "every WAN counter in the chip belongs to a listed WAN";
constexpr const char *kHeap = "the heap holds only WAN nodes and the user count array";
constexpr const char *kCleanChip = "removing everything leaves the chip empty";
constexpr const char *kCleanList = "removing everything leaves no WAN listed";
// Not an invariant: a replayed sequence the shrinker cut so that a call
// now does what a host never does. Such a sequence shows nothing.
constexpr const char *kInvalid = "a call the generator never makes";

std::string joined(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines) {
        out += (out.empty() ? "'" : ", '") + l + "'";
    }
    return out;
}

Finding leftBehind(const char *invariant, const std::string &what, const std::vector<std::string> &lines)
{
    Finding f{invariant, what + " left " + joined(lines), {}};
    for (const std::string &l : lines) {
        f.checks.push_back("expect not state " + l);
    }
    return f;
}

// ---- The engine ----------------------------------------------------------------------------

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

// The failure record of a static MAC message whose address copy failed.
constexpr uint32_t kMacCopyLine = 443;

// Whether the call made a failure record at file:line.
bool recorded(const char *file, uint32_t line)
{
    const std::vector<LastWordRec> &made = host().lastWords;
    return std::any_of(made.begin(), made.end(),
                       [file, line](const LastWordRec &r) { return r.line == line && r.file == file; });
}

// What the checks of one call see: the call and its answer, the chip's own
// tables of the call before it, all its tables after it.
struct Seen {
    const Call &c;
    uint32_t result;
    const ChipTables &before;
    const ChipTables &t;
    const std::vector<WanNode> &wansBefore;  // the WAN list before a WAN removal
    std::string what;                        // the call and its answer, as a finding names them

    bool ok() const { return result == 0; }

    std::optional<Finding> refused(const std::vector<std::string> &lines) const
    {
        if (lines.empty()) {
            return std::nullopt;
        }
        return leftBehind(kRefusedAdd, what, lines);
    }
    std::optional<Finding> gone(bool present, const std::string &line) const
    {
        if (!present) {
            return std::nullopt;
        }
        return leftBehind(kRemoved, what, {line});
    }
};

template <typename Keys, typename Line>
std::vector<std::string> linesOf(const Keys &keys, Line line)
{
    std::vector<std::string> out;
    out.reserve(keys.size());
    for (const auto &k : keys) {
        out.push_back(line(k));
    }
    return out;
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

class Engine {
public:
    explicit Engine(const SoakOptions &o) : o_(o) {}

    // A freshly loaded library, an eight-port terminal and an empty chip.
    void begin()
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

    // Runs the lines of one step: its faults, then its call.
    std::optional<Finding> run(const Scenario &s)
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

    uint32_t lastResult() const { return lastResult_; }
    const Model &model() const { return m_; }

    // The calls that remove what the soak added, in an order the chip
    // accepts: viewers before their programs, prefixes before their
    // interfaces.
    std::vector<std::string> cleanupCalls() const
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

    // The chip's lines that the cleanup may leave: the rate limits (a
    // port's setting, which no call removes: the soak leaves the last it
    // set) and the CAR profiles the library forgot (orphanCars).
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> out;
        std::istringstream lines(chip_.summary());
        std::string line;
        while (std::getline(lines, line)) {
            uint32_t car = 0;
            const bool orphan =
                std::sscanf(line.c_str(), "car profile %u:", &car) == 1 && m_.orphanCars.count(car) != 0;
            if (line.rfind(kTableLines[tLimits], 0) != 0 && !orphan) {
                out.push_back(line);
            }
        }
        return out;
    }

    bool clean() const { return leftovers().empty() && !m_.anyUser(); }

    // What must hold once everything is removed.
    std::optional<Finding> endChecks() const
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

private:
    std::optional<Finding> runCall(const ScenarioLine &l);
    std::optional<Finding> precondition(const Call &c) const;
    void usePending();
    void observe(const Call &c);
    void seeCarCommand(const HlpCall &sent);
    void seeProgramRemoval(const HlpCall &sent, const Call &c);
    void seeViewerRemoval(const HlpCall &sent);
    std::optional<Finding> apply(const Seen &s);
    template <typename K, typename C, typename Line>
    std::optional<Finding> addOrRemove(const Seen &s, bool adding, Objects<K> &objects, const K &key,
                                       C ChipTables::*table, const typename C::key_type &chipKey, Line line);
    std::optional<Finding> onMacAdd(const Seen &s);
    std::optional<Finding> onMacRemove(const Seen &s);
    std::optional<Finding> onAclAdd(const Seen &s);
    std::optional<Finding> onDfxAdd(const Seen &s);
    std::optional<Finding> onRuleRemove(const Seen &s);
    std::optional<Finding> onViewerAdd(const Seen &s);
    std::optional<Finding> onViewerRemove(const Seen &s);
    std::optional<Finding> onPrefix(const Seen &s);
    std::optional<Finding> onNapt(const Seen &s);
    std::optional<Finding> onWanRemove(const Seen &s);
    std::optional<Finding> ownTablesOnly(const Call &c, const char *function, const Shape &was) const;
    bool countsAsModelled() const;
    std::optional<Finding> checkUserCounts(bool withChip) const;

    const SoakOptions &o_;
    ChipModel chip_;
    Model m_;
    uint32_t lastResult_ = 0;
    std::vector<std::vector<uint8_t>> buffers_;
};

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

// ---- The generator ----------------------------------------------------------------------

// Random but valid calls, the same for the same seed and the same answers:
// ids come from small ranges so that calls meet the objects of earlier ones,
// removes mostly name objects the model holds and sometimes absent ones,
// and one call in twenty comes after a driver refusal or a host fault.
class Generator {
public:
    explicit Generator(uint64_t seed) : rng_(seed) {}

    std::string next(const Model &m)
    {
        std::vector<const char *> cmds;
        std::string call = nextCall(m, cmds);
        if (below(20) != 0) {
            return call;
        }
        // One fault queued at a time for a command or a function: the call
        // after it may not use it, and faults that pile up spoil the calls
        // that come much later.
        if (!cmds.empty() && below(5) < 3) {
            static const uint32_t kRefusals[] = {drv::kBadValue, drv::kTableFull, drv::kInUse};
            const char *cmd = cmds[below(cmds.size())];
            const uint32_t code = kRefusals[below(std::size(kRefusals))];
            uint32_t cmdCode = 0;
            const auto queued = commandCode(cmd, cmdCode) ? m.pendingRefusals.find(cmdCode) : m.pendingRefusals.end();
            if (queued != m.pendingRefusals.end() && queued->second != 0) {
                return call;
            }
            return format("refuse %s 0x%x\n", cmd, code) + call;
        }
        static const std::pair<const char *, uint32_t> kFaults[] = {
            {"QX_OS_HLP_SendOutLarge", 5},
            {"QX_OS_MemMallocD", 1},
            {"memset_s", 1},
            {"memcpy_s", 1},
            {"QX_DM_TopoGetKaPortByUserPort", 1},
            {"L2M_Ctp_GetNetRole", 1},
            {"QX_DM_PDGetAttr", 1},
            {"QX_DM_ChipGetAttr", 1},
            {"QX_XML_DBGetSiglePara", 1},
            {"QX_DM_TopoSwitchCommon", 1},
            {"L2M_Ctp_GetIdByPrototype", 1},
            {"QX_DM_GetCurUpUserPortID", 1},
        };
        const auto &fault = kFaults[below(std::size(kFaults))];
        const auto queued = m.pendingFaults.find(fault.first);
        if (queued != m.pendingFaults.end() && queued->second != 0) {
            return call;
        }
        return format("fail %s %u\n", fault.first, fault.second) + call;
    }

private:
    uint32_t below(size_t n) { return static_cast<uint32_t>(rng_() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    template <size_t N>
    uint32_t oneOf(const uint32_t (&values)[N])
    {
        return values[below(N)];
    }
    // The removal of an object the model holds, most of the time.
    template <typename K>
    const std::string *heldOne(const Objects<K> &objects, uint32_t percent)
    {
        if (objects.held.empty() || !chance(percent)) {
            return nullptr;
        }
        auto it = objects.held.begin();
        std::advance(it, below(objects.held.size()));
        return &it->second;
    }
    // An id the model does not hold, most of the time, so that adds mostly
    // add.
    template <size_t N>
    uint32_t freshId(const std::map<uint32_t, std::string> &held, const uint32_t (&ids)[N])
    {
        std::vector<uint32_t> free;
        for (const uint32_t id : ids) {
            if (held.count(id) == 0) {
                free.push_back(id);
            }
        }
        return free.empty() || chance(25) ? oneOf(ids) : free[below(free.size())];
    }
    template <typename K>
    uint32_t heldId(const Objects<K> &objects, uint32_t otherwise)
    {
        if (objects.held.empty() || chance(20)) {
            return otherwise;
        }
        auto it = objects.held.begin();
        std::advance(it, below(objects.held.size()));
        return it->first;
    }

    // A flow's CTP follows from its id, so that its removal names the CTP
    // its add did (a CTP of types 5 to 9 installs nothing and removes
    // nothing).
    static uint32_t flowCtp(uint32_t flow) { return 1 + (flow - 1) % 12; }
    // Group 255 has no user count: the library refuses its viewers.
    static constexpr uint32_t kGroups[] = {1, 2, 3, 4, 5, 6, 7, 8, 254};
    uint32_t group() { return below(80) == 0 ? 255 : oneOf(kGroups); }
    // ACL ids from 257 on have no CAR record: their rate is not installed.
    static constexpr uint32_t kAclIds[] = {1, 2, 3, 4, 5, 6, 7, 8, 255, 256, 257, 300};
    static constexpr uint32_t kDfxIds[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007};
    static constexpr uint32_t kIfIndexes[] = {0x101, 0x102, 0x103, 0x104, 0x105, 0x106};
    static constexpr uint32_t kRules[] = {1, 2, 3, 4, 5, 6, 7, 8};
    // A WAN whose counter the driver refused is listed for good (see
    // endChecks): enough ids that the stuck ones leave room.
    static constexpr uint32_t kWans[] = {0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x107, 0x108, 0x109, 0x10a, 0x10b,
                                         0x10c, 0x10d, 0x10e, 0x10f, 0x110, 0x111, 0x112, 0x113, 0x114, 0x115, 0x116,
                                         0x117, 0x118, 0x119, 0x11a, 0x11b, 0x11c, 0x11d, 0x11e, 0x11f, 0x120};
    uint32_t aclId() { return oneOf(kAclIds); }
    uint32_t dfxId() { return oneOf(kDfxIds); }
    uint32_t ifIndex() { return oneOf(kIfIndexes); }

    std::string nextCall(const Model &m, std::vector<const char *> &cmds);
    std::string flowCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string macCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string aclCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string dfxCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind);
    std::string programCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string viewerCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string statsCall(const Model &m, std::vector<const char *> &cmds, bool user);
    std::string interfaceCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind);
    std::string prefixCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string routeCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string naptCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string wanCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind);

    std::mt19937_64 rng_;
};

std::string Generator::nextCall(const Model &m, std::vector<const char *> &cmds)
{
    // Weights of the kinds of call, adds a little ahead of removes so that
    // the terminal fills up.
    static const uint32_t kWeights[] = {6, 4, 3, 4, 3, 1, 4, 3, 3, 2, 2, 4, 2, 7, 6,
                                        3, 3, 3, 2, 1, 3, 2, 3, 2, 3, 2, 4, 3, 2};
    uint32_t total = 0;
    for (const uint32_t w : kWeights) {
        total += w;
    }
    uint32_t pick = below(total);
    size_t kind = 0;
    while (pick >= kWeights[kind]) {
        pick -= kWeights[kind++];
    }
    switch (kind) {
        case 0:
            return flowCall(m, cmds, true);
        case 1:
            return flowCall(m, cmds, false);
        case 2: {
            static const char *const kLimits[] = {"Bc", "Umc", "Uuc"};
            static const char *const kLimitCmds[] = {"L2_SET_BC_LIMIT", "L2_SET_UMC_LIMIT", "L2_SET_UUC_LIMIT"};
            const uint32_t which = below(3);
            cmds = {kLimitCmds[which]};
            if (which == 0) {
                cmds.push_back("L2_SET_USER_BC_LIMIT");
            }
            return format("HAL_L2_Set%sLimit ctpId=%u UsLimit=%u DsLimit=%u", kLimits[which],
                          oneOf({1, 2, 3, 4, 5, 6, 7, 8, 10, 12}), oneOf({0, 62500, 125000, 1250000}),
                          oneOf({0, 62500, 125000, 1250000}));
        }
        case 3:
            return macCall(m, cmds, true);
        case 4:
            return macCall(m, cmds, false);
        case 5:
            cmds = {"MAC_GET_TABLE"};
            return "HAL_L2_GetMacTable";
        case 6:
            return aclCall(m, cmds, true);
        case 7:
            return aclCall(m, cmds, false);
        case 8:
            return dfxCall(m, cmds, 0);
        case 9:
            return dfxCall(m, cmds, 1);
        case 10:
            return dfxCall(m, cmds, 2);
        case 11:
            return programCall(m, cmds, true);
        case 12:
            return programCall(m, cmds, false);
        case 13:
            return viewerCall(m, cmds, true);
        case 14:
            return viewerCall(m, cmds, false);
        case 15:
            return statsCall(m, cmds, false);
        case 16:
            return statsCall(m, cmds, true);
        case 17:
            return interfaceCall(m, cmds, 0);
        case 18:
            return interfaceCall(m, cmds, 1);
        case 19:
            return interfaceCall(m, cmds, 2);
        case 20:
            return prefixCall(m, cmds, true);
        case 21:
            return prefixCall(m, cmds, false);
        case 22:
            return routeCall(m, cmds, true);
        case 23:
            return routeCall(m, cmds, false);
        case 24:
            return naptCall(m, cmds, true);
        case 25:
            return naptCall(m, cmds, false);
        case 26:
            return wanCall(m, cmds, 0);
        case 27:
            return wanCall(m, cmds, 1);
        default:
            return wanCall(m, cmds, 2);
    }
}

std::string Generator::flowCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"L2_DEL_FLOW"};
        if (const std::string *held = heldOne(m.flows, 80)) {
            return *held;
        }
        const uint32_t id = 1 + below(24);
        return format("HAL_L2_DelFlow FlowId=%u CtpId=%u", id, flowCtp(id));
    }
    cmds = {"L2_ADD_FLOW"};
    static constexpr uint32_t kFlows[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                          13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    const uint32_t id = freshId(m.flows.held, kFlows);
    const uint32_t vlan = 100 * (1 + below(4));
    const uint32_t inType = chance(90) ? below(4) : 4 + below(2);
    std::string text = format(
        "HAL_L2_AddFlow FlowId=%u CtpId=%u BridgeId=%u Pri=%u FlowDirection=%u ucInFlowType=%u ucOutFlowType=%u "
        "stInRule.tagNum=1 stInRule.vlanFilter[0]=1 stInRule.filterInfo[0].vlanID=%u stOutRule.tagNum=1 "
        "stOutRule.vlanFilter[0]=1 stOutRule.filterInfo[0].vlanID=%u",
        id, flowCtp(id), 1 + below(4), below(8), below(4), inType, below(4), vlan, vlan);
    if (inType == 4) {
        text += format(" usTransCtpId=%u", 1 + below(8));
    }
    if (chance(50)) {
        text +=
            format(" stInTreat.vlanTreat[0]=2 stInTreat.treatInfo[0].vlanID=%u stOutTreat.vlanTreat[0]=5", vlan + 1000);
    }
    return text;
}

std::string Generator::macCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    cmds = {add ? "MAC_ADD_STATIC" : "MAC_DEL_STATIC"};
    if (!add) {
        if (const std::string *held = heldOne(m.macs, 80)) {
            return *held;
        }
    }
    // Port 9 is no port of the terminal; VLAN 4096 is refused; 4097 and
    // 65535 mean any VLAN. VLAN 0 is left out: the chip keeps an entry of
    // VLAN 0 as the first message of an entry for any VLAN of the same port
    // and address, and removing the one strands the other's second message
    // beyond any removal.
    const uint32_t port = below(16) == 0 ? 9 : 1 + below(8);
    const uint32_t vlan = below(16) == 0 ? 4096 : oneOf({1, 100, 200, 4095, 4097, 65535});
    return format("HAL_L2_%sStaticMac port=%u vlan=%u mac=00:1b:2c:3d:4e:%02x", add ? "Add" : "Del", port, vlan,
                  1 + below(4));
}

std::string Generator::aclCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"PDU_UNBIND_CAR", "PDU_DEL_CAR", "PDU_DEL_FLOW"};
        if (const std::string *held = heldOne(m.acls, 80)) {
            return *held;
        }
        return format("HAL_PDU_PrtclPktAclDel aclId=%u", aclId());
    }
    const uint32_t id = freshId(m.acls.held, kAclIds);
    const uint32_t rate = chance(35) ? 0 : 64 * (1 + below(2));
    cmds = {"PDU_ADD_FLOW"};
    if (rate != 0 && id < HAL_PDU_CAR_RECORD_NUM) {
        cmds.push_back("PDU_ADD_CAR");
        cmds.push_back("PDU_BIND_CAR");
    }
    static const char *const kMatches[] = {
        "rule.uiFieldFlags=0x8000000 rule.uiCapType=2",
        "rule.uiFieldFlags=0x23900 rule.uiIpProtocol=17 rule.uiL4SrcPort=68 rule.uiL4DstPort=67 rule.uiIpVersion=1",
        "rule.uiFieldFlags=0x8 rule.uiEthType=0x888e",
    };
    return format(
        "HAL_PDU_PrtclPktAclAdd aclId=%u portType=%u portId=%u %s ruleClass=1 action.uiAction=%u "
        "action.uiPriority=%u action.uiCarRate=%u",
        id, below(20) == 0 ? 5 : 1, 1 + below(8), kMatches[below(std::size(kMatches))], 1 + below(4), below(9), rate);
}

// kind 0 adds, 1 removes, 2 switches, reads or clears the counters.
std::string Generator::dfxCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind)
{
    if (kind == 1) {
        cmds = {"DFX_DEL_FLOW"};
        const uint32_t id = heldId(m.dfx, dfxId());
        // An ACL removal of an id it does not know goes on to the DFX flows.
        return chance(30) ? format("HAL_PDU_PrtclPktAclDel aclId=%u", id) : format("HAL_DFX_FlowDel flowId=%u", id);
    }
    if (kind == 2) {
        const uint32_t id = heldId(m.dfx, dfxId());
        switch (below(3)) {
            case 0:
                cmds = {"DFX_SWITCH_CNT"};
                return format("HAL_DFX_FlowCntEnable flowId=%u enable=%u", id, below(2));
            case 1:
                cmds = {"DFX_GET_CNT"};
                return format("HAL_DFX_FlowCntGet flowId=%u", id);
            default:
                cmds = {"DFX_CLR_CNT"};
                return format("HAL_DFX_FlowCntClr flowId=%u", id);
        }
    }
    cmds = {"DFX_ADD_FLOW", "DFX_SET_CNT"};
    const std::string rule = format(
        "portType=1 portId=%u rule.uiFieldFlags=0x8001800 rule.uiIpProtocol=17 rule.uiL4SrcPort=68 "
        "rule.uiL4DstPort=67 rule.uiCapType=5 rule.uiDfxDirection=%u rule.uiIsDfx=1 ruleClass=1 "
        "action.uiAction=1",
        1 + below(8), below(2));
    const uint32_t id = freshId(m.dfx.held, kDfxIds);
    return chance(30) ? format("HAL_PDU_PrtclPktAclAdd aclId=%u %s", id, rule.c_str())
                      : format("HAL_DFX_FlowAdd flowId=%u %s", id, rule.c_str());
}

std::string Generator::programCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"BTV_DEL_PROGRAM"};
        if (const std::string *held = heldOne(m.programs, 70)) {
            return *held;
        }
        return format("HAL_BTV_DelProgramTable uiMcastGroupID=%u", group());
    }
    cmds = {"BTV_ADD_PROGRAM", "BTV_DEL_PROGRAM"};
    const uint32_t g = below(80) == 0 ? 255 : freshId(m.programs.held, kGroups);
    return format("HAL_BTV_AddProgramTable uiMcastGroupID=%u usOrigMvlan=%u mac=01:00:5e:0a:00:%02x", g,
                  oneOf({0, 1000, 1001}), g & 0xFF);
}

std::string Generator::viewerCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    const auto text = [](const char *verb, uint32_t g, uint32_t flow, bool wifi) {
        return format(
            "HAL_BTV_%sProgramUsr usCtp=%u usFlowId=%u uiIsWifi=%u uiIsWifiUpMode=%u "
            "stProgram.uiMcastGroupID=%u",
            verb, wifi ? 20 : flow - 10, flow, wifi ? 1 : 0, wifi && wifiUpGroup(g) ? 1 : 0, g);
    };
    const uint32_t plain = kFirstPlainFlow + below(kPlainFlows);
    if (add) {
        cmds = {"BTV_ADD_USER"};
        const uint32_t g = heldId(m.programs, group());
        const bool wifi = chance(25);
        return text("Add", g, wifi ? kWifiFlow : plain, wifi);
    }
    cmds = {"BTV_DEL_USER"};
    std::vector<uint32_t> joined;
    for (const auto &[g, users] : m.users) {
        if (!users.empty()) {
            joined.push_back(g);
        }
    }
    if (!joined.empty() && chance(85)) {
        const uint32_t g = joined[below(joined.size())];
        const GroupUsers &users = m.users.at(g);
        const uint32_t pick = below(users.plain.size() + users.wifi);
        if (pick >= users.plain.size()) {
            return text("Del", g, kWifiFlow, true);
        }
        auto it = users.plain.begin();
        std::advance(it, pick);
        return text("Del", g, *it, false);
    }
    // A viewer who never joined. The library counts viewers, it does not
    // check who leaves: a host removes only viewers it added, so an absent
    // one is taken only from a group with no viewer of that kind, where the
    // count stays 0.
    const uint32_t g = group();
    const auto users = m.users.find(g);
    const bool noPlain = users == m.users.end() || users->second.plain.empty();
    const bool noWifi = users == m.users.end() || users->second.wifi == 0;
    if (noPlain || noWifi) {
        return noPlain ? text("Del", g, plain, false) : text("Del", g, kWifiFlow, true);
    }
    return text("Del", g, *users->second.plain.begin(), false);
}

std::string Generator::statsCall(const Model &m, std::vector<const char *> &cmds, bool user)
{
    const uint32_t verb = below(4);  // add, remove, clear, read
    if (!user) {
        static const char *const kVerbs[] = {"Add", "Del", "Clear", "Get"};
        static const char *const kCmds[] = {"BTV_SET_STATS", "BTV_SET_STATS", "BTV_CLR_STATS", "BTV_GET_STATS"};
        cmds = {kCmds[verb]};
        const uint32_t g = verb == 0 ? heldId(m.programs, group()) : heldId(m.groupStats, group());
        return format("HAL_BTV_%sBtvStats uiMCastGroupId=%u", kVerbs[verb], g);
    }
    static const char *const kUserVerbs[] = {"AddUserBtvStats", "DelUserBtvStats", "ClearUserBtvStats",
                                             "GetBtvUserStats"};
    static const char *const kUserCmds[] = {"BTVUSER_SET_STATS", "BTVUSER_SET_STATS", "BTVUSER_CLR_STATS",
                                            "BTVUSER_GET_STATS"};
    cmds = {kUserCmds[verb]};
    uint32_t g = group();
    uint32_t flow = kFirstPlainFlow + below(kPlainFlows);
    if (verb != 0 && !m.userStats.held.empty() && chance(80)) {
        auto it = m.userStats.held.begin();
        std::advance(it, below(m.userStats.held.size()));
        g = it->first.first;
        flow = it->first.second;
    } else if (!m.users.empty() && chance(80)) {
        auto it = m.users.begin();
        std::advance(it, below(m.users.size()));
        g = it->first;
        flow = it->second.plain.empty() ? kWifiFlow : *it->second.plain.begin();
    }
    return format("HAL_BTV_%s uiMCastGroupId=%u usFlowID=%u", kUserVerbs[verb], g, flow);
}

// kind 0 adds, 1 removes, 2 sets the MTU.
std::string Generator::interfaceCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind)
{
    if (kind == 1) {
        const uint32_t index = heldId(m.ifs, ifIndex());
        // The chip keeps an interface while it has prefixes: a host takes
        // them away first, most of the time.
        for (const auto &prefix : m.prefixes.held) {
            if (interfaceOf(prefix.first) == index && chance(70)) {
                cmds = {"L3_DEL_PREFIX"};
                return prefix.second;
            }
        }
        cmds = {"L3_DEL_IF"};
        return format("HAL_L3_SynL3IFDel ifIndex=0x%x", index);
    }
    if (kind == 2) {
        cmds = {"L3_SET_IF_MTU"};
        return format("HAL_L3_SynL3IFSetMtu ifIndex=0x%x mtu=%u", heldId(m.ifs, ifIndex()), oneOf({1492, 1500}));
    }
    cmds = {"L3_ADD_IF"};
    const uint32_t index = freshId(m.ifs.held, kIfIndexes);
    // IP version 2 is refused.
    return format(
        "HAL_L3_SynL3IFAdd ifIndex=0x%x uiKind=%u uiIpVersion=%u aucMac=00:1e:10:2a:3b:%02x uiVlanId=%u "
        "uiPriMode=%u uiPri=%u uiIpv4State=1 uiIpv6State=2 uiIpv4NaptSel=%u",
        index, below(3), below(20) == 0 ? 2 : below(2), index & 0xFF, 100 * below(3), below(4), below(8), below(2));
}

std::string Generator::prefixCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    cmds = {add ? "L3_ADD_PREFIX" : "L3_DEL_PREFIX"};
    if (!add) {
        if (const std::string *held = heldOne(m.prefixes, 80)) {
            return *held;
        }
    }
    const uint32_t variant = below(4);
    static const char *const kVersions[] = {
        "uiIpVersion=0 auiAddr[0]=10.0.%u.0 uiPrefixLen=24", "uiIpVersion=0 auiAddr[0]=10.%u.0.0 uiPrefixLen=16",
        "uiIpVersion=1 auiAddr=0x20010db8,%u,0,0 uiPrefixLen=48", "uiIpVersion=2 auiAddr[0]=10.0.%u.0 uiPrefixLen=24"};
    const std::string address = format(kVersions[below(20) == 0 ? 3 : variant % 3], 1 + below(3));
    return format("HAL_L3_SynPrefix%s ifIndex=0x%x ucEntryId=%u %s", add ? "Add" : "Del", heldId(m.ifs, ifIndex()),
                  variant, address.c_str());
}

std::string Generator::routeCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    if (!add) {
        cmds = {"L3_DEL_POLICY_ROUTE"};
        if (const std::string *held = heldOne(m.routes, 80)) {
            return *held;
        }
        return format("HAL_L3_DelPolicyRoute ruleId=%u", oneOf(kRules));
    }
    cmds = {"L3_ADD_POLICY_ROUTE"};
    const uint32_t ctps = below(4);
    std::string list;
    for (uint32_t i = 0; i < ctps; ++i) {
        list += format("%s%u", i == 0 ? " auiCtpId=" : ",", oneOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    }
    // Act 5 is refused.
    return format(
        "HAL_L3_AddPolicyRoute ruleId=%u uiFamily=%u uiRouteID=%u uiMatchMask=%u uiTagNum=1 uiVlan=%u "
        "aucSrcIp=192.168.%u.0 uiIpMask=0xffffff00 uiAct=%u uiCtpNum=%u%s",
        freshId(m.routes.held, kRules), below(2), oneOf({0xffffffff, 5}), below(8), 100 * below(3), below(4),
        below(12) == 0 ? 5 : below(5), ctps, list.c_str());
}

std::string Generator::naptCall(const Model &m, std::vector<const char *> &cmds, bool add)
{
    cmds = {add ? "L3_ADD_NAPT_IND" : "L3_DEL_NAPT_IND"};
    if (!add) {
        if (const std::string *held = heldOne(m.napts, 80)) {
            return *held;
        }
    }
    std::map<uint32_t, std::string> rules;
    for (const auto &record : m.napts.held) {
        rules.emplace(ruleOf(record.first), record.second);
    }
    // Family 1 is refused.
    return format(
        "HAL_L3_%sNaptIndication ruleId=%u uiFamily=%u uiRouteTblID=%u uiOutIfIndex=0x%x uiDip[0]=10.%u.0.0 "
        "uiMask=0xffff0000 uiIsToNapt=%u",
        add ? "Add" : "Del", add ? freshId(rules, kRules) : oneOf(kRules), below(20) == 0 ? 1 : 0,
        oneOf({0xffffffff, 5}), oneOf({0, 0x101, 0x102}), below(3), below(2));
}

// kind 0 adds, 1 removes, 2 clears or reads.
std::string Generator::wanCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind)
{
    if (kind == 1) {
        cmds = {"L3_DEL_WAN_STATS"};
        if (const std::string *held = heldOne(m.wans, 80)) {
            return *held;
        }
        return format("HAL_L3_DelWanStats wanId=0x%x", oneOf(kWans));
    }
    const uint32_t id = kind == 2 ? heldId(m.wans, oneOf(kWans)) : freshId(m.wans.held, kWans);
    if (kind == 2) {
        const bool read = chance(50);
        cmds = {read ? "L3_GET_WAN_STATS" : "L3_CLR_WAN_STATS"};
        return format("HAL_L3_%sWanStats wanId=0x%x", read ? "Get" : "Clear", id);
    }
    cmds = {"L3_ADD_WAN_STATS"};
    // VLANs from 4096 on are taken and not counted; WANs share VLAN 100
    // more often than not.
    return format("HAL_L3_AddWanStats wanId=0x%x vlan=%u pri=%u", id, oneOf({0, 100, 100, 200, 300, 4095, 4096, 5000}),
                  below(8));
}

// ---- Steps, replays and the shrinker -------------------------------------------------------

Scenario parsed(const std::string &text)
{
    Scenario s;
    std::string error;
    if (!parseScenario(text, "soak", s, error)) {
        throw std::logic_error("the soak wrote a line the scenario reader cannot read: " + error);
    }
    return s;
}

// Removes what the run added, passing each call of the cleanup to each
// once it ran; then the checks of an empty terminal.
template <typename Each>
std::optional<Finding> cleanUp(Engine &e, Each each)
{
    const uint32_t passes = kCleanupPasses + e.model().pending();
    for (uint32_t pass = 0; pass < passes && (pass == 0 || !e.clean()); ++pass) {
        for (const std::string &text : e.cleanupCalls()) {
            std::optional<Finding> f = e.run(parsed(text));
            each(text);
            if (f) {
                return f;
            }
        }
    }
    return e.endChecks();
}

// A replay of steps from a fresh library: the finding, the step it came
// after (steps.size() for the cleanup), and every call with its result.
struct Replay {
    std::optional<Finding> finding;
    size_t failedAt = 0;
    std::vector<std::pair<std::string, uint32_t>> run;  // each step's text and its call's result
};

Replay replay(Engine &e, const std::vector<std::string> &steps, bool withCleanup, bool keepRun, uint64_t &budget)
{
    Replay r;
    e.begin();
    for (size_t i = 0; i < steps.size(); ++i) {
        budget -= budget != 0 ? 1 : 0;
        r.finding = e.run(parsed(steps[i]));
        if (keepRun) {
            r.run.emplace_back(steps[i], e.lastResult());
        }
        if (r.finding) {
            r.failedAt = i;
            return r;
        }
    }
    r.failedAt = steps.size();
    if (withCleanup) {
        r.finding = cleanUp(e, [&](const std::string &text) {
            budget -= budget != 0 ? 1 : 0;
            if (keepRun) {
                r.run.emplace_back(text, e.lastResult());
            }
        });
    }
    return r;
}

size_t callsIn(const std::string &text)
{
    size_t n = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        n += line.rfind("HAL_", 0) == 0 ? 1 : 0;
    }
    return n;
}

// Whether a candidate sequence still fails with the invariant, and after
// which step: each candidate is one replay, from a fresh library.
class Shrinker {
public:
    Shrinker(Engine &e, std::string invariant, bool atEnd, uint64_t budget)
        : e_(e), invariant_(std::move(invariant)), atEnd_(atEnd), budget_(budget)
    {
    }

    // Drops chunks of steps, then single steps, then the faults of the
    // steps left, keeping each drop after which the invariant still fails.
    std::vector<std::string> shrink(std::vector<std::string> steps)
    {
        dropSteps(steps);
        dropFaults(steps);
        return steps;
    }

    uint64_t replays() const { return replays_; }

private:
    bool fails(std::vector<std::string> &candidate)
    {
        ++replays_;
        const Replay r = replay(e_, candidate, atEnd_, false, budget_);
        if (!r.finding || r.finding->invariant != invariant_) {
            return false;
        }
        candidate.resize(std::min(candidate.size(), r.failedAt + 1));
        return true;
    }

    void dropSteps(std::vector<std::string> &steps)
    {
        size_t chunk = std::max<size_t>(1, steps.size() / 2);
        while (budget_ != 0 && !steps.empty()) {
            bool dropped = false;
            for (size_t i = 0; i < steps.size() && budget_ != 0;) {
                std::vector<std::string> candidate(steps.begin(), steps.begin() + static_cast<ptrdiff_t>(i));
                candidate.insert(candidate.end(),
                                 steps.begin() + static_cast<ptrdiff_t>(std::min(i + chunk, steps.size())),
                                 steps.end());
                if (fails(candidate)) {
                    steps = std::move(candidate);
                    dropped = true;
                } else {
                    i += chunk;
                }
            }
            if (!dropped && chunk == 1) {
                return;
            }
            chunk = dropped ? std::max<size_t>(1, std::min(chunk, steps.size() / 2)) : chunk / 2;
        }
    }

    // A step's faults may be needed where its call is not: they are queued
    // until a later call uses them. Tries the call without its faults, then
    // the faults before the next call without this one.
    void dropFaults(std::vector<std::string> &steps)
    {
        for (size_t i = 0; i < steps.size() && budget_ != 0;) {
            const size_t call = steps[i].find("HAL_");
            if (call == 0 || call == std::string::npos) {
                ++i;
                continue;
            }
            std::vector<std::string> candidate = steps;
            candidate[i] = steps[i].substr(call);
            if (fails(candidate)) {
                steps = std::move(candidate);
                ++i;
                continue;
            }
            if (i + 1 < steps.size()) {
                candidate = steps;
                candidate[i + 1] = steps[i].substr(0, call) + steps[i + 1];
                candidate.erase(candidate.begin() + static_cast<ptrdiff_t>(i));
                if (fails(candidate)) {
                    steps = std::move(candidate);
                    continue;
                }
            }
            ++i;
        }
    }

    Engine &e_;
    std::string invariant_;
    bool atEnd_;
    uint64_t budget_;
    uint64_t replays_ = 0;
};

// The reproducer: what the run was, the finding, each step with its call's
// result, then the lines that show the invariant fail.
std::string reproducerOf(const Replay &r, const Finding &f, const std::string &origin, uint64_t atCall, bool atEnd,
                         uint64_t replays)
{
    std::ostringstream out;
    out << "# " << origin << '\n'
        << "# invariant: " << f.invariant << '\n'
        << "# " << f.detail << '\n'
        << "# found " << (atEnd ? "in the cleanup after call " : "after call ") << (atEnd ? atCall - 1 : atCall)
        << "; shortest sequence after " << replays << " replays\n";
    for (const auto &[text, result] : r.run) {
        out << text << '\n';
        // A step of faults alone has no call of its own.
        if (text.find("HAL_") != std::string::npos) {
            out << "expect result " << hexResult(result) << '\n';
        }
    }
    out << "# what the invariant asks of the chip:\n";
    for (const std::string &check : f.checks) {
        out << check << '\n';
    }
    return out.str();
}

// A finding after steps (in the cleanup when atEnd), shrunk and written out.
SoakFinding shrunk(Engine &e, const std::vector<std::string> &steps, const Finding &found, bool atEnd,
                   const SoakOptions &o, const std::string &origin, uint64_t atCall)
{
    Shrinker shrinker(e, found.invariant, atEnd, o.shrinkBudget);
    const std::vector<std::string> shortest = shrinker.shrink(steps);
    uint64_t unlimited = ~0ULL;
    const Replay last = replay(e, shortest, atEnd, true, unlimited);
    SoakFinding out;
    out.atCall = atCall;
    out.replays = shrinker.replays();
    if (last.finding && last.finding->invariant == found.invariant) {
        out.invariant = last.finding->invariant;
        out.detail = last.finding->detail;
        out.reproducer = reproducerOf(last, *last.finding, origin, atCall, atEnd, out.replays);
    } else {
        // The run is not the same twice: shown as found, unshrunk.
        out.invariant = found.invariant;
        out.detail = found.detail + "; a replay from a fresh library did not fail again";
        out.reproducer =
            reproducerOf(replay(e, steps, atEnd, true, unlimited), found, origin, atCall, atEnd, out.replays);
    }
    out.calls = callsIn(out.reproducer);
    return out;
}

// The library as loaded once the soak is done, for whatever runs next in
// the process.
struct Unload {
    Unload() = default;
    Unload(const Unload &) = delete;
    Unload &operator=(const Unload &) = delete;
    ~Unload()
    {
        resetLibrary();
        host().reset();
    }
};

}  // namespace

SoakReport runSoak(uint64_t calls, uint64_t seed, const SoakOptions &o, std::ostream &progress)
{
    const Unload unload;
    SoakReport report;
    Engine engine(o);
    engine.begin();
    Generator gen(seed);
    std::vector<std::string> steps;
    std::optional<Finding> found;
    const uint64_t every = calls >= o.progressFrom && o.progressFrom != 0 ? std::max<uint64_t>(1, calls / 10) : 0;
    const auto start = std::chrono::steady_clock::now();
    while (report.callsRun < calls && !found) {
        steps.push_back(gen.next(engine.model()));
        if (o.record != nullptr) {
            *o.record << steps.back() << '\n';
        }
        found = engine.run(parsed(steps.back()));
        if (found && found->invariant == kInvalid) {
            throw std::logic_error("the soak generated " + found->detail);
        }
        ++report.callsRun;
        if (every != 0 && report.callsRun % every == 0 && report.callsRun != calls) {
            progress << "soak: " << report.callsRun << " of " << calls << " calls\n";
        }
    }
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool atEnd = !found;
    if (atEnd) {
        found = cleanUp(engine, [&o](const std::string &text) {
            if (o.record != nullptr) {
                *o.record << text << '\n';
            }
        });
    }
    if (found) {
        progress << "soak: " << found->invariant << " fails after call " << report.callsRun
                 << (atEnd ? " and the cleanup" : "") << "; shrinking\n";
        const std::string origin = "halsim --soak, seed " + std::to_string(seed) +
                                   (o.forgetUserCount ? ", planted fault forgetUserCount" : "");
        report.finding = shrunk(engine, steps, *found, atEnd, o, origin, report.callsRun + (atEnd ? 1 : 0));
    }
    return report;
}

SoakCheck soakCheck(const std::string &text, const std::string &file, const SoakOptions &o)
{
    SoakCheck check;
    Scenario all;
    if (!parseScenario(text, file, all, check.error)) {
        return check;
    }
    std::vector<std::string> steps;
    for (const ScenarioLine &l : all.lines) {
        if (l.kind == LineKind::call || l.kind == LineKind::refuse || l.kind == LineKind::fail) {
            steps.push_back(l.text);
            check.calls += l.kind == LineKind::call ? 1 : 0;
        }
    }
    const Unload unload;
    Engine engine(o);
    uint64_t unlimited = ~0ULL;
    const Replay r = replay(engine, steps, true, false, unlimited);
    if (r.finding) {
        const bool atEnd = r.failedAt == steps.size();
        const size_t upTo = std::min(r.failedAt + 1, steps.size());
        const auto callsBefore =
            static_cast<uint64_t>(std::count_if(steps.begin(), steps.begin() + static_cast<ptrdiff_t>(upTo),
                                                [](const std::string &step) { return step.rfind("HAL_", 0) == 0; }));
        check.finding =
            shrunk(engine, steps, *r.finding, atEnd, o, "halsim --soak-check " + file, callsBefore + (atEnd ? 1 : 0));
    }
    return check;
}

int soakCheckFile(const std::string &file, const SoakOptions &o, std::ostream &out, std::ostream &err)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (!in) {
        err << "halsim: " << file << ": cannot read\n";
        return 2;
    }
    const SoakCheck c = soakCheck(text.str(), file, o);
    if (!c.error.empty()) {
        err << "halsim: " << c.error << '\n';
        return 2;
    }
    if (c.finding) {
        out << c.finding->reproducer;
    }
    err << "halsim: soak check of " << file << ": " << c.calls << " calls, "
        << (c.finding ? "1 finding" : "0 findings");
    if (c.finding) {
        err << " (" << c.finding->invariant << "; reproducer of " << c.finding->calls
            << (c.finding->calls == 1 ? " call)" : " calls)");
    }
    err << '\n';
    return c.finding ? 1 : 0;
}

int soak(uint64_t calls, uint64_t seed, const SoakOptions &o, std::ostream &out, std::ostream &err)
{
    SoakReport r;
    try {
        r = runSoak(calls, seed, o, err);
    } catch (const std::logic_error &e) {
        err << "halsim: " << e.what() << '\n';
        return 2;
    }
    if (r.finding) {
        out << r.finding->reproducer;
    }
    const double rate = r.seconds > 0 ? static_cast<double>(r.callsRun) / r.seconds : 0;
    err << "halsim: soak, seed " << seed << ": " << r.callsRun << " calls run, " << static_cast<uint64_t>(rate)
        << " calls per second, " << (r.finding ? 1 : 0) << (r.finding ? " finding" : " findings");
    if (r.finding) {
        err << " (" << r.finding->invariant << "; reproducer of " << r.finding->calls
            << (r.finding->calls == 1 ? " call)" : " calls)");
    }
    err << '\n';
    return r.finding ? 1 : 0;
}

}  // namespace halsim
