// What one entry point costs the thread that calls it: every call of every
// example scenario runs on a stack of its own, painted beforehand, and the
// heap it takes through the host is watched while it runs.
//
// The host calls the library from threads with small stacks, and the
// library keeps its records on the stack of the call: a call, the stand-in
// host functions it calls included, stays within kStackLimit. The only heap
// is the host's QX_OS_MemMallocD, for the few buffers listed in
// kAllocations.
#include <gtest/gtest.h>

#include <alloca.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "chip/kalo/kalo_l3.h"
#include "driver.h"
#include "host.h"
#include "library_state.h"
#include "platform/qx_host.h"
#include "scenario_file.h"
#include "scenario_settings.h"

// The sanitizers follow a switch of stacks when told of it.
#if defined(__SANITIZE_ADDRESS__)
#define HALSIM_FOOTPRINT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HALSIM_FOOTPRINT_ASAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define HALSIM_FOOTPRINT_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define HALSIM_FOOTPRINT_TSAN 1
#endif
#endif
#ifdef HALSIM_FOOTPRINT_ASAN
#include <sanitizer/common_interface_defs.h>
#endif
#ifdef HALSIM_FOOTPRINT_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace halsim {
namespace {

constexpr size_t kStackLimit = 4096;
constexpr size_t kStackBytes = size_t{64} * 1024;
constexpr unsigned char kPaint = 0xa5;

// AddressSanitizer puts guard zones around every local and moves some
// frames off the stack, and the sanitizers' runtimes run on the caller's
// stack: depths measured there say nothing about the terminal's build, so
// they are printed but not held to the limit.
#if defined(HALSIM_FOOTPRINT_ASAN) || defined(HALSIM_FOOTPRINT_TSAN)
constexpr bool kStackHeld = false;
#else
constexpr bool kStackHeld = true;
#endif

// The buffers the library may take from the host, and whether one may
// outlive the call that took it. A WAN statistics node holds two list
// pointers: 20 bytes on the terminal's 32-bit target.
struct Allocation {
    uint32_t size;
    const char *what;
    bool held;
};
static_assert(sizeof(void *) != 4 || sizeof(QX_IFM_WAN_STATS_S) == 20);
constexpr Allocation kAllocations[] = {
    {sizeof(QX_IFM_WAN_STATS_S), "a WAN statistics node", true},
    {kMacTableBufferBytes, "the MAC table buffer", false},
    {4080, "the multicast user counter array", true},
};

const Allocation *allocationOf(uint32_t size)
{
    for (const Allocation &a : kAllocations) {
        if (a.size == size) {
            return &a;
        }
    }
    return nullptr;
}

// ---- A painted stack --------------------------------------------------------

// One call at a time runs on it; an unmapped page below it stops a call
// that runs off its end before it writes over anything else.
class PaintedStack {
public:
    PaintedStack()
        : page_(static_cast<size_t>(sysconf(_SC_PAGESIZE))),
          map_(mmap(nullptr, page_ + kStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0))
    {
        if (map_ != MAP_FAILED) {
            (void)mprotect(map_, page_, PROT_NONE);
        }
    }
    ~PaintedStack()
    {
        if (map_ != MAP_FAILED) {
            munmap(map_, page_ + kStackBytes);
        }
    }
    PaintedStack(const PaintedStack &) = delete;
    PaintedStack &operator=(const PaintedStack &) = delete;

    bool ok() const { return map_ != MAP_FAILED; }

    // Runs fn(arg) on this stack; returns how many bytes of it the run
    // wrote, counted from the top down to the deepest byte changed.
    size_t run(void (*fn)(void *), void *arg);

private:
    unsigned char *base() const { return static_cast<unsigned char *>(map_) + page_; }

