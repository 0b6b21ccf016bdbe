// Helpers shared by the layer-3 tests.
#ifndef TESTS_L3_TEST_UTIL_H
#define TESTS_L3_TEST_UTIL_H

#include "chip/kalo/kalo_l3.h"
#include "fixture.h"

namespace l3test {

// A failure record of the layer-3 chip adapter.
inline halsim::LastWordRec lw(uint32_t line, uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0,
                              uint32_t v4 = 0)
{
    return haltest::lastWord("kalo_l3", line, code, v1, v2, v3, v4);
}

// The text of the first layer-3 trace written at a line ("" when there is
// none); traces of another module or file do not count.
inline std::string traceAt(const halsim::Host &host, uint32_t line)
{
    const auto t = std::find_if(host.traces.begin(), host.traces.end(), [line](const halsim::TraceRec &r) {
        return r.module == 583 && r.file == "kalo_l3" && r.line == line;
    });
    return t == host.traces.end() ? "" : t->text;
}

// Checks a request against the driver's layout, independently of the
// library's record structs: the command, no reply buffer, each listed offset
// holding its 32-bit word and every other byte 0.
inline void expectReq(const halsim::HlpCall &call, uint32_t cmd, size_t length, const std::map<size_t, uint32_t> &words)
{
    std::vector<uint8_t> want(length, 0);
    for (const auto &[offset, value] : words) {
        ASSERT_LE(offset + 4, length);
        std::memcpy(&want[offset], &value, 4);
    }
    EXPECT_EQ(call.cmd, cmd);
    EXPECT_FALSE(call.hasReply);
    EXPECT_EQ(call.req, want) << "command 0x" << std::hex << call.cmd;
}

}  // namespace l3test

// Every layer-3 test file uses these.
using haltest::HalTest;
using l3test::expectReq;
using l3test::lw;
using l3test::traceAt;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

#endif
