/* Records of the protocol-packet ACL flows and diagnostic (DFX) flows as
 * the kernel forwarding driver reads them: little-endian, cleared to zero
 * before they are filled. A valid word of 1 switches the comparison of the
 * field after it on. */
#ifndef CHIP_KALO_KALO_PRTCL_REC_H
#define CHIP_KALO_KALO_PRTCL_REC_H

#include <cstdint>

#include "chip/kalo/kalo_l2_rec.h"
#include "hal_network_adpt/hal_l2.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_record.h"

/* A MAC address and the number of its don't-care bits. */
struct PduMacAddr {
    uint8_t mac[6];
    uint16_t wildcard;
};
HAL_RECORD(PduMacAddr, 8, HAL_AT(mac, 0), HAL_AT(wildcard, 6));

struct PduMac {
    uint32_t valid;
    PduMacAddr addr;
};
HAL_RECORD(PduMac, 12, HAL_AT(valid, 0), HAL_SUB(addr, 4));

/* An IPv4 address in word 0 or an IPv6 address in four big-endian words,
 * and the number of its don't-care bits. */
struct PduIpAddr {
    uint32_t type;
    uint32_t addr[4];
    uint16_t rsv20;
    uint16_t wildcard;
};
HAL_RECORD(PduIpAddr, 24, HAL_CODE(type, 0, kalo::kIpVerNames), HAL_AT(addr, 4), HAL_AT(rsv20, 20),
           HAL_AT(wildcard, 22));

struct PduIp {
    uint32_t valid;
    PduIpAddr ip;
};
HAL_RECORD(PduIp, 28, HAL_AT(valid, 0), HAL_SUB(ip, 4));

/* The compared kind and value; one kind per flow. */
struct PduMatchValue {
    uint32_t kind;
    uint32_t value;
};
HAL_RECORD(PduMatchValue, 8, HAL_CODE(kind, 0, kalo::kMatchKindNames), HAL_AT(value, 4));

/* Match block of a protocol-packet flow. */
struct PduMatch {
    uint32_t direction;
    uint32_t dst_l3if_valid;
    uint32_t dst_l3if;
    chip_port_s port;
    PduMac mac1;
    PduMac mac2;
    uint32_t vlan_num_valid;
    uint32_t vlan_num;
    uint32_t svlan_valid;
    uint32_t svlan;
    uint32_t ip_ver_valid;
    uint32_t ip_ver; /* the IP version and its qualifier as one code */
    PduIp sip;
    PduIp dip;
    uint32_t tunnel_valid;
    uint32_t tunnel_type;
    uint32_t rsv132[3];
    uint32_t iplenf_valid;
    uint32_t iplenf;
    PduMatchValue match;
    uint32_t rsv160;
};
HAL_RECORD(PduMatch, 164, HAL_CODE(direction, 0, kalo::kPduDirectionNames), HAL_AT(dst_l3if_valid, 4),
           HAL_AT(dst_l3if, 8), HAL_SUB(port, 12), HAL_SUB(mac1, 20), HAL_SUB(mac2, 32), HAL_AT(vlan_num_valid, 44),
           HAL_AT(vlan_num, 48), HAL_AT(svlan_valid, 52), HAL_AT(svlan, 56), HAL_AT(ip_ver_valid, 60),
           HAL_AT(ip_ver, 64), HAL_SUB(sip, 68), HAL_SUB(dip, 96), HAL_AT(tunnel_valid, 124), HAL_AT(tunnel_type, 128),
           HAL_AT(rsv132, 132), HAL_AT(iplenf_valid, 144), HAL_AT(iplenf, 148), HAL_SUB(match, 152),
           HAL_AT(rsv160, 160));

/* Protocol-packet flow (HLP 0x20030012); removed by its id (0x20030013).
 * action: 0 to 3, the host's action less one. */
struct PduFlowRecord {
    uint32_t flow_id;
    uint32_t uiRuleClass;
    PduMatch match;
    uint32_t action;
    uint32_t pri_valid;
    uint32_t pri;
};
HAL_RECORD(PduFlowRecord, 184, HAL_AT(flow_id, 0), HAL_AT(uiRuleClass, 4), HAL_SUB(match, 8), HAL_AT(action, 172),
           HAL_AT(pri_valid, 176), HAL_AT(pri, 180));
HAL_HLP_COMMAND(PDU_ADD_FLOW, PduFlowRecord, hal::hlp::NoReply, "add protocol flow");
HAL_HLP_COMMAND(PDU_DEL_FLOW, hal::hlp::Word, hal::hlp::NoReply, "remove protocol flow");

/* CAR profile of a protocol-packet flow (HLP 0x20030032); its id is the
 * ACL id, the four rate words carry the rule's rate. */
struct PduCarRequest {
    uint32_t car_id;
    uint32_t rate[4];
    uint32_t flag; /* 1 for every profile */
};
HAL_RECORD(PduCarRequest, 24, HAL_AT(car_id, 0), HAL_AT(rate, 4), HAL_AT(flag, 20));
HAL_HLP_COMMAND(PDU_ADD_CAR, PduCarRequest, hal::hlp::NoReply, "create CAR profile");

