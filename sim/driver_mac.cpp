// The simulated driver's MAC management: learning settings of the device
// (the empty port descriptor) and of each port, aging, static entries, the
// MAC table the driver writes into the library's buffer, and the Ethernet
// MAC filter.
#include <cstring>

#include "driver_rules.h"

namespace halsim::drv {

namespace {

constexpr uint32_t kNoLimit = 0xFFFFFFFF;
constexpr uint32_t kVlanCount = 4096;
constexpr uint32_t kChipPorts = 32;
constexpr uint32_t kReportedKind = 4;
constexpr uint32_t kLastFilterMode = 2;
constexpr PortKey kDevice{};

Mac macOf(const uint8_t (&bytes)[6])
{
    Mac m{};
    std::memcpy(m.data(), bytes, m.size());
    return m;
}

StaticMacKey staticKey(const chip_static_mac_s &req) { return {req.port, req.vlan, req.any_vlan, macOf(req.mac)}; }

chip_mac_entry_s entryOf(bool isStatic, bool noVlan, uint32_t vlan, uint32_t kind, uint32_t mask, const Mac &mac)
{
    chip_mac_entry_s e{};
    e.is_static = isStatic ? 1 : 0;
    e.vlan_mode = noVlan ? 1 : 0;
    e.vlan = static_cast<uint16_t>(noVlan ? 0 : vlan);
    e.kind = kind;
    e.mask = mask;
    std::memcpy(e.mac, mac.data(), sizeof(e.mac));
    return e;
}

}  // namespace

// ---- Learning and aging ---------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::MAC_SET_LEARN_MODE> /*cmd*/, const chip_mac_learn_s &req)
{
    if (!isSwitch(req.value)) {
        return kBadValue;
    }
    c.t.learnMode[keyOf(req.port)] = req.value;
    return 0;
}

// The device holds at most kChipMacTableMax addresses; a port's limit is
// its own.
uint32_t on(Context &c, Tag<Cmd::MAC_SET_LEARN_NUM> /*cmd*/, const chip_mac_learn_s &req)
{
    if (keyOf(req.port) == kDevice && req.value > kChipMacTableMax && req.value != kNoLimit) {
        return kBadValue;
    }
    c.t.learnLimit[keyOf(req.port)] = req.value;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::MAC_SET_LEARN_STATE> /*cmd*/, const chip_mac_learn_s &req)
{
    if (!isSwitch(req.value)) {
        return kBadValue;
    }
    c.t.learnState[keyOf(req.port)] = req.value;
    return 0;
}

// Only timed aging (mode 1) takes a time.
uint32_t on(Context &c, Tag<Cmd::MAC_SET_AGE> /*cmd*/, const chip_mac_age_s &req)
{
    if (!isSwitch(req.mode) || (req.mode == 0 && req.time != 0)) {
        return kBadValue;
    }
    c.t.aging = MacAging{req.mode, req.time};
    return 0;
}

// ---- Static entries and the table read ---------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::MAC_ADD_STATIC> /*cmd*/, const chip_static_mac_s &req)
{
    if (!isSwitch(req.any_vlan) || req.vlan >= kVlanCount) {
        return kBadValue;
    }
    const auto chipPort = c.host.userToChipPort.find(req.port);
    if (chipPort == c.host.userToChipPort.end() || chipPort->second >= kChipPorts) {
        return kBadValue;
    }
    const StaticMacKey key = staticKey(req);
    if (c.t.staticMacs.count(key) != 0) {
        return kExists;
    }
    if (c.t.staticMacs.size() + c.t.learntMacs.size() >= kChipMacTableMax) {
        return kTableFull;
    }
    c.t.staticMacs[key] = 1U << chipPort->second;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::MAC_DEL_STATIC> /*cmd*/, const chip_static_mac_s &req)
{
    return removeEntry(c.t.staticMacs, staticKey(req));
}

// Static entries first, then the learnt ones; an entry for any VLAN has no
// VLAN id.
uint32_t on(Context &c, Tag<Cmd::MAC_GET_TABLE> /*cmd*/, const chip_mac_table_req_s &req)
{
    if (req.buffer == 0) {
        return kBadValue;
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the request carries the address of the library's buffer
    auto *table = reinterpret_cast<chip_mac_table_s *>(req.buffer);
    uint32_t n = 0;
    for (const auto &[key, mask] : c.t.staticMacs) {
        table->entry[n++] = entryOf(true, key.anyVlan != 0, key.vlan, kReportedKind, mask, key.mac);
    }
    for (const auto &[key, e] : c.t.learntMacs) {
        table->entry[n++] = entryOf(false, e.noVlan, e.vlan, e.kind, e.mask, e.mac);
    }
    table->count = n;
    return 0;
}

// ---- MAC filter ---------------------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::MAC_ADD_FILTER> /*cmd*/, const chip_mac_filter_s &req)
{
    return c.t.macFilters.insert({keyOf(req.port), macOf(req.mac)}).second ? 0 : kExists;
}

uint32_t on(Context &c, Tag<Cmd::MAC_DEL_FILTER> /*cmd*/, const chip_mac_filter_s &req)
{
    return removeEntry(c.t.macFilters, MacFilterKey{keyOf(req.port), macOf(req.mac)});
}

uint32_t on(Context &c, Tag<Cmd::MAC_SET_FILTER_MODE> /*cmd*/, const chip_mac_filter_mode_s &req)
{
    if (req.mode > kLastFilterMode) {
        return kBadValue;
    }
    c.t.macFilterModes[keyOf(req.port)] = req.mode;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::MAC_GET_FILTER_MODE> /*cmd*/, const chip_port_s &req, chip_mac_filter_mode_s &reply)
{
    const auto it = c.t.macFilterModes.find(keyOf(req));
    reply.port = req;
    reply.mode = it != c.t.macFilterModes.end() ? it->second : 0;
    return 0;
}

}  // namespace halsim::drv
