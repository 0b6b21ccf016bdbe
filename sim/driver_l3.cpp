// The simulated driver's layer-3 tables: interfaces with their MTU and
// prefixes, policy routes, NAPT indications and the per-VLAN WAN counters.
#include <cstring>

#include "driver_rules.h"

namespace halsim::drv {

namespace {

constexpr uint32_t kIpV4 = 1;
constexpr uint32_t kIpV6 = 2;
constexpr uint32_t kUntaggedWan = 4096;  // the driver's VLAN of the untagged WAN

PrefixKey prefixKey(const chip_prefix_s &req)
{
    PrefixKey k{req.if_index, req.addr.ip_ver, {}, req.addr.mask};
    std::memcpy(k.ip.data(), req.addr.ip, sizeof(req.addr.ip));
    return k;
}

bool sameAddress(const chip_ip_addr_s &a, const chip_ip_addr_s &b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

void split(uint64_t octets, uint32_t &high, uint32_t &low)
{
    high = static_cast<uint32_t>(octets >> 32);
    low = static_cast<uint32_t>(octets);
}

chip_wan_stats_rpl_s replyOf(const WanCounters &n)
{
    chip_wan_stats_rpl_s r{};
    r.rcv_uc_pkts = n.rcvUnicast;
    r.rcv_mc_pkts = n.rcvMulticast;
    r.rcv_bc_pkts = n.rcvBroadcast;
    r.rcv_pkts = n.rcvPackets;
    split(n.rcvOctets, r.rcv_bytes_high, r.rcv_bytes_low);
    r.snd_uc_pkts = n.sendUnicast;
    r.snd_mc_pkts = n.sendMulticast;
    r.snd_bc_pkts = n.sendBroadcast;
    r.snd_pkts = n.sendPackets;
    split(n.sendOctets, r.snd_bytes_high, r.snd_bytes_low);
    return r;
}

WanKey wanKey(const chip_wan_stats_req_s &req) { return {req.port_type, req.vlan}; }

}  // namespace

// ---- Interfaces and prefixes: an interface goes only once its prefixes are gone ----------

uint32_t on(Context &c, Tag<Cmd::L3_ADD_IF> /*cmd*/, const chip_l3_if_s &req)
{
    return addEntry(c.t.interfaces, req.if_index, L3Interface{req, {}});
}

uint32_t on(Context &c, Tag<Cmd::L3_DEL_IF> /*cmd*/, const Word &req)
{
    const auto prefix = c.t.prefixes.lower_bound(PrefixKey{req.value, 0, {}, 0});
    if (prefix != c.t.prefixes.end() && prefix->ifIndex == req.value) {
        return kInUse;
    }
    return removeEntry(c.t.interfaces, req.value);
}

uint32_t on(Context &c, Tag<Cmd::L3_SET_IF_MTU> /*cmd*/, const chip_l3_if_mtu_s &req)
{
    auto it = c.t.interfaces.find(req.if_index);
    if (it == c.t.interfaces.end()) {
        return kNotFound;
    }
    it->second.mtu = req.mtu;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::L3_ADD_PREFIX> /*cmd*/, const chip_prefix_s &req)
{
    if (req.addr.ip_ver != kIpV4 && req.addr.ip_ver != kIpV6) {
        return kBadValue;
    }
    if (c.t.interfaces.count(req.if_index) == 0) {
        return kNotFound;
    }
    return c.t.prefixes.insert(prefixKey(req)).second ? 0 : kExists;
}

uint32_t on(Context &c, Tag<Cmd::L3_DEL_PREFIX> /*cmd*/, const chip_prefix_s &req)
{
    return removeEntry(c.t.prefixes, prefixKey(req));
}

// ---- Policy routes and NAPT indications --------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::L3_ADD_POLICY_ROUTE> /*cmd*/, const chip_route_req_s &req)
{
    return addEntry(c.t.policyRoutes, req.route_id, req.route);
}

uint32_t on(Context &c, Tag<Cmd::L3_DEL_POLICY_ROUTE> /*cmd*/, const Word &req)
{
    return removeEntry(c.t.policyRoutes, req.value);
}

uint32_t on(Context &c, Tag<Cmd::L3_ADD_NAPT_IND> /*cmd*/, const chip_napt_ind_s &req)
{
    return addEntry(c.t.naptIndications, req.rule_id, req);
}

// The removal names the rule and its destination prefix; both must match.
uint32_t on(Context &c, Tag<Cmd::L3_DEL_NAPT_IND> /*cmd*/, const chip_napt_ind_s &req)
{
    auto it = c.t.naptIndications.find(req.rule_id);
    if (it == c.t.naptIndications.end() || !sameAddress(it->second.dip, req.dip)) {
        return kNotFound;
    }
    c.t.naptIndications.erase(it);
    return 0;
}

// ---- WAN counters: every reply carries the counter as it stands after the command ----------

uint32_t on(Context &c, Tag<Cmd::L3_ADD_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply)
{
    if (req.vlan == 0 || req.vlan > kUntaggedWan) {
        return kBadValue;
    }
    reply = replyOf(WanCounters{});
    return addEntry(c.t.wanCounters, wanKey(req), WanCounters{});
}

uint32_t on(Context &c, Tag<Cmd::L3_DEL_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply)
{
    auto it = c.t.wanCounters.find(wanKey(req));
    if (it == c.t.wanCounters.end()) {
        return kNotFound;
    }
    reply = replyOf(it->second);
    c.t.wanCounters.erase(it);
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::L3_CLR_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply)
{
    auto it = c.t.wanCounters.find(wanKey(req));
    if (it == c.t.wanCounters.end()) {
        return kNotFound;
    }
    it->second = WanCounters{};
    reply = replyOf(it->second);
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::L3_GET_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply)
{
    auto it = c.t.wanCounters.find(wanKey(req));
    if (it == c.t.wanCounters.end()) {
        return kNotFound;
    }
    reply = replyOf(it->second);
    return 0;
}

}  // namespace halsim::drv
