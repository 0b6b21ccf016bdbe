// WAN statistics: the per-VLAN counter shared by WAN connections, the VLAN
// rules, the reply mapping, failures and the list's memory.
#include <numeric>

#include "l3_test_util.h"

constexpr uint32_t kAdd = 0x2002d004, kDel = 0x2002d005, kClr = 0x2002d006, kGet = 0x2002d007;

using WanTest = HalTest;

// Three WANs on the untagged VLAN share one counter, created with the first
// add and removed with the last delete, whatever the order; the list keeps
// VLAN 0 and the driver gets 4096. Every WAN deleted leaves no allocation. A
// read maps the twelve reply words it uses to the host record.
TEST_F(WanTest, ConnectionsOnOneVlanShareOneDriverCounter)
{
    uint32_t reply[24];  // word i, at offset 4i, holds 0x1000 + i
    std::iota(std::begin(reply), std::end(reply), 0x1000U);
    host.answer(kGet, 0, haltest::bytesOf(reply));
    HAL_L3_WAN_STATS_S out{};
    EXPECT_EQ(HAL_L3_AddWanStats(1, 0, 3), 0U);
    EXPECT_EQ(HAL_L3_AddWanStats(2, 0, 0), 0U);  // shares WAN 1's counter: nothing sent
    EXPECT_EQ(HAL_L3_AddWanStats(4, 0, 0), 0U);
    EXPECT_EQ(HAL_L3_AddWanStats(3, 200, 0), 0U);
    EXPECT_EQ(HAL_L3_AddWanStats(3, 300, 0), 0U);  // known WAN: nothing changes
    EXPECT_EQ(QX_IFM_WanStatsFind(1)->uiVlan, 0U);
    EXPECT_EQ(HAL_L3_ClearWanStats(2), 0U);  // clears the shared counter
    EXPECT_EQ(HAL_L3_GetWanStats(3, &out), 0U);
    for (uint32_t wan : {2U, 1U, 4U, 3U}) {
        EXPECT_EQ(HAL_L3_DelWanStats(wan), 0U);
    }
    EXPECT_THAT(host.liveAllocations, IsEmpty());
    EXPECT_EQ(HAL_L3_AddWanStats(1, 0, 0), 0U);  // a new counter
    EXPECT_EQ(HAL_L3_DelWanStats(1), 0U);
    std::vector<std::pair<uint32_t, uint32_t>> sent;  // (command, VLAN word)
    for (const auto &c : host.hlp) {
        EXPECT_TRUE(c.reqLen == 96 && c.replyLen == 96 && c.hasReply && c.word(0) == 1) << halsim::describe(c);
        sent.emplace_back(c.cmd, c.word(4));
    }
    EXPECT_EQ(sent, (std::vector<std::pair<uint32_t, uint32_t>>{{kAdd, 4096},
                                                                {kAdd, 200},
                                                                {kClr, 4096},
                                                                {kGet, 200},
                                                                {kDel, 4096},
                                                                {kDel, 200},
                                                                {kAdd, 4096},
                                                                {kDel, 4096}}));
    const uint32_t expected[12] = {0x1016, 0x1017, 0x100C, 0x100D, 0x100B, 0x1015,
                                   0x100F, 0x1005, 0x1011, 0x1007, 0x1013, 0x1009};
    EXPECT_EQ(haltest::bytesOf(out), haltest::bytesOf(expected));
    EXPECT_THAT(host.lastWords, IsEmpty());
    EXPECT_EQ(traceAt(host, 390) + traceAt(host, 398),
              "CHIP_KALO_AddWanStats !!(wanid=0x1) 0 3\r\n"
              "---------------(uiVlan=0, uiPri=3)!!-----------------\r\n");
    EXPECT_EQ(traceAt(host, 464) + traceAt(host, 565),
              "CHIP_KALO_DelWanStats ---------!!(vanid=0x0)\r\nCHIP_KALO_GetWanStats !!(uiVlan = 200)\r\n");
    EXPECT_EQ(traceAt(host, 600),
              "bytes rcv h=4108, l=4109, snd h=4118, l=4119, pkts all r=4107, s=4117, uc r=4101, s=4111, "
              "mc r=4103, s=4113, bc r=4105, s=4115.\r\n");
}

// VLAN 4096 and above: an add makes no entry; an entry made through the list
// functions is never sent to the driver and reads as zeros. Unknown WAN, no
// output record or short memory: 1. Driver refusals are answered unchanged
// and the WAN stays in the list.
TEST_F(WanTest, VlanLimitAndFailures)
{
    HAL_L3_WAN_STATS_S out;
    for (uint32_t vlan : {4096U, 5000U, 0xFFFFFFFFU}) {
        EXPECT_EQ(HAL_L3_AddWanStats(9, vlan, 0), 0U);
        EXPECT_EQ(HAL_L3_GetWanStats(9, &out), 1U);
    }
    ASSERT_NE(QX_IFM_WanStatsNew(5, 1, 4096), nullptr);
    std::memset(&out, 0xA5, sizeof(out));
    EXPECT_EQ(HAL_L3_ClearWanStats(5), 0U);
    EXPECT_EQ(HAL_L3_GetWanStats(5, &out), 0U);
    EXPECT_EQ(haltest::bytesOf(out), std::vector<uint8_t>(48, 0));
    EXPECT_EQ(HAL_L3_DelWanStats(5), 0U);
    EXPECT_EQ(HAL_L3_DelWanStats(4), 1U);
    EXPECT_EQ(HAL_L3_ClearWanStats(4), 1U);
    EXPECT_EQ(HAL_L3_GetWanStats(4, nullptr), 1U);
    host.failNext("QX_OS_MemMallocD", 1);
    EXPECT_EQ(HAL_L3_AddWanStats(4, 100, 0), 1U);
    EXPECT_THAT(host.hlp, IsEmpty());

    host.answer(kAdd, 0x51);
    host.answer(kDel, 0x52);
    host.answer(kClr, 0x53);
    host.answer(kGet, 0x54, std::vector<uint8_t>(96, 1));
    std::memset(&out, 0xA5, sizeof(out));
    EXPECT_EQ(HAL_L3_AddWanStats(1, 100, 0), 0x51U);
    EXPECT_NE(QX_IFM_WanStatsFind(1), nullptr);
    EXPECT_EQ(HAL_L3_AddWanStats(1, 100, 0), 0U);  // known: not sent again
    EXPECT_EQ(HAL_L3_DelWanStats(1), 0x52U);
    EXPECT_EQ(HAL_L3_ClearWanStats(1), 0x53U);
    EXPECT_EQ(HAL_L3_GetWanStats(1, &out), 0x54U);
    EXPECT_EQ(out.uiSndBytesHigh, 0xA5A5A5A5U) << "out written after a refused read";
    EXPECT_THAT(host.lastWords,
                ElementsAre(lw(403, 1, 9, 4096), lw(561, 1), lw(403, 1, 9, 5000), lw(561, 1), lw(403, 1, 9, 0xFFFFFFFF),
                            lw(561, 1), lw(461, 1), lw(513, 1), lw(554, 1), lw(417, 1, 4, 100), lw(55, 0x51, 100),
                            lw(430, 0x51), lw(55, 0x52, 100), lw(481, 0x52, 100), lw(55, 0x53, 100),
                            lw(524, 0x53, 100, 1), lw(55, 0x54, 100), lw(575, 0x54, 1, 100)));
    EXPECT_EQ(HAL_L3_DelWanStats(1), 0U);
    EXPECT_THAT(host.liveAllocations, IsEmpty());
}
