// Traffic limits: broadcast, unknown multicast and unknown unicast rate
// limits of a port, sent as a committed-access-rate record that names the
// port on its ingress and its egress side, each with its rate.
#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_l2.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l2", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;
using hal::hlp::codeOf;

constexpr uint32_t kRateUnlimited = 0xFFFFFFFF;

// Host bytes per second to chip kilobits per second, in 32-bit arithmetic
// as the driver's other clients compute it: the product wraps before the
// division. No limit (0) is the chip's all-ones rate.
constexpr uint32_t chipRate(uint32_t hostLimit) { return hostLimit == 0 ? kRateUnlimited : hostLimit * 8U / 1000U; }
static_assert(chipRate(1000) == 8 && chipRate(999) == 7 && chipRate(0x20000000) == 0);

void setRates(chip_car_side_s &side, uint32_t rate)
{
    side.rate_a = rate;
    side.pbs = rate;
    side.rate_b = rate;
    side.pir = rate;
}

// A limit on a user-side port holds the upstream limit at its ingress; on a
// network-side port at its egress. Ports of any other role are not limited.
void fillRates(uint32_t netRole, const HAL_L2_LIMIT_S &limit, chip_car_s &car)
{
    uint32_t in = kRateUnlimited;
    uint32_t out = kRateUnlimited;
    if (netRole == HAL_NET_ROLE_UNI) {
        in = chipRate(limit.UsLimit);
        out = chipRate(limit.DsLimit);
    } else if (netRole == HAL_NET_ROLE_NNI) {
        in = chipRate(limit.DsLimit);
        out = chipRate(limit.UsLimit);
    }
    setRates(car.in, in);
    setRates(car.out, out);
}

// Unknown multicast and unknown unicast limits differ only in the command
// and the lines of their records.
struct FloodLines {
    uint32_t noLimit;
    uint32_t trace;
    uint32_t failure;
};

uint32_t setFloodLimit(const FloodLines &at, uint32_t ctpId, const HAL_L2_LIMIT_S *limit, Cmd cmd)
{
    if (limit == nullptr) {
        lastWord(at.noLimit, HAL_ERR, ctpId);
        return HAL_ERR;
    }
    HAL_TRACE(at.trace, "usCtpId = %d, UsLimit = %d, DsLimit = %d\n", ctpId, limit->UsLimit, limit->DsLimit);
    const uint32_t ret = PDT_L2M_SetCarLimit(ctpId, limit, codeOf(cmd));
    if (ret != 0) {
        lastWord(at.failure, ret, ctpId, limit->DsLimit, limit->UsLimit, codeOf(cmd));
    }
    return ret;
}

}  // namespace

extern "C" {

uint32_t CHIP_KALO_SetUucLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit)
{
    return setFloodLimit({2345, 2350, 2355}, usCtpId, limit, Cmd::L2_SET_UUC_LIMIT);
}

uint32_t CHIP_KALO_SetUmcLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit)
{
    return setFloodLimit({2308, 2313, 2318}, usCtpId, limit, Cmd::L2_SET_UMC_LIMIT);
}

uint32_t CHIP_KALO_SetBcLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit)
{
    if (limit == nullptr) {
        lastWord(2258, HAL_ERR, usCtpId);
        return HAL_ERR;
    }
    HAL_TRACE(2264, "usCtpId = %d, UsLimit = %d, DsLimit = %d\n", usCtpId, limit->UsLimit, limit->DsLimit);
    uint32_t chipType = 0;
    if (QX_DM_ChipGetAttr(0, kalo::kChipAttrType, sizeof(chipType), &chipType) != 0) {
        chipType = kalo::kChipTypeUnread;
    }
    uint32_t ret = 0;
    if (kalo::isTr8800Family(chipType)) {
        ret = PDT_L2M_setBcTR8800Limit(usCtpId, limit);
        if (ret != 0) {
            lastWord(2274, ret, usCtpId, limit->DsLimit, limit->UsLimit, chipType);
            return ret;
        }
    }
    ret = PDT_L2M_SetCarLimit(usCtpId, limit, codeOf(Cmd::L2_SET_BC_LIMIT));
    if (ret != 0) {
        lastWord(2281, ret, usCtpId, limit->DsLimit, limit->UsLimit);
    }
    return ret;
}

