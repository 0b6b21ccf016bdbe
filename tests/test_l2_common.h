// Shared by the layer-2 flow tests: a terminal whose CTPs the test chooses,
// served through the port identity hooks, and host flow records.
#ifndef TESTS_TEST_L2_COMMON_H
#define TESTS_TEST_L2_COMMON_H

#include <functional>
#include <map>

#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_l2.h"
#include "fixture.h"

namespace l2test {

using halsim::LastWordRec;
using haltest::bytesOf;
using haltest::lastWord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Port = std::pair<uint32_t, uint32_t>;

// What the port identity hooks answer; an absent entry answers 1.
struct Terminal {
    std::map<uint32_t, std::pair<uint32_t, uint16_t>> ctps;  // HAL_Ctp2UserPort: type, user port
    std::map<uint32_t, uint16_t> byPort;                     // HAL_UserPort2Ctp of Ethernet user ports
    std::map<uint32_t, uint32_t> roles;                      // HAL_GetNetRole
    std::map<uint32_t, std::pair<uint32_t, uint16_t>> gems;  // HAL_GetBCUCGemBgeById: GEM port, bridge
    int ctpCalls = 0, failCtpCall = 0;  // the HAL_Ctp2UserPort call (counting from 1) that answers failCode
    uint32_t failCode = 0;
};

inline Terminal terminal;

// Looks key up in map; the hooks note their calls among the host's so that
// tests see the order of every lookup.
template <typename V, typename A, typename B = A>
uint32_t ask(const char *name, const std::map<uint32_t, V> &map, uint32_t key, A *a, B *b = nullptr)
{
    halsim::host().calls.emplace_back(name);
    const auto it = map.find(key);
    if (it == map.end()) {
        return 1;
    }
    if constexpr (std::is_arithmetic_v<V>) {
        *a = it->second;
    } else {
        *a = it->second.first;
        *b = it->second.second;
    }
    return 0;
}
inline uint32_t ctpHook(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    const bool fail = ++terminal.ctpCalls == terminal.failCtpCall;
    return fail ? terminal.failCode : ask("HAL_Ctp2UserPort", terminal.ctps, ctpId, type, userPort);
}
inline uint32_t portHook(uint32_t /*type*/, uint32_t p, uint16_t *c)
{
    return ask("HAL_UserPort2Ctp", terminal.byPort, p, c);
}
inline uint32_t roleHook(uint32_t ctp, uint32_t *role) { return ask("HAL_GetNetRole", terminal.roles, ctp, role); }
inline uint32_t gemHook(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridge)
{
    return ask("HAL_GetBCUCGemBgeById", terminal.gems, ctpId, gemPort, bridge);
}

// The eight Ethernet user ports of the stand-in host: CTP n is user port n on
// chip port n - 1, user side.
class L2Test : public haltest::HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        terminal = Terminal{};
        for (uint16_t port = 1; port <= 8; ++port) {
            terminal.ctps[port] = {0, port};
            terminal.byPort[port] = port;
            terminal.roles[port] = 0;
        }
        HAL_RegCtp2UserPortFunc(ctpHook);
        HAL_RegUserPort2CtpFunc(portHook);
        HAL_RegGetNniRoleFunc(roleHook);
        HAL_RegGetBCUCGemBgeByIdFunc(gemHook);
    }
};

inline void addCtp(uint32_t ctpId, uint32_t type, uint16_t userPort = 1) { terminal.ctps[ctpId] = {type, userPort}; }

// Flow 7 of one direction on a CTP (bridge 3, priority 5), nothing matched or treated.
inline HAL_L2_FLOW_S flowOn(uint16_t ctpId, uint8_t direction)
{
    HAL_L2_FLOW_S f{};
    f.FlowId = 7;
    f.CtpId = ctpId;
    f.BridgeId = 3;
    f.Pri = 5;
    f.FlowDirection = direction;
    return f;
}

// Tag values: TPID, VLAN ID, priority, DSCP table.
inline HAL_L2_FLOW_TAG_INFO_S tag(uint16_t tpid, uint16_t v, uint8_t p, uint8_t d = 0) { return {tpid, v, p, d, {}}; }

inline Port portOf(const chip_port_s &p) { return {p.port_type, p.mask}; }

// A record as its words, so that a mismatch shows the offset (index * 4).
template <typename T>
std::vector<uint32_t> words(const T &rec)
{
    std::vector<uint32_t> w(sizeof(T) / 4);
    std::memcpy(w.data(), &rec, w.size() * 4);
    return w;
}

// The commands the driver got, each as its code and request words.
using Sent = std::vector<std::pair<uint32_t, std::vector<uint32_t>>>;
inline Sent sentWords()
{
    Sent out;
    for (const halsim::HlpCall &c : halsim::host().hlp) {
        std::vector<uint32_t> w(c.req.size() / 4);
        std::memcpy(w.data(), c.req.data(), w.size() * 4);
        out.emplace_back(c.cmd, w);
    }
    return out;
}

// The traces the host got, each as its line and text.
using Traces = std::vector<std::pair<uint32_t, std::string>>;
inline Traces tracesSeen()
{
    Traces out;
    for (const halsim::TraceRec &t : halsim::host().traces) {
        out.emplace_back(t.line, t.text);
    }
    return out;
}

// Every combination of one element of each list, the first list outermost.
template <typename A, typename B, typename C>
auto combine(const A &as, const B &bs, std::initializer_list<C> cs)
{
    using Row =
        std::tuple<const std::decay_t<decltype(*std::begin(as))> &, const std::decay_t<decltype(*std::begin(bs))> &, C>;
    std::vector<Row> rows;
    for (const auto &a : as) {
        for (const auto &b : bs) {
            for (const C &c : cs) {
                rows.emplace_back(a, b, c);
            }
        }
    }
    return rows;
}

}  // namespace l2test

#endif
