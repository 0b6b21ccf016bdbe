// Request and reply records of the multicast HLP commands (group
// 0x20026000), as the kernel forwarding driver reads and writes them.
#ifndef CHIP_KALO_KALO_BTV_REC_H
#define CHIP_KALO_KALO_BTV_REC_H

#include <cstddef>
#include <cstdint>

// Add program (0x20026002).
struct btv_program_req_s {
    uint32_t group_id;
    uint32_t untagged;  // 1 when the program arrives without a multicast VLAN
    uint32_t vlan;      // the multicast VLAN as received, 0 when untagged
    uint8_t mac[6];
    uint8_t rsv18[2];
};
static_assert(offsetof(btv_program_req_s, group_id) == 0);
static_assert(offsetof(btv_program_req_s, untagged) == 4);
static_assert(offsetof(btv_program_req_s, vlan) == 8);
static_assert(offsetof(btv_program_req_s, mac) == 12);
static_assert(offsetof(btv_program_req_s, rsv18) == 18);
static_assert(sizeof(btv_program_req_s) == 20);

// Add (0x20026000) and remove (0x20026001) a program user.
struct btv_user_req_s {
    uint32_t group_id;
    uint32_t flow_id;
};
static_assert(offsetof(btv_user_req_s, group_id) == 0);
static_assert(offsetof(btv_user_req_s, flow_id) == 4);
static_assert(sizeof(btv_user_req_s) == 8);

// Switch the counters of a group on or off (0x20026005).
struct btv_stats_set_req_s {
    uint32_t group_id;
    uint32_t enable;  // 1 on, 0 off
};
static_assert(offsetof(btv_stats_set_req_s, group_id) == 0);
static_assert(offsetof(btv_stats_set_req_s, enable) == 4);
static_assert(sizeof(btv_stats_set_req_s) == 8);

// Switch the counters of a program user on or off (0x2002600b).
struct btv_user_stats_set_req_s {
    uint32_t group_id;
    uint32_t flow_id;
    uint32_t enable;  // 1 on, 0 off
};
static_assert(offsetof(btv_user_stats_set_req_s, group_id) == 0);
static_assert(offsetof(btv_user_stats_set_req_s, flow_id) == 4);
static_assert(offsetof(btv_user_stats_set_req_s, enable) == 8);
static_assert(sizeof(btv_user_stats_set_req_s) == 12);

// Clear (0x2002600c) or read (0x2002600d) the counters of a program user.
struct btv_user_stats_req_s {
    uint32_t group_id;
    uint32_t flow_id;
};
static_assert(offsetof(btv_user_stats_req_s, group_id) == 0);
static_assert(offsetof(btv_user_stats_req_s, flow_id) == 4);
static_assert(sizeof(btv_user_stats_req_s) == 8);

// Counters of a group (0x20026007) or of a program user (0x2002600d).
struct btv_stats_reply_s {
    uint32_t rcv_frame;
    uint32_t rsv4;
    uint32_t rcv_octets_low;
    uint32_t rcv_octets_high;
};
static_assert(offsetof(btv_stats_reply_s, rcv_frame) == 0);
static_assert(offsetof(btv_stats_reply_s, rcv_octets_low) == 8);
static_assert(offsetof(btv_stats_reply_s, rcv_octets_high) == 12);
static_assert(sizeof(btv_stats_reply_s) == 16);

// Set (0x20026008) or remove (0x20026009) the EM statistics rule: the
// stream is matched on source address (when given), destination address
// and VLAN (when one is given).
struct btv_em_rule_req_s {
    uint8_t rsv0[16];
    uint32_t key_type;     // always 7
    uint32_t sip_valid;    // 1 when a source address is given
    uint32_t sip_version;  // 1: IPv4
    uint32_t sip;
    uint8_t rsv32[16];
    uint32_t dip_valid;    // always 1
    uint32_t dip_version;  // 1: IPv4
    uint32_t dip;
    uint8_t rsv60[16];
    uint32_t mask_valid;  // always 1
    uint32_t mask;        // always all ones
    uint32_t vlan_valid;  // 1 when the VLAN is 4096 or less
    uint32_t vlan;
    uint8_t rsv92[8];
};
static_assert(offsetof(btv_em_rule_req_s, key_type) == 16);
static_assert(offsetof(btv_em_rule_req_s, sip_valid) == 20);
static_assert(offsetof(btv_em_rule_req_s, sip_version) == 24);
static_assert(offsetof(btv_em_rule_req_s, sip) == 28);
static_assert(offsetof(btv_em_rule_req_s, rsv32) == 32);
static_assert(offsetof(btv_em_rule_req_s, dip_valid) == 48);
static_assert(offsetof(btv_em_rule_req_s, dip_version) == 52);
static_assert(offsetof(btv_em_rule_req_s, dip) == 56);
static_assert(offsetof(btv_em_rule_req_s, rsv60) == 60);
static_assert(offsetof(btv_em_rule_req_s, mask_valid) == 76);
static_assert(offsetof(btv_em_rule_req_s, mask) == 80);
static_assert(offsetof(btv_em_rule_req_s, vlan_valid) == 84);
static_assert(offsetof(btv_em_rule_req_s, vlan) == 88);
static_assert(offsetof(btv_em_rule_req_s, rsv92) == 92);
static_assert(sizeof(btv_em_rule_req_s) == 100);

// Counters of the EM statistics rule (0x2002600a).
struct btv_em_stats_reply_s {
    uint32_t rsv0;
    uint32_t rsv4;
    uint32_t bytes_low;
    uint32_t bytes_high;
    uint8_t rsv16[16];
};
static_assert(offsetof(btv_em_stats_reply_s, bytes_low) == 8);
static_assert(offsetof(btv_em_stats_reply_s, bytes_high) == 12);
static_assert(sizeof(btv_em_stats_reply_s) == 32);

#endif