/* Binding of a CAR profile to a flow (HLP 0x20030033). */
struct PduCarBind {
    uint32_t car_id;
    uint32_t flow_id;
};
HAL_RECORD(PduCarBind, 8, HAL_AT(car_id, 0), HAL_AT(flow_id, 4));
HAL_HLP_COMMAND(PDU_BIND_CAR, PduCarBind, hal::hlp::NoReply, "bind CAR profile");
HAL_HLP_COMMAND(PDU_UNBIND_CAR, hal::hlp::Word, hal::hlp::NoReply, "release CAR binding");
HAL_HLP_COMMAND(PDU_DEL_CAR, hal::hlp::Word, hal::hlp::NoReply, "delete CAR profile");

/* A diagnostic flow from its direction word on: the part of the record the
 * DFX field getters fill. */
struct DfxFlowMatch {
    uint32_t direction;
    uint32_t rule_class;
    chip_port_s in_port;
    chip_port_s out_port;
    uint32_t rsv28[65];
    uint32_t ip_proto_valid;
    uint32_t ip_proto;
    uint32_t rsv296[2];
    uint32_t cap_valid;
    uint32_t cap;
    uint32_t sport_valid;
    uint32_t sport; /* 0xFFFF: any */
    uint32_t sport_rsv;
    uint32_t rsv324;
    uint32_t dport_valid;
    uint32_t dport;
    uint32_t dport_rsv;
    uint32_t rsv340[23];
};
HAL_RECORD(DfxFlowMatch, 428, HAL_CODE(direction, 0, kalo::kPduDirectionNames), HAL_AT(rule_class, 4),
           HAL_SUB(in_port, 8), HAL_SUB(out_port, 16), HAL_AT(rsv28, 24), HAL_AT(ip_proto_valid, 284),
           HAL_AT(ip_proto, 288), HAL_AT(rsv296, 292), HAL_AT(cap_valid, 300), HAL_AT(cap, 304),
           HAL_AT(sport_valid, 308), HAL_AT(sport, 312), HAL_AT(sport_rsv, 316), HAL_AT(rsv324, 320),
           HAL_AT(dport_valid, 324), HAL_AT(dport, 328), HAL_AT(dport_rsv, 332), HAL_AT(rsv340, 336));

/* Diagnostic flow (HLP 0x2003002c); removed by its id (0x2003002d). */
struct DfxFlowRecord {
    uint32_t flow_id;
    DfxFlowMatch m;
};
HAL_RECORD(DfxFlowRecord, 432, HAL_AT(flow_id, 0), HAL_PART(m, 4));
// Where the driver's manual places the fields of a diagnostic flow.
static_assert(offsetof(DfxFlowRecord, m.direction) == 4, "DfxFlowRecord.direction");
static_assert(offsetof(DfxFlowRecord, m.rule_class) == 8, "DfxFlowRecord.rule_class");
static_assert(offsetof(DfxFlowRecord, m.in_port) == 12, "DfxFlowRecord.in_port");
static_assert(offsetof(DfxFlowRecord, m.out_port) == 20, "DfxFlowRecord.out_port");
static_assert(offsetof(DfxFlowRecord, m.ip_proto_valid) == 288, "DfxFlowRecord.ip_proto_valid");
static_assert(offsetof(DfxFlowRecord, m.cap_valid) == 304, "DfxFlowRecord.cap_valid");
static_assert(offsetof(DfxFlowRecord, m.sport_valid) == 312, "DfxFlowRecord.sport_valid");
static_assert(offsetof(DfxFlowRecord, m.dport_valid) == 328, "DfxFlowRecord.dport_valid");
static_assert(offsetof(DfxFlowRecord, m.rsv340) == 340, "DfxFlowRecord reserved tail");
HAL_HLP_COMMAND(DFX_ADD_FLOW, DfxFlowRecord, hal::hlp::NoReply, "add DFX flow");
HAL_HLP_COMMAND(DFX_DEL_FLOW, hal::hlp::Word, hal::hlp::NoReply, "remove DFX flow");

/* Counting of a diagnostic flow (HLP 0x2003002e): the same parameters for
 * every flow. */
struct DfxFlowCntConfig {
    uint32_t flow_id;
    uint32_t param[7];
};
HAL_RECORD(DfxFlowCntConfig, 32, HAL_AT(flow_id, 0), HAL_AT(param, 4));
HAL_HLP_COMMAND(DFX_SET_CNT, DfxFlowCntConfig, hal::hlp::NoReply, "configure DFX counting");

/* Counting on or off (HLP 0x2003002f). */
struct DfxFlowCntSwitch {
    uint32_t flow_id;
    uint32_t enable;
};
HAL_RECORD(DfxFlowCntSwitch, 8, HAL_AT(flow_id, 0), HAL_AT(enable, 4));
HAL_HLP_COMMAND(DFX_SWITCH_CNT, DfxFlowCntSwitch, hal::hlp::NoReply, "switch DFX counting");

/* The counters are the driver's; read (0x20030030) into the host's record
 * and cleared (0x20030031) by flow id. */
HAL_RECORD(HAL_DFX_FLOW_CNT_S, 32, HAL_AT(auiCounter, 0));
HAL_HLP_COMMAND(DFX_GET_CNT, hal::hlp::Word, HAL_DFX_FLOW_CNT_S, "read DFX counters");
HAL_HLP_COMMAND(DFX_CLR_CNT, hal::hlp::Word, hal::hlp::NoReply, "clear DFX counters");

#endif
