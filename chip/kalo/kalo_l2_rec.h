/* Request records of the layer-2 service flows as the kernel forwarding
 * driver reads them: little-endian 32-bit words unless a field says
 * otherwise, cleared to zero before they are filled. */
#ifndef CHIP_KALO_KALO_L2_REC_H
#define CHIP_KALO_KALO_L2_REC_H

#include <cstddef>
#include <cstdint>

/* Chip port descriptor: a chip port type and a bit mask of chip ports
 * (bit n = chip port n). GEM-side flows put a GEM port number in mask. */
struct chip_port_s {
    uint32_t port_type;
    uint32_t mask;
};
static_assert(sizeof(chip_port_s) == 8, "chip_port_s size");
static_assert(offsetof(chip_port_s, mask) == 4, "chip_port_s.mask");

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
static_assert(sizeof(chip_flow_rule_s) == 84, "chip_flow_rule_s size");
static_assert(offsetof(chip_flow_rule_s, etype) == 4, "chip_flow_rule_s.etype");
static_assert(offsetof(chip_flow_rule_s, etype_selfdefine) == 8, "chip_flow_rule_s.etype_selfdefine");
static_assert(offsetof(chip_flow_rule_s, tag_mode) == 12, "chip_flow_rule_s.tag_mode");
static_assert(offsetof(chip_flow_rule_s, tag_type) == 16, "chip_flow_rule_s.tag_type");
static_assert(offsetof(chip_flow_rule_s, tag_num) == 20, "chip_flow_rule_s.tag_num");
static_assert(offsetof(chip_flow_rule_s, ctpid_mode) == 24, "chip_flow_rule_s.ctpid_mode");
static_assert(offsetof(chip_flow_rule_s, ctpid) == 28, "chip_flow_rule_s.ctpid");
static_assert(offsetof(chip_flow_rule_s, stpid_mode) == 32, "chip_flow_rule_s.stpid_mode");
static_assert(offsetof(chip_flow_rule_s, stpid) == 36, "chip_flow_rule_s.stpid");
static_assert(offsetof(chip_flow_rule_s, cvlan_mode) == 40, "chip_flow_rule_s.cvlan_mode");
static_assert(offsetof(chip_flow_rule_s, cvlan) == 44, "chip_flow_rule_s.cvlan");
static_assert(offsetof(chip_flow_rule_s, svlan_mode) == 48, "chip_flow_rule_s.svlan_mode");
static_assert(offsetof(chip_flow_rule_s, svlan) == 52, "chip_flow_rule_s.svlan");
static_assert(offsetof(chip_flow_rule_s, cpri_mode) == 56, "chip_flow_rule_s.cpri_mode");
static_assert(offsetof(chip_flow_rule_s, cpri) == 60, "chip_flow_rule_s.cpri");
static_assert(offsetof(chip_flow_rule_s, spri_mode) == 64, "chip_flow_rule_s.spri_mode");
static_assert(offsetof(chip_flow_rule_s, spri) == 68, "chip_flow_rule_s.spri");
static_assert(offsetof(chip_flow_rule_s, mac_mode) == 72, "chip_flow_rule_s.mac_mode");
static_assert(offsetof(chip_flow_rule_s, mac) == 76, "chip_flow_rule_s.mac");
static_assert(offsetof(chip_flow_rule_s, mac_mask) == 82, "chip_flow_rule_s.mac_mask");

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
static_assert(sizeof(chip_flow_act_s) == 64, "chip_flow_act_s size");
static_assert(offsetof(chip_flow_act_s, tag_layer_num) == 4, "chip_flow_act_s.tag_layer_num");
static_assert(offsetof(chip_flow_act_s, stpid_source) == 8, "chip_flow_act_s.stpid_source");
static_assert(offsetof(chip_flow_act_s, stpid) == 12, "chip_flow_act_s.stpid");
static_assert(offsetof(chip_flow_act_s, svlan_source) == 16, "chip_flow_act_s.svlan_source");
static_assert(offsetof(chip_flow_act_s, svlan) == 20, "chip_flow_act_s.svlan");
static_assert(offsetof(chip_flow_act_s, spri_source) == 24, "chip_flow_act_s.spri_source");
static_assert(offsetof(chip_flow_act_s, spri) == 28, "chip_flow_act_s.spri");
static_assert(offsetof(chip_flow_act_s, spri_map_id) == 32, "chip_flow_act_s.spri_map_id");
static_assert(offsetof(chip_flow_act_s, ctpid_source) == 36, "chip_flow_act_s.ctpid_source");
static_assert(offsetof(chip_flow_act_s, ctpid) == 40, "chip_flow_act_s.ctpid");
static_assert(offsetof(chip_flow_act_s, cvlan_source) == 44, "chip_flow_act_s.cvlan_source");
static_assert(offsetof(chip_flow_act_s, cvlan) == 48, "chip_flow_act_s.cvlan");
static_assert(offsetof(chip_flow_act_s, cpri_source) == 52, "chip_flow_act_s.cpri_source");
static_assert(offsetof(chip_flow_act_s, cpri) == 56, "chip_flow_act_s.cpri");
static_assert(offsetof(chip_flow_act_s, cpri_map_id) == 60, "chip_flow_act_s.cpri_map_id");

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
static_assert(sizeof(chip_flow_in_s) == 180, "chip_flow_in_s size");
static_assert(offsetof(chip_flow_in_s, trans_port) == 8, "chip_flow_in_s.trans_port");
static_assert(offsetof(chip_flow_in_s, in_rule) == 16, "chip_flow_in_s.in_rule");
static_assert(offsetof(chip_flow_in_s, in_attr) == 100, "chip_flow_in_s.in_attr");
static_assert(offsetof(chip_flow_in_s, in_flow_type) == 104, "chip_flow_in_s.in_flow_type");
static_assert(offsetof(chip_flow_in_s, in_act) == 108, "chip_flow_in_s.in_act");

