// Multicast TV: forwarding mode, the program table, program users with their
// per-group user and Wi-Fi user counts, and group, user and EM statistics.
#include <algorithm>
#include <string>

#include "chip/kalo/kalo_btv.h"
#include "fixture.h"

using haltest::bytesOf;
using haltest::lastWord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kBtv[] = "kalo_btv", kBtvEm[] = "kalo_btv_em";
constexpr uint32_t kAddUser = 0x20026000, kDelUser = 0x20026001, kAdd = 0x20026002, kDel = 0x20026003, kNone = 0;
using Sent = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;  // command and request bytes

// Little-endian bytes of request and reply words.
std::vector<uint8_t> words(const std::vector<uint32_t> &ws)
{
    std::vector<uint8_t> out;
    for (uint32_t w : ws) {
        out.insert(out.end(), {uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)});
    }
    return out;
}

MATCHER_P3(IsTrace, file, line, text, "")
{
    return arg.module == 581 && arg.file == file && arg.line == line && arg.text == text;
}

class BtvTest : public haltest::HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        ASSERT_EQ(HAL_BTV_InitUser(), 0U);
        host.reset();
    }
    Sent sent() const
    {
        Sent out;
        for (const auto &c : host.hlp) {
            out.emplace_back(c.cmd, c.req);
        }
        return out;
    }
};

BtvProgram program(uint32_t group, uint16_t vlan) { return {group, 0, vlan, {}, 200, {0x01, 0x00, 0x5e, 1, 2, 0xab}}; }

enum Kind : uint32_t { kPlain, kWifi, kPlainUp, kWifiUp };  // bit 0: Wi-Fi user, bit 1: Wi-Fi up mode

BtvProgramUser userOf(Kind k, uint32_t group = 5) { return {3, 0xFFFE, k & 1U, k >> 1, {}, program(group, 100)}; }

}  // namespace

TEST_F(BtvTest, ForwardingModeMapsToTheMatchModeOrIsRefused)
{
    constexpr uint32_t kRefused = 0xF7300001;
    constexpr uint32_t kNothing = ~0U;
    // forwarding mode, driver's answer, result, match mode sent
    const uint32_t rows[][4] = {
        {0, 0, 0, 1},      {1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, kRefused, kNothing}, {~0U, 0, kRefused, kNothing},
        {1, 0x2d, 0x2d, 0}};
    for (const auto &[mode, driver, result, match] : rows) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " driver " << driver);
        host.reset();
        host.answer(0x20026004, driver);
        EXPECT_EQ(HAL_BTV_SetMultiForwardMode(mode), result);
        EXPECT_EQ(sent(), (match == kNothing ? Sent{} : Sent{{0x20026004, words({match})}}));
        EXPECT_THAT(host.traces[0], IsTrace(kBtv, 103U, "ENTRANCE: BtvFlowForwardMode=" + std::to_string(mode) + "\n"));
        EXPECT_EQ(host.lastWords.size(), result == 0 ? 0U : 1U);
        if (result != 0) {
            EXPECT_EQ(host.lastWords[0], driver ? lastWord(kBtv, 118, driver) : lastWord(kBtv, 108, kRefused, mode));
        }
    }
    EXPECT_THAT(host.traces.back(), IsTrace(kBtv, 117U, "\r\n send QX_KER_HLP_CMD_BTV_MATCH_MODE fail, uiRet:0x2d"));
}

TEST_F(BtvTest, UntaggedProgramRequestAndAFailedMacCopy)
{
    const BtvProgram untagged = program(5, 0);  // a tagged one is sent by the retry case
    EXPECT_EQ(HAL_BTV_AddProgramTable(&untagged), 0U);
    EXPECT_EQ(sent(), (Sent{{kAdd, {5, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0x5e, 1, 2, 0xab, 0, 0}}}));
    host.reset();
    host.failNext("memcpy_s", 0x13);
    EXPECT_EQ(HAL_BTV_AddProgramTable(&untagged), 0U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 221, 0x13, 5)));
    EXPECT_EQ(host.hlp.size(), 1U) << "a failed MAC copy still sends the program";
}

