/* Descriptor tables of the protocol-packet and DFX rule translations: one
 * row per rule field, built per call with the addresses of the field and of
 * its place in the chip record, and run from top to bottom so that later
 * rows overwrite what earlier rows wrote. */
#ifndef CHIP_KALO_KALO_PRTCL_ROWS_H
#define CHIP_KALO_KALO_PRTCL_ROWS_H

#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/address.h"

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

using hal::addr;
using hal::given;
using hal::in;
using hal::out;

/* The getters' results are not looked at: a field that cannot be filled
 * has been recorded by its getter, and the rule is built all the same. The
 * rows are expanded at compile time, top to bottom, so that the compiler
 * sees each row's getter and keeps the table out of memory. */
template <size_t N, size_t... I>
inline void runFieldRows(const FieldRow (&rows)[N], std::index_sequence<I...> /*rows*/)
{
    const auto run = [](const FieldRow &row) {
        if (row.enable != 0) {
            (void)row.getter(row.source, row.auxiliary, row.destination, row.secondDestination);
        }
    };
    (run(rows[I]), ...);
}

template <size_t N>
inline void runFieldRows(const FieldRow (&rows)[N])
{
    runFieldRows(rows, std::make_index_sequence<N>());
}

}  // namespace kalo

#endif
