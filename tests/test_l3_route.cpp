// Policy routes and NAPT indications: the ingress CTP scan, the match and
// action translation, and the NAPT add and delete records.
#include "l3_test_util.h"

namespace {

using RouteTest = HalTest;

// A policy route with room for its ingress CTP ids.
struct RouteBuf {
    HAL_L3_POLICY_ROUTE_S rule;
    uint32_t ctp[HAL_L3_POLICY_ROUTE_CTP_MAX + 1];
};
static_assert(offsetof(RouteBuf, ctp) == HAL_L3_POLICY_ROUTE_CTP_OFFSET);

// Family 0, table 7, match tag number, VLAN 300 and 192.168.1.10/24, to route.
RouteBuf route(std::vector<uint32_t> ctps = {})
{
    RouteBuf r{};
    r.rule = {0, 7, 0x5150, 0x7, 1, 300, {192, 168, 1, 10}, 0xFFFFFF00, 1, static_cast<uint32_t>(ctps.size())};
    std::copy(ctps.begin(), ctps.end(), r.ctp);
    return r;
}

// Sends the route on the current host and reads back the record the driver got.
chip_route_s sent(const halsim::Host &host, const RouteBuf &r)
{
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0U);
    return haltest::recordOf<chip_route_req_s>(host.hlp.at(0)).route;
}

}  // namespace

TEST_F(RouteTest, RouteRecordAndFailures)
{
    RouteBuf r = route({2, 4});
    ASSERT_EQ(HAL_L3_AddPolicyRoute(0x33, &r.rule), 0U);
    // User ports 2 and 4 sit on chip ports 1 and 3; the mask value 8 is the
    // high half of the word at 60; the address bytes go as they lie.
    expectReq(host.hlp.at(0), 0x2002d002, 72,
              {{0, 0x33},
               {4, 0x5150},
               {8, 4},
               {12, 0xA},
               {16, 4},
               {20, 1},
               {24, 1},
               {28, 1},
               {32, 300},
               {36, 1},
               {40, 1},
               {44, 0x0A01A8C0},
               {60, 8U << 16},
               {64, 2},
               {68, 7}});
    EXPECT_EQ(traceAt(host, 1410),
              "enter PDT_ROUTE_AddPolicyRoute!RuleId = 51, RouteID = 7, MatchMask = 7, TagNum = 1, "
              "vlan = 300 \n SrcIp: 192.168.1.10, IpMask = -256 \n");
    EXPECT_EQ(traceAt(host, 1412), "Act:1 , 1 is ToRoute , 2 is ToNapt \n   CtpNum:2 \n");
    EXPECT_EQ(traceAt(host, 1441),
              "Hlp config info\n route_id:51 ingress_type:4 tag_num:1 svlan_mode:1  svlan:300\n"
              "sip_mode:1  sip_ver:1  sip:192.168.1.10  act:2  table_id:7");
    EXPECT_EQ(HAL_L3_DelPolicyRoute(9), 0U);
    expectReq(host.hlp.at(1), 0x2002d003, 4, {{0, 9}});
    EXPECT_EQ(traceAt(host, 1472), "enter PDT_ROUTE_DelPolicyRoute!uiRuleId = 9 \n");

    // Act above 4 and no record: nothing sent; driver refusals answered unchanged.
    r.rule.uiAct = 5;
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 1U);
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, nullptr), 0xF7300000U);
    EXPECT_EQ(host.hlp.size(), 2U);
    host.answer(0x2002d002, 0x91);
    host.answer(0x2002d003, 0x92);
    r.rule.uiAct = 0;
    EXPECT_EQ(HAL_L3_AddPolicyRoute(9, &r.rule), 0x91U);
    EXPECT_EQ(HAL_L3_DelPolicyRoute(9), 0x92U);
    EXPECT_THAT(host.lastWords,
                ElementsAre(lw(1325, 5), lw(1428, 1), lw(1401, 0xF7300000), lw(1445, 0x91, 9), lw(1476, 0x92, 9)));
}