// On the TR8800 family a broadcast limit given for a network-side port is
// applied to every Ethernet user port as well, whatever their own roles.
uint32_t PDT_L2M_setBcTR8800Limit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit)
{
    if (limit == nullptr) {
        return HAL_ERR;
    }
    uint32_t role = kalo::kNetRoleUnset;
    uint32_t ret = HAL_GetNetRole(usCtpId, &role);
    if (ret != 0) {
        lastWord(2203, ret, usCtpId);
        return HAL_ERR;
    }
    if (role != HAL_NET_ROLE_NNI) {
        return 0;
    }
    uint32_t ports = 0;
    ret = QX_DM_PDGetAttr(kalo::kDevAttrUserPortCount, sizeof(ports), &ports);
    if (ret != 0) {
        lastWord(2213, ret, ports, usCtpId);
        return ret;
    }
    for (uint32_t userPort = 1; userPort <= ports && userPort != 0; ++userPort) {
        uint16_t portCtp = 0;
        ret = HAL_UserPort2Ctp(kalo::kCtpEth, userPort, &portCtp);
        if (ret != 0) {
            lastWord(2222, ret, usCtpId, limit->DsLimit, limit->UsLimit);
            return 0xFFFFFFFF;
        }
        // A user port the driver refuses is recorded and the others still get the limit.
        ret = PDT_L2M_SetCarLimit(portCtp, limit, codeOf(Cmd::L2_SET_USER_BC_LIMIT));
        if (ret != 0) {
            lastWord(2228, ret, usCtpId, limit->DsLimit, limit->UsLimit);
        }
    }
    return 0;
}

uint32_t PDT_L2M_SetCarLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit, uint32_t cmd)
{
    if (limit == nullptr) {
        return HAL_ERR;
    }
    const bool dump = QX_DIA_GetTraceFlag(hal::kModuleL2) != 0;
    auto car = hal::cleared<chip_car_s>();
    uint32_t ret = PDT_L2M_TransCarLimit(usCtpId, limit, &car);
    if (ret != 0) {
        lastWord(2157, ret, usCtpId);
        return ret;
    }
    if (dump) {
        HAL_CONSOLE("CMD = %d IN_PORT port_type = %d, mask = %d, pir = %d, pbs = %d\n\n\n ", cmd, car.in.port.port_type,
                    car.in.port.mask, car.in.pir, car.in.pbs);
        HAL_CONSOLE("CMD = %d OUT_PORT port_type = %d, mask = %d, pir = %d, pbs = %d\n\n\n ", cmd,
                    car.out.port.port_type, car.out.port.mask, car.out.pir, car.out.pbs);
    }
    // A code other than the four limit commands is refused like a driver
    // refusal, and nothing is sent.
    ret = hal::sendAnyOf<Cmd::L2_SET_BC_LIMIT, Cmd::L2_SET_UMC_LIMIT, Cmd::L2_SET_UUC_LIMIT, Cmd::L2_SET_USER_BC_LIMIT>(
        cmd, car);
    if (ret != 0) {
        lastWord(2173, ret, usCtpId, limit->DsLimit, limit->UsLimit);
    }
    return ret;
}

uint32_t PDT_L2M_TransCarLimit(uint32_t usCtpId, const HAL_L2_LIMIT_S *limit, chip_car_s *car)
{
    if (limit == nullptr || car == nullptr) {
        return HAL_ERR;
    }
    // The role is asked even when the port cannot be resolved; the record
    // carries both failures.
    const uint32_t resolved = CHIP_KALO_GetKaPortByCtp(usCtpId, &car->in.port);
    uint32_t role = kalo::kNetRoleUnset;
    const uint32_t roleRet = HAL_GetNetRole(usCtpId, &role);
    if ((resolved | roleRet) != 0) {
        lastWord(2087, resolved | roleRet, usCtpId);
        return resolved | roleRet;
    }
    const int copied = memcpy_s(&car->out.port, sizeof(car->out.port), &car->in.port, sizeof(car->in.port));
    if (copied != 0) {
        lastWord(2095, static_cast<uint32_t>(copied));
    }
    fillRates(role, *limit, *car);
    return 0;
}

}  // extern "C"
