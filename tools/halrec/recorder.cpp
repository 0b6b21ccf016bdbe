// The recorder's runtime: resolving the real entry points, building one
// entry per recorded call and appending it to the recording, and taking the
// HLP command channel to append every command the driver is sent.
//
// An entry is built in a heap buffer while the call is prepared: its fixed
// fields, then each argument with room left for a buffer's bytes after the
// call. end() fills in the result, the argument count and those bytes, and
// the entry goes to the file in one fwrite, flushed at once: a host that
// dies loses at most the entry it was writing.
//
// A call's entry is written when it ends, after the commands it sent, which
// are written as the driver answers them. Order is kept by numbers taken as
// things start: a call takes its sequence number when it starts, and a
// command notes the sequence number of the call in progress on its thread
// and how many calls had started when it was sent (FORMAT.md, "Order").
#include "recorder.h"

#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace halrec {
namespace {

constexpr const char *kDefaultPath = "/tmp/hal.halrec";
constexpr uint32_t kFormatVersion = 1;
constexpr uint32_t kEntryCall = 1;
constexpr uint32_t kEntryCommand = 2;

enum : uint8_t { kArgWord = 0, kArgBuffer = 1, kArgNull = 2 };

// Offsets in a call entry, counted from its kind field.
constexpr size_t kLengthAt = 4;
constexpr size_t kSequenceAt = 8;
constexpr size_t kThreadAt = 12;
constexpr size_t kTimeAt = 16;
constexpr size_t kResultAt = 24;
constexpr size_t kNameLengthAt = 28;
constexpr size_t kNameAt = 30;
constexpr size_t kEntryHeader = 8;  // kind and length

// Offsets in a command entry, counted from its kind field.
constexpr size_t kCommandCallAt = 8;
constexpr size_t kCommandStartedAt = 12;
constexpr size_t kCommandThreadAt = 16;
constexpr size_t kCommandTimeAt = 20;
constexpr size_t kCommandCodeAt = 28;
constexpr size_t kCommandResultAt = 32;
constexpr size_t kCommandFlagsAt = 36;
constexpr size_t kCommandRequestLengthAt = 40;
constexpr size_t kCommandReplyLengthAt = 44;
constexpr size_t kCommandBytesAt = 48;
constexpr uint32_t kRequestNull = 1U;
constexpr uint32_t kReplyNull = 2U;
// A command's call when no recorded call is in progress on its thread.
constexpr uint32_t kNoCall = 0xFFFFFFFFU;

// Calls in progress on this thread, recorded or not.
thread_local unsigned t_depth = 0;
// The sequence number of the recorded call in progress on this thread.
thread_local uint32_t t_call = kNoCall;

pthread_once_t g_openOnce = PTHREAD_ONCE_INIT;
FILE *g_file = nullptr;  // written once, under g_openOnce
pthread_mutex_t g_writeLock = PTHREAD_MUTEX_INITIALIZER;
bool g_broken = false;   // under g_writeLock: a write failed, the file ends in a torn entry
uint32_t g_started = 0;  // recorded calls started so far; atomic

void putLe(uint8_t *at, uint64_t value, size_t bytes)
{
    for (size_t k = 0; k < bytes; ++k) {
        at[k] = static_cast<uint8_t>(value >> (8 * k));
    }
}

void openRecording()
{
    const char *path = getenv("HAL_RECORD_FILE");
    if (path == nullptr || path[0] == '\0') {
        path = kDefaultPath;
    }
    uint8_t header[16] = {'H', 'A', 'L', 'R', 'E', 'C', 0, 0};
    putLe(header + 8, kFormatVersion, 4);
    FILE *file = fopen(path, "wbe");
    if (file != nullptr && (fwrite(header, sizeof header, 1, file) != 1 || fflush(file) != 0)) {
        const int error = errno;
        fclose(file);
        file = nullptr;
        errno = error;
    }
    if (file == nullptr) {
        fprintf(stderr, "halrec: cannot write the recording %s (%s); calls are forwarded unrecorded\n", path,
                strerror(errno));
    }
    g_file = file;
}

uint64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000U + static_cast<uint64_t>(now.tv_nsec);
}

