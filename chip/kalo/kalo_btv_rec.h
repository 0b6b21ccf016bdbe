// Request and reply records of the multicast HLP commands (group
// 0x20026000), as the kernel forwarding driver reads and writes them.
#ifndef CHIP_KALO_KALO_BTV_REC_H
#define CHIP_KALO_KALO_BTV_REC_H

#include <cstddef>
#include <cstdint>

#include "platform/hlp_cmd.h"
#include "platform/hlp_record.h"

// Add program (0x20026002).
struct btv_program_req_s {
    uint32_t group_id;
    uint32_t untagged;  // 1 when the program arrives without a multicast VLAN
    uint32_t vlan;      // the multicast VLAN as received, 0 when untagged
    uint8_t mac[6];
    uint8_t rsv18[2];
};
HAL_RECORD(btv_program_req_s, 20, HAL_AT(group_id, 0), HAL_AT(untagged, 4), HAL_AT(vlan, 8), HAL_AT(mac, 12),
           HAL_AT(rsv18, 18));
HAL_HLP_COMMAND(BTV_ADD_PROGRAM, btv_program_req_s, hal::hlp::NoReply, "add program");
HAL_HLP_COMMAND(BTV_DEL_PROGRAM, hal::hlp::Word, hal::hlp::NoReply, "delete program");
HAL_HLP_COMMAND(BTV_MATCH_MODE, hal::hlp::Word, hal::hlp::NoReply, "QX_KER_HLP_CMD_BTV_MATCH_MODE");

// Add (0x20026000) and remove (0x20026001) a program user.
struct btv_user_req_s {
    uint32_t group_id;
    uint32_t flow_id;
};
HAL_RECORD(btv_user_req_s, 8, HAL_AT(group_id, 0), HAL_AT(flow_id, 4));
HAL_HLP_COMMAND(BTV_ADD_USER, btv_user_req_s, hal::hlp::NoReply, "add user to program");
HAL_HLP_COMMAND(BTV_DEL_USER, btv_user_req_s, hal::hlp::NoReply, "remove user from program");

// Switch the counters of a group on or off (0x20026005).
struct btv_stats_set_req_s {
    uint32_t group_id;
    uint32_t enable;  // 1 on, 0 off
};
HAL_RECORD(btv_stats_set_req_s, 8, HAL_AT(group_id, 0), HAL_AT(enable, 4));
HAL_HLP_COMMAND(BTV_SET_STATS, btv_stats_set_req_s, hal::hlp::NoReply, "QX_KER_HLP_CMD_BTV_SET_STATS");
HAL_HLP_COMMAND(BTV_CLR_STATS, hal::hlp::Word, hal::hlp::NoReply, "QX_KER_HLP_CMD_BTV_CLR_STATS");

// Switch the counters of a program user on or off (0x2002600b).
struct btv_user_stats_set_req_s {
    uint32_t group_id;
    uint32_t flow_id;
    uint32_t enable;  // 1 on, 0 off
};
HAL_RECORD(btv_user_stats_set_req_s, 12, HAL_AT(group_id, 0), HAL_AT(flow_id, 4), HAL_AT(enable, 8));
HAL_HLP_COMMAND(BTVUSER_SET_STATS, btv_user_stats_set_req_s, hal::hlp::NoReply, "QX_KER_HLP_CMD_BTVUSER_SET_STATS");

// Clear (0x2002600c) or read (0x2002600d) the counters of a program user.
struct btv_user_stats_req_s {
    uint32_t group_id;
    uint32_t flow_id;
};
HAL_RECORD(btv_user_stats_req_s, 8, HAL_AT(group_id, 0), HAL_AT(flow_id, 4));
HAL_HLP_COMMAND(BTVUSER_CLR_STATS, btv_user_stats_req_s, hal::hlp::NoReply, "QX_KER_HLP_CMD_BTVUSER_CLR_STATS");

// Counters of a group (0x20026007) or of a program user (0x2002600d).
struct btv_stats_reply_s {
    uint32_t rcv_frame;
    uint32_t rsv4;
    uint32_t rcv_octets_low;
    uint32_t rcv_octets_high;
};
HAL_RECORD(btv_stats_reply_s, 16, HAL_AT(rcv_frame, 0), HAL_AT(rcv_octets_low, 8), HAL_AT(rcv_octets_high, 12));
HAL_HLP_COMMAND(BTV_GET_STATS, hal::hlp::Word, btv_stats_reply_s, "QX_KER_HLP_CMD_BTV_GET_STATS");
HAL_HLP_COMMAND(BTVUSER_GET_STATS, btv_user_stats_req_s, btv_stats_reply_s, "GET_STATS");

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
HAL_RECORD(btv_em_rule_req_s, 100, HAL_AT(rsv0, 0), HAL_AT(key_type, 16), HAL_AT(sip_valid, 20),
           HAL_AT(sip_version, 24), HAL_AT(sip, 28), HAL_AT(rsv32, 32), HAL_AT(dip_valid, 48), HAL_AT(dip_version, 52),
           HAL_AT(dip, 56), HAL_AT(rsv60, 60), HAL_AT(mask_valid, 76), HAL_AT(mask, 80), HAL_AT(vlan_valid, 84),
           HAL_AT(vlan, 88), HAL_AT(rsv92, 92));
HAL_HLP_COMMAND(BTV_SET_EM_RULE, btv_em_rule_req_s, hal::hlp::NoReply, "set EM rule");
HAL_HLP_COMMAND(BTV_DEL_EM_RULE, btv_em_rule_req_s, hal::hlp::NoReply, "remove EM rule");

// Counters of the EM statistics rule (0x2002600a).
struct btv_em_stats_reply_s {
    uint32_t rsv0;
    uint32_t rsv4;
    uint32_t bytes_low;
    uint32_t bytes_high;
    uint8_t rsv16[16];
};
HAL_RECORD(btv_em_stats_reply_s, 32, HAL_AT(bytes_low, 8), HAL_AT(bytes_high, 12));
HAL_HLP_COMMAND(BTV_GET_EM_STATS, hal::hlp::Word, btv_em_stats_reply_s, "read EM statistics");

#endif
