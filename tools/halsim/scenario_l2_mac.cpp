// MAC management: learning switched on with a device limit past what the
// chip holds and a limit on Ethernet port 2, aging; a static MAC for any
// VLAN and one on VLAN 100, found again in a read of the MAC table among
// entries the host is not shown; and a white-list MAC filter with two
// entries and their protocol-packet flows, then everything undone.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "hal_network_adpt.h"
#include "host.h"
#include "scenario.h"

namespace halsim {

namespace {

constexpr uint32_t kUserCtp = 2;  // Ethernet user port 2, chip port 1
constexpr uint32_t kVlan = 100;
constexpr uint32_t kAnyVlan = 4097;
constexpr uint32_t kAgingTimed = 1;
constexpr uint32_t kAgeSeconds = 300;

constexpr uint8_t kStaticMac[6] = {0x00, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
constexpr uint8_t kLearntMac[6] = {0x00, 0xe0, 0x4c, 0x68, 0x00, 0x01};
constexpr uint8_t kGroupMac[6] = {0x01, 0x00, 0x5e, 0x00, 0x00, 0xfb};
constexpr uint8_t kOtherKindMac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

constexpr uint32_t kReadMacFilterMode = 0x20030028;

// ---- The driver's MAC table --------------------------------------------------

// One chip entry as the driver writes it: 32 bytes, little-endian.
struct ChipEntry {
    bool isStatic;
    bool noVlan;
    uint16_t vlan;
    uint32_t kind;
    uint32_t chipPortMask;
    const uint8_t *mac;
};

constexpr uint32_t kChipEntryBytes = 32;
constexpr uint32_t kKindReported = 4;
constexpr uint32_t kKindOther = 2;

void putU32(std::vector<uint8_t> &bytes, size_t offset, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// The count word, then the entries at +4, 32 bytes each: +4 static, +8
// VLAN mode (1: none), +12 VLAN, +16 kind, +20 chip ports, +24 MAC.
std::vector<uint8_t> chipTable(const std::vector<ChipEntry> &entries)
{
    std::vector<uint8_t> bytes(4 + kChipEntryBytes * entries.size(), 0);
    putU32(bytes, 0, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const ChipEntry &e = entries[i];
        const size_t at = 4 + kChipEntryBytes * i;
        putU32(bytes, at + 4, e.isStatic ? 1 : 0);
        putU32(bytes, at + 8, e.noVlan ? 1 : 0);
        bytes[at + 12] = static_cast<uint8_t>(e.vlan);
        bytes[at + 13] = static_cast<uint8_t>(e.vlan >> 8);
        putU32(bytes, at + 16, e.kind);
        putU32(bytes, at + 20, e.chipPortMask);
        std::memcpy(&bytes[at + 24], e.mac, 6);
    }
    return bytes;
}

// The static entry on chip port 1, an entry learnt without VLAN on chip
// ports 2 and 3 (reported on the lower), and two the host does not see: a
// group address, and an entry of another kind.
std::vector<uint8_t> driverMacTable()
{
    return chipTable({
        {true, false, kVlan, kKindReported, 1U << 1, kStaticMac},
        {false, true, 0, kKindReported, (1U << 2) | (1U << 3), kLearntMac},
        {false, false, kVlan, kKindReported, 1U << 4, kGroupMac},
        {false, false, kVlan, kKindOther, 1U << 5, kOtherKindMac},
    });
}

uint32_t le16(const uint8_t (&field)[2]) { return field[0] | static_cast<uint32_t>(field[1]) << 8; }

uint32_t readMacTable()
{
    host().macTable = driverMacTable();
    const size_t heldBefore = host().liveAllocations.size();
    const auto table = std::make_unique<HAL_L2_MAC_TABLE_S>();  // 22 KiB
    const uint32_t ret = HAL_L2_GetMacTable(table.get());
    host().macTable.clear();
    note("%u entries for the host", table->uiNum);
    for (uint32_t i = 0; i < table->uiNum && i < HAL_L2_MAC_TABLE_MAX; ++i) {
        const HAL_L2_MAC_ENTRY_S &e = table->astEntry[i];
        note("CTP %u VLAN %u %s %02x:%02x:%02x:%02x:%02x:%02x", le16(e.aucCtpId), le16(e.aucVlanId),
             e.ucStatic != 0 ? "static" : "learnt", e.aucMac[0], e.aucMac[1], e.aucMac[2], e.aucMac[3], e.aucMac[4],
             e.aucMac[5]);
    }
    note("allocations held: %zu before the read, %zu after", heldBefore, host().liveAllocations.size());
    return ret;
}

// ---- The MAC filter --------------------------------------------------------------

HAL_L2_MAC_FILTER_S filterEntry(uint32_t index)
{
    HAL_L2_MAC_FILTER_S e{};
    const uint8_t mac[6] = {0x00, 0x0a, 0x0b, 0x0c, 0x0d, static_cast<uint8_t>(index)};
    std::memcpy(e.aucMac, mac, sizeof(mac));
    e.uiIndex = index;
    return e;
}

// A request on the filter entry of the index, its MAC ending in the index.
void addFilterStep(std::vector<Step> &steps, const char *name, uint32_t (*fn)(const HAL_L2_MAC_FILTER_S *),
                   uint32_t index)
{
    char what[96];
    std::snprintf(what, sizeof(what), "%s(00:0a:0b:0c:0d:%02x, index %u)", name, index & 0xFFU, index);
    steps.push_back({what, [fn, index] {
                         const HAL_L2_MAC_FILTER_S e = filterEntry(index);
                         return fn(&e);
                     }});
}

// Every port's mode read answers with its port and the chip's mode 2, the
// host's white list.
uint32_t readFilterMode()
{
    const Driver before = host().driver;
    host().driver = [before](const HlpCall &call, void *reply, uint32_t replyLen) -> uint32_t {
        if (call.cmd != kReadMacFilterMode) {
            return before ? before(call, reply, replyLen) : 0;
        }
        std::vector<uint8_t> answer(12, 0);
        std::memcpy(answer.data(), call.req.data(), std::min<size_t>(call.req.size(), 8));
        putU32(answer, 8, 2);
        std::memcpy(reply, answer.data(), std::min<size_t>(answer.size(), replyLen));
        return 0;
    };
    uint32_t mode = 0xFF;
    const uint32_t ret = HAL_L2_GetEthMacFilterMode(&mode);
    host().driver = before;
    note("filter mode %u", mode);
    return ret;
}

}  // namespace

void addL2MacSteps(std::vector<Step> &steps)
{
    steps.push_back({"HAL_L2_SetMacLearnMode(1)", [] { return HAL_L2_SetMacLearnMode(1); }});
    steps.push_back({"HAL_L2_SetMacLearnNum(5000): the device holds 2048", [] { return HAL_L2_SetMacLearnNum(5000); }});
    steps.push_back({"HAL_L2_SetPortMacLearnNum(CTP 2, 64)", [] { return HAL_L2_SetPortMacLearnNum(kUserCtp, 64); }});
    steps.push_back(
        {"HAL_L2_SetPortMacLearnState(CTP 2, off)", [] { return HAL_L2_SetPortMacLearnState(kUserCtp, 0); }});
    steps.push_back({"HAL_L2_SetMacLearnState(on): every Ethernet port", [] { return HAL_L2_SetMacLearnState(1); }});
    steps.push_back({"HAL_L2_SetMacAge(timed, 300 s)", [] { return HAL_L2_SetMacAge(kAgingTimed, kAgeSeconds); }});

    steps.push_back({"HAL_L2_AddStaticMac(port 2, any VLAN, 00:1b:2c:3d:4e:5f)",
                     [] { return HAL_L2_AddStaticMac(kUserCtp, kAnyVlan, kStaticMac); }});
    steps.push_back({"HAL_L2_AddStaticMac(port 2, VLAN 100, 00:1b:2c:3d:4e:5f)",
                     [] { return HAL_L2_AddStaticMac(kUserCtp, kVlan, kStaticMac); }});
    steps.push_back(
        {"HAL_L2_GetMacTable(): the static entry, a learnt one, a group address, another kind", readMacTable});
    steps.push_back({"HAL_L2_DelStaticMac(port 2, VLAN 100, 00:1b:2c:3d:4e:5f)",
                     [] { return HAL_L2_DelStaticMac(kUserCtp, kVlan, kStaticMac); }});
    steps.push_back({"HAL_L2_DelStaticMac(port 2, any VLAN, 00:1b:2c:3d:4e:5f)",
                     [] { return HAL_L2_DelStaticMac(kUserCtp, kAnyVlan, kStaticMac); }});

    steps.push_back({"HAL_L2_NotifyEthMacFilterMode(white list)", [] { return HAL_L2_NotifyEthMacFilterMode(1); }});
    steps.push_back({"HAL_L2_SetEthMacFilterMode(1)", [] { return HAL_L2_SetEthMacFilterMode(1); }});
    steps.push_back({"HAL_L2_SetEthMacFilterModePDUFlow(1): the default drop flow",
                     [] { return HAL_L2_SetEthMacFilterModePDUFlow(1); }});
    for (const uint32_t index : {1U, 2U}) {
        addFilterStep(steps, "HAL_L2_AddEthMacFilter", HAL_L2_AddEthMacFilter, index);
        addFilterStep(steps, "HAL_L2_AddEthMacFilterPDUFlow", HAL_L2_AddEthMacFilterPDUFlow, index);
    }
    steps.push_back({"HAL_L2_GetEthMacFilterMode(&mode): the chip answers 2 on every port", readFilterMode});
    for (const uint32_t index : {1U, 2U}) {
        addFilterStep(steps, "HAL_L2_DelEthMacFilterPDUFlow", HAL_L2_DelEthMacFilterPDUFlow, index);
        addFilterStep(steps, "HAL_L2_DelEthMacFilter", HAL_L2_DelEthMacFilter, index);
    }
    steps.push_back({"HAL_L2_SetEthMacFilterModePDUFlow(2): the default drop flow removed",
                     [] { return HAL_L2_SetEthMacFilterModePDUFlow(2); }});
    steps.push_back({"HAL_L2_SetEthMacFilterMode(0)", [] { return HAL_L2_SetEthMacFilterMode(0); }});
    steps.push_back({"HAL_L2_NotifyEthMacFilterMode(black list)", [] { return HAL_L2_NotifyEthMacFilterMode(0); }});
}

}  // namespace halsim
