// Port services: the isolation switch, port isolation, PVID, broadcast
// table entries, TCI counters, DSCP-to-priority tables and bridge ports.
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kL2[] = "kalo_l2";
constexpr uint32_t kRefused = 0x5A;

LastWordRec lw(uint32_t line, uint32_t code, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0)
{
    return lastWord(kL2, line, code, a, b, c);
}

// A TCI counter reply: the four counters at 16, 24, 32 and 40.
std::vector<uint8_t> tciReply(uint64_t rcvFrame, uint64_t rcvOcts, uint64_t sendFrame, uint64_t sendOcts)
{
    chip_tci_stats_s r{};
    r.port = {0xEE, 0xEE};  // the words before the counters are not read
    r.vlan = r.pri = 0xEE;
    r.rcv_frame = rcvFrame;
    r.rcv_pkt_octs = rcvOcts;
    r.send_frame = sendFrame;
    r.send_pkt_octs = sendOcts;
    return bytesOf(r);
}

}  // namespace

// ---- Switch, PVID, broadcast table --------------------------------------------------

TEST_F(L2Test, OneWordAndBroadcastTableRequests)
{
    struct Case {
        const char *what;
        std::function<uint32_t()> call;
        uint32_t cmd;
        std::vector<uint32_t> request;
        uint32_t failLine;  // 0: a refusal is returned unrecorded
        std::vector<uint32_t> failValues;
    };
    const Case cases[] = {
        {"isolation on", [] { return HAL_L2_SetPortIsolateEnable(1); }, 0x2003000d, {0}, 0, {}},
        {"isolation off", [] { return HAL_L2_SetPortIsolateEnable(0); }, 0x2003000d, {1}, 0, {}},
        {"isolation 7", [] { return HAL_L2_SetPortIsolateEnable(7); }, 0x2003000d, {0}, 0, {}},
        {"PVID", [] { return HAL_L2_SetPvid(0x10064); }, 0x20030026, {0x10064}, 2491, {0x10064}},
        {"add entry", [] { return HAL_L2_AddBcTable(1, 2, 3); }, 0x20030007, {2, 3}, 1733, {1, 2, 3}},
        {"add entry, other first value",
         [] { return HAL_L2_AddBcTable(9, 2, 3); },
         0x20030007,
         {2, 3},
         1733,
         {9, 2, 3}},
        {"remove entry", [] { return HAL_L2_DelBcTable(4, 5, 6); }, 0x20030008, {5, 6}, 1767, {4, 5, 6}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const uint32_t driver : {0U, kRefused}) {
            SetUp();
            host.answer(c.cmd, driver);
            EXPECT_EQ(c.call(), driver);
            EXPECT_EQ(sentWords(), (Sent{{c.cmd, c.request}}));
            EXPECT_FALSE(host.hlp[0].hasReply);
            std::vector<LastWordRec> records;
            if (driver != 0 && c.failLine != 0) {
                std::vector<uint32_t> v = c.failValues;
                v.resize(4);
                records.push_back(lastWord(kL2, c.failLine, driver, v[0], v[1], v[2], v[3]));
            }
            EXPECT_EQ(host.lastWords, records);
        }
    }
}

TEST_F(L2Test, PortIsolationSendsTheCtpsPortAndTheFlag)
{
    addCtp(40, 1);
    // The bridge id only names a failure: two bridges, one request.
    EXPECT_EQ(HAL_L2_SetPortIsolate(2, 40, 1), 0U);
    EXPECT_EQ(HAL_L2_SetPortIsolate(9, 40, 1), 0U);
    EXPECT_EQ(HAL_L2_SetPortIsolate(9, 3, 0), 0U);
    EXPECT_EQ(sentWords(), (Sent{{0x20030004, {5, 1, 1}}, {0x20030004, {5, 1, 1}}, {0x20030004, {4, 1U << 2, 0}}}));
    ASSERT_EQ(host.traces.size(), 3U);
    EXPECT_EQ(host.traces[0].line, 2021U);
    EXPECT_EQ(host.traces[0].text, "ucBridgeId = 2, usCtpId = 40 bIsolate = 1\n");

    // An unknown CTP: its lookup's code, nothing sent; a refusal names the bridge.
    host.reset();
    EXPECT_EQ(HAL_L2_SetPortIsolate(2, 99, 1), 1U);
    EXPECT_THAT(host.hlp, IsEmpty());
    host.answer(0x20030004, kRefused);
    EXPECT_EQ(HAL_L2_SetPortIsolate(2, 40, 1), kRefused);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(2029, 1, 99), lw(2036, kRefused, 2, 40)));
}

