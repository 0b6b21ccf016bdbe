// Ethernet MAC filter, chip side: the chip filters per chip port, so every
// request is repeated on each user-side Ethernet port by one walk, which
// stops at the first port whose command fails.
#include "chip/kalo/kalo_codes.h"
#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_l2_mac.h"
#include "platform/address.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l2_mac", hal::kModuleL2);

namespace {

using hal::hlp::Cmd;

// Host filter modes 1 and 2 are the chip's 2 and 1; the mapping is its own
// inverse. Modes outside 0 to 2 stand for 0 either way.
constexpr uint32_t kOtherSideMode[] = {0, 2, 1};
constexpr uint32_t otherSideMode(uint32_t mode) { return mode < std::size(kOtherSideMode) ? kOtherSideMode[mode] : 0; }

template <Cmd C>
uint32_t sendMacAddr(uint32_t copyLine, const chip_port_s *port, uintptr_t mac)
{
    auto req = hal::cleared<chip_mac_filter_s>();
    req.port = *port;
    // A MAC the copy refuses is recorded; the entry goes all the same.
    const uint8_t *bytes = mac != 0 ? &hal::in<uint8_t>(mac) : nullptr;
    const int copied = memcpy_s(req.mac, sizeof(req.mac), bytes, sizeof(req.mac));
    if (copied != 0) {
        lastWord(copyLine, static_cast<uint32_t>(copied));
    }
    return hal::sendRequest<C>(req);
}

}  // namespace

extern "C" {

uint32_t CHIP_KALO_EthMacFilter(uintptr_t arg, KALO_ETH_PORT_OP op)
{
    if (arg == 0 || op == nullptr) {
        lastWord(867, HAL_ERR_NULL_PTR);
        return HAL_ERR_NULL_PTR;
    }
    uint32_t ports = 0;
    uint32_t ret = QX_DM_PDGetAttr(kalo::kDevAttrUserPortCount, sizeof(ports), &ports);
    if (ret != 0) {
        lastWord(867, ret);
        return ret;
    }
    for (uint32_t userPort = 1; userPort <= ports && userPort != 0; ++userPort) {
        if (kalo::isNetworkSideEthPort(userPort)) {
            continue;
        }
        chip_port_s port{kalo::kPortEth, kalo::ethPortBit(userPort)};
        ret = op(&port, arg, port.mask, 1);
        if (ret != 0) {
            lastWord(885, ret, userPort);
            return ret;
        }
    }
    return 0;
}

// ---- Per-port operations -------------------------------------------------------------

uint32_t CHIP_KALO_DrvAddMacAddr(chip_port_s *port, uintptr_t mac, uint32_t /*bit*/, uint32_t /*one*/)
{
    return port != nullptr ? sendMacAddr<Cmd::MAC_ADD_FILTER>(778, port, mac) : HAL_ERR;
}

uint32_t CHIP_KALO_DrvDelMacAddr(chip_port_s *port, uintptr_t mac, uint32_t /*bit*/, uint32_t /*one*/)
{
    return port != nullptr ? sendMacAddr<Cmd::MAC_DEL_FILTER>(821, port, mac) : HAL_ERR;
}

uint32_t CHIP_KALO_DrvSetEthMacFltMode(chip_port_s *port, uintptr_t mode, uint32_t /*bit*/, uint32_t /*one*/)
{
    if (port == nullptr || mode == 0) {
        return HAL_ERR;
    }
    auto req = hal::cleared<chip_mac_filter_mode_s>();
    req.port = *port;
    req.mode = otherSideMode(hal::in<uint32_t>(mode));
    return hal::sendRequest<Cmd::MAC_SET_FILTER_MODE>(req);
}

// The host's word holds 0 until the port's mode is read.
uint32_t CHIP_KALO_DrvGetEthMacFltMode(chip_port_s *port, uintptr_t mode, uint32_t /*bit*/, uint32_t /*one*/)
{
    if (port == nullptr || mode == 0) {
        return HAL_ERR;
    }
    uint32_t &hostMode = hal::out<uint32_t>(mode);
    hostMode = 0;
    chip_port_s req = *port;
    chip_mac_filter_mode_s reply{};
    const uint32_t ret = hal::sendRequest<Cmd::MAC_GET_FILTER_MODE>(req, reply);
    if (ret != 0) {
        lastWord(724, ret, reply.mode, reply.port.port_type, reply.port.mask);
        return ret;
    }
    hostMode = otherSideMode(reply.mode);
    return 0;
}

// ---- Hook table entries ---------------------------------------------------------------

uint32_t CHIP_KALO_AddEthMacFilter(const HAL_L2_MAC_FILTER_S *entry)
{
    return CHIP_KALO_EthMacFilter(reinterpret_cast<uintptr_t>(entry), CHIP_KALO_DrvAddMacAddr);
}

uint32_t CHIP_KALO_DelEthMacFilter(const HAL_L2_MAC_FILTER_S *entry)
{
    return CHIP_KALO_EthMacFilter(reinterpret_cast<uintptr_t>(entry), CHIP_KALO_DrvDelMacAddr);
}

uint32_t CHIP_KALO_SetEthMacFilterMode(uint32_t mode)
{
    return CHIP_KALO_EthMacFilter(reinterpret_cast<uintptr_t>(&mode), CHIP_KALO_DrvSetEthMacFltMode);
}

// The host's word ends with the mode of the last port visited.
uint32_t CHIP_KALO_GetEthMacFilterMode(uint32_t *mode)
{
    return CHIP_KALO_EthMacFilter(reinterpret_cast<uintptr_t>(mode), CHIP_KALO_DrvGetEthMacFltMode);
}

}  // extern "C"
