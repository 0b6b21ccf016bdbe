/* One HLP command with a fixed-layout request record and, for reads, a
 * reply record: the lengths come from the records themselves. */
#ifndef PLATFORM_HLP_SEND_H
#define PLATFORM_HLP_SEND_H

#include <stdint.h>

#include "platform/qx_host.h"

namespace hal {

template <typename T>
constexpr uint32_t hlpLen(const T &)
{
    return static_cast<uint32_t>(sizeof(T));
}

/* Sends one request record; the command reads no reply. */
template <typename Req>
inline uint32_t sendRequest(uint32_t cmd, Req &req)
{
    return QX_OS_HLP_SendOutLarge(cmd, &req, hlpLen(req), nullptr, 0);
}

/* Sends one request record and has the driver fill a reply record, cleared
 * first. */
template <typename Req, typename Reply>
inline uint32_t sendRequest(uint32_t cmd, Req &req, Reply &reply)
{
    reply = Reply{};
    return QX_OS_HLP_SendOutLarge(cmd, &req, hlpLen(req), &reply, hlpLen(reply));
}

}  // namespace hal

#endif
