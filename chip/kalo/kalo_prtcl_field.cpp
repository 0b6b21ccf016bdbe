// Field getters of protocol-packet rules: each turns one kind of field of the
// host rule into its part of the chip match block. The descriptor tables
// hand every getter the addresses of its source, auxiliary source,
// destination and second destination; a getter never fails, and an address
// of 0 makes it write nothing.
#include <iterator>

#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_prtcl.h"
#include "chip/kalo/kalo_prtcl_rows.h"
#include "platform/diag.h"

HAL_DIAG_SOURCE("kalo_prtcl", hal::kModuleL2);

namespace {

using namespace kalo;

// Capture types: the match kind and value a host capture type stands for.
// Searched in this order; the first row with the key wins.
struct CapType {
    uint32_t capType;
    uint32_t kind;
    uint32_t value;
};
// clang-format off
constexpr CapType kCapTypes[] = {
    {2, kMatchEthType, 0x0806},     // ARP
    {3, kMatchEthType, 0x0835},
    {10, kMatchEthType, 0x8863},    // PPPoE discovery
    {11, kMatchEthType, 0x8864},    // PPPoE session
    {9, kMatchIpProtocol, 1},       // ICMP
    {4, kMatchIpProtocol, 2},       // IGMP
    {49, kMatchPacketType, 5},
    {50, kMatchPacketType, 6},
    {5, kMatchPacketType, 3},
    {17, kMatchPacketType, 4},
    {29, kMatchPacketType, 8},
    {30, kMatchPacketType, 9},
    {31, kMatchPacketType, 10},
    {32, kMatchPacketType, 11},
    {33, kMatchPacketType, 12},
    {34, kMatchPacketType, 13},
    {35, kMatchPacketType, 14},
    {36, kMatchPacketType, 15},
    {18, kMatchIcmpv6Type, 133},    // router solicitation
    {19, kMatchIcmpv6Type, 134},    // router advertisement
    {20, kMatchIcmpv6Type, 135},    // neighbour solicitation
    {21, kMatchIcmpv6Type, 136},    // neighbour advertisement
    {12, kMatchPacketType, 32},
    {13, kMatchPacketType, 33},
    {14, kMatchPacketType, 34},
    {15, kMatchPacketType, 35},
    {16, kMatchPacketType, 36},
    {41, kMatchPacketType, 41},
    {44, kMatchPacketType, 42},
    {43, kMatchPacketType, 43},
    {46, kMatchPacketType, 44},
    {38, kMatchPacketType, 45},
    {48, kMatchPacketType, 82},
};
// clang-format on
static_assert(std::size(kCapTypes) == 33);

constexpr uint32_t kProtocolTcp = 6;
constexpr uint32_t kNextHeaderIcmpv6 = 58;
constexpr uint32_t kPacketTypeTcpFlag = 0x51;    // the packet-type code of the TCP flag rule
constexpr uint32_t kPacketTypeArpTarget = 0x50;  // the packet-type code of an ARP target rule
constexpr uint16_t kTcpFlagPacketType = 7;       // usTcpFlag asking for that packet type
constexpr uint16_t kTcpFlagAnyPorts = 16;        // usTcpFlag asking for TCP on any ports
constexpr uint32_t kAnyPort = 0xFFFF;

// Don't-care bits of a mask byte or word: its zero bits from bit 0 up to
// the first one bit.
template <typename T>
uint32_t trailingZeros(T mask)
{
    uint32_t n = 0;
    for (; n < sizeof(T) * 8 && ((mask >> n) & 1U) == 0; ++n) {
    }
    return n;
}

// Bounded copies the getters make; a refused copy is recorded at its line
// and the getter goes on.
constexpr uint32_t kMacCopyLine = 132;
constexpr uint32_t kIpv6CopyLine = 213;

void copyBytes(uint32_t line, void *dst, size_t size, const void *src)
{
    const int ret = memcpy_s(dst, size, src, size);
    if (ret != 0) {
        lastWord(line, static_cast<uint32_t>(ret));
    }
}

// An IPv4 address and the don't-care bits of its mask, added to those the
// block holds.
void fillIpv4(uint32_t &valid, PduIpAddr &ip, uint32_t addr, uint32_t mask)
{
    valid = 1;
    ip.type = kIpVerV4;
    ip.addr[0] = addr;
    ip.wildcard = static_cast<uint16_t>(ip.wildcard + trailingZeros(mask));
}

// Qualifier 0, 1, 2 of a rule without an IP version: codes 1, 2, 3; any
// other qualifier switches the IP-version match off.
void ipVersionOfQualifier(uint32_t qualifier, uint32_t &code, uint32_t &valid)
{
    valid = 1;
    if (qualifier <= 2) {
        code = qualifier + 1;
    } else {
        valid = 0;
    }
}

uint32_t portOf(uint32_t port) { return port == 0 ? kAnyPort : port & 0xFFFFU; }

// Port getter of either direction.
uint32_t getPort(PduDirection direction, uintptr_t portType, uintptr_t portId, uintptr_t directionDst,
                 uintptr_t portDst)
{
    if (!given(portType, portId, directionDst, portDst)) {
        return HAL_ERR;
    }
    const bool ingress = direction == kPduIngress;
    out<uint32_t>(directionDst) = direction;
    chip_port_s &port = out<chip_port_s>(portDst);
    const uint32_t type = in<uint32_t>(portType);
    const uint32_t ctpId = in<uint32_t>(portId) & 0xFFFFU;
    switch (type) {
        case kPduPortFixed1:
            port.port_type = 1;
            return 0;
        case kPduPortFixed2:
            port.port_type = 2;
            return 0;
        case kPduPortCtp: {
            const uint32_t ret = CHIP_KALO_GetKaPortByCtp(ctpId, &port);
            if (ret != 0) {
                lastWord(ingress ? 100 : 45, ret, 1, ctpId);
            }
            return ret;
        }
        default:
            lastWord(ingress ? 115 : 60, HAL_ERR, type, ctpId);
            return HAL_ERR;
    }
}

}  // namespace