// Ingress CTPs: an Ethernet user port sets the bit of its chip port (none
// from 32 on); a CTP is skipped when the CTP resolved back from its user port
// faces the network, both lookups having succeeded; another CTP type ends the
// scan, or fails it when alone; a failed lookup fails it. A failed scan sends
// nothing and answers 0.
TEST_F(RouteTest, CtpScanSkipAndStopRules)
{
    // User port p resolves back to CTP 100 + p; the lookup fails for port 4
    // and every other type. CTP 103 and CTP 0 face the network.
    HAL_RegUserPort2CtpFunc([](uint32_t type, uint32_t port, uint16_t *ctp) {
        *ctp = static_cast<uint16_t>(port == 4 ? 103 : 100 + port);  // not to be used for port 4
        return type != 0 || port == 4 ? 1U : 0U;
    });
    HAL_RegGetNniRoleFunc([](uint32_t ctp, uint32_t *role) {
        *role = ctp == 103 || ctp == 0 ? 3 : 0;
        return 0U;
    });
    struct Case {
        const char *name;
        std::vector<uint32_t> ctps;
        uint32_t ingressType, mask;
        std::vector<halsim::LastWordRec> records;  // of a failed scan
    };
    const Case cases[] = {
        {"no CTP", {}, 0, 0, {}},
        {"two ports", {1, 8}, 4, 0x81, {}},
        {"CTP id in the low 16 bits", {0x70002}, 4, 0x2, {}},
        {"network side skipped", {3}, 0, 0, {}},
        {"network side between ports", {2, 3, 1}, 4, 0x3, {}},
        {"kept when its user port has no CTP", {4}, 4, 0x8, {}},
        {"other type ends the scan", {2, 9, 1}, 4, 0x2, {}},
        {"other type first", {9, 1}, 0, 0, {}},
        {"chip port 40 sets no bit", {5}, 4, 0, {}},
        {"single other type", {9}, 0, 0, {lw(1419, 1, 1, 0, 0)}},
        {"unknown CTP", {1, 13}, 0, 0, {lw(1253, 1, 13), lw(1419, 1, 2, 1, 4)}},
        {"no chip port", {6}, 0, 0, {lw(1266, 1, 6, 0), lw(1419, 1, 1, 0, 4)}},
        {"too many CTPs",
         std::vector<uint32_t>(HAL_L3_POLICY_ROUTE_CTP_MAX + 1, 1),
         0,
         0,
         {lw(1419, 1, HAL_L3_POLICY_ROUTE_CTP_MAX + 1, 0, 0)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host.reset();
        host.userToChipPort[5] = 40;
        host.userToChipPort.erase(6);
        const RouteBuf r = route(c.ctps);
        if (!c.records.empty()) {
            EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0U);
            EXPECT_THAT(host.hlp, IsEmpty());
            EXPECT_EQ(traceAt(host, 1417), "pstRule->uiCtpNum:" + std::to_string(c.ctps.size()) + " \n");
        } else {
            const chip_route_s rec = sent(host, r);
            EXPECT_EQ(std::vector({rec.ingress_type, rec.ingress_mask}), std::vector({c.ingressType, c.mask}));
        }
        EXPECT_EQ(host.lastWords, c.records);
    }
}

// Match mask, family, table and action, with the IPv4 session rule.
TEST_F(RouteTest, AdaptedFields)
{
    // MatchMask, vlan, family selector, RouteID, session flag, Act -> tag number
    // mode, svlan_mode, svlan, sip_mode, family code, table_id, act.
    const uint32_t cases[][13] = {
        {0x0, 300, 0, 7, 0, 0, /**/ 0, 0, 0, 0, 4, 7, 0},
        {0x1, 300, 1, 0xFFFFFFFF, 0, 1, /**/ 1, 0, 0, 0, 5, 0, 2},
        {0x2, 0, 2, 0xFFFFFFFE, 0, 2, /**/ 0, 0, 0, 0, 0, 0xFFFFFFFE, 3},
        {0x2, 300, 0, 0, 0, 3, /**/ 0, 1, 300, 0, 4, 0, 4},
        {0x4, 300, 0, 1, 0, 4, /**/ 0, 0, 0, 1, 4, 1, 1},
        {0x0, 300, 0, 7, 1, 0, /**/ 0, 0, 0, 0, 4, 7, 2},  // session rule
        {0x0, 300, 1, 7, 1, 0, /**/ 0, 0, 0, 0, 5, 7, 0},
        {0x0, 300, 0, 7, 1, 4, /**/ 0, 0, 0, 0, 4, 7, 1},
        {0x0, 300, 0, 7, 2, 0, /**/ 0, 0, 0, 0, 4, 7, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        host.reset();
        host.sessionFlag = {0, c[4]};
        RouteBuf r{};
        r.rule = {c[2], c[3], 0, c[0], 1, c[1], {192, 168, 1, 10}, 0xFFFFFF00, c[5], 0};
        const chip_route_s rec = sent(host, r);
        EXPECT_EQ(
            std::vector({rec.tag_num_mode, rec.svlan_mode, rec.svlan, rec.sip_mode, rec.family, rec.table_id, rec.act}),
            std::vector<uint32_t>(c + 6, c + 13));
        EXPECT_EQ(rec.sip.mask, 8U);  // the address and its mask go whatever the match mask
    }
}

TEST_F(RouteTest, NaptRecordsAndFailures)
{
    // Address 10.0.0.0 as it lies (words 2 to 4 unused); mask value 24 in the
    // high half of word 36.
    HAL_L3_NAPT_IND_S n{0, 0xFFFFFFFF, 0x12, {10, 0x99, 0x99, 0x99}, 0xFF000000, 1};
    ASSERT_EQ(HAL_L3_AddNaptIndication(0x41, &n), 0U);
    ASSERT_EQ(HAL_L3_DelNaptIndication(0x41, &n), 0U);
    n = {0, 5, 0, {10}, 0xFF000000, 2};
    ASSERT_EQ(HAL_L3_AddNaptIndication(1, &n), 0U);
    expectReq(host.hlp.at(0), 0x2002d00a, 44,
              {{0, 0x41}, {8, 1}, {12, 0x12}, {16, 1}, {20, 10}, {36, 24U << 16}, {40, 1}});
    expectReq(host.hlp.at(1), 0x2002d00b, 44, {{0, 0x41}, {16, 1}, {20, 10}, {36, 24U << 16}});
    expectReq(host.hlp.at(2), 0x2002d00a, 44, {{0, 1}, {4, 5}, {16, 1}, {20, 10}, {36, 24U << 16}});
    EXPECT_EQ(traceAt(host, 1512),
              "enter PDT_NAPT_AddNaptIndication!RuleId = 65, uiFamily = 0, uiRouteTblID = "
              "4294967295\nuiOutIfIndex = 18, uiDip[0] = 10 uiMask = 4278190080, uiIsToNapt = 1 \n");
    EXPECT_EQ(traceAt(host, 1546), "   \n table_id:0 l3_if_mode:1 l3_if_id:18 dip:10.0.0.0  mask:24  session:1\n");
    EXPECT_EQ(traceAt(host, 1588),
              "enter PDT_NAPT_DelNaptIndication!RuleId = 65, uiFamily = 0, uiRouteTblID = "
              "4294967295\nuiOutIfIndex = 18, uiDip[0] = 10 uiMask = 4278190080, uiIsToNapt = 1 \n");
    EXPECT_EQ(traceAt(host, 1606),
              "   PDT_NAPT_DelNaptIndication\n table_id:0 l3_if_mode:0 l3_if_id:0 dip:10.0.0.0  "
              "mask:24  session:0\n");

    // Family 1 and no record: nothing sent; driver refusals answered unchanged.
    n.uiFamily = 1;
    EXPECT_EQ(HAL_L3_AddNaptIndication(4, &n), 1U);
    EXPECT_EQ(HAL_L3_DelNaptIndication(4, &n), 1U);
    EXPECT_EQ(HAL_L3_AddNaptIndication(4, nullptr), 0xF7300000U);
    EXPECT_EQ(HAL_L3_DelNaptIndication(4, nullptr), 0xF7300000U);
    EXPECT_EQ(host.hlp.size(), 3U);
    n.uiFamily = 0;
    host.answer(0x2002d00a, 0x66);
    host.answer(0x2002d00b, 0x67);
    EXPECT_EQ(HAL_L3_AddNaptIndication(4, &n), 0x66U);
    EXPECT_EQ(HAL_L3_DelNaptIndication(4, &n), 0x67U);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1516, 1, 1), lw(1591, 1, 1), lw(1503, 0xF7300000), lw(1579, 0xF7300000),
                                            lw(1552, 0x66, 4, 4), lw(1611, 0x67, 4)));
}