/* Downstream half of the flow message (message offsets 196 to 363). */
struct chip_flow_out_s {
    uint32_t rsv0[2];
    chip_port_s out_port;
    chip_flow_rule_s out_rule;
    uint32_t out_flow_type;
    chip_flow_act_s out_act;
};
static_assert(sizeof(chip_flow_out_s) == 168, "chip_flow_out_s size");
static_assert(offsetof(chip_flow_out_s, out_port) == 8, "chip_flow_out_s.out_port");
static_assert(offsetof(chip_flow_out_s, out_rule) == 16, "chip_flow_out_s.out_rule");
static_assert(offsetof(chip_flow_out_s, out_flow_type) == 100, "chip_flow_out_s.out_flow_type");
static_assert(offsetof(chip_flow_out_s, out_act) == 104, "chip_flow_out_s.out_act");

/* Flow message of HLP command 0x20030000. direction: 0 upstream only,
 * 1 downstream only, 2 both. */
struct chip_flow_s {
    uint32_t flow_id;
    uint32_t pri;
    uint32_t direction;
    uint32_t bridge_id;
    chip_flow_in_s in;
    chip_flow_out_s out;
};
static_assert(sizeof(chip_flow_s) == 364, "chip_flow_s size");
static_assert(offsetof(chip_flow_s, pri) == 4, "chip_flow_s.pri");
static_assert(offsetof(chip_flow_s, direction) == 8, "chip_flow_s.direction");
static_assert(offsetof(chip_flow_s, bridge_id) == 12, "chip_flow_s.bridge_id");
static_assert(offsetof(chip_flow_s, in.in_port) == 16, "chip_flow_s.in_port");
static_assert(offsetof(chip_flow_s, in.trans_port) == 24, "chip_flow_s.trans_port");
static_assert(offsetof(chip_flow_s, in.in_rule) == 32, "chip_flow_s.in_rule");
static_assert(offsetof(chip_flow_s, in.in_attr) == 116, "chip_flow_s.in_attr");
static_assert(offsetof(chip_flow_s, in.in_flow_type) == 120, "chip_flow_s.in_flow_type");
static_assert(offsetof(chip_flow_s, in.in_act) == 124, "chip_flow_s.in_act");
static_assert(offsetof(chip_flow_s, in.rsv172) == 188, "chip_flow_s reserved");
static_assert(offsetof(chip_flow_s, out) == 196, "chip_flow_s downstream half");
static_assert(offsetof(chip_flow_s, out.out_port) == 204, "chip_flow_s.out_port");
static_assert(offsetof(chip_flow_s, out.out_rule) == 212, "chip_flow_s.out_rule");
static_assert(offsetof(chip_flow_s, out.out_flow_type) == 296, "chip_flow_s.out_flow_type");
static_assert(offsetof(chip_flow_s, out.out_act) == 300, "chip_flow_s.out_act");

/* Bridge port request (HLP 0x20030002 / 0x20030003). */
struct chip_bridge_port_s {
    uint32_t bridge_id;
    uint32_t value; /* set by the caller */
    chip_port_s port;
};
static_assert(sizeof(chip_bridge_port_s) == 16, "chip_bridge_port_s size");
static_assert(offsetof(chip_bridge_port_s, value) == 4, "chip_bridge_port_s.value");
static_assert(offsetof(chip_bridge_port_s, port) == 8, "chip_bridge_port_s.port");

/* Unicast GEM ports of a virtual bridge and VLAN, as the GPON service
 * answers them (136 bytes). */
struct gpon_uc_gemport_list_s {
    uint16_t count;
    uint16_t gemport[67];
};
static_assert(sizeof(gpon_uc_gemport_list_s) == 136, "gpon_uc_gemport_list_s size");
static_assert(offsetof(gpon_uc_gemport_list_s, gemport) == 2, "gpon_uc_gemport_list_s.gemport");

#endif