extern "C" {

// ---- Ports ------------------------------------------------------------------------

uint32_t PDT_L2M_PrtclPktIngressGet(uintptr_t portType, uintptr_t portId, uintptr_t directionDst, uintptr_t portDst)
{
    return getPort(kPduIngress, portType, portId, directionDst, portDst);
}

uint32_t PDT_L2M_PrtclPktEgressGet(uintptr_t portType, uintptr_t portId, uintptr_t directionDst, uintptr_t portDst)
{
    return getPort(kPduEgress, portType, portId, directionDst, portDst);
}

// ---- One value and its valid word ----------------------------------------------

uint32_t PDT_L2M_PrtclPktSvlanGet(uintptr_t src, uintptr_t /*unused*/, uintptr_t valueDst, uintptr_t validDst)
{
    if (given(src, valueDst, validDst)) {
        out<uint32_t>(valueDst) = in<uint32_t>(src);
        out<uint32_t>(validDst) = 1;
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktVlanNum(uintptr_t src, uintptr_t unused, uintptr_t valueDst, uintptr_t validDst)
{
    return PDT_L2M_PrtclPktSvlanGet(src, unused, valueDst, validDst);
}

uint32_t PDT_L2M_PrtclPktDstL3IF(uintptr_t src, uintptr_t unused, uintptr_t valueDst, uintptr_t validDst)
{
    return PDT_L2M_PrtclPktSvlanGet(src, unused, valueDst, validDst);
}

// The tunnel's valid word comes first.
uint32_t PDT_L2M_PrtclPktTunnelType(uintptr_t src, uintptr_t unused, uintptr_t validDst, uintptr_t valueDst)
{
    return PDT_L2M_PrtclPktSvlanGet(src, unused, valueDst, validDst);
}

uint32_t PDT_L2M_PrtclPktIPLENFGet(uintptr_t src, uintptr_t /*unused*/, uintptr_t match, uintptr_t /*unused2*/)
{
    if (given(src, match)) {
        PduMatch &m = out<PduMatch>(match);
        m.iplenf_valid = 1;
        m.iplenf = in<uint32_t>(src);
    }
    return 0;
}

// ---- Addresses --------------------------------------------------------------------

uint32_t PDT_L2M_PrtclPktMacGet(uintptr_t mac, uintptr_t mask, uintptr_t addrDst, uintptr_t validDst)
{
    if (!given(mac, mask, addrDst, validDst)) {
        return 0;
    }
    PduMacAddr &addr = out<PduMacAddr>(addrDst);
    out<uint32_t>(validDst) = 1;
    copyBytes(kMacCopyLine, addr.mac, sizeof(addr.mac), &in<uint8_t>(mac));
    uint32_t wildcard = 0;
    for (size_t i = 0; i < sizeof(addr.mac); ++i) {
        wildcard += trailingZeros(in<uint8_t>(mask + i));
    }
    addr.wildcard = static_cast<uint16_t>(wildcard);
    return 0;
}

uint32_t PDT_L2M_PrtclPktIp4AddrGet(uintptr_t addr, uintptr_t mask, uintptr_t ipDst, uintptr_t validDst)
{
    if (given(addr, mask, ipDst, validDst)) {
        fillIpv4(out<uint32_t>(validDst), out<PduIpAddr>(ipDst), in<uint32_t>(addr), in<uint32_t>(mask));
    }
    return 0;
}

// The 16 address bytes in network order become four words, each holding
// four bytes as a big-endian number. The mask's don't-care bits are counted
// from its last byte backwards.
uint32_t PDT_L2M_PrtclPktIp6AddrGet(uintptr_t addr, uintptr_t mask, uintptr_t ipDst, uintptr_t validDst)
{
    if (!given(addr, mask, ipDst, validDst)) {
        return 0;
    }
    PduIpAddr &ip = out<PduIpAddr>(ipDst);
    out<uint32_t>(validDst) = 1;
    ip.type = kIpVerV6;
    copyBytes(kIpv6CopyLine, ip.addr, sizeof(ip.addr), &in<uint8_t>(addr));
    for (uint32_t &word : ip.addr) {
        const auto *b = reinterpret_cast<const uint8_t *>(&word);
        word = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
    }
    uint32_t wildcard = 0;
    for (size_t i = 16; i-- > 0;) {
        const uint32_t zeros = trailingZeros(in<uint8_t>(mask + i));
        wildcard += zeros;
        if (zeros < 8) {
            break;
        }
    }
    ip.wildcard = static_cast<uint16_t>(wildcard);
    return 0;
}

// An ARP rule compares the target address as the destination IPv4 address,
// and the chip's packet type of ARP target rules.
uint32_t PDT_L2M_PrtclPktArpDestIP(uintptr_t addr, uintptr_t mask, uintptr_t match, uintptr_t /*unused*/)
{
    if (given(addr, mask, match)) {
        PduMatch &m = out<PduMatch>(match);
        fillIpv4(m.dip.valid, m.dip.ip, in<uint32_t>(addr), in<uint32_t>(mask));
        m.match = {kMatchPacketType, kPacketTypeArpTarget};
    }
    return 0;
}

// ---- IP version ---------------------------------------------------------------------

uint32_t PDT_L2M_PrtclPktIpVersionGet(uintptr_t version, uintptr_t qualifier, uintptr_t codeDst, uintptr_t validDst)
{
    if (!given(version, qualifier, codeDst, validDst)) {
        return 0;
    }
    out<uint32_t>(validDst) = 1;
    const uint32_t q = in<uint32_t>(qualifier);
    uint32_t &code = out<uint32_t>(codeDst);
    switch (in<uint32_t>(version)) {
        case 0:
            code = 0;
            break;
        case kIpVerV4:
            code = q <= 1 ? 4 + q : code;
            break;
        case kIpVerV6:
            code = q <= 1 ? 7 + q : code;
            break;
        default:
            break;
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktIpVerNoIpPpGet(uintptr_t qualifier, uintptr_t /*unused*/, uintptr_t codeDst,
                                        uintptr_t validDst)
{
    if (given(qualifier, codeDst, validDst)) {
        ipVersionOfQualifier(in<uint32_t>(qualifier), out<uint32_t>(codeDst), out<uint32_t>(validDst));
    }
    return 0;
}

// ---- Match kind and value -----------------------------------------------------------

uint32_t PDT_L2M_PrtclPktIpProtocolGet(uintptr_t src, uintptr_t /*unused*/, uintptr_t valueDst, uintptr_t kindDst)
{
    if (given(src, valueDst, kindDst)) {
        out<uint32_t>(valueDst) = in<uint32_t>(src);
        out<uint32_t>(kindDst) = kMatchIpProtocol;
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktETHTypeGet(uintptr_t src, uintptr_t /*unused*/, uintptr_t matchDst, uintptr_t /*unused2*/)
{
    if (given(src, matchDst)) {
        out<PduMatchValue>(matchDst) = {kMatchEthType, in<uint32_t>(src)};
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktICMPV6TypeGet(uintptr_t src, uintptr_t /*unused*/, uintptr_t matchDst, uintptr_t /*unused2*/)
{
    if (given(src, matchDst)) {
        out<PduMatchValue>(matchDst) = {kMatchIcmpv6Type, in<uint8_t>(src)};
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktPppoeProtocl(uintptr_t src, uintptr_t /*unused*/, uintptr_t matchDst, uintptr_t /*unused2*/)
{
    if (given(src, matchDst)) {
        out<PduMatchValue>(matchDst) = {kMatchPppoeProtocol, in<uint32_t>(src)};
    }
    return 0;
}

// The flag alone asks for ICMPv6 as the next header; the rule's next-header
// byte is not read.
uint32_t PDT_L2M_PrtclPktIPv6NextHeader(uintptr_t /*unusedSrc*/, uintptr_t /*unused*/, uintptr_t matchDst,
                                        uintptr_t /*unused2*/)
{
    if (given(matchDst)) {
        out<PduMatchValue>(matchDst) = {kMatchIpProtocol, kNextHeaderIcmpv6};
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktCapTypeGet(uintptr_t src, uintptr_t /*unused*/, uintptr_t matchDst, uintptr_t /*unused2*/)
{
    if (!given(src, matchDst)) {
        return 0;
    }
    const uint32_t capType = in<uint32_t>(src);
    for (const CapType &row : kCapTypes) {
        if (row.capType == capType) {
            out<PduMatchValue>(matchDst) = {row.kind, row.value};
            break;
        }
    }
    return 0;
}

// TCP (protocol 6) and other protocols have match kinds of their own; the
// ports share the value, any port (0) as 0xFFFF.
uint32_t PDT_L2M_PrtclPktL4PortGet(uintptr_t ipProtocol, uintptr_t rule, uintptr_t valueDst, uintptr_t kindDst)
{
    if (given(ipProtocol, rule, valueDst, kindDst)) {
        const PrtclPktRule &r = in<PrtclPktRule>(rule);
        out<uint32_t>(kindDst) = in<uint32_t>(ipProtocol) == kProtocolTcp ? kMatchTcpPorts : kMatchOtherPorts;
        out<uint32_t>(valueDst) = portOf(r.uiL4SrcPort) | portOf(r.uiL4DstPort) << 16;
    }
    return 0;
}

uint32_t PDT_L2M_PrtclPktTcpFlagGet(uintptr_t tcpFlag, uintptr_t qualifier, uintptr_t match, uintptr_t /*unused*/)
{
    if (!given(tcpFlag, qualifier, match)) {
        return 0;
    }
    PduMatch &m = out<PduMatch>(match);
    ipVersionOfQualifier(in<uint32_t>(qualifier), m.ip_ver, m.ip_ver_valid);
    switch (in<uint16_t>(tcpFlag)) {
        case kTcpFlagPacketType:
            m.match = {kMatchPacketType, kPacketTypeTcpFlag};
            break;
        case kTcpFlagAnyPorts:
            m.match = {kMatchTcpPorts, kAnyPort | kAnyPort << 16};
            break;
        default:
            break;
    }
    return 0;
}

}  // extern "C"
