// Mistakes that must not build. Compiled once as written (the control,
// which must build) and once per HAL_CHECK_* mistake, which must not.
#include "chip/kalo/kalo_l3_rec.h"
#include "platform/hlp_send.h"

#if defined(HAL_CHECK_UPWARD_INCLUDE)
// A chip adapter source reaching up into the entry layer.
#include "Source/hal/network/api/usr/hal_l2_usr_api.cpp"
#endif

uint32_t buildCheck();
uint32_t buildCheck()
{
    using hal::hlp::Cmd;
    [[maybe_unused]] chip_l3_if_mtu_s mtu{};
    [[maybe_unused]] chip_wan_stats_req_s counter{};
    [[maybe_unused]] chip_wan_stats_rpl_s counters{};
#if defined(HAL_CHECK_WRONG_RECORD)
    // An MTU record sent as an interface add.
    return hal::sendRequest<Cmd::L3_ADD_IF>(mtu);
#elif defined(HAL_CHECK_MISSING_REPLY)
    // A counter read without the record the driver writes its counters into.
    return hal::sendRequest<Cmd::L3_GET_WAN_STATS>(counter);
#elif defined(HAL_CHECK_WRONG_REPLY)
    // A reply record for a command the driver does not answer.
    return hal::sendRequest<Cmd::L3_SET_IF_MTU>(mtu, counters);
#else
    return hal::sendRequest<Cmd::L3_SET_IF_MTU>(mtu) | hal::sendRequest<Cmd::L3_GET_WAN_STATS>(counter, counters);
#endif
}
