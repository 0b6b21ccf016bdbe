// The Ethernet MAC filter: the chip's per-port entries and mode, repeated
// over the user-side Ethernet ports, and the protocol-packet flows that
// carry the filter in the forwarding driver (the default drop flow of the
// white list and one flow per listed address).
#include "chip/kalo/kalo_l2_mac.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kMac[] = "kalo_l2_mac";
constexpr char kApi[] = "Source/hal/network/api/usr/hal_l2_usr_api";
constexpr uint32_t kRefused = 0x5A;
constexpr uint32_t kAddMac = 0x20030014, kDelMac = 0x20030015, kSetMode = 0x20030016, kGetMode = 0x20030028;
constexpr uint32_t kAddFlow = 0x20030012, kDelFlow = 0x20030013;
const HAL_L2_MAC_FILTER_S kEntry = {{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, {0xEE, 0xEE}, 5};
using Records = std::vector<LastWordRec>;

LastWordRec mw(uint32_t line, uint32_t code, uint32_t a = 0) { return lastWord(kMac, line, code, a); }
LastWordRec api(uint32_t line, uint32_t code, uint32_t a = 0) { return lastWord(kApi, line, code, a); }

std::vector<uint8_t> macMsg(chip_port_s port, const uint8_t *mac)
{
    chip_mac_filter_s m{port, {}, 0};
    std::memcpy(m.mac, mac, sizeof(m.mac));
    return bytesOf(m);
}
std::vector<uint8_t> entryMsg(chip_port_s port) { return macMsg(port, kEntry.aucMac); }
std::vector<uint8_t> modeMsg(chip_port_s port) { return bytesOf(chip_mac_filter_mode_s{port, 2}); }

// A request repeated on every port: the message each port gets, the line of a refused MAC copy.
struct PortOp {
    const char *what;
    uint32_t cmd;
    uint32_t (*call)();
    std::vector<uint8_t> (*msg)(chip_port_s);
    uint32_t copyLine;
};
const PortOp kPortOps[] = {
    {"add", kAddMac, [] { return HAL_L2_AddEthMacFilter(&kEntry); }, entryMsg, 778},
    {"remove", kDelMac, [] { return HAL_L2_DelEthMacFilter(&kEntry); }, entryMsg, 821},
    {"set mode 1", kSetMode, [] { return HAL_L2_SetEthMacFilterMode(1); }, modeMsg, 0},
};

// Terminals of four Ethernet ports unless said otherwise, and the masks their walk visits.
const std::tuple<const char *, void (*)(), std::vector<uint32_t>> kWalks[] = {
    {"eight ports", [] { halsim::host().pdAttrs[1].value = 8; }, {1, 2, 4, 8, 16, 32, 64, 128}},
    {"four ports", [] {}, {1, 2, 4, 8}},
    {"network-side CTP passed over", [] { terminal.roles[2] = 3; }, {1, 4, 8}},
    {"the role is that of the port's CTP",
     [] {
         terminal.byPort[2] = 20, terminal.roles[20] = 3, terminal.byPort[3] = 21, terminal.roles[21] = 0,
         terminal.roles[3] = 3;
     },
     {1, 4, 8}},
    {"failed lookups count as user side",
     [] { terminal.byPort.erase(2), terminal.roles[0] = 3, terminal.roles.erase(3); },
     {1, 2, 4, 8}},
    {"no chip port: empty mask", [] { halsim::host().userToChipPort.erase(3); }, {1, 2, 0, 8}},
    {"chip ports 31 and 40",
     [] { halsim::host().userToChipPort[3] = 31, halsim::host().userToChipPort[4] = 40; },
     {1, 2, 1U << 31, 0}},
    {"no Ethernet port", [] { halsim::host().pdAttrs[1].value = 0; }, {}},
};

}  // namespace

// ---- The chip's filter ----------------------------------------------------------------

