// The simulated driver's handlers, one per HLP command, found by the command
// they are tagged with. driver.cpp pairs every code of the command table
// with its handler at compile time: a command without one does not build.
// Each handler gets the request record, and the reply record of a read,
// already checked for length; it answers 0 or a code of halsim::drv.
#ifndef SIM_DRIVER_RULES_H
#define SIM_DRIVER_RULES_H

#include <cstdint>

#include "driver.h"
#include "host.h"
#include "platform/hlp_cmd.h"

namespace halsim::drv {

using hal::hlp::Cmd;
using hal::hlp::Word;

template <Cmd C>
struct Tag {
};

struct Context {
    ChipTables &t;
    const Host &host;  // the terminal's topology
};

inline PortKey keyOf(const chip_port_s &p) { return {p.port_type, p.mask}; }

// ---- Layer-2 flows and port services (driver_l2.cpp) ---------------------------------

uint32_t on(Context &c, Tag<Cmd::L2_ADD_FLOW> /*cmd*/, const chip_flow_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_DEL_FLOW> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::L2_ADD_BRIDGE_PORT> /*cmd*/, const chip_bridge_port_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_DEL_BRIDGE_PORT> /*cmd*/, const chip_bridge_port_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_SET_PORT_ISOLATE> /*cmd*/, const chip_port_isolate_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_SET_ISOLATE_ENABLE> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::L2_ADD_DSCP_TBL> /*cmd*/, const chip_dscp_tbl_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_DEL_DSCP_TBL> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::L2_ADD_BC_TABLE> /*cmd*/, const chip_bc_table_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_DEL_BC_TABLE> /*cmd*/, const chip_bc_table_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_SET_BC_LIMIT> /*cmd*/, const chip_car_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_SET_UMC_LIMIT> /*cmd*/, const chip_car_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_SET_UUC_LIMIT> /*cmd*/, const chip_car_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_SET_USER_BC_LIMIT> /*cmd*/, const chip_car_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_ADD_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_DEL_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_CLR_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req);
uint32_t on(Context &c, Tag<Cmd::L2_GET_TCI_STATS> /*cmd*/, const chip_tci_stats_s &req, chip_tci_stats_s &reply);
uint32_t on(Context &c, Tag<Cmd::L2_SET_PVID> /*cmd*/, const Word &req);

// ---- MAC management (driver_mac.cpp) ---------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::MAC_SET_AGE> /*cmd*/, const chip_mac_age_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_SET_LEARN_NUM> /*cmd*/, const chip_mac_learn_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_SET_LEARN_MODE> /*cmd*/, const chip_mac_learn_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_SET_LEARN_STATE> /*cmd*/, const chip_mac_learn_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_ADD_STATIC> /*cmd*/, const chip_static_mac_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_DEL_STATIC> /*cmd*/, const chip_static_mac_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_GET_TABLE> /*cmd*/, const chip_mac_table_req_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_ADD_FILTER> /*cmd*/, const chip_mac_filter_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_DEL_FILTER> /*cmd*/, const chip_mac_filter_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_SET_FILTER_MODE> /*cmd*/, const chip_mac_filter_mode_s &req);
uint32_t on(Context &c, Tag<Cmd::MAC_GET_FILTER_MODE> /*cmd*/, const chip_port_s &req, chip_mac_filter_mode_s &reply);

// ---- Protocol-packet and DFX flows (driver_prtcl.cpp) -----------------------------------

uint32_t on(Context &c, Tag<Cmd::PDU_ADD_FLOW> /*cmd*/, const PduFlowRecord &req);
uint32_t on(Context &c, Tag<Cmd::PDU_DEL_FLOW> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::PDU_ADD_CAR> /*cmd*/, const PduCarRequest &req);
uint32_t on(Context &c, Tag<Cmd::PDU_BIND_CAR> /*cmd*/, const PduCarBind &req);
uint32_t on(Context &c, Tag<Cmd::PDU_UNBIND_CAR> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::PDU_DEL_CAR> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::DFX_ADD_FLOW> /*cmd*/, const DfxFlowRecord &req);
uint32_t on(Context &c, Tag<Cmd::DFX_DEL_FLOW> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::DFX_SET_CNT> /*cmd*/, const DfxFlowCntConfig &req);
uint32_t on(Context &c, Tag<Cmd::DFX_SWITCH_CNT> /*cmd*/, const DfxFlowCntSwitch &req);
uint32_t on(Context &c, Tag<Cmd::DFX_GET_CNT> /*cmd*/, const Word &req, HAL_DFX_FLOW_CNT_S &reply);
uint32_t on(Context &c, Tag<Cmd::DFX_CLR_CNT> /*cmd*/, const Word &req);

// ---- Multicast (driver_btv.cpp) ----------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::BTV_ADD_PROGRAM> /*cmd*/, const btv_program_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTV_DEL_PROGRAM> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::BTV_ADD_USER> /*cmd*/, const btv_user_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTV_DEL_USER> /*cmd*/, const btv_user_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTV_MATCH_MODE> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::BTV_SET_STATS> /*cmd*/, const btv_stats_set_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTV_CLR_STATS> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::BTV_GET_STATS> /*cmd*/, const Word &req, btv_stats_reply_s &reply);
uint32_t on(Context &c, Tag<Cmd::BTVUSER_SET_STATS> /*cmd*/, const btv_user_stats_set_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTVUSER_CLR_STATS> /*cmd*/, const btv_user_stats_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTVUSER_GET_STATS> /*cmd*/, const btv_user_stats_req_s &req, btv_stats_reply_s &reply);
uint32_t on(Context &c, Tag<Cmd::BTV_SET_EM_RULE> /*cmd*/, const btv_em_rule_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTV_DEL_EM_RULE> /*cmd*/, const btv_em_rule_req_s &req);
uint32_t on(Context &c, Tag<Cmd::BTV_GET_EM_STATS> /*cmd*/, const Word &req, btv_em_stats_reply_s &reply);

// ---- Layer 3 (driver_l3.cpp) ---------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::L3_ADD_IF> /*cmd*/, const chip_l3_if_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_DEL_IF> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::L3_SET_IF_MTU> /*cmd*/, const chip_l3_if_mtu_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_ADD_PREFIX> /*cmd*/, const chip_prefix_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_DEL_PREFIX> /*cmd*/, const chip_prefix_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_ADD_POLICY_ROUTE> /*cmd*/, const chip_route_req_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_DEL_POLICY_ROUTE> /*cmd*/, const Word &req);
uint32_t on(Context &c, Tag<Cmd::L3_ADD_NAPT_IND> /*cmd*/, const chip_napt_ind_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_DEL_NAPT_IND> /*cmd*/, const chip_napt_ind_s &req);
uint32_t on(Context &c, Tag<Cmd::L3_ADD_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply);
uint32_t on(Context &c, Tag<Cmd::L3_DEL_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply);
uint32_t on(Context &c, Tag<Cmd::L3_CLR_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply);
uint32_t on(Context &c, Tag<Cmd::L3_GET_WAN_STATS> /*cmd*/, const chip_wan_stats_req_s &req,
            chip_wan_stats_rpl_s &reply);

// ---- Table helpers shared by the handlers ----------------------------------------------------

// Adds value under key unless an entry is there already.
template <typename Map, typename Key, typename Value>
uint32_t addEntry(Map &table, const Key &key, const Value &value)
{
    return table.emplace(key, value).second ? 0 : kExists;
}

// Removes the entry under key, if there is one.
template <typename Table, typename Key>
uint32_t removeEntry(Table &table, const Key &key)
{
    return table.erase(key) != 0 ? 0 : kNotFound;
}

// A switch word: 0 or 1.
constexpr bool isSwitch(uint32_t v) { return v <= 1; }

}  // namespace halsim::drv

#endif
