// Simulated forwarding driver: takes over the stand-in host's HLP channel,
// decodes every command into the chip record it is paired with and applies
// it to a model of the chip's tables, answering as the kernel driver would:
// 0, or one of the codes below, and a reply for every read.
//
// Keys of the tables: a chip port is its descriptor (port type, mask); the
// device-wide learning settings sit under the empty descriptor (0, 0).
// Static MAC entries are kept under the port word as the host gave it,
// read as a host user port: the terminal's topology (Host::userToChipPort)
// names its chip port, and the MAC table read shows the entry with that
// chip port alone in its mask. A port the topology does not know is
// refused.
#ifndef SIM_DRIVER_H
#define SIM_DRIVER_H

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_l2_mac_rec.h"
#include "chip/kalo/kalo_l2_rec.h"
#include "chip/kalo/kalo_l3_rec.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "host.h"

namespace halsim {

// What the driver answers when it refuses a command. Distinct, and apart
// from the library's own result codes.
namespace drv {
inline constexpr uint32_t kUnknownCommand = 0xD1200001;  // no command of that code
inline constexpr uint32_t kBadLength = 0xD1200002;       // request or reply not the length of its record
inline constexpr uint32_t kNotFound = 0xD1200003;        // nothing under that key to remove, read or use
inline constexpr uint32_t kExists = 0xD1200004;          // an entry under that key already
inline constexpr uint32_t kInUse = 0xD1200005;           // still bound, or still holding entries
inline constexpr uint32_t kBadValue = 0xD1200006;        // a field outside what the chip takes
inline constexpr uint32_t kTableFull = 0xD1200007;       // the MAC table holds kChipMacTableMax entries
}  // namespace drv

using Mac = std::array<uint8_t, 6>;

// A chip port descriptor: port type and mask of chip ports (or GEM port).
struct PortKey {
    uint32_t type = 0;
    uint32_t mask = 0;
    bool operator<(const PortKey &o) const { return std::pair(type, mask) < std::pair(o.type, o.mask); }
    bool operator==(const PortKey &o) const { return type == o.type && mask == o.mask; }
};

// ---- Layer 2 -------------------------------------------------------------------

struct TciKey {
    PortKey port;
    uint32_t vlan = 0;
    uint32_t pri = 0;
    bool operator<(const TciKey &o) const;
};

struct TciCounters {
    uint64_t rcvFrames = 0;
    uint64_t rcvOctets = 0;
    uint64_t sendFrames = 0;
    uint64_t sendOctets = 0;
};

// The traffic classes a port's rate limit applies to.
enum class LimitClass : uint32_t { Broadcast, UnknownMulticast, UnknownUnicast, UserBroadcast };

struct BridgePortKey {
    uint32_t bridge = 0;
    PortKey port;
    bool operator<(const BridgePortKey &o) const;
};

struct StaticMacKey {
    uint32_t port = 0;  // as the host gave it
    uint32_t vlan = 0;
    uint32_t anyVlan = 0;
    Mac mac{};
    bool operator<(const StaticMacKey &o) const;
};

// An entry the chip learnt, as a scenario adds it.
struct LearntMac {
    uint32_t mask = 0;  // chip ports
    uint16_t vlan = 0;
    bool noVlan = false;
    Mac mac{};
    uint32_t kind = 4;  // the kind the host is shown
};

struct MacFilterKey {
    PortKey port;
    Mac mac{};
    bool operator<(const MacFilterKey &o) const;
};

struct MacAging {
    uint32_t mode = 0;
    uint32_t time = 0;
};

// ---- Protocol-packet and diagnostic flows ----------------------------------------

// Counters of a diagnostic flow as the driver reports them: the model
// counts frames in word 0 and octets in word 1.
using DfxCounters = std::array<uint32_t, 8>;

struct DfxFlow {
    DfxFlowRecord flow{};
    std::optional<DfxFlowCntConfig> counting;  // set by the counting configuration
    bool countingOn = false;
    DfxCounters counters{};
};

// ---- Multicast -------------------------------------------------------------------

using ProgramUser = std::pair<uint32_t, uint32_t>;  // group, flow

struct BtvCounters {
    uint32_t frames = 0;
    uint64_t octets = 0;
};

// ---- Layer 3 ---------------------------------------------------------------------

struct L3Interface {
    chip_l3_if_s rec{};
    std::optional<uint32_t> mtu;
};

struct PrefixKey {
    uint32_t ifIndex = 0;
    uint32_t ipVer = 0;
    std::array<uint32_t, 4> ip{};
    uint16_t hostBits = 0;
    bool operator<(const PrefixKey &o) const;
};

using WanKey = std::pair<uint32_t, uint32_t>;  // port type, VLAN (4096: untagged)

struct WanCounters {
    uint32_t rcvUnicast = 0;
    uint32_t rcvMulticast = 0;
    uint32_t rcvBroadcast = 0;
    uint32_t rcvPackets = 0;
    uint64_t rcvOctets = 0;
    uint32_t sendUnicast = 0;
    uint32_t sendMulticast = 0;
    uint32_t sendBroadcast = 0;
    uint32_t sendPackets = 0;
    uint64_t sendOctets = 0;
};

// ---- The chip's tables -----------------------------------------------------------

struct ChipTables {
    // Layer-2 service flows and port services.
    std::map<uint32_t, chip_flow_body_s> l2Flows;  // by flow id
    std::optional<bool> isolation;                 // the isolation switch: on or off
    std::map<PortKey, uint32_t> portIsolation;
    std::optional<uint32_t> pvid;
    std::set<std::pair<uint32_t, uint32_t>> bcEntries;  // the host's second and third values
    std::map<TciKey, TciCounters> tciCounters;
    std::map<uint32_t, std::array<uint8_t, 64>> dscpTables;  // by table id
    std::map<BridgePortKey, uint32_t> bridgePorts;           // the host's value
    std::map<std::pair<LimitClass, PortKey>, chip_car_s> limits;