TEST_F(L2Test, EthMacFilterRequestsWalkTheUserSidePorts)
{
    for (const PortOp &op : kPortOps) {
        for (const auto &[what, given, masks] : kWalks) {
            SCOPED_TRACE(testing::Message() << op.what << ": " << what);
            SetUp();
            host.pdAttrs[1] = {0, 4};
            given();
            EXPECT_EQ(op.call(), 0U);
            ASSERT_EQ(host.hlp.size(), masks.size());
            for (size_t i = 0; i < masks.size(); ++i) {
                EXPECT_EQ(host.hlp[i].cmd, op.cmd);
                EXPECT_FALSE(host.hlp[i].hasReply);
                EXPECT_EQ(host.hlp[i].req, op.msg({4, masks[i]})) << "message " << i;
            }
            EXPECT_THAT(host.lastWords, IsEmpty());
        }
    }
}

TEST_F(L2Test, EthMacFilterWalkStopsAtTheFirstRefusal)
{
    for (const PortOp &op : kPortOps) {
        SCOPED_TRACE(op.what);
        SetUp();
        host.pdAttrs[1] = {0, 4};
        host.answer(op.cmd, 0);
        host.answer(op.cmd, kRefused);
        EXPECT_EQ(op.call(), kRefused);
        ASSERT_EQ(host.hlp.size(), 2U) << "ports 3 and 4 are not visited";
        EXPECT_EQ(host.hlp[1].req, op.msg({4, 2}));
        EXPECT_EQ(host.lastWords, Records{mw(885, kRefused, 2)});

        SetUp();
        host.pdAttrs[1] = {7, 0};
        EXPECT_EQ(op.call(), 7U);
        EXPECT_THAT(host.hlp, IsEmpty());
        EXPECT_EQ(host.lastWords, Records{mw(867, 7)});

        // An address the copy refuses is recorded and the message goes without it.
        if (op.copyLine != 0) {
            SetUp();
            host.pdAttrs[1] = {0, 2};
            host.failNext("memcpy_s", 9);
            EXPECT_EQ(op.call(), 0U);
            ASSERT_EQ(host.hlp.size(), 2U);
            const uint8_t none[6] = {};
            EXPECT_EQ(host.hlp[0].req, macMsg({4, 1}, none));
            EXPECT_EQ(host.hlp[1].req, op.msg({4, 2}));
            EXPECT_EQ(host.lastWords, Records{mw(op.copyLine, 9)});
        }
    }
}

TEST_F(L2Test, EthMacFilterModeMapsBothWays)
{
    // Host mode set and chip mode sent, on one port.
    const std::pair<uint32_t, uint32_t> sets[] = {{0, 0}, {1, 2}, {2, 1}, {3, 0}, {7, 0}};
    for (const auto &[hostMode, chipMode] : sets) {
        SetUp();
        host.pdAttrs[1] = {0, 1};
        EXPECT_EQ(HAL_L2_SetEthMacFilterMode(hostMode), 0U);
        EXPECT_EQ(sentWords(), (Sent{{kSetMode, {4, 1, chipMode}}})) << "host mode " << hostMode;
    }
    // The chip modes the ports answer (kRefused: the read fails), the host's mode after the walk: the last
    // port's.
    const std::pair<std::vector<uint32_t>, uint32_t> reads[] = {
        {{0}, 0}, {{2}, 1}, {{1}, 2}, {{3}, 0}, {{~0U}, 0}, {{1, 2, 0}, 0}, {{0, 0, 2}, 1}, {{2, kRefused, 2}, 0}};
    for (const auto &[answers, mode] : reads) {
        SCOPED_TRACE(testing::PrintToString(answers));
        SetUp();
        host.pdAttrs[1].value = static_cast<uint32_t>(answers.size());
        Records records;
        for (const uint32_t a : answers) {
            host.answer(kGetMode, a == kRefused ? kRefused : 0, bytesOf(chip_mac_filter_mode_s{{0xEE, 0xEE}, a}));
            if (a == kRefused) {
                // The cleared reply is all the driver left: chip mode, port type and mask 0.
                records = {mw(724, kRefused), mw(885, kRefused, 2)};
            }
        }
        uint32_t got = 0xAA;
        EXPECT_EQ(HAL_L2_GetEthMacFilterMode(&got), records.empty() ? 0U : kRefused);
        EXPECT_EQ(got, mode);
        EXPECT_EQ(host.hlp.size(), records.empty() ? answers.size() : 2U);
        EXPECT_EQ(sentWords().at(0), (std::pair<uint32_t, std::vector<uint32_t>>{kGetMode, {4, 1}}));
        EXPECT_EQ(host.hlp[0].replyLen, 12U);
        EXPECT_EQ(host.lastWords, records);
    }
}

