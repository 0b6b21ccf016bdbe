/* Records of MAC management as the kernel forwarding driver reads and
 * writes them: learning and aging, static MAC entries, the MAC table and
 * the Ethernet MAC filter. Little-endian, cleared before they are filled. */
#ifndef CHIP_KALO_KALO_L2_MAC_REC_H
#define CHIP_KALO_KALO_L2_MAC_REC_H

#include <cstdint>

#include "chip/kalo/kalo_l2_rec.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_record.h"

/* Learning setting of one port, or of the device with an empty port
 * (HLP 0x2003000f mode, 0x2003000e address limit, 0x20030025 state). */
struct chip_mac_learn_s {
    chip_port_s port;
    uint32_t value;
};
HAL_RECORD(chip_mac_learn_s, 12, HAL_SUB(port, 0), HAL_AT(value, 8));
HAL_HLP_COMMAND(MAC_SET_LEARN_MODE, chip_mac_learn_s, hal::hlp::NoReply, "MAC learning mode");
HAL_HLP_COMMAND(MAC_SET_LEARN_NUM, chip_mac_learn_s, hal::hlp::NoReply, "MAC address limit");
HAL_HLP_COMMAND(MAC_SET_LEARN_STATE, chip_mac_learn_s, hal::hlp::NoReply, "MAC learning state");

/* Aging of learnt entries (HLP 0x2003000c). */
struct chip_mac_age_s {
    uint32_t mode;
    uint32_t time; /* 0 unless mode is 1 */
};
HAL_RECORD(chip_mac_age_s, 8, HAL_AT(mode, 0), HAL_AT(time, 4));
HAL_HLP_COMMAND(MAC_SET_AGE, chip_mac_age_s, hal::hlp::NoReply, "MAC aging");

/* Static MAC entry (HLP 0x20030010 add, 0x20030011 delete). An entry for
 * any VLAN goes twice: VLAN 0 with any_vlan 0, then with any_vlan 1. */
struct chip_static_mac_s {
    uint32_t port; /* as the host gives it */
    uint32_t rsv4;
    uint32_t any_vlan;
    uint32_t vlan;
    uint32_t rsv16[2];
    uint8_t mac[6];
    uint16_t rsv30;
};
HAL_RECORD(chip_static_mac_s, 32, HAL_AT(port, 0), HAL_AT(rsv4, 4), HAL_AT(any_vlan, 8), HAL_AT(vlan, 12),
           HAL_AT(rsv16, 16), HAL_AT(mac, 24), HAL_AT(rsv30, 30));
HAL_HLP_COMMAND(MAC_ADD_STATIC, chip_static_mac_s, hal::hlp::NoReply, "add static MAC");
HAL_HLP_COMMAND(MAC_DEL_STATIC, chip_static_mac_s, hal::hlp::NoReply, "remove static MAC");

/* One entry of the chip's MAC table. */
struct chip_mac_entry_s {
    uint32_t rsv0;
    uint32_t is_static;
    uint32_t vlan_mode; /* 1: the entry has no VLAN id */
    uint16_t vlan;
    uint16_t rsv14;
    uint32_t kind; /* only kind 4 is reported to the host */
    uint32_t mask; /* chip ports of the entry */
    uint8_t mac[6];
    uint16_t rsv30;
};
HAL_RECORD(chip_mac_entry_s, 32, HAL_AT(rsv0, 0), HAL_AT(is_static, 4), HAL_AT(vlan_mode, 8), HAL_AT(vlan, 12),
           HAL_AT(rsv14, 14), HAL_AT(kind, 16), HAL_AT(mask, 20), HAL_AT(mac, 24), HAL_AT(rsv30, 30));

/* The MAC table as the driver writes it into the library's buffer. */
constexpr uint32_t kChipMacTableMax = 2048;
struct chip_mac_table_s {
    uint32_t count;
    chip_mac_entry_s entry[kChipMacTableMax];
};
HAL_RECORD(chip_mac_table_s, 65540, HAL_AT(count, 0), HAL_AT(entry, 4));

/* MAC table read (HLP 0x20030017): the address of the buffer the driver
 * fills, one word of the terminal's pointer size; no reply buffer. */
struct chip_mac_table_req_s {
    uintptr_t buffer;
};
HAL_RECORD(chip_mac_table_req_s, sizeof(uintptr_t), HAL_AT(buffer, 0));
HAL_HLP_COMMAND(MAC_GET_TABLE, chip_mac_table_req_s, hal::hlp::NoReply, "read MAC table");

/* Ethernet MAC filter entry of one port (HLP 0x20030014 add, 0x20030015
 * delete). */
struct chip_mac_filter_s {
    chip_port_s port;
    uint8_t mac[6];
    uint16_t rsv14;
};
HAL_RECORD(chip_mac_filter_s, 16, HAL_SUB(port, 0), HAL_AT(mac, 8), HAL_AT(rsv14, 14));
HAL_HLP_COMMAND(MAC_ADD_FILTER, chip_mac_filter_s, hal::hlp::NoReply, "add MAC filter entry");
HAL_HLP_COMMAND(MAC_DEL_FILTER, chip_mac_filter_s, hal::hlp::NoReply, "remove MAC filter entry");

/* Filter mode of one port: set (HLP 0x20030016), and the reply of the read
 * (0x20030028), whose request is the port alone. */
struct chip_mac_filter_mode_s {
    chip_port_s port;
    uint32_t mode;
};
HAL_RECORD(chip_mac_filter_mode_s, 12, HAL_SUB(port, 0), HAL_AT(mode, 8));
HAL_HLP_COMMAND(MAC_SET_FILTER_MODE, chip_mac_filter_mode_s, hal::hlp::NoReply, "set MAC filter mode");
HAL_HLP_COMMAND(MAC_GET_FILTER_MODE, chip_port_s, chip_mac_filter_mode_s, "read MAC filter mode");

#endif
