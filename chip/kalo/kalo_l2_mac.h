/* MAC management chip adapter: learning and aging, static MAC entries, the
 * MAC table read-out and the chip side of the Ethernet MAC filter. */
#ifndef CHIP_KALO_KALO_L2_MAC_H
#define CHIP_KALO_KALO_L2_MAC_H

#include <stdint.h>

#include "chip/kalo/kalo_l2_mac_rec.h"
#include "hal_network_adpt/hal_l2.h"

HAL_EXTERN_C_BEGIN

/* Learning and aging: L2 hook slots 16 to 21. */
HAL_API uint32_t CHIP_KALO_SetMacLearnMode(uint32_t mode);
HAL_API uint32_t CHIP_KALO_SetMacLearnNum(uint32_t limit);
HAL_API uint32_t CHIP_KALO_SetMacAge(uint32_t mode, uint32_t time);
HAL_API uint32_t CHIP_KALO_SetPortMacLearnNum(uint32_t usCtpId, uint32_t limit);
HAL_API uint32_t CHIP_KALO_SetPortMacLearnState(uint32_t usCtpId, uint32_t state);
HAL_API uint32_t CHIP_KALO_SetMacLearnState(uint32_t state);

/* Flushing the MAC entries of one port is not offered by this chip: the
 * request is accepted and nothing is done. Slot 24. */
HAL_API uint32_t CHIP_KALO_DelPortMac(uint32_t value);

/* Static MAC entries (slots 22 and 23) and the MAC table (slot 25). cmd of
 * PDT_L2M_ModifyStaticMac: 0x20030010 adds, 0x20030011 removes. */
HAL_API uint32_t CHIP_KALO_AddStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac);
HAL_API uint32_t CHIP_KALO_DelStaticMac(uint32_t port, uint32_t vlan, const uint8_t *mac);
HAL_API uint32_t PDT_L2M_ModifyStaticMac(uint32_t cmd, uint32_t port, uint32_t vlan, const uint8_t *mac);
HAL_API uint32_t CHIP_KALO_GetMacTable(HAL_L2_MAC_TABLE_S *table);
HAL_API uint32_t PDT_L2M_MacFunc(HAL_L2_MAC_TABLE_S *table);
HAL_API uint32_t PDT_L2M_GetMacTable(const chip_mac_table_s *buffer, HAL_L2_MAC_TABLE_S *table);
HAL_API uint32_t PDT_L2M_GetPortNumFromMask(uint32_t mask);

/* Ethernet MAC filter: slots 26 to 29. The walk repeats a per-port
 * operation on every user-side Ethernet port and stops at the first that
 * fails; an operation gets the port's descriptor, the walk's argument, the
 * port's bit and 1. */
typedef uint32_t (*KALO_ETH_PORT_OP)(chip_port_s *port, uintptr_t arg, uint32_t bit, uint32_t one);
HAL_API uint32_t CHIP_KALO_EthMacFilter(uintptr_t arg, KALO_ETH_PORT_OP op);
HAL_API uint32_t CHIP_KALO_AddEthMacFilter(const HAL_L2_MAC_FILTER_S *entry);
HAL_API uint32_t CHIP_KALO_DelEthMacFilter(const HAL_L2_MAC_FILTER_S *entry);
HAL_API uint32_t CHIP_KALO_SetEthMacFilterMode(uint32_t mode);
HAL_API uint32_t CHIP_KALO_GetEthMacFilterMode(uint32_t *mode);
HAL_API uint32_t CHIP_KALO_DrvAddMacAddr(chip_port_s *port, uintptr_t mac, uint32_t bit, uint32_t one);
HAL_API uint32_t CHIP_KALO_DrvDelMacAddr(chip_port_s *port, uintptr_t mac, uint32_t bit, uint32_t one);
HAL_API uint32_t CHIP_KALO_DrvSetEthMacFltMode(chip_port_s *port, uintptr_t mode, uint32_t bit, uint32_t one);
HAL_API uint32_t CHIP_KALO_DrvGetEthMacFltMode(chip_port_s *port, uintptr_t mode, uint32_t bit, uint32_t one);

HAL_EXTERN_C_END

#endif
