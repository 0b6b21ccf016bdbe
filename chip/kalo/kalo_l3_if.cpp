// L3 interfaces, their MTU and their source-check (SIP-CHECK) prefixes. Each
// announcement of the interface manager becomes one chip record and one HLP
// command; nothing is kept between calls.
#include "chip/kalo/kalo_l3.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l3", hal::kModuleL3);

namespace {

constexpr uint32_t kIpVersionV4 = 0;
constexpr uint32_t kIpVersionV6 = 1;

// IP version code of an interface: the first row whose IPv4 state, IPv6
// state and IP version equal the interface's gives the code.
struct IpVerCodeRow {
    uint32_t ipv4State;
    uint32_t ipv6State;
    uint32_t ipVersion;
    uint32_t code;
};
constexpr IpVerCodeRow kIpVerCodeTable[] = {
    {1, 2, 0, 4}, {1, 2, 1, 7}, {2, 1, 0, 5}, {2, 1, 1, 8}, {1, 1, 0, 6}, {1, 1, 1, 9},
};
// Code sent when no row matches, by IP version.
constexpr uint32_t kIpVerCodeDefault[] = {6, 9};

// Priority modes of the host record.
constexpr uint32_t kPriModeFixed = 1;
constexpr uint32_t kPriModeMark = 2;
constexpr uint32_t kPriModeMarkSecond = 3;

// IPv4/IPv6 state 1 with NAPT selector 0 lets the driver forward that family.
constexpr uint32_t kIpStateOn = 1;

constexpr const char kFeatureSkipRoute[] = "TARN_FT_IPv4FWD_SKIPROUTE";

constexpr uint32_t byteReversed(uint32_t w)
{
    return (w >> 24) | ((w >> 8) & 0x0000FF00U) | ((w << 8) & 0x00FF0000U) | (w << 24);
}
static_assert(byteReversed(0xC0A80101U) == 0x0101A8C0U);

// The interface MAC goes to the chip record; a refused copy is recorded at
// the caller's line and returned.
uint32_t copyMac(const HAL_L3_IF_S &intf, chip_l3_if_s &rec, uint32_t failLine)
{
    const auto ret = static_cast<uint32_t>(memcpy_s(rec.mac, sizeof(rec.mac), intf.aucMac, sizeof(intf.aucMac)));
    if (ret != 0) {
        lastWord(failLine, ret);
    }
    return ret;
}

// The prefix as the chip record carries it; a prefix that cannot be
// translated is recorded at the caller's line.
bool fillPrefix(uint32_t failLine, uint32_t ifIndex, const HAL_L3_PREFIX_S &prefix, chip_prefix_s &rec)
{
    const uint32_t ret = QX_IFM_TranslatePrefix(ifIndex, &prefix, &rec);
    if (ret != 0) {
        lastWord(failLine, ret, ifIndex, prefix.uiIpVersion);
        return false;
    }
    return true;
}

// Printed whatever the driver answered, with its answer.
void tracePrefix(uint32_t line, const HAL_L3_PREFIX_S &prefix, const chip_prefix_s &rec, uint32_t ifIndex, uint32_t ret)
{
    HAL_TRACE(line, "\r\n[SIP-CHECK ID %u] add ip_ver %u, %08x:%08x:%08x:%08x/%u, on %u, result %u.\r\n",
              static_cast<uint32_t>(prefix.ucEntryId), rec.addr.ip_ver, rec.addr.ip[0], rec.addr.ip[1], rec.addr.ip[2],
              rec.addr.ip[3], static_cast<uint32_t>(rec.addr.mask), ifIndex, ret);
}

}  // namespace

