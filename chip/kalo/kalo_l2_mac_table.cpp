// Static MAC entries and the MAC table read-out. The table is read in one
// command into a buffer the library allocates for the read: the driver
// writes the table there through its address, and the chip's entries are
// then packed into the host's table with their ports named by CTP.
#include <new>

#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_l2_mac.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l2_mac", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;

constexpr uint32_t kVlanCount = 4096;  // VLAN ids 0 to 4095
constexpr uint32_t kAnyVlanA = 4097;   // the host's two ways of saying any VLAN
constexpr uint32_t kAnyVlanB = 65535;
constexpr uint32_t kReportedKind = 4;            // the chip entry kind the host sees
constexpr uint32_t kVlanModeNone = 1;            // a chip entry without VLAN id
constexpr uint32_t kChipPorts = 32;              // chip ports 0 to 31; 32 stands for none
constexpr uint32_t kTopoUserPortOfChipPort = 2;  // topology query: chip port to user port

bool isGroupAddress(const uint8_t *mac) { return (mac[0] & 1U) != 0; }

void putLe16(uint8_t (&field)[2], uint32_t value)
{
    field[0] = static_cast<uint8_t>(value);
    field[1] = static_cast<uint8_t>(value >> 8);
}

// The CTP of each chip port's Ethernet user port; 0 where a lookup fails,
// and for the entry of an empty mask.
void mapChipPortsToCtps(uint16_t (&map)[kChipPorts + 1])
{
    for (uint32_t chipPort = 0; chipPort < kChipPorts; ++chipPort) {
        uint32_t userPort = 0;
        uint16_t ctpId = 0;
        if (QX_DM_TopoSwitchCommon(kTopoUserPortOfChipPort, chipPort, &userPort) == 0 &&
            L2M_Ctp_GetIdByPrototype(kalo::kCtpEth, userPort, &ctpId) == 0) {
            map[chipPort] = ctpId;
        }
    }
}

// Releases the read's buffer on every way out.
struct TableBuffer {
    void *memory = QX_OS_MemMallocD(sizeof(chip_mac_table_s));
    TableBuffer() = default;
    TableBuffer(const TableBuffer &) = delete;
    TableBuffer &operator=(const TableBuffer &) = delete;
    ~TableBuffer()
    {
        if (memory != nullptr) {
            QX_OS_MemFreeD(memory);
        }
    }
};

}  // namespace

extern "C" {

// ---- Static entries -----------------------------------------------------------------

uint32_t PDT_L2M_ModifyStaticMac(uint32_t cmd, uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    auto req = hal::cleared<chip_static_mac_s>();
    req.port = port;
    const bool anyVlan = vlan == kAnyVlanA || vlan == kAnyVlanB;
    if (!anyVlan) {
        if (vlan >= kVlanCount) {
            lastWord(437, port, vlan);
            return HAL_ERR;
        }
        req.vlan = vlan;
    }
    // A MAC the copy refuses is recorded; the entry goes all the same.
    const int copied = memcpy_s(req.mac, sizeof(req.mac), mac, sizeof(req.mac));
    if (copied != 0) {
        lastWord(443, static_cast<uint32_t>(copied));
    }
    uint32_t ret = hal::sendAnyOf<Cmd::MAC_ADD_STATIC, Cmd::MAC_DEL_STATIC>(cmd, req);
    if (ret != 0) {
        lastWord(448, ret, port, vlan);
        return ret;
    }
    // Any VLAN takes a second message with the flag; the first stays.
    if (anyVlan) {
        req.any_vlan = 1;
        ret = hal::sendAnyOf<Cmd::MAC_ADD_STATIC, Cmd::MAC_DEL_STATIC>(cmd, req);
        if (ret != 0) {
            lastWord(458, ret, port, vlan);
            return ret;
        }
    }
    return 0;
}

uint32_t CHIP_KALO_AddStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return PDT_L2M_ModifyStaticMac(hal::hlp::codeOf(Cmd::MAC_ADD_STATIC), port, vlan, mac);
}

uint32_t CHIP_KALO_DelStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return PDT_L2M_ModifyStaticMac(hal::hlp::codeOf(Cmd::MAC_DEL_STATIC), port, vlan, mac);
}

// ---- MAC table ------------------------------------------------------------------------

uint32_t CHIP_KALO_GetMacTable(HAL_L2_MAC_TABLE_S *table)
{
    if (table == nullptr) {
        lastWord(649, HAL_ERR_NULL_PTR);
        return HAL_ERR;
    }
    return PDT_L2M_MacFunc(table);
}

uint32_t PDT_L2M_MacFunc(HAL_L2_MAC_TABLE_S *table)
{
    if (table == nullptr) {
        return HAL_ERR;
    }
    const TableBuffer buffer;
    if (buffer.memory == nullptr) {
        lastWord(619, HAL_ERR_MAC_BUF);
        return HAL_ERR_MAC_BUF;
    }
    auto *chip = new (buffer.memory) chip_mac_table_s;
    hal::clearRecord(*chip);
    chip_mac_table_req_s req{reinterpret_cast<uintptr_t>(chip)};
    const uint32_t ret = hal::sendRequest<Cmd::MAC_GET_TABLE>(req);
    if (ret != 0) {
        lastWord(627, ret);
        return ret;
    }
    // The conversion reads no more entries than the buffer holds.
    (void)PDT_L2M_GetMacTable(chip, table);
    return 0;
}

// Reported are the unicast entries of kind 4, each with the CTP of the
// lowest chip port of its mask.
uint32_t PDT_L2M_GetMacTable(const chip_mac_table_s *buffer, HAL_L2_MAC_TABLE_S *table)
{
    if (buffer == nullptr || table == nullptr) {
        return HAL_ERR;
    }
    uint16_t ctpOfChipPort[kChipPorts + 1] = {};
    mapChipPortsToCtps(ctpOfChipPort);
    const uint32_t count = buffer->count < kChipMacTableMax ? buffer->count : kChipMacTableMax;
    uint32_t reported = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const chip_mac_entry_s &e = buffer->entry[i];
        if (e.kind != kReportedKind || isGroupAddress(e.mac)) {
            continue;
        }
        HAL_L2_MAC_ENTRY_S &out = table->astEntry[reported];
        putLe16(out.aucCtpId, ctpOfChipPort[PDT_L2M_GetPortNumFromMask(e.mask)]);
        putLe16(out.aucVlanId, e.vlan_mode == kVlanModeNone ? HAL_L2_MAC_VLAN_NONE : e.vlan);
        out.ucStatic = e.is_static != 0 ? 1 : 0;
        const int copied = memcpy_s(out.aucMac, sizeof(out.aucMac), e.mac, sizeof(e.mac));
        if (copied != 0) {
            lastWord(602, static_cast<uint32_t>(copied));
        }
        ++reported;
    }
    table->uiNum = reported;
    return 0;
}

uint32_t PDT_L2M_GetPortNumFromMask(uint32_t mask)
{
    uint32_t port = 0;
    while (port < kChipPorts && ((mask >> port) & 1U) == 0) {
        ++port;
    }
    return port;
}

}  // extern "C"
