// The host of the thread stress test: every host function the library
// imports, safe to call from any number of threads at once. It keeps no
// shared mutable state besides a few atomic counters; what it learns about a
// call it writes into the log of the calling thread (a thread_local
// pointer), so each worker sees only its own commands.
//
// A call runs in one of two modes. Recording: every command, failure record
// and trace the library makes is appended to an Expect. Checking: each one is
// compared with the next event of the Expect that the same call made while
// it ran alone, and every difference is counted as a torn record.
#ifndef TESTS_STRESS_STRESS_HOST_H
#define TESTS_STRESS_STRESS_HOST_H

#include <cstdint>
#include <string>
#include <vector>

namespace stress {

enum class EventKind : uint8_t { Command, LastWord, Trace, Console };

// One thing the library did through the host during a call.
struct Event {
    EventKind kind = EventKind::Command;
    uint32_t code = 0;       // command code; source line of a record or trace
    uint32_t result = 0;     // the driver's answer; the failure code; the trace module
    uint32_t replyLen = 0;   // reply buffer length of a command
    bool replyClear = true;  // the reply buffer was all zero when the command arrived
    std::string bytes;       // request bytes; file and values; formatted text

    bool operator==(const Event &o) const
    {
        return kind == o.kind && code == o.code && result == o.result && replyLen == o.replyLen &&
               replyClear == o.replyClear && bytes == o.bytes;
    }
    bool operator!=(const Event &o) const { return !(*this == o); }
};

// What one call does when it runs alone: its events in order, its result,
// and the host record it writes back (empty when it writes none).
struct Expect {
    std::vector<Event> events;
    uint32_t result = 0;
    std::vector<uint8_t> output;

    bool operator==(const Expect &o) const { return events == o.events && result == o.result && output == o.output; }
    size_t commands() const;
};

// The host's view of one thread. Only the owning thread writes it; the main
// thread reads it after joining.
struct ThreadLog {
    uint32_t seed = 0;               // id of the running call; the driver's MAC table derives from it
    Expect *recording = nullptr;     // recording mode: events go here
    const Expect *expect = nullptr;  // checking mode: events are compared with these
    size_t cursor = 0;               // next expected event

    uint64_t commands = 0;           // commands this thread sent
    uint64_t torn = 0;               // events that differ from the expected one
    uint64_t extra = 0;              // events beyond the expected ones
    uint64_t layout = 0;             // commands not sent with the records paired with their code
    std::vector<std::string> notes;  // the first differences, for the report

    void note(std::string text);
};

// Binds the calling thread to a log (nullptr: the host accepts and ignores).
void bindThread(ThreadLog *log);

// Totals over all threads.
uint64_t hostCommands();
int64_t liveAllocations();

// Flow ids of diagnostic flows: the driver refuses them as protocol-packet
// ACL flows, so that a removal by ACL id falls through to the diagnostic
// flow removal.
constexpr uint32_t kDfxFlowFirst = 5000;
constexpr uint32_t kDfxFlowLast = 5999;

// Port identity of the terminal the host describes: CTPs 0 to 63.
struct CtpInfo {
    uint32_t type;
    uint16_t userPort;
    uint32_t role;
};
constexpr uint32_t kCtpCount = 64;
CtpInfo ctpInfo(uint32_t ctp);

// Registers the host's port identity hooks with the library.
void registerPortHooks();

std::string describe(const Event &e);

}  // namespace stress

#endif
