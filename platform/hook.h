/* Hook table access shared by the entry points and the registrations. */
#ifndef PLATFORM_HOOK_H
#define PLATFORM_HOOK_H

#include <stddef.h>
#include <stdint.h>

#include <type_traits>

#include "hal_network_adpt.h"

namespace hal {

/* Writes a chip adapter function into a slot. Entry names the entry point
 * that reads the slot: the function must have exactly its type. */
template <auto Entry, typename Fn>
inline void setSlot(HAL_HOOK_FUNC *table, unsigned slot, Fn fn)
{
    static_assert(std::is_same_v<decltype(Entry), Fn>, "slot function must match its entry point");
    table[slot] = reinterpret_cast<HAL_HOOK_FUNC>(fn);
}

/* Calls a slot through the entry point's own type, deduced from the
 * arguments the entry point passes on. An empty slot answers 1. */
template <typename... Args>
inline uint32_t callSlot(const HAL_HOOK_FUNC *table, unsigned slot, Args... args)
{
    const auto fn = reinterpret_cast<uint32_t (*)(Args...)>(table[slot]);
    return fn != nullptr ? fn(args...) : HAL_ERR;
}

inline bool slotFilled(const HAL_HOOK_FUNC *table, unsigned slot) { return table[slot] != nullptr; }

/* The body of a plain entry point: make sure the family is installed (its
 * result is not looked at), then call the slot. */
template <uint32_t (*InitUser)(), typename... Args>
inline uint32_t dispatch(const HAL_HOOK_FUNC *table, unsigned slot, Args... args)
{
    (void)InitUser();
    return callSlot(table, slot, args...);
}

template <size_t N>
inline void clearTable(HAL_HOOK_FUNC (&table)[N])
{
    for (HAL_HOOK_FUNC &slot : table) {
        slot = nullptr;
    }
}

}  // namespace hal

#endif