    size_t page_;
    void *map_;
};

// makecontext passes int arguments only: the work and the way back sit here.
struct Switch {
    ucontext_t caller;
    ucontext_t callee;
    void (*fn)(void *);
    void *arg;
    const void *callerBottom;  // AddressSanitizer's view of the caller's stack
    size_t callerSize;
    void *callerFiber;  // ThreadSanitizer's
};
Switch g_switch;

void onPaintedStack()
{
#ifdef HALSIM_FOOTPRINT_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &g_switch.callerBottom, &g_switch.callerSize);
#endif
    g_switch.fn(g_switch.arg);
    // Returning resumes the caller through uc_link; this stack is finished.
#ifdef HALSIM_FOOTPRINT_ASAN
    __sanitizer_start_switch_fiber(nullptr, g_switch.callerBottom, g_switch.callerSize);
#endif
#ifdef HALSIM_FOOTPRINT_TSAN
    // ThreadSanitizer would see this function return on the caller's side:
    // go back without returning.
    __tsan_switch_to_fiber(g_switch.callerFiber, 0);
    setcontext(&g_switch.caller);
#endif
}

size_t PaintedStack::run(void (*fn)(void *), void *arg)
{
    std::fill(base(), base() + kStackBytes, kPaint);
    g_switch.fn = fn;
    g_switch.arg = arg;
    if (getcontext(&g_switch.callee) != 0) {
        ADD_FAILURE() << "getcontext failed";
        return 0;
    }
    g_switch.callee.uc_stack.ss_sp = base();
    g_switch.callee.uc_stack.ss_size = kStackBytes;
    g_switch.callee.uc_link = &g_switch.caller;
    makecontext(&g_switch.callee, onPaintedStack, 0);
#ifdef HALSIM_FOOTPRINT_ASAN
    void *fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, base(), kStackBytes);
#endif
#ifdef HALSIM_FOOTPRINT_TSAN
    g_switch.callerFiber = __tsan_get_current_fiber();
    void *fiber = __tsan_create_fiber(0);
    __tsan_switch_to_fiber(fiber, 0);
#endif
    if (swapcontext(&g_switch.caller, &g_switch.callee) != 0) {
        ADD_FAILURE() << "swapcontext failed";
    }
#ifdef HALSIM_FOOTPRINT_ASAN
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
#ifdef HALSIM_FOOTPRINT_TSAN
    __tsan_destroy_fiber(fiber);
#endif
    const unsigned char *deepest =
        std::find_if(base(), base() + kStackBytes, [](unsigned char b) { return b != kPaint; });
    return static_cast<size_t>(base() + kStackBytes - deepest);
}

TEST(PaintedStack, MeasuresHowDeepACallWrites)
{
    // A frame that writes n bytes of its own must show at least n and not
    // much more: the context switch and the frames around it are small.
    struct Case {
        size_t bytes;
    };
    const Case cases[] = {{0}, {512}, {3000}, {20000}};
    PaintedStack stack;
    ASSERT_TRUE(stack.ok());
    size_t none = 0;
    for (const Case &c : cases) {
        size_t bytes = c.bytes;
        const size_t depth = stack.run(
            [](void *arg) {
                const size_t n = *static_cast<size_t *>(arg);
                volatile unsigned char *frame = static_cast<unsigned char *>(alloca(n + 1));
                for (size_t i = 0; i <= n; ++i) {
                    frame[i] = static_cast<unsigned char>(i + 1);
                }
            },
            &bytes);
        if (c.bytes == 0) {
            none = depth;
        }
        EXPECT_GE(depth, c.bytes) << c.bytes << " bytes written";
        EXPECT_LE(depth, c.bytes + none + 256) << c.bytes << " bytes written";
    }
}

// Most calls trace through the host, and the stand-in host formats every
// trace into a buffer of its own: that alone must leave the library room
// within the limit, or no call could meet it.
TEST(PaintedStack, StandInTraceLeavesTheLibraryRoom)
{
    PaintedStack stack;
    ASSERT_TRUE(stack.ok());
    const auto trace = [](void *) {
        QX_PROC_DBG_TraceN(1, "kalo_l3_wan", 1, "CHIP_KALO_AddWanStats !!(wanid=0x%x) %u %u\r\n", 0x101U, 100U, 0U);
    };
    // The fewest bytes of a few runs: the first ones also bind the
    // functions they call through the dynamic linker.
    size_t depth = kStackBytes;
    for (int run = 0; run < 3; ++run) {
        depth = std::min(depth, stack.run(trace, nullptr));
    }
    host().reset();
    std::printf("  %5zu bytes  the stand-in host's QX_PROC_DBG_TraceN alone\n", depth);
    if (kStackHeld) {
        EXPECT_LT(depth, kStackLimit - 256);
    }
}

