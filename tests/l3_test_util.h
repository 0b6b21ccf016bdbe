// Helpers shared by the layer-3 tests.
#ifndef TESTS_L3_TEST_UTIL_H
#define TESTS_L3_TEST_UTIL_H

#include <map>
#include <string>
#include <vector>

#include "fixture.h"
#include "kalo_l3.h"

namespace l3test {

// A failure record of the layer-3 chip adapter.
inline halsim::LastWordRec lw(uint32_t line, uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0,
                              uint32_t v4 = 0)
{
    return haltest::lastWord("kalo_l3", line, code, v1, v2, v3, v4);
}

// The text of the layer-3 trace written at a line ("" when there is none);
// traces of another module or file do not count.
inline std::string traceAt(const halsim::Host &host, uint32_t line)
{
    for (const halsim::TraceRec &t : host.traces) {
        if (t.module == 583 && t.file == "kalo_l3" && t.line == line) {
            return t.text;
        }
    }
    return {};
}

inline std::vector<uint32_t> commandsOf(const halsim::Host &host)
{
    std::vector<uint32_t> cmds;
    for (const halsim::HlpCall &c : host.hlp) {
        cmds.push_back(c.cmd);
    }
    return cmds;
}

// Checks a request against the driver's layout, independently of the
// library's record structs: each listed offset holds its 32-bit word and
// every other byte is 0.
inline void expectWords(const halsim::HlpCall &call, size_t length, const std::map<size_t, uint32_t> &words)
{
    std::vector<uint8_t> want(length, 0);
    for (const auto &[offset, value] : words) {
        ASSERT_LE(offset + 4, length);
        std::memcpy(&want[offset], &value, 4);
    }
    EXPECT_EQ(call.req, want) << "command 0x" << std::hex << call.cmd;
}

}  // namespace l3test

#endif