// A refused add deletes the program (resetting its counts, whatever the
// driver answers to the delete), adds it once more and answers 0.
TEST_F(BtvTest, RefusedAddIsRetriedOnceAfterADelete)
{
    const BtvProgram p = program(9, 100);
    const auto add = words({9, 0, 100, 0x015e0001, 0xab02});
    const std::string fields = " program: uiMcastGroupID=9; usOrigMvlan=100; usReplMvlan=200; mac=01:00:5e:01:02:ab\n";
    const std::pair<uint32_t, uint32_t> rows[] = {{0, 0}, {0, 0x88}, {0x66, 0x88}};  // delete, second add
    for (const auto &[del, second] : rows) {
        SCOPED_TRACE(testing::Message() << "delete " << del << " second add " << second);
        host.reset();
        g_pusBTV_USER_NUM[9] = BtvUserNumEntry{3, 4, 5, 6, 7, 8};
        host.answer(kAdd, 0x77);
        host.answer(kDel, del);
        host.answer(kAdd, second);
        EXPECT_EQ(HAL_BTV_AddProgramTable(&p), 0U);
        EXPECT_EQ(sent(), (Sent{{kAdd, add}, {kDel, words({9})}, {kAdd, add}}));
        EXPECT_EQ(bytesOf(g_pusBTV_USER_NUM[9]), bytesOf(BtvUserNumEntry{0, 0, 5, 6, 7, 8})) << "only counts reset";
        std::vector<halsim::LastWordRec> records{lastWord(kBtv, 228, 0x77, 9, 0, 100)};
        std::vector<::testing::Matcher<const halsim::TraceRec &>> traces{
            IsTrace(kBtv, 209U, "ENTRANCE btv add" + fields), IsTrace(kBtv, 227U, "\r\n add program fail, uiRet:0x77"),
            IsTrace(kBtv, 159U, "ENTRANCE btv del" + fields)};
        if (del != 0) {
            records.push_back(lastWord(kBtv, 168, 0x66, 9));
            traces.push_back(IsTrace(kBtv, 167U, "\r\n del program fail, uiRet:0x66"));
        }
        if (second != 0) {
            records.push_back(lastWord(kBtv, 235, 0x88, 9, 0, 100));
            traces.push_back(IsTrace(kBtv, 234U, "\r\n add program fail again, uiRet:0x88"));
        }
        EXPECT_EQ(host.lastWords, records);
        EXPECT_THAT(host.traces, ::testing::ElementsAreArray(traces));
    }
}

