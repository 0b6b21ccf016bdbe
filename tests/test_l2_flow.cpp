// Service flows through HAL_L2_AddFlow and HAL_L2_DelFlow: the 364-byte flow
// message, the removal, the special CTP types, the multicast split, the
// failure records and the debug dumps.
#include "platform/hlp_cmd.h"
#include "test_l2_common.h"

using namespace l2test;
using haltest::recordOf;

namespace {

constexpr uint32_t kAdd = hal::hlp::codeOf(hal::hlp::Cmd::L2_ADD_FLOW);
constexpr uint32_t kDel = hal::hlp::codeOf(hal::hlp::Cmd::L2_DEL_FLOW);

LastWordRec lw(uint32_t line, uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, uint32_t v3 = 0)
{
    return lastWord("kalo_l2", line, code, v1, v2, v3);
}
// The chip port lookups answer a, then b; CTP 6 records their failures so.
constexpr char kTopo[] = "QX_DM_TopoGetKaPortByUserPort";
void failPorts(halsim::Host &h, uint32_t a, uint32_t b)
{
    h.failNext(kTopo, a);
    h.failNext(kTopo, b);
}
LastWordRec port6Failed(uint32_t code) { return lastWord("kalo_common", 182, code, 6, 6, 0, 6); }

// A single-tagged rule matching VLAN 100, changing it to 200 with priority 5.
void tagTranslation(HAL_L2_FLOW_RULE_S &rule, HAL_L2_FLOW_TREAT_S &treat)
{
    rule.tagNum = rule.vlanFilter[0] = 1;
    rule.filterInfo[0] = tag(0x8100, 100, 3, 2);
    rule.filterInfo[1] = tag(0, 0, 0, 9);
    treat.vlanTreat[0] = treat.priTreat[0] = 1;
    treat.treatInfo[0] = tag(0x88a8, 200, 5, 4);
}

// An upstream flow of type 4 on CTP 20 (GEM side), with CTP 2 (chip port 1) as
// its second port; its rule has the VLANs 100 and 200, not matched.
HAL_L2_FLOW_S transFlow()
{
    addCtp(20, 2);
    HAL_L2_FLOW_S f = flowOn(20, 1);
    f.ucInFlowType = 4;
    f.usTransCtpId = 2;
    f.stInRule.filterInfo[0] = tag(0, 100, 0);
    f.stInRule.filterInfo[1] = tag(0, 200, 0);
    return f;
}

// An upstream flow on CTP 30 of an ANI type, whose GEM port is 0x456 on bridge
// 12, with the multicast VLAN tag feature answering multicastVlanTag.
HAL_L2_FLOW_S aniFlow(uint32_t multicastVlanTag, uint32_t type = 10)
{
    addCtp(30, type);
    terminal.gems[30] = {0x456, 12};
    halsim::host().features["FT_MULTICAST_VLAN_TAG"] = multicastVlanTag;
    return flowOn(30, 1);
}

chip_flow_s onlySent()
{
    EXPECT_EQ(halsim::host().hlp.size(), 1U);
    return recordOf<chip_flow_s>(halsim::host().hlp.at(0));
}

}  // namespace

