/* The one way to send an HLP command: with the request record its code is
 * paired with and, for a command the driver answers, a reply record of
 * the paired type, cleared first. The lengths are the records' sizes. A
 * command sent with any other record does not build. */
#ifndef PLATFORM_HLP_SEND_H
#define PLATFORM_HLP_SEND_H

#include <cstdint>
#include <type_traits>

#include "hal_network_adpt/hal_types.h"
#include "platform/clear.h"
#include "platform/hlp_cmd.h"
#include "platform/qx_host.h"

namespace hal {

template <hlp::Cmd C>
using RequestOf = typename hlp::Command<C>::Request;
template <hlp::Cmd C>
using ReplyOf = typename hlp::Command<C>::Reply;

/* Sends a command the driver does not answer. */
template <hlp::Cmd C>
inline uint32_t sendRequest(RequestOf<C> &req)
{
    static_assert(std::is_same_v<ReplyOf<C>, hlp::NoReply>, "the driver answers this command: pass its reply record");
    return QX_OS_HLP_SendOutLarge(hlp::codeOf(C), &req, sizeof(req), nullptr, 0);
}

/* Sends a command and has the driver fill its reply record. */
template <hlp::Cmd C>
inline uint32_t sendRequest(RequestOf<C> &req, ReplyOf<C> &reply)
{
    static_assert(!std::is_same_v<ReplyOf<C>, hlp::NoReply>, "the driver does not answer this command");
    clearRecord(reply);
    return QX_OS_HLP_SendOutLarge(hlp::codeOf(C), &req, sizeof(req), &reply, sizeof(reply));
}

/* A command whose request is one word. */
template <hlp::Cmd C>
inline uint32_t sendWord(uint32_t value)
{
    hlp::Word req{value};
    return sendRequest<C>(req);
}

template <hlp::Cmd C>
inline uint32_t sendWord(uint32_t value, ReplyOf<C> &reply)
{
    hlp::Word req{value};
    return sendRequest<C>(req, reply);
}

/* For functions that take the command code as an argument: sends the
 * records with whichever of the commands Cs has the code cmd and returns
 * its result. Any other code is refused with 1 and nothing is sent. */
template <hlp::Cmd... Cs, typename... Records>
inline uint32_t sendAnyOf(uint32_t cmd, Records &...records)
{
    uint32_t ret = HAL_ERR;
    (void)((cmd == hlp::codeOf(Cs) && ((ret = sendRequest<Cs>(records...)), true)) || ...);
    return ret;
}

}  // namespace hal

#endif
