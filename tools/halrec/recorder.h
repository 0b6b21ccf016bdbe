// The runtime of libhal_record.so, the call recorder. Preloaded ahead of
// libhal_network_adpt.so, the library's generated wrappers take every HAL_*
// entry point the host calls, note its arguments, forward the call to the
// next definition (the library's own) and append what went in and came out
// to a recording (tools/halrec/FORMAT.md). It also takes the host's HLP
// command channel, QX_OS_HLP_SendOutLarge, and appends every command with
// the driver's reply and result, placed among the calls that sent them.
//
// One wrapper, as apigen writes it:
//
//     static Fn real;
//     halrec::Call c("HAL_L3_AddWanStats", reinterpret_cast<void **>(&real));
//     c.word(wanId); ... c.buffer(rule, halrec::sizeOf(rule));
//     const Fn next = halrec::loaded(real);
//     return c.end(next == nullptr ? halrec::kNoRealFunction : next(wanId, ...));
//
// The runtime needs only libc, libdl and pthreads: no C++ runtime, no
// exceptions, no global constructors.
#ifndef TOOLS_HALREC_RECORDER_H
#define TOOLS_HALREC_RECORDER_H

#include <stddef.h>
#include <stdint.h>

#include "hal_network_adpt/hal_l3.h"

namespace halrec {

// What a wrapper returns when no later object defines its entry point (the
// recorder was preloaded into a process without the library, or the library
// lacks that entry point). It lies outside the library's own codes
// (0xF730xxxx) and is recorded like any other result.
constexpr uint32_t kNoRealFunction = 0xD12FFFFFU;

// The next definition a wrapper found, as another thread may have stored
// it: null until the first call has looked it up.
template <typename Fn>
inline Fn loaded(Fn &slot)
{
    return __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
}

// Most arguments one entry point takes.
constexpr uint32_t kMaxArgs = 8;

// One call through a wrapper. The outermost call on a thread is recorded; a
// call made while another is in progress on the same thread (the library
// calling one of its own entry points, a host callback calling back in) is
// forwarded only.
class Call {
public:
    // Resolves the entry point's next definition into *slot on the first
    // call, and notes the start time and takes the call's sequence number
    // when the call is recorded.
    Call(const char *name, void **slot);
    ~Call();
    Call(const Call &) = delete;
    Call &operator=(const Call &) = delete;

    // The next argument, in the entry point's order.
    void word(uint32_t value);
    // A pointer argument: size bytes at p are recorded now and again at
    // end(). A null pointer is recorded as such.
    void buffer(const void *p, uint32_t size);
    // Writes the entry (with the buffers as the call left them) and returns
    // result.
    uint32_t end(uint32_t result);

private:
    bool reserve(size_t more);
    void put(const void *bytes, size_t size);
    void drop();

    struct Buffer {
        const void *p;
        uint32_t size;
        size_t after;  // offset in entry_ of its bytes after the call
    };

    bool outermost_;
    bool recording_ = false;
    uint8_t *entry_ = nullptr;
    size_t used_ = 0;
    size_t capacity_ = 0;
    size_t argcAt_ = 0;  // offset in entry_ of the argument count
    uint16_t argc_ = 0;
    uint32_t bufferCount_ = 0;
    Buffer buffers_[kMaxArgs];
};

// Bytes a record or counter argument points at: the type's size, 0 for a
// null pointer.
template <typename T>
uint32_t sizeOf(const T *p)
{
    return p == nullptr ? 0U : static_cast<uint32_t>(sizeof(T));
}

// A policy route is followed by uiCtpNum CTP ids. A count above
// HAL_L3_POLICY_ROUTE_CTP_MAX is refused by the library before any id is
// read, and the host need not have made room for it: only the fixed part is
// recorded then.
inline uint32_t sizeOf(const HAL_L3_POLICY_ROUTE_S *rule)
{
    if (rule == nullptr) {
        return 0U;
    }
    return rule->uiCtpNum <= HAL_L3_POLICY_ROUTE_CTP_MAX ? HAL_L3_POLICY_ROUTE_SIZE(rule->uiCtpNum)
                                                         : static_cast<uint32_t>(sizeof(HAL_L3_POLICY_ROUTE_S));
}

}  // namespace halrec

#endif
