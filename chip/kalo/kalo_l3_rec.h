// Request and reply records of the layer-3 HLP commands (group 0x2002d000),
// as the kernel forwarding driver reads and writes them: native byte order,
// every byte not named here is 0.
#ifndef CHIP_KALO_KALO_L3_REC_H
#define CHIP_KALO_KALO_L3_REC_H

#include <cstddef>
#include <cstdint>

// ---- WAN statistics --------------------------------------------------------

// Request of the four per-VLAN counter commands (create, remove, clear, read).
struct chip_wan_stats_req_s {
    uint32_t port_type;  // +0
    uint32_t vlan;       // +4 VLAN 0 goes as 4096
    uint8_t rsv8[88];
};
static_assert(sizeof(chip_wan_stats_req_s) == 96);
static_assert(offsetof(chip_wan_stats_req_s, port_type) == 0);
static_assert(offsetof(chip_wan_stats_req_s, vlan) == 4);

// Reply of the counter read. The words between the counters are the
// driver's own and are not read.
struct chip_wan_stats_rpl_s {
    uint32_t rsv0[5];
    uint32_t rcv_uc_pkts;  // +20
    uint32_t rsv24;
    uint32_t rcv_mc_pkts;  // +28
    uint32_t rsv32;
    uint32_t rcv_bc_pkts;  // +36
    uint32_t rsv40;
    uint32_t rcv_pkts;        // +44
    uint32_t rcv_bytes_high;  // +48
    uint32_t rcv_bytes_low;   // +52
    uint32_t rsv56;
    uint32_t snd_uc_pkts;  // +60
    uint32_t rsv64;
    uint32_t snd_mc_pkts;  // +68
    uint32_t rsv72;
    uint32_t snd_bc_pkts;  // +76
    uint32_t rsv80;
    uint32_t snd_pkts;        // +84
    uint32_t snd_bytes_high;  // +88
    uint32_t snd_bytes_low;   // +92
};
static_assert(sizeof(chip_wan_stats_rpl_s) == 96);
static_assert(offsetof(chip_wan_stats_rpl_s, rcv_uc_pkts) == 20);
static_assert(offsetof(chip_wan_stats_rpl_s, rcv_mc_pkts) == 28);
static_assert(offsetof(chip_wan_stats_rpl_s, rcv_bc_pkts) == 36);
static_assert(offsetof(chip_wan_stats_rpl_s, rcv_pkts) == 44);
static_assert(offsetof(chip_wan_stats_rpl_s, rcv_bytes_high) == 48);
static_assert(offsetof(chip_wan_stats_rpl_s, rcv_bytes_low) == 52);
static_assert(offsetof(chip_wan_stats_rpl_s, snd_uc_pkts) == 60);
static_assert(offsetof(chip_wan_stats_rpl_s, snd_mc_pkts) == 68);
static_assert(offsetof(chip_wan_stats_rpl_s, snd_bc_pkts) == 76);
static_assert(offsetof(chip_wan_stats_rpl_s, snd_pkts) == 84);
static_assert(offsetof(chip_wan_stats_rpl_s, snd_bytes_high) == 88);
static_assert(offsetof(chip_wan_stats_rpl_s, snd_bytes_low) == 92);

// ---- Addresses ---------------------------------------------------------------

// Address with its mask, as the prefix, NAPT indication and policy route
// records carry it.
struct chip_ip_addr_s {
    uint32_t ip_ver;  // +0 1 IPv4, 2 IPv6
    uint32_t ip[4];   // +4 IPv4 uses ip[0] only
    uint16_t rsv20;   // +20
    uint16_t mask;    // +22 number of host bits
};
static_assert(sizeof(chip_ip_addr_s) == 24);
static_assert(offsetof(chip_ip_addr_s, ip) == 4);
static_assert(offsetof(chip_ip_addr_s, rsv20) == 20);
static_assert(offsetof(chip_ip_addr_s, mask) == 22);

constexpr uint32_t kChipIpVerV4 = 1;
constexpr uint32_t kChipIpVerV6 = 2;

// ---- L3 interfaces and prefixes ----------------------------------------------

