/* Protocol-packet ACL flows and diagnostic (DFX) flows: the field getters
 * that fill the chip match block from a host rule, the rule translation,
 * ACL installation with its CAR profile, and DFX flows with counters. */
#ifndef CHIP_KALO_KALO_PRTCL_H
#define CHIP_KALO_KALO_PRTCL_H

#include <stdint.h>

#include "chip/kalo/kalo_prtcl_rec.h"
#include "hal_network_adpt/hal_l2.h"

HAL_EXTERN_C_BEGIN

/* Field getters. Each takes the addresses of its source, auxiliary source,
 * destination and second destination, as the descriptor tables give them,
 * and returns 0. */
HAL_API uint32_t PDT_L2M_PrtclPktMacGet(uintptr_t mac, uintptr_t mask, uintptr_t addrDst, uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktSvlanGet(uintptr_t src, uintptr_t unused, uintptr_t valueDst, uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktVlanNum(uintptr_t src, uintptr_t unused, uintptr_t valueDst, uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktDstL3IF(uintptr_t src, uintptr_t unused, uintptr_t valueDst, uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktIpProtocolGet(uintptr_t src, uintptr_t unused, uintptr_t valueDst, uintptr_t kindDst);
HAL_API uint32_t PDT_L2M_PrtclPktETHTypeGet(uintptr_t src, uintptr_t unused, uintptr_t matchDst, uintptr_t unused2);
HAL_API uint32_t PDT_L2M_PrtclPktICMPV6TypeGet(uintptr_t src, uintptr_t unused, uintptr_t matchDst, uintptr_t unused2);
HAL_API uint32_t PDT_L2M_PrtclPktPppoeProtocl(uintptr_t src, uintptr_t unused, uintptr_t matchDst, uintptr_t unused2);
HAL_API uint32_t PDT_L2M_PrtclPktIPv6NextHeader(uintptr_t unusedSrc, uintptr_t unused, uintptr_t matchDst,
                                                uintptr_t unused2);
HAL_API uint32_t PDT_L2M_PrtclPktCapTypeGet(uintptr_t src, uintptr_t unused, uintptr_t matchDst, uintptr_t unused2);
HAL_API uint32_t PDT_L2M_PrtclPktL4PortGet(uintptr_t ipProtocol, uintptr_t rule, uintptr_t valueDst, uintptr_t kindDst);
HAL_API uint32_t PDT_L2M_PrtclPktIp4AddrGet(uintptr_t addr, uintptr_t mask, uintptr_t ipDst, uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktIp6AddrGet(uintptr_t addr, uintptr_t mask, uintptr_t ipDst, uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktIpVersionGet(uintptr_t version, uintptr_t qualifier, uintptr_t codeDst,
                                              uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktIpVerNoIpPpGet(uintptr_t qualifier, uintptr_t unused, uintptr_t codeDst,
                                                uintptr_t validDst);
HAL_API uint32_t PDT_L2M_PrtclPktTcpFlagGet(uintptr_t tcpFlag, uintptr_t qualifier, uintptr_t match, uintptr_t unused);
HAL_API uint32_t PDT_L2M_PrtclPktArpDestIP(uintptr_t addr, uintptr_t mask, uintptr_t match, uintptr_t unused);
HAL_API uint32_t PDT_L2M_PrtclPktTunnelType(uintptr_t src, uintptr_t unused, uintptr_t validDst, uintptr_t valueDst);
HAL_API uint32_t PDT_L2M_PrtclPktIPLENFGet(uintptr_t src, uintptr_t unused, uintptr_t match, uintptr_t unused2);

/* Port getters: port type and port id in, direction word and chip port
 * descriptor out. 0 or the code of a port that cannot be resolved. */
HAL_API uint32_t PDT_L2M_PrtclPktIngressGet(uintptr_t portType, uintptr_t portId, uintptr_t directionDst,
                                            uintptr_t portDst);
HAL_API uint32_t PDT_L2M_PrtclPktEgressGet(uintptr_t portType, uintptr_t portId, uintptr_t directionDst,
                                           uintptr_t portDst);

/* Rule translation into the protocol-packet flow record. */
HAL_API uint32_t PDT_L2M_PrtclPktAclToFlow(uint32_t flowId, uint32_t portType, uint32_t portId,
                                           const PrtclPktRule *rule, uint32_t ruleClass, const PrtclPktAction *action,
                                           PduFlowRecord *flow);
HAL_API uint32_t PDT_L2M_PrtclPktRuleTrans(uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                           PduMatch *match);
HAL_API void PDT_L2M_PrtclPktAclPrint(void);

/* ACL installation: L2 hook slots 31 and 32. */
HAL_API uint32_t CHIP_KALO_PrtclPktAclAdd(uint32_t aclId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                          uint32_t ruleClass, const PrtclPktAction *action);
HAL_API uint32_t CHIP_KALO_PrtclPktAclDel(uint32_t aclId);
HAL_API void PDT_L2M_GetPduCarInfo(const PrtclPktAction *action, uint32_t aclId, PduCarRequest *car);

/* Diagnostic flows: L2 hook slots 34 to 39. */
HAL_API uint32_t CHIP_KALO_IsDfxChipSupport(uint32_t *support);
HAL_API uint32_t CHIP_KALO_DfxFlowAdd(uint32_t flowId, uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                      uint32_t ruleClass, const PrtclPktAction *action);
HAL_API uint32_t CHIP_KALO_DfxFlowDel(uint32_t flowId);
HAL_API uint32_t CHIP_KALO_DfxFlowCntEnable(uint32_t flowId, uint32_t enable);
HAL_API uint32_t CHIP_KALO_DfxFlowCntGet(uint32_t flowId, HAL_DFX_FLOW_CNT_S *counters);
HAL_API uint32_t CHIP_KALO_DfxFlowCntClr(uint32_t flowId);
HAL_API uint32_t PDT_L2M_PrtclPktAclToDfxFlow(uint32_t flowId, uint32_t portType, uint32_t portId,
                                              const PrtclPktRule *rule, uint32_t ruleClass,
                                              const PrtclPktAction *action, DfxFlowRecord *flow);
HAL_API uint32_t PDT_L2M_PrtclPktRuleTransDfx(uint32_t portType, uint32_t portId, const PrtclPktRule *rule,
                                              DfxFlowRecord *flow);

/* DFX field getters: the rule's field, the whole rule, the flow record from
 * its direction word on. */
HAL_API uint32_t PDT_L2M_DFX_PrtclPktL4SrcPortGet(uintptr_t ipProtocol, uintptr_t rule, uintptr_t flow,
                                                  uintptr_t unused);
HAL_API uint32_t PDT_L2M_DFX_PrtclPktL4DestPortGet(uintptr_t ipProtocol, uintptr_t rule, uintptr_t flow,
                                                   uintptr_t unused);
HAL_API uint32_t PDT_L2M_DFX_PrtclPktCapTypeGet(uintptr_t capType, uintptr_t unused, uintptr_t flow, uintptr_t unused2);
HAL_API uint32_t PDT_L2M_DFX_PrtclPktIpProtocolGet(uintptr_t ipProtocol, uintptr_t unused, uintptr_t flow,
                                                   uintptr_t unused2);

HAL_EXTERN_C_END

#endif