TEST_F(BtvTest, UserCountingSequences)
{
    constexpr uint32_t kOk = 0;
    constexpr uint32_t kRefuse = 0x91;
    constexpr bool kIn = true;
    constexpr bool kOut = false;  // a user is added to or removed from the program
    struct Step {
        bool add;
        Kind kind;
        uint32_t driver, command;   // the driver's answer; the command it must get, or kNone
        uint16_t users, wifiUsers;  // counts of group 5 afterwards
    };
    // clang-format off
    const std::pair<const char *, std::vector<Step>> sequences[] = {
        {"Wi-Fi users share one driver entry; a refused add is not counted, a refused removal is",
         {{kIn, kWifi, kRefuse, kAddUser, 0, 0}, {kIn, kWifi, kOk, kAddUser, 0, 1}, {kIn, kWifi, kOk, kNone, 0, 2},
          {kIn, kWifi, kOk, kNone, 0, 3}, {kOut, kWifi, kOk, kNone, 0, 2}, {kOut, kWifi, kOk, kNone, 0, 1},
          {kOut, kWifi, kRefuse, kDelUser, 0, 0}, {kOut, kWifi, kOk, kNone, 0, 0}}},
        {"plain users send every time and never count below 0",
         {{kIn, kPlain, kRefuse, kAddUser, 0, 0}, {kIn, kPlain, kOk, kAddUser, 1, 0},
          {kIn, kPlain, kOk, kAddUser, 2, 0}, {kOut, kPlain, kOk, kDelUser, 1, 0},
          {kOut, kPlain, kRefuse, kDelUser, 0, 0}, {kOut, kPlain, kOk, kDelUser, 0, 0}}},
        {"Wi-Fi up mode users are only counted",
         {{kIn, kWifiUp, kOk, kNone, 0, 1}, {kIn, kPlainUp, kOk, kNone, 1, 1}, {kIn, kWifi, kOk, kNone, 1, 2},
          {kOut, kPlainUp, kOk, kNone, 0, 2}, {kOut, kWifiUp, kOk, kNone, 0, 1}, {kOut, kWifiUp, kOk, kNone, 0, 0}}},
    };
    // clang-format on
    BtvUserNumEntry &e = g_pusBTV_USER_NUM[5];
    for (const auto &[what, steps] : sequences) {
        e = BtvUserNumEntry{};
        for (const Step &st : steps) {
            SCOPED_TRACE(testing::Message() << what << ", step " << &st - steps.data());
            host.reset();
            host.answer(st.command, st.driver);
            e = BtvUserNumEntry{e.usUserNum, e.usWifiUserNum, 1, 1, 1, 1};
            const BtvProgramUser u = userOf(st.kind);
            EXPECT_EQ(st.add ? HAL_BTV_AddProgramUsr(&u) : HAL_BTV_DelProgramUsr(&u), st.add ? st.driver : 0U);
            EXPECT_THAT(host.traces[0],
                        IsTrace(kBtv, st.add ? 374U : 461U,
                                std::string("ENTRANCE btv ") + (st.add ? "add" : "del") +
                                    " user: uiMcastGroupID=5; usFlowId=65534; uiIsWifi=" + std::to_string(u.uiIsWifi) +
                                    " ; uiIsWifiUpMode= " + std::to_string(u.uiIsWifiUpMode)));
            // Hosts file traces by their format: it names the operation itself.
            EXPECT_EQ(host.traces[0].fmt,
                      std::string("ENTRANCE btv ") + (st.add ? "add" : "del") +
                          " user: uiMcastGroupID=%u; usFlowId=%u; uiIsWifi=%u ; uiIsWifiUpMode= %u");
            EXPECT_EQ(sent(), (st.command == kNone ? Sent{} : Sent{{st.command, words({5, 0xFFFE})}}));
            EXPECT_EQ(std::make_pair(e.usUserNum, e.usWifiUserNum), std::make_pair(st.users, st.wifiUsers));
            EXPECT_EQ(e.usRsv4 + e.usRsv6 + e.uiRsv8 + e.uiRsv12, st.add ? 4U : 0U) << "cleared by every removal";
            const uint32_t failLine = st.add ? 397 : 471;  // failure trace; the record follows it
            const std::string failText =
                st.add ? "\r\n add user fail, uiRet:0x91" : "\r\nQX_MSC_BTV_DelProgramUsr del user fail, uiRet:0x91";
            EXPECT_EQ(host.lastWords.size(), st.driver == kOk ? 0U : 1U);
            if (st.driver != kOk) {
                EXPECT_THAT(host.traces.back(), IsTrace(kBtv, failLine, failText));
                EXPECT_EQ(host.lastWords[0], lastWord(kBtv, failLine + 1, kRefuse, 5, 0xFFFE));
            }
        }
    }
}

