/* Chip port resolution shared by every chip request that carries a port. */
#ifndef CHIP_KALO_KALO_COMMON_H
#define CHIP_KALO_KALO_COMMON_H

#include <stdint.h>

#include "chip/kalo/kalo_l2_rec.h"
#include "hal_network_adpt/hal_types.h"

HAL_EXTERN_C_BEGIN

/* Fills the chip port descriptor of a CTP. An Ethernet port that the host
 * made a network-side port is replaced by the current uplink unless uplink
 * auto-selection, the multi-service IPTV port or device attribute
 * 0x11000033 = 8 keeps it. Returns 0 or the failing host call's code. */
HAL_API uint32_t CHIP_KALO_GetKaPortByCtp(uint32_t usCtpId, chip_port_s *port);

/* 1 when the host's L2 management reports the CTP on the network side. */
HAL_API uint32_t PDT_L2M_IsNni(uint32_t usCtpId);

HAL_EXTERN_C_END

#ifdef __cplusplus
namespace kalo {

/* Ethernet user ports 1 to N. A port is on the network side when its CTP
 * and that CTP's role are known and the role is 3; a port whose lookups
 * fail counts as user side. */
bool isNetworkSideEthPort(uint32_t userPort);

/* The chip port bit of an Ethernet user port; 0 when its chip port is
 * unknown or beyond the mask. */
uint32_t ethPortBit(uint32_t userPort);

}  // namespace kalo
#endif

#endif
