// Record layouts, and the translation of match rules and tag treatments into
// the chip's match rule and tag action.
#include "test_l2_common.h"

using haltest::lastWord;
using l2test::L2Test;
using l2test::tag;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

template <typename T>
uint32_t wordAt(const T &rec, size_t offset)
{
    uint32_t w = 0;
    std::memcpy(&w, reinterpret_cast<const uint8_t *>(&rec) + offset, sizeof(w));
    return w;
}

bool operator==(const chip_flow_rule_s &a, const chip_flow_rule_s &b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }
bool operator==(const chip_flow_act_s &a, const chip_flow_act_s &b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

std::string show(const chip_flow_act_s &a)
{
    const auto *w = reinterpret_cast<const uint32_t *>(&a);
    std::string s;
    for (size_t i = 0; i < sizeof(a) / 4; ++i) {
        s += std::to_string(w[i]) + (i + 1 < sizeof(a) / 4 ? "," : "");
    }
    return s;
}

}  // namespace

// ---- Layouts ----------------------------------------------------------------

TEST(L2Layout, HostFlowRecordFieldsSitAtTheirOffsets)
{
    uint8_t raw[sizeof(HAL_L2_FLOW_S)] = {};
    const auto put16 = [&](size_t off, uint16_t v) { std::memcpy(raw + off, &v, 2); };
    put16(0, 0x1234);   // FlowId
    put16(2, 0x0102);   // CtpId
    put16(4, 0x0304);   // BridgeId
    raw[7] = 2;         // FlowDirection
    put16(10, 0x0506);  // usTransCtpId
    raw[12 + 0] = 2;    // upstream tagNum
    put16(12 + 16 + 2, 300);  // upstream filterInfo[1].vlanID
    raw[12 + 34 + 5] = 0xEE;  // last byte of the upstream MAC
    raw[60 + 3] = 5;          // upstream vlanTreat[1]
    raw[60 + 14 + 4] = 6;     // upstream treatInfo[1].pri
    raw[84] = 3;              // ucOutFlowType
    put16(88 + 40, 24);       // downstream macMaskLen
    raw[136 + 6 + 5] = 9;     // downstream treatInfo[0].DscpTblId
    HAL_L2_FLOW_S f{};
    std::memcpy(&f, raw, sizeof(raw));
    EXPECT_EQ(f.FlowId, 0x1234);
    EXPECT_EQ(f.CtpId, 0x0102);
    EXPECT_EQ(f.BridgeId, 0x0304);
    EXPECT_EQ(f.FlowDirection, 2);
    EXPECT_EQ(f.usTransCtpId, 0x0506);
    EXPECT_EQ(f.stInRule.tagNum, 2);
    EXPECT_EQ(f.stInRule.filterInfo[1].vlanID, 300);
    EXPECT_EQ(f.stInRule.macAddr[5], 0xEE);
    EXPECT_EQ(f.stInTreat.vlanTreat[1], 5);
    EXPECT_EQ(f.stInTreat.treatInfo[1].pri, 6);
    EXPECT_EQ(f.ucOutFlowType, 3);
    EXPECT_EQ(f.stOutRule.macMaskLen, 24);
    EXPECT_EQ(f.stOutTreat.treatInfo[0].DscpTblId, 9);
}

