// Group, program user and EM multicast statistics: requests, reply copies,
// failure records and traces.
#include <functional>
#include <string>

#include "fixture.h"
#include "kalo_btv.h"
#include "kalo_btv_em.h"

using haltest::lastWord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Little-endian bytes of request words, independent of the library's records.
std::vector<uint8_t> words(std::initializer_list<uint32_t> ws)
{
    std::vector<uint8_t> out;
    for (uint32_t w : ws) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<uint8_t>(w >> (8 * i)));
        }
    }
    return out;
}

class BtvStatsTest : public haltest::HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        ASSERT_EQ(HAL_BTV_InitUser(), 0u);
        host.reset();
    }
    BtvStats group{7, 0xEEEE, 0xEEEE, 0xEEEE};
    BtvUserStats user{7, 0x21, 0xEEEE, 0xEEEE, 0xEEEE};
};

struct StatsOp {
    const char *name;
    std::function<uint32_t(BtvStats *, BtvUserStats *)> call;  // null records when asked
    uint32_t cmd;
    std::vector<uint8_t> req;
    uint32_t replyLen;
    uint32_t nullLine, entryLine, failTraceLine, failLine;
    std::string entryText, failText;
    std::vector<uint32_t> failValues;  // after the result
};

std::vector<StatsOp> statsOps()
{
    const std::string g = "   uiMCastGroupId = 7\n\n";
    const std::string u = "\r\n uiMCastGroupId = 7 usFlowID = 33";
    const std::string userSet = "\r\n send  QX_KER_HLP_CMD_BTVUSER_SET_STATS  fail, uiRet:0x5e";
    // One operation a row.
    // clang-format off
    return {
        {"AddBtvStats", [](BtvStats *s, BtvUserStats *) { return HAL_BTV_AddBtvStats(s); }, 0x20026005, words({7, 1}),
         0, 519, 525, 529, 530, "\r\nQX_MSC_AddBtvStats" + g,
         "\r\nQX_MSC_AddBtvStats send  QX_KER_HLP_CMD_BTV_SET_STATS  fail, uiRet:0x5e", {}},
        {"DelBtvStats", [](BtvStats *s, BtvUserStats *) { return HAL_BTV_DelBtvStats(s); }, 0x20026005, words({7, 0}),
         0, 558, 564, 568, 569, "\r\nQX_MSC_DelBtvStats" + g,
         "\r\nQX_MSC_DelBtvStats send  QX_KER_HLP_CMD_BTV_SET_STATS  fail, uiRet:0x5e", {}},
        {"ClearBtvStats", [](BtvStats *s, BtvUserStats *) { return HAL_BTV_ClearBtvStats(s); }, 0x20026006, words({7}),
         0, 597, 601, 605, 606, "\r\nQX_MSC_ClearBtvStats" + g,
         "\r\nQX_MSC_ClearBtvStats send  QX_KER_HLP_CMD_BTV_CLR_STATS  fail, uiRet:0x5e", {}},
        {"GetBtvStats", [](BtvStats *s, BtvUserStats *) { return HAL_BTV_GetBtvStats(s); }, 0x20026007, words({7}), 16,
         634, 638, 644, 645, "\r\nQX_MSC_GetBtvStats" + g,
         "\r\nQX_MSC_GetBtvStats send  QX_KER_HLP_CMD_BTV_GET_STATS  fail, uiRet:0x5e", {}},
        {"AddUserBtvStats", [](BtvStats *, BtvUserStats *s) { return HAL_BTV_AddUserBtvStats(s); }, 0x2002600b,
         words({7, 0x21, 1}), 0, 679, 687, 691, 692, u, userSet, {7, 0x21, 1}},
        {"DelUserBtvStats", [](BtvStats *, BtvUserStats *s) { return HAL_BTV_DelUserBtvStats(s); }, 0x2002600b,
         words({7, 0x21, 0}), 0, 719, 727, 731, 732, u, userSet, {7, 0x21, 0}},
        {"ClearUserBtvStats", [](BtvStats *, BtvUserStats *s) { return HAL_BTV_ClearUserBtvStats(s); }, 0x2002600c,
         words({7, 0x21}), 0, 759, 763, 770, 771, u,
         "\r\n send  QX_KER_HLP_CMD_BTVUSER_CLR_STATS  fail, uiRet:0x5e", {7, 0x21}},
        {"GetBtvUserStats", [](BtvStats *, BtvUserStats *s) { return HAL_BTV_GetBtvUserStats(s); }, 0x2002600d,
         words({7, 0x21}), 16, 799, 803, 810, 811, u, "\r\n send GET_STATS  fail, uiRet:0x5e", {7, 0x21}},
    };
    // clang-format on
}

}  // namespace