// ---- Protocol-packet flows --------------------------------------------------------------

namespace {

std::vector<uint8_t> flow(uint32_t id, uint32_t ruleClass, uint32_t mask, uint32_t action, const uint8_t *mac)
{
    PduFlowRecord f{};
    f.flow_id = id, f.uiRuleClass = ruleClass, f.match.port = {4, mask}, f.action = action;
    if (mac != nullptr) {
        f.match.mac1.valid = 1;
        std::memcpy(f.match.mac1.addr.mac, mac, 6);
    }
    return bytesOf(f);
}

// The traces seen, each checked for the entry layer's module and file.
Traces apiTraces()
{
    for (const halsim::TraceRec &t : halsim::host().traces) {
        EXPECT_EQ(std::make_pair(t.module, t.file), std::make_pair(582U, std::string(kApi)));
    }
    return tracesSeen();
}

}  // namespace

TEST_F(L2Test, EthMaskHasTheBitsOfTheWalkedPorts)
{
    for (const auto &[what, given, masks] : kWalks) {
        SCOPED_TRACE(what);
        SetUp();
        host.pdAttrs[1] = {0, 4};
        given();
        uint32_t mask = 0xDEAD;
        EXPECT_EQ(HAL_L2_GetEthMask(&mask), 0U);
        uint32_t expected = 0;
        for (const uint32_t m : masks) {
            expected |= m;
        }
        EXPECT_EQ(mask, expected);
        EXPECT_THAT(host.hlp, IsEmpty());
    }
    SetUp();
    host.pdAttrs[1] = {7, 0};
    uint32_t mask = 0xDEAD;
    EXPECT_EQ(HAL_L2_GetEthMask(&mask), 7U);
    EXPECT_EQ(mask, 0xDEADU);
    EXPECT_EQ(host.lastWords, Records{api(670, 7)});
}

TEST_F(L2Test, DefaultDropFlowIsInstalledOnceAndRemovedOnce)
{
    struct Step {
        uint32_t mode, driver, ports;  // ports 0: the port count query fails with 7
        uint32_t cmd;                  // 0: nothing sent
        uint32_t result, created;
        Traces more;
        Records records;
    };
    const std::string added = "add flowId=10000 ethMask=15 success!\n";
    const Step steps[] = {
        {2, 0, 4, 0, 0, 0, {}, {}},
        {0, 0, 4, 0, 0, 0, {}, {}},
        {1, 0, 0, 0, 7, 0, {{766, "Get EthMask error\n"}}, {api(670, 7)}},
        {1, kRefused, 4, kAddFlow, kRefused, 0, {}, {api(782, kRefused, 10000)}},
        {1, 0, 4, kAddFlow, 0, 0, {{785, added}}, {}},
        {1, 0, 4, 0, 0, 1, {}, {}},
        {0, 0, 4, 0, 0, 1, {}, {}},
        {3, 0, 4, 0, 0, 1, {}, {}},
        {2, kRefused, 4, kDelFlow, kRefused, 1, {}, {api(802, kRefused, 10000)}},
        {2, 0, 4, kDelFlow, 0, 1, {{805, "del flowId=10000 success!\n"}}, {}},
        {2, 0, 4, 0, 0, 0, {}, {}},
        {1, 0, 4, kAddFlow, 0, 0, {{785, added}}, {}},
    };
    int n = 0;
    for (const Step &s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n << ", mode " << s.mode);
        host.reset();
        host.pdAttrs[1] = s.ports == 0 ? halsim::Host::Attr{7, 0} : halsim::Host::Attr{0, s.ports};
        host.answer(kAddFlow, s.driver);
        host.answer(kDelFlow, s.driver);
        EXPECT_EQ(HAL_L2_SetEthMacFilterModePDUFlow(s.mode), s.result);
        Traces traces = {
            {819, "policy=" + std::to_string(s.mode) + ", isFlowCreated=" + std::to_string(s.created) + "\n"}};
        traces.insert(traces.end(), s.more.begin(), s.more.end());
        EXPECT_EQ(apiTraces(), traces);
        ASSERT_EQ(host.hlp.size(), s.cmd == 0 ? 0U : 1U);
        if (s.cmd == kAddFlow) {
            EXPECT_EQ(host.hlp[0].req, flow(10000, 6, 0x0f, 1, nullptr));
            EXPECT_FALSE(host.hlp[0].hasReply);
        } else if (s.cmd == kDelFlow) {
            EXPECT_EQ(sentWords(), (Sent{{kDelFlow, {10000}}}));
        }
        EXPECT_EQ(host.lastWords, s.records);
    }
}

