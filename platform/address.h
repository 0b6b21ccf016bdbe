/* Pointer-sized words that carry addresses: the argument words of the
 * field getters and per-port operations, and the request of a command
 * whose driver writes through an address. */
#ifndef PLATFORM_ADDRESS_H
#define PLATFORM_ADDRESS_H

#include <cstdint>

namespace hal {

template <typename T>
uintptr_t addr(const T &field)
{
    return reinterpret_cast<uintptr_t>(&field);
}

/* The object an address word names, to write (out) or to read (in). */
template <typename T>
T &out(uintptr_t address)
{
    return *reinterpret_cast<T *>(address);  // NOLINT(performance-no-int-to-ptr): the word carries an address
}

template <typename T>
const T &in(uintptr_t address)
{
    return out<const T>(address);
}

/* Whether every address a function needs is given; one handed 0 writes
 * nothing. */
template <typename... A>
bool given(A... addresses)
{
    return ((addresses != 0) && ...);
}

}  // namespace hal

#endif
