// Protocol-packet ACL rules and DFX flows through the entry points: the flow
// records as the driver gets them, the CAR profile bound to a rate-limited
// rule and its entry in pduFlowCarRecord, DFX counting, and every refusal.
#include "chip/kalo/kalo_prtcl.h"
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kPrtcl[] = "kalo_prtcl";
constexpr char kApi[] = "Source/hal/network/api/usr/hal_l2_usr_api";
constexpr uint32_t kRefused = 0x5A, kRefused2 = 0x5B;
constexpr uint32_t kAddFlow = 0x20030012, kDelFlow = 0x20030013, kAddCar = 0x20030032, kBindCar = 0x20030033,
                   kUnbindCar = 0x20030034, kDelCar = 0x20030035;
constexpr uint32_t kDfxAdd = 0x2003002c, kDfxDel = 0x2003002d, kDfxCnt = 0x2003002e, kDfxSwitch = 0x2003002f,
                   kDfxGet = 0x20030030, kDfxClr = 0x20030031;
constexpr uint32_t B(int bit) { return 1U << bit; }
using Codes = std::vector<uint32_t>;

LastWordRec pw(uint32_t line, uint32_t code, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0)
{
    return lastWord(kPrtcl, line, code, a, b, c, d);
}
LastWordRec api(uint32_t line, uint32_t code, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0)
{
    return lastWord(kApi, line, code, a, b, c, d);
}

Codes codes()
{
    Codes out;
    for (const halsim::HlpCall &c : halsim::host().hlp) {
        out.push_back(c.cmd);
    }
    return out;
}

// File, line and code of every failure record, for records whose other values are not fixed.
using Where = std::tuple<std::string, uint32_t, uint32_t>;
std::vector<Where> where()
{
    std::vector<Where> out;
    for (const LastWordRec &r : halsim::host().lastWords) {
        out.emplace_back(r.file, r.line, r.code);
    }
    return out;
}

class PrtclAclTest : public L2Test {
protected:
    PrtclPktRule rule{};
    PrtclPktAction action{};
    void SetUp() override
    {
        L2Test::SetUp();
        rule = PrtclPktRule{};
        rule.uiFieldFlags = B(3), rule.uiEthType = 0x888E;
        action = {2, 5, 0, 0};
    }
    uint32_t add(uint32_t id, uint32_t rate, uint32_t portType = 1)
    {
        action.uiCarRate = rate;
        return HAL_PDU_PrtclPktAclAdd(id, portType, 3, &rule, 4, &action);
    }
    // The flow record of the rule above.
    static std::vector<uint32_t> flowWords(uint32_t id, Port port)
    {
        PduFlowRecord f{id, 4, {}, 1, 1, 5};
        f.match.port = {port.first, port.second};
        f.match.match = {1, 0x888E};
        return words(f);
    }
};

}  // namespace

// ---- ACL add ----------------------------------------------------------------------------

