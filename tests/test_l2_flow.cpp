// Service flows through HAL_L2_AddFlow and HAL_L2_DelFlow: the 364-byte
// flow message, the removal, the special CTP types, the multicast split,
// the failure records and the debug dumps.
#include "hlp_cmd.h"
#include "test_l2_common.h"

using haltest::lastWord;
using haltest::recordOf;
using l2test::flowOn;
using l2test::L2Test;
using l2test::tag;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kL2[] = "kalo_l2";
constexpr char kCommon[] = "kalo_common";
constexpr uint32_t kAdd = hal::hlp::L2_ADD_FLOW;
constexpr uint32_t kDel = hal::hlp::L2_DEL_FLOW;

template <typename T>
bool isZero(const T &rec)
{
    static const T zero{};
    return std::memcmp(&rec, &zero, sizeof(T)) == 0;
}

// A single-tagged rule matching VLAN 100, changing it to 200 with priority 5.
void tagTranslation(HAL_L2_FLOW_RULE_S &rule, HAL_L2_FLOW_TREAT_S &treat)
{
    rule.tagNum = 1;
    rule.vlanFilter[0] = 1;
    rule.filterInfo[0] = tag(0x8100, 100, 3, 2);
    rule.filterInfo[1] = tag(0, 0, 0, 9);
    treat.vlanTreat[0] = 1;
    treat.priTreat[0] = 1;
    treat.treatInfo[0] = tag(0x88a8, 200, 5, 4);
}

}  // namespace

class L2FlowTest : public L2Test {
protected:
    // The flow messages the driver received.
    std::vector<chip_flow_s> sent() const
    {
        std::vector<chip_flow_s> out;
        for (const auto &c : host.hlp) {
            EXPECT_EQ(c.cmd, kAdd);
            EXPECT_FALSE(c.hasReply);
            EXPECT_EQ(c.replyLen, 0U);
            out.push_back(recordOf<chip_flow_s>(c));
        }
        return out;
    }
    chip_flow_s onlySent() const
    {
        const auto msgs = sent();
        EXPECT_EQ(msgs.size(), 1U);
        return msgs.empty() ? chip_flow_s{} : msgs[0];
    }
};

// ---- Directions --------------------------------------------------------------

TEST_F(L2FlowTest, UpstreamFlowFillsTheUpstreamHalf)
{
    HAL_L2_FLOW_S f = flowOn(2, 1);
    f.ucInFlowType = 2;
    f.ucInFlowAttr = 6;
    tagTranslation(f.stInRule, f.stInTreat);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);

    const chip_flow_s m = onlySent();
    EXPECT_EQ(m.flow_id, 7U);
    EXPECT_EQ(m.pri, 5U);
    EXPECT_EQ(m.direction, 0U);
    EXPECT_EQ(m.bridge_id, 3U);
    EXPECT_EQ(m.in.in_port.port_type, 4U);
    EXPECT_EQ(m.in.in_port.mask, 1U << 1);
    EXPECT_TRUE(isZero(m.in.trans_port));
    EXPECT_EQ(m.in.in_attr, 6U);
    EXPECT_EQ(m.in.in_flow_type, 3U);
    EXPECT_EQ(m.in.in_rule.tag_num, 1U);
    EXPECT_EQ(m.in.in_rule.svlan, 100U);
    EXPECT_EQ(m.in.in_act.tag_act, 3U);
    EXPECT_EQ(m.in.in_act.svlan, 200U);
    EXPECT_EQ(m.in.in_act.spri, 5U);
    EXPECT_TRUE(isZero(m.out));
    EXPECT_EQ(host.hlp[0].word(16), 4U);  // in_port as the driver reads it
    EXPECT_EQ(host.hlp[0].word(20), 2U);
    EXPECT_THAT(host.lastWords, IsEmpty());
    ASSERT_EQ(host.traces.size(), 1U);
    EXPECT_EQ(host.traces[0].module, 582U);
    EXPECT_EQ(host.traces[0].file, kL2);
    EXPECT_EQ(host.traces[0].line, 1650U);
    EXPECT_EQ(host.traces[0].text, "FlowId = 7, CtpId = 2, BridgeId = 3, Pri = 5, FlowDirection = 1\n");
    EXPECT_THAT(host.console, IsEmpty());
}

