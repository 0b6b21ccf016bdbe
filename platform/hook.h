/* Hook table access shared by the entry points and the registrations. */
#ifndef PLATFORM_HOOK_H
#define PLATFORM_HOOK_H

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

}  // namespace hal

#endif