// Request of the L3 interface add.
struct chip_l3_if_s {
    uint32_t if_index;     // +0
    uint32_t ipv4_flag;    // +4
    uint32_t ipv6_flag;    // +8
    uint32_t rsv12;        // +12
    uint32_t match_kind;   // +16 2 by MAC, 1 by MAC and VLAN, 0 none
    uint32_t rsv20;        // +20
    uint32_t ip_ver_code;  // +24
    uint8_t mac[6];        // +28
    uint8_t rsv34[10];     // +34
    uint32_t vlan;         // +44
    uint32_t vlan_valid;   // +48
    uint32_t if_attr;      // +52
    uint8_t rsv56[16];     // +56
    uint32_t out_vlan;     // +72
    uint32_t out_mode;     // +76 always 2 for VLAN interfaces
    uint32_t out_if_attr;  // +80
    uint32_t pri_mode;     // +84 0, 2, 6 or 8
    uint32_t pri;          // +88
    uint32_t second_pri;   // +92
    uint32_t attr76;       // +96
    uint32_t attr88;       // +100
};
static_assert(sizeof(chip_l3_if_s) == 104);
static_assert(offsetof(chip_l3_if_s, ipv4_flag) == 4);
static_assert(offsetof(chip_l3_if_s, ipv6_flag) == 8);
static_assert(offsetof(chip_l3_if_s, match_kind) == 16);
static_assert(offsetof(chip_l3_if_s, ip_ver_code) == 24);
static_assert(offsetof(chip_l3_if_s, mac) == 28);
static_assert(offsetof(chip_l3_if_s, vlan) == 44);
static_assert(offsetof(chip_l3_if_s, vlan_valid) == 48);
static_assert(offsetof(chip_l3_if_s, if_attr) == 52);
static_assert(offsetof(chip_l3_if_s, out_vlan) == 72);
static_assert(offsetof(chip_l3_if_s, out_mode) == 76);
static_assert(offsetof(chip_l3_if_s, out_if_attr) == 80);
static_assert(offsetof(chip_l3_if_s, pri_mode) == 84);
static_assert(offsetof(chip_l3_if_s, pri) == 88);
static_assert(offsetof(chip_l3_if_s, second_pri) == 92);
static_assert(offsetof(chip_l3_if_s, attr76) == 96);
static_assert(offsetof(chip_l3_if_s, attr88) == 100);

// Request of the prefix add and delete: address words byte-reversed.
struct chip_prefix_s {
    uint32_t if_index;    // +0
    chip_ip_addr_s addr;  // +4
};
static_assert(sizeof(chip_prefix_s) == 28);
static_assert(offsetof(chip_prefix_s, addr) == 4);

// Request of the MTU set.
struct chip_l3_if_mtu_s {
    uint32_t if_index;  // +0
    uint32_t mtu;       // +4
};
static_assert(sizeof(chip_l3_if_mtu_s) == 8);
static_assert(offsetof(chip_l3_if_mtu_s, mtu) == 4);

// ---- Policy routes and NAPT indications --------------------------------------

// Chip route record: what a policy route matches and where it sends.
struct chip_route_s {
    uint32_t route_param;   // +0 host record offset 8, unchanged
    uint32_t ingress_type;  // +4 4 when ingress ports are named, else 0
    uint32_t ingress_mask;  // +8 bit n = chip port n
    uint32_t family;        // +12 4 or 5, 0 for an unknown family
    uint32_t tag_num_mode;  // +16
    uint32_t tag_num;       // +20
    uint32_t svlan_mode;    // +24
    uint32_t svlan;         // +28
    uint32_t sip_mode;      // +32
    chip_ip_addr_s sip;     // +36 sip_ver, sip and its mask
    uint32_t act;           // +60
    uint32_t table_id;      // +64
};
static_assert(sizeof(chip_route_s) == 68);
static_assert(offsetof(chip_route_s, ingress_type) == 4);
static_assert(offsetof(chip_route_s, ingress_mask) == 8);
static_assert(offsetof(chip_route_s, family) == 12);
static_assert(offsetof(chip_route_s, tag_num_mode) == 16);
static_assert(offsetof(chip_route_s, tag_num) == 20);
static_assert(offsetof(chip_route_s, svlan_mode) == 24);
static_assert(offsetof(chip_route_s, svlan) == 28);
static_assert(offsetof(chip_route_s, sip_mode) == 32);
static_assert(offsetof(chip_route_s, sip) == 36);
static_assert(offsetof(chip_route_s, act) == 60);
static_assert(offsetof(chip_route_s, table_id) == 64);

// Request of the policy route add: the rule id, then the route record.
struct chip_route_req_s {
    uint32_t route_id;   // +0
    chip_route_s route;  // +4
};
static_assert(sizeof(chip_route_req_s) == 72);
static_assert(offsetof(chip_route_req_s, route) == 4);
static_assert(offsetof(chip_route_req_s, route) + offsetof(chip_route_s, ingress_type) == 8);
static_assert(offsetof(chip_route_req_s, route) + offsetof(chip_route_s, family) == 16);
static_assert(offsetof(chip_route_req_s, route) + offsetof(chip_route_s, sip) == 40);
static_assert(offsetof(chip_route_req_s, route) + offsetof(chip_route_s, act) == 64);
static_assert(offsetof(chip_route_req_s, route) + offsetof(chip_route_s, table_id) == 68);

// Request of the NAPT indication add and delete.
struct chip_napt_ind_s {
    uint32_t rule_id;     // +0
    uint32_t table_id;    // +4
    uint32_t l3_if_mode;  // +8
    uint32_t l3_if_id;    // +12
    chip_ip_addr_s dip;   // +16
    uint32_t session;     // +40
};
static_assert(sizeof(chip_napt_ind_s) == 44);
static_assert(offsetof(chip_napt_ind_s, table_id) == 4);
static_assert(offsetof(chip_napt_ind_s, l3_if_mode) == 8);
static_assert(offsetof(chip_napt_ind_s, l3_if_id) == 12);
static_assert(offsetof(chip_napt_ind_s, dip) == 16);
static_assert(offsetof(chip_napt_ind_s, session) == 40);

#endif