TEST_F(L2FlowTest, DownstreamFlowCarriesTheCtpPortOnBothSides)
{
    HAL_L2_FLOW_S f = flowOn(3, 2);
    f.ucOutFlowType = 3;
    tagTranslation(f.stOutRule, f.stOutTreat);
    tagTranslation(f.stInRule, f.stInTreat);  // not looked at
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);

    const chip_flow_s m = onlySent();
    EXPECT_EQ(m.direction, 1U);
    EXPECT_EQ(m.in.in_port.port_type, 4U);
    EXPECT_EQ(m.in.in_port.mask, 1U << 2);
    EXPECT_EQ(m.out.out_port.port_type, 4U);
    EXPECT_EQ(m.out.out_port.mask, 1U << 2);
    EXPECT_TRUE(isZero(m.in.in_rule));
    EXPECT_TRUE(isZero(m.in.in_act));
    EXPECT_EQ(m.out.out_flow_type, 2U);
    EXPECT_EQ(m.out.out_rule.svlan, 100U);
    EXPECT_EQ(m.out.out_act.tag_act, 3U);
    EXPECT_EQ(m.out.out_act.svlan, 200U);
    EXPECT_EQ(host.hlp[0].word(204), 4U);
}

TEST_F(L2FlowTest, BothDirectionsFillBothHalves)
{
    for (const uint8_t dir : {uint8_t{0}, uint8_t{3}}) {
        SCOPED_TRACE(int(dir));
        host.hlp.clear();
        HAL_L2_FLOW_S f = flowOn(4, dir);
        tagTranslation(f.stInRule, f.stInTreat);
        tagTranslation(f.stOutRule, f.stOutTreat);
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(m.direction, 2U);
        EXPECT_EQ(m.in.in_port.mask, 1U << 3);
        EXPECT_EQ(m.out.out_port.mask, 1U << 3);
        EXPECT_EQ(m.in.in_act.svlan, 200U);
        EXPECT_EQ(m.out.out_act.svlan, 200U);
    }
}

TEST_F(L2FlowTest, UnknownDirectionSendsOnlyTheHeader)
{
    for (const uint8_t dir : {uint8_t{4}, uint8_t{200}}) {
        host.hlp.clear();
        HAL_L2_FLOW_S f = flowOn(4, dir);
        tagTranslation(f.stInRule, f.stInTreat);
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        chip_flow_s expected{};
        expected.flow_id = 7;
        expected.pri = 5;
        expected.bridge_id = 3;
        ASSERT_EQ(host.hlp.size(), 1U);
        EXPECT_EQ(host.hlp[0].req, haltest::bytesOf(expected));
    }
}

TEST_F(L2FlowTest, FlowTypesMapToChipCodes)
{
    const std::pair<uint8_t, uint32_t> up[] = {{0, 0}, {1, 1}, {2, 3}, {3, 2}, {5, 2}, {6, 0}, {255, 0}};
    for (const auto &[code, chip] : up) {
        host.hlp.clear();
        HAL_L2_FLOW_S f = flowOn(1, 1);
        f.ucInFlowType = code;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        EXPECT_EQ(onlySent().in.in_flow_type, chip) << "upstream code " << int(code);
    }
    const std::pair<uint8_t, uint32_t> down[] = {{0, 0}, {1, 1}, {2, 3}, {3, 2}, {4, 0}, {5, 0}};
    for (const auto &[code, chip] : down) {
        host.hlp.clear();
        HAL_L2_FLOW_S f = flowOn(1, 2);
        f.ucOutFlowType = code;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        EXPECT_EQ(onlySent().out.out_flow_type, chip) << "downstream code " << int(code);
    }
}

