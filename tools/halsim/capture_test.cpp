// Captures for Wireshark: the packet of a call and of a command byte for
// byte as the dissector reads them, their order, the pcap file libpcap
// writes, read back through libpcap, and halsim's options that write them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "capture.h"
#include "command_line_test.h"
#include "json_out.h"
#include "run.h"

#ifdef HALSIM_PCAP
#include <pcap/pcap.h>
#endif

namespace halsim {
namespace {

using Bytes = std::vector<uint8_t>;

RecordedCall aCall()
{
    RecordedCall c{7, 0x1234, 5000, 0xF7300001U, "HAL_X", {}};
    RecordedArg word{};
    word.kind = RecordedArg::Kind::word;
    word.word = 0x0A0B0C0D;
    RecordedArg buffer{};
    buffer.kind = RecordedArg::Kind::buffer;
    buffer.before = {1, 2};
    buffer.after = {3, 4};
    RecordedArg null{};
    null.kind = RecordedArg::Kind::null;
    c.args = {word, buffer, null};
    return c;
}

RecordedCommand aCommand(uint32_t started, Bytes reply, bool replyNull)
{
    RecordedCommand m{};
    m.call = 7;
    m.started = started;
    m.thread = 0x1234;
    m.timeNs = 6000 + started;
    m.cmd = 0x2002d007U;
    m.result = 0;
    m.replyNull = replyNull;
    m.request = {0xAA, 0xBB, 0xCC};
    m.requestLength = 3;
    m.reply = std::move(reply);
    m.replyLength = static_cast<uint32_t>(m.reply.size());
    return m;
}

TEST(CapturePacket, HeaderThenTheRecord)
{
    struct Case {
        const char *what;
        Bytes packet;
        Bytes expected;
    };
    const Case cases[] = {
        {"a call: its name and arguments as recorded",
         callPacket(aCall()),
         {1, 0, 24, 0,    7,    0,    0,    0,    0x01, 0,   0x30, 0xF7, 33,  0,   0, 0, 0,
          0, 0, 0,  0x34, 0x12, 0,    0,    5,    0,    'H', 'A',  'L',  '_', 'X', 3, 0,  // name, 3 arguments
          0, 0, 0,  0,    0x0D, 0x0C, 0x0B, 0x0A,                                         // word
          1, 0, 0,  0,    2,    0,    0,    0,    1,    2,   3,    4,                     // buffer: size, before, after
          2, 0, 0,  0}},                                                                  // null
        {"a command: request then reply",
         commandPacket(aCommand(8, {0x11, 0x22}, false)),
         {2, 0, 24, 0, 0x07, 0xD0, 0x02, 0x20, 0, 0,    0,    0,    3,    0,   0,
          0, 2, 0,  0, 0,    0x34, 0x12, 0,    0, 0xAA, 0xBB, 0xCC, 0x11, 0x22}},
        {"a command without a reply buffer",
         commandPacket(aCommand(8, {}, true)),
         {2, 2, 24, 0, 0x07, 0xD0, 0x02, 0x20, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0x34, 0x12, 0, 0, 0xAA, 0xBB, 0xCC}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.packet, c.expected);
    }
}

TEST(CapturePacket, PacketsInTheOrderTheyStartedWithTheirTimes)
{
    Recording rec;
    rec.commands = {aCommand(8, {}, true)};  // sent by call 7, written before it
    rec.calls = {aCall()};
    const std::vector<Packet> packets = packetsOf(rec);
    ASSERT_EQ(packets.size(), 2U);
    EXPECT_EQ(packets[0].bytes, callPacket(rec.calls[0]));
    EXPECT_EQ(packets[0].timeNs, 5000U);
    EXPECT_EQ(packets[1].bytes, commandPacket(rec.commands[0]));
    EXPECT_EQ(packets[1].timeNs, 6008U);
}

#ifdef HALSIM_PCAP
TEST(CaptureFile, ReadsBackThroughLibpcapWithNanosecondTimes)
{
    const std::string path = ::testing::TempDir() + "capture_test.pcap";
    const std::vector<Packet> written = {
        {1'500'000'123ULL, callPacket(aCall())},
        {1'500'000'456ULL, commandPacket(aCommand(8, Bytes(70000, 0x5A), false))},  // above 64 KiB
    };
    std::string error;
    ASSERT_TRUE(writePcap(path, written, error)) << error;

    char pcapError[PCAP_ERRBUF_SIZE];
    pcap_t *p = pcap_open_offline_with_tstamp_precision(path.c_str(), PCAP_TSTAMP_PRECISION_NANO, pcapError);
    ASSERT_NE(p, nullptr) << pcapError;
    EXPECT_EQ(pcap_datalink(p), capture::kLinkType);
    for (const Packet &w : written) {
        pcap_pkthdr *h = nullptr;
        const u_char *data = nullptr;
        ASSERT_EQ(pcap_next_ex(p, &h, &data), 1);
        EXPECT_EQ(h->ts.tv_sec, 1);
        EXPECT_EQ(static_cast<uint64_t>(h->ts.tv_usec), w.timeNs % 1'000'000'000ULL);
        ASSERT_EQ(h->caplen, w.bytes.size());
        EXPECT_EQ(h->len, w.bytes.size());
        EXPECT_EQ(Bytes(data, data + h->caplen), w.bytes);
    }
    pcap_pkthdr *h = nullptr;
    const u_char *data = nullptr;
    EXPECT_EQ(pcap_next_ex(p, &h, &data), PCAP_ERROR_BREAK);
    pcap_close(p);
    std::remove(path.c_str());

    EXPECT_FALSE(writePcap(::testing::TempDir() + "no such directory/x.pcap", written, error));
    EXPECT_FALSE(error.empty());
}
#endif

// The options that write captures and the dissector, and what they exclude.
TEST(CaptureCommandLine, TakesItsFilesOrExits)
{
    struct Case {
        std::vector<const char *> args;
        int status;  // -1: halsim runs
        const char *toPcap;
        const char *pcap;
        const char *dissector;
    };
    const Case cases[] = {
        {{"--dissector", "hlp.lua"}, -1, "", "", "hlp.lua"},
        {{"--dissector", "hlp.lua", "/dev/null"}, 2, "", "", ""},
        {{"--dissector", "hlp.lua", "--replay", "/dev/null"}, 2, "", "", ""},
        {{"--to-pcap", "rec", "out.pcap"}, -1, "rec", "out.pcap", ""},
        {{"--to-pcap", "rec"}, 2, "", "", ""},
        {{"--to-pcap", "rec", "out.pcap", "/dev/null"}, 2, "", "", ""},
        {{"--to-pcap", "rec", "out.pcap", "--dissector", "hlp.lua"}, 2, "", "", ""},
        {{"/dev/null", "--pcap", "out.pcap"}, -1, "", "out.pcap", ""},
        {{"--pcap", "out.pcap"}, 2, "", "", ""},
    };
    for (const Case &c : cases) {
        const Parsed p = parseArgs(c.args);
#ifndef HALSIM_PCAP
        if (p.line.find("pcap") != std::string::npos) {
            continue;  // no capture options without libpcap
        }
#endif
        EXPECT_EQ(p.status, c.status) << p.line;
        if (c.status == -1) {
            EXPECT_EQ(p.options.toPcap, c.toPcap) << p.line;
            EXPECT_EQ(p.options.pcap, c.pcap) << p.line;
            EXPECT_EQ(p.options.dissector, c.dissector) << p.line;
        }
    }
}

#ifdef HALSIM_PCAP
// A capture's packets as (kind, code) and their bytes.
std::vector<std::pair<uint8_t, uint32_t>> readCapture(const std::string &path, std::vector<Bytes> &bytes)
{
    std::vector<std::pair<uint8_t, uint32_t>> out;
    char pcapError[PCAP_ERRBUF_SIZE];
    pcap_t *p = pcap_open_offline(path.c_str(), pcapError);
    EXPECT_NE(p, nullptr) << pcapError;
    if (p == nullptr) {
        return out;
    }
    pcap_pkthdr *h = nullptr;
    const u_char *data = nullptr;
    while (pcap_next_ex(p, &h, &data) == 1) {
        bytes.emplace_back(data, data + h->caplen);
        out.emplace_back(data[0], static_cast<uint32_t>(data[4] | data[5] << 8 | data[6] << 16 | data[7] << 24));
    }
    pcap_close(p);
    return out;
}

// halsim FILE --pcap: the run as always, and a capture of each call the
// scenario made followed by the commands it sent, as the JSON run lists them.
TEST(CaptureRun, ScenarioCaptureHoldsEachCallThenItsCommands)
{
    const std::string scenario = std::string(HALSIM_EXAMPLES_DIR) + "/triple_play.hal";
    const std::string path = ::testing::TempDir() + "capture_run_test.pcap";
    Options o;
    o.output = Output::json;
    o.files = {scenario};
    o.pcap = path;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(run(o, out, err), 0) << err.str();
    EXPECT_NE(err.str().find("halsim: wrote "), std::string::npos) << err.str();

    std::vector<std::pair<uint8_t, uint32_t>> expected;
    std::istringstream lines(out.str());
    std::string line;
    uint32_t sequence = 0;
    while (std::getline(lines, line)) {
        const Json j = Json::parse(line);
        expected.emplace_back(capture::kCall, sequence++);
        for (const Json &c : j["commands"]) {
            expected.emplace_back(capture::kCommand, std::stoul(c["cmd"].get<std::string>(), nullptr, 16));
        }
    }
    std::vector<Bytes> bytes;
    EXPECT_EQ(readCapture(path, bytes), expected);
    std::remove(path.c_str());

    // The service flow's request whole after the header.
    const auto flow = std::find_if(bytes.begin(), bytes.end(), [](const Bytes &b) {
        return b[0] == capture::kCommand && b[4] == 0x00 && b[5] == 0x00 && b[6] == 0x03 && b[7] == 0x20;
    });
    ASSERT_NE(flow, bytes.end());
    EXPECT_EQ(flow->size(), capture::kHeaderSize + 364U);
}

// halsim --to-pcap: every call and command of a recording, in the order
// they started; a recording that cannot be read writes nothing.
TEST(CaptureRun, RecordingToCapture)
{
    Recording rec;
    rec.commands = {aCommand(8, {1, 2}, false)};
    rec.calls = {aCall()};
    const std::vector<Packet> packets = packetsOf(rec);
    // The recording as the recorder writes it: header, command, call.
    Bytes file = {'H', 'A', 'L', 'R', 'E', 'C', 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    const auto entry = [&file](uint32_t kind, const Bytes &body) {
        for (const uint32_t v : {kind, static_cast<uint32_t>(body.size())}) {
            for (int k = 0; k < 4; ++k) {
                file.push_back(static_cast<uint8_t>(v >> (8 * k)));
            }
        }
        file.insert(file.end(), body.begin(), body.end());
    };
    // The packets' bodies are the entries' bodies less what the header holds.
    const Bytes command = packets[1].bytes;
    entry(2, Bytes{7,    0, 0, 0, 8, 0, 0, 0, 0x34, 0x12, 0, 0, 0x78, 0x17, 0, 0, 0, 0,    0,    0,    0x07, 0xD0, 0x02,
                   0x20, 0, 0, 0, 0, 0, 0, 0, 0,    3,    0, 0, 0,    2,    0, 0, 0, 0xAA, 0xBB, 0xCC, 1,    2});
    Bytes call = {7, 0, 0, 0, 0x34, 0x12, 0, 0, 0x88, 0x13, 0, 0, 0, 0, 0, 0, 0x01, 0, 0x30, 0xF7};
    call.insert(call.end(), packets[0].bytes.begin() + capture::kHeaderSize, packets[0].bytes.end());
    entry(1, call);
    const std::string recPath = ::testing::TempDir() + "capture_run_test.halrec";
    const std::string pcapPath = ::testing::TempDir() + "capture_run_test2.pcap";
    FILE *f = std::fopen(recPath.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
    std::fclose(f);

    Options o;
    o.toPcap = recPath;
    o.pcap = pcapPath;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(run(o, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "halsim: wrote 2 packets (1 calls, 1 HLP commands) to " + pcapPath + "\n");
    std::vector<Bytes> bytes;
    readCapture(pcapPath, bytes);
    EXPECT_EQ(bytes, (std::vector<Bytes>{packets[0].bytes, command}));

    std::remove(pcapPath.c_str());
    o.toPcap = ::testing::TempDir() + "no such recording";
    EXPECT_EQ(run(o, out, err), 2);
    EXPECT_NE(err.str().find("cannot open"), std::string::npos);
    FILE *none = std::fopen(pcapPath.c_str(), "rb");
    EXPECT_EQ(none, nullptr);
    if (none != nullptr) {
        std::fclose(none);
    }
    std::remove(recPath.c_str());
}
#endif

}  // namespace
}  // namespace halsim