extern "C" {

// ---- Interface record translation --------------------------------------------

uint32_t PDT_IFM_AdaptIpVer(const HAL_L3_IF_S *intf, chip_l3_if_s *rec)
{
    if (intf == nullptr || rec == nullptr) {
        return HAL_ERR;
    }
    if (intf->uiIpVersion > kIpVersionV6) {
        lastWord(646, HAL_ERR, intf->uiIpv4State, intf->uiIpv6State, intf->uiIpVersion);
        return HAL_ERR;
    }
    rec->ip_ver_code = kIpVerCodeDefault[intf->uiIpVersion];
    for (const IpVerCodeRow &row : kIpVerCodeTable) {
        if (row.ipv4State == intf->uiIpv4State && row.ipv6State == intf->uiIpv6State &&
            row.ipVersion == intf->uiIpVersion) {
            rec->ip_ver_code = row.code;
            return 0;
        }
    }
    // Not a failure: the driver gets the code of the IP version alone.
    HAL_TRACE(666, "IFM  IP VERSION ADAPT FAIL  \n");
    lastWord(667, HAL_ERR, intf->uiIpv4State, intf->uiIpv6State, intf->uiIpVersion);
    return 0;
}

uint32_t PDT_IFM_AdaptRule(const HAL_L3_IF_S *intf, chip_l3_if_s *rec)
{
    const uint32_t ret = PDT_IFM_AdaptIpVer(intf, rec);
    if (ret != 0) {
        return ret;
    }
    if (intf->uiKind == HAL_L3_IF_KIND_PLAIN) {
        rec->match_kind = kalo::kL3MatchMac;
        rec->if_attr = intf->uiIfAttr;
        return copyMac(*intf, *rec, 688);
    }
    if (intf->uiKind == HAL_L3_IF_KIND_VLAN) {
        rec->vlan_valid = intf->uiVlanId != 0 ? 1 : 0;
        rec->vlan = intf->uiVlanId;
        rec->match_kind = kalo::kL3MatchMacVlan;
        rec->if_attr = intf->uiIfAttr;
        return copyMac(*intf, *rec, 699);
    }
    return 0;
}

void PDT_IFM_AdaptInfoPri(const HAL_L3_IF_S *intf, chip_l3_if_s *rec)
{
    if (intf == nullptr || rec == nullptr) {
        return;
    }
    switch (intf->uiPriMode) {
        case kPriModeMark:
            rec->pri_mode = kalo::kL3PriMark;
            rec->pri = intf->uiMarkPri;
            break;
        case kPriModeFixed:
            rec->pri = intf->uiPri;
            rec->pri_mode = intf->uiPri != 0 ? kalo::kL3PriFixed : kalo::kL3PriNone;
            break;
        case kPriModeMarkSecond:
            rec->pri_mode = kalo::kL3PriMarkSecond;
            rec->pri = intf->uiMarkPri;
            rec->second_pri = intf->uiSecondPri;
            break;
        default:
            rec->pri_mode = kalo::kL3PriNone;
            break;
    }
}

void PDT_IFM_AdaptInfoV4Napt(const HAL_L3_IF_S *intf, chip_l3_if_s *rec)
{
    if (intf == nullptr || rec == nullptr) {
        return;
    }
    if (intf->uiIpv4State == kIpStateOn && intf->uiIpv4NaptSel == 0) {
        rec->ipv4_flag = 1;
    }
}

void PDT_IFM_AdaptInfoV6Napt(const HAL_L3_IF_S *intf, chip_l3_if_s *rec)
{
    if (intf == nullptr || rec == nullptr) {
        return;
    }
    if (intf->uiIpv6State == kIpStateOn && intf->uiIpv6NaptSel == 0) {
        rec->ipv6_flag = 1;
    }
}

// Channel information of an interface: nothing for this chip yet; it keeps
// its place in the translation sequence.
void PDT_IFM_AdaptInfochannel(const HAL_L3_IF_S * /*intf*/, chip_l3_if_s * /*rec*/) {}

uint32_t PDT_IFM_AdaptPara(const HAL_L3_IF_S *intf, chip_l3_if_s *rec)
{
    const uint32_t ret = PDT_IFM_AdaptRule(intf, rec);
    if (ret != 0) {
        return ret;
    }
    const bool skipRoute = QX_Feature_IsSupportByFeatureName(kFeatureSkipRoute) == 1;
    if (intf->uiKind == HAL_L3_IF_KIND_PLAIN) {
        rec->ipv6_flag = 1;
        rec->ipv4_flag = skipRoute ? 0 : 1;
    } else if (intf->uiKind == HAL_L3_IF_KIND_VLAN) {
        rec->attr76 = intf->uiIfAttr76;
        rec->out_vlan = intf->uiVlanId;
        rec->attr88 = intf->uiIfAttr88;
        rec->out_if_attr = intf->uiIfAttr;
        rec->out_mode = kalo::kL3OutModeVlan;
        PDT_IFM_AdaptInfoPri(intf, rec);
        PDT_IFM_AdaptInfoV4Napt(intf, rec);
        PDT_IFM_AdaptInfoV6Napt(intf, rec);
        PDT_IFM_AdaptInfochannel(intf, rec);
    }
    return 0;
}

// ---- Interfaces ------------------------------------------------------------------

uint32_t PDT_IFM_L3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf)
{
    auto rec = hal::cleared<chip_l3_if_s>();
    if (intf == nullptr) {
        lastWord(919, HAL_ERR, ifIndex);
        return HAL_ERR;
    }
    rec.if_index = ifIndex;
    uint32_t ret = PDT_IFM_AdaptPara(intf, &rec);
    if (ret != 0) {
        lastWord(928, ret);
        return ret;
    }
    ret = hal::sendRequest<hal::hlp::Cmd::L3_ADD_IF>(rec);
    if (ret != 0) {
        lastWord(935, ret, ifIndex);
        return ret;
    }
    return 0;
}

