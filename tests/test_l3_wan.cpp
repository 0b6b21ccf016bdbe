// WAN statistics: the per-VLAN counter shared by WAN connections, the VLAN
// rules, the reply mapping, driver refusals and the list's memory.
#include <map>
#include <random>
#include <set>

#include "l3_test_util.h"

using haltest::HalTest;
using l3test::commandsOf;
using l3test::lw;
using l3test::traceAt;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint32_t kAdd = 0x2002d004, kDel = 0x2002d005, kClr = 0x2002d006, kGet = 0x2002d007;

using WanTest = HalTest;

// The VLAN word of every request sent, in order.
std::vector<uint32_t> sentVlans(const halsim::Host &host)
{
    std::vector<uint32_t> v;
    for (const auto &c : host.hlp) {
        EXPECT_EQ(c.reqLen, 96u);
        EXPECT_EQ(c.replyLen, 96u);
        EXPECT_EQ(c.word(0), 1u) << "port type";
        v.push_back(c.word(4));
    }
    return v;
}

}  // namespace

TEST_F(WanTest, ConnectionsOnOneVlanShareOneDriverCounter)
{
    EXPECT_EQ(HAL_L3_AddWanStats(1, 100, 0), 0u);
    EXPECT_EQ(HAL_L3_AddWanStats(2, 100, 0), 0u);  // conflicts with WAN 1: nothing sent
    EXPECT_EQ(HAL_L3_AddWanStats(3, 200, 0), 0u);
    EXPECT_EQ(HAL_L3_ClearWanStats(2), 0u);        // clears the shared counter
    EXPECT_EQ(HAL_L3_DelWanStats(1), 0u);          // WAN 2 still counts on VLAN 100
    EXPECT_EQ(HAL_L3_DelWanStats(2), 0u);
    EXPECT_EQ(HAL_L3_DelWanStats(3), 0u);
    EXPECT_THAT(commandsOf(host), ElementsAre(kAdd, kAdd, kClr, kDel, kDel));
    EXPECT_THAT(sentVlans(host), ElementsAre(100u, 200u, 100u, 100u, 200u));
    EXPECT_THAT(host.lastWords, IsEmpty());
    EXPECT_THAT(host.liveAllocations, IsEmpty());
}

TEST_F(WanTest, UntaggedWanIsStoredAsZeroAndSentAs4096)
{
    HAL_L3_WAN_STATS_S out{};
    ASSERT_EQ(HAL_L3_AddWanStats(7, 0, 3), 0u);
    EXPECT_EQ(QX_IFM_WanStatsFind(7)->uiVlan, 0u);
    EXPECT_EQ(HAL_L3_ClearWanStats(7), 0u);
    EXPECT_EQ(HAL_L3_GetWanStats(7, &out), 0u);
    EXPECT_EQ(HAL_L3_DelWanStats(7), 0u);
    EXPECT_THAT(commandsOf(host), ElementsAre(kAdd, kClr, kGet, kDel));
    EXPECT_THAT(sentVlans(host), ElementsAre(4096u, 4096u, 4096u, 4096u));
    EXPECT_EQ(traceAt(host, 390), "CHIP_KALO_AddWanStats !!(wanid=0x7) 0 3\r\n");
    EXPECT_EQ(traceAt(host, 398), "---------------(uiVlan=0, uiPri=3)!!-----------------\r\n");
    EXPECT_EQ(traceAt(host, 338), "QX_IFM_WanStatsNew !!new~~~~~~~~~\n\n");
    EXPECT_EQ(traceAt(host, 272), "QX_IFM_WanStatsFind !!find~~~~~~~~~\n\n");
    EXPECT_EQ(traceAt(host, 464), "CHIP_KALO_DelWanStats ---------!!(vanid=0x0)\r\n");
}