// ---- TCI counters ---------------------------------------------------------------

namespace {

struct TciOp {
    const char *what;
    uint32_t (*call)(uint32_t, uint32_t, uint32_t);
    uint32_t cmd;
    uint32_t opening;  // 0: none
    uint32_t resolution;
    uint32_t send;
};

HAL_L2_TCI_STATS_S g_readStats;
const TciOp kTciOps[] = {
    {"read", [](uint32_t c, uint32_t v, uint32_t p) { return HAL_L2_GetPortTciStats(c, v, p, &g_readStats); },
     0x2003001b, 2375, 2379, 2389},
    {"clear", HAL_L2_ClearPortTciStats, 0x2003001a, 2463, 2467, 2475},
    {"add", HAL_L2_AddPortTciStats, 0x20030018, 0, 2439, 2450},
    {"remove", HAL_L2_DelPortTciStats, 0x20030019, 2411, 2415, 2423},
};

// A CTP, the port words it is sent with, and whether it is unknown.
struct TciCtp {
    uint32_t ctp;
    std::vector<uint32_t> port;
    bool unknown;
};

// The traces of one operation on VLAN 4095, priority 7.
Traces tciTraces(const TciOp &op, const TciCtp &c, uint32_t driver)
{
    Traces traces;
    if (op.opening != 0) {
        traces.emplace_back(op.opening, "CtpId=" + std::to_string(c.ctp) + " Vlan=4095 Pri=7\n");
    } else {
        traces.emplace_back(2446, "Type= " + std::to_string(c.port[0]) + " mask= " + std::to_string(c.port[1]) +
                                      " vlan= 4095, Pri=7  \n\r");
    }
    if (op.cmd == 0x2003001b && driver == 0) {
        traces.emplace_back(2399, "RcvFrame=1 RcvPktOcts=2 SendFrame=3 SendPktOcts=4\n");
    }
    return traces;
}

}  // namespace

TEST_F(L2Test, EachTciOperationSendsTheCounterKeyAndRecordsItsOwnLines)
{
    // CTP 30 of type 2 resolves to the uplink type and leaves the mask alone;
    // an unknown CTP is recorded and sent with an empty descriptor.
    const TciCtp ctps[] = {{3, {4, 1U << 2}, false}, {30, {3, 0}, false}, {99, {0, 0}, true}};
    for (const auto &[op, c, driver] : combine(kTciOps, ctps, {0U, kRefused})) {
        SCOPED_TRACE(testing::Message() << op.what << " CTP " << c.ctp << " driver " << driver);
        SetUp();
        addCtp(30, 2);
        host.answer(op.cmd, driver, tciReply(1, 2, 3, 4));
        EXPECT_EQ(op.call(c.ctp, 4095, 7), driver);

        std::vector<uint32_t> request = c.port;
        request.insert(request.end(), {4095, 7, 0, 0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(sentWords(), (Sent{{op.cmd, request}}));
        EXPECT_EQ(host.hlp[0].replyLen, op.cmd == 0x2003001b ? 48U : 0U);

        std::vector<LastWordRec> records;
        if (c.unknown) {
            records.push_back(lw(op.resolution, 1, c.ctp, 4095, 7));
        }
        if (driver != 0) {
            records.push_back(lw(op.send, driver, c.ctp, 4095, 7));
        }
        EXPECT_EQ(host.lastWords, records);
        EXPECT_EQ(tracesSeen(), tciTraces(op, c, driver));
    }
}

TEST_F(L2Test, TciReadCopiesTheCountersInTheHostsOrder)
{
    // RcvFrame 5 and SendPktOcts 2^32: low word first, in the host's order
    // RcvFrame, SendFrame, RcvPktOcts, SendPktOcts.
    host.answer(0x2003001b, 0, tciReply(5, 0x200000001, 0x300000002, 1ULL << 32));
    HAL_L2_TCI_STATS_S stats{};
    ASSERT_EQ(HAL_L2_GetPortTciStats(3, 1, 0, &stats), 0U);
    EXPECT_EQ(words(stats), (std::vector<uint32_t>{5, 0, 2, 3, 1, 2, 0, 1}));

    // A refused read leaves the host record as it was.
    const HAL_L2_TCI_STATS_S before = {9, 9, 9, 9};
    stats = before;
    host.answer(0x2003001b, kRefused, tciReply(1, 1, 1, 1));
    EXPECT_EQ(HAL_L2_GetPortTciStats(3, 1, 0, &stats), kRefused);
    EXPECT_EQ(bytesOf(stats), bytesOf(before));

    // Without a host record nothing is read.
    host.reset();
    EXPECT_EQ(HAL_L2_GetPortTciStats(3, 1, 0, nullptr), HAL_ERR_NULL_PTR);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, ElementsAre(lw(2375, HAL_ERR_NULL_PTR, 3, 1, 0)));
}

// ---- DSCP tables ------------------------------------------------------------------

TEST_F(L2Test, DscpTableLoadCopiesTheHostTableAfterTheId)
{
    HAL_L2_DSCP_TBL_S table{};
    for (uint8_t d = 0; d < 64; ++d) {
        table.aucEntry[d] = static_cast<uint8_t>(d / 8 + (d << 2));
    }
    EXPECT_EQ(HAL_L2_AddDscpToPbitTbl(70000, &table), 0U);
    ASSERT_EQ(host.hlp.size(), 1U);
    EXPECT_EQ(host.hlp[0].cmd, 0x20030005U);
    EXPECT_EQ(host.hlp[0].word(0), 70000U) << "the full 32-bit id";
    EXPECT_EQ(std::vector<uint8_t>(host.hlp[0].req.begin() + 4, host.hlp[0].req.end()), bytesOf(table));
    EXPECT_EQ(host.traces.at(0).line, 1863U);
    EXPECT_EQ(host.traces.at(0).text, "usTblId = 70000\n");

    // A table the copy refuses is recorded and the load still goes, zeroed;
    // a refusal is recorded where it is sent and again by the caller.
    host.reset();
    host.answer(0x20030005, kRefused);
    EXPECT_EQ(HAL_L2_AddDscpToPbitTbl(3, nullptr), kRefused);
    EXPECT_EQ(sentWords(), (Sent{{0x20030005, [] {
                                      std::vector<uint32_t> w(17);
                                      w[0] = 3;
                                      return w;
                                  }()}}));
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1800, 1), lw(1806, kRefused, 3), lw(1868, kRefused)));
}

