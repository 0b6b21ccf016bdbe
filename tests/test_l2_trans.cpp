// Translation of match rules and tag treatments into the chip's match rule and
// tag action, and the upstream priority adjustment with its net-role test.
#include "test_l2_common.h"

using namespace l2test;

constexpr uint32_t X = 0xEE;  // a word the translation must not write

TEST_F(L2Test, TagCountFollowsItsTableAndTheTagTypeVariant)
{
    // answer for "TARN_FT_TAG_TYPE" (only 1 turns the variant on), tagNum, vlanFilter[0], filterInfo[0].vlanID,
    // then tag_mode, tag_type, tag_num
    const uint32_t cases[][7] = {
        {0, 0, 0, 0, 1, 0, X},  {0, 1, 0, 0, 1, 1, 1}, {0, 2, 0, 0, 1, 1, 2}, {0, 3, 0, 0, 0, X, X},
        {0, 4, 0, 0, X, X, X},  {1, 0, 0, 0, 1, 0, X}, {1, 1, 0, 0, 1, 1, 0}, {1, 1, 1, 0, 1, 1, 1},
        {1, 1, 1, 10, 1, 1, 0}, {2, 1, 0, 0, 1, 1, 1}, {1, 2, 1, 0, 1, 1, 0}, {1, 3, 0, 0, 0, X, X},
        {1, 9, 0, 0, X, X, X},
    };
    for (const auto &c : cases) {
        host.features["TARN_FT_TAG_TYPE"] = c[0];
        HAL_L2_FLOW_RULE_S rule{};
        rule.tagNum = static_cast<uint8_t>(c[1]);
        rule.vlanFilter[0] = static_cast<uint8_t>(c[2]);
        rule.filterInfo[0].vlanID = static_cast<uint16_t>(c[3]);
        chip_flow_rule_s chip{};
        chip.tag_mode = chip.tag_type = chip.tag_num = X;
        PDT_L2M_TagNumTrans(c[1], &rule, &chip);
        EXPECT_THAT((std::vector<uint32_t>{chip.tag_mode, chip.tag_type, chip.tag_num}), ElementsAre(c[4], c[5], c[6]))
            << "feature " << c[0] << " tagNum " << c[1] << " vlan filter " << c[2] << " vlan " << c[3];
    }
}