TEST(L2Layout, ChipFlowMessageFieldsSitAtTheirOffsets)
{
    chip_flow_s m{};
    m.bridge_id = 1;
    m.in.in_port = {2, 3};
    m.in.trans_port = {4, 5};
    m.in.in_rule.tag_num = 6;
    m.in.in_rule.spri = 7;
    m.in.in_attr = 8;
    m.in.in_flow_type = 9;
    m.in.in_act.cpri_map_id = 10;
    m.out.out_port = {11, 12};
    m.out.out_rule.etype = 13;
    m.out.out_flow_type = 14;
    m.out.out_act.tag_act = 15;
    m.out.out_act.spri_map_id = 16;
    const std::pair<size_t, uint32_t> expected[] = {
        {12, 1},  {16, 2},  {20, 3},        {24, 4},  {28, 5},  {32 + 20, 6}, {32 + 68, 7}, {116, 8},
        {120, 9}, {124 + 60, 10}, {204, 11}, {208, 12}, {212 + 4, 13}, {296, 14}, {300, 15}, {300 + 32, 16},
    };
    for (const auto &[offset, value] : expected) {
        EXPECT_EQ(wordAt(m, offset), value) << "offset " << offset;
    }
    chip_flow_rule_s r{};
    r.mac[0] = 0xAB;
    r.mac_mask = 0x1234;
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(&r)[76], 0xAB);
    EXPECT_EQ(wordAt(r, 80) >> 16, 0x1234U);
    chip_bridge_port_s b{7, 8, {9, 10}};
    EXPECT_EQ(wordAt(b, 8), 9U);
    EXPECT_EQ(wordAt(b, 12), 10U);
}

// ---- Tag count ---------------------------------------------------------------

TEST_F(L2Test, TagCountFollowsItsTableAndTheTagTypeVariant)
{
    constexpr uint32_t X = 0xEE;  // not written
    struct Case {
        uint32_t feature;
        uint8_t tagNum;
        uint8_t vlanFilter0;
        uint16_t vlan0;
        uint32_t mode, type, num;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 1, 0, X}, {0, 1, 0, 0, 1, 1, 1},  {0, 2, 0, 0, 1, 1, 2},   {0, 3, 0, 0, 0, X, X},
        {0, 4, 0, 0, X, X, X}, {1, 0, 0, 0, 1, 0, X},  {1, 1, 0, 0, 1, 1, 0},   {1, 1, 1, 0, 1, 1, 1},
        {1, 1, 1, 10, 1, 1, 0}, {2, 1, 0, 0, 1, 1, 1}, {1, 2, 1, 0, 1, 1, 0},   {1, 3, 0, 0, 0, X, X},
        {1, 9, 0, 0, X, X, X},
    };
    // Only an answer of 1 turns the variant on.
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "feature " << c.feature << " tagNum " << int(c.tagNum) << " vlan filter "
                                        << int(c.vlanFilter0) << " vlan " << c.vlan0);
        host.features["TARN_FT_TAG_TYPE"] = c.feature;
        HAL_L2_FLOW_RULE_S rule{};
        rule.tagNum = c.tagNum;
        rule.vlanFilter[0] = c.vlanFilter0;
        rule.filterInfo[0].vlanID = c.vlan0;
        chip_flow_rule_s chip{};
        chip.tag_mode = chip.tag_type = chip.tag_num = X;
        PDT_L2M_TagNumTrans(c.tagNum, &rule, &chip);
        EXPECT_EQ(chip.tag_mode, c.mode);
        EXPECT_EQ(chip.tag_type, c.type);
        EXPECT_EQ(chip.tag_num, c.num);
    }
}

// ---- Match entries -----------------------------------------------------------

