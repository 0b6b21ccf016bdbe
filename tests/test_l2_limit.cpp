// Broadcast, unknown multicast and unknown unicast limits: the rate
// record, the direction by net role, the TR8800 family's user port loop and
// the failure records.
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kL2[] = "kalo_l2";
constexpr uint32_t kRefused = 0x5A;
constexpr uint32_t kNone = 0xFFFFFFFF;  // no limit
constexpr uint32_t kBc = 0x20030009, kUmc = 0x2003000a, kUuc = 0x2003000b, kUserBc = 0x20030027;
constexpr uint32_t kUplinkCtp = 20;  // an Ethernet CTP on the network side

LastWordRec lw(uint32_t line, uint32_t code, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0)
{
    return lastWord(kL2, line, code, a, b, c, d);
}

// The 56-byte record of a port: the same descriptor on both sides, the
// side's rate in its four rate words.
std::vector<uint32_t> carOf(std::pair<uint32_t, uint32_t> port, uint32_t in, uint32_t out)
{
    return {port.first, port.second, in, in, in, in, 0, port.first, port.second, out, out, out, out, 0};
}

struct Limit {
    const char *name;
    uint32_t (*set)(uint32_t, const HAL_L2_LIMIT_S *);
    uint32_t cmd;
    uint32_t noLimitLine, traceLine, failLine;
};
const Limit kLimits[] = {
    {"broadcast", HAL_L2_SetBcLimit, kBc, 2258, 2264, 2281},
    {"unknown multicast", HAL_L2_SetUmcLimit, kUmc, 2308, 2313, 2318},
    {"unknown unicast", HAL_L2_SetUucLimit, kUuc, 2345, 2350, 2355},
};

// The failure record of the limit's own function: the broadcast limit's
// carries no command code.
LastWordRec limitFailure(const Limit &l, uint32_t code, uint32_t ctp, const HAL_L2_LIMIT_S &lim)
{
    return lw(l.failLine, code, ctp, lim.DsLimit, lim.UsLimit, l.cmd == kBc ? 0 : l.cmd);
}

class LimitTest : public L2Test {
protected:
    void SetUp() override
    {
        L2Test::SetUp();
        host.chipAttrs[0x10001] = {0, 4};  // outside the TR8800 family unless a case says so
        addCtp(kUplinkCtp, 0, 4);
        terminal.roles[kUplinkCtp] = 3;
        host.features["FT_MULTI_SERVICE_IPTV_PORT"] = 1;  // keeps the port's own chip port
    }
};

}  // namespace

TEST_F(LimitTest, RatesByNetRoleInUnsigned32BitArithmetic)
{
    struct Case {
        uint32_t role, us, ds;
        uint32_t in, out;
    };
    const Case cases[] = {
        {0, 1000, 0, 8, kNone},           {3, 1000, 0, kNone, 8},
        {1, 1000, 1000, kNone, kNone},    {5, 1000, 1000, kNone, kNone},
        {0, 999, 1000000, 7, 8000},       {0, 0x20000000, 125, 0, 1},  // 2^29 * 8 wraps to 0
        {3, 124, 0xFFFFFFFF, 4294967, 0},                              // (2^32 - 8) / 1000
        {0, 0x20000000 + 125, 1, 1, 0},                                // wraps to 1000
    };
    for (const Limit &l : kLimits) {
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << l.name << " role " << c.role << " us " << c.us << " ds " << c.ds);
            SetUp();
            terminal.roles[3] = c.role;
            const HAL_L2_LIMIT_S lim{c.us, c.ds};
            EXPECT_EQ(l.set(3, &lim), 0U);
            EXPECT_EQ(sentWords(), (Sent{{l.cmd, carOf({4, 1U << 2}, c.in, c.out)}}));
            EXPECT_THAT(host.lastWords, IsEmpty());
            ASSERT_EQ(host.traces.size(), 1U);
            EXPECT_EQ(host.traces[0].line, l.traceLine);
            EXPECT_EQ(host.traces[0].text, "usCtpId = 3, UsLimit = " + std::to_string(static_cast<int32_t>(c.us)) +
                                               ", DsLimit = " + std::to_string(static_cast<int32_t>(c.ds)) + "\n");
        }
    }
}