TEST_F(BtvStatsTest, EachOperationSendsItsRequestAndRecordsAFailure)
{
    for (const StatsOp &op : statsOps()) {
        SCOPED_TRACE(op.name);
        host.reset();
        EXPECT_EQ(op.call(&group, &user), 0u);
        ASSERT_EQ(host.hlp.size(), 1u);
        EXPECT_EQ(host.hlp[0].cmd, op.cmd);
        EXPECT_EQ(host.hlp[0].req, op.req);
        EXPECT_EQ(host.hlp[0].replyLen, op.replyLen);
        EXPECT_EQ(host.hlp[0].hasReply, op.replyLen != 0);
        ASSERT_FALSE(host.traces.empty());
        EXPECT_EQ(host.traces[0].module, 581u);
        EXPECT_EQ(host.traces[0].file, "kalo_btv");
        EXPECT_EQ(host.traces[0].line, op.entryLine);
        EXPECT_EQ(host.traces[0].text, op.entryText);

        host.reset();
        host.answer(op.cmd, 0x5e);
        const BtvStats groupBefore = group;
        const BtvUserStats userBefore = user;
        EXPECT_EQ(op.call(&group, &user), 0x5eu);
        ASSERT_EQ(host.traces.size(), 2u);
        EXPECT_EQ(host.traces[1].line, op.failTraceLine);
        EXPECT_EQ(host.traces[1].text, op.failText);
        std::vector<uint32_t> v = op.failValues;
        v.resize(4);
        EXPECT_THAT(host.lastWords, ElementsAre(lastWord("kalo_btv", op.failLine, 0x5e, v[0], v[1], v[2], v[3])));
        EXPECT_EQ(haltest::bytesOf(group), haltest::bytesOf(groupBefore)) << "a failed read writes nothing";
        EXPECT_EQ(haltest::bytesOf(user), haltest::bytesOf(userBefore));

        host.reset();
        EXPECT_EQ(op.call(nullptr, nullptr), 1u);
        EXPECT_THAT(host.hlp, IsEmpty());
        EXPECT_THAT(host.lastWords, ElementsAre(lastWord("kalo_btv", op.nullLine, 1)));
    }
}

TEST_F(BtvStatsTest, ReadsCopyFramesAndBothOctetWords)
{
    // frames 10, a word that is not read, octets low 1000, octets high 2
    const std::vector<uint8_t> reply = words({10, 0xDEAD, 1000, 2});
    host.answer(0x20026007, 0, reply);
    host.answer(0x2002600d, 0, reply);
    EXPECT_EQ(HAL_BTV_GetBtvStats(&group), 0u);
    EXPECT_EQ(HAL_BTV_GetBtvUserStats(&user), 0u);
    EXPECT_EQ(group.uiMCastGroupId, 7u);
    EXPECT_EQ(group.RcvFrame, 10u);
    EXPECT_EQ(group.RcvPktOcts_H, 2u);
    EXPECT_EQ(group.RcvPktOcts_L, 1000u);
    EXPECT_EQ(user.usFlowID, 0x21u);
    EXPECT_EQ(user.RcvFrame, 10u);
    EXPECT_EQ(user.RcvPktOcts_H, 2u);
    EXPECT_EQ(user.RcvPktOcts_L, 1000u);
    ASSERT_EQ(host.traces.size(), 4u);
    EXPECT_EQ(host.traces[1].line, 654u);
    EXPECT_EQ(host.traces[1].text,
              "\r\nQX_MSC_GetBtvStats  RcvFrame = 10   RcvPktOcts_H = 2  RcvPktOcts_L = 1000\n\n  ");
    EXPECT_EQ(host.traces[3].line, 820u);
    EXPECT_EQ(host.traces[3].text, "\r\n  RcvFrame = 10  RcvPktOcts_H = 2  RcvPktOcts_L = 1000");
}

// ---- EM statistics ----------------------------------------------------------

