/* Hook families: one list per family names, for every slot of its table,
 * the entry point that reads it, the chip adapter function written into it
 * and the registration function that writes it. Registration writes the
 * slots from the list, and an entry point finds its slot there and calls it
 * through its own function type:
 *
 *     uint32_t HAL_L3_DelWanStats(uint32_t wanId)
 *     {
 *         return hal::dispatch<kalo::kL3Hooks, &HAL_L3_DelWanStats>(wanId);
 *     }
 *
 * A chip function of another type than its entry point does not build, nor
 * does an entry point without a row. */
#ifndef PLATFORM_HOOK_H
#define PLATFORM_HOOK_H

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>

#include "hal_network_adpt/hal_types.h"

namespace hal {

/* How an entry point uses its slot: it passes its arguments on (plain), or
 * it chooses between its slot and another itself. */
enum class Dispatch { Plain, Chooses };

/* Whether two compile-time values are the same (by template identity, so
 * that no function address is compared in a constant expression). */
template <auto A, auto B>
constexpr bool kSame = false;
template <auto A>
constexpr bool kSame<A, A> = true;

/* One row of a family's list. Chip is null while this chip offers no
 * function for the slot: the slot stays empty and its entry point answers 1. */
template <auto Entry, decltype(Entry) Chip, auto Registrar>
struct Hook {
    using Fn = decltype(Entry);
    static constexpr Fn entry = Entry;
    static constexpr Fn chip = Chip;
    static constexpr auto registrar = Registrar;
    static constexpr bool built = !kSame<Chip, static_cast<Fn>(nullptr)>;
    unsigned slot;
    const char *name;      // the entry point's
    const char *chipName;  // the chip function's, "nullptr" for none
    Dispatch dispatch;
};

template <typename... Rows>
struct HookFamily {
    HAL_HOOK_FUNC *table;
    unsigned size;
    uint32_t (*install)();  // the family's InitUser
    std::tuple<Rows...> rows;
};

template <size_t N, typename... Rows>
constexpr HookFamily<Rows...> hookFamily(HAL_HOOK_FUNC (&table)[N], uint32_t (*install)(), Rows... rows)
{
    return {table, static_cast<unsigned>(N), install, {rows...}};
}

/* Calls fn(row) for every row of a family, in list order. */
template <typename Family, typename Fn>
constexpr void forEachHook(const Family &family, Fn fn)
{
    std::apply([&fn](const auto &...row) { (fn(row), ...); }, family.rows);
}

constexpr unsigned kNoSlot = ~0U;

/* The slot of an entry point, kNoSlot when its family has no row for it. */
template <auto Entry, typename Family>
constexpr unsigned slotOf(const Family &family)
{
    unsigned slot = kNoSlot;
    forEachHook(family, [&slot](const auto &row) {
        if (kSame<std::remove_reference_t<decltype(row)>::entry, Entry>) {
            slot = row.slot;
        }
    });
    return slot;
}

/* Every slot of the table has exactly one row. */
template <typename Family>
constexpr bool eachSlotOnce(const Family &family)
{
    bool ok = std::tuple_size_v<decltype(family.rows)> == family.size;
    for (unsigned slot = 0; slot < family.size; ++slot) {
        unsigned rows = 0;
        forEachHook(family, [&rows, slot](const auto &row) { rows += row.slot == slot ? 1U : 0U; });
        ok = ok && rows == 1;
    }
    return ok;
}

/* Writes the chip functions of the rows that name Registrar. */
template <const auto &Family, auto Registrar>
inline void registerHooks()
{
    forEachHook(Family, [](const auto &row) {
        using Row = std::remove_reference_t<decltype(row)>;
        if constexpr (kSame<Row::registrar, Registrar> && Row::built) {
            Family.table[row.slot] = reinterpret_cast<HAL_HOOK_FUNC>(Row::chip);
        }
    });
}

template <const auto &Family, auto Entry>
constexpr unsigned kSlot = slotOf<Entry>(Family);

template <const auto &Family, auto Entry>
inline bool slotFilled()
{
    static_assert(kSlot<Family, Entry> != kNoSlot, "the entry point has no row in its family's list");
    return Family.table[kSlot<Family, Entry>] != nullptr;
}

/* Calls the slot of Entry through Entry's own type; an empty slot answers 1. */
template <const auto &Family, auto Entry, typename... Args>
inline uint32_t callSlot(Args... args)
{
    static_assert(kSlot<Family, Entry> != kNoSlot, "the entry point has no row in its family's list");
    const auto fn = reinterpret_cast<decltype(Entry)>(Family.table[kSlot<Family, Entry>]);
    return fn != nullptr ? fn(args...) : HAL_ERR;
}

/* The body of a plain entry point: make sure the family is installed (its
 * result is not looked at), then call the slot. */
template <const auto &Family, auto Entry, typename... Args>
inline uint32_t dispatch(Args... args)
{
    (void)Family.install();
    return callSlot<Family, Entry>(args...);
}

template <size_t N>
inline void clearTable(HAL_HOOK_FUNC (&table)[N])
{
    for (HAL_HOOK_FUNC &slot : table) {
        slot = nullptr;
    }
}

}  // namespace hal

/* A row: the slot, its entry point, its chip function (nullptr while this
 * chip has none) and the registration function that writes it. */
#define HAL_HOOK(slot, entry, chip, registrar) \
    ::hal::Hook<&(entry), chip, &(registrar)> { slot, #entry, #chip, ::hal::Dispatch::Plain }
/* A row whose entry point chooses between this slot and another itself. */
#define HAL_HOOK_CHOOSER(slot, entry, chip, registrar) \
    ::hal::Hook<&(entry), chip, &(registrar)> { slot, #entry, #chip, ::hal::Dispatch::Chooses }

#endif
