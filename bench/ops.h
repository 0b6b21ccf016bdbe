// The requests a terminal makes most, each as one call into the library
// with a host that accepts every command at once (null_host.c). The
// benchmarks time them, and hal_ops runs them under callgrind to count
// their instructions against the budget each carries.
#ifndef BENCH_OPS_H
#define BENCH_OPS_H

#include <cstddef>
#include <cstdint>

extern "C" uint32_t g_nullHostCommands;

namespace benchops {

struct Op {
    const char *name;   // as the benchmarks and hal_ops name it
    const char *entry;  // the entry point whose instructions are counted
    void (*setup)();    // before the first request
    void (*run)();      // one request
    void (*teardown)();
    // Instructions of one request in an optimised x86-64 build (-O2),
    // entry point to return, the null host's own work included: the count
    // measured when it was set, plus a tenth.
    uint64_t budget;
};

extern const Op kOps[];
extern const size_t kOpCount;

}  // namespace benchops

#endif