TEST_F(L2Test, EachDirectionFillsItsHalvesAndIsDumpedWhileTheTraceFlagIsOn)
{
    HAL_L2_FLOW_S f = flowOn(2, 3);
    f.ucInFlowType = 2;
    f.ucInFlowAttr = 6;
    f.ucOutFlowType = 3;
    tagTranslation(f.stInRule, f.stInTreat);
    tagTranslation(f.stOutRule, f.stOutTreat);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    EXPECT_THAT(host.console, IsEmpty());
    host.traceFlags[582] = 1;
    host.hlp.clear();
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);

    // The message as the driver reads it, in little-endian words: offset, value.
    const std::pair<size_t, uint32_t> nonZero[] = {
        {0, 7},   {4, 5},   {8, 2},     {12, 3},    {16, 4},   {20, 2},               // header, in_port: chip port 1
        {44, 1},  {48, 1},  {52, 1},    {80, 1},    {84, 100}, {116, 6}, {120, 3},    // in_rule, in_attr, in_flow_type
        {124, 3}, {140, 2}, {144, 200}, {148, 2},   {152, 5},                         // in_act
        {204, 4}, {208, 2}, {224, 1},   {228, 1},   {232, 1},  {260, 1}, {264, 100},  // out_port, out_rule
        {296, 2}, {300, 3}, {316, 2},   {320, 200}, {324, 2},  {328, 5},              // out_flow_type, out_act
    };
    std::vector<uint32_t> want(364 / 4);
    std::vector<uint32_t> got;
    for (const auto &[offset, value] : nonZero) {
        want[offset / 4] = value;
    }
    ASSERT_EQ(host.hlp.size(), 1U);
    for (size_t offset = 0; offset < 364; offset += 4) {
        got.push_back(host.hlp[0].word(offset));
    }
    EXPECT_EQ(got, want);
    EXPECT_EQ(host.traces.back().line, 1650U);
    EXPECT_EQ(host.traces.back().text, "FlowId = 7, CtpId = 2, BridgeId = 3, Pri = 5, FlowDirection = 3\n");

    // Both halves dump the same host rule and treatment, and the same chip rule and action.
    std::string text;
    for (const auto &c : host.console) {
        text += c.text;
    }
    const std::string wap =
        "tagNum = 1,  ethTypeFilter = 0,  SelfDefEthType = 0\n"
        "tpidFilter[0] = 0,  filterInfo[0].tpid = 8100,  vlanFilter[0] = 1,  filterInfo[0].vlanID =  100  "
        "priFilter[0] = 0,  filterInfo[0].pri =  3, filterInfo[0].DscpTblId = 2\n"
        "tpidFilter[1] = 0,  filterInfo[1].tpid =    0,  vlanFilter[1] = 0,  filterInfo[1].vlanID =    0  "
        "priFilter[1] = 0,  filterInfo[1].pri =  0, filterInfo[0].DscpTblId = 9\n"
        "tpidTreat[0] = 0,  treatInfo[0].tpid = 88a8,  vlanTreat[0] = 1,  treatInfo[0].vlanID =  200  "
        "priTreat[0] = 1, filterInfo[0].pri =  5, filterInfo[0].DscpTblId = 4\n"
        "tpidTreat[1] = 0,  treatInfo[1].tpid =    0,  vlanTreat[1] = 0,  treatInfo[1].vlanID =    0  "
        "priTreat[1] = 0, filterInfo[1].pri =  0, filterInfo[1].DscpTblId = 0\n";
    const std::string sdk =
        "tag_mode = 1,  tag_type = 1, tag_num = 1, etype_mode = 0,  etype = 0,  etype_selfdefine = 0\n"
        "ctpid_mode = 0,  ctpid =    0,  cvlan_mode = 0,  cvlan =    0  cpri_mode = 0,  cpri =  0\n"
        "stpid_mode = 0,  stpid =    0,  svlan_mode = 1,  svlan =  100  spri_mode = 0,  spri =  0\n"
        "tag_act = 3, tag_layer_num = 0\n"
        "ctpid_source = 0,  ctpid =    0,  cvlan_source = 0,  cvlan =    0  cpri_source = 0,  cpri =  0, "
        "cpri_map_id = 0\n"
        "stpid_source = 0,  stpid =    0,  svlan_source = 2,  svlan =  200  spri_source = 2,  spri =  5, "
        "spri_map_id = 0\n\n";
    EXPECT_EQ(text, "Wap InFlow:Flow ID = 7\n" + wap + "SDK InFlow:Flow ID = 7\n" + sdk + "Wap DownFlow:\n" + wap +
                        "SDK DownFlow:\n" + sdk);

    // Other directions send the halves they translate; downstream flows carry
    // the CTP's port on the ingress side too; unknown directions only the header.
    const chip_flow_s full = onlySent();
    const uint8_t cases[][4] = {{0, 2, 1, 1}, {1, 0, 1, 0}, {2, 1, 0, 1}, {4, 0, 0, 0}, {200, 0, 0, 0}};
    for (const auto &[dir, direction, up, down] : cases) {
        host.hlp.clear();
        f.FlowDirection = dir;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        chip_flow_s expected = full;
        expected.body.direction = direction;
        if (up == 0) {
            expected.body.in = chip_flow_in_s{};
            expected.body.in.in_port = down != 0 ? full.body.in.in_port : chip_port_s{};
        }
        if (down == 0) {
            expected.body.out = chip_flow_out_s{};
        }
        EXPECT_EQ(bytesOf(onlySent()), bytesOf(expected)) << "FlowDirection " << int(dir);
    }
}

