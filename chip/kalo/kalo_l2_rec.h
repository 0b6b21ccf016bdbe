/* Request records of the layer-2 service flows as the kernel forwarding
 * driver reads them: little-endian 32-bit words unless a field says
 * otherwise, cleared to zero before they are filled. */
#ifndef CHIP_KALO_KALO_L2_REC_H
#define CHIP_KALO_KALO_L2_REC_H

#include <cstddef>
#include <cstdint>

#include "chip/kalo/kalo_codes.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_record.h"

/* Chip port descriptor: a chip port type and a bit mask of chip ports
 * (bit n = chip port n). GEM-side flows put a GEM port number in mask. */
struct chip_port_s {
    uint32_t port_type;
    uint32_t mask;
};
HAL_RECORD(chip_port_s, 8, HAL_CODE(port_type, 0, kalo::kPortTypeNames), HAL_AT(mask, 4));

/* Match rule of one direction. A mode word of 1 switches the match of the
 * field after it on. The c fields are the inner tag, the s fields the outer. */
struct chip_flow_rule_s {
    uint32_t etype_mode;
    uint32_t etype;
    uint32_t etype_selfdefine;
    uint32_t tag_mode;
    uint32_t tag_type;
    uint32_t tag_num;
    uint32_t ctpid_mode;
    uint32_t ctpid;
    uint32_t stpid_mode;
    uint32_t stpid;
    uint32_t cvlan_mode;
    uint32_t cvlan;
    uint32_t svlan_mode;
    uint32_t svlan;
    uint32_t cpri_mode;
    uint32_t cpri;
    uint32_t spri_mode;
    uint32_t spri;
    uint32_t mac_mode;
    uint8_t mac[6];
    uint16_t mac_mask; /* 48 minus the compared prefix length */
};
HAL_RECORD(chip_flow_rule_s, 84, HAL_AT(etype_mode, 0), HAL_AT(etype, 4), HAL_AT(etype_selfdefine, 8),
           HAL_AT(tag_mode, 12), HAL_AT(tag_type, 16), HAL_AT(tag_num, 20), HAL_AT(ctpid_mode, 24), HAL_AT(ctpid, 28),
           HAL_AT(stpid_mode, 32), HAL_AT(stpid, 36), HAL_AT(cvlan_mode, 40), HAL_AT(cvlan, 44), HAL_AT(svlan_mode, 48),
           HAL_AT(svlan, 52), HAL_AT(cpri_mode, 56), HAL_AT(cpri, 60), HAL_AT(spri_mode, 64), HAL_AT(spri, 68),
           HAL_AT(mac_mode, 72), HAL_AT(mac, 76), HAL_AT(mac_mask, 82));

/* Tag action of one direction: an action code, the number of tag layers it
 * acts on, and a source code and value per outer (s) and inner (c) field. */
struct chip_flow_act_s {
    uint32_t tag_act; /* 0 none, 1 and 3 write tags, 2 removes tags */
    uint32_t tag_layer_num;
    uint32_t stpid_source;
    uint32_t stpid;
    uint32_t svlan_source;
    uint32_t svlan;
    uint32_t spri_source;
    uint32_t spri;
    uint32_t spri_map_id;
    uint32_t ctpid_source;
    uint32_t ctpid;
    uint32_t cvlan_source;
    uint32_t cvlan;
    uint32_t cpri_source;
    uint32_t cpri;
    uint32_t cpri_map_id;
};
HAL_RECORD(chip_flow_act_s, 64, HAL_CODE(tag_act, 0, kalo::kTagActNames), HAL_AT(tag_layer_num, 4),
           HAL_CODE(stpid_source, 8, kalo::kSourceNames), HAL_AT(stpid, 12),
           HAL_CODE(svlan_source, 16, kalo::kSourceNames), HAL_AT(svlan, 20),
           HAL_CODE(spri_source, 24, kalo::kSourceNames), HAL_AT(spri, 28), HAL_AT(spri_map_id, 32),
           HAL_CODE(ctpid_source, 36, kalo::kSourceNames), HAL_AT(ctpid, 40),
           HAL_CODE(cvlan_source, 44, kalo::kSourceNames), HAL_AT(cvlan, 48),
           HAL_CODE(cpri_source, 52, kalo::kSourceNames), HAL_AT(cpri, 56), HAL_AT(cpri_map_id, 60));

/* Upstream half of the flow message (message offsets 16 to 195). */
struct chip_flow_in_s {
    chip_port_s in_port;
    chip_port_s trans_port; /* second port of upstream flow type 4 */
    chip_flow_rule_s in_rule;
    uint32_t in_attr;
    uint32_t in_flow_type;
    chip_flow_act_s in_act;
    uint32_t rsv172[2];
};
HAL_RECORD(chip_flow_in_s, 180, HAL_SUB(in_port, 0), HAL_SUB(trans_port, 8), HAL_SUB(in_rule, 16), HAL_AT(in_attr, 100),
           HAL_AT(in_flow_type, 104), HAL_SUB(in_act, 108), HAL_AT(rsv172, 172));