TEST_F(L2Test, MatchEntriesMapTagSlotsToInnerAndOuterFields)
{
    const auto allFilters = [](HAL_L2_FLOW_RULE_S &r, uint8_t tagNum) {
        r.tagNum = tagNum;
        r.tpidFilter[0] = r.tpidFilter[1] = r.vlanFilter[0] = r.vlanFilter[1] = r.priFilter[0] = r.priFilter[1] = 1;
        r.filterInfo[0] = tag(0x8100, 100, 3, 7);
        r.filterInfo[1] = tag(0x88a8, 200, 6, 8);
    };
    const std::pair<std::function<void(HAL_L2_FLOW_RULE_S &)>, std::function<void(chip_flow_rule_s &)>> cases[] = {
        // EtherType code; self-defined EtherType
        {[](auto &r) {
             r.ethTypeFilter = 2;
             r.SelfDefEthType = 0x9999;
         },
         [](auto &c) {
             c.etype_mode = 1;
             c.etype = 2;
         }},
        {[](auto &r) {
             r.ethTypeFilter = 5;
             r.SelfDefEthType = 0x88B5;
         },
         [](auto &c) {
             c.etype_mode = 1;
             c.etype = 5;
             c.etype_selfdefine = 0x88B5;
         }},
        // One tag: slot 0 is the outer tag, slot 1 is ignored.
        {[&](auto &r) { allFilters(r, 1); },
         [](auto &c) {
             c.svlan_mode = c.spri_mode = c.stpid_mode = 1;
             c.svlan = 100;
             c.spri = 3;
             c.stpid = 0x8100;
         }},
        // Two tags: slot 0 is the inner tag, slot 1 the outer.
        {[&](auto &r) { allFilters(r, 2); },
         [](auto &c) {
             c.cvlan_mode = c.cpri_mode = c.ctpid_mode = c.svlan_mode = c.spri_mode = c.stpid_mode = 1;
             c.cvlan = 100;
             c.cpri = 3;
             c.ctpid = 0x8100;
             c.svlan = 200;
             c.spri = 6;
             c.stpid = 0x88a8;
         }},
        {[](auto &r) {
             r.tagNum = 2;
             r.vlanFilter[1] = 1;
             r.filterInfo[1] = tag(0, 4095, 0);
         },
         [](auto &c) {
             c.svlan_mode = 1;
             c.svlan = 4095;
         }},
        // Untagged, and tags not examined: the tag filters are ignored.
        {[&](auto &r) { allFilters(r, 0); }, [](auto &) {}},
        {[&](auto &r) { allFilters(r, 3); }, [](auto &) {}},
        // MAC prefix, whole MAC, no MAC filter
        {[](auto &r) {
             r.macFilter = 1;
             std::memcpy(r.macAddr, "\x00\x11\x22\x33\x44\x55", 6);
             r.macMaskLen = 40;
         },
         [](auto &c) {
             c.mac_mode = 1;
             std::memcpy(c.mac, "\x00\x11\x22\x33\x44\x55", 6);
             c.mac_mask = 8;
         }},
        {[](auto &r) {
             r.macFilter = 1;
             r.macMaskLen = 48;
         },
         [](auto &c) { c.mac_mode = 1; }},
        {[](auto &r) {
             r.macAddr[0] = 1;
             r.macMaskLen = 8;
         },
         [](auto &) {}},
        // A failed MAC copy is recorded (below); the mask is set all the same.
        {[](auto &r) {
             r.macFilter = 1;
             halsim::host().failNext("memcpy_s", 0x33);
         },
         [](auto &c) {
             c.mac_mode = 1;
             c.mac_mask = 48;
         }},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        HAL_L2_FLOW_RULE_S rule{};
        cases[row].first(rule);
        chip_flow_rule_s expected{};
        chip_flow_rule_s chip{};
        cases[row].second(expected);
        EXPECT_EQ(PDT_L2M_FlowRuleTrans(&rule, &chip), 0U);
        EXPECT_EQ(words(chip), words(expected)) << "row " << row;
    }
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord("kalo_l2", 535, 0x33)));
}

