// Thread stress test. After start-up on one thread, four workers call every
// operation that any thread may call, each with ids of its own, and a fifth
// thread runs the operations the host serialises. Each call is first run
// alone, while the host records what the library sends; then, with all five
// threads running, the host compares every command, failure record and trace
// with that recording, and each caller compares its result and the record
// written back. A torn record, a missing or extra command, or a command
// count that differs from the calls made fails the test. Under
// ThreadSanitizer the run also shows every unsynchronised access.
//
// Usage: stress_threads [calls per thread]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "stress_host.h"
#include "stress_ops.h"

namespace stress {
namespace {

// Enough to take a few seconds under ThreadSanitizer.
constexpr uint64_t kDefaultCalls = 32000;

struct Step {
    const Op *op;
    Key key;
    Expect expect;
};

// One thread's calls for all its keys, in order: every operation for key 0,
// then for key 1, and so on.
std::vector<Step> scriptOf(uint32_t thread, const Op *ops, size_t count)
{
    std::vector<Step> steps;
    for (uint32_t k = 0; k < kKeysPerThread; ++k) {
        for (size_t i = 0; i < count; ++i) {
            steps.push_back({&ops[i], {thread, k}, {}});
        }
    }
    return steps;
}

// Runs a script once alone, recording what each call does. Two rounds are
// recorded: a script whose second round differs from its first leaves state
// behind, and a recording could not stand for every round.
bool record(std::vector<Step> &script)
{
    ThreadLog log;
    bindThread(&log);
    bool same = true;
    for (int round = 0; round < 2; ++round) {
        for (Step &s : script) {
            Expect got;
            log.recording = &got;
            log.seed = s.key.n();
            got.result = s.op->run(s.key, got.output);
            log.recording = nullptr;
            if (round == 0) {
                s.expect = std::move(got);
            } else if (!(got == s.expect)) {
                std::printf("FAIL: \"%s\" (thread %u, key %u) does not repeat: the script leaves state behind\n",
                            s.op->name, s.key.thread, s.key.k);
                same = false;
            }
        }
    }
    bindThread(nullptr);
    if (log.layout != 0) {
        std::printf("FAIL: %llu commands sent with records not paired with their code\n",
                    static_cast<unsigned long long>(log.layout));
        for (const std::string &n : log.notes) {
            std::printf("  %s\n", n.c_str());
        }
        return false;
    }
    return same;
}

// A record torn between two threads can only show when their requests
// differ: for every operation marked distinct, each worker must make at
// least one call that no other worker makes in the same way.
bool threadsDistinguishable(const std::vector<std::vector<Step>> &scripts)
{
    bool ok = true;
    for (size_t op = 0; op < kConcurrentOpCount; ++op) {
        if (!kConcurrentOps[op].distinct) {
            continue;
        }
        for (uint32_t a = 0; a < kWorkers; ++a) {
            bool unique = false;
            for (size_t i = op; i < scripts[a].size() && !unique; i += kConcurrentOpCount) {
                bool shared = false;
                for (uint32_t b = 0; b < kWorkers && !shared; ++b) {
                    for (size_t j = op; b != a && j < scripts[b].size() && !shared; j += kConcurrentOpCount) {
                        shared = scripts[a][i].expect == scripts[b][j].expect;
                    }
                }
                unique = !shared;
            }
            if (!unique) {
                std::printf("FAIL: every call of \"%s\" on thread %u is also made by another thread\n",
                            kConcurrentOps[op].name, a);
                ok = false;
            }
        }
    }
    return ok;
}

struct Tally {
    ThreadLog log;
    uint64_t calls = 0;
    uint64_t expectedCommands = 0;
    uint64_t missing = 0;     // expected events that never came
    uint64_t badResults = 0;  // results that differ from the recording
    uint64_t badOutputs = 0;  // written-back records that differ
};

// Holds the workers together: each waits for the others before every key,
// so that the four run the same operations at the same time, where a record
// shared between calls tears most easily.
class Rendezvous {
public:
    explicit Rendezvous(uint32_t parties) : parties_(parties) {}
    void arrive()
    {
        const uint32_t round = round_.load(std::memory_order_acquire);
        if (waiting_.fetch_add(1, std::memory_order_acq_rel) + 1 == parties_) {
            waiting_.store(0, std::memory_order_relaxed);
            round_.store(round + 1, std::memory_order_release);
            return;
        }
        while (round_.load(std::memory_order_acquire) == round) {
            std::this_thread::yield();
        }
    }

private:
    const uint32_t parties_;
    std::atomic<uint32_t> waiting_{0};
    std::atomic<uint32_t> round_{0};
};

void runThread(const std::vector<Step> &script, uint64_t calls, Rendezvous *together, const std::atomic<bool> &go,
               Tally &tally)
{
    bindThread(&tally.log);
    while (!go.load(std::memory_order_acquire)) {
        std::this_thread::yield();
    }
    Output out;
    const size_t perKey = script.size() / kKeysPerThread;
    for (uint64_t i = 0; i < calls; ++i) {
        if (together != nullptr && i % perKey == 0) {
            together->arrive();
        }
        const Step &s = script[static_cast<size_t>(i % script.size())];
        tally.log.expect = &s.expect;
        tally.log.cursor = 0;
        tally.log.seed = s.key.n();
        out.clear();
        const uint32_t result = s.op->run(s.key, out);
        if (tally.log.cursor < s.expect.events.size()) {
            tally.missing += s.expect.events.size() - tally.log.cursor;
            tally.log.note(std::string("\"") + s.op->name +
                           "\": " + std::to_string(s.expect.events.size() - tally.log.cursor) + " events missing");
        }
        if (result != s.expect.result) {
            ++tally.badResults;
            tally.log.note(std::string("\"") + s.op->name + "\": result " + std::to_string(result) + ", alone " +
                           std::to_string(s.expect.result));
        }
        if (out != s.expect.output) {
            ++tally.badOutputs;
            tally.log.note(std::string("\"") + s.op->name + "\": the record written back differs");
        }
        tally.expectedCommands += s.expect.commands();
        ++tally.calls;
    }
    tally.log.expect = nullptr;
    bindThread(nullptr);
}

int run(uint64_t calls)
{
    startUp();

    std::vector<std::vector<Step>> scripts;
    for (uint32_t t = 0; t < kWorkers; ++t) {
        scripts.push_back(scriptOf(t, kConcurrentOps, kConcurrentOpCount));
    }
    scripts.push_back(scriptOf(kSerialThread, kSerialOps, kSerialOpCount));

    bool ok = true;
    for (auto &script : scripts) {
        ok = record(script) && ok;
    }
    ok = threadsDistinguishable(scripts) && ok;
    if (!ok) {
        return 1;
    }

    const uint64_t commandsBefore = hostCommands();
    const int64_t allocationsBefore = liveAllocations();
    std::vector<Tally> tallies(scripts.size());
    std::atomic<bool> go{false};
    Rendezvous workers(kWorkers);
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    // Each thread runs whole rounds of its script, so that it ends with the
    // library's state (WAN list, CAR records, user counts) as it began.
    std::vector<uint64_t> planned;
    for (size_t t = 0; t < scripts.size(); ++t) {
        const uint64_t len = scripts[t].size();
        planned.push_back((calls + len - 1) / len * len);
        threads.emplace_back(runThread, std::cref(scripts[t]), planned[t], t < kWorkers ? &workers : nullptr,
                             std::cref(go), std::ref(tallies[t]));
    }
    go.store(true, std::memory_order_release);
    for (std::thread &th : threads) {
        th.join();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    uint64_t commands = 0;
    for (size_t t = 0; t < tallies.size(); ++t) {
        const Tally &y = tallies[t];
        const ThreadLog &l = y.log;
        const bool good = y.calls == planned[t] && l.commands == y.expectedCommands && l.torn == 0 && l.extra == 0 &&
                          y.missing == 0 && l.layout == 0 && y.badResults == 0 && y.badOutputs == 0;
        std::printf(
            "%s thread %zu (%s): %llu calls, %llu commands (%llu expected), torn %llu, missing %llu, "
            "extra %llu, unpaired %llu, results %llu, records %llu\n",
            good ? "ok  " : "FAIL", t, t < kWorkers ? "any-thread operations" : "serialised operations",
            static_cast<unsigned long long>(y.calls), static_cast<unsigned long long>(l.commands),
            static_cast<unsigned long long>(y.expectedCommands), static_cast<unsigned long long>(l.torn),
            static_cast<unsigned long long>(y.missing), static_cast<unsigned long long>(l.extra),
            static_cast<unsigned long long>(l.layout), static_cast<unsigned long long>(y.badResults),
            static_cast<unsigned long long>(y.badOutputs));
        for (const std::string &n : l.notes) {
            std::printf("    %s\n", n.c_str());
        }
        ok = ok && good;
        commands += l.commands;
    }
    if (hostCommands() - commandsBefore != commands) {
        std::printf("FAIL: the driver received %llu commands, the threads sent %llu\n",
                    static_cast<unsigned long long>(hostCommands() - commandsBefore),
                    static_cast<unsigned long long>(commands));
        ok = false;
    }
    if (liveAllocations() != allocationsBefore) {
        std::printf("FAIL: %lld host allocations not released\n",
                    static_cast<long long>(liveAllocations() - allocationsBefore));
        ok = false;
    }
    std::printf(
        "%zu threads, at least %llu calls each (%zu any-thread and %zu serialised operations, %u keys per "
        "thread), %llu commands in %.2f s\n",
        scripts.size(), static_cast<unsigned long long>(calls), kConcurrentOpCount, kSerialOpCount, kKeysPerThread,
        static_cast<unsigned long long>(commands), seconds);
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace stress

int main(int argc, char **argv)
{
    uint64_t calls = stress::kDefaultCalls;
    if (argc > 1) {
        calls = std::strtoull(argv[1], nullptr, 10);
        if (calls == 0) {
            std::fprintf(stderr, "usage: %s [calls per thread]\n", argv[0]);
            return 2;
        }
    }
    return stress::run(calls);
}
