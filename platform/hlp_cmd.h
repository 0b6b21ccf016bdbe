/* HLP command codes of the kernel forwarding driver. The high 20 bits name
 * a group, the low 12 bits a command of that group. */
#ifndef PLATFORM_HLP_CMD_H
#define PLATFORM_HLP_CMD_H

#include <stdint.h>

namespace hal::hlp {

constexpr uint32_t kGroupL3 = 0x2002d000U;
constexpr uint32_t kGroupBtv = 0x20026000U;
constexpr uint32_t kGroupL2 = 0x20030000U;

constexpr uint32_t groupOf(uint32_t cmd) { return cmd & 0xFFFFF000U; }

/* L3 interfaces, prefixes, policy routes, NAPT indications, WAN statistics. */
constexpr uint32_t L3IF_ADD = 0x2002d000U;
constexpr uint32_t L3IF_DEL = 0x2002d001U;
constexpr uint32_t POLICY_ROUTE_ADD = 0x2002d002U;
constexpr uint32_t POLICY_ROUTE_DEL = 0x2002d003U;
constexpr uint32_t WAN_STATS_ADD = 0x2002d004U;
constexpr uint32_t WAN_STATS_DEL = 0x2002d005U;
constexpr uint32_t WAN_STATS_CLR = 0x2002d006U;
constexpr uint32_t WAN_STATS_GET = 0x2002d007U;
constexpr uint32_t PREFIX_ADD = 0x2002d008U;
constexpr uint32_t PREFIX_DEL = 0x2002d009U;
constexpr uint32_t NAPT_IND_ADD = 0x2002d00aU;
constexpr uint32_t NAPT_IND_DEL = 0x2002d00bU;
constexpr uint32_t L3IF_SET_MTU = 0x2002d00cU;

/* Multicast programs, program users and multicast statistics. */
constexpr uint32_t BTV_ADD_USER = 0x20026000U;
constexpr uint32_t BTV_DEL_USER = 0x20026001U;
constexpr uint32_t BTV_ADD_PROGRAM = 0x20026002U;
constexpr uint32_t BTV_DEL_PROGRAM = 0x20026003U;
constexpr uint32_t QX_KER_HLP_CMD_BTV_MATCH_MODE = 0x20026004U;
constexpr uint32_t QX_KER_HLP_CMD_BTV_SET_STATS = 0x20026005U;
constexpr uint32_t QX_KER_HLP_CMD_BTV_CLR_STATS = 0x20026006U;
constexpr uint32_t QX_KER_HLP_CMD_BTV_GET_STATS = 0x20026007U;
constexpr uint32_t BTV_SET_EM_RULE = 0x20026008U;
constexpr uint32_t BTV_DEL_EM_RULE = 0x20026009U;
constexpr uint32_t BTV_GET_EM_STATS = 0x2002600aU;
constexpr uint32_t QX_KER_HLP_CMD_BTVUSER_SET_STATS = 0x2002600bU;
constexpr uint32_t QX_KER_HLP_CMD_BTVUSER_CLR_STATS = 0x2002600cU;
constexpr uint32_t BTVUSER_GET_STATS = 0x2002600dU;

/* Layer-2 flows, port services, MAC management, protocol-packet and
 * diagnostic flows. */
constexpr uint32_t L2_ADD_FLOW = 0x20030000U;
constexpr uint32_t L2_DEL_FLOW = 0x20030001U;
constexpr uint32_t PDU_ADD_FLOW = 0x20030012U;
constexpr uint32_t PDU_DEL_FLOW = 0x20030013U;

}  // namespace hal::hlp

#endif
