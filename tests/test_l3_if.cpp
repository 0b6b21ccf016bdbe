// L3 interfaces, MTU, prefixes and the mask length: the records the driver
// gets, the IP version code table, and every failure path.
#include "l3_test_util.h"

namespace {

using L3IfTest = HalTest;

// MAC 00:11:22:33:44:55, attribute 0xA32, second priority 5, mark priority 6,
// attributes 0xA76 and 0xA88.
HAL_L3_IF_S intf(uint32_t kind, uint32_t vlan = 100, uint32_t ipVersion = 0, uint32_t v4State = 1, uint32_t v6State = 2,
                 uint32_t v4Sel = 0, uint32_t v6Sel = 1, uint32_t priMode = 3, uint32_t pri = 1)
{
    return {kind,   0,     ipVersion, 0,     {0x00, 0x11, 0x22, 0x33, 0x44, 0x55},
            {},     vlan,  0,         0xA32, priMode,
            pri,    5,     6,         {},    0xA76,
            {},     0xA88, v4Sel,     v6Sel, v4State,
            v6State};
}

}  // namespace

TEST_F(L3IfTest, InterfaceRecordByKind)
{
    struct Case {
        const char *name;
        uint32_t kind, vlan, skipRoute;  // skipRoute: what the feature query answers
        std::map<size_t, uint32_t> words;
    };
    const Case cases[] = {
        {"VLAN interface",
         1,
         100,
         0,
         {{4, 1},
          {16, 1},
          {44, 100},
          {48, 1},
          {72, 100},
          {76, 2},
          {80, 0xA32},
          {84, 6},
          {88, 6},
          {92, 5},
          {96, 0xA76},
          {100, 0xA88}}},
        {"VLAN interface untagged",
         1,
         0,
         0,
         {{4, 1}, {16, 1}, {76, 2}, {80, 0xA32}, {84, 6}, {88, 6}, {92, 5}, {96, 0xA76}, {100, 0xA88}}},
        {"plain, skip-route off", 0, 100, 0, {{4, 1}, {8, 1}, {16, 2}}},
        {"plain, skip-route on", 0, 100, 1, {{8, 1}, {16, 2}}},
        {"plain, query answers 2", 0, 100, 2, {{4, 1}, {8, 1}, {16, 2}}},
        {"other kind", 2, 100, 1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host.reset();
        host.features["TARN_FT_IPv4FWD_SKIPROUTE"] = c.skipRoute;
        const HAL_L3_IF_S in = intf(c.kind, c.vlan);
        ASSERT_EQ(HAL_L3_SynL3IFAdd(9, &in), 0U);
        // Index and IP version code always; MAC (two little-endian words at
        // 28) and attribute for kinds 0 and 1.
        std::map<size_t, uint32_t> words = c.words;
        words.insert({{0, 9}, {24, 4}});
        if (c.kind < 2) {
            words.insert({{28, 0x33221100}, {32, 0x5544}, {52, 0xA32}});
        }
        expectReq(host.hlp.at(0), 0x2002d000, 104, words);
        EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "QX_Feature_IsSupportByFeatureName"), 1);
    }
}