TEST_F(WanTest, VlanOfRange4096MakesNoEntryOnAdd)
{
    for (uint32_t vlan : {4096u, 5000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(vlan);
        host.reset();
        EXPECT_EQ(HAL_L3_AddWanStats(9, vlan, 0), 0u);
        EXPECT_THAT(host.lastWords, ElementsAre(lw(403, 1, 9, vlan)));
        HAL_L3_WAN_STATS_S out{};
        EXPECT_EQ(HAL_L3_GetWanStats(9, &out), 1u);
        EXPECT_THAT(host.hlp, IsEmpty());
        EXPECT_THAT(host.liveAllocations, IsEmpty());
    }
}

// An entry of VLAN 4096 or more can only come from the list functions: no
// operation on it reaches the driver, and a read gives zeros.
TEST_F(WanTest, EntryOfVlanOutOfRangeIsNeverSentToTheDriver)
{
    ASSERT_NE(QX_IFM_WanStatsNew(5, 1, 4096), nullptr);
    HAL_L3_WAN_STATS_S out;
    std::memset(&out, 0xA5, sizeof(out));
    EXPECT_EQ(HAL_L3_ClearWanStats(5), 0u);
    EXPECT_EQ(HAL_L3_GetWanStats(5, &out), 0u);
    EXPECT_EQ(haltest::bytesOf(out), std::vector<uint8_t>(48, 0));
    EXPECT_EQ(HAL_L3_DelWanStats(5), 0u);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_EQ(QX_IFM_WanStatsFind(5), nullptr);
    EXPECT_THAT(host.liveAllocations, IsEmpty());
}

TEST_F(WanTest, ReadMapsTheTwelveReplyWordsToTheHostRecord)
{
    // Reply word at offset o holds 0x1000 + o; the words not read hold junk.
    std::vector<uint8_t> reply(96);
    for (uint32_t o = 0; o < 96; o += 4) {
        const uint32_t v = 0x1000 + o;
        std::memcpy(&reply[o], &v, 4);
    }
    host.answer(kGet, 0, reply);
    ASSERT_EQ(HAL_L3_AddWanStats(1, 10, 0), 0u);
    HAL_L3_WAN_STATS_S out{};
    ASSERT_EQ(HAL_L3_GetWanStats(1, &out), 0u);
    const uint32_t expected[12] = {0x1058, 0x105C, 0x1030, 0x1034, 0x102C, 0x1054,
                                   0x103C, 0x1014, 0x1044, 0x101C, 0x104C, 0x1024};
    EXPECT_EQ(haltest::bytesOf(out), haltest::bytesOf(expected));
    EXPECT_TRUE(host.hlp.back().hasReply);
    EXPECT_EQ(traceAt(host, 600),
              "bytes rcv h=4144, l=4148, snd h=4184, l=4188, pkts all r=4140, s=4180, uc r=4116, s=4156, "
              "mc r=4124, s=4164, bc r=4132, s=4172.\r\n");
    EXPECT_EQ(traceAt(host, 565), "CHIP_KALO_GetWanStats !!(uiVlan = 10)\r\n");
}

TEST_F(WanTest, DriverRefusalsKeepTheEntry)
{
    host.answer(kAdd, 0x51);
    EXPECT_EQ(HAL_L3_AddWanStats(1, 100, 0), 0x51u);
    EXPECT_EQ(HAL_L3_AddWanStats(1, 100, 0), 0u);  // known: not sent again

    host.answer(kDel, 0x52);
    EXPECT_EQ(HAL_L3_DelWanStats(1), 0x52u);
    host.answer(kClr, 0x53);
    EXPECT_EQ(HAL_L3_ClearWanStats(1), 0x53u);
    HAL_L3_WAN_STATS_S out;
    std::memset(&out, 0xA5, sizeof(out));
    host.answer(kGet, 0x54, std::vector<uint8_t>(96, 1));
    EXPECT_EQ(HAL_L3_GetWanStats(1, &out), 0x54u);
    EXPECT_EQ(out.uiSndBytesHigh, 0xA5A5A5A5u) << "out written after a refused read";
    EXPECT_THAT(host.lastWords, ElementsAre(lw(55, 0x51, 100), lw(430, 0x51), lw(55, 0x52, 100), lw(481, 0x52, 100),
                                            lw(55, 0x53, 100), lw(524, 0x53, 100, 1), lw(55, 0x54, 100),
                                            lw(575, 0x54, 1, 100)));
    EXPECT_NE(QX_IFM_WanStatsFind(1), nullptr);
    EXPECT_EQ(HAL_L3_DelWanStats(1), 0u);
    EXPECT_THAT(host.liveAllocations, IsEmpty());
}

TEST_F(WanTest, UnknownWanNullOutputAndShortMemoryAnswerOne)
{
    HAL_L3_WAN_STATS_S out{};
    EXPECT_EQ(HAL_L3_DelWanStats(4), 1u);
    EXPECT_EQ(HAL_L3_ClearWanStats(4), 1u);
    EXPECT_EQ(HAL_L3_GetWanStats(4, &out), 1u);
    EXPECT_EQ(HAL_L3_GetWanStats(4, nullptr), 1u);
    host.failNext("QX_OS_MemMallocD", 1);
    EXPECT_EQ(HAL_L3_AddWanStats(4, 100, 0), 1u);
    EXPECT_THAT(host.lastWords,
                ElementsAre(lw(461, 1), lw(513, 1), lw(561, 1), lw(554, 1), lw(417, 1, 4, 100)));
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_EQ(QX_IFM_WanStatsFind(4), nullptr);
}

TEST_F(WanTest, ListIsCircularThroughTheHeadInInsertionOrder)
{
    QX_IFM_WAN_STATS_S *head = QX_IFM_WanStatsGet();
    ASSERT_EQ(head->next, head);
    QX_IFM_WAN_STATS_S *a = QX_IFM_WanStatsNew(1, 1, 10);
    QX_IFM_WAN_STATS_S *b = QX_IFM_WanStatsNew(2, 1, 20);
    QX_IFM_WAN_STATS_S *c = QX_IFM_WanStatsNew(3, 1, 10);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(host.liveAllocations.at(a), sizeof(QX_IFM_WAN_STATS_S));
    EXPECT_TRUE(head->next == a && a->next == b && b->next == c && c->next == head);
    EXPECT_TRUE(head->prev == c && c->prev == b && b->prev == a && a->prev == head);
    EXPECT_EQ(QX_IFM_WanStatsFindConflict(a), c);
    EXPECT_EQ(QX_IFM_WanStatsFindConflict(c), a);
    EXPECT_EQ(QX_IFM_WanStatsFindConflict(b), nullptr);
    QX_IFM_WanStatsFree(b);
    EXPECT_TRUE(a->next == c && c->prev == a);
    QX_IFM_WanStatsFree(head);  // the head is not an entry: ignored
    QX_IFM_WanStatsFree(nullptr);
    EXPECT_EQ(host.badFrees, 0u);
    uint32_t type = 0;
    EXPECT_EQ(QX_IFM_GetWanPortType(0xDEAD, &type), 0u);
    EXPECT_EQ(type, 1u);
}

// Any sequence of adds and deletes ending with every WAN deleted leaves no
// node allocated, and at every step the driver holds exactly one counter
// per VLAN that has a WAN.
TEST_F(WanTest, RandomAddsAndDeletesLeakNothingAndKeepOneCounterPerVlan)
{
    std::minstd_rand rng0(4242);
    auto rng = [&rng0] { return static_cast<uint32_t>(rng0()); };
    std::set<std::pair<uint32_t, uint32_t>> counters;  // (port type, VLAN as sent)
    host.driver = [&](const halsim::HlpCall &c, void *, uint32_t) -> uint32_t {
        const auto key = std::make_pair(c.word(0), c.word(4));
        if (c.cmd == kAdd) {
            EXPECT_TRUE(counters.insert(key).second) << "counter created twice for VLAN " << key.second;
        } else if (c.cmd == kDel) {
            EXPECT_EQ(counters.erase(key), 1u) << "counter removed without being created, VLAN " << key.second;
        }
        return 0;
    };
    std::map<uint32_t, uint32_t> wans;  // wan id -> VLAN
    const uint32_t vlans[] = {0, 1, 2, 4095, 4096};
    for (int step = 0; step < 400; ++step) {
        const uint32_t wan = rng() % 12;
        if (rng() % 2 == 0) {
            const uint32_t vlan = vlans[rng() % 5];
            ASSERT_EQ(HAL_L3_AddWanStats(wan, vlan, 0), 0u);
            if (vlan < 4096) {
                wans.emplace(wan, vlan);
            }
        } else {
            ASSERT_EQ(HAL_L3_DelWanStats(wan), wans.erase(wan) == 1 ? 0u : 1u);
        }
        std::set<std::pair<uint32_t, uint32_t>> expected;
        for (const auto &[id, vlan] : wans) {
            expected.insert({1, vlan == 0 ? 4096 : vlan});
        }
        ASSERT_EQ(counters, expected) << "after step " << step;
        ASSERT_EQ(host.liveAllocations.size(), wans.size());
    }
    for (const auto &[id, vlan] : std::map<uint32_t, uint32_t>(wans)) {
        ASSERT_EQ(HAL_L3_DelWanStats(id), 0u);
    }
    EXPECT_THAT(counters, IsEmpty());
    EXPECT_THAT(host.liveAllocations, IsEmpty());
    EXPECT_EQ(host.badFrees, 0u);
}
