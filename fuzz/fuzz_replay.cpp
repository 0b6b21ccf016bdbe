// libFuzzer target: one input is a recording of libhal_record.so, read as
// halsim --replay reads it. Nothing is replayed.
//
// Besides crashes, hangs and out-of-bounds access (the sanitizers), the
// harness aborts when:
//  - a failed read has an error that is not "offset N: what" with N within
//    the input;
//  - an argument read has a kind outside word, buffer and null, a buffer
//    whose bytes before and after the call differ in size, or bytes on a
//    word or a null;
//  - the calls read are not one per call entry of the input (as the
//    harness walks the entries by their headers alone), or, after a fault,
//    not one per call entry before the entry of the fault (a call whose
//    entry is malformed is not among them), or the fault lies neither in
//    the file's header, nor in the header of a broken entry, nor in the
//    body of a call entry;
//  - the calls read (all of them, or those before the fault) written back
//    as a recording do not read back to the same calls;
//  - the input cut short yields calls that are not the first calls of the
//    whole input: a recording cut off by a host that died keeps every call
//    it wrote in full.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "record_file.h"

namespace {

[[noreturn]] void fail(const char *what, const std::string &detail)
{
    std::fprintf(stderr, "fuzz_replay: invariant broken: %s: %s\n", what, detail.c_str());
    std::abort();
}

constexpr size_t kHeaderBytes = 16;  // magic, version, flags
constexpr uint32_t kEntryCall = 1;
constexpr uint32_t kEntryCommand = 2;

uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// The entries of a recording by their headers alone: where each starts and
// ends, whether it is a call, and whether the reader looks inside it (a
// call or an HLP command; other kinds are skipped by their length). The
// last may be broken: its header cut short or its length past the end.
struct Entry {
    size_t start;
    size_t end;
    bool isCall;
    bool broken;
    bool isRead;
};

std::vector<Entry> entriesOf(const uint8_t *data, size_t size)
{
    std::vector<Entry> entries;
    for (size_t at = kHeaderBytes; at < size;) {
        if (size - at < 8 || le32(data + at + 4) > size - at - 8) {
            entries.push_back({at, size, false, true, false});
            break;
        }
        const size_t end = at + 8 + le32(data + at + 4);
        const uint32_t kind = le32(data + at);
        entries.push_back({at, end, kind == kEntryCall, false, kind == kEntryCall || kind == kEntryCommand});
        at = end;
    }
    return entries;
}

// The call entries that start before e.
size_t callsBefore(const std::vector<Entry> &entries, const Entry &e)
{
    size_t n = 0;
    for (const Entry &x : entries) {
        n += x.isCall && x.start < e.start ? 1 : 0;
    }
    return n;
}

// A recording that reads yields one call per call entry.
void checkCallsOfWhole(const std::vector<Entry> &entries, size_t size, size_t calls)
{
    if (size < kHeaderBytes || (!entries.empty() && entries.back().broken)) {
        fail("recording read whose entries overrun it", std::to_string(size));
    }
    const size_t all = entries.empty() ? 0 : callsBefore(entries, entries.back()) + (entries.back().isCall ? 1 : 0);
    if (calls != all) {
        fail("calls read are not one per call entry", std::to_string(calls) + " of " + std::to_string(all));
    }
}

// One that does not yields those before the entry of the fault. A fault at
// offset n lies in the body of the call or command entry that holds n
// (start < n <= end), or in the header of a broken entry that starts at n,
// or in the file's header (n < 16, no call). Where an entry ends and a broken one
// starts at the same n, either may be at fault.
void checkCallsBeforeFault(const std::vector<Entry> &entries, size_t n, size_t calls)
{
    const std::string detail = std::to_string(calls) + " calls, fault at " + std::to_string(n);
    if (n < kHeaderBytes) {
        if (calls != 0) {
            fail("calls read from a recording whose header is at fault", detail);
        }
        return;
    }
    const Entry *body = nullptr;
    const Entry *header = nullptr;
    for (const Entry &e : entries) {
        body = !e.broken && e.start < n && n <= e.end ? &e : body;
        header = e.broken && e.start == n ? &e : header;
    }
    if (header == nullptr && (body == nullptr || !body->isRead)) {
        fail("fault at no entry's header or call or command body", detail);
    }
    const bool inBody = body != nullptr && calls == callsBefore(entries, *body);
    const bool inHeader = header != nullptr && calls == callsBefore(entries, *header);
    if (!inBody && !inHeader) {
        fail("calls read are not one per call entry before the fault", detail);
    }
}

// The offset an error names.
size_t checkError(size_t size, const std::string &error)
{
    const std::string prefix = "offset ";
    if (error.compare(0, prefix.size(), prefix) != 0) {
        fail("error without an offset", error);
    }
    size_t at = prefix.size();
    uint64_t offset = 0;
    bool digits = false;
    while (at < error.size() && error[at] >= '0' && error[at] <= '9' && offset <= size) {
        offset = offset * 10 + static_cast<uint64_t>(error[at++] - '0');
        digits = true;
    }
    if (!digits || offset > size || error.compare(at, 2, ": ") != 0 || error.size() == at + 2) {
        fail("error offset outside the input", error);
    }
    return static_cast<size_t>(offset);
}

void checkCalls(const std::vector<halsim::RecordedCall> &calls)
{
    for (const halsim::RecordedCall &c : calls) {
        for (const halsim::RecordedArg &a : c.args) {
            switch (a.kind) {
                case halsim::RecordedArg::Kind::buffer:
                    if (a.before.size() != a.after.size()) {
                        fail("buffer before and after of different sizes", c.name);
                    }
                    break;
                case halsim::RecordedArg::Kind::word:
                case halsim::RecordedArg::Kind::null:
                    if (!a.before.empty() || !a.after.empty()) {
                        fail("bytes on a word or a null", c.name);
                    }
                    break;
                default:
                    fail("argument of an unknown kind", c.name);
            }
        }
    }
}

bool sameCall(const halsim::RecordedCall &a, const halsim::RecordedCall &b)
{
    if (a.sequence != b.sequence || a.thread != b.thread || a.timeNs != b.timeNs || a.result != b.result ||
        a.name != b.name || a.args.size() != b.args.size()) {
        return false;
    }
    for (size_t i = 0; i < a.args.size(); ++i) {
        const halsim::RecordedArg &x = a.args[i];
        const halsim::RecordedArg &y = b.args[i];
        if (x.kind != y.kind || x.word != y.word || x.before != y.before || x.after != y.after) {
            return false;
        }
    }
    return true;
}

// A recording of calls, as libhal_record.so writes one (FORMAT.md).
class Writer {
public:
    std::vector<uint8_t> bytes;