// Fields of a kind-1 record derived from the host's: the IP version code of
// the first matching row, else of the IP version alone (traced and recorded);
// a family flag set when its state is 1 and its NAPT selector 0; the priority.
TEST_F(L3IfTest, IpVersionCodeNaptFlagsAndPriority)
{
    // IP version, IPv4 and IPv6 state, IPv4 and IPv6 NAPT selector, priority
    // mode and value -> IP version code, IPv4 and IPv6 flag, priority mode
    // code, priority, second priority (mark 6, second 5), table missed.
    const uint32_t cases[][14] = {
        {0, 1, 2, 0, 0, 1, 4, /**/ 4, 1, 0, 2, 4, 0, 0}, {1, 1, 2, 1, 0, 1, 0, /**/ 7, 0, 0, 0, 0, 0, 0},
        {0, 2, 1, 0, 0, 2, 4, /**/ 5, 0, 1, 8, 6, 0, 0}, {1, 2, 1, 0, 1, 3, 4, /**/ 8, 0, 0, 6, 6, 5, 0},
        {0, 1, 1, 0, 0, 0, 4, /**/ 6, 1, 1, 0, 0, 0, 0}, {1, 1, 1, 1, 1, 4, 4, /**/ 9, 0, 0, 0, 0, 0, 0},
        {0, 2, 2, 0, 0, 3, 1, /**/ 6, 0, 0, 6, 6, 5, 1}, {1, 2, 2, 0, 0, 3, 1, /**/ 9, 0, 0, 6, 6, 5, 1},
        {0, 0, 0, 0, 0, 3, 1, /**/ 6, 0, 0, 6, 6, 5, 1}, {1, 1, 3, 0, 0, 3, 1, /**/ 9, 1, 0, 6, 6, 5, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        host.reset();
        const HAL_L3_IF_S in = intf(1, 100, c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
        ASSERT_EQ(HAL_L3_SynL3IFAdd(4, &in), 0U);
        const chip_l3_if_s r = haltest::recordOf<chip_l3_if_s>(host.hlp.at(0));
        EXPECT_EQ(std::vector({r.ip_ver_code, r.ipv4_flag, r.ipv6_flag, r.pri_mode, r.pri, r.second_pri}),
                  std::vector<uint32_t>(c + 7, c + 13));
        EXPECT_EQ(traceAt(host, 666), c[13] != 0 ? "IFM  IP VERSION ADAPT FAIL  \n" : "");
        EXPECT_EQ(host.lastWords,
                  c[13] != 0 ? std::vector{lw(667, 1, c[1], c[2], c[0])} : std::vector<halsim::LastWordRec>{});
    }
}

TEST_F(L3IfTest, MtuDeleteAndFailures)
{
    EXPECT_EQ(HAL_L3_SynL3IFSetMtu(0xAB, 1492), 0U);
    EXPECT_EQ(HAL_L3_SynL3IFDel(0xAB), 0U);
    expectReq(host.hlp.at(0), 0x2002d00c, 8, {{0, 0xAB}, {4, 1492}});
    expectReq(host.hlp.at(1), 0x2002d001, 4, {{0, 0xAB}});
    EXPECT_EQ(traceAt(host, 1093), "pdt l3 set mtu inf = 0xab, mtu = 1492.\r\n");
    EXPECT_EQ(traceAt(host, 959), "pdt l3 del msc inf = 0xab\n");
    // IP version 2 (even for kind 0), a refused MAC copy, no record: nothing sent.
    HAL_L3_IF_S in = intf(0, 100, 2);
    EXPECT_EQ(HAL_L3_SynL3IFAdd(7, &in), 1U);
    for (uint32_t kind : {0U, 1U}) {
        host.failNext("memcpy_s", 9);
        in = intf(kind);
        EXPECT_EQ(HAL_L3_SynL3IFAdd(7, &in), 9U);
    }
    EXPECT_EQ(HAL_L3_SynL3IFAdd(7, nullptr), 1U);
    EXPECT_EQ(PDT_IFM_L3IFAdd(7, nullptr), 1U);
    EXPECT_EQ(host.hlp.size(), 2U);
    // Driver refusals are answered unchanged.
    host.answer(0x2002d000, 0x77);
    host.answer(0x2002d00c, 0x61);
    host.answer(0x2002d001, 0x62);
    EXPECT_EQ(HAL_L3_SynL3IFAdd(7, &in), 0x77U);
    EXPECT_EQ(HAL_L3_SynL3IFSetMtu(0xAB, 70000), 0x61U);
    EXPECT_EQ(HAL_L3_SynL3IFDel(0xAB), 0x62U);
    EXPECT_THAT(host.lastWords,
                ElementsAre(lw(646, 1, 1, 2, 2), lw(928, 1), lw(1001, 1), lw(688, 9), lw(928, 9), lw(1001, 9),
                            lw(699, 9), lw(928, 9), lw(1001, 9), lw(994, 1, 7), lw(919, 1, 7), lw(935, 0x77, 7),
                            lw(1001, 0x77), lw(1098, 0x61, 0xAB, 70000), lw(964, 0x62, 0xAB), lw(1049, 0x62)));
}

// Address words go byte-reversed (IPv4: the first only); the mask value is
// 0 for length 0, else the host bits, kept to 16 bits. The SIP-CHECK trace
// is printed whatever the driver answers; an unknown IP version or no record
// sends and traces nothing.
TEST_F(L3IfTest, Prefixes)
{
    // IP version, length -> mask value
    const uint32_t cases[][3] = {{0, 24, 8}, {0, 0, 0}, {0, 33, 0xFFFF}, {1, 64, 64}, {1, 0, 0}};
    for (const auto &[ipVersion, len, mask] : cases) {
        const HAL_L3_PREFIX_S p{3, {}, ipVersion, {0xC0A80101, 0x01020304, 0x05060708, 0xAABBCCDD}, len};
        ASSERT_EQ(HAL_L3_SynPrefixAdd(0x21, &p), 0U);
        const bool v6 = ipVersion == 1;
        expectReq(host.hlp.at(host.hlp.size() - 1), 0x2002d008, 28,
                  {{0, 0x21},
                   {4, v6 ? 2U : 1U},
                   {8, 0x0101A8C0},
                   {12, v6 ? 0x04030201 : 0},
                   {16, v6 ? 0x08070605 : 0},
                   {20, v6 ? 0xDDCCBBAA : 0},
                   {24, mask << 16}});
    }
    host.reset();
    HAL_L3_PREFIX_S p{200, {}, 0, {0xC0A80101}, 24};
    host.answer(0x2002d009, 0x44);
    EXPECT_EQ(HAL_L3_SynPrefixDel(5, &p), 0x44U);
    EXPECT_EQ(HAL_L3_SynPrefixAdd(5, &p), 0U);
    EXPECT_EQ(traceAt(host, 1227),
              "\r\n[SIP-CHECK ID 200] add ip_ver 1, 0101a8c0:00000000:00000000:00000000/8, on 5, result 68.\r\n");
    EXPECT_EQ(traceAt(host, 1187),
              "\r\n[SIP-CHECK ID 200] add ip_ver 1, 0101a8c0:00000000:00000000:00000000/8, on 5, result 0.\r\n");
    p.uiIpVersion = 2;
    EXPECT_EQ(HAL_L3_SynPrefixAdd(5, &p), 1U);
    EXPECT_EQ(HAL_L3_SynPrefixDel(5, &p), 1U);
    EXPECT_EQ(HAL_L3_SynPrefixAdd(5, nullptr), 1U);
    EXPECT_EQ(HAL_L3_SynPrefixDel(5, nullptr), 1U);
    EXPECT_EQ(host.hlp.size(), 2U);
    EXPECT_EQ(host.traces.size(), 2U);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1224, 0x44, 5), lw(1176, 1, 5, 2), lw(1216, 1, 5, 2)));
}

TEST(L3MaskLen, LowestSetBitCountsHostBits)
{
    for (const auto &[mask, want] :
         {std::pair{0xFFFFFF00U, 8U}, {0xFFFFFFFFU, 0U}, {0U, 32U}, {0x80000000U, 31U}, {0x00000100U, 8U}}) {
        EXPECT_EQ(PDT_ROUTE_GetMaskLen(mask), want) << std::hex << mask;
    }
}
