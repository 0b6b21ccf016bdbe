// Request and reply records of the layer-3 HLP commands (group 0x2002d000),
// as the kernel forwarding driver reads and writes them: native byte order,
// every byte not named here is 0.
#ifndef CHIP_KALO_KALO_L3_REC_H
#define CHIP_KALO_KALO_L3_REC_H

#include <cstddef>
#include <cstdint>

#include "chip/kalo/kalo_codes.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_record.h"

// ---- WAN statistics --------------------------------------------------------

// Request of the four per-VLAN counter commands (create, remove, clear, read).
struct chip_wan_stats_req_s {
    uint32_t port_type;
    uint32_t vlan;  // VLAN 0 goes as 4096
    uint8_t rsv8[88];
};
HAL_RECORD(chip_wan_stats_req_s, 96, HAL_AT(port_type, 0), HAL_AT(vlan, 4), HAL_AT(rsv8, 8));

// Reply of the counter read. The words between the counters are the
// driver's own and are not read.
struct chip_wan_stats_rpl_s {
    uint32_t rsv0[5];
    uint32_t rcv_uc_pkts;
    uint32_t rsv24;
    uint32_t rcv_mc_pkts;
    uint32_t rsv32;
    uint32_t rcv_bc_pkts;
    uint32_t rsv40;
    uint32_t rcv_pkts;
    uint32_t rcv_bytes_high;
    uint32_t rcv_bytes_low;
    uint32_t rsv56;
    uint32_t snd_uc_pkts;
    uint32_t rsv64;
    uint32_t snd_mc_pkts;
    uint32_t rsv72;
    uint32_t snd_bc_pkts;
    uint32_t rsv80;
    uint32_t snd_pkts;
    uint32_t snd_bytes_high;
    uint32_t snd_bytes_low;
};
HAL_RECORD(chip_wan_stats_rpl_s, 96, HAL_AT(rcv_uc_pkts, 20), HAL_AT(rcv_mc_pkts, 28), HAL_AT(rcv_bc_pkts, 36),
           HAL_AT(rcv_pkts, 44), HAL_AT(rcv_bytes_high, 48), HAL_AT(rcv_bytes_low, 52), HAL_AT(snd_uc_pkts, 60),
           HAL_AT(snd_mc_pkts, 68), HAL_AT(snd_bc_pkts, 76), HAL_AT(snd_pkts, 84), HAL_AT(snd_bytes_high, 88),
           HAL_AT(snd_bytes_low, 92));
HAL_HLP_COMMAND(L3_ADD_WAN_STATS, chip_wan_stats_req_s, chip_wan_stats_rpl_s, "create WAN counter");
HAL_HLP_COMMAND(L3_DEL_WAN_STATS, chip_wan_stats_req_s, chip_wan_stats_rpl_s, "remove WAN counter");
HAL_HLP_COMMAND(L3_CLR_WAN_STATS, chip_wan_stats_req_s, chip_wan_stats_rpl_s, "clear WAN counter");
HAL_HLP_COMMAND(L3_GET_WAN_STATS, chip_wan_stats_req_s, chip_wan_stats_rpl_s, "read WAN counter");

// ---- Addresses ---------------------------------------------------------------

// Address with its mask, as the prefix, NAPT indication and policy route
// records carry it.
struct chip_ip_addr_s {
    uint32_t ip_ver;  // 1 IPv4, 2 IPv6
    uint32_t ip[4];   // IPv4 uses ip[0] only
    uint16_t rsv20;
    uint16_t mask;  // number of host bits
};
HAL_RECORD(chip_ip_addr_s, 24, HAL_CODE(ip_ver, 0, kalo::kIpVerNames), HAL_AT(ip, 4), HAL_AT(rsv20, 20),
           HAL_AT(mask, 22));

// ---- L3 interfaces and prefixes ----------------------------------------------

// Request of the L3 interface add.
struct chip_l3_if_s {
    uint32_t if_index;
    uint32_t ipv4_flag;
    uint32_t ipv6_flag;
    uint32_t rsv12;
    uint32_t match_kind;  // 2 by MAC, 1 by MAC and VLAN, 0 none
    uint32_t rsv20;
    uint32_t ip_ver_code;
    uint8_t mac[6];
    uint8_t rsv34[10];
    uint32_t vlan;
    uint32_t vlan_valid;
    uint32_t if_attr;
    uint8_t rsv56[16];
    uint32_t out_vlan;
    uint32_t out_mode;  // always 2 for VLAN interfaces
    uint32_t out_if_attr;
    uint32_t pri_mode;  // 0, 2, 6 or 8
    uint32_t pri;
    uint32_t second_pri;
    uint32_t attr76;
    uint32_t attr88;
};
HAL_RECORD(chip_l3_if_s, 104, HAL_AT(if_index, 0), HAL_AT(ipv4_flag, 4), HAL_AT(ipv6_flag, 8), HAL_AT(rsv12, 12),
           HAL_CODE(match_kind, 16, kalo::kL3MatchNames), HAL_AT(rsv20, 20), HAL_AT(ip_ver_code, 24), HAL_AT(mac, 28),
           HAL_AT(rsv34, 34), HAL_AT(vlan, 44), HAL_AT(vlan_valid, 48), HAL_AT(if_attr, 52), HAL_AT(rsv56, 56),
           HAL_AT(out_vlan, 72), HAL_AT(out_mode, 76), HAL_AT(out_if_attr, 80),
           HAL_CODE(pri_mode, 84, kalo::kL3PriModeNames), HAL_AT(pri, 88), HAL_AT(second_pri, 92), HAL_AT(attr76, 96),
           HAL_AT(attr88, 100));