uint32_t PDT_IFM_L3IFDel(uint32_t ifIndex)
{
    HAL_TRACE(959, "pdt l3 del msc inf = 0x%x\n", ifIndex);
    const uint32_t ret = hal::sendWord<hal::hlp::Cmd::L3_DEL_IF>(ifIndex);
    if (ret != 0) {
        lastWord(964, ret, ifIndex);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_SynL3IFAdd(uint32_t ifIndex, const HAL_L3_IF_S *intf)
{
    if (intf == nullptr) {
        lastWord(994, HAL_ERR, ifIndex);
        return HAL_ERR;
    }
    const uint32_t ret = PDT_IFM_L3IFAdd(ifIndex, intf);
    if (ret != 0) {
        lastWord(1001, ret);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_SynL3IFDel(uint32_t ifIndex)
{
    const uint32_t ret = PDT_IFM_L3IFDel(ifIndex);
    if (ret != 0) {
        lastWord(1049, ret);
        return ret;
    }
    return 0;
}

uint32_t CHIP_KALO_SynL3IFMtu(uint32_t ifIndex, uint32_t mtu)
{
    HAL_TRACE(1093, "pdt l3 set mtu inf = 0x%x, mtu = %u.\r\n", ifIndex, mtu);
    auto req = hal::cleared<chip_l3_if_mtu_s>();
    req.if_index = ifIndex;
    req.mtu = mtu;
    const uint32_t ret = hal::sendRequest<hal::hlp::Cmd::L3_SET_IF_MTU>(req);
    if (ret != 0) {
        lastWord(1098, ret, ifIndex, mtu);
        return ret;
    }
    return 0;
}

// ---- Prefixes --------------------------------------------------------------------

uint32_t QX_IFM_TranslatePrefix(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix, chip_prefix_s *rec)
{
    if (prefix == nullptr || rec == nullptr) {
        return HAL_ERR;
    }
    const uint32_t len = prefix->uiPrefixLen;
    if (prefix->uiIpVersion == kIpVersionV4) {
        rec->addr.ip_ver = kalo::kIpVerV4;
        rec->addr.ip[0] = byteReversed(prefix->auiAddr[0]);
        rec->addr.mask = static_cast<uint16_t>(len == 0 ? 0 : 32U - len);
    } else if (prefix->uiIpVersion == kIpVersionV6) {
        rec->addr.ip_ver = kalo::kIpVerV6;
        for (size_t i = 0; i < 4; ++i) {
            rec->addr.ip[i] = byteReversed(prefix->auiAddr[i]);
        }
        rec->addr.mask = static_cast<uint16_t>(len == 0 ? 0 : 128U - len);
    } else {
        return HAL_ERR;
    }
    rec->if_index = ifIndex;
    return 0;
}

uint32_t CHIP_KALO_SynPrefixAdd(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix)
{
    auto rec = hal::cleared<chip_prefix_s>();
    if (prefix == nullptr || !fillPrefix(1176, ifIndex, *prefix, rec)) {
        return HAL_ERR;
    }
    const uint32_t ret = hal::sendRequest<hal::hlp::Cmd::L3_ADD_PREFIX>(rec);
    if (ret != 0) {
        lastWord(1184, ret, ifIndex);
    }
    tracePrefix(1187, *prefix, rec, ifIndex, ret);
    return ret;
}

uint32_t CHIP_KALO_SynPrefixDel(uint32_t ifIndex, const HAL_L3_PREFIX_S *prefix)
{
    auto rec = hal::cleared<chip_prefix_s>();
    if (prefix == nullptr || !fillPrefix(1216, ifIndex, *prefix, rec)) {
        return HAL_ERR;
    }
    const uint32_t ret = hal::sendRequest<hal::hlp::Cmd::L3_DEL_PREFIX>(rec);
    if (ret != 0) {
        lastWord(1224, ret, ifIndex);
    }
    tracePrefix(1227, *prefix, rec, ifIndex, ret);
    return ret;
}

uint32_t PDT_ROUTE_GetMaskLen(uint32_t mask)
{
    for (uint32_t bit = 0; bit < 32; ++bit) {
        if ((mask & (1U << bit)) != 0) {
            return bit;
        }
    }
    return 32;
}

}  // extern "C"
