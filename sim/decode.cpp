#include "decode.h"

#include <cstdio>
#include <utility>

#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_l2_rec.h"
#include "chip/kalo/kalo_l3_rec.h"
#include "platform/hlp_cmd.h"
#include "report.h"

namespace halsim {

namespace {

namespace hlp = hal::hlp;

// A field of record T, by its member path; the name is the path as written.
#define FIELD(T, member)                                                 \
    Field                                                                \
    {                                                                    \
#member, static_cast < uint32_t>(offsetof(T, member)),           \
            static_cast < uint32_t>(sizeof(std::declval <T &>().member)) \
    }

// A request that is one 32-bit word.
struct word_s {
    uint32_t value;
};

#define FLOW_RULE(P)                                                                                       \
    FIELD(chip_flow_s, P.etype_mode), FIELD(chip_flow_s, P.etype), FIELD(chip_flow_s, P.etype_selfdefine), \
        FIELD(chip_flow_s, P.tag_mode), FIELD(chip_flow_s, P.tag_type), FIELD(chip_flow_s, P.tag_num),     \
        FIELD(chip_flow_s, P.ctpid_mode), FIELD(chip_flow_s, P.ctpid), FIELD(chip_flow_s, P.stpid_mode),   \
        FIELD(chip_flow_s, P.stpid), FIELD(chip_flow_s, P.cvlan_mode), FIELD(chip_flow_s, P.cvlan),        \
        FIELD(chip_flow_s, P.svlan_mode), FIELD(chip_flow_s, P.svlan), FIELD(chip_flow_s, P.cpri_mode),    \
        FIELD(chip_flow_s, P.cpri), FIELD(chip_flow_s, P.spri_mode), FIELD(chip_flow_s, P.spri),           \
        FIELD(chip_flow_s, P.mac_mode), FIELD(chip_flow_s, P.mac), FIELD(chip_flow_s, P.mac_mask)
#define FLOW_ACT(P)                                                                                          \
    FIELD(chip_flow_s, P.tag_act), FIELD(chip_flow_s, P.tag_layer_num), FIELD(chip_flow_s, P.stpid_source),  \
        FIELD(chip_flow_s, P.stpid), FIELD(chip_flow_s, P.svlan_source), FIELD(chip_flow_s, P.svlan),        \
        FIELD(chip_flow_s, P.spri_source), FIELD(chip_flow_s, P.spri), FIELD(chip_flow_s, P.spri_map_id),    \
        FIELD(chip_flow_s, P.ctpid_source), FIELD(chip_flow_s, P.ctpid), FIELD(chip_flow_s, P.cvlan_source), \
        FIELD(chip_flow_s, P.cvlan), FIELD(chip_flow_s, P.cpri_source), FIELD(chip_flow_s, P.cpri),          \
        FIELD(chip_flow_s, P.cpri_map_id)
#define IP_ADDR(T, P) FIELD(T, P.ip_ver), FIELD(T, P.ip), FIELD(T, P.mask)

constexpr Field kWord[] = {FIELD(word_s, value)};
constexpr Field kFlow[] = {
    FIELD(chip_flow_s, flow_id),
    FIELD(chip_flow_s, pri),
    FIELD(chip_flow_s, direction),
    FIELD(chip_flow_s, bridge_id),
    FIELD(chip_flow_s, in.in_port.port_type),
    FIELD(chip_flow_s, in.in_port.mask),
    FIELD(chip_flow_s, in.trans_port.port_type),
    FIELD(chip_flow_s, in.trans_port.mask),
    FLOW_RULE(in.in_rule),
    FIELD(chip_flow_s, in.in_attr),
    FIELD(chip_flow_s, in.in_flow_type),
    FLOW_ACT(in.in_act),
    FIELD(chip_flow_s, out.out_port.port_type),
    FIELD(chip_flow_s, out.out_port.mask),
    FLOW_RULE(out.out_rule),
    FIELD(chip_flow_s, out.out_flow_type),
    FLOW_ACT(out.out_act),
};
constexpr Field kL3If[] = {
    FIELD(chip_l3_if_s, if_index),   FIELD(chip_l3_if_s, ipv4_flag),   FIELD(chip_l3_if_s, ipv6_flag),
    FIELD(chip_l3_if_s, match_kind), FIELD(chip_l3_if_s, ip_ver_code), FIELD(chip_l3_if_s, mac),
    FIELD(chip_l3_if_s, vlan),       FIELD(chip_l3_if_s, vlan_valid),  FIELD(chip_l3_if_s, if_attr),
    FIELD(chip_l3_if_s, out_vlan),   FIELD(chip_l3_if_s, out_mode),    FIELD(chip_l3_if_s, out_if_attr),
    FIELD(chip_l3_if_s, pri_mode),   FIELD(chip_l3_if_s, pri),         FIELD(chip_l3_if_s, second_pri),
    FIELD(chip_l3_if_s, attr76),     FIELD(chip_l3_if_s, attr88),
};
constexpr Field kMtu[] = {FIELD(chip_l3_if_mtu_s, if_index), FIELD(chip_l3_if_mtu_s, mtu)};
constexpr Field kPrefix[] = {FIELD(chip_prefix_s, if_index), IP_ADDR(chip_prefix_s, addr)};
constexpr Field kRoute[] = {
    FIELD(chip_route_req_s, route_id),           FIELD(chip_route_req_s, route.route_param),
    FIELD(chip_route_req_s, route.ingress_type), FIELD(chip_route_req_s, route.ingress_mask),
    FIELD(chip_route_req_s, route.family),       FIELD(chip_route_req_s, route.tag_num_mode),
    FIELD(chip_route_req_s, route.tag_num),      FIELD(chip_route_req_s, route.svlan_mode),
    FIELD(chip_route_req_s, route.svlan),        FIELD(chip_route_req_s, route.sip_mode),
    IP_ADDR(chip_route_req_s, route.sip),        FIELD(chip_route_req_s, route.act),
    FIELD(chip_route_req_s, route.table_id),
};
constexpr Field kNapt[] = {
    FIELD(chip_napt_ind_s, rule_id),  FIELD(chip_napt_ind_s, table_id), FIELD(chip_napt_ind_s, l3_if_mode),
    FIELD(chip_napt_ind_s, l3_if_id), IP_ADDR(chip_napt_ind_s, dip),    FIELD(chip_napt_ind_s, session),
};
constexpr Field kWanStats[] = {FIELD(chip_wan_stats_req_s, port_type), FIELD(chip_wan_stats_req_s, vlan)};
constexpr Field kProgram[] = {FIELD(btv_program_req_s, group_id), FIELD(btv_program_req_s, untagged),
                              FIELD(btv_program_req_s, vlan), FIELD(btv_program_req_s, mac)};
constexpr Field kUser[] = {FIELD(btv_user_req_s, group_id), FIELD(btv_user_req_s, flow_id)};
constexpr Field kStatsSet[] = {FIELD(btv_stats_set_req_s, group_id), FIELD(btv_stats_set_req_s, enable)};
constexpr Field kUserStatsSet[] = {FIELD(btv_user_stats_set_req_s, group_id), FIELD(btv_user_stats_set_req_s, flow_id),
                                   FIELD(btv_user_stats_set_req_s, enable)};
constexpr Field kUserStats[] = {FIELD(btv_user_stats_req_s, group_id), FIELD(btv_user_stats_req_s, flow_id)};
constexpr Field kEmRule[] = {
    FIELD(btv_em_rule_req_s, key_type),   FIELD(btv_em_rule_req_s, sip_valid),  FIELD(btv_em_rule_req_s, sip_version),
    FIELD(btv_em_rule_req_s, sip),        FIELD(btv_em_rule_req_s, dip_valid),  FIELD(btv_em_rule_req_s, dip_version),
    FIELD(btv_em_rule_req_s, dip),        FIELD(btv_em_rule_req_s, mask_valid), FIELD(btv_em_rule_req_s, mask),
    FIELD(btv_em_rule_req_s, vlan_valid), FIELD(btv_em_rule_req_s, vlan),
};

template <typename T, size_t N>
constexpr Layout layout(uint32_t cmd, const char *name, const Field (&fields)[N])
{
    return {cmd, name, static_cast<uint32_t>(sizeof(T)), fields, N};
}

const Layout kLayouts[] = {
    layout<chip_flow_s>(hlp::L2_ADD_FLOW, "add flow", kFlow),
    layout<word_s>(hlp::L2_DEL_FLOW, "remove flow", kWord),
    layout<chip_l3_if_s>(hlp::L3IF_ADD, "add L3 interface", kL3If),
    layout<word_s>(hlp::L3IF_DEL, "remove L3 interface", kWord),
    layout<chip_route_req_s>(hlp::POLICY_ROUTE_ADD, "add policy route", kRoute),
    layout<word_s>(hlp::POLICY_ROUTE_DEL, "remove policy route", kWord),
    layout<chip_wan_stats_req_s>(hlp::WAN_STATS_ADD, "create WAN counter", kWanStats),
    layout<chip_wan_stats_req_s>(hlp::WAN_STATS_DEL, "remove WAN counter", kWanStats),
    layout<chip_wan_stats_req_s>(hlp::WAN_STATS_CLR, "clear WAN counter", kWanStats),
    layout<chip_wan_stats_req_s>(hlp::WAN_STATS_GET, "read WAN counter", kWanStats),
    layout<chip_prefix_s>(hlp::PREFIX_ADD, "add prefix", kPrefix),
    layout<chip_prefix_s>(hlp::PREFIX_DEL, "remove prefix", kPrefix),
    layout<chip_napt_ind_s>(hlp::NAPT_IND_ADD, "add NAPT indication", kNapt),
    layout<chip_napt_ind_s>(hlp::NAPT_IND_DEL, "remove NAPT indication", kNapt),
    layout<chip_l3_if_mtu_s>(hlp::L3IF_SET_MTU, "set MTU", kMtu),
    layout<btv_user_req_s>(hlp::BTV_ADD_USER, "add program user", kUser),
    layout<btv_user_req_s>(hlp::BTV_DEL_USER, "remove program user", kUser),
    layout<btv_program_req_s>(hlp::BTV_ADD_PROGRAM, "add program", kProgram),
    layout<word_s>(hlp::BTV_DEL_PROGRAM, "remove program", kWord),
    layout<word_s>(hlp::QX_KER_HLP_CMD_BTV_MATCH_MODE, "QX_KER_HLP_CMD_BTV_MATCH_MODE", kWord),
    layout<btv_stats_set_req_s>(hlp::QX_KER_HLP_CMD_BTV_SET_STATS, "QX_KER_HLP_CMD_BTV_SET_STATS", kStatsSet),
    layout<word_s>(hlp::QX_KER_HLP_CMD_BTV_CLR_STATS, "QX_KER_HLP_CMD_BTV_CLR_STATS", kWord),
    layout<word_s>(hlp::QX_KER_HLP_CMD_BTV_GET_STATS, "QX_KER_HLP_CMD_BTV_GET_STATS", kWord),
    layout<btv_em_rule_req_s>(hlp::BTV_SET_EM_RULE, "set EM rule", kEmRule),
    layout<btv_em_rule_req_s>(hlp::BTV_DEL_EM_RULE, "remove EM rule", kEmRule),
    layout<word_s>(hlp::BTV_GET_EM_STATS, "read EM statistics", kWord),
    layout<btv_user_stats_set_req_s>(hlp::QX_KER_HLP_CMD_BTVUSER_SET_STATS, "QX_KER_HLP_CMD_BTVUSER_SET_STATS",
                                     kUserStatsSet),
    layout<btv_user_stats_req_s>(hlp::QX_KER_HLP_CMD_BTVUSER_CLR_STATS, "QX_KER_HLP_CMD_BTVUSER_CLR_STATS", kUserStats),
    layout<btv_user_stats_req_s>(hlp::BTVUSER_GET_STATS, "GET_STATS", kUserStats),
};

#undef FIELD
#undef FLOW_RULE
#undef FLOW_ACT
#undef IP_ADDR

// One field as text: numbers in decimal (hexadecimal from 4096 on, where
// masks and addresses live), byte fields as hex bytes. Empty when all zero.
std::string valueOf(const std::vector<uint8_t> &req, const Field &f)
{
    uint64_t sum = 0;
    for (uint32_t i = 0; i < f.size; ++i) {
        sum |= req[f.offset + i];
    }
    if (sum == 0) {
        return std::string();
    }
    char buf[64];
    if (f.size == 1 || f.size == 2 || f.size == 4) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < f.size; ++i) {
            v |= static_cast<uint32_t>(req[f.offset + i]) << (8 * i);
        }
        std::snprintf(buf, sizeof(buf), v < 4096 ? "%u" : "0x%x", v);
        return buf;
    }
    std::string out;
    for (uint32_t i = 0; i < f.size; ++i) {
        std::snprintf(buf, sizeof(buf), i == 0 ? "%02x" : ":%02x", req[f.offset + i]);
        out += buf;
    }
    return out;
}

}  // namespace

const Layout *layoutsBegin() { return std::begin(kLayouts); }
const Layout *layoutsEnd() { return std::end(kLayouts); }

const Layout *layoutOf(uint32_t cmd)
{
    for (const Layout &l : kLayouts) {
        if (l.cmd == cmd) {
            return &l;
        }
    }
    return nullptr;
}

std::string decode(const HlpCall &call)
{
    char head[64];
    const Layout *l = layoutOf(call.cmd);
    if (l == nullptr || call.req.size() != l->size) {
        std::snprintf(head, sizeof(head), "0x%08x (%zu bytes)\n", call.cmd, call.req.size());
        return head + hexDump(call.req, "    ");
    }
    std::string out = l->name;
    out += ':';
    for (size_t i = 0; i < l->count; ++i) {
        const std::string v = valueOf(call.req, l->fields[i]);
        if (!v.empty()) {
            out += ' ';
            out += l->fields[i].name;
            out += '=';
            out += v;
        }
    }
    return out + '\n';
}

}  // namespace halsim