// The count array has entries for groups 0 to 254: a program of a larger
// group is still sent and deleted, a user of one is refused.
TEST_F(BtvTest, GroupOutsideTheCountArrayNeverTouchesIt)
{
    std::memset(g_pusBTV_USER_NUM, 0x5a, HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry));  // any write shows
    for (const uint32_t group : {255U, 256U, 0x10000U, 0xFFFFFFFFU}) {
        for (const Kind kind : {kPlain, kWifi, kWifiUp}) {
            SCOPED_TRACE(testing::Message() << "group " << group << " kind " << kind);
            host.reset();
            const BtvProgramUser u = userOf(kind, group);
            EXPECT_EQ(HAL_BTV_AddProgramUsr(&u), 0xF7300001U);
            EXPECT_EQ(HAL_BTV_DelProgramUsr(&u), 0xF7300001U);
            EXPECT_EQ(HAL_BTV_DelProgramTable(&u.stProgram), 0U);
            EXPECT_EQ(sent(), (Sent{{kDel, words({group})}})) << "only the program delete is sent";
            EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 374, 0xF7300001, group, 0xFFFE),
                                                    lastWord(kBtv, 461, 0xF7300001, group, 0xFFFE)));
        }
    }
    const auto *bytes = reinterpret_cast<const uint8_t *>(g_pusBTV_USER_NUM);
    EXPECT_TRUE(std::all_of(bytes, bytes + 4080, [](uint8_t b) { return b == 0x5a; }));
    const BtvProgramUser last = userOf(kPlain, 254);
    EXPECT_EQ(HAL_BTV_AddProgramUsr(&last), 0U);
    EXPECT_EQ(g_pusBTV_USER_NUM[254].usUserNum, 0x5a5b) << "the last entry is a group of its own";
}

TEST_F(BtvTest, MissingProgramOrUserRecordSendsNothing)
{
    EXPECT_EQ(HAL_BTV_AddProgramTable(nullptr), 0xF7300000U);
    EXPECT_EQ(HAL_BTV_DelProgramTable(nullptr), 0xF7300000U);
    EXPECT_EQ(HAL_BTV_AddProgramUsr(nullptr), 0xF7300000U);
    EXPECT_EQ(HAL_BTV_DelProgramUsr(nullptr), 0xF7300000U);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 204, 0xF7300000), lastWord(kBtv, 154, 0xF7300000),
                                            lastWord(kBtv, 368, 0xF7300000), lastWord(kBtv, 442, 0xF7300000)));
}

#define GROUP(fn) false, [](BtvStats *s, BtvUserStats *) { return fn(s); }
#define USER(fn) true, [](BtvStats *, BtvUserStats *s) { return fn(s); }