// Toward CTPs of types 1 and 4 an upstream flow of code 5 is of chip type 0
// and a downstream flow has no tag action, whatever its treatment says.
TEST_F(L2FlowTest, PortsOfTypes1And4TakeNoTagAction)
{
    for (uint32_t type : {1U, 4U}) {
        SCOPED_TRACE(type);
        host.hlp.clear();
        addCtp(20, type);
        HAL_L2_FLOW_S f = flowOn(20, 0);
        f.ucInFlowType = 5;
        tagTranslation(f.stInRule, f.stInTreat);
        tagTranslation(f.stOutRule, f.stOutTreat);
        f.stOutTreat.tpidTreat[0] = 1;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(m.in.in_port.port_type, 5U);
        EXPECT_EQ(m.in.in_flow_type, 0U);
        EXPECT_EQ(m.in.in_act.tag_act, 3U);
        const chip_flow_act_s &a = m.out.out_act;
        EXPECT_EQ(a.tag_act, 0U);
        EXPECT_EQ(a.svlan_source + a.spri_source + a.stpid_source + a.cvlan_source + a.cpri_source + a.ctpid_source,
                  0U);
        EXPECT_EQ(a.svlan, 200U);  // values stay, unused
        EXPECT_EQ(a.stpid, 0x88a8U);
    }
}

TEST_F(L2FlowTest, CtpTypes5To9AreAcceptedWithoutACommand)
{
    for (uint32_t type = 5; type <= 9; ++type) {
        addCtp(20, type);
        HAL_L2_FLOW_S f = flowOn(20, 1);
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        EXPECT_EQ(HAL_L2_DelFlow(&f), 0U);
    }
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, IsEmpty());
}

// ---- Second port of a type-4 flow ----------------------------------------------

TEST_F(L2FlowTest, TransFlowOfAGemSideCtpEntersThroughTheGemPort)
{
    addCtp(20, 2);
    struct Case {
        uint8_t tagNum, filter0, filter1;
        uint16_t vlanAsked;
    };
    const Case cases[] = {{0, 1, 1, 0xFFFF}, {1, 0, 1, 0xFFFF}, {1, 1, 0, 100}, {2, 1, 0, 0xFFFF}, {2, 0, 1, 200}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "tagNum " << int(c.tagNum) << " vlan " << c.vlanAsked);
        host.hlp.clear();
        host.gemByBridgeVlan.clear();
        host.gemByBridgeVlan[{3, c.vlanAsked}] = {0, 1, {0x345}};
        HAL_L2_FLOW_S f = flowOn(20, 1);
        f.ucInFlowType = 4;
        f.usTransCtpId = 2;
        f.stInRule.tagNum = c.tagNum;
        f.stInRule.vlanFilter[0] = c.filter0;
        f.stInRule.vlanFilter[1] = c.filter1;
        f.stInRule.filterInfo[0].vlanID = 100;
        f.stInRule.filterInfo[1].vlanID = 200;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(m.in.in_flow_type, 4U);
        EXPECT_EQ(m.in.trans_port.port_type, 4U);
        EXPECT_EQ(m.in.trans_port.mask, 1U << 1);
        EXPECT_EQ(m.in.in_port.port_type, 9U);
        EXPECT_EQ(m.in.in_port.mask, 0x345U);
    }
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(L2FlowTest, TransFlowWithSeveralGemPortsTakesTheFirst)
{
    addCtp(20, 2);
    host.gemByBridgeVlan[{3, 0xFFFF}] = {0, 2, {0x11, 0x12}};
    HAL_L2_FLOW_S f = flowOn(20, 1);
    f.ucInFlowType = 4;
    f.usTransCtpId = 2;
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    EXPECT_EQ(onlySent().in.in_port.mask, 0x11U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 164, 3, 0xFFFF, 2)));
}

TEST_F(L2FlowTest, TransFlowOfAnEthernetCtpKeepsItsOwnPort)
{
    HAL_L2_FLOW_S f = flowOn(5, 1);
    f.ucInFlowType = 4;
    f.usTransCtpId = 2;
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    const chip_flow_s m = onlySent();
    EXPECT_EQ(m.in.in_port.mask, 1U << 4);
    EXPECT_EQ(m.in.trans_port.mask, 1U << 1);
    EXPECT_FALSE(called("BLL_GPON_GetUCGemportByVbridgeID"));
}