TEST_F(L2Test, MatchEntriesMapTagSlotsToInnerAndOuterFields)
{
    struct Case {
        const char *name;
        std::function<void(HAL_L2_FLOW_RULE_S &)> rule;
        std::function<void(chip_flow_rule_s &)> expect;
    };
    const auto allFilters = [](HAL_L2_FLOW_RULE_S &r, uint8_t tagNum) {
        r.tagNum = tagNum;
        r.tpidFilter[0] = r.tpidFilter[1] = r.vlanFilter[0] = r.vlanFilter[1] = r.priFilter[0] = r.priFilter[1] = 1;
        r.filterInfo[0] = tag(0x8100, 100, 3);
        r.filterInfo[1] = tag(0x88a8, 200, 6);
    };
    const Case cases[] = {
        {"EtherType code", [](auto &r) { r.ethTypeFilter = 2; r.SelfDefEthType = 0x9999; },
         [](auto &c) { c.etype_mode = 1; c.etype = 2; }},
        {"self-defined EtherType", [](auto &r) { r.ethTypeFilter = 5; r.SelfDefEthType = 0x88B5; },
         [](auto &c) { c.etype_mode = 1; c.etype = 5; c.etype_selfdefine = 0x88B5; }},
        {"one tag: slot 0 is the outer tag, slot 1 ignored", [&](auto &r) { allFilters(r, 1); },
         [](auto &c) {
             c.svlan_mode = 1; c.svlan = 100; c.spri_mode = 1; c.spri = 3; c.stpid_mode = 1; c.stpid = 0x8100;
         }},
        {"two tags: slot 0 inner, slot 1 outer", [&](auto &r) { allFilters(r, 2); },
         [](auto &c) {
             c.cvlan_mode = 1; c.cvlan = 100; c.cpri_mode = 1; c.cpri = 3; c.ctpid_mode = 1; c.ctpid = 0x8100;
             c.svlan_mode = 1; c.svlan = 200; c.spri_mode = 1; c.spri = 6; c.stpid_mode = 1; c.stpid = 0x88a8;
         }},
        {"two tags, VLAN of the outer tag only", [](auto &r) { r.tagNum = 2; r.vlanFilter[1] = 1;
             r.filterInfo[1] = tag(0, 4095, 0); },
         [](auto &c) { c.svlan_mode = 1; c.svlan = 4095; }},
        {"untagged ignores the tag filters", [&](auto &r) { allFilters(r, 0); }, [](auto &) {}},
        {"tags not examined ignores the tag filters", [&](auto &r) { allFilters(r, 3); }, [](auto &) {}},
        {"MAC prefix", [](auto &r) { r.macFilter = 1; std::memcpy(r.macAddr, "\x00\x11\x22\x33\x44\x55", 6);
             r.macMaskLen = 40; },
         [](auto &c) { c.mac_mode = 1; std::memcpy(c.mac, "\x00\x11\x22\x33\x44\x55", 6); c.mac_mask = 8; }},
        {"whole MAC", [](auto &r) { r.macFilter = 1; r.macMaskLen = 48; }, [](auto &c) { c.mac_mode = 1; }},
        {"no MAC filter", [](auto &r) { r.macAddr[0] = 1; r.macMaskLen = 8; }, [](auto &) {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HAL_L2_FLOW_RULE_S rule{};
        c.rule(rule);
        chip_flow_rule_s expected{};
        c.expect(expected);
        chip_flow_rule_s chip{};
        EXPECT_EQ(PDT_L2M_FlowRuleTrans(&rule, &chip), 0U);
        EXPECT_TRUE(chip == expected);
    }
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(L2Test, FailedMacCopyIsRecordedAndTheMaskStillSet)
{
    HAL_L2_FLOW_RULE_S rule{};
    rule.macFilter = 1;
    rule.macMaskLen = 0;
    host.failNext("memcpy_s", 0x33);
    chip_flow_rule_s chip{};
    EXPECT_EQ(PDT_L2M_FlowRuleTrans(&rule, &chip), 0U);
    EXPECT_EQ(chip.mac_mode, 1U);
    EXPECT_EQ(chip.mac_mask, 48U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord("kalo_l2", 535, 0x33)));
}

// ---- Converters ----------------------------------------------------------------

TEST(L2Converters, VlanAndPriorityCodesFollowTheirTables)
{
    constexpr uint32_t X = 0xEE;
    // code -> tag_act, source, value (X = not written)
    const uint32_t vlan[][4] = {{0, 0, 0, X},  {1, 3, 2, 321}, {2, 1, 2, 321}, {3, 1, 4, X}, {4, 1, 3, X},
                                {5, 2, X, X},  {6, X, X, X},   {7, 3, 4, X},   {8, 3, 3, X}, {9, X, X, X}};
    for (const auto &row : vlan) {
        SCOPED_TRACE(testing::Message() << "vlanTreat " << row[0]);
        uint32_t out[3] = {X, X, X};
        EXPECT_EQ(PDT_L2M_GetVlan(row[0], 321, reinterpret_cast<uintptr_t>(&out[0]),
                                  reinterpret_cast<uintptr_t>(&out[1]), reinterpret_cast<uintptr_t>(&out[2])),
                  0U);
        EXPECT_THAT(out, ElementsAre(row[1], row[2], row[3]));
    }
    // code -> source, value
    const uint32_t pri[][3] = {{0, 0, X}, {1, 2, 6}, {2, 4, X}, {3, 3, X}, {4, 5, X},
                               {5, 6, 6}, {6, 7, X}, {7, 8, 6}, {8, X, X}};
    for (const auto &row : pri) {
        SCOPED_TRACE(testing::Message() << "priTreat " << row[0]);
        uint32_t out[2] = {X, X};
        EXPECT_EQ(PDT_L2M_GetPri(row[0], 6, 0x1234, reinterpret_cast<uintptr_t>(&out[0]),
                                 reinterpret_cast<uintptr_t>(&out[1])),
                  0U);
        EXPECT_THAT(out, ElementsAre(row[1], row[2]));
    }
    uint32_t a = X, b = X;
    PDT_L2M_DefaultConverter(1, 2, reinterpret_cast<uintptr_t>(&a), 0, reinterpret_cast<uintptr_t>(&b));
    EXPECT_EQ(a, X);  // the third word is not a destination
    EXPECT_EQ(b, 2U);
}

// ---- Action entries ----------------------------------------------------------

TEST(L2ActionTrans, EntriesRunInOrderAndLaterOnesWin)
{
    using A = chip_flow_act_s;
    struct Case {
        const char *name;
        uint8_t tagNum;
        std::function<void(HAL_L2_FLOW_TREAT_S &)> treat;
        std::function<void(A &)> expect;
    };
    const Case cases[] = {
        {"untagged, add one tag", 0, [](auto &t) { t.vlanTreat[0] = 2; t.treatInfo[0] = tag(0, 100, 0); },
         [](A &a) { a.tag_act = 1; a.svlan_source = 2; a.svlan = 100; }},
        {"untagged, code 1 adds with action 3", 0, [](auto &t) { t.vlanTreat[0] = 1; t.treatInfo[0] = tag(0, 100, 0); },
         [](A &a) { a.tag_act = 3; a.svlan_source = 2; a.svlan = 100; }},
        {"untagged, add two tags", 0,
         [](auto &t) { t.vlanTreat[0] = 7; t.vlanTreat[1] = 3; t.treatInfo[0] = tag(0, 100, 0);
             t.treatInfo[1] = tag(0, 200, 0); },
         [](A &a) { a.tag_act = 1; a.tag_layer_num = 2; a.cvlan_source = 2; a.cvlan = 100; a.svlan_source = 2;
             a.svlan = 200; }},
        {"one tag removed", 1, [](auto &t) { t.vlanTreat[0] = 5; t.treatInfo[0] = tag(0, 100, 0); },
         [](A &a) { a.tag_act = 2; }},
        {"two tags removed", 2, [](auto &t) { t.vlanTreat[0] = 5; t.vlanTreat[1] = 5; },
         [](A &a) { a.tag_act = 2; a.tag_layer_num = 2; }},
        {"two tags: inner translated, outer removed, moved out by the fix-up", 2,
         [](auto &t) { t.vlanTreat[0] = 1; t.vlanTreat[1] = 5; t.treatInfo[0] = tag(0x8100, 100, 4);
             t.priTreat[0] = 1; t.tpidTreat[0] = 1; },
         [](A &a) { a.tag_act = 2; a.svlan_source = 2; a.svlan = 100; a.cvlan = 100; a.spri_source = 2; a.spri = 4;
             a.cpri = 4; a.stpid_source = 2; a.stpid = 0x8100; a.ctpid = 0x8100; }},
        {"two tags: both translated", 2,
         [](auto &t) { t.vlanTreat[0] = 2; t.vlanTreat[1] = 8; t.treatInfo[0] = tag(0, 10, 0);
             t.treatInfo[1] = tag(0, 20, 0); },
         [](A &a) { a.tag_act = 3; a.cvlan_source = 2; a.cvlan = 10; a.svlan_source = 3; }},
        {"one tag, both slots: slot 1 wins tag_act and the outer tag", 1,
         [](auto &t) { t.vlanTreat[0] = 2; t.vlanTreat[1] = 1; t.treatInfo[0] = tag(0, 100, 0);
             t.treatInfo[1] = tag(0, 200, 0); },
         [](A &a) { a.tag_act = 3; a.cvlan_source = 2; a.cvlan = 100; a.svlan_source = 2; a.svlan = 200; }},
        {"untagged, priority from DSCP table", 0, [](auto &t) { t.priTreat[0] = 4; t.treatInfo[0] = tag(0, 0, 1, 3); },
         [](A &a) { a.spri_source = 5; a.spri_map_id = 3; }},
        {"untagged, both priorities from DSCP tables", 0,
         [](auto &t) { t.priTreat[0] = 4; t.priTreat[1] = 4; t.treatInfo[0] = tag(0, 0, 1, 3);
             t.treatInfo[1] = tag(0, 0, 2, 5); },
         [](A &a) { a.cpri_source = 2; a.cpri = 1; a.spri_source = 2; a.spri = 2; a.cpri_map_id = 3;
             a.spri_map_id = 5; }},
        {"untagged, slot 1 DSCP only", 0,
         [](auto &t) { t.priTreat[0] = 1; t.priTreat[1] = 4; t.treatInfo[1] = tag(0, 0, 2, 5); },
         [](A &a) { a.cpri_source = 2; a.spri_source = 2; a.spri = 2; }},
        {"one tag, copied priority", 1, [](auto &t) { t.priTreat[0] = 2; t.treatInfo[0] = tag(0, 0, 6, 0); },
         [](A &a) { a.spri_source = 4; }},
        {"one tag, both priorities: slot 1 wins the outer", 1,
         [](auto &t) { t.priTreat[0] = 4; t.priTreat[1] = 5; t.treatInfo[0] = tag(0, 0, 1, 7);
             t.treatInfo[1] = tag(0, 0, 2, 8); },
         [](A &a) { a.cpri_source = 5; a.spri_source = 6; a.spri = 2; a.spri_map_id = 7; }},
        {"two tags, priorities per tag", 2,
         [](auto &t) { t.priTreat[0] = 1; t.priTreat[1] = 7; t.treatInfo[0] = tag(0, 0, 3, 0);
             t.treatInfo[1] = tag(0, 0, 5, 0); },
         [](A &a) { a.cpri_source = 2; a.cpri = 3; a.spri_source = 8; a.spri = 5; }},
        {"two tags, DSCP tables per tag", 2,
         [](auto &t) { t.priTreat[0] = 4; t.priTreat[1] = 4; t.treatInfo[0] = tag(0, 0, 0, 1);
             t.treatInfo[1] = tag(0, 0, 0, 2); },
         [](A &a) { a.cpri_source = 5; a.spri_source = 5; a.cpri_map_id = 1; a.spri_map_id = 2; }},
        {"untagged, one TPID", 0, [](auto &t) { t.tpidTreat[0] = 1; t.treatInfo[0] = tag(0x88a8, 0, 0); },
         [](A &a) { a.stpid_source = 2; a.stpid = 0x88a8; }},
        {"untagged, two TPIDs", 0,
         [](auto &t) { t.tpidTreat[0] = t.tpidTreat[1] = 1; t.treatInfo[0] = tag(0x8100, 0, 0);
             t.treatInfo[1] = tag(0x88a8, 0, 0); },
         [](A &a) { a.ctpid_source = 2; a.ctpid = 0x8100; a.stpid_source = 2; a.stpid = 0x88a8; }},
        {"one tag, TPID of slot 0 only", 1,
         [](auto &t) { t.tpidTreat[0] = t.tpidTreat[1] = 1; t.treatInfo[0] = tag(0x9100, 0, 0);
             t.treatInfo[1] = tag(0x88a8, 0, 0); },
         [](A &a) { a.stpid_source = 2; a.stpid = 0x9100; }},
        {"two tags, TPIDs per tag", 2,
         [](auto &t) { t.tpidTreat[0] = t.tpidTreat[1] = 1; t.treatInfo[0] = tag(0x8100, 0, 0);
             t.treatInfo[1] = tag(0x88a8, 0, 0); },
         [](A &a) { a.ctpid_source = 2; a.ctpid = 0x8100; a.stpid_source = 2; a.stpid = 0x88a8; }},
        {"tags not examined: no action at all", 3,
         [](auto &t) { t.vlanTreat[0] = t.vlanTreat[1] = 2; t.priTreat[0] = t.priTreat[1] = 4;
             t.tpidTreat[0] = t.tpidTreat[1] = 1; t.treatInfo[0] = tag(1, 2, 3, 4); },
         [](A &) {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HAL_L2_FLOW_RULE_S rule{};
        rule.tagNum = c.tagNum;
        HAL_L2_FLOW_TREAT_S treat{};
        c.treat(treat);
        A expected{};
        c.expect(expected);
        A act{};
        EXPECT_EQ(PDT_L2M_FlowActTrans(&rule, &treat, &act), 0U);
        EXPECT_TRUE(act == expected) << "got      " << show(act) << "\nexpected " << show(expected);
    }
}

// ---- Upstream priority adjustment ------------------------------------------------

TEST_F(L2Test, UpstreamPriorityAdjustment)
{
    host.l2mNetRole[9] = 3;
    host.l2mNetRole[1] = 0;
    struct Case {
        const char *name;
        uint16_t ctp;
        std::function<void(HAL_L2_FLOW_S &)> flow;
        uint32_t result, spriSource, spri;
    };
    const Case cases[] = {
        {"network side keeps the matched priority", 9,
         [](auto &f) { f.stInRule.tagNum = 1; f.stInRule.priFilter[0] = 1; f.stInRule.filterInfo[0].pri = 5; }, 1, 2,
         5},
        {"user side does not", 1,
         [](auto &f) { f.stInRule.tagNum = 1; f.stInRule.priFilter[0] = 1; f.stInRule.filterInfo[0].pri = 5; }, 0, 0,
         0},
        {"network side, two tags: the outer priority", 9,
         [](auto &f) { f.stInRule.tagNum = 2; f.stInRule.priFilter[1] = 1; f.stInRule.filterInfo[1].pri = 6; }, 1, 2,
         6},
        {"a treated priority is kept", 9,
         [](auto &f) { f.stInRule.tagNum = 1; f.stInRule.priFilter[0] = 1; f.stInTreat.priTreat[0] = 3; }, 1, 3, 0},
        {"copied priority on one tag", 1, [](auto &f) { f.stInRule.tagNum = 1; f.stInTreat.priTreat[0] = 2; }, 0, 3,
         0},
        {"added tag with priority 0", 1,
         [](auto &f) { f.stInTreat.vlanTreat[0] = 2; f.stInTreat.priTreat[0] = 1; }, 0, 0, 0},
        {"added tag with priority 4", 1,
         [](auto &f) { f.stInTreat.vlanTreat[0] = 2; f.stInTreat.priTreat[0] = 1; f.stInTreat.treatInfo[0].pri = 4; },
         0, 2, 4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HAL_L2_FLOW_S flow = l2test::flowOn(c.ctp, 1);
        c.flow(flow);
        chip_flow_in_s in{};
        PDT_L2M_FlowActTrans(&flow.stInRule, &flow.stInTreat, &in.in_act);
        EXPECT_EQ(PDT_L2M_FlowAdpt(&flow, &in), c.result);
        EXPECT_EQ(in.in_act.spri_source, c.spriSource);
        EXPECT_EQ(in.in_act.spri, c.spri);
    }
}
