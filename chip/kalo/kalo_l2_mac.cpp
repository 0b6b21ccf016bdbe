// MAC learning and aging: the learning mode, address limits of the device
// and of one port, the learning state of one or every Ethernet port, and
// the aging of learnt entries. One record per request, no reply.
#include "chip/kalo/kalo_l2_mac.h"

#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_hooks.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l2_mac", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;

constexpr uint32_t kDeviceLimitMax = 2048;   // addresses the device may learn
constexpr uint32_t kLimitNone = 0xFFFFFFFF;  // the driver's "no limit"
constexpr uint32_t kLastSwitch = 1;          // modes and states are 0 or 1
constexpr uint32_t kAgingTimed = 1;          // the aging mode that takes a time

// A port's limit is not capped; 0 and "no limit" swap.
constexpr uint32_t portLimit(uint32_t limit)
{
    if (limit == 0) {
        return kLimitNone;
    }
    return limit == kLimitNone ? 0 : limit;
}
static_assert(portLimit(0) == kLimitNone && portLimit(5000) == 5000 && portLimit(kLimitNone) == 0);

}  // namespace

extern "C" {

uint32_t CHIP_Register_L2Mac(void)
{
    hal::registerHooks<kalo::kL2Hooks, &CHIP_Register_L2Mac>();
    return 0;
}

uint32_t CHIP_KALO_DelPortMac(uint32_t /*value*/) { return 0; }

// ---- The device -------------------------------------------------------------------

uint32_t CHIP_KALO_SetMacLearnMode(uint32_t mode)
{
    if (mode > kLastSwitch) {
        lastWord(377, mode);
        return HAL_ERR;
    }
    auto req = hal::cleared<chip_mac_learn_s>();
    req.value = mode;
    const uint32_t ret = hal::sendRequest<Cmd::MAC_SET_LEARN_MODE>(req);
    if (ret != 0) {
        lastWord(394, ret, mode);
    }
    return ret;
}

uint32_t CHIP_KALO_SetMacLearnNum(uint32_t limit)
{
    // The device's limit is capped; 0 is the driver's "no limit".
    const uint32_t capped = limit < kDeviceLimitMax ? limit : kDeviceLimitMax;
    auto req = hal::cleared<chip_mac_learn_s>();
    req.value = capped == 0 ? kLimitNone : capped;
    const uint32_t ret = hal::sendRequest<Cmd::MAC_SET_LEARN_NUM>(req);
    if (ret != 0) {
        lastWord(253, ret, capped);
    }
    return ret;
}

// An aging mode the chip does not know is recorded and accepted.
uint32_t CHIP_KALO_SetMacAge(uint32_t mode, uint32_t time)
{
    if (mode > kLastSwitch) {
        lastWord(43, mode);
        return 0;
    }
    auto req = hal::cleared<chip_mac_age_s>();
    req.mode = mode;
    req.time = mode == kAgingTimed ? time : 0;
    const uint32_t ret = hal::sendRequest<Cmd::MAC_SET_AGE>(req);
    if (ret != 0) {
        lastWord(54, ret, mode, time);
    }
    return ret;
}

// ---- One port -----------------------------------------------------------------------

uint32_t CHIP_KALO_SetPortMacLearnNum(uint32_t usCtpId, uint32_t limit)
{
    auto req = hal::cleared<chip_mac_learn_s>();
    uint32_t ret = CHIP_KALO_GetKaPortByCtp(usCtpId, &req.port);
    if (ret != 0) {
        lastWord(138, usCtpId);
        return ret;
    }
    req.value = portLimit(limit);
    ret = hal::sendRequest<Cmd::MAC_SET_LEARN_NUM>(req);
    if (ret != 0) {
        lastWord(151, ret, usCtpId, limit);
    }
    return ret;
}

uint32_t CHIP_KALO_SetPortMacLearnState(uint32_t usCtpId, uint32_t state)
{
    if (state > kLastSwitch) {
        lastWord(87, HAL_ERR, usCtpId, state);
        return HAL_ERR;
    }
    auto req = hal::cleared<chip_mac_learn_s>();
    uint32_t ret = CHIP_KALO_GetKaPortByCtp(usCtpId, &req.port);
    if (ret != 0) {
        lastWord(95, ret, usCtpId);
        return ret;
    }
    req.value = state;
    ret = hal::sendRequest<Cmd::MAC_SET_LEARN_STATE>(req);
    if (ret != 0) {
        lastWord(103, ret, usCtpId, state);
    }
    return ret;
}

// Every Ethernet port, CTP k standing for user port k. A port that fails is
// recorded and the others still get the state; the caller hears of none.
// One record serves every port: a port whose resolution leaves the port
// type unwritten (a CTP type without a chip port) is not sent.
uint32_t CHIP_KALO_SetMacLearnState(uint32_t state)
{
    if (state > kLastSwitch) {
        lastWord(184, HAL_ERR, state);
        return HAL_ERR;
    }
    auto req = hal::cleared<chip_mac_learn_s>();
    uint32_t ports = 0;
    const uint32_t ret = QX_DM_PDGetAttr(kalo::kDevAttrUserPortCount, sizeof(ports), &ports);
    if (ret != 0) {
        lastWord(192, ret, ports, state);
        return ret;
    }
    req.value = state;
    for (uint16_t ctpId = 1; ctpId <= ports && ctpId != 0; ++ctpId) {
        req.port.port_type = 0;
        uint32_t portRet = CHIP_KALO_GetKaPortByCtp(ctpId, &req.port);
        if (portRet != 0) {
            lastWord(201, portRet, ctpId);
            continue;
        }
        if (req.port.port_type == 0) {
            continue;
        }
        portRet = hal::sendRequest<Cmd::MAC_SET_LEARN_STATE>(req);
        if (portRet != 0) {
            lastWord(206, portRet, ctpId, state, state);
        }
    }
    return 0;
}

}  // extern "C"
