// Chip port resolution: CTP identifier to chip port descriptor.
#include "chip/kalo/kalo_common.h"

#include "hal_network_adpt/hal_l2.h"
#include "platform/diag.h"

HAL_DIAG_SOURCE("kalo_common", hal::kModuleL2);

namespace {

constexpr uint32_t kDevAttrUplinkKind = 0x11000033;
constexpr uint32_t kDevAttrKeepsOwnPort = 8;
constexpr uint32_t kUplinkType3UserPort = 0x102001;  // the uplink the chip names with port type 3

using namespace kalo;

constexpr uint32_t bitOf(uint32_t chipPort) { return chipPort < 32 ? 1U << chipPort : 0; }

}  // namespace

extern "C" {

uint32_t CHIP_KALO_GetKaPortByCtp(uint32_t usCtpId, chip_port_s *port)
{
    if (port == nullptr) {
        return HAL_ERR;
    }
    uint32_t uiCtpType = kCtpUnknown;
    uint16_t usUserPort = 0;
    uint32_t uiDevAttr = 1;
    uint32_t uiLookupPort = 0;
    uint32_t ret = HAL_Ctp2UserPort(usCtpId, &uiCtpType, &usUserPort);
    if (ret != 0) {
        return ret;  // the caller records its own failure
    }
    (void)QX_DM_PDGetAttr(kDevAttrUplinkKind, sizeof(uiDevAttr), &uiDevAttr);

    switch (uiCtpType) {
        case kCtpGponUni:
        case kCtpUplink:
            port->port_type = kPortUplink;
            return 0;
        case kCtpSingle:
        case kCtpVirtualUni:
            port->port_type = kPortSingle;
            port->mask = 1;
            return 0;
        case kCtpPort8OrUplink:
            port->port_type = usUserPort == 8 ? kPortEth : kPortUplink;
            port->mask = usUserPort == 8 ? 1 : 0;
            return 0;
        case kCtpEth:
            break;
        default:
            return 0;
    }

    // An Ethernet port made network side by the host stands for the
    // current uplink. Each test is asked only when the earlier ones hold.
    uint16_t reverseCtp = 0;
    uint32_t uiNetRole = kNetRoleUnset;
    const uint32_t reverseRet = HAL_UserPort2Ctp(kCtpEth, usUserPort, &reverseCtp);
    const uint32_t roleRet = HAL_GetNetRole(reverseCtp, &uiNetRole);
    const bool toUplink =
        reverseRet == 0 && roleRet == 0 && uiNetRole == HAL_NET_ROLE_NNI && L2M_PTP_IsSupportAutoSelect() != 1 &&
        QX_Feature_IsSupportByFeatureName("FT_MULTI_SERVICE_IPTV_PORT") != 1 && uiDevAttr != kDevAttrKeepsOwnPort;
    if (toUplink) {
        ret = QX_DM_GetCurUpUserPortID(&uiLookupPort);
        if (ret != 0) {
            lastWord(166, ret, usCtpId, usUserPort, uiCtpType, reverseRet | roleRet);
            return ret;
        }
        port->port_type = uiLookupPort == kUplinkType3UserPort ? kPortUplink : kPortEth;
    } else {
        port->port_type = kPortEth;
        uiLookupPort = usUserPort;
    }

    uint32_t uiKaPort = 0;
    ret = QX_DM_TopoGetKaPortByUserPort(uiLookupPort, &uiKaPort);
    if (ret != 0) {
        lastWord(182, ret, usCtpId, usUserPort, uiCtpType, uiLookupPort);
        return ret;
    }
    port->mask = bitOf(uiKaPort);
    return 0;
}

uint32_t PDT_L2M_IsNni(uint32_t usCtpId)
{
    uint32_t uiNetRole = kNetRoleUnset;
    return L2M_Ctp_GetNetRole(usCtpId, &uiNetRole) == 0 && uiNetRole == HAL_NET_ROLE_NNI ? 1 : 0;
}

}  // extern "C"

namespace kalo {

bool isNetworkSideEthPort(uint32_t userPort)
{
    uint16_t ctpId = 0;
    uint32_t role = kNetRoleUnset;
    const uint32_t ctpRet = HAL_UserPort2Ctp(kCtpEth, userPort, &ctpId);
    const uint32_t roleRet = HAL_GetNetRole(ctpId, &role);
    return ctpRet == 0 && roleRet == 0 && role == HAL_NET_ROLE_NNI;
}

uint32_t ethPortBit(uint32_t userPort)
{
    uint32_t chipPort = 0;
    return QX_DM_TopoGetKaPortByUserPort(userPort, &chipPort) == 0 ? bitOf(chipPort) : 0;
}

}  // namespace kalo
