// L3 interfaces, MTU, prefixes and the mask length: the records the driver
// gets, the IP version code table, and every failure path.
#include "l3_test_util.h"

using haltest::HalTest;
using haltest::recordOf;
using l3test::expectWords;
using l3test::lw;
using l3test::traceAt;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint32_t kIfAdd = 0x2002d000;

using L3IfTest = HalTest;

HAL_L3_IF_S vlanInterface()
{
    HAL_L3_IF_S in{};
    in.uiKind = HAL_L3_IF_KIND_VLAN;
    in.uiIpVersion = 0;
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::memcpy(in.aucMac, mac, 6);
    in.uiVlanId = 100;
    in.uiIfAttr = 0xA32;
    in.uiPriMode = 3;
    in.uiPri = 1;
    in.uiSecondPri = 5;
    in.uiMarkPri = 6;
    in.uiIfAttr76 = 0xA76;
    in.uiIfAttr88 = 0xA88;
    in.uiIpv4NaptSel = 0;
    in.uiIpv6NaptSel = 1;
    in.uiIpv4State = 1;
    in.uiIpv6State = 2;
    return in;
}

// Sends the interface and reads back the one record the driver got.
chip_l3_if_s sent(const halsim::Host &host, uint32_t ifIndex, const HAL_L3_IF_S &in)
{
    EXPECT_EQ(HAL_L3_SynL3IFAdd(ifIndex, &in), 0u);
    EXPECT_EQ(host.hlp.size(), 1u);
    return host.hlp.size() == 1 ? recordOf<chip_l3_if_s>(host.hlp[0]) : chip_l3_if_s{};
}

}  // namespace

TEST_F(L3IfTest, InterfaceRecordByKind)
{
    // MAC 00:11:22:33:44:55 at offset 28, read as two little-endian words.
    constexpr uint32_t kMac0 = 0x33221100, kMac1 = 0x5544;
    struct Case {
        const char *name;
        uint32_t kind, vlan, skipRoute;
        std::map<size_t, uint32_t> words;
    };
    const Case cases[] = {
        {"VLAN interface", 1, 100, 0,
         {{0, 9}, {4, 1}, {16, 1}, {24, 4}, {28, kMac0}, {32, kMac1}, {44, 100}, {48, 1}, {52, 0xA32}, {72, 100},
          {76, 2}, {80, 0xA32}, {84, 6}, {88, 6}, {92, 5}, {96, 0xA76}, {100, 0xA88}}},
        {"VLAN interface untagged", 1, 0, 0,
         {{0, 9}, {4, 1}, {16, 1}, {24, 4}, {28, kMac0}, {32, kMac1}, {52, 0xA32}, {76, 2}, {80, 0xA32}, {84, 6},
          {88, 6}, {92, 5}, {96, 0xA76}, {100, 0xA88}}},
        {"plain, skip-route off", 0, 100, 0, {{0, 9}, {4, 1}, {8, 1}, {16, 2}, {24, 4}, {28, kMac0}, {32, kMac1}, {52, 0xA32}}},
        {"plain, skip-route on", 0, 100, 1, {{0, 9}, {8, 1}, {16, 2}, {24, 4}, {28, kMac0}, {32, kMac1}, {52, 0xA32}}},
        {"plain, query answers 2", 0, 100, 2, {{0, 9}, {4, 1}, {8, 1}, {16, 2}, {24, 4}, {28, kMac0}, {32, kMac1}, {52, 0xA32}}},
        {"other kind", 2, 100, 1, {{0, 9}, {24, 4}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host.reset();
        host.features["TARN_FT_IPv4FWD_SKIPROUTE"] = c.skipRoute;
        HAL_L3_IF_S in = vlanInterface();
        in.uiKind = c.kind;
        in.uiVlanId = c.vlan;
        ASSERT_EQ(HAL_L3_SynL3IFAdd(9, &in), 0u);
        ASSERT_EQ(host.hlp.size(), 1u);
        EXPECT_EQ(host.hlp[0].cmd, kIfAdd);
        EXPECT_FALSE(host.hlp[0].hasReply);
        expectWords(host.hlp[0], 104, c.words);
        EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "QX_Feature_IsSupportByFeatureName"), 1);
        EXPECT_THAT(host.lastWords, IsEmpty());
    }
}