    // MAC management.
    std::map<PortKey, uint32_t> learnMode;
    std::map<PortKey, uint32_t> learnLimit;  // 0xFFFFFFFF: no limit
    std::map<PortKey, uint32_t> learnState;
    std::optional<MacAging> aging;
    std::map<StaticMacKey, uint32_t> staticMacs;               // chip port mask
    std::map<std::pair<uint32_t, Mac>, LearntMac> learntMacs;  // by VLAN (4097: none) and MAC
    std::set<MacFilterKey> macFilters;
    std::map<PortKey, uint32_t> macFilterModes;  // a port never set filters in mode 0

    // Protocol-packet flows, their CAR profiles and bindings; DFX flows.
    std::map<uint32_t, PduFlowRecord> pduFlows;     // by flow id
    std::map<uint32_t, PduCarRequest> carProfiles;  // by CAR id
    std::map<uint32_t, uint32_t> carBindings;       // flow id -> CAR id
    std::map<uint32_t, DfxFlow> dfxFlows;           // by flow id

    // Multicast.
    std::map<uint32_t, btv_program_req_s> programs;  // by group id
    std::set<ProgramUser> programUsers;
    std::optional<uint32_t> matchMode;
    std::map<uint32_t, BtvCounters> groupCounters;  // groups whose counting is on
    std::map<ProgramUser, BtvCounters> userCounters;
    std::optional<btv_em_rule_req_s> emRule;
    uint64_t emOctets = 0;

    // Layer 3.
    std::map<uint32_t, L3Interface> interfaces;  // by interface index
    std::set<PrefixKey> prefixes;
    std::map<uint32_t, chip_route_s> policyRoutes;        // by route id
    std::map<uint32_t, chip_napt_ind_s> naptIndications;  // by rule id
    std::map<WanKey, WanCounters> wanCounters;
};

class ChipModel {
public:
    ChipModel() = default;
    ~ChipModel();
    ChipModel(const ChipModel &) = delete;
    ChipModel &operator=(const ChipModel &) = delete;
    ChipModel(ChipModel &&) = delete;
    ChipModel &operator=(ChipModel &&) = delete;

    // Takes over host's HLP channel (Host::driver) until detach() or the
    // model's end; the host's topology names the chip ports of static MACs
    // (the process-wide host's while the model is attached to none).
    void attach(Host &host);
    void detach();

    // Back to a chip with empty tables.
    void reset();

    // One HLP command as the driver gets it: its answer, the reply filled
    // on success.
    uint32_t handle(const HlpCall &call, void *reply, uint32_t replyLen);

    const ChipTables &tables() const { return t_; }

    // Every table's entries, one per line in the tables' order; empty for a
    // chip with nothing configured.
    std::string summary() const;

    // ---- Traffic, as a scenario makes it ----------------------------------
    // Each adds to a counter that exists and counts, and says whether it did.
    bool addTciTraffic(const TciKey &key, const TciCounters &delta);
    bool addDfxTraffic(uint32_t flowId, uint32_t frames, uint32_t octets);
    bool addWanTraffic(const WanKey &key, const WanCounters &delta);
    // A program's frames: counted for its group and for each of its users
    // whose counting is on.
    bool addGroupTraffic(uint32_t groupId, uint32_t frames, uint64_t octets);
    bool addEmTraffic(uint64_t octets);
    // An entry the chip learnt: 0, or kTableFull.
    uint32_t addLearntMac(const LearntMac &entry);

private:
    ChipTables t_;
    Host *host_ = nullptr;
};

}  // namespace halsim

#endif