TEST_F(L2FlowTest, TransFlowFailuresStopTheFlow)
{
    struct Case {
        const char *name;
        std::function<void(HAL_L2_FLOW_S &)> setUp;
        uint32_t code;
        std::vector<halsim::LastWordRec> own;  // before lines 985, 1296 and 1659
    };
    const Case cases[] = {
        {"second CTP unknown", [](auto &f) { f.usTransCtpId = 99; }, 1, {lastWord(kL2, 133, 1, 99)}},
        {"flow CTP lookup fails",
         [](auto &) {
             l2test::terminal().failCtpCall = 4;
             l2test::terminal().failCode = 0x44;
         },
         0x44, {lastWord(kL2, 140, 0x44, 20)}},
        {"tags not examined", [](auto &f) { f.stInRule.tagNum = 3; }, 1, {lastWord(kL2, 152, 1, 3, 3, 0)}},
        {"no GEM port", [](auto &f) { f.stInRule.tagNum = 1; f.stInRule.vlanFilter[0] = 1;
             f.stInRule.filterInfo[0].vlanID = 77; }, 1, {lastWord(kL2, 158, 1, 3, 77)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        addCtp(20, 2);
        HAL_L2_FLOW_S f = flowOn(20, 1);
        f.ucInFlowType = 4;
        f.usTransCtpId = 2;
        c.setUp(f);
        EXPECT_EQ(HAL_L2_AddFlow(&f), c.code);
        std::vector<halsim::LastWordRec> expected = c.own;
        expected.push_back(lastWord(kL2, 985, c.code, 20, f.usTransCtpId, 7));
        expected.push_back(lastWord(kL2, 1296, c.code));
        expected.push_back(lastWord(kL2, 1659, c.code));
        EXPECT_EQ(host.lastWords, expected);
        EXPECT_THAT(host.hlp, IsEmpty());
    }
}

// ---- GEM-side CTPs and the multicast split ------------------------------------

TEST_F(L2FlowTest, AniCtpsTakeTheirGemPortAndBridge)
{
    host.features["FT_MULTICAST_VLAN_TAG"] = 0;
    for (uint32_t type : {10U, 11U}) {
        SCOPED_TRACE(type);
        SetUp();
        if (type == 11) {
            host.features["FT_MULTICAST_VLAN_TAG"] = 1;  // splits type 10 only
        }
        addCtp(30, type);
        l2test::terminal().gems[30] = {0, 0x456, 12};
        HAL_L2_FLOW_S f = flowOn(30, 1);
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(m.in.in_port.port_type, 9U);
        EXPECT_EQ(m.in.in_port.mask, 0x456U);
        EXPECT_EQ(m.bridge_id, 12U);
        ASSERT_EQ(host.traces.size(), 2U);
        EXPECT_EQ(host.traces[1].line, 1309U);
        EXPECT_EQ(host.traces[1].text, "\n---flow info: type = 9 , mask = 1110  bridge_id 12\n\n");
    }
}

TEST_F(L2FlowTest, AniCtpWithoutGemPortIsNotSent)
{
    addCtp(30, 11);
    HAL_L2_FLOW_S f = flowOn(30, 1);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 1U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1302, 1, 30, 7), lastWord(kL2, 1659, 1)));
    EXPECT_THAT(host.hlp, IsEmpty());
}