TEST_F(BtvTest, EachStatisticsOperationSendsItsRequestAndRecordsAFailure)
{
    struct Op {
        bool user;  // a user operation records its request words on a failure
        uint32_t (*call)(BtvStats *, BtvUserStats *);
        uint32_t cmd;
        std::vector<uint32_t> req;
        uint32_t replyLen, nullLine, entryLine, failLine;  // the last word follows the failure trace line
        std::string entryText, failText;
    };
    const std::string grp = "   uiMCastGroupId = 7\n\n";
    const std::string usr = "\r\n uiMCastGroupId = 7 usFlowID = 33";
    const std::string set = " send  QX_KER_HLP_CMD_BTV_SET_STATS  fail, uiRet:0x5e";
    const std::string userSet = "\r\n send  QX_KER_HLP_CMD_BTVUSER_SET_STATS  fail, uiRet:0x5e";
    // clang-format off
    const Op ops[] = {
        {GROUP(HAL_BTV_AddBtvStats), 0x20026005, {7, 1}, 0, 519, 525, 529, "\r\nQX_MSC_AddBtvStats" + grp,
         "\r\nQX_MSC_AddBtvStats" + set},
        {GROUP(HAL_BTV_DelBtvStats), 0x20026005, {7, 0}, 0, 558, 564, 568, "\r\nQX_MSC_DelBtvStats" + grp,
         "\r\nQX_MSC_DelBtvStats" + set},
        {GROUP(HAL_BTV_ClearBtvStats), 0x20026006, {7}, 0, 597, 601, 605, "\r\nQX_MSC_ClearBtvStats" + grp,
         "\r\nQX_MSC_ClearBtvStats send  QX_KER_HLP_CMD_BTV_CLR_STATS  fail, uiRet:0x5e"},
        {GROUP(HAL_BTV_GetBtvStats), 0x20026007, {7}, 16, 634, 638, 644, "\r\nQX_MSC_GetBtvStats" + grp,
         "\r\nQX_MSC_GetBtvStats send  QX_KER_HLP_CMD_BTV_GET_STATS  fail, uiRet:0x5e"},
        {USER(HAL_BTV_AddUserBtvStats), 0x2002600b, {7, 0x21, 1}, 0, 679, 687, 691, usr, userSet},
        {USER(HAL_BTV_DelUserBtvStats), 0x2002600b, {7, 0x21, 0}, 0, 719, 727, 731, usr, userSet},
        {USER(HAL_BTV_ClearUserBtvStats), 0x2002600c, {7, 0x21}, 0, 759, 763, 770, usr,
         "\r\n send  QX_KER_HLP_CMD_BTVUSER_CLR_STATS  fail, uiRet:0x5e"},
        {USER(HAL_BTV_GetBtvUserStats), 0x2002600d, {7, 0x21}, 16, 799, 803, 810, usr,
         "\r\n send GET_STATS  fail, uiRet:0x5e"},
    };
    // clang-format on
    for (const Op &op : ops) {
        SCOPED_TRACE(op.entryLine);
        BtvStats group{7, 0xEEEE, 0xEEEE, 0xEEEE};
        BtvUserStats user{7, 0x21, 0xEEEE, 0xEEEE, 0xEEEE};
        host.reset();
        host.answer(op.cmd, 0x5e);
        EXPECT_EQ(op.call(&group, &user), 0x5eU);
        EXPECT_EQ(sent(), (Sent{{op.cmd, words(op.req)}}));
        EXPECT_EQ(host.hlp.at(0).replyLen, op.replyLen);
        EXPECT_THAT(host.traces,
                    ElementsAre(IsTrace(kBtv, op.entryLine, op.entryText), IsTrace(kBtv, op.failLine, op.failText)));
        std::vector<uint32_t> v = op.user ? op.req : std::vector<uint32_t>{};
        v.resize(4);
        EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, op.failLine + 1, 0x5e, v[0], v[1], v[2], v[3])));
        EXPECT_EQ(group.RcvFrame & user.RcvFrame, 0xEEEEU) << "a failed read writes nothing";
        host.reset();
        EXPECT_EQ(op.call(nullptr, nullptr), 1U);
        EXPECT_THAT(host.hlp, IsEmpty());
        EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, op.nullLine, 1)));
    }
}

TEST_F(BtvTest, StatisticsReadsCopyFramesAndBothOctetWords)
{
    BtvStats group{7, 0, 0, 0};
    BtvUserStats user{7, 0x21, 0, 0, 0};
    host.answer(0x20026007, 0, words({10, 0xDEAD, 1000, 2}));  // frames, not read, octets low, octets high
    host.answer(0x2002600d, 0, words({10, 0xDEAD, 1000, 2}));
    EXPECT_EQ(HAL_BTV_GetBtvStats(&group), 0U);
    EXPECT_EQ(HAL_BTV_GetBtvUserStats(&user), 0U);
    EXPECT_EQ(bytesOf(group), words({7, 10, 2, 1000}));
    EXPECT_EQ(bytesOf(user), words({7, 0x21, 10, 2, 1000}));
    EXPECT_THAT(
        host.traces[1],
        IsTrace(kBtv, 654U, "\r\nQX_MSC_GetBtvStats  RcvFrame = 10   RcvPktOcts_H = 2  RcvPktOcts_L = 1000\n\n  "));
    EXPECT_THAT(host.traces[3], IsTrace(kBtv, 820U, "\r\n  RcvFrame = 10  RcvPktOcts_H = 2  RcvPktOcts_L = 1000"));
}

