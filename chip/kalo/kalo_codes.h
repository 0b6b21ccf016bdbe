// Codes of this chip adapter: the CTP types the port identity hooks report,
// the values the adapter writes into the driver's records, and their names
// for the decoder.
#ifndef CHIP_KALO_KALO_CODES_H
#define CHIP_KALO_KALO_CODES_H

#include <cstdint>

#include "hal_network_adpt/hal_types.h"
#include "platform/hlp_record.h"

namespace kalo {

using hal::rec::ValueName;

// ---- Port identity -----------------------------------------------------------

// CTP types, as the adapter treats them. Their meaning beyond that is the
// host's.
enum CtpType : uint32_t {
    kCtpEth = 0,            // Ethernet user port
    kCtpSingle = 1,         // one chip port of its own (port type 5)
    kCtpGponUni = 2,        // enters through the unicast GEM port of its bridge
    kCtpUplink = 3,         // resolved to the uplink port type
    kCtpVirtualUni = 4,     // a virtual UNI: bridge port type 11
    kCtpFlowlessFirst = 5,  // 5 to 9: flows are accepted, nothing is installed
    kCtpFlowlessLast = 9,
    kCtpAniMulticast = 10,   // ANI multicast: port from the GEM lookup
    kCtpAniGem = 11,         // the other ANI type reached through a GEM port
    kCtpPort8OrUplink = 12,  // Ethernet on user port 8, the uplink otherwise
    kCtpUnknown = 13,        // left by a lookup that writes nothing
};

// Net role a lookup starts from: neither user side nor network side.
constexpr uint32_t kNetRoleUnset = 5;
static_assert(kNetRoleUnset != HAL_NET_ROLE_UNI && kNetRoleUnset != HAL_NET_ROLE_NNI);

// ---- Device and chip attributes -------------------------------------------------

// Device attribute: the number of Ethernet user ports, numbered 1 to N.
constexpr uint32_t kDevAttrUserPortCount = 1;

// Chip attribute: the chip type. Types 1 to 3 form the TR8800 family; an
// unreadable type counts as 101, outside it.
constexpr uint32_t kChipAttrType = 0x10001;
constexpr uint32_t kChipTypeUnread = 101;
constexpr bool isTr8800Family(uint32_t chipType) { return chipType >= 1 && chipType <= 3; }
static_assert(!isTr8800Family(kChipTypeUnread));

// ---- Chip port descriptor ----------------------------------------------------

enum PortType : uint32_t {
    kPortUplink = 3,
    kPortEth = 4,
    kPortSingle = 5,
    kPortGem = 9,  // the mask word holds a GEM port number
    kPortVirtualUni = 11,
};
inline constexpr ValueName kPortTypeNames[] = {
    {kPortUplink, "uplink"}, {kPortEth, "eth"}, {kPortSingle, "single"}, {kPortGem, "gem"}, {kPortVirtualUni, "vuni"},
};

// ---- Flow message --------------------------------------------------------------

enum FlowDirection : uint32_t {
    kDirUpstream = 0,
    kDirDownstream = 1,
    kDirBoth = 2,
};
inline constexpr ValueName kDirectionNames[] = {{kDirUpstream, "up"}, {kDirDownstream, "down"}, {kDirBoth, "both"}};

// Tags a match rule asks for (tag_type).
enum TagType : uint32_t {
    kTagTypeUntagged = 0,
    kTagTypeTagged = 1,
};

// Tag action: 1 and 3 are the two tag-writing actions the VLAN treatments
// select, 2 removes tags.
enum TagAct : uint32_t {
    kTagActNone = 0,
    kTagActWrite = 1,
    kTagActRemove = 2,
    kTagActWriteAlt = 3,
};
inline constexpr ValueName kTagActNames[] = {
    {kTagActNone, "none"}, {kTagActWrite, "write"}, {kTagActRemove, "remove"}, {kTagActWriteAlt, "write-alt"}};

// Source of an action field: 2 takes the value written beside it; codes 3
// to 8 go to the chip as the treatment tables give them, without a value.
enum Source : uint32_t {
    kSourceNone = 0,
    kSourceValue = 2,
};
inline constexpr ValueName kSourceNames[] = {{kSourceNone, "none"}, {kSourceValue, "value"}};

// ---- L3 records ----------------------------------------------------------------

enum IpVer : uint32_t {
    kIpVerV4 = 1,
    kIpVerV6 = 2,
};
inline constexpr ValueName kIpVerNames[] = {{kIpVerV4, "ipv4"}, {kIpVerV6, "ipv6"}};

// What an L3 interface matches on, and how it sends.
enum L3Match : uint32_t {
    kL3MatchNone = 0,
    kL3MatchMacVlan = 1,
    kL3MatchMac = 2,
};
inline constexpr ValueName kL3MatchNames[] = {
    {kL3MatchNone, "none"}, {kL3MatchMacVlan, "mac+vlan"}, {kL3MatchMac, "mac"}};
constexpr uint32_t kL3OutModeVlan = 2;

// Priority mode of an L3 interface.
enum L3PriMode : uint32_t {
    kL3PriNone = 0,
    kL3PriFixed = 2,
    kL3PriMarkSecond = 6,
    kL3PriMark = 8,
};
inline constexpr ValueName kL3PriModeNames[] = {
    {kL3PriNone, "none"}, {kL3PriFixed, "fixed"}, {kL3PriMarkSecond, "mark+second"}, {kL3PriMark, "mark"}};

// Ingress of a policy route: by the chip ports in its mask, or any.
constexpr uint32_t kRouteIngressByPort = 4;

// ---- Protocol-packet and diagnostic flows ---------------------------------------

// How the port of a protocol-packet rule is given: a CTP id in the low 16
// bits of the port id, one of two fixed chip port types, or a kind that is
// accepted without a port.
enum PduPortType : uint32_t {
    kPduPortCtp = 1,
    kPduPortFixed1 = 2,
    kPduPortFixed2 = 3,
    kPduPortNone = 4,
};
constexpr bool isPduPortType(uint32_t type) { return type >= kPduPortCtp && type <= kPduPortNone; }

// What the match value of a protocol-packet flow is compared with.
enum PduMatchKind : uint32_t {
    kMatchPacketType = 0,  // a packet-type code of the chip
    kMatchEthType = 1,
    kMatchIpProtocol = 2,
    kMatchTcpPorts = 3,  // source port in bits 0-15, destination port in bits 16-31
    kMatchOtherPorts = 4,
    kMatchIcmpv6Type = 5,
    kMatchPppoeProtocol = 6,
};
inline constexpr ValueName kMatchKindNames[] = {
    {kMatchPacketType, "packet-type"}, {kMatchEthType, "ethertype"},   {kMatchIpProtocol, "ip-protocol"},
    {kMatchTcpPorts, "tcp-ports"},     {kMatchOtherPorts, "l4-ports"}, {kMatchIcmpv6Type, "icmpv6-type"},
    {kMatchPppoeProtocol, "pppoe"},
};

// Direction of a protocol-packet or DFX flow on its port.
enum PduDirection : uint32_t {
    kPduIngress = 0,
    kPduEgress = 1,
};
inline constexpr ValueName kPduDirectionNames[] = {{kPduIngress, "ingress"}, {kPduEgress, "egress"}};

}  // namespace kalo

#endif