void append(const uint8_t *entry, size_t size)
{
    pthread_mutex_lock(&g_writeLock);
    if (!g_broken && (fwrite(entry, size, 1, g_file) != 1 || fflush(g_file) != 0)) {
        g_broken = true;
        fprintf(stderr, "halrec: writing the recording failed (%s); later calls and commands are not recorded\n",
                strerror(errno));
    }
    pthread_mutex_unlock(&g_writeLock);
}

// Stores the next definition of name into *slot once: whoever finds it set
// reads the stored value.
void resolveNext(const char *name, void **slot)
{
    if (__atomic_load_n(slot, __ATOMIC_ACQUIRE) == nullptr) {
        void *next = dlsym(RTLD_NEXT, name);
        void *unset = nullptr;
        if (next != nullptr) {
            __atomic_compare_exchange_n(slot, &unset, next, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
        }
    }
}

uint32_t currentThread() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

// What is noted of a command before it goes to the driver.
struct CommandStart {
    uint32_t cmd;
    uint32_t call;     // the recorded call in progress on the thread, or kNoCall
    uint32_t started;  // recorded calls started by then
    uint32_t thread;
    uint64_t timeNs;
};

// Resolves the channel's next definition and, when there is a recording,
// notes where the command stands. False when the command goes unrecorded.
bool startCommand(uint32_t cmd, void **slot, CommandStart &start)
{
    resolveNext("QX_OS_HLP_SendOutLarge", slot);
    pthread_once(&g_openOnce, openRecording);
    if (g_file == nullptr) {
        return false;
    }
    start.cmd = cmd;
    start.call = t_call;
    start.started = __atomic_load_n(&g_started, __ATOMIC_SEQ_CST);
    start.thread = currentThread();
    start.timeNs = monotonicNs();
    return true;
}

// Appends the entry of one command the driver has answered. A command
// whose entry cannot be built (no memory) goes unrecorded.
void appendCommand(const CommandStart &start, const void *req, uint32_t reqLen, const void *reply, uint32_t replyLen,
                   uint32_t result)
{
    const size_t requestBytes = req != nullptr ? reqLen : 0;
    const size_t replyBytes = reply != nullptr ? replyLen : 0;
    const size_t size = kCommandBytesAt + requestBytes + replyBytes;
    if (size - kEntryHeader > UINT32_MAX) {
        return;
    }
    auto *entry = static_cast<uint8_t *>(malloc(size));
    if (entry == nullptr) {
        return;
    }
    putLe(entry, kEntryCommand, 4);
    putLe(entry + kLengthAt, size - kEntryHeader, 4);
    putLe(entry + kCommandCallAt, start.call, 4);
    putLe(entry + kCommandStartedAt, start.started, 4);
    putLe(entry + kCommandThreadAt, start.thread, 4);
    putLe(entry + kCommandTimeAt, start.timeNs, 8);
    putLe(entry + kCommandCodeAt, start.cmd, 4);
    putLe(entry + kCommandResultAt, result, 4);
    putLe(entry + kCommandFlagsAt, (req == nullptr ? kRequestNull : 0U) | (reply == nullptr ? kReplyNull : 0U), 4);
    putLe(entry + kCommandRequestLengthAt, reqLen, 4);
    putLe(entry + kCommandReplyLengthAt, replyLen, 4);
    if (requestBytes != 0) {
        memcpy(entry + kCommandBytesAt, req, requestBytes);
    }
    if (replyBytes != 0) {
        memcpy(entry + kCommandBytesAt + requestBytes, reply, replyBytes);
    }
    append(entry, size);
    free(entry);
}

}  // namespace

Call::Call(const char *name, void **slot) : outermost_(t_depth++ == 0)
{
    resolveNext(name, slot);
    if (!outermost_) {
        return;
    }
    pthread_once(&g_openOnce, openRecording);
    const size_t nameLength = strlen(name);
    if (g_file == nullptr || nameLength > UINT16_MAX || !reserve(kNameAt + nameLength + 2)) {
        return;
    }
    recording_ = true;
    memset(entry_, 0, kNameAt);
    putLe(entry_, kEntryCall, 4);
    // The number is taken as the call starts, so that the commands it sends
    // can name it and be placed after its start.
    t_call = __atomic_fetch_add(&g_started, 1U, __ATOMIC_SEQ_CST);
    putLe(entry_ + kSequenceAt, t_call, 4);
    putLe(entry_ + kThreadAt, currentThread(), 4);
    putLe(entry_ + kTimeAt, monotonicNs(), 8);
    putLe(entry_ + kNameLengthAt, nameLength, 2);
    used_ = kNameAt;
    put(name, nameLength);
    argcAt_ = used_;
    const uint8_t noArgs[2] = {};
    put(noArgs, sizeof noArgs);
}

