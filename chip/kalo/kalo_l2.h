/* Layer-2 service flow chip adapter: installation and removal of service
 * flows, and the translation of their match rules and tag treatments into
 * the chip flow message. */
#ifndef CHIP_KALO_KALO_L2_H
#define CHIP_KALO_KALO_L2_H

#include <stdint.h>

#include "chip/kalo/kalo_l2_rec.h"
#include "hal_network_adpt/hal_l2.h"

HAL_EXTERN_C_BEGIN

/* L2 hook slots 0 and 1. */
HAL_API uint32_t CHIP_KALO_AddFlow(const HAL_L2_FLOW_S *flow);
HAL_API uint32_t CHIP_KALO_DelFlow(const HAL_L2_FLOW_S *flow);

/* Flow installation and removal. */
HAL_API uint32_t PDT_L2M_AddFlow(const HAL_L2_FLOW_S *flow);
HAL_API uint32_t PDT_L2M_DelFlow(const HAL_L2_FLOW_S *flow);
HAL_API uint32_t PDT_L2M_AddInFlow(const HAL_L2_FLOW_S *flow, chip_flow_in_s *in);
HAL_API uint32_t PDT_L2M_AddOutFlow(const HAL_L2_FLOW_S *flow, chip_flow_out_s *out);
/* Fills both halves of the flow message from pri on. */
HAL_API uint32_t PDT_L2M_AddInOutFlow(const HAL_L2_FLOW_S *flow, chip_flow_body_s *msg);
HAL_API uint32_t PDT_L2M_CheckAdaptAniMCFlow(uint32_t ctpType);
HAL_API uint32_t PDT_L2M_AdaptAniMCFlow(const chip_flow_s *msg);
HAL_API uint32_t PDT_L2M_GetTransFlowKaPort(const HAL_L2_FLOW_S *flow, chip_flow_in_s *in, chip_port_s *transPort);
HAL_API uint32_t PDT_L2M_GetGemportVlan(const HAL_L2_FLOW_S *flow, uint16_t *vlan);
HAL_API uint32_t PDT_L2M_GetVUNIPort(uint32_t bridgeId, uint32_t usCtpId, chip_bridge_port_s *bridgePort);

/* Port services: L2 hook slots 2 to 15, 30 and 33. */
HAL_API uint32_t CHIP_KALO_SetPortIsolateEnable(uint32_t enable);
HAL_API uint32_t CHIP_KALO_SetPortIsolate(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t bIsolate);
HAL_API uint32_t CHIP_KALO_SetPvid(uint32_t pvid);
HAL_API uint32_t CHIP_KALO_AddBcTable(uint32_t first, uint32_t second, uint32_t third);
HAL_API uint32_t CHIP_KALO_DelBcTable(uint32_t first, uint32_t second, uint32_t third);
HAL_API uint32_t CHIP_KALO_GetCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri, HAL_L2_TCI_STATS_S *stats);
HAL_API uint32_t CHIP_KALO_ClrCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t CHIP_KALO_AddCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t CHIP_KALO_DelCtpTciStats(uint32_t usCtpId, uint32_t vlan, uint32_t pri);
HAL_API uint32_t CHIP_KALO_AddDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table);
HAL_API uint32_t CHIP_KALO_DelDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table);
HAL_API uint32_t PDT_L2M_AddDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table);
HAL_API uint32_t PDT_L2M_DelDscpToPbitTbl(uint32_t usTblId, const HAL_L2_DSCP_TBL_S *table);
HAL_API uint32_t CHIP_KALO_AddBridgePort(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t value);
HAL_API uint32_t CHIP_KALO_DelBridgePort(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t value);
/* cmd: 0x20030002 adds the port with value, 0x20030003 removes it. */
HAL_API uint32_t PDT_L2M_SetBridgePort(uint32_t ucBridgeId, uint32_t usCtpId, uint32_t value, uint32_t cmd);

/* Traffic limits: L2 hook slots 9 to 11. cmd of PDT_L2M_SetCarLimit: one
 * of the four limit commands 0x20030009 to 0x2003000b and 0x20030027. */
HAL_API uint32_t CHIP_KALO_SetBcLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit);
HAL_API uint32_t CHIP_KALO_SetUmcLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit);
HAL_API uint32_t CHIP_KALO_SetUucLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit);
HAL_API uint32_t PDT_L2M_SetCarLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit, uint32_t cmd);
HAL_API uint32_t PDT_L2M_TransCarLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit, chip_car_s *car);
HAL_API uint32_t PDT_L2M_setBcTR8800Limit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit);

/* Debug dumps of a host rule and treatment and of a chip rule and action,
 * printed on the console. */
HAL_API void PDT_L2M_WapRuleActPrint(const HAL_L2_FLOW_RULE_S *rule, const HAL_L2_FLOW_TREAT_S *treat);
HAL_API void PDT_L2M_KaRuleActPrint(const chip_flow_rule_s *rule, const chip_flow_act_s *act);

/* Match translation. */
HAL_API void PDT_L2M_TagNumTrans(uint32_t tagNum, const HAL_L2_FLOW_RULE_S *rule, chip_flow_rule_s *chipRule);
HAL_API void PDT_L2M_TagNumTransTagType(uint32_t tagNum, const HAL_L2_FLOW_RULE_S *rule, chip_flow_rule_s *chipRule);
HAL_API uint32_t PDT_L2M_FlowRuleTrans(const HAL_L2_FLOW_RULE_S *rule, chip_flow_rule_s *chipRule);

/* Converters of the translation tables: five words each, values first,
 * then the addresses of the u32 fields they write (0 = not written). */
HAL_API uint32_t PDT_L2M_DefaultConverter(uintptr_t first, uintptr_t second, uintptr_t unused, uintptr_t firstDst,
                                          uintptr_t secondDst);
HAL_API uint32_t PDT_L2M_GetVlan(uintptr_t vlanTreat, uintptr_t vlanId, uintptr_t tagActDst, uintptr_t sourceDst,
                                 uintptr_t vlanDst);
HAL_API uint32_t PDT_L2M_GetPri(uintptr_t priTreat, uintptr_t pri, uintptr_t unused, uintptr_t sourceDst,
                                uintptr_t priDst);

/* Action translation. */
HAL_API uint32_t PDT_L2M_FlowActTrans(const HAL_L2_FLOW_RULE_S *rule, const HAL_L2_FLOW_TREAT_S *treat,
                                      chip_flow_act_s *act);
HAL_API uint32_t PDT_L2M_FlowActSpecAdpt(const HAL_L2_FLOW_RULE_S *rule, const HAL_L2_FLOW_TREAT_S *treat,
                                         chip_flow_act_s *act);
HAL_API uint32_t PDT_L2M_FlowAdpt(const HAL_L2_FLOW_S *flow, chip_flow_in_s *in);

HAL_EXTERN_C_END

#endif
