// Policy routes and NAPT indications: the ingress CTP scan, the match and
// action translation, and the NAPT add and delete records.
#include "l3_test_util.h"

using haltest::HalTest;
using haltest::recordOf;
using l3test::expectWords;
using l3test::lw;
using l3test::traceAt;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint32_t kRouteAdd = 0x2002d002;

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

using RouteTest = HalTest;

}  // namespace

TEST_F(RouteTest, RouteRecordIsByteExact)
{
    RouteBuf r = route({2, 4});
    ASSERT_EQ(HAL_L3_AddPolicyRoute(0x33, &r.rule), 0u);
    ASSERT_EQ(host.hlp.size(), 1u);
    EXPECT_EQ(host.hlp[0].cmd, kRouteAdd);
    EXPECT_FALSE(host.hlp[0].hasReply);
    // User ports 2 and 4 sit on chip ports 1 and 3; the mask value 8 is the
    // high half of the word at 60; the address bytes go as they lie.
    expectWords(host.hlp[0], 72,
                {{0, 0x33}, {4, 0x5150}, {8, 4}, {12, 0xA}, {16, 4}, {20, 1}, {24, 1}, {28, 1}, {32, 300}, {36, 1},
                 {40, 1}, {44, 0x0A01A8C0}, {60, 8U << 16}, {64, 2}, {68, 7}});
    EXPECT_EQ(traceAt(host, 1410), "enter PDT_ROUTE_AddPolicyRoute!RuleId = 51, RouteID = 7, MatchMask = 7, TagNum = 1, "
                                   "vlan = 300 \n SrcIp: 192.168.1.10, IpMask = -256 \n");
    EXPECT_EQ(traceAt(host, 1412), "Act:1 , 1 is ToRoute , 2 is ToNapt \n   CtpNum:2 \n");
    EXPECT_EQ(traceAt(host, 1441), "Hlp config info\n route_id:51 ingress_type:4 tag_num:1 svlan_mode:1  svlan:300\n"
                                   "sip_mode:1  sip_ver:1  sip:192.168.1.10  act:2  table_id:7");
}

// Ingress CTPs: Ethernet user ports set their chip port; network-side CTPs
// are skipped; another CTP type ends the scan, or fails it when alone.
TEST_F(RouteTest, CtpScanSkipAndStopRules)
{
    struct Case {
        const char *name;
        std::vector<uint32_t> ctps;
        bool userSideRoles;  // every CTP answers net role 0
        bool sent;
        uint32_t ingressType, mask;
        std::vector<halsim::LastWordRec> records;
    };
    const Case cases[] = {
        {"no CTP", {}, false, true, 0, 0, {}},
        {"two ports", {1, 8}, false, true, 4, 0x81, {}},
        {"CTP id in the low 16 bits", {0x70003}, false, true, 4, 0x4, {}},
        {"network side skipped", {9}, false, true, 0, 0, {}},
        {"network side between ports", {2, 0, 3}, false, true, 4, 0x6, {}},
        {"other type ends the scan", {2, 9, 4}, true, true, 4, 0x2, {}},
        {"other type first", {9, 4}, true, true, 0, 0, {}},
        {"single other type", {9}, true, false, 0, 0, {lw(1419, 1, 1, 0, 0)}},
        {"unknown CTP", {1, 13}, false, false, 0, 0, {lw(1253, 1, 13), lw(1419, 1, 2, 1, 4)}},
        {"too many CTPs", std::vector<uint32_t>(HAL_L3_POLICY_ROUTE_CTP_MAX + 1, 1), false, false, 0, 0,
         {lw(1419, 1, HAL_L3_POLICY_ROUTE_CTP_MAX + 1, 0, 0)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host.reset();
        if (c.userSideRoles) {
            HAL_RegGetNniRoleFunc([](uint32_t, uint32_t *role) {
                *role = 0;
                return 0u;
            });
        }
        RouteBuf r = route(c.ctps);
        EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0u);
        EXPECT_THAT(host.lastWords, ::testing::ElementsAreArray(c.records));
        ASSERT_EQ(host.hlp.size(), c.sent ? 1u : 0u);
        if (c.sent) {
            const chip_route_req_s req = recordOf<chip_route_req_s>(host.hlp[0]);
            EXPECT_EQ(req.route.ingress_type, c.ingressType);
            EXPECT_EQ(req.route.ingress_mask, c.mask);
        } else {
            EXPECT_EQ(traceAt(host, 1417), "pstRule->uiCtpNum:" + std::to_string(c.ctps.size()) + " \n");
        }
    }
}

// The net role is that of the CTP resolved back from the user port, and it
// only skips a CTP when both lookups succeed.
TEST_F(RouteTest, NetRoleIsAskedOfTheCtpResolvedFromTheUserPort)
{
    // CTPs of Ethernet user ports are 100 + port; user port 3 faces the
    // network and user port 4 has no CTP.
    HAL_RegUserPort2CtpFunc([](uint32_t type, uint32_t port, uint16_t *ctp) {
        if (type != 0 || port == 4) {
            return 1u;
        }
        *ctp = static_cast<uint16_t>(100 + port);
        return 0u;
    });
    HAL_RegGetNniRoleFunc([](uint32_t ctp, uint32_t *role) {
        *role = ctp == 103 || ctp == 0 ? 3 : 0;
        return 0u;
    });
    RouteBuf r = route({2, 3, 4});
    ASSERT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0u);
    EXPECT_EQ(recordOf<chip_route_req_s>(host.hlp.at(0)).route.ingress_mask, 0xAu);  // ports 2 and 4
}