TEST_F(BtvTest, EmRuleRequestLayoutAndAct)
{
    // act, driver's answer, sip, vlan; then the words sent at +20 (sip valid), +84 (vlan valid) and +88 (vlan)
    const uint32_t rows[][7] = {{1, 0, 0xC0A80001, 100, 1, 1, 100}, {1, 0, 0, 100, 0, 1, 100},
                                {2, 0, 5, 4096, 1, 1, 4096},        {0, 0, 5, 4097, 1, 0, 0},
                                {1, 0x71, 5, 0xFFFF, 1, 0, 0},      {1, 0, 5, 0, 1, 1, 0}};
    for (const auto &[act, driver, sip, vlan, sipValid, vlanValid, vlanSent] : rows) {
        SCOPED_TRACE(testing::Message() << "act " << act << " sip " << sip << " vlan " << vlan);
        host.reset();
        const uint32_t cmd = act == 1 ? 0x20026008 : 0x20026009;
        host.answer(cmd, driver);
        const BtvEmRule rule{17, {}, 0xE0010203, sip, static_cast<uint16_t>(vlan), 0};
        EXPECT_EQ(HAL_BTV_SetEmStatsRule(act, &rule), driver);
        EXPECT_EQ(sent(),
                  (Sent{{cmd, words({0, 0,          0, 0, 7, sipValid, 1, sip,        0,         0,        0, 0, 1,
                                     1, 0xE0010203, 0, 0, 0, 0,        1, 0xFFFFFFFF, vlanValid, vlanSent, 0, 0})}}));
        EXPECT_THAT(host.lastWords, IsEmpty());
        EXPECT_EQ(host.traces.size(), driver == 0 ? 2U : 1U) << "only a success traces its end";
    }
    EXPECT_THAT(host.traces, ElementsAre(IsTrace(kBtvEm, 41U,
                                                 "\r\n SetEmStatsRule start: act: 1, pro: 17, dip:0xe0010203, "
                                                 "sip:0x5, vlan:0\r\n"),
                                         IsTrace(kBtvEm, 81U, "\r\nQX_MSC_BTV_SetEmStatsRule  end\r\n")));
}

TEST_F(BtvTest, EmReadSendsAZeroWordAndSwapsTheOctetWords)
{
    const BtvEmRule rule{6, {}, 0xE0000001, 0, 10, 0};
    BtvEmResult result{0xEEEE, 0xEEEE};
    host.answer(0x2002600a, 0x44, words({1, 2, 9, 9, 5, 6, 7, 8}));
    host.answer(0x2002600a, 0, words({1, 2, 3000, 4, 5, 6, 7, 8}));
    EXPECT_EQ(HAL_BTV_GetEmStats(&rule, &result), 0x44U);
    EXPECT_EQ(result.bytes_low, 0xEEEEU) << "a failed read writes nothing";
    EXPECT_EQ(HAL_BTV_GetEmStats(&rule, &result), 0U);
    EXPECT_EQ(bytesOf(result), words({4, 3000}));
    EXPECT_EQ(sent(), (Sent{{0x2002600a, words({0})}, {0x2002600a, words({0})}}));
    EXPECT_EQ(host.hlp[1].replyLen, 32U);
    const auto start = IsTrace(kBtvEm, 107U, "\r\n GetEmStats start : pro: 6, dip:0xe0000001, sip:0x0, vlan:10\r\n");
    const auto end = IsTrace(kBtvEm, 121U, "\r\n GetEmStats end : bytes_high:4, bytes_low: 3000\r\n");
    EXPECT_THAT(host.traces, ElementsAre(start, start, end)) << "a failure is neither traced nor recorded";
    EXPECT_THAT(host.lastWords, IsEmpty());
    host.reset();  // the EM operations do not take a missing record
    EXPECT_EQ(HAL_BTV_SetEmStatsRule(1, nullptr), 1U);
    EXPECT_EQ(HAL_BTV_GetEmStats(nullptr, &result), 1U);
    EXPECT_EQ(HAL_BTV_GetEmStats(&rule, nullptr), 1U);
    EXPECT_THAT(host.hlp, IsEmpty());
}