TEST_F(LimitTest, PortLinesOnTheConsoleOnlyWhileTracing)
{
    const HAL_L2_LIMIT_S lim{1000, 2000};
    for (const uint32_t flag : {0U, 1U}) {
        SetUp();
        host.traceFlags[582] = flag;
        EXPECT_EQ(HAL_L2_SetUucLimit(3, &lim), 0U);
        EXPECT_EQ(host.hlp.size(), 1U) << "sent all the same";
        std::vector<std::string> lines;
        for (const auto &c : host.console) {
            lines.push_back(c.text);
        }
        const std::vector<std::string> expected = {
            "CMD = 537067531 IN_PORT port_type = 4, mask = 4, pir = 8, pbs = 8\n\n\n ",
            "CMD = 537067531 OUT_PORT port_type = 4, mask = 4, pir = 16, pbs = 16\n\n\n "};
        EXPECT_EQ(lines, flag != 0 ? expected : std::vector<std::string>{});
        // The flag is asked before the port is resolved.
        const auto at = [this](const char *fn) { return std::find(host.calls.begin(), host.calls.end(), fn); };
        EXPECT_LT(at("QX_DIA_GetTraceFlag"), at("HAL_Ctp2UserPort"));
    }
}

TEST_F(LimitTest, Tr8800FamilyBroadcastLimitCoversEveryEthernetUserPort)
{
    const HAL_L2_LIMIT_S lim{1000, 2000};
    const auto userCar = [](uint32_t chipPort) { return carOf({4, 1U << chipPort}, 8, 16); };
    const auto uplinkCar = carOf({4, 1U << 3}, 16, 8);
    struct Case {
        const char *what;
        uint32_t chipTypeResult, chipType, ctp;
        bool loop;
    };
    const Case cases[] = {
        {"type 1, network side", 0, 1, kUplinkCtp, true},
        {"type 2, network side", 0, 2, kUplinkCtp, true},
        {"type 3, network side", 0, 3, kUplinkCtp, true},
        {"type 2, user side", 0, 2, 3, false},
        {"type 0", 0, 0, kUplinkCtp, false},
        {"type 4", 0, 4, kUplinkCtp, false},
        {"unreadable type 2", 0x33, 2, kUplinkCtp, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        host.chipAttrs[0x10001] = {c.chipTypeResult, c.chipType};
        host.pdAttrs[1] = {0, 4};
        terminal.roles[2] = 3;  // the loop does not skip network-side user ports
        EXPECT_EQ(HAL_L2_SetBcLimit(c.ctp, &lim), 0U);
        Sent expected;
        if (c.loop) {
            for (uint32_t port = 1; port <= 4; ++port) {
                expected.emplace_back(kUserBc, port == 2 ? carOf({4, 1U << 1}, 16, 8) : userCar(port - 1));
            }
        }
        expected.emplace_back(kBc, c.ctp == 3 ? userCar(2) : uplinkCar);
        EXPECT_EQ(sentWords(), expected);
        EXPECT_THAT(host.lastWords, IsEmpty());
    }
}

TEST_F(LimitTest, Tr8800LoopFailures)
{
    const HAL_L2_LIMIT_S lim{1000, 2000};
    const auto ctpsSent = [] {
        std::vector<std::pair<uint32_t, uint32_t>> out;  // command, chip port mask
        for (const auto &[cmd, w] : sentWords()) {
            out.emplace_back(cmd, w.at(1));
        }
        return out;
    };
    using Ports = std::vector<std::pair<uint32_t, uint32_t>>;
    const uint32_t uplinkMask = 1U << 3;

    // A refused user port is recorded and the loop goes on.
    host.chipAttrs[0x10001] = {0, 2};
    host.pdAttrs[1] = {0, 3};
    host.answer(kUserBc, 0);
    host.answer(kUserBc, kRefused);
    EXPECT_EQ(HAL_L2_SetBcLimit(kUplinkCtp, &lim), 0U);
    EXPECT_EQ(ctpsSent(), (Ports{{kUserBc, 1}, {kUserBc, 2}, {kUserBc, 4}, {kBc, uplinkMask}}));
    EXPECT_THAT(host.lastWords,
                ElementsAre(lw(2173, kRefused, 2, 2000, 1000), lw(2228, kRefused, kUplinkCtp, 2000, 1000)));

    // A user port without a CTP ends the loop, and the port's own limit is not sent.
    SetUp();
    host.chipAttrs[0x10001] = {0, 2};
    terminal.byPort.erase(3);
    EXPECT_EQ(HAL_L2_SetBcLimit(kUplinkCtp, &lim), 0xFFFFFFFFU);
    EXPECT_EQ(ctpsSent(), (Ports{{kUserBc, 1}, {kUserBc, 2}}));
    EXPECT_THAT(host.lastWords,
                ElementsAre(lw(2222, 1, kUplinkCtp, 2000, 1000), lw(2274, 0xFFFFFFFF, kUplinkCtp, 2000, 1000, 2)));

    // The port's role or the user port count cannot be read; no user port at all.
    struct Case {
        const char *what;
        std::function<void()> setUp;
        uint32_t result;
        std::vector<LastWordRec> records;
        size_t sent;
    };
    const Case cases[] = {
        {"role unknown",
         [] { terminal.roles.erase(kUplinkCtp); },
         1,
         {lw(2203, 1, kUplinkCtp), lw(2274, 1, kUplinkCtp, 2000, 1000, 2)},
         0},
        {"count unreadable",
         [this] { host.failNext("QX_DM_PDGetAttr", 0x61); },
         0x61,
         {lw(2213, 0x61, 0, kUplinkCtp), lw(2274, 0x61, kUplinkCtp, 2000, 1000, 2)},
         0},
        {"no user port",
         [this] {
             host.pdAttrs[1] = {0, 0};
         },
         0,
         {},
         1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        host.chipAttrs[0x10001] = {0, 2};
        c.setUp();
        EXPECT_EQ(HAL_L2_SetBcLimit(kUplinkCtp, &lim), c.result);
        EXPECT_EQ(host.lastWords, c.records);
        EXPECT_EQ(host.hlp.size(), c.sent);
    }
}

TEST_F(LimitTest, FailuresStopBeforeTheSendOrAreReturned)
{
    const HAL_L2_LIMIT_S lim{1000, 2000};
    for (const Limit &l : kLimits) {
        SCOPED_TRACE(l.name);
        // No limit record.
        SetUp();
        EXPECT_EQ(l.set(3, nullptr), 1U);
        EXPECT_THAT(host.lastWords, ElementsAre(lw(l.noLimitLine, 1, 3)));

        // An unknown CTP: its role is asked all the same and both results
        // are ORed; nothing is sent.
        SetUp();
        terminal.failCtpCall = 1;
        terminal.failCode = 0x10;
        terminal.roles.erase(3);
        EXPECT_EQ(l.set(3, &lim), 0x11U);
        EXPECT_THAT(host.hlp, IsEmpty());
        EXPECT_EQ(host.lastWords,
                  (std::vector<LastWordRec>{lw(2087, 0x11, 3), lw(2157, 0x11, 3), limitFailure(l, 0x11, 3, lim)}));

        // A refusal.
        SetUp();
        host.answer(l.cmd, kRefused);
        EXPECT_EQ(l.set(3, &lim), kRefused);
        EXPECT_EQ(host.lastWords,
                  (std::vector<LastWordRec>{lw(2173, kRefused, 3, 2000, 1000), limitFailure(l, kRefused, 3, lim)}));
    }
}

TEST_F(LimitTest, TheRecordAndItsSender)
{
    const HAL_L2_LIMIT_S lim{1000, 2000};
    // The egress side's copy of the port can fail: recorded, and the record
    // goes with that side's descriptor empty.
    host.failNext("memcpy_s", 0x7);
    EXPECT_EQ(PDT_L2M_SetCarLimit(3, &lim, kUmc), 0U);
    std::vector<uint32_t> car = carOf({4, 1U << 2}, 8, 16);
    car[7] = car[8] = 0;
    EXPECT_EQ(sentWords(), (Sent{{kUmc, car}}));
    EXPECT_THAT(host.lastWords, ElementsAre(lw(2095, 7)));

    // Only the limit commands are sent; no record, no send.
    SetUp();
    EXPECT_EQ(PDT_L2M_SetCarLimit(3, &lim, 0x20030004), 1U);
    EXPECT_EQ(PDT_L2M_SetCarLimit(3, nullptr, kUuc), 1U);
    chip_car_s rec{};
    EXPECT_EQ(PDT_L2M_TransCarLimit(3, &lim, nullptr), 1U);
    EXPECT_EQ(PDT_L2M_TransCarLimit(3, nullptr, &rec), 1U);
    EXPECT_EQ(PDT_L2M_setBcTR8800Limit(kUplinkCtp, nullptr), 1U);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, ElementsAre(lw(2173, 1, 3, 2000, 1000)));
}