TEST_F(PrtclAclTest, FlowRecordIsSentByteExact)
{
    const uint8_t mac[] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    const uint8_t dip[] = {0xff, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0xff, 0x00, 0x00, 0x01};
    rule.uiFieldFlags = B(0) | B(5) | B(6) | B(9) | B(25) | B(13) | B(17) | B(12) | B(26) | B(28) | B(29);
    std::memcpy(rule.aucMac1, mac, 12);
    std::memcpy(rule.aucDstIpv6, dip, 16);
    std::memset(rule.aucDstIpv6Mask, 0xff, 13);
    rule.uiVlanNum = 9, rule.uiSvlan = 100, rule.uiSrcIp = 0xC0A80164, rule.uiSrcIpMask = 0xFFFFFF00;
    rule.uiIpVersion = 1, rule.uiIpVerQualifier = 0, rule.uiIpProtocol = 17, rule.uiL4DstPort = 67;
    rule.uiTunnelType = 2, rule.uiDstL3If = 3, rule.uiIpLenF = 1500;

    PduFlowRecord e{12, 3, {}, 1, 1, 5};
    PduMatch &m = e.match;
    m.port = {4, 1U << 4};
    m.mac1 = {1, {{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, 8}};
    m.vlan_num_valid = 1, m.vlan_num = 9, m.svlan_valid = 1, m.svlan = 100;
    m.sip = {1, {1, {0xC0A80164, 0, 0, 0}, 0, 8}};
    m.dip = {1, {2, {0xff020000, 0, 0x00000001, 0xff000001}, 0, 24}};
    m.ip_ver_valid = 1, m.ip_ver = 4;
    m.tunnel_valid = 1, m.tunnel_type = 2, m.dst_l3if_valid = 1, m.dst_l3if = 3, m.iplenf_valid = 1, m.iplenf = 1500;
    m.match = {4, 0x0043FFFF};

    EXPECT_EQ(HAL_PDU_PrtclPktAclAdd(12, 1, 5, &rule, 3, &action), 0U);
    ASSERT_EQ(codes(), Codes{kAddFlow});
    EXPECT_EQ(host.hlp[0].reqLen, 184U);
    EXPECT_FALSE(host.hlp[0].hasReply);
    EXPECT_EQ(words(haltest::recordOf<PduFlowRecord>(host.hlp[0])), words(e));
    EXPECT_EQ(host.hlp[0].req, bytesOf(e));
}

TEST_F(PrtclAclTest, AddInstallsTheFlowThenCreatesAndBindsTheCarProfile)
{
    struct Given {
        uint32_t id, rate, portType, refusedCmd;
    };
    struct Then {
        uint32_t result;
        Codes cmds;
        bool inUse;
        std::vector<Where> records;
    };
    const std::tuple<const char *, Given, Then> cases[] = {
        {"no rate", {5, 0, 1, 0}, {0, {kAddFlow}, false, {{kPrtcl, 1399, 0}}}},
        {"rate", {5, 1000, 1, 0}, {0, {kAddFlow, kAddCar, kBindCar}, true, {}}},
        {"id 0", {0, 7, 1, 0}, {0, {kAddFlow, kAddCar, kBindCar}, true, {}}},
        {"id 256", {256, 64, 1, 0}, {0, {kAddFlow, kAddCar, kBindCar}, true, {}}},
        {"id 257 has no CAR", {257, 1000, 1, 0}, {0, {kAddFlow}, false, {{kPrtcl, 1399, 1000}}}},
        {"port type 4 has no port", {5, 0, 4, 0}, {0, {kAddFlow}, false, {{kPrtcl, 115, 1}, {kPrtcl, 1399, 0}}}},
        {"flow refused",
         {5, 1000, 1, kAddFlow},
         {kRefused, {kAddFlow}, false, {{kPrtcl, 1392, kRefused}, {kApi, 979, kRefused}}}},
        {"CAR profile refused",
         {5, 1000, 1, kAddCar},
         {kRefused, {kAddFlow, kAddCar}, true, {{kPrtcl, 1412, kRefused}, {kApi, 979, kRefused}}}},
        {"binding refused",
         {5, 1000, 1, kBindCar},
         {kRefused, {kAddFlow, kAddCar, kBindCar}, true, {{kPrtcl, 1422, kRefused}, {kApi, 979, kRefused}}}},
    };
    for (const auto &[what, c, then] : cases) {
        SCOPED_TRACE(what);
        SetUp();
        if (c.refusedCmd != 0) {
            host.answer(c.refusedCmd, kRefused);
        }
        EXPECT_EQ(add(c.id, c.rate, c.portType), then.result);
        EXPECT_EQ(codes(), then.cmds);
        EXPECT_EQ(where(), then.records);
        const Sent sent = sentWords();
        EXPECT_EQ(sent[0].second, flowWords(c.id, c.portType == 4 ? Port{0, 0} : Port{4, 4}));
        if (sent.size() > 1) {
            EXPECT_EQ(sent[1].second, (Codes{c.id, c.rate, c.rate, c.rate, c.rate, 1}));
        }
        if (sent.size() > 2) {
            EXPECT_EQ(sent[2].second, (Codes{c.id, c.id}));
        }
        for (uint32_t id = 0; id < HAL_PDU_CAR_RECORD_NUM; ++id) {
            const bool bound = then.inUse && id == c.id;
            EXPECT_EQ(words(pduFlowCarRecord[id]), (bound ? Codes{1, c.id, c.rate} : Codes{0, 0, 0})) << "entry " << id;
        }
    }
}

TEST_F(PrtclAclTest, RefusedAddsRecordTheRuleAndSendNothingMore)
{
    struct Case {
        const char *what;
        uint32_t portType, selector, refusedCmd;
        std::vector<LastWordRec> records;
    };
    const Case cases[] = {
        {"flow refused", 2, 0, kAddFlow, {pw(1392, kRefused, 12, 2, 0x30003, 6), api(979, kRefused, 12, 0, 2, 6)}},
        {"port type 0", 0, 0, 0, {pw(1378, 1, 12, 0, 0x30003, 6), api(979, 1, 12, 0, 0, 6)}},
        {"port type 5", 5, 0, 0, {pw(1378, 1, 12, 5, 0x30003, 6), api(979, 1, 12, 0, 5, 6)}},
        {"DFX port type 5", 5, 1, 0, {pw(1518, 1, 12, 5, 0x30003, 6), api(990, 1, 12, 1, 5, 6)}},
        {"DFX flow refused", 3, 1, kDfxAdd, {pw(1540, kRefused, 12, 3, 0x30003, 6), api(990, kRefused, 12, 1, 3, 6)}},
        {"selector 2", 2, 2, 0, {api(997, 1, 12, 2, 2, 6)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        rule.uiIsDfx = c.selector;
        if (c.refusedCmd != 0) {
            host.answer(c.refusedCmd, kRefused);
        }
        EXPECT_EQ(HAL_PDU_PrtclPktAclAdd(12, c.portType, 0x30003, &rule, 6, &action), c.refusedCmd ? kRefused : 1U);
        EXPECT_EQ(codes(), c.refusedCmd ? Codes{c.refusedCmd} : Codes{});
        EXPECT_EQ(host.lastWords, c.records);
    }
    // Without rule or action nothing is sent either.
    SetUp();
    EXPECT_EQ(CHIP_KALO_PrtclPktAclAdd(5, 1, 3, nullptr, 4, &action), 1U);
    EXPECT_EQ(CHIP_KALO_PrtclPktAclAdd(5, 1, 3, &rule, 4, nullptr), 1U);
    EXPECT_EQ(HAL_DFX_FlowAdd(5, 1, 3, nullptr, 4, &action), 1U);
    EXPECT_EQ(HAL_DFX_FlowAdd(5, 1, 3, &rule, 4, nullptr), 1U);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_EQ(where(),
              (std::vector<Where>{{kPrtcl, 1373, 1}, {kPrtcl, 1373, 1}, {kPrtcl, 1513, 1}, {kPrtcl, 1513, 1}}));
}

// ---- ACL delete and the CAR lifecycle ---------------------------------------------------------

TEST_F(PrtclAclTest, DeleteReleasesABoundCarFirstAndFallsBackToTheDfxDelete)
{
    struct Given {
        uint32_t id;
        PduFlowCarEntry entry;  // of the id, when it has one
        std::vector<std::pair<uint32_t, uint32_t>> answers;
    };
    struct Then {
        Sent cmds;
        uint32_t result, inUse;
        std::vector<LastWordRec> records;
    };
    const std::tuple<const char *, Given, Then> cases[] = {
        {"no CAR", {5, {0, 5, 1000}, {}}, {{{kDelFlow, {5}}}, 0, 0, {}}},
        {"above 256", {300, {}, {}}, {{{kDelFlow, {300}}}, 0, 0, {}}},
        {"bound CAR", {5, {1, 5, 1000}, {}}, {{{kUnbindCar, {5}}, {kDelCar, {5}}, {kDelFlow, {5}}}, 0, 0, {}}},
        {"id 256", {256, {1, 256, 8}, {}}, {{{kUnbindCar, {256}}, {kDelCar, {256}}, {kDelFlow, {256}}}, 0, 0, {}}},
        {"profile by the entry's flow id",
         {7, {1, 99, 8}, {}},
         {{{kUnbindCar, {7}}, {kDelCar, {99}}, {kDelFlow, {7}}}, 0, 0, {}}},
        {"release refused",
         {5, {1, 5, 1000}, {{kUnbindCar, kRefused}}},
         {{{kUnbindCar, {5}}, {kDfxDel, {5}}}, 0, 1, {pw(1461, kRefused, 5), api(1029, 0, 5)}}},
        {"profile delete refused",
         {5, {1, 5, 1000}, {{kDelCar, kRefused}}},
         {{{kUnbindCar, {5}}, {kDelCar, {5}}, {kDfxDel, {5}}}, 0, 0, {pw(1469, kRefused, 5), api(1029, 0, 5)}}},
        {"flow delete refused, DFX delete too",
         {5, {}, {{kDelFlow, kRefused}, {kDfxDel, kRefused2}}},
         {{{kDelFlow, {5}}, {kDfxDel, {5}}},
          kRefused2,
          0,
          {pw(1479, kRefused, 5), pw(1563, kRefused2, 5), api(1029, kRefused2, 5)}}},
    };
    for (const auto &[what, c, then] : cases) {
        SCOPED_TRACE(what);
        SetUp();
        (void)HAL_L2_InitUser();  // registration clears the table: fill it afterwards
        if (c.id < HAL_PDU_CAR_RECORD_NUM) {
            pduFlowCarRecord[c.id] = c.entry;
        }
        for (const auto &[cmd, result] : c.answers) {
            host.answer(cmd, result);
        }
        EXPECT_EQ(HAL_PDU_PrtclPktAclDel(c.id), then.result);
        EXPECT_EQ(sentWords(), then.cmds);
        EXPECT_EQ(host.lastWords, then.records);
        if (c.id < HAL_PDU_CAR_RECORD_NUM) {
            EXPECT_EQ(pduFlowCarRecord[c.id].uiInUse, then.inUse);
        }
    }
}

TEST_F(PrtclAclTest, CarEntryLivesFromTheCarStepUntilAReleasingDelete)
{
    host.answer(kAddCar, kRefused);
    EXPECT_EQ(add(9, 2000), kRefused);
    EXPECT_EQ(pduFlowCarRecord[9].uiInUse, 1U) << "kept although the profile was refused";
    host.hlp.clear();
    EXPECT_EQ(HAL_PDU_PrtclPktAclDel(9), 0U);
    EXPECT_EQ(sentWords(), (Sent{{kUnbindCar, {9}}, {kDelCar, {9}}, {kDelFlow, {9}}}));
    EXPECT_EQ(pduFlowCarRecord[9].uiInUse, 0U);
    host.hlp.clear();
    EXPECT_EQ(HAL_PDU_PrtclPktAclDel(9), 0U);
    EXPECT_EQ(codes(), Codes{kDelFlow}) << "nothing bound any more";
    host.hlp.clear();
    EXPECT_EQ(add(9, 3000), 0U);
    EXPECT_EQ(words(pduFlowCarRecord[9]), (Codes{1, 9, 3000}));
    EXPECT_EQ(HAL_PDU_PrtclPktAclDel(9), 0U);
    EXPECT_EQ(codes(), (Codes{kAddFlow, kAddCar, kBindCar, kUnbindCar, kDelCar, kDelFlow}));
}

// ---- DFX ----------------------------------------------------------------------------------

TEST_F(PrtclAclTest, DfxChipSupportFromTheChipTypeAndTheFeature)
{
    // attribute read result, chip value, result, flag after the call (0xEE: not written)
    const std::array<uint32_t, 4> cases[] = {{0, 1, 0, 1},   {0, 14, 0, 1},     {0, 15, 0, 0},  {0, 0, 0, 0},
                                             {0, 100, 0, 0}, {0, 101, 1, 0xEE}, {5, 3, 1, 0xEE}};
    for (const auto &[read, chip, result, flag] : cases) {
        for (const uint32_t feature : {0U, 1U}) {
            SCOPED_TRACE(testing::Message() << "chip " << chip << " read " << read << " feature " << feature);
            SetUp();
            host.chipAttrs[0x10001] = {read, chip};
            host.features["QX_TARN_FT_DFX_FLOW_SUPPORT"] = feature;
            uint32_t support = 0xEE;
            EXPECT_EQ(HAL_DFX_IsChipSupport(&support), result);
            EXPECT_EQ(support, flag);
            EXPECT_TRUE(called("QX_DM_ChipGetAttr"));
            host.calls.clear();
            EXPECT_EQ(HAL_DFX_IsSupport(), result == 0 ? 0U : feature);
            EXPECT_EQ(called("QX_Feature_IsSupportByFeatureName"), result != 0);
            EXPECT_THAT(host.hlp, IsEmpty());
        }
    }
}

TEST_F(PrtclAclTest, DfxFlowAndItsCountingAreSentByteExact)
{
    PrtclPktRule r;
    std::memset(&r, 0xA5, sizeof r);  // every ACL field valid and set: none of them is a DFX field
    r.uiFieldFlags = ~0U, r.uiIpProtocol = 17, r.uiL4SrcPort = 0, r.uiL4DstPort = 0x12345, r.uiCapType = 10;
    r.uiDfxDirection = 0, r.uiIsDfx = 1;
    DfxFlowRecord e{};
    e.flow_id = 40, e.m.rule_class = 6, e.m.in_port = {4, 4};
    e.m.ip_proto_valid = 1, e.m.ip_proto = 17, e.m.cap_valid = 1, e.m.cap = 40;
    e.m.sport_valid = 1, e.m.sport = 0xFFFF, e.m.dport_valid = 1, e.m.dport = 0x12345;
    for (const auto entry : {&HAL_PDU_PrtclPktAclAdd, &HAL_DFX_FlowAdd}) {
        SetUp();
        action.uiCarRate = 1000;  // no CAR for a DFX flow
        EXPECT_EQ(entry(40, 1, 3, &r, 6, &action), 0U);
        ASSERT_EQ(codes(), (Codes{kDfxAdd, kDfxCnt}));
        EXPECT_EQ(words(haltest::recordOf<DfxFlowRecord>(host.hlp[0])), words(e));
        EXPECT_EQ(host.hlp[0].req, bytesOf(e));
        EXPECT_EQ(sentWords()[1].second, (Codes{40, 9, 5, 1, 8, 1, 0, 0}));
        EXPECT_FALSE(host.hlp[0].hasReply || host.hlp[1].hasReply);
        EXPECT_THAT(host.lastWords, IsEmpty());
        EXPECT_EQ(pduFlowCarRecord[40].uiInUse, 0U);
    }
}

TEST_F(PrtclAclTest, DfxRecordTakesOnePortTheL4PortsAndTheCaptureType)
{
    // Sends a DFX flow whose rule also holds ACL fields and returns the record the driver got.
    const auto send = [this](uint32_t direction, uint32_t portType, uint32_t portId, uint32_t flags, uint32_t proto,
                             uint32_t capType) {
        SetUp();
        PrtclPktRule r{};
        r.uiFieldFlags = flags, r.uiIpProtocol = proto, r.uiL4SrcPort = 80, r.uiCapType = capType;
        r.uiEthType = 0x88CC, r.uiSvlan = 5, r.uiDfxDirection = direction, r.uiIsDfx = 1;
        EXPECT_EQ(HAL_DFX_FlowAdd(21, portType, portId, &r, 7, &action), 0U);
        EXPECT_EQ(codes(), (Codes{kDfxAdd, kDfxCnt}));
        return haltest::recordOf<DfxFlowRecord>(host.hlp.at(0));
    };
    // One port row by the direction: direction, port type, port id, then the direction word and both descriptors.
    struct PortCase {
        uint32_t direction, portType, portId, word;
        Port in, out;
        std::vector<LastWordRec> records;
    };
    const PortCase ports[] = {
        {0, 1, 3, 0, {4, 4}, {0, 0}, {}},
        {1, 1, 0x10003, 1, {0, 0}, {4, 4}, {}},
        {1, 2, 0, 1, {0, 0}, {1, 0}, {}},
        {0, 3, 0, 0, {2, 0}, {0, 0}, {}},
        {2, 4, 3, 0, {0, 0}, {0, 0}, {}},  // neither row runs
        {1, 4, 3, 1, {0, 0}, {0, 0}, {pw(60, 1, 4, 3)}},
        {0, 1, 40, 0, {0, 0}, {0, 0}, {pw(100, 1, 1, 40)}},
        {1, 1, 40, 1, {0, 0}, {0, 0}, {pw(45, 1, 1, 40)}},
    };
    for (const PortCase &c : ports) {
        SCOPED_TRACE(testing::Message() << "direction " << c.direction << ", port type " << c.portType);
        DfxFlowRecord e{};
        e.flow_id = 21, e.m.rule_class = 7, e.m.direction = c.word;
        e.m.in_port = {c.in.first, c.in.second}, e.m.out_port = {c.out.first, c.out.second};
        EXPECT_EQ(words(send(c.direction, c.portType, c.portId, 0, 6, 0)), words(e));
        EXPECT_EQ(host.lastWords, c.records);
    }
    // Fields on chip port type 1: flags, protocol, capture type, then the protocol valid word, the source and
    // destination ports sent (0: none) and the capture valid word and value.
    const std::array<uint32_t, 8> fields[] = {
        {B(11), 1, 0, 0, 80, 0, 0, 0},
        {B(12), 6, 0, 1, 0, 0xFFFF, 0, 0},
        {B(27), 6, 3, 0, 0, 0, 1, 0},
        {B(27), 6, 21, 0, 0, 0, 1, 16},
        {~(B(11) | B(12) | B(27)), 6, 2, 0, 0, 0, 0, 0},
    };
    for (const auto &[flags, proto, capType, protoValid, sport, dport, capValid, cap] : fields) {
        SCOPED_TRACE(testing::Message() << std::hex << "flags " << flags);
        DfxFlowRecord e{};
        e.flow_id = 21, e.m.rule_class = 7, e.m.in_port = {1, 0};
        e.m.ip_proto_valid = protoValid, e.m.ip_proto = protoValid != 0 ? proto : 0;
        e.m.sport_valid = sport != 0 ? 1 : 0;
        e.m.sport = sport;
        e.m.dport_valid = dport != 0 ? 1 : 0;
        e.m.dport = dport;
        e.m.cap_valid = capValid, e.m.cap = cap;
        EXPECT_EQ(words(send(0, 2, 0, flags, proto, capType)), words(e));
    }
}

TEST_F(PrtclAclTest, RefusedCountingLeavesTheDfxFlowAdded)
{
    action.uiAction = 3;
    host.answer(kDfxCnt, kRefused);
    EXPECT_EQ(HAL_DFX_FlowAdd(21, 1, 3, &rule, 7, &action), kRefused);
    EXPECT_EQ(codes(), (Codes{kDfxAdd, kDfxCnt}));
    ASSERT_EQ(host.lastWords.size(), 1U);
    const LastWordRec &rec = host.lastWords[0];
    EXPECT_EQ(std::make_tuple(rec.file, rec.line), std::make_tuple(std::string(kPrtcl), 1547U));
    // The record carries the action word and the result.
    EXPECT_THAT((Codes{rec.code, rec.v[0]}), testing::UnorderedElementsAre(3U, kRefused));
}

TEST_F(PrtclAclTest, DfxDeleteSwitchReadAndClearSendOneCommandEach)
{
    static HAL_DFX_FLOW_CNT_S counters;
    struct Case {
        const char *what;
        uint32_t (*call)();
        uint32_t cmd;
        Codes request;
        uint32_t replyLen, failLine;
    };
    const Case cases[] = {
        {"delete", [] { return HAL_DFX_FlowDel(17); }, kDfxDel, {17}, 0, 1563},
        {"counting on", [] { return HAL_DFX_FlowCntEnable(17, 1); }, kDfxSwitch, {17, 1}, 0, 1583},
        {"counting off", [] { return HAL_DFX_FlowCntEnable(17, 0); }, kDfxSwitch, {17, 0}, 0, 1583},
        {"read", [] { return HAL_DFX_FlowCntGet(17, &counters); }, kDfxGet, {17}, 32, 1601},
        {"clear", [] { return HAL_DFX_FlowCntClr(17); }, kDfxClr, {17}, 0, 1622},
    };
    for (const Case &c : cases) {
        for (const uint32_t driver : {0U, kRefused}) {
            SCOPED_TRACE(testing::Message() << c.what << ", driver " << driver);
            SetUp();
            host.answer(c.cmd, driver);
            EXPECT_EQ(c.call(), driver);
            EXPECT_EQ(sentWords(), (Sent{{c.cmd, c.request}}));
            EXPECT_EQ(std::make_pair(host.hlp[0].hasReply, host.hlp[0].replyLen),
                      std::make_pair(c.replyLen != 0, c.replyLen));
            EXPECT_EQ(host.lastWords,
                      driver ? std::vector<LastWordRec>{pw(c.failLine, driver, 17)} : std::vector<LastWordRec>{});
        }
    }
}

TEST_F(PrtclAclTest, CounterReadCopiesTheReplyOnlyOnSuccess)
{
    const HAL_DFX_FLOW_CNT_S chip{{1, 2, 3, 4, 5, 6, 7, 0xFFFFFFFF}};
    const std::vector<uint8_t> all = bytesOf(chip);
    const std::vector<uint8_t> first8(all.begin(), all.begin() + 8);
    const std::tuple<uint32_t, std::vector<uint8_t>, Codes> cases[] = {
        {0, all, {1, 2, 3, 4, 5, 6, 7, 0xFFFFFFFF}},
        {0, first8, {1, 2, 0, 0, 0, 0, 0, 0}},  // the rest of the reply buffer was cleared
        {kRefused, all, Codes(8, 0xEEEEEEEE)},  // the host record is left as it was
    };
    for (const auto &[driver, reply, expected] : cases) {
        SCOPED_TRACE(testing::Message() << driver << ", " << reply.size() << " bytes");
        SetUp();
        host.answer(kDfxGet, driver, reply);
        HAL_DFX_FLOW_CNT_S counters;
        std::memset(&counters, 0xEE, sizeof counters);
        EXPECT_EQ(HAL_DFX_FlowCntGet(8, &counters), driver);
        EXPECT_EQ(words(counters), expected);
    }
}