TEST_F(L3IfTest, IpVersionCodeTableAndItsMiss)
{
    struct Case {
        uint32_t v4State, v6State, ipVersion, code;
        bool miss;
    };
    const Case cases[] = {
        {1, 2, 0, 4, false}, {1, 2, 1, 7, false}, {2, 1, 0, 5, false}, {2, 1, 1, 8, false},
        {1, 1, 0, 6, false}, {1, 1, 1, 9, false}, {2, 2, 0, 6, true},  {2, 2, 1, 9, true},
        {0, 0, 0, 6, true},  {1, 3, 1, 9, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.v4State << "/" << c.v6State << " v" << c.ipVersion);
        host.reset();
        HAL_L3_IF_S in = vlanInterface();
        in.uiIpv4State = c.v4State;
        in.uiIpv6State = c.v6State;
        in.uiIpVersion = c.ipVersion;
        EXPECT_EQ(sent(host, 4, in).ip_ver_code, c.code);
        if (c.miss) {
            EXPECT_EQ(traceAt(host, 666), "IFM  IP VERSION ADAPT FAIL  \n");
            EXPECT_THAT(host.lastWords, ElementsAre(lw(667, 1, c.v4State, c.v6State, c.ipVersion)));
        } else {
            EXPECT_THAT(host.traces, IsEmpty());
            EXPECT_THAT(host.lastWords, IsEmpty());
        }
    }
}

TEST_F(L3IfTest, PriorityModesAndNaptFlags)
{
    struct Case {
        uint32_t mode, pri;
        uint32_t wantMode, wantPri, wantSecond;
    };
    const Case cases[] = {
        {1, 4, 2, 4, 0}, {1, 0, 0, 0, 0}, {2, 4, 8, 6, 0}, {3, 4, 6, 6, 5}, {0, 4, 0, 0, 0}, {4, 4, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " pri " << c.pri);
        host.reset();
        HAL_L3_IF_S in = vlanInterface();
        in.uiPriMode = c.mode;
        in.uiPri = c.pri;
        const chip_l3_if_s rec = sent(host, 5, in);
        EXPECT_EQ(rec.pri_mode, c.wantMode);
        EXPECT_EQ(rec.pri, c.wantPri);
        EXPECT_EQ(rec.second_pri, c.wantSecond);
    }
    // A family is forwarded when its state is 1 and its NAPT selector 0.
    for (uint32_t state : {1u, 2u}) {
        for (uint32_t sel : {0u, 1u}) {
            host.reset();
            HAL_L3_IF_S in = vlanInterface();
            in.uiIpv4State = in.uiIpv6State = state;
            in.uiIpv4NaptSel = in.uiIpv6NaptSel = sel;
            const chip_l3_if_s rec = sent(host, 6, in);
            const uint32_t want = state == 1 && sel == 0 ? 1 : 0;
            EXPECT_EQ(rec.ipv4_flag, want) << "state " << state << " sel " << sel;
            EXPECT_EQ(rec.ipv6_flag, want) << "state " << state << " sel " << sel;
        }
    }
}

TEST_F(L3IfTest, InterfaceAddFailures)
{
    HAL_L3_IF_S in = vlanInterface();
    in.uiIpVersion = 2;
    in.uiKind = 0;
    EXPECT_EQ(HAL_L3_SynL3IFAdd(7, &in), 1u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(646, 1, 1, 2, 2), lw(928, 1), lw(1001, 1)));

    for (uint32_t kind : {0u, 1u}) {
        host.reset();
        host.failNext("memcpy_s", 9);
        in = vlanInterface();
        in.uiKind = kind;
        EXPECT_EQ(HAL_L3_SynL3IFAdd(7, &in), 9u);
        EXPECT_THAT(host.lastWords, ElementsAre(lw(kind == 0 ? 688 : 699, 9), lw(928, 9), lw(1001, 9)));
        EXPECT_THAT(host.hlp, IsEmpty());
    }

    host.reset();
    EXPECT_EQ(HAL_L3_SynL3IFAdd(7, nullptr), 1u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(994, 1, 7)));
    EXPECT_EQ(PDT_IFM_L3IFAdd(7, nullptr), 1u);
    EXPECT_EQ(host.lastWords.back(), lw(919, 1, 7));

    host.reset();
    host.answer(kIfAdd, 0x77);
    in = vlanInterface();
    EXPECT_EQ(HAL_L3_SynL3IFAdd(7, &in), 0x77u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(935, 0x77, 7), lw(1001, 0x77)));
}

TEST_F(L3IfTest, MtuAndDeleteRequests)
{
    EXPECT_EQ(HAL_L3_SynL3IFSetMtu(0xAB, 1492), 0u);
    EXPECT_EQ(HAL_L3_SynL3IFDel(0xAB), 0u);
    ASSERT_EQ(l3test::commandsOf(host), (std::vector<uint32_t>{0x2002d00c, 0x2002d001}));
    expectWords(host.hlp[0], 8, {{0, 0xAB}, {4, 1492}});
    expectWords(host.hlp[1], 4, {{0, 0xAB}});
    EXPECT_EQ(traceAt(host, 1093), "pdt l3 set mtu inf = 0xab, mtu = 1492.\r\n");
    EXPECT_EQ(traceAt(host, 959), "pdt l3 del msc inf = 0xab\n");

    host.reset();
    host.answer(0x2002d00c, 0x61);
    host.answer(0x2002d001, 0x62);
    EXPECT_EQ(HAL_L3_SynL3IFSetMtu(0xAB, 70000), 0x61u);
    EXPECT_EQ(HAL_L3_SynL3IFDel(0xAB), 0x62u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1098, 0x61, 0xAB, 70000), lw(964, 0x62, 0xAB), lw(1049, 0x62)));
}