TEST_F(L2Test, BothHalvesAreFilledFromThePriWordOn)
{
    // A caller hands over its message from pri on (offset 4): the halves
    // land at message offsets 16 and 196; flow_id and the three words
    // before the halves are the caller's.
    const HAL_L2_FLOW_S f = flowOn(3, 0);
    std::vector<uint8_t> msg(sizeof(chip_flow_s), 0xEE);
    chip_flow_body_s body{};
    std::memcpy(&body, msg.data() + 4, sizeof(body));
    ASSERT_EQ(PDT_L2M_AddInOutFlow(&f, &body), 0U);
    std::memcpy(msg.data() + 4, &body, sizeof(body));
    const auto wordAt = [&msg](size_t offset) {
        uint32_t w = 0;
        std::memcpy(&w, msg.data() + offset, 4);
        return w;
    };
    EXPECT_EQ(std::make_pair(wordAt(0), wordAt(4)), std::make_pair(0xEEEEEEEEU, 0xEEEEEEEEU));
    EXPECT_EQ(std::make_pair(wordAt(16), wordAt(20)), Port(4, 1U << 2)) << "in_port";
    EXPECT_EQ(std::make_pair(wordAt(204), wordAt(208)), Port(4, 1U << 2)) << "out_port";
    EXPECT_EQ(PDT_L2M_AddInOutFlow(&f, nullptr), 1U);
}

TEST_F(L2Test, FlowTypesMapToChipCodes)
{
    // direction, host code, chip code
    const uint8_t cases[][3] = {{1, 0, 0}, {1, 1, 1}, {1, 2, 3}, {1, 3, 2}, {1, 5, 2}, {1, 6, 0}, {1, 255, 0},
                                {2, 0, 0}, {2, 1, 1}, {2, 2, 3}, {2, 3, 2}, {2, 4, 0}, {2, 5, 0}};
    for (const auto &[dir, code, chip] : cases) {
        host.hlp.clear();
        HAL_L2_FLOW_S f = flowOn(1, dir);
        (dir == 1 ? f.ucInFlowType : f.ucOutFlowType) = code;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(dir == 1 ? m.body.in.in_flow_type : m.body.out.out_flow_type, chip)
            << int(dir) << " code " << int(code);
    }
}