TEST_F(L2Test, MacFilterEntryFlowPassesOnlyOnTheWhiteList)
{
    // Policy notified (kNone: never), the flow's action, the driver's answer.
    constexpr uint32_t kNone = ~0U;
    const std::array<uint32_t, 3> cases[] = {{kNone, 1, 0}, {1, 0, 0}, {0, 1, 0}, {2, 1, 0}, {1, 0, kRefused}};
    for (const auto &[policy, action, driver] : cases) {
        SCOPED_TRACE(testing::Message() << "policy " << policy << " driver " << driver);
        SetUp();
        Traces traces;
        if (policy != kNone) {
            HAL_L2_NotifyEthMacFilterMode(policy);
            traces.emplace_back(653, "macFilterPolicy=" + std::to_string(policy) + " [0,BALCK][1,WHITE]\n");
            EXPECT_THAT(host.hlp, IsEmpty());
        }
        host.answer(kAddFlow, driver);
        EXPECT_EQ(HAL_L2_AddEthMacFilterPDUFlow(&kEntry), driver);
        ASSERT_EQ(host.hlp.size(), 1U);
        EXPECT_EQ(host.hlp[0].cmd, kAddFlow);
        EXPECT_EQ(host.hlp[0].req, flow(10005, 7, 0xff, action, kEntry.aucMac));
        traces.emplace_back(707, "macFilterPolicy=" + std::to_string(policy == kNone ? 0 : policy) + ",ethMask=255\n");
        if (driver == 0) {
            traces.emplace_back(727, "add flowId=10005 success!\n");
        }
        EXPECT_EQ(apiTraces(), traces);
        EXPECT_EQ(host.lastWords, driver == 0 ? Records{} : Records{api(725, driver, 10005)});
    }
    SetUp();
    host.pdAttrs[1] = {7, 0};
    EXPECT_EQ(HAL_L2_AddEthMacFilterPDUFlow(&kEntry), 7U);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_EQ(apiTraces(), (Traces{{702, "Get EthMask error\n"}}));
    EXPECT_EQ(host.lastWords, Records{api(670, 7)});
}

TEST_F(L2Test, MacFilterEntryFlowIsRemovedByItsIndex)
{
    // Index, flow id, driver.
    const std::array<uint32_t, 3> cases[] = {{5, 10005, 0}, {123, 10123, 0}, {0, 10000, 0}, {5, 10005, kRefused}};
    for (const auto &[index, id, driver] : cases) {
        SCOPED_TRACE(testing::Message() << "index " << index << " driver " << driver);
        SetUp();
        HAL_L2_MAC_FILTER_S entry = kEntry;
        entry.uiIndex = index;
        host.answer(kDelFlow, driver);
        EXPECT_EQ(HAL_L2_DelEthMacFilterPDUFlow(&entry), driver);
        EXPECT_EQ(sentWords(), (Sent{{kDelFlow, {id}}}));
        Traces traces = {{742, "del flowId=" + std::to_string(id) + "\n"}};
        if (driver == 0) {
            traces.emplace_back(748, "del flowId=" + std::to_string(id) + " success!\n");
        }
        EXPECT_EQ(apiTraces(), traces);
        EXPECT_EQ(host.lastWords, driver == 0 ? Records{} : Records{api(746, driver, id)});
    }
}