TEST_F(L3IfTest, PrefixAddressWordsAreByteReversedAndMaskCountsHostBits)
{
    struct Case {
        uint32_t ipVersion, len;
        uint32_t wantVer;
        uint16_t wantMask;
        uint32_t wantWords[4];
    };
    const Case cases[] = {
        {0, 24, 1, 8, {0x0101A8C0, 0, 0, 0}},  // words 2 to 4 of an IPv4 prefix are ignored
        {0, 0, 1, 0, {0x0101A8C0, 0, 0, 0}},
        {0, 32, 1, 0, {0x0101A8C0, 0, 0, 0}},
        {0, 33, 1, 0xFFFF, {0x0101A8C0, 0, 0, 0}},
        {1, 64, 2, 64, {0x0101A8C0, 0x04030201, 0x08070605, 0xDDCCBBAA}},
        {1, 0, 2, 0, {0x0101A8C0, 0x04030201, 0x08070605, 0xDDCCBBAA}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "v" << c.ipVersion << " /" << c.len);
        host.reset();
        HAL_L3_PREFIX_S p{};
        p.ucEntryId = 3;
        p.uiIpVersion = c.ipVersion;
        p.auiAddr[0] = 0xC0A80101;
        p.auiAddr[1] = 0x01020304;
        p.auiAddr[2] = 0x05060708;
        p.auiAddr[3] = 0xAABBCCDD;
        p.uiPrefixLen = c.len;
        ASSERT_EQ(HAL_L3_SynPrefixAdd(0x21, &p), 0u);
        ASSERT_EQ(host.hlp.size(), 1u);
        EXPECT_EQ(host.hlp[0].cmd, 0x2002d008u);
        // The u16 mask value sits in the high half of the word at 24.
        expectWords(host.hlp[0], 28,
                    {{0, 0x21}, {4, c.wantVer}, {8, c.wantWords[0]}, {12, c.wantWords[1]}, {16, c.wantWords[2]},
                     {20, c.wantWords[3]}, {24, static_cast<uint32_t>(c.wantMask) << 16}});
    }
}

TEST_F(L3IfTest, PrefixTraceIsPrintedWhateverTheDriverSays)
{
    HAL_L3_PREFIX_S p{};
    p.ucEntryId = 200;
    p.auiAddr[0] = 0xC0A80101;
    p.uiPrefixLen = 24;
    host.answer(0x2002d009, 0x44);
    EXPECT_EQ(HAL_L3_SynPrefixDel(5, &p), 0x44u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1224, 0x44, 5)));
    EXPECT_EQ(traceAt(host, 1227),
              "\r\n[SIP-CHECK ID 200] add ip_ver 1, 0101a8c0:00000000:00000000:00000000/8, on 5, result 68.\r\n");
    EXPECT_EQ(HAL_L3_SynPrefixAdd(5, &p), 0u);
    EXPECT_EQ(traceAt(host, 1187),
              "\r\n[SIP-CHECK ID 200] add ip_ver 1, 0101a8c0:00000000:00000000:00000000/8, on 5, result 0.\r\n");

    // Unknown IP version or no record: nothing sent, nothing traced.
    host.reset();
    p.uiIpVersion = 2;
    EXPECT_EQ(HAL_L3_SynPrefixAdd(5, &p), 1u);
    EXPECT_EQ(HAL_L3_SynPrefixDel(5, &p), 1u);
    EXPECT_EQ(HAL_L3_SynPrefixAdd(5, nullptr), 1u);
    EXPECT_EQ(HAL_L3_SynPrefixDel(5, nullptr), 1u);
    EXPECT_THAT(host.lastWords, ElementsAre(lw(1176, 1, 5, 2), lw(1216, 1, 5, 2)));
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.traces, IsEmpty());
}

TEST(L3MaskLen, LowestSetBitCountsHostBits)
{
    const std::pair<uint32_t, uint32_t> cases[] = {
        {0xFFFFFF00, 8}, {0xFFFFFFFF, 0}, {0, 32}, {0x80000000, 31}, {0xFFFF0000, 16}, {0x00000100, 8},
    };
    for (const auto &[mask, want] : cases) {
        EXPECT_EQ(PDT_ROUTE_GetMaskLen(mask), want) << std::hex << mask;
    }
}
