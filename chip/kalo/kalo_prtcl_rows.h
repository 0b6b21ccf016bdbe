/* Descriptor tables of the protocol-packet and DFX rule translations: one
 * row per rule field, built per call with the addresses of the field and of
 * its place in the chip record, and run from top to bottom so that later
 * rows overwrite what earlier rows wrote. */
#ifndef CHIP_KALO_KALO_PRTCL_ROWS_H
#define CHIP_KALO_KALO_PRTCL_ROWS_H

#include <cstddef>
#include <cstdint>

namespace kalo {

using FieldGetter = uint32_t (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t);

/* A row runs its getter when enable is non-zero. */
struct FieldRow {
    uint32_t enable;
    FieldGetter getter;
    uintptr_t source;
    uintptr_t auxiliary;
    uintptr_t destination;
    uintptr_t secondDestination;
};

template <typename T>
uintptr_t addr(const T &field)
{
    return reinterpret_cast<uintptr_t>(&field);
}

/* The field a getter's argument addresses, to read (in) or to write (out). */
template <typename T>
T &out(uintptr_t address)
{
    return *reinterpret_cast<T *>(address);  // NOLINT(performance-no-int-to-ptr): the rows carry addresses
}

template <typename T>
const T &in(uintptr_t address)
{
    return out<const T>(address);
}

/* Whether every address a getter needs is given; a getter handed 0 writes
 * nothing. */
template <typename... A>
bool given(A... addresses)
{
    return ((addresses != 0) && ...);
}

/* The getters' results are not looked at: a field that cannot be filled
 * has been recorded by its getter, and the rule is built all the same. */
template <size_t N>
void runFieldRows(const FieldRow (&rows)[N])
{
    for (const FieldRow &row : rows) {
        if (row.enable != 0) {
            (void)row.getter(row.source, row.auxiliary, row.destination, row.secondDestination);
        }
    }
}

}  // namespace kalo

#endif