    void put(uint64_t v, size_t n)
    {
        for (size_t k = 0; k < n; ++k) {
            bytes.push_back(static_cast<uint8_t>(v >> (8 * k)));
        }
    }
    void put(const std::vector<uint8_t> &b) { bytes.insert(bytes.end(), b.begin(), b.end()); }

    explicit Writer(const std::vector<halsim::RecordedCall> &calls)
    {
        const char magic[8] = {'H', 'A', 'L', 'R', 'E', 'C', 0, 0};
        bytes.assign(magic, magic + sizeof magic);
        put(1, 4);  // version
        put(0, 4);  // flags
        for (const halsim::RecordedCall &c : calls) {
            put(1, 4);  // a call
            const size_t lengthAt = bytes.size();
            put(0, 4);
            put(c.sequence, 4);
            put(c.thread, 4);
            put(c.timeNs, 8);
            put(c.result, 4);
            put(c.name.size(), 2);
            bytes.insert(bytes.end(), c.name.begin(), c.name.end());
            put(c.args.size(), 2);
            for (const halsim::RecordedArg &a : c.args) {
                put(static_cast<uint8_t>(a.kind), 4);  // kind and 3 reserved bytes
                if (a.kind == halsim::RecordedArg::Kind::word) {
                    put(a.word, 4);
                } else if (a.kind == halsim::RecordedArg::Kind::buffer) {
                    put(a.before.size(), 4);
                    put(a.before);
                    put(a.after);
                }
            }
            const uint64_t length = bytes.size() - lengthAt - 4;
            for (size_t k = 0; k < 4; ++k) {
                bytes[lengthAt + k] = static_cast<uint8_t>(length >> (8 * k));
            }
        }
    }
};

void checkWrittenBack(const std::vector<halsim::RecordedCall> &calls)
{
    const Writer w(calls);
    std::vector<halsim::RecordedCall> again;
    std::string error;
    if (!halsim::readRecording(w.bytes.data(), w.bytes.size(), again, error)) {
        fail("calls written back do not read", error);
    }
    if (again.size() != calls.size()) {
        fail("calls written back read as another number of calls", std::to_string(again.size()));
    }
    for (size_t i = 0; i < calls.size(); ++i) {
        if (!sameCall(calls[i], again[i])) {
            fail("call written back reads differently", calls[i].name);
        }
    }
}

// Reads data, checking the error, the arguments and the number of calls.
std::vector<halsim::RecordedCall> readChecked(const uint8_t *data, size_t size)
{
    std::vector<halsim::RecordedCall> calls;
    std::string error;
    const bool ok = halsim::readRecording(data, size, calls, error);
    size_t faultOffset = 0;
    if (!ok) {
        faultOffset = checkError(size, error);
    } else if (!error.empty()) {
        fail("error on a recording that read", error);
    }
    checkCalls(calls);
    const std::vector<Entry> entries = size >= kHeaderBytes ? entriesOf(data, size) : std::vector<Entry>();
    if (ok) {
        checkCallsOfWhole(entries, size, calls.size());
    } else {
        checkCallsBeforeFault(entries, faultOffset, calls.size());
    }
    return calls;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<halsim::RecordedCall> calls = readChecked(data, size);
    checkWrittenBack(calls);

    // The input cut short, in a buffer of its own so that a read past the
    // cut is caught: its calls are the first calls of the whole input.
    if (size > 0) {
        const size_t cut = size - 1 - data[size - 1] % size;
        const std::vector<uint8_t> head(data, data + cut);
        const std::vector<halsim::RecordedCall> first = readChecked(head.data(), head.size());
        if (first.size() > calls.size()) {
            fail("cut input yields more calls than the whole", std::to_string(first.size()));
        }
        for (size_t i = 0; i < first.size(); ++i) {
            if (!sameCall(first[i], calls[i])) {
                fail("cut input yields another call", first[i].name);
            }
        }
    }
    return 0;
}