// Each row names the action entries it runs; in several a later entry
// overwrites what an earlier one wrote.
TEST(L2ActionTrans, EntriesRunInOrderAndLaterOnesWin)
{
    struct In {
        uint8_t tagNum, v0, v1, p0, p1, tp0, tp1;
        HAL_L2_FLOW_TAG_INFO_S s0, s1;
    };
    const auto none = tag(0, 0, 0);
    const auto tpid8100 = tag(0x8100, 0, 0);
    const auto tpid88a8 = tag(0x88a8, 0, 0);
    const std::pair<In, std::vector<uint32_t>> cases[] = {
        // tagNum, vlanTreat[0..1], priTreat[0..1], tpidTreat[0..1], treatInfo[0..1] (tpid, vlanID, pri, DscpTblId)
        //   -> tag_act, tag_layer_num, stpid_source, stpid, svlan_source, svlan, spri_source, spri, spri_map_id,
        //      ctpid_source, ctpid, cvlan_source, cvlan, cpri_source, cpri, cpri_map_id
        // 0: untagged, one tag added; code 1 adds with tag_act 3
        {{0, 2, 0, 0, 0, 0, 0, tag(0, 100, 0), none}, {1, 0, 0, 0, 2, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{0, 1, 0, 0, 0, 0, 0, tag(0, 100, 0), none}, {3, 0, 0, 0, 2, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // 1-3: untagged, two tags added whatever the codes
        {{0, 7, 3, 0, 0, 0, 0, tag(0, 100, 0), tag(0, 200, 0)}, {1, 2, 0, 0, 2, 200, 0, 0, 0, 0, 0, 2, 100, 0, 0, 0}},
        // 4: one tag removed; 5-7, 25: two tags removed, no fix-up (the inner TPID stays)
        {{1, 5, 0, 0, 0, 0, 0, tag(0, 100, 0), none}, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{2, 5, 5, 0, 0, 1, 0, tpid8100, none}, {2, 2, 0, 0, 0, 0, 0, 0, 0, 2, 0x8100, 0, 0, 0, 0, 0}},
        // 5, 6, 12, 25 and the fix-up: inner tag translated, outer removed; the inner fields move out
        {{2, 1, 5, 1, 0, 1, 0, tag(0x8100, 100, 4), none},
         {2, 0, 2, 0x8100, 2, 100, 2, 4, 0, 0, 0x8100, 0, 100, 0, 4, 0}},
        // 5, 6: both tags translated, slot 1 wins tag_act
        {{2, 2, 8, 0, 0, 0, 0, tag(0, 10, 0), tag(0, 20, 0)}, {3, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 2, 10, 0, 0, 0}},
        // 4, 27, 28: one tag, both slots treated: slot 0 code to the inner tag, slot 1 wins tag_act and the outer
        {{1, 3, 1, 0, 0, 0, 0, tag(0, 100, 0), tag(0, 200, 0)}, {3, 0, 0, 0, 2, 200, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0}},
        // 8, 16: untagged, priority from a DSCP table
        {{0, 0, 0, 4, 0, 0, 0, tag(0, 0, 1, 3), none}, {0, 0, 0, 0, 0, 0, 5, 0, 3, 0, 0, 0, 0, 0, 0, 0}},
        // 9, 10, 17: untagged, both priorities from DSCP tables; 9, 10, 16 when only slot 0 is
        {{0, 0, 0, 4, 4, 0, 0, tag(0, 0, 1, 3), tag(0, 0, 2, 5)}, {0, 0, 0, 0, 0, 0, 2, 2, 5, 0, 0, 0, 0, 2, 1, 3}},
        {{0, 0, 0, 4, 1, 0, 0, tag(0, 0, 1, 3), tag(0, 0, 2, 5)}, {0, 0, 0, 0, 0, 0, 2, 2, 3, 0, 0, 0, 0, 2, 1, 0}},
        // 11: one tag, copied priority
        {{1, 0, 0, 2, 0, 0, 0, tag(0, 0, 6), none}, {0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // 11, 14, 15, 18: one tag, both priorities: slot 1 wins the outer one
        {{1, 0, 0, 4, 5, 0, 0, tag(0, 0, 1, 7), tag(0, 0, 2, 8)}, {0, 0, 0, 0, 0, 0, 6, 2, 7, 0, 0, 0, 0, 5, 0, 0}},
        // 12, 13: two tags, priority per tag; 19, 20: DSCP table per tag
        {{2, 0, 0, 1, 7, 0, 0, tag(0, 0, 3), tag(0, 0, 5)}, {0, 0, 0, 0, 0, 0, 8, 5, 0, 0, 0, 0, 0, 2, 3, 0}},
        {{2, 0, 0, 4, 4, 0, 0, tag(0, 0, 0, 1), tag(0, 0, 0, 2)}, {0, 0, 0, 0, 0, 0, 5, 0, 2, 0, 0, 0, 0, 5, 0, 1}},
        // 21: untagged, one TPID; 22, 23: two TPIDs
        {{0, 0, 0, 0, 0, 1, 0, tag(0x88a8, 0, 0), none}, {0, 0, 2, 0x88a8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 0, 0, 0, 1, 1, tpid8100, tpid88a8}, {0, 0, 2, 0x88a8, 0, 0, 0, 0, 0, 2, 0x8100, 0, 0, 0, 0, 0}},
        // 24: one tag, TPID of slot 0 only; 25, 26: two tags, TPID per tag
        {{1, 0, 0, 0, 0, 1, 1, tag(0x9100, 0, 0), tpid88a8}, {0, 0, 2, 0x9100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{2, 0, 0, 0, 0, 1, 1, tpid8100, tpid88a8}, {0, 0, 2, 0x88a8, 0, 0, 0, 0, 0, 2, 0x8100, 0, 0, 0, 0, 0}},
        // One tag, the codes the rows above do not use: VLAN 4 (tag_act 1, source 3), 6 and 9 (nothing written);
        // priority 6 (source 7), 3 (source 3) and 8 (nothing written)
        {{1, 4, 0, 6, 0, 0, 0, tag(0, 100, 1), none}, {1, 0, 0, 0, 3, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{1, 6, 0, 3, 0, 0, 0, tag(0, 100, 1), none}, {0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{1, 9, 0, 8, 0, 0, 0, tag(0, 100, 1), none}, std::vector<uint32_t>(16)},
        // tags not examined: no action at all
        {{3, 2, 2, 4, 4, 1, 1, tag(1, 2, 3, 4), tag(1, 2, 3, 4)}, std::vector<uint32_t>(16)},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto &[in, expected] = cases[row];
        HAL_L2_FLOW_RULE_S rule{};
        rule.tagNum = in.tagNum;
        const HAL_L2_FLOW_TREAT_S treat{{in.tp0, in.tp1}, {in.v0, in.v1}, {in.p0, in.p1}, {in.s0, in.s1}};
        chip_flow_act_s act{};
        EXPECT_EQ(PDT_L2M_FlowActTrans(&rule, &treat, &act), 0U);
        EXPECT_EQ(words(act), expected) << "row " << row;
    }
}

TEST_F(L2Test, UpstreamPriorityAdjustment)
{
    // The net-role test: role 3 from an answer of 0; a failed or missing answer is not the network side.
    host.l2mNetRole[9] = 3;
    host.l2mNetRole[1] = 0;
    EXPECT_THAT((std::vector<uint32_t>{PDT_L2M_IsNni(9), PDT_L2M_IsNni(1), PDT_L2M_IsNni(32)}),
                ElementsAre(1U, 0U, 0U));
    host.failNext("L2M_Ctp_GetNetRole", 0);
    EXPECT_EQ(PDT_L2M_IsNni(9), 0U);  // answered 0 without a role: the preset 5 is not 3

    using Set = std::function<void(HAL_L2_FLOW_RULE_S &, HAL_L2_FLOW_TREAT_S &)>;
    const std::tuple<uint16_t, Set, uint32_t, uint32_t, uint32_t> cases[] = {
        // CTP (9 network side, 1 user side), rule and treatment -> result, spri_source, spri
        // A network-side port keeps the priority it matched; a user-side port does not.
        {9,
         [](auto &r, auto &) {
             r.tagNum = r.priFilter[0] = 1;
             r.filterInfo[0].pri = 5;
         },
         1, 2, 5},
        {1,
         [](auto &r, auto &) {
             r.tagNum = r.priFilter[0] = 1;
             r.filterInfo[0].pri = 5;
         },
         0, 0, 0},
        // With two tags, the outer one's.
        {9,
         [](auto &r, auto &) {
             r.tagNum = 2;
             r.priFilter[1] = 1;
             r.filterInfo[1].pri = 6;
         },
         1, 2, 6},
        // A treated priority is kept; a copied one on a single tag becomes source 3.
        {9,
         [](auto &r, auto &t) {
             r.tagNum = r.priFilter[0] = 1;
             t.priTreat[0] = 3;
         },
         1, 3, 0},
        {1,
         [](auto &r, auto &t) {
             r.tagNum = 1;
             t.priTreat[0] = 2;
         },
         0, 3, 0},
        // An added tag with the given priority 0 has no priority source; with 4 it keeps it.
        {1,
         [](auto &, auto &t) {
             t.vlanTreat[0] = 2;
             t.priTreat[0] = 1;
         },
         0, 0, 0},
        {1,
         [](auto &, auto &t) {
             t.vlanTreat[0] = t.treatInfo[0].pri = 2;
             t.priTreat[0] = 1;
         },
         0, 2, 2},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto &[ctp, set, result, spriSource, spri] = cases[row];
        HAL_L2_FLOW_S flow = flowOn(ctp, 1);
        set(flow.stInRule, flow.stInTreat);
        chip_flow_in_s in{};
        PDT_L2M_FlowActTrans(&flow.stInRule, &flow.stInTreat, &in.in_act);
        EXPECT_EQ(PDT_L2M_FlowAdpt(&flow, &in), result) << "row " << row;
        EXPECT_THAT((std::vector<uint32_t>{in.in_act.spri_source, in.in_act.spri}), ElementsAre(spriSource, spri));
    }
}
