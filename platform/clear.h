/* Request records, and the reply records the driver fills, are cleared
 * with the host's bounded fill before they are filled:
 *
 *     auto req = hal::cleared<chip_car_s>();
 *
 * A fill the host refuses still leaves the record zero: no stale byte ever
 * reaches the driver. */
#ifndef PLATFORM_CLEAR_H
#define PLATFORM_CLEAR_H

#include <cstring>
#include <type_traits>

#include "platform/qx_host.h"

namespace hal {

template <typename T>
inline void clearRecord(T &rec)
{
    static_assert(std::is_trivially_copyable_v<T>, "a record is plain bytes");
    if (memset_s(&rec, sizeof(rec), 0, sizeof(rec)) != 0) {
        std::memset(&rec, 0, sizeof(rec));
    }
}

template <typename T>
inline T cleared()
{
    T rec;
    clearRecord(rec);
    return rec;
}

}  // namespace hal

#endif