/* Downstream half of the flow message (message offsets 196 to 363). */
struct chip_flow_out_s {
    uint32_t rsv0[2];
    chip_port_s out_port;
    chip_flow_rule_s out_rule;
    uint32_t out_flow_type;
    chip_flow_act_s out_act;
};
HAL_RECORD(chip_flow_out_s, 168, HAL_AT(rsv0, 0), HAL_SUB(out_port, 8), HAL_SUB(out_rule, 16),
           HAL_AT(out_flow_type, 100), HAL_SUB(out_act, 104));

/* The flow message from pri on: both halves and the words that say how the
 * driver installs them. direction: 0 upstream only, 1 downstream only,
 * 2 both. */
struct chip_flow_body_s {
    uint32_t pri;
    uint32_t direction;
    uint32_t bridge_id;
    chip_flow_in_s in;
    chip_flow_out_s out;
};
HAL_RECORD(chip_flow_body_s, 360, HAL_AT(pri, 0), HAL_CODE(direction, 4, kalo::kDirectionNames), HAL_AT(bridge_id, 8),
           HAL_SUB(in, 12), HAL_SUB(out, 192));

/* Flow message of HLP command 0x20030000. */
struct chip_flow_s {
    uint32_t flow_id;
    chip_flow_body_s body;
};
HAL_RECORD(chip_flow_s, 364, HAL_AT(flow_id, 0), HAL_PART(body, 4));
// Where the driver's manual places the fields of the two halves.
static_assert(offsetof(chip_flow_s, body.pri) == 4, "chip_flow_s.pri");
static_assert(offsetof(chip_flow_s, body.direction) == 8, "chip_flow_s.direction");
static_assert(offsetof(chip_flow_s, body.bridge_id) == 12, "chip_flow_s.bridge_id");
static_assert(offsetof(chip_flow_s, body.in.in_port) == 16, "chip_flow_s.in_port");
static_assert(offsetof(chip_flow_s, body.in.trans_port) == 24, "chip_flow_s.trans_port");
static_assert(offsetof(chip_flow_s, body.in.in_rule) == 32, "chip_flow_s.in_rule");
static_assert(offsetof(chip_flow_s, body.in.in_attr) == 116, "chip_flow_s.in_attr");
static_assert(offsetof(chip_flow_s, body.in.in_flow_type) == 120, "chip_flow_s.in_flow_type");
static_assert(offsetof(chip_flow_s, body.in.in_act) == 124, "chip_flow_s.in_act");
static_assert(offsetof(chip_flow_s, body.in.rsv172) == 188, "chip_flow_s reserved");
static_assert(offsetof(chip_flow_s, body.out.out_port) == 204, "chip_flow_s.out_port");
static_assert(offsetof(chip_flow_s, body.out.out_rule) == 212, "chip_flow_s.out_rule");
static_assert(offsetof(chip_flow_s, body.out.out_flow_type) == 296, "chip_flow_s.out_flow_type");
static_assert(offsetof(chip_flow_s, body.out.out_act) == 300, "chip_flow_s.out_act");
HAL_HLP_COMMAND(L2_ADD_FLOW, chip_flow_s, hal::hlp::NoReply, "add flow");
HAL_HLP_COMMAND(L2_DEL_FLOW, hal::hlp::Word, hal::hlp::NoReply, "remove flow");

/* Bridge port request (HLP 0x20030002 / 0x20030003). */
struct chip_bridge_port_s {
    uint32_t bridge_id;
    uint32_t value; /* the host's third value when adding, 0 when removing */
    chip_port_s port;
};
HAL_RECORD(chip_bridge_port_s, 16, HAL_AT(bridge_id, 0), HAL_AT(value, 4), HAL_SUB(port, 8));
HAL_HLP_COMMAND(L2_ADD_BRIDGE_PORT, chip_bridge_port_s, hal::hlp::NoReply, "add bridge port");
HAL_HLP_COMMAND(L2_DEL_BRIDGE_PORT, chip_bridge_port_s, hal::hlp::NoReply, "remove bridge port");

/* Isolation of one port (HLP 0x20030004). */
struct chip_port_isolate_s {
    chip_port_s port;
    uint32_t isolate;
};
HAL_RECORD(chip_port_isolate_s, 12, HAL_SUB(port, 0), HAL_AT(isolate, 8));
HAL_HLP_COMMAND(L2_SET_PORT_ISOLATE, chip_port_isolate_s, hal::hlp::NoReply, "isolate port");
/* The isolation switch: 1 turns isolation off, 0 on. */
HAL_HLP_COMMAND(L2_SET_ISOLATE_ENABLE, hal::hlp::Word, hal::hlp::NoReply, "isolation switch");

