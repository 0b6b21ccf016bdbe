// Reading recordings of libhal_record.so: what a well-formed file holds, and
// how a cut, foreign or corrupt one is refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "record_file.h"

namespace halsim {
namespace {

using Bytes = std::vector<uint8_t>;

// Little-endian bytes, as the recorder writes them.
struct Le {
    Bytes b;
    Le &u8(uint8_t v)
    {
        b.push_back(v);
        return *this;
    }
    Le &u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    Le &u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
    Le &u64(uint64_t v) { return u32(static_cast<uint32_t>(v)).u32(static_cast<uint32_t>(v >> 32)); }
    Le &raw(const Bytes &v)
    {
        b.insert(b.end(), v.begin(), v.end());
        return *this;
    }
    Le &str(const std::string &s) { return raw(Bytes(s.begin(), s.end())); }
};

Bytes header(uint32_t version = 1) { return Le().str(std::string("HALREC\0\0", 8)).u32(version).u32(0).b; }

Bytes entry(uint32_t kind, const Bytes &body)
{
    return Le().u32(kind).u32(static_cast<uint32_t>(body.size())).raw(body).b;
}

Bytes word(uint32_t v) { return Le().u32(0).u32(v).b; }
Bytes buffer(const Bytes &before, const Bytes &after)
{
    return Le().u32(1).u32(static_cast<uint32_t>(before.size())).raw(before).raw(after).b;
}
Bytes null() { return Le().u32(2).b; }

// A call body; args are the encoded arguments, argc their count unless given.
Bytes callBody(uint32_t sequence, const std::string &name, uint32_t result, const std::vector<Bytes> &args,
               int argc = -1)
{
    Le le;
    le.u32(sequence).u32(4242).u64(0x123456789AULL + sequence).u32(result);
    le.u16(static_cast<uint16_t>(name.size())).str(name);
    le.u16(static_cast<uint16_t>(argc < 0 ? args.size() : static_cast<size_t>(argc)));
    for (const Bytes &a : args) {
        le.raw(a);
    }
    return le.b;
}

Bytes concat(const std::vector<Bytes> &parts)
{
    Bytes out;
    for (const Bytes &p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// Two calls with an entry of a later kind between them.
const std::vector<Bytes> kValidParts = {
    header(),
    entry(1, callBody(0, "HAL_L3_AddWanStats", 0, {word(1), word(2), word(3)})),
    entry(7, {0xAA, 0xBB, 0xCC, 0xDD, 0xEE}),
    entry(1, callBody(1, "HAL_L3_GetWanStats", 0xF7300001U,
                      {word(0xFFFFFFFFU), buffer({1, 2, 3, 4}, {5, 6, 7, 8}), null(), buffer({}, {})})),
    entry(1, callBody(2, "HAL_BTV_InitUser", 0xD12FFFFFU, {})),
};

TEST(RecordingReader, ReadsEveryCallAndSkipsEntriesOfOtherKinds)
{
    const Bytes file = concat(kValidParts);
    std::vector<RecordedCall> calls;
    std::string error;
    ASSERT_TRUE(readRecording(file.data(), file.size(), calls, error)) << error;
    ASSERT_EQ(calls.size(), 3U);

    EXPECT_EQ(calls[0].name, "HAL_L3_AddWanStats");
    EXPECT_EQ(calls[0].sequence, 0U);
    EXPECT_EQ(calls[0].thread, 4242U);
    EXPECT_EQ(calls[0].timeNs, 0x123456789AULL);
    EXPECT_EQ(calls[0].result, 0U);
    ASSERT_EQ(calls[0].args.size(), 3U);
    for (uint32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(calls[0].args[k].kind, RecordedArg::Kind::word);
        EXPECT_EQ(calls[0].args[k].word, k + 1);
    }

    const RecordedCall &get = calls[1];
    EXPECT_EQ(get.name, "HAL_L3_GetWanStats");
    EXPECT_EQ(get.sequence, 1U);
    EXPECT_EQ(get.timeNs, 0x123456789BULL);
    EXPECT_EQ(get.result, 0xF7300001U);
    ASSERT_EQ(get.args.size(), 4U);
    EXPECT_EQ(get.args[0].word, 0xFFFFFFFFU);
    EXPECT_EQ(get.args[1].kind, RecordedArg::Kind::buffer);
    EXPECT_EQ(get.args[1].before, (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(get.args[1].after, (Bytes{5, 6, 7, 8}));
    EXPECT_EQ(get.args[2].kind, RecordedArg::Kind::null);
    EXPECT_EQ(get.args[3].kind, RecordedArg::Kind::buffer);
    EXPECT_TRUE(get.args[3].before.empty());

    EXPECT_EQ(calls[2].name, "HAL_BTV_InitUser");
    EXPECT_EQ(calls[2].result, 0xD12FFFFFU);
    EXPECT_TRUE(calls[2].args.empty());
}

TEST(RecordingReader, AnEmptyRecordingHasNoCalls)
{
    const Bytes file = header();
    std::vector<RecordedCall> calls(1);
    std::string error;
    EXPECT_TRUE(readRecording(file.data(), file.size(), calls, error)) << error;
    EXPECT_TRUE(calls.empty());
}

// A recording cut anywhere but between entries is refused, keeping the calls
// written in full before the cut.
TEST(RecordingReader, RefusesAFileCutShortAndKeepsTheCompleteCalls)
{
    const Bytes file = concat(kValidParts);
    std::vector<size_t> ends;  // where each part ends
    size_t end = 0;
    for (const Bytes &p : kValidParts) {
        end += p.size();
        ends.push_back(end);
    }
    const size_t callsBefore[] = {0, 1, 1, 2, 3};  // complete calls at each part's end
    for (size_t cut = 0; cut < file.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Bytes part(file.begin(), file.begin() + static_cast<long>(cut));
        std::vector<RecordedCall> calls;
        std::string error;
        const bool ok = readRecording(part.data(), part.size(), calls, error);
        size_t whole = 0;  // parts complete before the cut
        while (whole < ends.size() && ends[whole] <= cut) {
            ++whole;
        }
        const bool atBoundary = whole != 0 && ends[whole - 1] == cut;
        EXPECT_EQ(ok, atBoundary) << error;
        EXPECT_EQ(calls.size(), whole == 0 ? 0 : callsBefore[whole - 1]);
        if (!ok) {
            EXPECT_EQ(error.rfind("offset ", 0), 0U) << error;
        }
    }
}

TEST(RecordingReader, RefusesMalformedInputNamingTheOffset)
{
    // The call entry starts at 16, its body at 24; with the name "HAL_F" the
    // argument count is at 51 and the first argument at 53.
    auto oneCall = [](const Bytes &body) { return concat({header(), entry(1, body)}); };
    struct Case {
        const char *what;
        Bytes file;
        const char *error;
    };
    const Case cases[] = {
        {"another magic", concat({Le().str("HALREX").u16(0).u32(1).u32(0).b}),
         "offset 0: not a recording: magic 48 41 4c 52 45 58 00 00"},
        {"version 2", header(2), "offset 8: version 2 "},
        {"version 0", header(0), "offset 8: version 0 "},
        {"header without flags", Le().str(std::string("HALREC\0\0", 8)).u32(1).u16(0).b, "offset 12: header cut short"},
        {"entry length beyond the file", concat({header(), Le().u32(1).u32(100).u32(0).b}),
         "offset 16: entry of 100 bytes runs past the end of the file (4 bytes left)"},
        {"unknown entry beyond the file", concat({header(), Le().u32(9).u32(1).b}), "offset 16: entry of 1 bytes"},
        {"buffer beyond the entry", oneCall(callBody(0, "HAL_F", 0, {Le().u32(1).u32(0x80000000U).u32(0).b})),
         "offset 53: buffer argument 0 of 2147483648 bytes runs past the entry (4 bytes left)"},
        {"buffer one byte short", oneCall(callBody(0, "HAL_F", 0, {Le().u32(1).u32(2).u16(0).u8(0).b})),
         "offset 53: buffer argument 0 of 2 bytes"},
        {"argument of unknown kind", oneCall(callBody(0, "HAL_F", 0, {word(1), Le().u32(3).b})),
         "offset 61: argument 1 of unknown kind 3"},
        {"fewer arguments than counted", oneCall(callBody(0, "HAL_F", 0, {word(1)}, 2)),
         "offset 61: argument 1 of 2 cut short"},
        {"65535 arguments counted, none there", oneCall(callBody(0, "HAL_F", 0, {}, 0xFFFF)),
         "offset 53: argument 0 of 65535 cut short"},
        {"word cut short", oneCall(callBody(0, "HAL_F", 0, {Le().u32(0).u16(0).b}, 1)),
         "offset 53: word argument 0 cut short"},
        {"bytes after the last argument", oneCall(concat({callBody(0, "HAL_F", 0, {word(1)}), {0}})),
         "offset 61: 1 bytes after the last argument"},
        {"name beyond the entry", oneCall(Le().u32(0).u32(0).u64(0).u32(0).u16(40).str("HAL_F").b),
         "offset 46: name of 40 bytes runs past the entry"},
        {"no argument count", oneCall(Le().u32(0).u32(0).u64(0).u32(0).u16(5).str("HAL_F").b),
         "offset 51: call entry cut short before its argument count"},
        {"fixed fields cut short", oneCall(Le().u32(0).u32(0).u64(0).b), "offset 40: call entry cut short"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<RecordedCall> calls;
        std::string error;
        EXPECT_FALSE(readRecording(c.file.data(), c.file.size(), calls, error));
        EXPECT_EQ(error.rfind(c.error, 0), 0U) << error;
        EXPECT_TRUE(calls.empty());
    }
}

TEST(RecordingReader, ReadsAFile)
{
    const std::string path = ::testing::TempDir() + "record_file_test.halrec";
    const Bytes file = concat(kValidParts);
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
    std::fclose(f);

    std::vector<RecordedCall> calls;
    std::string error;
    EXPECT_TRUE(readRecordingFile(path, calls, error)) << error;
    EXPECT_EQ(calls.size(), 3U);
    std::remove(path.c_str());

    EXPECT_FALSE(readRecordingFile(path, calls, error));
    EXPECT_EQ(error, "cannot open");
    EXPECT_TRUE(calls.empty());
}

// ---- HLP commands -------------------------------------------------------------------------

constexpr uint32_t kRequestNull = 1;
constexpr uint32_t kReplyNull = 2;

// A command body: lengths as passed, bytes as present.
Bytes commandBody(uint32_t call, uint32_t started, uint32_t cmd, uint32_t flags, uint32_t requestLength,
                  const Bytes &request, uint32_t replyLength, const Bytes &reply)
{
    Le le;
    le.u32(call).u32(started).u32(4243).u64(0xABCDEF01ULL).u32(cmd).u32(cmd == 0x20030000U ? 0 : 0xF7300002U);
    le.u32(flags).u32(requestLength).u32(replyLength).raw(request).raw(reply);
    return le.b;
}

TEST(RecordingReader, ReadsCommandsBesideTheCalls)
{
    const Bytes file = concat({
        header(),
        entry(2, commandBody(0, 1, 0x20030000U, kReplyNull, 4, {1, 2, 3, 4}, 0, {})),
        entry(1, callBody(0, "HAL_L2_AddFlow", 0, {word(7)})),
        entry(2, commandBody(0xFFFFFFFFU, 1, 0x2002d007U, 0, 2, {9, 8}, 3, {7, 6, 5})),
        entry(2, commandBody(0xFFFFFFFFU, 1, 0x2002d001U, kRequestNull | kReplyNull, 8, {}, 16, {})),
    });
    Recording rec;
    std::string error;
    ASSERT_TRUE(readRecording(file.data(), file.size(), rec, error)) << error;
    ASSERT_EQ(rec.calls.size(), 1U);
    ASSERT_EQ(rec.commands.size(), 3U);

    const RecordedCommand &sent = rec.commands[0];
    EXPECT_EQ(sent.call, 0U);
    EXPECT_EQ(sent.started, 1U);
    EXPECT_EQ(sent.thread, 4243U);
    EXPECT_EQ(sent.timeNs, 0xABCDEF01ULL);
    EXPECT_EQ(sent.cmd, 0x20030000U);
    EXPECT_EQ(sent.result, 0U);
    EXPECT_FALSE(sent.requestNull);
    EXPECT_TRUE(sent.replyNull);
    EXPECT_EQ(sent.request, (Bytes{1, 2, 3, 4}));
    EXPECT_TRUE(sent.reply.empty());

    const RecordedCommand &answered = rec.commands[1];
    EXPECT_EQ(answered.call, RecordedCommand::kNoCall);
    EXPECT_EQ(answered.result, 0xF7300002U);
    EXPECT_EQ(answered.request, (Bytes{9, 8}));
    EXPECT_EQ(answered.reply, (Bytes{7, 6, 5}));

    // Null pointers: the lengths as passed, no bytes.
    const RecordedCommand &nulls = rec.commands[2];
    EXPECT_TRUE(nulls.requestNull && nulls.replyNull);
    EXPECT_EQ(nulls.requestLength, 8U);
    EXPECT_EQ(nulls.replyLength, 16U);
    EXPECT_TRUE(nulls.request.empty() && nulls.reply.empty());

    // Readers of calls alone skip them.
    std::vector<RecordedCall> calls;
    ASSERT_TRUE(readRecording(file.data(), file.size(), calls, error)) << error;
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].name, "HAL_L2_AddFlow");
}

TEST(RecordingReader, RefusesMalformedCommandsNamingTheOffset)
{
    // The command entry's body starts at 24 and its bytes at 64.
    auto oneCommand = [](const Bytes &body) { return concat({header(), entry(2, body)}); };
    struct Case {
        const char *what;
        Bytes file;
        const char *error;
    };
    const Case cases[] = {
        {"fixed fields cut short", oneCommand(Le().u32(0).u32(1).u32(2).u64(3).u32(4).b),
         "offset 48: command entry cut short in its fixed fields"},
        {"request beyond the entry", oneCommand(commandBody(0, 1, 0x20030000U, 0, 5, {1, 2, 3, 4}, 0, {})),
         "offset 64: request of 5 bytes runs past the entry (4 bytes left)"},
        {"reply beyond the entry", oneCommand(commandBody(0, 1, 0x20030000U, 0, 1, {1}, 4, {1, 2})),
         "offset 65: reply of 4 bytes runs past the entry (2 bytes left)"},
        {"request bytes beside a null request",
         oneCommand(commandBody(0, 1, 0x20030000U, kRequestNull, 2, {1, 2}, 0, {})),
         "offset 64: 2 bytes after the reply"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Recording rec;
        std::string error;
        EXPECT_FALSE(readRecording(c.file.data(), c.file.size(), rec, error));
        EXPECT_EQ(error.rfind(c.error, 0), 0U) << error;
        EXPECT_TRUE(rec.commands.empty());
    }
}

// Calls are written when they end, commands when they are answered: the
// order they started in comes from the numbers taken at their start.
TEST(RecordingOrder, CallsAndCommandsInTheOrderTheyStarted)
{
    struct Written {
        bool call;
        uint32_t number;  // a call's sequence, a command's started count
    };
    struct Case {
        const char *what;
        std::vector<Written> file;
        const char *order;  // c<index in calls>, m<index in commands>
    };
    const Case cases[] = {
        {"one thread: each call's commands before its entry",
         {{false, 1}, {false, 1}, {true, 0}, {false, 2}, {true, 1}},
         "c0 m0 m1 c1 m2"},
        {"two threads: both calls started before either sent",
         {{false, 2}, {false, 2}, {true, 1}, {true, 0}},
         "c1 c0 m0 m1"},
        {"a call ending before another thread's command written earlier",
         {{false, 1}, {true, 1}, {true, 0}, {false, 2}},
         "c1 m0 c0 m1"},
        {"commands outside any call, before and between calls",
         {{false, 0}, {true, 0}, {false, 1}, {true, 1}},
         "m0 c0 m1 c1"},
        {"no commands: calls by sequence", {{true, 2}, {true, 0}, {true, 1}}, "c1 c2 c0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Recording rec;
        for (const Written &w : c.file) {
            if (w.call) {
                rec.calls.push_back(RecordedCall{w.number, 1, 0, 0, "HAL_F", {}});
            } else {
                RecordedCommand m{};
                m.started = w.number;
                rec.commands.push_back(m);
            }
        }
        std::string order;
        for (const RecordedEvent &e : inStartOrder(rec)) {
            order += (order.empty() ? "" : " ") + std::string(e.kind == RecordedEvent::Kind::call ? "c" : "m") +
                     std::to_string(e.index);
        }
        EXPECT_EQ(order, c.order);
    }
}

}  // namespace
}  // namespace halsim