TEST_F(RouteTest, ChipPortLookup)
{
    host.userToChipPort[5] = 40;  // beyond the 32-port mask: no bit
    host.userToChipPort.erase(6);
    RouteBuf r = route({1, 5});
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0u);
    EXPECT_EQ(recordOf<chip_route_req_s>(host.hlp.at(0)).route.ingress_mask, 0x1u);

    host.reset();
    host.userToChipPort.erase(6);
    r = route({6});
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1266, 1, 6, 0), lw(1419, 1, 1, 0, 4)));
    EXPECT_THAT(host.hlp, IsEmpty());
}

TEST_F(RouteTest, MatchMaskFamilyAndTable)
{
    struct Case {
        uint32_t matchMask, vlan, family, routeId;
        uint32_t tagMode, svlanMode, svlan, sipMode, wantFamily, tableId;
    };
    const Case cases[] = {
        {0x0, 300, 0, 7, 0, 0, 0, 0, 4, 7},
        {0x1, 300, 1, 0xFFFFFFFF, 1, 0, 0, 0, 5, 0},
        {0x2, 0, 2, 0xFFFFFFFE, 0, 0, 0, 0, 0, 0xFFFFFFFE},
        {0x2, 300, 0, 0, 0, 1, 300, 0, 4, 0},
        {0x4, 300, 0, 1, 0, 0, 0, 1, 4, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << c.matchMask << " family " << c.family);
        host.reset();
        RouteBuf r = route();
        r.rule.uiMatchMask = c.matchMask;
        r.rule.uiVlan = c.vlan;
        r.rule.uiFamily = c.family;
        r.rule.uiRouteID = c.routeId;
        ASSERT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0u);
        const chip_route_s rec = recordOf<chip_route_req_s>(host.hlp.at(0)).route;
        EXPECT_EQ(rec.tag_num_mode, c.tagMode);
        EXPECT_EQ(rec.svlan_mode, c.svlanMode);
        EXPECT_EQ(rec.svlan, c.svlan);
        EXPECT_EQ(rec.sip_mode, c.sipMode);
        EXPECT_EQ(rec.sip.mask, 8u);  // the address and its mask go whatever the match mask
        EXPECT_EQ(rec.family, c.wantFamily);
        EXPECT_EQ(rec.table_id, c.tableId);
    }
}

TEST_F(RouteTest, ActionTableAndIpv4SessionRule)
{
    struct Case {
        uint32_t sessionFlag, act, family, want;
    };
    const Case cases[] = {
        {0, 0, 0, 0}, {0, 1, 0, 2}, {0, 2, 0, 3}, {0, 3, 0, 4}, {0, 4, 0, 1},
        {1, 0, 0, 2}, {1, 0, 1, 0}, {1, 1, 0, 2}, {1, 4, 0, 1}, {2, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "session " << c.sessionFlag << " act " << c.act << " family " << c.family);
        host.reset();
        host.sessionFlag = {0, c.sessionFlag};
        RouteBuf r = route();
        r.rule.uiAct = c.act;
        r.rule.uiFamily = c.family;
        ASSERT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 0u);
        EXPECT_EQ(recordOf<chip_route_req_s>(host.hlp.at(0)).route.act, c.want);
    }
}

TEST_F(RouteTest, RouteFailures)
{
    RouteBuf r = route({1});
    r.rule.uiAct = 5;
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, &r.rule), 1u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1325, 5), lw(1428, 1)));

    host.reset();
    EXPECT_EQ(HAL_L3_AddPolicyRoute(1, nullptr), 0xF7300000u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1401, 0xF7300000)));

    host.reset();
    host.answer(kRouteAdd, 0x91);
    r.rule.uiAct = 0;
    EXPECT_EQ(HAL_L3_AddPolicyRoute(9, &r.rule), 0x91u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1445, 0x91, 9)));

    host.reset();
    host.answer(0x2002d003, 0x92);
    EXPECT_EQ(HAL_L3_DelPolicyRoute(9), 0x92u);
    EXPECT_EQ(host.hlp.at(0).req, haltest::bytesOf(uint32_t{9}));
    EXPECT_EQ(traceAt(host, 1472), "enter PDT_ROUTE_DelPolicyRoute!uiRuleId = 9 \n");
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1476, 0x92, 9)));
    EXPECT_THAT(host.hlp, ::testing::SizeIs(1));
}

