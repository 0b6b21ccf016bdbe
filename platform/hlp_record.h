/* Field tables of the fixed-layout records the driver reads and writes.
 *
 * Each record struct is followed by its table, written once:
 *
 *     HAL_RECORD(chip_l3_if_mtu_s, 8,
 *                HAL_AT(if_index, 0),
 *                HAL_AT(mtu, 4));
 *
 * The table states the record's size and the byte offset at which the
 * driver expects every field; the build fails when the struct disagrees.
 * The same table names the fields for the decoder of the stand-in driver,
 * so a layout is written in the struct and in its table, nowhere else. */
#ifndef PLATFORM_HLP_RECORD_H
#define PLATFORM_HLP_RECORD_H

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace hal::rec {

/* A name for one value of a code field, shown beside the number. */
struct ValueName {
    uint32_t value;
    const char *name;
};

struct ValueNames {
    const ValueName *names = nullptr;
    size_t count = 0;
};

template <size_t N>
constexpr ValueNames namesOf(const ValueName (&names)[N])
{
    return {names, N};
}

struct Field;

struct Fields {
    const Field *fields = nullptr;
    size_t count = 0;
};

struct Field {
    const char *name;
    uint32_t offset;    // where the driver expects it
    uint32_t size;      // 1, 2 or 4: a number; otherwise bytes, numbers or a record
    uint32_t placed;    // where the compiler put it
    Fields sub;         // the fields of a nested record
    ValueNames values;  // names of the codes a number field carries
    uint32_t element;   // size of one element of an array, size otherwise
};

/* The table of record T: kName, kSize and kFields. Specialised by
 * HAL_RECORD next to each record. */
template <typename T>
struct Layout;

template <typename T>
constexpr Fields fieldsOf()
{
    return {Layout<T>::kFields, std::size(Layout<T>::kFields)};
}

/* The index of the first field that is not at its offset, overlaps the
 * one before it or runs past the record; -1 when every field is placed. */
template <typename T>
constexpr int misplacedField()
{
    uint32_t end = 0;
    int i = 0;
    for (const Field &f : Layout<T>::kFields) {
        if (f.placed != f.offset || f.offset < end || f.offset + f.size > sizeof(T)) {
            return i;
        }
        end = f.offset + f.size;
        ++i;
    }
    return -1;
}

}  // namespace hal::rec

#define HAL_REC_NAMED(name, member, at, sub, values)                                                               \
    ::hal::rec::Field                                                                                              \
    {                                                                                                              \
        name, (at), static_cast<uint32_t>(sizeof(Rec::member)), static_cast<uint32_t>(offsetof(Rec, member)), sub, \
            values, static_cast<uint32_t>(sizeof(std::remove_all_extents_t<decltype(Rec::member)>))                \
    }
#define HAL_REC_FIELD(member, at, sub, values) HAL_REC_NAMED(#member, member, at, sub, values)

/* A number or byte field at byte offset at. */
#define HAL_AT(member, at) HAL_REC_FIELD(member, at, ::hal::rec::Fields{}, ::hal::rec::ValueNames{})
/* A code field whose values have names. */
#define HAL_CODE(member, at, names) HAL_REC_FIELD(member, at, ::hal::rec::Fields{}, ::hal::rec::namesOf(names))
/* A nested record, with a table of its own. */
#define HAL_SUB(member, at) \
    HAL_REC_FIELD(member, at, ::hal::rec::fieldsOf<decltype(Rec::member)>(), ::hal::rec::ValueNames{})

/* A nested record whose fields read as the outer record's own: no name of
 * its own before theirs. */
#define HAL_PART(member, at) \
    HAL_REC_NAMED("", member, at, ::hal::rec::fieldsOf<decltype(Rec::member)>(), ::hal::rec::ValueNames{})

#define HAL_RECORD(type, bytes, ...)                        \
    namespace hal::rec {                                    \
    template <>                                             \
    struct Layout<type> {                                   \
        using Rec = type;                                   \
        static constexpr const char *kName = #type;         \
        static constexpr Field kFields[] = {__VA_ARGS__};   \
    };                                                      \
    }                                                       \
    static_assert(sizeof(type) == (bytes), #type ": size"); \
    static_assert(::hal::rec::misplacedField<type>() == -1, #type ": a field is not at its offset")

#endif
