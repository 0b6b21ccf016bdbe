/* Descriptor tables of the protocol-packet and DFX rule translations: one
 * row per rule field, built per call with the addresses of the field and of
 * its place in the chip record, and run from top to bottom so that later
 * rows overwrite what earlier rows wrote. */
#ifndef CHIP_KALO_KALO_PRTCL_ROWS_H
#define CHIP_KALO_KALO_PRTCL_ROWS_H

#include <cstddef>
#include <cstdint>

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