TEST_F(L2FlowTest, AniMulticastFlowIsSplitInTwo)
{
    addCtp(30, 10);
    l2test::terminal().gems[30] = {0, 0x456, 12};
    host.features["FT_MULTICAST_VLAN_TAG"] = 2;  // anything but 0 splits
    HAL_L2_FLOW_S f = flowOn(30, 1);
    f.stInTreat.vlanTreat[0] = 2;
    f.stInTreat.treatInfo[0] = tag(0, 100, 0);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    const auto msgs = sent();
    ASSERT_EQ(msgs.size(), 2U);
    const chip_flow_s &a = msgs[0];
    EXPECT_EQ(a.flow_id, 7U);
    EXPECT_EQ(a.in.in_port.port_type, 9U);
    EXPECT_EQ(a.bridge_id, 12U);
    EXPECT_EQ(a.in.in_rule.tag_mode, 1U);
    EXPECT_EQ(a.in.in_rule.tag_type, 1U);
    EXPECT_EQ(a.in.in_rule.tag_num, 1U);
    EXPECT_EQ(a.in.in_act.tag_act, 1U);
    EXPECT_EQ(a.in.in_act.svlan, 100U);
    // The second differs from the first only where it matches two tags and
    // removes one.
    chip_flow_s b = a;
    b.flow_id = 1007;
    b.in.in_rule.tag_num = 2;
    b.in.in_act.tag_act = 2;
    b.in.in_act.tag_layer_num = 1;
    EXPECT_EQ(host.hlp[1].req, haltest::bytesOf(b));

    host.hlp.clear();
    EXPECT_EQ(HAL_L2_DelFlow(&f), 0U);
    ASSERT_EQ(host.hlp.size(), 2U);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(host.hlp[i].cmd, kDel);
        EXPECT_EQ(host.hlp[i].reqLen, 4U);
    }
    EXPECT_EQ(host.hlp[0].word(0), 7U);
    EXPECT_EQ(host.hlp[1].word(0), 1007U);
}

TEST_F(L2FlowTest, MulticastSplitFailures)
{
    addCtp(30, 10);
    l2test::terminal().gems[30] = {0, 0x456, 12};
    host.features["FT_MULTICAST_VLAN_TAG"] = 1;
    const HAL_L2_FLOW_S f = flowOn(30, 1);

    host.answer(kAdd, 0x66);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0x66U);
    EXPECT_EQ(host.hlp.size(), 1U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1179, 0x66, 7), lastWord(kL2, 1659, 0x66)));

    host.lastWords.clear();
    host.answer(kAdd, 0);
    host.answer(kAdd, 0x67);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0x67U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1202, 0x67, 1007), lastWord(kL2, 1659, 0x67)));

    host.lastWords.clear();
    host.answer(kDel, 0);
    host.answer(kDel, 0x68);
    EXPECT_EQ(HAL_L2_DelFlow(&f), 0x68U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1385, 0x68, 1007), lastWord(kL2, 1698, 0x68)));
}

// ---- Failures --------------------------------------------------------------------

TEST_F(L2FlowTest, NullFlowAnswers1)
{
    EXPECT_EQ(HAL_L2_AddFlow(nullptr), 1U);
    EXPECT_EQ(HAL_L2_DelFlow(nullptr), 1U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1644, 1), lastWord(kL2, 1685, 1)));
    EXPECT_THAT(host.hlp, IsEmpty());
}

TEST_F(L2FlowTest, UnknownCtpIsRecordedWithItsPresetType)
{
    const HAL_L2_FLOW_S f = flowOn(99, 1);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 1U);
    EXPECT_EQ(HAL_L2_DelFlow(&f), 1U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1245, 1, 0, 13), lastWord(kL2, 1659, 1),
                                            lastWord(kL2, 1353, 1, 0, 13), lastWord(kL2, 1698, 1)));
    EXPECT_THAT(host.hlp, IsEmpty());
}