Call::~Call()
{
    free(entry_);
    if (outermost_) {
        t_call = kNoCall;
    }
    --t_depth;
}

void Call::word(uint32_t value)
{
    if (!recording_) {
        return;
    }
    if (argc_ == kMaxArgs || !reserve(8)) {
        drop();
        return;
    }
    uint8_t arg[8] = {kArgWord};
    putLe(arg + 4, value, 4);
    put(arg, sizeof arg);
    ++argc_;
}

void Call::buffer(const void *p, uint32_t size)
{
    if (!recording_) {
        return;
    }
    if (argc_ == kMaxArgs || size > (SIZE_MAX - used_ - 8) / 2 || !reserve(8 + 2 * static_cast<size_t>(size))) {
        drop();
        return;
    }
    if (p == nullptr) {
        const uint8_t arg[4] = {kArgNull};
        put(arg, sizeof arg);
    } else {
        uint8_t arg[8] = {kArgBuffer};
        putLe(arg + 4, size, 4);
        put(arg, sizeof arg);
        put(p, size);
        buffers_[bufferCount_++] = {p, size, used_};
        used_ += size;  // the bytes after the call, filled in by end()
    }
    ++argc_;
}

uint32_t Call::end(uint32_t result)
{
    if (!recording_) {
        return result;
    }
    if (used_ - kEntryHeader > UINT32_MAX) {
        drop();
        return result;
    }
    putLe(entry_ + kLengthAt, used_ - kEntryHeader, 4);
    putLe(entry_ + kResultAt, result, 4);
    putLe(entry_ + argcAt_, argc_, 2);
    for (uint32_t k = 0; k < bufferCount_; ++k) {
        memcpy(entry_ + buffers_[k].after, buffers_[k].p, buffers_[k].size);
    }
    append(entry_, used_);
    return result;
}

bool Call::reserve(size_t more)
{
    if (more <= capacity_ - used_) {
        return true;
    }
    size_t capacity = capacity_ == 0 ? 256 : capacity_;
    while (capacity - used_ < more) {
        if (capacity > SIZE_MAX / 2) {
            drop();
            return false;
        }
        capacity *= 2;
    }
    void *grown = realloc(entry_, capacity);
    if (grown == nullptr) {
        drop();
        return false;
    }
    entry_ = static_cast<uint8_t *>(grown);
    capacity_ = capacity;
    return true;
}

void Call::put(const void *bytes, size_t size)
{
    if (size != 0) {
        memcpy(entry_ + used_, bytes, size);
    }
    used_ += size;
}

void Call::drop()
{
    free(entry_);
    entry_ = nullptr;
    used_ = 0;
    capacity_ = 0;
    recording_ = false;
}

}  // namespace halrec

// The command channel, taken ahead of the host's own definition: every
// command is forwarded, and appended once the driver has answered it.
extern "C" __attribute__((visibility("default"))) uint32_t QX_OS_HLP_SendOutLarge(uint32_t cmd, void *req,
                                                                                  uint32_t reqLen, void *reply,
                                                                                  uint32_t replyLen)
{
    using Fn = uint32_t (*)(uint32_t, void *, uint32_t, void *, uint32_t);
    static Fn real;
    halrec::CommandStart start{};
    const bool recording = halrec::startCommand(cmd, reinterpret_cast<void **>(&real), start);
    // The request as sent: a driver may write into it.
    void *sent = recording && req != nullptr && reqLen != 0 ? malloc(reqLen) : nullptr;
    if (sent != nullptr) {
        memcpy(sent, req, reqLen);
    }
    const Fn next = halrec::loaded(real);
    const uint32_t result = next == nullptr ? halrec::kNoRealFunction : next(cmd, req, reqLen, reply, replyLen);
    if (recording) {
        halrec::appendCommand(start, sent != nullptr ? sent : req, reqLen, reply, replyLen, result);
    }
    free(sent);
    return result;
}
