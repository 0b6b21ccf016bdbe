// Input format of the fuzz target, shared by the harness (which reads it) and
// the seed writer (which writes it).
//
// An input is a sequence of steps, read front to back; a truncated input
// reads as zeros. One step:
//
//   u8 op                  entry point, modulo the operation table
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
//   arguments of the operation, each a val or a rec
//
//   val: u8 tag; tag % 4 = 0: tag / 4 (0 to 63); 1: an interesting value;
//        2: u16 follows; 3: u32 follows (little-endian)
//   rec: u8 len; 0xFF: null pointer; else min(len, size) bytes, rest zero
#ifndef FUZZ_FUZZ_HAL_H
#define FUZZ_FUZZ_HAL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzhal {

enum HostBits : uint8_t {
    kHostFail = 1U << 0,
    kHostDriver = 1U << 1,
    kHostFlags = 1U << 2,
    kHostTopology = 1U << 3,
    kHostNoMemory = 1U << 4,
    kHostRefuse = 1U << 5,
};

constexpr uint8_t kNullRecord = 0xFF;

// Values near the edges the library checks: table sizes, VLAN and group id
// bounds, the uplink user port, the library's own result codes.
constexpr uint32_t kInteresting[] = {
    0,      1,      2,       3,        4,          5,          8,          9,          10,         11,
    12,     13,     14,      31,       32,         33,         63,         64,         254,        255,
    256,    257,    1000,    1001,     4094,       4095,       4096,       4097,       0x7FFF,     0x8000,
    0xFFFE, 0xFFFF, 0x10000, 0x102001, 0x7FFFFFFF, 0x80000000, 0xF7300000, 0xF7300001, 0xFFFFFFFE, 0xFFFFFFFF,
};
constexpr size_t kInterestingNum = sizeof(kInteresting) / sizeof(kInteresting[0]);

class Reader {
public:
    Reader(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint16_t u16()
    {
        const uint32_t lo = u8();
        return static_cast<uint16_t>(lo | (static_cast<uint32_t>(u8()) << 8));
    }
    uint32_t u32()
    {
        const uint32_t lo = u16();
        return lo | (static_cast<uint32_t>(u16()) << 16);
    }
    uint32_t val()
    {
        const uint8_t tag = u8();
        switch (tag % 4) {
            case 0:
                return tag / 4U;
            case 1:
                return kInteresting[(tag / 4U) % kInterestingNum];
            case 2:
                return u16();
            default:
                return u32();
        }
    }
    // Fills out[0, n) from the input.
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

class Writer {
public:
    void u8(uint8_t v) { out.push_back(v); }
    void u16(uint16_t v)
    {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    // Shortest encoding of v.
    void val(uint32_t v)
    {
        if (v < 64) {
            u8(static_cast<uint8_t>(v * 4));
        } else if (v <= 0xFFFF) {
            u8(2);
            u16(static_cast<uint16_t>(v));
        } else {
            u8(3);
            u32(v);
        }
    }
    void rec(const std::vector<uint8_t> &bytes)
    {
        u8(static_cast<uint8_t>(bytes.size()));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    void nullRec() { u8(kNullRecord); }
    // Starts a step of the named operation with no host settings.
    void op(const char *name, uint8_t host = 0);

    std::vector<uint8_t> out;
};

// Index of a named operation in the harness's table, and of a named host
// function in its list of host functions; both abort on a typo.
uint8_t opIndex(const char *name);
uint8_t hostFunctionIndex(const char *name);

// Writes the seed corpus into dir; returns the number of files written.
int writeSeeds(const std::string &dir);

}  // namespace fuzzhal

#endif