TEST_F(L2Test, DscpTableUnloadSendsOnlyTheId)
{
    const HAL_L2_DSCP_TBL_S table{{1, 2, 3}};
    EXPECT_EQ(HAL_L2_DelDscpToPbitTbl(70000, &table), 0U);
    EXPECT_EQ(HAL_L2_DelDscpToPbitTbl(5, nullptr), 0U);
    host.answer(0x20030006, kRefused);
    EXPECT_EQ(HAL_L2_DelDscpToPbitTbl(6, nullptr), kRefused);
    EXPECT_EQ(sentWords(), (Sent{{0x20030006, {70000}}, {0x20030006, {5}}, {0x20030006, {6}}}));
    EXPECT_EQ(host.traces.at(1).line, 1896U);
    EXPECT_EQ(host.traces.at(1).text, "usTblId = 5\n");
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1835, kRefused, 6), lw(1901, kRefused)));
}

// ---- Bridge ports -----------------------------------------------------------------

TEST_F(L2Test, BridgePortRequests)
{
    addCtp(40, 4);
    EXPECT_EQ(HAL_L2_AddBridgePort(2, 3, 7), 0U);
    EXPECT_EQ(HAL_L2_DelBridgePort(2, 3, 7), 0U);
    EXPECT_EQ(HAL_L2_AddBridgePort(0x101, 40, 0), 0U);
    EXPECT_EQ(
        sentWords(),
        (Sent{{0x20030002, {2, 7, 4, 1U << 2}}, {0x20030003, {2, 0, 4, 1U << 2}}, {0x20030002, {0x101, 0, 11, 1}}}));
    EXPECT_EQ(tracesSeen(), (Traces{{1969, "ucBridgeId = 2, usCtpId = 3\n"},
                                    {1993, "ucBridgeId = 2, usCtpId = 3\n"},
                                    {1969, "ucBridgeId = 257, usCtpId = 40\n"}}));
}

TEST_F(L2Test, BridgePortFailures)
{
    // An unknown CTP stops before the send; a refusal names CTP and bridge;
    // a command code that is not a bridge port command is never sent.
    EXPECT_EQ(HAL_L2_DelBridgePort(2, 99, 0), 1U);
    host.answer(0x20030002, kRefused);
    EXPECT_EQ(HAL_L2_AddBridgePort(2, 3, 7), kRefused);
    EXPECT_EQ(PDT_L2M_SetBridgePort(2, 3, 7, 0x20030004), 1U);
    EXPECT_EQ(sentWords(), (Sent{{0x20030002, {2, 7, 4, 1U << 2}}}));
    EXPECT_THAT(host.lastWords,
                ElementsAre(lastWord(kL2, 39, 1, 99), lw(1933, 1, 99), lw(1945, kRefused, 3, 2), lw(1945, 1, 3, 2)));
}
