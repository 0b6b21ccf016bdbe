// The calls the stress test makes, each filled from the id of its caller so
// that no two threads send the same request: thread t with key k uses the
// number n = t * kKeysPerThread + k for every id, VLAN, address and limit it
// passes. A call returns its result and puts the host record it writes back
// (if any) into out.
#ifndef TESTS_STRESS_STRESS_OPS_H
#define TESTS_STRESS_STRESS_OPS_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stress {

constexpr uint32_t kWorkers = 4;        // threads of the operations safe from any thread
constexpr uint32_t kSerialThread = 4;   // thread number of the serialised operations
constexpr uint32_t kKeysPerThread = 8;  // distinct ids each thread cycles through

struct Key {
    uint32_t thread;
    uint32_t k;
    uint32_t n() const { return thread * kKeysPerThread + k; }
};

using Output = std::vector<uint8_t>;

struct Op {
    const char *name;
    uint32_t (*run)(const Key &key, Output &out);
    // False for calls whose requests carry no id (a switch, a mode): the same
    // on every thread, so a record torn between two of them cannot show.
    bool distinct;
};

// Operations that any thread may call at any time, each thread with its
// own ids; in the order one thread runs them for one key. A key's state in
// the library (its CAR record, its group's user counts) is the same after
// the sequence as before it.
extern const Op kConcurrentOps[];
extern const size_t kConcurrentOpCount;

// Operations the host serialises, run by one thread only (see the table in
// stress_ops.cpp for why each one is there).
extern const Op kSerialOps[];
extern const size_t kSerialOpCount;

// Installs the three families and the host's hooks and empties the WAN
// statistics list: what a host does at start-up, on one thread.
void startUp();

}  // namespace stress

#endif
