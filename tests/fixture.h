// Shared test fixture: the library back at its load state and the stand-in
// host back at the eight-port terminal before every case.
#ifndef TESTS_FIXTURE_H
#define TESTS_FIXTURE_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <type_traits>
#include <vector>

#include "hal_network_adpt.h"
#include "host.h"
#include "library_state.h"
#include "report.h"

namespace halsim {
inline void PrintTo(const LastWordRec &rec, std::ostream *os) { *os << describe(rec); }
inline void PrintTo(const HlpCall &call, std::ostream *os) { *os << describe(call); }
inline void PrintTo(const TraceRec &rec, std::ostream *os) { *os << describe(rec); }
}  // namespace halsim

namespace haltest {

class HalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        halsim::resetLibrary();
        host.reset();
    }
    void TearDown() override { halsim::resetLibrary(); }

    halsim::Host &host = halsim::host();

    // Whether the host saw a call of the named function.
    bool called(const char *function) const
    {
        return std::any_of(host.calls.begin(), host.calls.end(), [function](const auto &c) { return c == function; });
    }
};

// A failure record as the host stores it.
inline halsim::LastWordRec lastWord(const char *file, uint32_t line, uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0,
                                    uint32_t v3 = 0, uint32_t v4 = 0)
{
    return halsim::LastWordRec{file, line, code, {v1, v2, v3, v4}};
}

// Bytes of a record, for byte-exact comparisons with what the driver got.
template <typename T>
std::vector<uint8_t> bytesOf(const T &rec)
{
    static_assert(std::is_trivially_copyable_v<T>);
    std::vector<uint8_t> out(sizeof(T));
    std::memcpy(out.data(), &rec, sizeof(T));
    return out;
}

// Reads a record back from the bytes the driver got.
template <typename T>
T recordOf(const halsim::HlpCall &call)
{
    static_assert(std::is_trivially_copyable_v<T>);
    T rec{};
    EXPECT_EQ(call.req.size(), sizeof(T)) << "request length of command 0x" << std::hex << call.cmd;
    std::memcpy(&rec, call.req.data(), std::min(call.req.size(), sizeof(T)));
    return rec;
}

}  // namespace haltest

#endif