TEST_F(BtvStatsTest, EmRuleRequestLayout)
{
    struct Row {
        uint32_t sip;
        uint16_t vlan;
        uint32_t sipValid, vlanValid, vlanSent;
    };
    for (const Row &r : {Row{0xC0A80001, 100, 1, 1, 100}, Row{0, 100, 0, 1, 100}, Row{5, 4096, 1, 1, 4096},
                         Row{5, 4097, 1, 0, 0}, Row{5, 0xFFFF, 1, 0, 0}, Row{5, 0, 1, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << "sip " << r.sip << " vlan " << r.vlan);
        host.reset();
        const BtvEmRule rule{17, {}, 0xE0010203, r.sip, r.vlan, 0};
        EXPECT_EQ(HAL_BTV_SetEmStatsRule(1, &rule), 0u);
        ASSERT_EQ(host.hlp.size(), 1u);
        EXPECT_EQ(host.hlp[0].cmd, 0x20026008u);
        EXPECT_FALSE(host.hlp[0].hasReply);
        // words 0 to 24 of the 100-byte request
        EXPECT_EQ(host.hlp[0].req,
                  words({0, 0,          0, 0, 7, r.sipValid, 1, r.sip,      0,           0,          0, 0, 1,
                         1, 0xE0010203, 0, 0, 0, 0,          1, 0xFFFFFFFF, r.vlanValid, r.vlanSent, 0, 0}));
    }
}

TEST_F(BtvStatsTest, EmRuleActChoosesSetOrRemoveAndOnlySuccessIsTraced)
{
    const BtvEmRule rule{17, {}, 0xE0010203, 0x0A000001, 300, 0};
    struct Row {
        uint32_t act, cmd, driver;
    };
    for (const Row &r :
         {Row{1, 0x20026008, 0}, Row{2, 0x20026009, 0}, Row{0, 0x20026009, 0}, Row{1, 0x20026008, 0x71}}) {
        SCOPED_TRACE(testing::Message() << "act " << r.act << " driver " << r.driver);
        host.reset();
        host.answer(r.cmd, r.driver);
        EXPECT_EQ(HAL_BTV_SetEmStatsRule(r.act, &rule), r.driver);
        ASSERT_EQ(host.hlp.size(), 1u);
        EXPECT_EQ(host.hlp[0].cmd, r.cmd);
        EXPECT_THAT(host.lastWords, IsEmpty());
        ASSERT_EQ(host.traces.size(), r.driver == 0 ? 2u : 1u);
        EXPECT_EQ(host.traces[0].file, "kalo_btv_em");
        EXPECT_EQ(host.traces[0].line, 41u);
        EXPECT_EQ(host.traces[0].text, "\r\n SetEmStatsRule start: act: " + std::to_string(r.act) +
                                           ", pro: 17, dip:0xe0010203, sip:0xa000001, vlan:300\r\n");
        if (r.driver == 0) {
            EXPECT_EQ(host.traces[1].line, 81u);
            EXPECT_EQ(host.traces[1].text, "\r\nQX_MSC_BTV_SetEmStatsRule  end\r\n");
        }
    }
}

TEST_F(BtvStatsTest, EmReadSendsAZeroWordAndSwapsTheOctetWords)
{
    const BtvEmRule rule{6, {}, 0xE0000001, 0, 10, 0};
    BtvEmResult result{0xEEEE, 0xEEEE};
    host.answer(0x2002600a, 0, words({1, 2, 3000, 4, 5, 6, 7, 8}));
    EXPECT_EQ(HAL_BTV_GetEmStats(&rule, &result), 0u);
    ASSERT_EQ(host.hlp.size(), 1u);
    EXPECT_EQ(host.hlp[0].req, words({0}));
    EXPECT_EQ(host.hlp[0].replyLen, 32u);
    EXPECT_EQ(result.bytes_high, 4u);
    EXPECT_EQ(result.bytes_low, 3000u);
    ASSERT_EQ(host.traces.size(), 2u);
    EXPECT_EQ(host.traces[0].line, 107u);
    EXPECT_EQ(host.traces[0].text, "\r\n GetEmStats start : pro: 6, dip:0xe0000001, sip:0x0, vlan:10\r\n");
    EXPECT_EQ(host.traces[1].line, 121u);
    EXPECT_EQ(host.traces[1].text, "\r\n GetEmStats end : bytes_high:4, bytes_low: 3000\r\n");

    host.reset();
    host.answer(0x2002600a, 0x44, words({1, 2, 9, 9, 5, 6, 7, 8}));
    EXPECT_EQ(HAL_BTV_GetEmStats(&rule, &result), 0x44u);
    EXPECT_EQ(result.bytes_low, 3000u) << "a failed read writes nothing";
    EXPECT_EQ(host.traces.size(), 1u);
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(BtvStatsTest, EmOperationsWithoutARecordSendNothing)
{
    const BtvEmRule rule{};
    BtvEmResult result{};
    EXPECT_EQ(HAL_BTV_SetEmStatsRule(1, nullptr), 1u);
    EXPECT_EQ(HAL_BTV_GetEmStats(nullptr, &result), 1u);
    EXPECT_EQ(HAL_BTV_GetEmStats(&rule, nullptr), 1u);
    EXPECT_THAT(host.hlp, IsEmpty());
}
