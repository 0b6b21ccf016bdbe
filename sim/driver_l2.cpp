// The simulated driver's layer-2 tables: service flows, isolation, PVID,
// broadcast entries, TCI counters, DSCP tables, bridge ports and the rate
// limits of flooded traffic.
#include <cstring>

#include "driver_rules.h"

namespace halsim::drv {

namespace {

constexpr uint32_t kLastDirection = 2;  // up, down, both
constexpr uint32_t kVlanCount = 4096;

TciKey tciKey(const chip_tci_stats_s &req) { return {keyOf(req.port), req.vlan, req.pri}; }

uint32_t setLimit(Context &c, LimitClass cls, const chip_car_s &req)
{
    c.t.limits[{cls, keyOf(req.in.port)}] = req;
    return 0;
}

}  // namespace

// ---- Service flows ------------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::L2_ADD_FLOW> /*cmd*/, const chip_flow_s &req)
{
    if (req.body.direction > kLastDirection) {
        return kBadValue;
    }
    return addEntry(c.t.l2Flows, req.flow_id, req.body);
}

uint32_t on(Context &c, Tag<Cmd::L2_DEL_FLOW> /*cmd*/, const Word &req) { return removeEntry(c.t.l2Flows, req.value); }

// ---- Isolation, PVID, broadcast entries ---------------------------------------------

uint32_t on(Context &c, Tag<Cmd::L2_SET_PORT_ISOLATE> /*cmd*/, const chip_port_isolate_s &req)
{
    if (!isSwitch(req.isolate)) {
        return kBadValue;
    }
    c.t.portIsolation[keyOf(req.port)] = req.isolate;
    return 0;
}

// The switch word reads the other way round: 1 turns isolation off.
uint32_t on(Context &c, Tag<Cmd::L2_SET_ISOLATE_ENABLE> /*cmd*/, const Word &req)
{
    if (!isSwitch(req.value)) {
        return kBadValue;
    }
    c.t.isolation = req.value == 0;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::L2_SET_PVID> /*cmd*/, const Word &req)
{
    if (req.value >= kVlanCount) {
        return kBadValue;
    }
    c.t.pvid = req.value;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::L2_ADD_BC_TABLE> /*cmd*/, const chip_bc_table_s &req)
{
    return c.t.bcEntries.emplace(req.second, req.third).second ? 0 : kExists;
}

uint32_t on(Context &c, Tag<Cmd::L2_DEL_BC_TABLE> /*cmd*/, const chip_bc_table_s &req)
{
    return removeEntry(c.t.bcEntries, std::pair(req.second, req.third));
}

// ---- TCI counters -----------------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::L2_ADD_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req)
{
    return addEntry(c.t.tciCounters, tciKey(req), TciCounters{});
}

uint32_t on(Context &c, Tag<Cmd::L2_DEL_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req)
{
    return removeEntry(c.t.tciCounters, tciKey(req));
}

uint32_t on(Context &c, Tag<Cmd::L2_CLR_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req)
{
    auto it = c.t.tciCounters.find(tciKey(req));
    if (it == c.t.tciCounters.end()) {
        return kNotFound;
    }
    it->second = TciCounters{};
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::L2_GET_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req, chip_tci_stats_s &reply)
{
    auto it = c.t.tciCounters.find(tciKey(req));
    if (it == c.t.tciCounters.end()) {
        return kNotFound;
    }
    reply = req;
    reply.rcv_frame = it->second.rcvFrames;
    reply.rcv_pkt_octs = it->second.rcvOctets;
    reply.send_frame = it->second.sendFrames;
    reply.send_pkt_octs = it->second.sendOctets;
    return 0;
}

// ---- DSCP tables, bridge ports --------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::L2_ADD_DSCP_TBL> /*cmd*/, const chip_dscp_tbl_s &req)
{
    std::array<uint8_t, sizeof(req.entry)> entries{};
    std::memcpy(entries.data(), req.entry, entries.size());
    return addEntry(c.t.dscpTables, req.table_id, entries);
}

uint32_t on(Context &c, Tag<Cmd::L2_DEL_DSCP_TBL> /*cmd*/, const Word &req)
{
    return removeEntry(c.t.dscpTables, req.value);
}

uint32_t on(Context &c, Tag<Cmd::L2_ADD_BRIDGE_PORT> /*cmd*/, const chip_bridge_port_s &req)
{
    return addEntry(c.t.bridgePorts, BridgePortKey{req.bridge_id, keyOf(req.port)}, req.value);
}

uint32_t on(Context &c, Tag<Cmd::L2_DEL_BRIDGE_PORT> /*cmd*/, const chip_bridge_port_s &req)
{
    return removeEntry(c.t.bridgePorts, BridgePortKey{req.bridge_id, keyOf(req.port)});
}

// ---- Rate limits: the last one set for a port and class stands --------------------------------

uint32_t on(Context &c, Tag<Cmd::L2_SET_BC_LIMIT> /*cmd*/, const chip_car_s &req)
{
    return setLimit(c, LimitClass::Broadcast, req);
}

uint32_t on(Context &c, Tag<Cmd::L2_SET_UMC_LIMIT> /*cmd*/, const chip_car_s &req)
{
    return setLimit(c, LimitClass::UnknownMulticast, req);
}

uint32_t on(Context &c, Tag<Cmd::L2_SET_UUC_LIMIT> /*cmd*/, const chip_car_s &req)
{
    return setLimit(c, LimitClass::UnknownUnicast, req);
}

uint32_t on(Context &c, Tag<Cmd::L2_SET_USER_BC_LIMIT> /*cmd*/, const chip_car_s &req)
{
    return setLimit(c, LimitClass::UserBroadcast, req);
}

}  // namespace halsim::drv