HAL_HLP_COMMAND(L3_ADD_IF, chip_l3_if_s, hal::hlp::NoReply, "add L3 interface");
HAL_HLP_COMMAND(L3_DEL_IF, hal::hlp::Word, hal::hlp::NoReply, "remove L3 interface");

// Request of the prefix add and delete: address words byte-reversed.
struct chip_prefix_s {
    uint32_t if_index;
    chip_ip_addr_s addr;
};
HAL_RECORD(chip_prefix_s, 28, HAL_AT(if_index, 0), HAL_SUB(addr, 4));
HAL_HLP_COMMAND(L3_ADD_PREFIX, chip_prefix_s, hal::hlp::NoReply, "add prefix");
HAL_HLP_COMMAND(L3_DEL_PREFIX, chip_prefix_s, hal::hlp::NoReply, "remove prefix");

// Request of the MTU set.
struct chip_l3_if_mtu_s {
    uint32_t if_index;
    uint32_t mtu;
};
HAL_RECORD(chip_l3_if_mtu_s, 8, HAL_AT(if_index, 0), HAL_AT(mtu, 4));
HAL_HLP_COMMAND(L3_SET_IF_MTU, chip_l3_if_mtu_s, hal::hlp::NoReply, "set MTU");

// ---- Policy routes and NAPT indications --------------------------------------

// Chip route record: what a policy route matches and where it sends.
struct chip_route_s {
    uint32_t route_param;   // host record offset 8, unchanged
    uint32_t ingress_type;  // 4 when ingress ports are named, else 0
    uint32_t ingress_mask;  // bit n = chip port n
    uint32_t family;        // 4 or 5, 0 for an unknown family
    uint32_t tag_num_mode;
    uint32_t tag_num;
    uint32_t svlan_mode;
    uint32_t svlan;
    uint32_t sip_mode;
    chip_ip_addr_s sip;  // sip_ver, sip and its mask
    uint32_t act;
    uint32_t table_id;
};
HAL_RECORD(chip_route_s, 68, HAL_AT(route_param, 0), HAL_AT(ingress_type, 4), HAL_AT(ingress_mask, 8),
           HAL_AT(family, 12), HAL_AT(tag_num_mode, 16), HAL_AT(tag_num, 20), HAL_AT(svlan_mode, 24), HAL_AT(svlan, 28),
           HAL_AT(sip_mode, 32), HAL_SUB(sip, 36), HAL_AT(act, 60), HAL_AT(table_id, 64));

// Request of the policy route add: the rule id, then the route record.
struct chip_route_req_s {
    uint32_t route_id;
    chip_route_s route;
};
HAL_RECORD(chip_route_req_s, 72, HAL_AT(route_id, 0), HAL_SUB(route, 4));
HAL_HLP_COMMAND(L3_ADD_POLICY_ROUTE, chip_route_req_s, hal::hlp::NoReply, "add policy route");
HAL_HLP_COMMAND(L3_DEL_POLICY_ROUTE, hal::hlp::Word, hal::hlp::NoReply, "remove policy route");

// Request of the NAPT indication add and delete.
struct chip_napt_ind_s {
    uint32_t rule_id;
    uint32_t table_id;
    uint32_t l3_if_mode;
    uint32_t l3_if_id;
    chip_ip_addr_s dip;
    uint32_t session;
};
HAL_RECORD(chip_napt_ind_s, 44, HAL_AT(rule_id, 0), HAL_AT(table_id, 4), HAL_AT(l3_if_mode, 8), HAL_AT(l3_if_id, 12),
           HAL_SUB(dip, 16), HAL_AT(session, 40));
HAL_HLP_COMMAND(L3_ADD_NAPT_IND, chip_napt_ind_s, hal::hlp::NoReply, "add NAPT indication");
HAL_HLP_COMMAND(L3_DEL_NAPT_IND, chip_napt_ind_s, hal::hlp::NoReply, "remove NAPT indication");

#endif