// ---- Scenarios ---------------------------------------------------------------

// The allocations the host fails, as it fails them: one-shot results first
// in order, then the standing one.
struct AllocationFailures {
    std::deque<uint32_t> next;
    std::optional<uint32_t> always;

    bool fails()
    {
        if (!next.empty()) {
            const uint32_t result = next.front();
            next.pop_front();
            return result != 0;
        }
        return always && *always != 0;
    }
};

// The allocations one call made, each seen while it was live: whenever the
// driver handles a command, and when the call returns.
struct HeapWatch {
    std::map<void *, uint32_t> before;
    std::map<void *, uint32_t> made;

    void look(const Host &h)
    {
        for (const auto &[p, size] : h.liveAllocations) {
            if (before.count(p) == 0) {
                made.emplace(p, size);
            }
        }
    }
};

struct CallDepth {
    std::string where;  // file:line
    std::string function;
    size_t bytes = 0;
};

// The deepest call of each entry point, over every file run.
std::map<std::string, CallDepth> &deepestByFunction()
{
    static std::map<std::string, CallDepth> deepest;
    return deepest;
}

std::vector<std::string> exampleFiles()
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(HALSIM_EXAMPLES_DIR, ec)) {
        if (entry.path().extension() == ".hal") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class ExampleFootprint : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        std::ifstream in(GetParam(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        ASSERT_TRUE(in && parseScenario(text.str(), GetParam(), scenario_, error)) << error;
        ASSERT_TRUE(stack_.ok());
    }

    // From the library, host and chip as loaded, with the chip answering
    // through a hook that looks at the heap first.
    void start()
    {
        resetLibrary();
        Host &h = host();
        h.reset();
        chip_.reset();
        chip_.attach(h);
        h.driver = [this, chip = h.driver](const HlpCall &call, void *reply, uint32_t replyLen) {
            watch_.look(host());
            return chip(call, reply, replyLen);
        };
        failures_ = AllocationFailures{};
        depths_.clear();
    }

    void TearDown() override
    {
        host().driver = nullptr;
        chip_.detach();
        resetLibrary();
    }

    // Runs one call line on the painted stack and checks the heap it took.
    uint32_t runCall(ScenarioLine &l, bool checked, size_t &depth);
    void runFile(bool checked);

    Scenario scenario_;
    ChipModel chip_;
    HeapWatch watch_;
    AllocationFailures failures_;
    PaintedStack stack_;
    std::vector<CallDepth> depths_;
};

struct CallWork {
    ScenarioLine *line;
    uint32_t result;
};

void callOnStack(void *arg)
{
    auto *work = static_cast<CallWork *>(arg);
    ScenarioLine &l = *work->line;
    work->result = l.function->call(argsOf(l));
}

uint32_t ExampleFootprint::runCall(ScenarioLine &l, bool checked, size_t &depth)
{
    Host &h = host();
    const std::string where = l.file + ":" + std::to_string(l.line) + ": " + l.text;
    const size_t callsBefore = h.calls.size();
    const uint32_t badFreesBefore = h.badFrees;
    watch_.before = h.liveAllocations;
    watch_.made.clear();

    CallWork work{&l, 0};
    depth = stack_.run(callOnStack, &work);
    watch_.look(h);
    if (!checked) {
        return work.result;
    }

    size_t allocations = 0;
    for (size_t i = callsBefore; i < h.calls.size(); ++i) {
        if (h.calls[i] == "QX_OS_MemMallocD" && !failures_.fails()) {
            ++allocations;
        }
    }
    EXPECT_EQ(watch_.made.size(), allocations)
        << where << ": an allocation freed before any command reached the driver, of a size not seen";
    size_t held = 0;
    for (const auto &[p, size] : watch_.made) {
        const Allocation *a = allocationOf(size);
        const bool live = h.liveAllocations.count(p) != 0;
        held += live ? 1 : 0;
        if (a == nullptr) {
            ADD_FAILURE() << where << ": allocates " << size << " bytes, none of the library's buffers";
        } else if (live && !a->held) {
            ADD_FAILURE() << where << ": " << a->what << " (" << size << " bytes) still allocated after the call";
        }
    }
    EXPECT_LE(held, 1U) << where << ": allocations kept by one call";
    EXPECT_EQ(h.badFrees, badFreesBefore) << where << ": frees memory the host never handed out";
    return work.result;
}

// Runs the file from the start, every call on the painted stack; a checked
// run also checks each call's heap and result.
void ExampleFootprint::runFile(bool checked)
{
    start();
    Host &h = host();
    std::optional<uint32_t> last;
    for (ScenarioLine &l : scenario_.lines) {
        std::string error;
        switch (l.kind) {
            case LineKind::call: {
                size_t depth = 0;
                last = runCall(l, checked, depth);
                depths_.push_back({l.file + ":" + std::to_string(l.line), l.function->name, depth});
                break;
            }
            case LineKind::host:
            case LineKind::refuse:
            case LineKind::fail:
            case LineKind::traffic:
                (void)applyLine(h, chip_, l);
                // Allocations the file makes fail are not the library's.
                if (l.kind == LineKind::fail && l.rest == "QX_OS_MemMallocD") {
                    if (l.flag) {
                        failures_.always = static_cast<uint32_t>(l.number2);
                    } else {
                        failures_.next.push_back(static_cast<uint32_t>(l.number2));
                    }
                }
                break;
            case LineKind::expect:
                // The calls run as halsim runs them: each answers as the
                // file expects.
                if (checked && l.check == Check::result && last) {
                    EXPECT_EQ(*last, l.number) << l.file << ":" << l.line << ": " << l.text;
                }
                break;
        }
    }
}

TEST_P(ExampleFootprint, EveryCallStaysWithinItsStackAndHeap)
{
    // Each call's depth is the lesser of two runs of the file: the first
    // call of a function through the dynamic linker binds it on the
    // caller's stack (every vector register saved there), which is the
    // loader's cost, not the call's.
    runFile(false);
    const std::vector<CallDepth> first = depths_;
    runFile(true);
    ASSERT_EQ(first.size(), depths_.size());
    for (size_t i = 0; i < first.size(); ++i) {
        depths_[i].bytes = std::min(depths_[i].bytes, first[i].bytes);
    }
    ASSERT_FALSE(depths_.empty()) << GetParam() << " calls nothing";

    for (const CallDepth &d : depths_) {
        CallDepth &deepest = deepestByFunction()[d.function];
        if (d.bytes > deepest.bytes) {
            deepest = d;
        }
        if (kStackHeld) {
            EXPECT_LE(d.bytes, kStackLimit)
                << d.where << ": " << d.function << " uses " << d.bytes << " bytes of stack";
        }
    }
    std::vector<CallDepth> sorted = depths_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CallDepth &a, const CallDepth &b) { return a.bytes > b.bytes; });
    sorted.resize(std::min<size_t>(sorted.size(), 5));
    for (const CallDepth &d : sorted) {
        std::printf("  %5zu bytes  %s  %s\n", d.bytes, d.function.c_str(), d.where.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleFootprint, ::testing::ValuesIn(exampleFiles()),
                         [](const ::testing::TestParamInfo<std::string> &param) {
                             return std::filesystem::path(param.param).stem().string();
                         });

TEST(ExampleFootprintFiles, AreFound) { EXPECT_FALSE(exampleFiles().empty()) << HALSIM_EXAMPLES_DIR; }

// The deepest entry points of the run, once every test is done.
class DeepestEntryPoints : public ::testing::Environment {
public:
    void TearDown() override
    {
        std::vector<CallDepth> all;
        for (const auto &[name, d] : deepestByFunction()) {
            all.push_back(d);
        }
        if (all.empty()) {
            return;
        }
        std::stable_sort(all.begin(), all.end(),
                         [](const CallDepth &a, const CallDepth &b) { return a.bytes > b.bytes; });
        std::printf("deepest stack by entry point%s:\n", kStackHeld ? "" : " (sanitizer build)");
        for (size_t i = 0; i < all.size() && i < 10; ++i) {
            std::printf("  %5zu bytes  %s  %s\n", all[i].bytes, all[i].function.c_str(), all[i].where.c_str());
        }
    }
};

[[maybe_unused]] const ::testing::Environment *const kDeepest =
    ::testing::AddGlobalTestEnvironment(new DeepestEntryPoints);

}  // namespace
}  // namespace halsim