// Toward CTPs of types 1 and 4 an upstream flow of code 5 is of chip type 0,
// and a downstream flow has no tag action whatever its treatment says.
TEST_F(L2Test, CtpTypes1And4TakeNoTagAction)
{
    for (uint32_t type : {1U, 4U}) {
        host.hlp.clear();
        addCtp(20, type);
        HAL_L2_FLOW_S f = flowOn(20, 0);
        f.ucInFlowType = 5;
        tagTranslation(f.stInRule, f.stInTreat);
        tagTranslation(f.stOutRule, f.stOutTreat);
        f.stOutTreat.tpidTreat[0] = 1;
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(portOf(m.body.in.in_port), Port(5, 1));
        EXPECT_EQ(m.body.in.in_flow_type, 0U);
        EXPECT_EQ(m.body.in.in_act.tag_act, 3U);
        // tag_act and the six sources cleared; the values stay, unused.
        EXPECT_EQ(words(m.body.out.out_act),
                  (std::vector<uint32_t>{0, 0, 0, 0x88a8, 0, 200, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
}

TEST_F(L2Test, TransFlowPorts)
{
    const uint16_t cases[][6] = {
        // CTP, tagNum, vlanFilter[0..1] (of VLANs 100 and 200), the VLAN asked for, GEM ports found
        {20, 0, 1, 1, 0xFFFF, 1}, {20, 1, 0, 1, 0xFFFF, 1},
        {20, 1, 1, 0, 100, 1},    {20, 2, 1, 0, 0xFFFF, 1},
        {20, 2, 0, 1, 200, 1},    {20, 0, 0, 0, 0xFFFF, 2} /* the first taken, the count recorded */,
        {5, 1, 1, 0, 100, 1},
    };
    for (const auto &[ctp, tagNum, filter0, filter1, vlan, count] : cases) {
        SetUp();
        host.gemByBridgeVlan[{3, vlan}] = {0, count, {0x345, 0x346}};
        HAL_L2_FLOW_S f = transFlow();
        f.CtpId = ctp;
        f.stInRule.tagNum = static_cast<uint8_t>(tagNum);
        f.stInRule.vlanFilter[0] = static_cast<uint8_t>(filter0);
        f.stInRule.vlanFilter[1] = static_cast<uint8_t>(filter1);
        EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
        const chip_flow_s m = onlySent();
        EXPECT_EQ(m.body.in.in_flow_type, 4U);
        EXPECT_EQ(portOf(m.body.in.trans_port), Port(4, 1U << 1));
        EXPECT_EQ(portOf(m.body.in.in_port), ctp == 20 ? Port(9, 0x345) : Port(4, 1U << 4)) << "tagNum " << tagNum;
        EXPECT_EQ(host.lastWords, count == 1 ? std::vector<LastWordRec>{} : std::vector{lw(164, 3, vlan, count)});
    }
}

TEST_F(L2Test, AniCtpsTakeTheirGemPortAndMulticastFlowsSplit)
{
    // Type 11, and type 10 while the multicast VLAN tag feature is off: one
    // flow entering through the GEM port, on the GEM lookup's bridge.
    HAL_L2_FLOW_S f = aniFlow(1, 11);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    f = aniFlow(0);
    f.stInTreat.vlanTreat[0] = 2;
    f.stInTreat.treatInfo[0] = tag(0, 100, 0);
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    ASSERT_EQ(host.hlp.size(), 2U);
    chip_flow_s m = recordOf<chip_flow_s>(host.hlp[1]);
    EXPECT_EQ(portOf(recordOf<chip_flow_s>(host.hlp[0]).body.in.in_port), Port(9, 0x456));
    EXPECT_EQ(portOf(m.body.in.in_port), Port(9, 0x456));
    EXPECT_EQ(m.body.bridge_id, 12U);
    EXPECT_EQ(host.traces.back().line, 1309U);
    EXPECT_EQ(host.traces.back().text, "\n---flow info: type = 9 , mask = 1110  bridge_id 12\n\n");

    // With the feature on (any answer but 0) type 10 goes as two flows: the
    // first matches one tag, the second differs from it only where it matches
    // two tags and removes one. Each has its dump header.
    host.hlp.clear();
    host.features["FT_MULTICAST_VLAN_TAG"] = 2;
    host.traceFlags[582] = 1;
    EXPECT_EQ(HAL_L2_AddFlow(&f), 0U);
    ASSERT_EQ(host.hlp.size(), 2U);
    m.body.in.in_rule.tag_type = m.body.in.in_rule.tag_num = 1;
    EXPECT_EQ(host.hlp[0].req, bytesOf(m));
    m.flow_id = 1007;
    m.body.in.in_rule.tag_num = 2;
    m.body.in.in_act.tag_act = 2;
    m.body.in.in_act.tag_layer_num = 1;
    EXPECT_EQ(host.hlp[1].req, bytesOf(m));
    ASSERT_EQ(host.console.size(), 13U + 6U);
    EXPECT_EQ(host.console[13].text, "SDK InMcFlow:flow_id 7\n");
    EXPECT_EQ(host.console[16].text, "SDK DownMcFlow:flow_id 1007\n");

    // Its removal removes both.
    host.hlp.clear();
    EXPECT_EQ(HAL_L2_DelFlow(&f), 0U);
    ASSERT_EQ(host.hlp.size(), 2U);
    EXPECT_EQ(host.hlp[0].req, (std::vector<uint8_t>{7, 0, 0, 0}));
    EXPECT_EQ(host.hlp[1].req, (std::vector<uint8_t>{0xEF, 0x03, 0, 0}));
    EXPECT_EQ(host.traces.back().line, 1689U);
    EXPECT_EQ(host.traces.back().text, "FlowId = 7\n");
}

// Each failure is returned and recorded, the entry point's record last;
// nothing is sent after a failed step.
TEST_F(L2Test, FailuresAreRecordedAndReturned)
{
    using SetUpFn = std::function<void(HAL_L2_FLOW_S &, halsim::Host &)>;
    // flow on CTP 6 changed by, removal, code, commands sent, records before the entry point's
    const std::tuple<SetUpFn, bool, uint32_t, size_t, std::vector<LastWordRec>> cases[] = {
        // A CTP the host does not know, recorded with the preset type 13.
        {[](auto &f, auto &) { f.CtpId = 99; }, false, 1, 0, {lw(1245, 1, 0, 13)}},
        {[](auto &f, auto &) { f.CtpId = 99; }, true, 1, 0, {lw(1353, 1, 0, 13)}},
        // The driver refuses the flow, its removal.
        {[](auto &, auto &h) { h.answer(kAdd, 0x99); }, false, 0x99, 1, {lw(1320, 0x99, 7)}},
        {[](auto &, auto &h) { h.answer(kDel, 0x98); }, true, 0x98, 1, {lw(1374, 0x98, 7)}},
        // The chip port of the upstream half; of the downstream half, whose
        // ingress port is still resolved and its failure not returned; of both
        // halves, which both run and whose codes are ORed.
        {[](auto &, auto &h) { failPorts(h, 0x10, 0x20); },
         false,
         0x10,
         0,
         {port6Failed(0x10), lw(966, 0x10, 6, 7), lw(1296, 0x10)}},
        {[](auto &f, auto &h) {
             f.FlowDirection = 2;
             failPorts(h, 0x10, 0x20);
         },
         false,
         0x10,
         0,
         {port6Failed(0x10), lw(1058, 0x10, 6, 7), port6Failed(0x20), lw(1296, 0x10)}},
        {[](auto &f, auto &h) {
             f.FlowDirection = 0;
             failPorts(h, 0x10, 0x20);
         },
         false,
         0x30,
         0,
         {port6Failed(0x10), lw(966, 0x10, 6, 7), port6Failed(0x20), lw(1058, 0x20, 6, 7), lw(1296, 0x30)}},
        // Only the ingress port of a downstream flow: the flow is sent.
        {[](auto &f, auto &h) {
             f.FlowDirection = 2;
             failPorts(h, 0, 0x20);
         },
         false,
         0,
         1,
         {port6Failed(0x20)}},
        // Second port of a type-4 flow: the second CTP, the type of the flow's
        // CTP, a rule whose tags are not examined, no GEM port of the bridge and VLAN.
        {[](auto &f, auto &) {
             f = transFlow();
             f.usTransCtpId = 99;
         },
         false,
         1,
         0,
         {lw(133, 1, 99), lw(985, 1, 20, 99, 7), lw(1296, 1)}},
        {[](auto &f, auto &) {
             f = transFlow();
             terminal.failCtpCall = 4;
             terminal.failCode = 0x44;
         },
         false,
         0x44,
         0,
         {lw(140, 0x44, 20), lw(985, 0x44, 20, 2, 7), lw(1296, 0x44)}},
        {[](auto &f, auto &) {
             f = transFlow();
             f.stInRule.tagNum = 3;
         },
         false,
         1,
         0,
         {lw(152, 1, 3, 3, 0), lw(985, 1, 20, 2, 7), lw(1296, 1)}},
        {[](auto &f, auto &) { f = transFlow(); },
         false,
         1,
         0,
         {lw(158, 1, 3, 0xFFFF), lw(985, 1, 20, 2, 7), lw(1296, 1)}},
        // No GEM port of an ANI CTP.
        {[](auto &f, auto &) {
             f = aniFlow(0, 11);
             terminal.gems.clear();
         },
         false,
         1,
         0,
         {lw(1302, 1, 30, 7)}},
        // The first multicast flow (the second is not sent), the second, the removal of the second.
        {[](auto &f, auto &h) {
             f = aniFlow(1);
             h.answer(kAdd, 0x66);
         },
         false,
         0x66,
         1,
         {lw(1179, 0x66, 7)}},
        {[](auto &f, auto &h) {
             f = aniFlow(1);
             h.answer(kAdd, 0);
             h.answer(kAdd, 0x67);
         },
         false,
         0x67,
         2,
         {lw(1202, 0x67, 1007)}},
        {[](auto &f, auto &h) {
             f = aniFlow(1);
             h.answer(kDel, 0);
             h.answer(kDel, 0x68);
         },
         true,
         0x68,
         2,
         {lw(1385, 0x68, 1007)}},
        // Not a failure: flows of CTP types 5 to 9 are accepted, and so is their removal; nothing is sent.
        {[](auto &, auto &) { addCtp(6, 5); }, false, 0, 0, {}},
        {[](auto &, auto &) { addCtp(6, 9); }, false, 0, 0, {}},
        {[](auto &, auto &) { addCtp(6, 7); }, true, 0, 0, {}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto &[setUp, removal, code, sent, records] = cases[row];
        SCOPED_TRACE(row);
        SetUp();
        HAL_L2_FLOW_S f = flowOn(6, 1);
        setUp(f, host);
        EXPECT_EQ(removal ? HAL_L2_DelFlow(&f) : HAL_L2_AddFlow(&f), code);
        std::vector<LastWordRec> expected = records;
        if (code != 0) {
            expected.push_back(lw(removal ? 1698 : 1659, code));
        }
        EXPECT_EQ(host.lastWords, expected);
        EXPECT_EQ(host.hlp.size(), sent);
    }
    SetUp();
    EXPECT_EQ(HAL_L2_AddFlow(nullptr), 1U);
    EXPECT_EQ(HAL_L2_DelFlow(nullptr), 1U);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1644, 1), lw(1685, 1)));
}

TEST_F(L2Test, VirtualUniBridgePort)
{
    addCtp(40, 4);
    chip_bridge_port_s rec{0, 0x55, {0, 0}};
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 40, &rec), 0U);
    EXPECT_EQ(bytesOf(rec), bytesOf(chip_bridge_port_s{9, 0x55, {11, 1}}));
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 2, &rec), 0U);
    EXPECT_EQ(portOf(rec.port), Port(4, 1U << 1));

    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 99, &rec), 1U);
    terminal.failCtpCall = terminal.ctpCalls + 2;
    terminal.failCode = 0x46;
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 40, &rec), 0x46U);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(39, 1, 99), lw(46, 0x46, 40)));
    EXPECT_EQ(PDT_L2M_GetVUNIPort(9, 40, nullptr), 1U);
}