TEST_F(L2FlowTest, UnresolvedPortStopsTheFlowBeforeTheSend)
{
    struct Case {
        uint8_t direction;
        std::vector<halsim::LastWordRec> records;
        uint32_t code;
    };
    const Case cases[] = {
        {1, {lastWord(kCommon, 182, 0x10, 6, 6, 0, 6), lastWord(kL2, 966, 0x10, 6, 7)}, 0x10},
        // The downstream half fails; the ingress port is still resolved and
        // its failure is not returned.
        {2,
         {lastWord(kCommon, 182, 0x10, 6, 6, 0, 6), lastWord(kL2, 1058, 0x10, 6, 7),
          lastWord(kCommon, 182, 0x20, 6, 6, 0, 6)},
         0x10},
        // Both halves run; their codes are ORed.
        {0,
         {lastWord(kCommon, 182, 0x10, 6, 6, 0, 6), lastWord(kL2, 966, 0x10, 6, 7),
          lastWord(kCommon, 182, 0x20, 6, 6, 0, 6), lastWord(kL2, 1058, 0x20, 6, 7)},
         0x30},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(int(c.direction));
        SetUp();
        host.failNext("QX_DM_TopoGetKaPortByUserPort", 0x10);
        host.failNext("QX_DM_TopoGetKaPortByUserPort", 0x20);
        const HAL_L2_FLOW_S f = flowOn(6, c.direction);
        EXPECT_EQ(HAL_L2_AddFlow(&f), c.code);
        std::vector<halsim::LastWordRec> expected = c.records;
        expected.push_back(lastWord(kL2, 1296, c.code));
        expected.push_back(lastWord(kL2, 1659, c.code));
        EXPECT_EQ(host.lastWords, expected);
        EXPECT_THAT(host.hlp, IsEmpty());
    }
}

TEST_F(L2FlowTest, DownstreamFlowIsSentWhenOnlyItsIngressPortFails)
{
    host.failNext("QX_DM_TopoGetKaPortByUserPort", 0);  // out_port: forced success writes nothing
    host.failNext("QX_DM_TopoGetKaPortByUserPort", 0x20);
    const HAL_L2_FLOW_S f = flowOn(6, 2);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    EXPECT_EQ(onlySent().in.in_port.port_type, 4U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kCommon, 182, 0x20, 6, 6, 0, 6)));
}

TEST_F(L2FlowTest, DriverFailuresAreRecordedAndReturned)
{
    const HAL_L2_FLOW_S f = flowOn(1, 1);
    host.answer(kAdd, 0x99);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0x99U);
    host.answer(kDel, 0x98);
    EXPECT_EQ(HAL_L2_DelFlow(&f), 0x98U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 1320, 0x99, 7), lastWord(kL2, 1659, 0x99),
                                            lastWord(kL2, 1374, 0x98, 7), lastWord(kL2, 1698, 0x98)));
    EXPECT_EQ(host.hlp.size(), 2U);
}

TEST_F(L2FlowTest, RemovalSendsTheFlowId)
{
    const HAL_L2_FLOW_S f = flowOn(1, 1, 0xFFFF);
    EXPECT_EQ(HAL_L2_DelFlow(&f), 0U);
    ASSERT_EQ(host.hlp.size(), 1U);
    EXPECT_EQ(host.hlp[0].cmd, kDel);
    EXPECT_EQ(host.hlp[0].req, (std::vector<uint8_t>{0xFF, 0xFF, 0, 0}));
    ASSERT_EQ(host.traces.size(), 1U);
    EXPECT_EQ(host.traces[0].line, 1689U);
    EXPECT_EQ(host.traces[0].text, "FlowId = 65535\n");
}

// ---- Debug dumps -----------------------------------------------------------------

