// Protocol packets and diagnostic flows: whether the terminal offers DFX
// flows, an ARP rule and a DHCP rule on Ethernet port 1, each rate-limited
// by a CAR profile, and their removal; then a DFX flow counting the DHCP
// requests of Ethernet port 2, its counters switched on, read and cleared,
// and its removal through the protocol-packet delete.
#include <cstdio>
#include <string>
#include <vector>

#include "hal_network_adpt.h"
#include "host.h"
#include "scenario.h"

namespace halsim {

namespace {

constexpr uint32_t kPortTypeCtp = 1;  // the port id's low 16 bits are a CTP id
constexpr uint32_t kRuleClass = 1;

constexpr uint32_t kArpAcl = 10;
constexpr uint32_t kArpCtp = 1;
constexpr uint32_t kCapTypeArp = 2;
constexpr uint32_t kArpRate = 64;

constexpr uint32_t kDhcpAcl = 11;
constexpr uint32_t kDhcpCtp = 1;
constexpr uint32_t kDhcpRate = 128;
constexpr uint32_t kDhcpPriority = 6;
constexpr uint32_t kUdp = 17;
constexpr uint32_t kDhcpClientPort = 68;
constexpr uint32_t kDhcpServerPort = 67;
constexpr uint32_t kIpVersion4 = 1;

constexpr uint32_t kDfxFlow = 20;
constexpr uint32_t kDfxCtp = 2;
constexpr uint32_t kDfxCapType = 5;

constexpr uint32_t kActionFirst = 1;   // the first of the host's actions 1 to 4
constexpr uint32_t kPriorityNone = 8;  // a priority from 8 on sets none
constexpr uint32_t kChipAttrType = 0x10001;
constexpr Host::Attr kChipWithDfx{0, 3};  // chip type 3 counts DFX flows
constexpr Host::Attr kChipUnread{1, 0};   // the host cannot read the chip type
constexpr char kDfxFeature[] = "QX_TARN_FT_DFX_FLOW_SUPPORT";
constexpr uint32_t kDelProtocolFlow = 0x20030013;
constexpr uint32_t kReadDfxCounters = 0x20030030;

// ARP frames of any kind, by their capture type.
PrtclPktRule arpRule()
{
    PrtclPktRule r{};
    r.uiFieldFlags = HAL_PRTCL_FIELD_CAP_TYPE;
    r.uiCapType = kCapTypeArp;
    return r;
}

// IPv4 UDP from the DHCP client port to the server port.
PrtclPktRule dhcpRule()
{
    PrtclPktRule r{};
    r.uiFieldFlags = HAL_PRTCL_FIELD_IP_PROTOCOL | HAL_PRTCL_FIELD_L4_SRC_PORT | HAL_PRTCL_FIELD_L4_DST_PORT |
                     HAL_PRTCL_FIELD_IP_VERSION | HAL_PRTCL_FIELD_IP_VER_QUALIFIER;
    r.uiIpProtocol = kUdp;
    r.uiL4SrcPort = kDhcpClientPort;
    r.uiL4DstPort = kDhcpServerPort;
    r.uiIpVersion = kIpVersion4;
    r.uiIpVerQualifier = 0;
    return r;
}

// The DHCP requests arriving on a port, counted as a diagnostic flow.
PrtclPktRule dfxRule()
{
    PrtclPktRule r{};
    r.uiFieldFlags = HAL_PRTCL_FIELD_L4_SRC_PORT | HAL_PRTCL_FIELD_L4_DST_PORT | HAL_PRTCL_FIELD_CAP_TYPE;
    r.uiIpProtocol = kUdp;
    r.uiL4SrcPort = kDhcpClientPort;
    r.uiL4DstPort = kDhcpServerPort;
    r.uiCapType = kDfxCapType;
    r.uiDfxDirection = 0;  // ingress
    r.uiIsDfx = 1;
    return r;
}

void noteCarRecord(uint32_t aclId)
{
    const PduFlowCarEntry &e = pduFlowCarRecord[aclId];
    note("pduFlowCarRecord[%u]: in use %u, flow %u, rate %u", aclId, e.uiInUse, e.uiFlowId, e.uiCarRate);
}

// The driver's counters of the flow: every byte a different non-zero
// value, so that a byte lost or moved on the way shows.
std::vector<uint8_t> dfxCounterReply()
{
    std::vector<uint8_t> reply(sizeof(HAL_DFX_FLOW_CNT_S));
    for (size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<uint8_t>(i + 1);
    }
    return reply;
}

void noteCounters(const HAL_DFX_FLOW_CNT_S &c)
{
    std::string words;
    for (const uint32_t w : c.auiCounter) {
        char buf[12];
        std::snprintf(buf, sizeof(buf), " %08x", w);
        words += buf;
    }
    note("DFX flow %u counters:%s", kDfxFlow, words.c_str());
}

// Runs call with the chip type attribute and the DFX feature as given, and
// puts the host's settings back after it.
template <typename F>
uint32_t withChipAndFeature(Host::Attr chipType, uint32_t feature, F call)
{
    const auto chipAttrs = host().chipAttrs;
    const auto features = host().features;
    host().chipAttrs[kChipAttrType] = chipType;
    host().features[kDfxFeature] = feature;
    const uint32_t ret = call();
    host().chipAttrs = chipAttrs;
    host().features = features;
    return ret;
}

}  // namespace

void addPrtclSteps(std::vector<Step> &steps)
{
    steps.push_back({"HAL_DFX_IsChipSupport(&support), chip type 3", [] {
                         uint32_t support = 0;
                         const uint32_t ret =
                             withChipAndFeature(kChipWithDfx, 0, [&] { return HAL_DFX_IsChipSupport(&support); });
                         note("support %u", support);
                         return ret;
                     }});
    steps.push_back({"HAL_DFX_IsSupport(), chip type 3, DFX feature on: the chip answered, so no",
                     [] { return withChipAndFeature(kChipWithDfx, 1, [] { return HAL_DFX_IsSupport(); }); }});
    steps.push_back({"HAL_DFX_IsSupport(), chip type unread, DFX feature on: the feature decides",
                     [] { return withChipAndFeature(kChipUnread, 1, [] { return HAL_DFX_IsSupport(); }); }});

    steps.push_back({"HAL_PDU_PrtclPktAclAdd(ACL 10, CTP 1, ARP, action 1, no priority, rate 64)", [] {
                         const PrtclPktRule r = arpRule();
                         const PrtclPktAction a{kActionFirst, kPriorityNone, 0, kArpRate};
                         const uint32_t ret =
                             HAL_PDU_PrtclPktAclAdd(kArpAcl, kPortTypeCtp, kArpCtp, &r, kRuleClass, &a);
                         noteCarRecord(kArpAcl);
                         return ret;
                     }});
    steps.push_back({"HAL_PDU_PrtclPktAclAdd(ACL 11, CTP 1, IPv4 UDP 68 to 67, action 2, priority 6, rate 128)", [] {
                         const PrtclPktRule r = dhcpRule();
                         const PrtclPktAction a{kActionFirst + 1, kDhcpPriority, 0, kDhcpRate};
                         const uint32_t ret =
                             HAL_PDU_PrtclPktAclAdd(kDhcpAcl, kPortTypeCtp, kDhcpCtp, &r, kRuleClass, &a);
                         noteCarRecord(kDhcpAcl);
                         return ret;
                     }});
    steps.push_back({"HAL_PDU_PrtclPktAclDel(ACL 10): CAR released and deleted, then the flow", [] {
                         const uint32_t ret = HAL_PDU_PrtclPktAclDel(kArpAcl);
                         noteCarRecord(kArpAcl);
                         return ret;
                     }});
    steps.push_back({"HAL_PDU_PrtclPktAclDel(ACL 11): CAR released and deleted, then the flow", [] {
                         const uint32_t ret = HAL_PDU_PrtclPktAclDel(kDhcpAcl);
                         noteCarRecord(kDhcpAcl);
                         return ret;
                     }});

    steps.push_back({"HAL_PDU_PrtclPktAclAdd(DFX flow 20, CTP 2 ingress, UDP 68 to 67, capture type 5)", [] {
                         const PrtclPktRule r = dfxRule();
                         const PrtclPktAction a{kActionFirst, kPriorityNone, 0, 0};
                         return HAL_PDU_PrtclPktAclAdd(kDfxFlow, kPortTypeCtp, kDfxCtp, &r, kRuleClass, &a);
                     }});
    steps.push_back({"HAL_DFX_FlowCntEnable(DFX flow 20, on)", [] { return HAL_DFX_FlowCntEnable(kDfxFlow, 1); }});
    steps.push_back({"HAL_DFX_FlowCntGet(DFX flow 20)", [] {
                         host().answer(kReadDfxCounters, 0, dfxCounterReply());
                         HAL_DFX_FLOW_CNT_S c{};
                         const uint32_t ret = HAL_DFX_FlowCntGet(kDfxFlow, &c);
                         noteCounters(c);
                         return ret;
                     }});
    steps.push_back({"HAL_DFX_FlowCntClr(DFX flow 20)", [] { return HAL_DFX_FlowCntClr(kDfxFlow); }});
    steps.push_back({"HAL_DFX_FlowCntEnable(DFX flow 20, off)", [] { return HAL_DFX_FlowCntEnable(kDfxFlow, 0); }});
    // The delete tries the id as an ACL first: flow 20 has no CAR, so that
    // is the protocol-flow removal alone. A driver that took it would end the
    // request there; this one knows no protocol flow 20 and refuses, and the
    // id goes to the DFX delete.
    steps.push_back({"HAL_PDU_PrtclPktAclDel(DFX flow 20), no protocol flow 20: the DFX delete follows", [] {
                         host().answer(kDelProtocolFlow, 1);
                         return HAL_PDU_PrtclPktAclDel(kDfxFlow);
                     }});
}

}  // namespace halsim
