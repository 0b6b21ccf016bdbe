// The soak's shared vocabulary, private to its files: what a call is, the
// chip's tables as the invariants see them, the library's own state, the
// model of what the soak believes the terminal holds, and a failing check.
#ifndef TOOLS_HALSIM_SOAK_INTERNAL_H
#define TOOLS_HALSIM_SOAK_INTERNAL_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "driver.h"
#include "hal_network_adpt.h"
#include "scenario_file.h"

namespace halsim::soak_detail {

// Wi-Fi viewers of a program reach it through the one Wi-Fi flow, as on a
// terminal whose Wi-Fi side is one flow; plain viewers have flows 11 to 18.
// Two digits each, so that no flow's state line starts with another's.
inline constexpr uint32_t kWifiFlow = 50;
inline constexpr uint32_t kFirstPlainFlow = 11;
inline constexpr uint32_t kPlainFlows = 8;
// Wi-Fi viewers of these groups are in up mode: counted, never sent to the
// driver. A terminal's Wi-Fi is in up mode or not for all its viewers of a
// program, so the soak never mixes the two in one group.
inline bool wifiUpGroup(uint32_t group) { return group % 4 == 3; }

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string macText(const uint8_t *m);
std::string hexResult(uint32_t v);

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

std::string macRemoval(uint32_t port, uint32_t vlan, const uint8_t *mac);

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

Call describe(const ScenarioLine &l);

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

inline constexpr const char *kTableNames[kTables] = {
    "l2 flows",  "rate limits",   "static MACs",      "protocol-packet flows", "CAR profiles",   "CAR bindings",
    "DFX flows", "programs",      "program users",    "group counters",        "user counters",  "L3 interfaces",
    "prefixes",  "policy routes", "NAPT indications", "WAN counters",          "other settings",
};

// How the lines of a table start in the chip's state; none for the rest.
inline constexpr const char *kTableLines[kTables] = {
    "l2 flow ",  "limit ",        "static mac ",      "pdu flow ",      "car profile ",  "car binding ",
    "dfx flow ", "program ",      "program user ",    "group counter ", "user counter ", "l3 interface ",
    "prefix ",   "policy route ", "napt indication ", "wan counter ",   nullptr,
};

using Shape = std::array<size_t, kTables>;

Shape shapeOf(const ChipTables &t);

constexpr uint32_t bit(Table t) { return 1U << t; }

// The tables a call may change.
uint32_t touches(Op op);

// State lines of entries, as the chip prints them (up to the colon).
std::string idLine(Table t, uint32_t id);
std::string macLine(const StaticMacKey &k);
std::string userLine(uint32_t group, uint32_t flow);
std::string userCounterLine(const ProgramUser &u);
std::string ifLine(uint32_t index);
std::string prefixLine(const PrefixKey &p);
std::string wanLine(const WanKey &k);

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

std::vector<WanNode> wanList();

// The driver's VLAN of a WAN's counter.
uint32_t counterVlan(uint32_t vlan);

// The number after key= in a call's text (0 when there is none).
uint32_t numberAfter(const std::string &text, const char *key);
uint32_t ruleOf(const std::string &call);
uint32_t interfaceOf(const std::string &call);

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

inline constexpr const char *kRefusedAdd = "a refused add leaves nothing new in the chip";
inline constexpr const char *kRemoved = "a remove that succeeded leaves no trace";
inline constexpr const char *kOwnTables = "a call changes only its own tables";
inline constexpr const char *kUserCount = "the multicast user counts agree with the chip";
inline constexpr const char *kWanCounter = "every WAN counter in the chip belongs to a listed WAN";
inline constexpr const char *kHeap = "the heap holds only WAN nodes and the user count array";
inline constexpr const char *kCleanChip = "removing everything leaves the chip empty";
inline constexpr const char *kCleanList = "removing everything leaves no WAN listed";
// Not an invariant: a replayed sequence the shrinker cut so that a call
// now does what a host never does. Such a sequence shows nothing.
inline constexpr const char *kInvalid = "a call the generator never makes";

Finding leftBehind(const char *invariant, const std::string &what, const std::vector<std::string> &lines);

}  // namespace halsim::soak_detail

#endif
