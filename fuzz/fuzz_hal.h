// Input format of the fuzz target and the plumbing of one fuzzed call.
//
// An input is a sequence of steps, read front to back; a truncated input
// reads as zeros. One step:
//
//   u8 op                  entry point, modulo the operation table (fuzz_ops.cpp)
//   u8 host                which host settings follow (kHost* bits)
//     kHostFail:     u8 n, then n % 4 + 1 times (u8 host function, val code)
//     kHostDriver:   u8 n, then n % 4 + 1 driver answers (val result,
//                    u8 len, len % 33 reply bytes repeated over the reply)
//     kHostFlags:    u8 feature bits, u8 trace flag bits
//     kHostTopology: u8 Ethernet ports, val attribute 0x11000033,
//                    val chip type, u8 user port, u8 chip port, val uplink,
//                    u8 switches, val bridge, val VLAN, val GEM port, u8 count
//     kHostNoMemory: every allocation of the step fails
//     kHostRefuse:   val code; the driver refuses every command of the step
//     kHostMacTable: val count, u8 n, then n % 4 + 1 chip entries (u8 form,
//                    u8 len, min(len, 32) entry bytes, rest zero; form bit
//                    0 sets kind 4, bit 1 clears the MAC's group bit),
//                    repeated over min(count, 2048) entries: the table the
//                    driver writes into the buffer of a MAC table read
//   arguments of the entry point in order: a val per integer, a rec per
//   record pointer (special forms in fuzz_ops.cpp: strings, policy routes,
//   command words, registered hooks and debug handlers)
//
//   val: u8 tag; tag % 4 = 0: tag / 4 (0 to 63); 1: an interesting value;
//        2: u16 follows; 3: u32 follows (little-endian)
//   rec: u8 len; 0xFF: null pointer; else min(len, size) bytes, rest zero
#ifndef FUZZ_FUZZ_HAL_H
#define FUZZ_FUZZ_HAL_H

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

#include "hal_network_adpt.h"

namespace fuzzhal {

enum HostBits : uint8_t {
    kHostFail = 1U << 0,
    kHostDriver = 1U << 1,
    kHostFlags = 1U << 2,
    kHostTopology = 1U << 3,
    kHostNoMemory = 1U << 4,
    kHostRefuse = 1U << 5,
    kHostMacTable = 1U << 6,
};
constexpr uint8_t kNullRecord = 0xFF;

[[noreturn]] inline void fail(const char *what, const char *detail = "")
{
    std::fprintf(stderr, "fuzz_hal: invariant broken: %s %s\n", what, detail);
    std::abort();
}

// Values near the edges the library checks: table sizes, VLAN and group id
// bounds, the uplink user port, the library's own result codes.
constexpr uint32_t kInteresting[] = {
    0,      1,      2,       3,        4,          5,          8,          9,          10,         11,
    12,     13,     14,      31,       32,         33,         63,         64,         254,        255,
    256,    257,    1000,    1001,     4094,       4095,       4096,       4097,       0x7FFF,     0x8000,
    0xFFFE, 0xFFFF, 0x10000, 0x102001, 0x7FFFFFFF, 0x80000000, 0xF7300000, 0xF7300001, 0xFFFFFFFE, 0xFFFFFFFF,
};

class Reader {
public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t u16()
    {
        const uint32_t lo = u8();
        return lo | static_cast<uint32_t>(u8()) << 8;
    }
    uint32_t u32()
    {
        const uint32_t lo = u16();
        return lo | u16() << 16;
    }
    uint32_t val()
    {
        const uint8_t tag = u8();
        switch (tag % 4) {
            case 0:
                return tag / 4U;
            case 1:
                return kInteresting[(tag / 4U) % std::size(kInteresting)];
            case 2:
                return u16();
            default:
                return u32();
        }
    }
    void bytes(uint8_t *out, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            out[i] = u8();
        }
    }

private:
    const uint8_t *data_;
    size_t size_;
    size_t pos_ = 0;
};

// One record passed to the library: its own heap block between guard bytes
// that AddressSanitizer fences; check() also finds a changed guard, or a
// change to a record the library only reads.
class Guarded {
public:
    static constexpr size_t kGuard = 32;
    static constexpr uint8_t kGuardByte = 0xA5;

    Guarded(size_t bytes, bool readOnly) : size_(bytes), readOnly_(readOnly), mem_(bytes + 2 * kGuard, kGuardByte)
    {
        std::fill_n(data(), size_, 0);
    }
    ~Guarded() { ASAN_UNPOISON_MEMORY_REGION(mem_.data(), mem_.size()); }
    uint8_t *data() { return mem_.data() + kGuard; }

    // Call once the content is filled.
    uint8_t *seal()
    {
        before_.assign(data(), data() + size_);
        ASAN_POISON_MEMORY_REGION(mem_.data(), kGuard);
        ASAN_POISON_MEMORY_REGION(data() + size_, kGuard);
        return data();
    }
    void check(const char *op)
    {
        ASAN_UNPOISON_MEMORY_REGION(mem_.data(), mem_.size());
        const auto intact = [](const uint8_t *p) {
            return std::all_of(p, p + kGuard, [](uint8_t b) { return b == kGuardByte; });
        };
        if (!intact(mem_.data()) || !intact(data() + size_)) {
            fail("write outside a record passed to", op);
        }
        if (readOnly_ && !std::equal(before_.begin(), before_.end(), data())) {
            fail("read-only record changed by", op);
        }
    }

private:
    size_t size_;
    bool readOnly_;
    std::vector<uint8_t> mem_;
    std::vector<uint8_t> before_;
};

// One call: the input it reads its arguments from, the records it passed.
class Call {
public:
    explicit Call(Reader &r) : in(r) {}

    // A fresh record of the given size, unfilled and unsealed.
    Guarded &add(size_t bytes, bool readOnly)
    {
        records_.push_back(std::make_unique<Guarded>(bytes, readOnly));
        return *records_.back();
    }
    // A rec of the input: null, or a record of the given size.
    uint8_t *rec(size_t bytes, bool readOnly)
    {
        const uint8_t len = in.u8();
        if (len == kNullRecord) {
            return nullptr;
        }
        Guarded &g = add(bytes, readOnly);
        in.bytes(g.data(), std::min<size_t>(len, bytes));
        return g.seal();
    }
    void checkRecords(const char *op)
    {
        for (auto &g : records_) {
            g->check(op);
        }
    }

    Reader &in;
    uint32_t result = 0;
    const HAL_L2_MAC_TABLE_S *macTable = nullptr;  // the host's MAC table passed, if any

private:
    std::vector<std::unique_ptr<Guarded>> records_;
};

struct Op {
    const char *name;
    void (*run)(Call &c);
};
extern const Op *const kOps;
extern const size_t kOpNum;

}  // namespace fuzzhal

#endif