TEST_F(L2FlowTest, DumpsArePrintedOnlyWhileTheTraceFlagIsOn)
{
    HAL_L2_FLOW_S f = flowOn(2, 1);
    tagTranslation(f.stInRule, f.stInTreat);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    EXPECT_THAT(host.console, IsEmpty());

    host.traceFlags[582] = 1;
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    std::vector<std::string> texts;
    for (const auto &c : host.console) {
        EXPECT_EQ(c.level, 3U);
        texts.push_back(c.text);
    }
    ASSERT_EQ(texts.size(), 13U);
    EXPECT_EQ(texts[0], "Wap InFlow:Flow ID = 7\n");
    EXPECT_EQ(texts[1], "tagNum = 1,  ethTypeFilter = 0,  SelfDefEthType = 0\n");
    EXPECT_EQ(texts[2],
              "tpidFilter[0] = 0,  filterInfo[0].tpid = 8100,  vlanFilter[0] = 1,  filterInfo[0].vlanID =  100  ");
    EXPECT_EQ(texts[3], "priFilter[0] = 0,  filterInfo[0].pri =  3, filterInfo[0].DscpTblId = 2\n");
    EXPECT_EQ(texts[5], "priFilter[1] = 0,  filterInfo[1].pri =  0, filterInfo[0].DscpTblId = 9\n");
    EXPECT_EQ(texts[6],
              "tpidTreat[0] = 0,  treatInfo[0].tpid = 88a8,  vlanTreat[0] = 1,  treatInfo[0].vlanID =  200  ");
    EXPECT_EQ(texts[7], "priTreat[0] = 1, filterInfo[0].pri =  5, filterInfo[0].DscpTblId = 4\n");
    EXPECT_EQ(texts[9], "priTreat[1] = 0, filterInfo[1].pri =  0, filterInfo[1].DscpTblId = 0\n");
    EXPECT_EQ(texts[10], "SDK InFlow:Flow ID = 7\n");
    EXPECT_EQ(texts[11],
              "tag_mode = 1,  tag_type = 1, tag_num = 1, etype_mode = 0,  etype = 0,  etype_selfdefine = 0\n"
              "ctpid_mode = 0,  ctpid =    0,  cvlan_mode = 0,  cvlan =    0  cpri_mode = 0,  cpri =  0\n"
              "stpid_mode = 0,  stpid =    0,  svlan_mode = 1,  svlan =  100  spri_mode = 0,  spri =  0\n");
    EXPECT_EQ(texts[12],
              "tag_act = 3, tag_layer_num = 0\n"
              "ctpid_source = 0,  ctpid =    0,  cvlan_source = 0,  cvlan =    0  cpri_source = 0,  cpri =  0, "
              "cpri_map_id = 0\n"
              "stpid_source = 0,  stpid =    0,  svlan_source = 2,  svlan =  200  spri_source = 2,  spri =  5, "
              "spri_map_id = 0\n\n");
}

TEST_F(L2FlowTest, DumpHeadersOfDownstreamAndMulticastFlows)
{
    host.traceFlags[582] = 1;
    HAL_L2_FLOW_S f = flowOn(2, 2);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    ASSERT_EQ(host.console.size(), 13U);
    EXPECT_EQ(host.console[0].text, "Wap DownFlow:\n");
    EXPECT_EQ(host.console[10].text, "SDK DownFlow:\n");

    host.console.clear();
    addCtp(30, 10);
    l2test::terminal().gems[30] = {0, 0x456, 12};
    host.features["FT_MULTICAST_VLAN_TAG"] = 1;
    f = flowOn(30, 1);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    ASSERT_EQ(host.console.size(), 13U + 6U);
    EXPECT_EQ(host.console[13].text, "SDK InMcFlow:flow_id 7\n");
    EXPECT_EQ(host.console[16].text, "SDK DownMcFlow:flow_id 1007\n");
    EXPECT_NE(host.console[17].text.find("tag_num = 2"), std::string::npos);
}

// ---- Virtual UNI bridge port -------------------------------------------------------

TEST_F(L2FlowTest, VirtualUniBridgePort)
{
    addCtp(40, 4);
    chip_bridge_port_s rec{0, 0x55, {0, 0}};
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 40, &rec), 0U);
    EXPECT_EQ(rec.bridge_id, 9U);
    EXPECT_EQ(rec.value, 0x55U);
    EXPECT_EQ(rec.port.port_type, 11U);
    EXPECT_EQ(rec.port.mask, 1U);

    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 2, &rec), 0U);
    EXPECT_EQ(rec.port.port_type, 4U);
    EXPECT_EQ(rec.port.mask, 1U << 1);

    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 99, &rec), 1U);
    l2test::terminal().ctpCalls = 0;
    l2test::terminal().failCtpCall = 2;
    l2test::terminal().failCode = 0x46;
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 40, &rec), 0x46U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kL2, 39, 1, 99), lastWord(kL2, 46, 0x46, 40)));
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 40, nullptr), 1U);
}