// ---- NAPT indications -----------------------------------------------------------

namespace {

HAL_L3_NAPT_IND_S napt()
{
    HAL_L3_NAPT_IND_S n{};
    n.uiRouteTblID = 0xFFFFFFFF;
    n.uiOutIfIndex = 0x12;
    const uint8_t dip[4] = {10, 0, 0, 0};
    std::memcpy(&n.uiDip[0], dip, 4);
    n.uiDip[1] = 0x99;  // not used
    n.uiMask = 0xFF000000;
    n.uiIsToNapt = 1;
    return n;
}

}  // namespace

TEST_F(RouteTest, NaptAddAndDeleteRecords)
{
    const HAL_L3_NAPT_IND_S n = napt();
    ASSERT_EQ(HAL_L3_AddNaptIndication(0x41, &n), 0u);
    ASSERT_EQ(HAL_L3_DelNaptIndication(0x41, &n), 0u);
    ASSERT_EQ(l3test::commandsOf(host), (std::vector<uint32_t>{0x2002d00a, 0x2002d00b}));
    // Address 10.0.0.0 as it lies; mask value 24 in the high half of word 36.
    expectWords(host.hlp[0], 44, {{0, 0x41}, {8, 1}, {12, 0x12}, {16, 1}, {20, 10}, {36, 24U << 16}, {40, 1}});
    expectWords(host.hlp[1], 44, {{0, 0x41}, {16, 1}, {20, 10}, {36, 24U << 16}});
    EXPECT_EQ(traceAt(host, 1512), "enter PDT_NAPT_AddNaptIndication!RuleId = 65, uiFamily = 0, uiRouteTblID = "
                                   "4294967295\nuiOutIfIndex = 18, uiDip[0] = 10 uiMask = 4278190080, uiIsToNapt = 1 \n");
    EXPECT_EQ(traceAt(host, 1546), "   \n table_id:0 l3_if_mode:1 l3_if_id:18 dip:10.0.0.0  mask:24  session:1\n");
    EXPECT_EQ(traceAt(host, 1588), "enter PDT_NAPT_DelNaptIndication!RuleId = 65, uiFamily = 0, uiRouteTblID = "
                                   "4294967295\nuiOutIfIndex = 18, uiDip[0] = 10 uiMask = 4278190080, uiIsToNapt = 1 \n");
    EXPECT_EQ(traceAt(host, 1606), "   PDT_NAPT_DelNaptIndication\n table_id:0 l3_if_mode:0 l3_if_id:0 dip:10.0.0.0  "
                                   "mask:24  session:0\n");

    // Routing table, outgoing interface and NAPT flag of the add.
    host.reset();
    HAL_L3_NAPT_IND_S m = napt();
    m.uiRouteTblID = 5;
    m.uiOutIfIndex = 0;
    m.uiIsToNapt = 2;
    ASSERT_EQ(HAL_L3_AddNaptIndication(1, &m), 0u);
    expectWords(host.hlp.at(0), 44, {{0, 1}, {4, 5}, {16, 1}, {20, 10}, {36, 24U << 16}});
}

TEST_F(RouteTest, NaptFailures)
{
    struct Case {
        uint32_t (*fn)(uint32_t, const HAL_L3_NAPT_IND_S *);
        uint32_t cmd, nullLine, familyLine;
        halsim::LastWordRec refused;
    };
    const Case cases[] = {
        {&HAL_L3_AddNaptIndication, 0x2002d00a, 1503, 1516, lw(1552, 0x66, 4, 4)},
        {&HAL_L3_DelNaptIndication, 0x2002d00b, 1579, 1591, lw(1611, 0x66, 4)},
    };
    for (const Case &c : cases) {
        host.reset();
        HAL_L3_NAPT_IND_S n = napt();
        n.uiFamily = 1;
        EXPECT_EQ(c.fn(4, &n), 1u);
        EXPECT_EQ(c.fn(4, nullptr), 0xF7300000u);
        EXPECT_THAT(host.hlp, IsEmpty());
        n.uiFamily = 0;
        host.answer(c.cmd, 0x66);
        EXPECT_EQ(c.fn(4, &n), 0x66u);
        EXPECT_THAT(host.lastWords, ElementsAre(lw(c.familyLine, 1, 1), lw(c.nullLine, 0xF7300000), c.refused));
    }
}