/* DSCP-to-priority table load (HLP 0x20030005); unloading sends the id. */
struct chip_dscp_tbl_s {
    uint32_t table_id;
    uint8_t entry[64]; /* one per DSCP value, as the host gave it */
};
HAL_RECORD(chip_dscp_tbl_s, 68, HAL_AT(table_id, 0), HAL_AT(entry, 4));
HAL_HLP_COMMAND(L2_ADD_DSCP_TBL, chip_dscp_tbl_s, hal::hlp::NoReply, "load DSCP table");
HAL_HLP_COMMAND(L2_DEL_DSCP_TBL, hal::hlp::Word, hal::hlp::NoReply, "unload DSCP table");

/* Broadcast table entry (HLP 0x20030007 / 0x20030008): the host's second
 * and third values. */
struct chip_bc_table_s {
    uint32_t second;
    uint32_t third;
};
HAL_RECORD(chip_bc_table_s, 8, HAL_AT(second, 0), HAL_AT(third, 4));
HAL_HLP_COMMAND(L2_ADD_BC_TABLE, chip_bc_table_s, hal::hlp::NoReply, "add broadcast entry");
HAL_HLP_COMMAND(L2_DEL_BC_TABLE, chip_bc_table_s, hal::hlp::NoReply, "remove broadcast entry");

HAL_HLP_COMMAND(L2_SET_PVID, hal::hlp::Word, hal::hlp::NoReply, "set PVID");

/* Counter of one (port, VLAN, priority): the request of all four counter
 * commands, and the reply of the read, which fills the four counters. */
struct chip_tci_stats_s {
    chip_port_s port;
    uint32_t vlan;
    uint32_t pri;
    uint64_t rcv_frame;
    uint64_t rcv_pkt_octs;
    uint64_t send_frame;
    uint64_t send_pkt_octs;
};
HAL_RECORD(chip_tci_stats_s, 48, HAL_SUB(port, 0), HAL_AT(vlan, 8), HAL_AT(pri, 12), HAL_AT(rcv_frame, 16),
           HAL_AT(rcv_pkt_octs, 24), HAL_AT(send_frame, 32), HAL_AT(send_pkt_octs, 40));
HAL_HLP_COMMAND(L2_ADD_TCI_STATS, chip_tci_stats_s, hal::hlp::NoReply, "add TCI counter");
HAL_HLP_COMMAND(L2_DEL_TCI_STATS, chip_tci_stats_s, hal::hlp::NoReply, "remove TCI counter");
HAL_HLP_COMMAND(L2_CLR_TCI_STATS, chip_tci_stats_s, hal::hlp::NoReply, "clear TCI counter");
HAL_HLP_COMMAND(L2_GET_TCI_STATS, chip_tci_stats_s, chip_tci_stats_s, "read TCI counter");

/* Committed access rate of one side of a port. The four rate words carry
 * the same rate; 0xFFFFFFFF is no limit. */
struct chip_car_side_s {
    chip_port_s port;
    uint32_t rate_a;
    uint32_t pbs;
    uint32_t rate_b;
    uint32_t pir;
    uint32_t rsv24;
};
HAL_RECORD(chip_car_side_s, 28, HAL_SUB(port, 0), HAL_AT(rate_a, 8), HAL_AT(pbs, 12), HAL_AT(rate_b, 16),
           HAL_AT(pir, 20), HAL_AT(rsv24, 24));

/* Traffic limit of one port and traffic class (HLP 0x20030009 to
 * 0x2003000b, and 0x20030027 for a user port): the ingress side, then the
 * egress side of the same port. */
struct chip_car_s {
    chip_car_side_s in;
    chip_car_side_s out;
};
HAL_RECORD(chip_car_s, 56, HAL_SUB(in, 0), HAL_SUB(out, 28));
HAL_HLP_COMMAND(L2_SET_BC_LIMIT, chip_car_s, hal::hlp::NoReply, "broadcast limit");
HAL_HLP_COMMAND(L2_SET_UMC_LIMIT, chip_car_s, hal::hlp::NoReply, "unknown multicast limit");
HAL_HLP_COMMAND(L2_SET_UUC_LIMIT, chip_car_s, hal::hlp::NoReply, "unknown unicast limit");
HAL_HLP_COMMAND(L2_SET_USER_BC_LIMIT, chip_car_s, hal::hlp::NoReply, "user port broadcast limit");

/* Unicast GEM ports of a virtual bridge and VLAN, as the GPON service
 * answers them (136 bytes). */
struct gpon_uc_gemport_list_s {
    uint16_t count;
    uint16_t gemport[67];
};
HAL_RECORD(gpon_uc_gemport_list_s, 136, HAL_AT(count, 0), HAL_AT(gemport, 2));

#endif
