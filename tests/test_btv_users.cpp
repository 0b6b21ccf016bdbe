// Program users: requests, per-group user and Wi-Fi user counting, the
// shared Wi-Fi driver entry, and group ids outside the count array.
#include <cstdio>
#include <string>

#include "fixture.h"
#include "kalo_btv.h"
#include "kalo_btv_rec.h"

using haltest::lastWord;
using haltest::recordOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kBtv[] = "kalo_btv";
constexpr uint32_t kAddUser = 0x20026000;
constexpr uint32_t kDelUser = 0x20026001;
constexpr uint32_t kNone = 0;

enum Op { kAdd, kDel };
enum Kind { kPlain, kWifi, kPlainUp, kWifiUp };

BtvProgramUser userOf(Kind kind, uint32_t group = 5, uint16_t flow = 0x1234)
{
    BtvProgramUser u{};
    u.usCtp = 3;
    u.usFlowId = flow;
    u.uiIsWifi = (kind == kWifi || kind == kWifiUp) ? 1 : 0;
    u.uiIsWifiUpMode = (kind == kPlainUp || kind == kWifiUp) ? 1 : 0;
    u.stProgram.uiMcastGroupID = group;
    u.stProgram.usOrigMvlan = 100;
    return u;
}

// One request of a sequence and what must follow from it.
struct Step {
    Op op;
    Kind kind;
    uint32_t driver;   // the driver's answer, if a command is sent
    uint32_t command;  // the command that must reach the driver, kNone for none
    uint32_t result;
    uint16_t users, wifiUsers;  // counts of the group afterwards
};

struct Sequence {
    const char *what;
    std::vector<Step> steps;
};

class BtvUserTest : public haltest::HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        ASSERT_EQ(HAL_BTV_InitUser(), 0u);
        host.reset();
    }
    const BtvUserNumEntry &group5() const { return g_pusBTV_USER_NUM[5]; }
};

}  // namespace

TEST_F(BtvUserTest, CountingSequences)
{
    const Sequence sequences[] = {
        {"three Wi-Fi users share one driver entry",
         {{kAdd, kWifi, 0, kAddUser, 0, 0, 1},
          {kAdd, kWifi, 0, kNone, 0, 0, 2},
          {kAdd, kWifi, 0, kNone, 0, 0, 3},
          {kDel, kWifi, 0, kNone, 0, 0, 2},
          {kDel, kWifi, 0, kNone, 0, 0, 1},
          {kDel, kWifi, 0, kDelUser, 0, 0, 0},
          {kDel, kWifi, 0, kNone, 0, 0, 0}}},
        {"plain users send every time and never count below 0",
         {{kAdd, kPlain, 0, kAddUser, 0, 1, 0},
          {kAdd, kPlain, 0, kAddUser, 0, 2, 0},
          {kDel, kPlain, 0, kDelUser, 0, 1, 0},
          {kDel, kPlain, 0, kDelUser, 0, 0, 0},
          {kDel, kPlain, 0, kDelUser, 0, 0, 0}}},
        {"Wi-Fi up mode users are only counted",
         {{kAdd, kWifiUp, 0, kNone, 0, 0, 1},
          {kAdd, kPlainUp, 0, kNone, 0, 1, 1},
          {kAdd, kWifi, 0, kNone, 0, 1, 2},
          {kDel, kPlainUp, 0, kNone, 0, 0, 2},
          {kDel, kWifiUp, 0, kNone, 0, 0, 1},
          {kDel, kWifiUp, 0, kNone, 0, 0, 0},
          {kDel, kPlainUp, 0, kNone, 0, 0, 0}}},
        {"a refused add is not counted, a refused removal is",
         {{kAdd, kWifi, 0x91, kAddUser, 0x91, 0, 0},
          {kAdd, kPlain, 0x92, kAddUser, 0x92, 0, 0},
          {kAdd, kWifi, 0, kAddUser, 0, 0, 1},
          {kAdd, kPlain, 0, kAddUser, 0, 1, 1},
          {kDel, kWifi, 0x93, kDelUser, 0, 1, 0},
          {kDel, kPlain, 0x94, kDelUser, 0, 0, 0}}},
    };
    for (const Sequence &s : sequences) {
        g_pusBTV_USER_NUM[5] = BtvUserNumEntry{};
        for (size_t i = 0; i < s.steps.size(); ++i) {
            const Step &st = s.steps[i];
            SCOPED_TRACE(testing::Message() << s.what << ", step " << i);
            host.reset();
            if (st.command != kNone) {
                host.answer(st.command, st.driver);
            }
            const BtvProgramUser u = userOf(st.kind);
            EXPECT_EQ(st.op == kAdd ? HAL_BTV_AddProgramUsr(&u) : HAL_BTV_DelProgramUsr(&u), st.result);
            if (st.command == kNone) {
                EXPECT_THAT(host.hlp, IsEmpty());
            } else {
                ASSERT_EQ(host.hlp.size(), 1u);
                EXPECT_EQ(host.hlp[0].cmd, st.command);
            }
            EXPECT_EQ(group5().usUserNum, st.users);
            EXPECT_EQ(group5().usWifiUserNum, st.wifiUsers);
            if (st.driver == 0) {
                EXPECT_THAT(host.lastWords, IsEmpty());
            } else if (st.op == kAdd) {
                EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 398, st.driver, 5, 0x1234)));
                EXPECT_EQ(host.traces.back().line, 397u);
            } else {
                EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 472, st.driver, 5, 0x1234)));
                char text[64];
                std::snprintf(text, sizeof(text), "\r\nQX_MSC_BTV_DelProgramUsr del user fail, uiRet:0x%x", st.driver);
                EXPECT_EQ(host.traces.back().text, text);
            }
        }
    }
}

TEST_F(BtvUserTest, RequestCarriesGroupAndWidenedFlowAndTheEntryIsTraced)
{
    const BtvProgramUser u = userOf(kPlain, 7, 0xFFFE);
    EXPECT_EQ(HAL_BTV_AddProgramUsr(&u), 0u);
    EXPECT_EQ(HAL_BTV_DelProgramUsr(&u), 0u);
    ASSERT_EQ(host.hlp.size(), 2u);
    for (const auto &call : host.hlp) {
        const auto req = recordOf<btv_user_req_s>(call);
        EXPECT_EQ(req.group_id, 7u);
        EXPECT_EQ(req.flow_id, 0xFFFEu);
        EXPECT_FALSE(call.hasReply);
    }
    ASSERT_EQ(host.traces.size(), 2u);
    EXPECT_EQ(host.traces[0].module, 581u);
    EXPECT_EQ(host.traces[0].line, 374u);
    EXPECT_EQ(host.traces[0].text,
              "ENTRANCE btv add user: uiMcastGroupID=7; usFlowId=65534; uiIsWifi=0 ; uiIsWifiUpMode= 0");
    EXPECT_EQ(host.traces[1].line, 461u);
    EXPECT_EQ(host.traces[1].text,
              "ENTRANCE btv del user: uiMcastGroupID=7; usFlowId=65534; uiIsWifi=0 ; uiIsWifiUpMode= 0");
}

TEST_F(BtvUserTest, EveryRemovalClearsTheReservedFields)
{
    struct Row {
        const char *what;
        Kind kind;
        uint16_t wifiUsers;
        uint32_t driver;
    };
    const Row rows[] = {
        {"shared Wi-Fi entry stays", kWifi, 3, 0}, {"Wi-Fi count already 0", kWifi, 0, 0},
        {"last Wi-Fi user", kWifi, 1, 0},          {"plain user", kPlain, 0, 0},
        {"refused removal", kPlain, 0, 0x55},      {"up mode", kWifiUp, 2, 0},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        g_pusBTV_USER_NUM[5] = BtvUserNumEntry{1, r.wifiUsers, 0xAAAA, 0xBBBB, 0xCCCCCCCC, 0xDDDDDDDD};
        host.answer(kDelUser, r.driver);
        const BtvProgramUser u = userOf(r.kind);
        EXPECT_EQ(HAL_BTV_DelProgramUsr(&u), 0u);
        EXPECT_EQ(group5().usRsv4 | group5().usRsv6 | group5().uiRsv8 | group5().uiRsv12, 0u);
    }
}

TEST_F(BtvUserTest, ProgramDeleteRestartsTheSharedWifiEntry)
{
    const BtvProgramUser wifi = userOf(kWifi);
    const BtvProgramUser plain = userOf(kPlain);
    for (const BtvProgramUser *u : {&wifi, &wifi, &plain, &plain}) {
        ASSERT_EQ(HAL_BTV_AddProgramUsr(u), 0u);
    }
    EXPECT_EQ(HAL_BTV_DelProgramTable(&wifi.stProgram), 0u);
    EXPECT_EQ(group5().usUserNum | group5().usWifiUserNum, 0);
    host.reset();
    EXPECT_EQ(HAL_BTV_AddProgramUsr(&wifi), 0u);
    ASSERT_EQ(host.hlp.size(), 1u);
    EXPECT_EQ(host.hlp[0].cmd, kAddUser) << "the first Wi-Fi user after a program delete is sent again";
}

TEST_F(BtvUserTest, GroupOutsideTheCountArrayIsRefusedAndNothingIsSent)
{
    std::memset(g_pusBTV_USER_NUM, 0x5a, HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry));
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t *>(g_pusBTV_USER_NUM),
                                      reinterpret_cast<uint8_t *>(g_pusBTV_USER_NUM + HAL_BTV_GROUP_NUM));
    for (const uint32_t group : {255u, 256u, 0x10000u, 0xFFFFFFFFu}) {
        for (const Kind kind : {kPlain, kWifi, kWifiUp}) {
            SCOPED_TRACE(testing::Message() << "group " << group << " kind " << kind);
            host.reset();
            const BtvProgramUser u = userOf(kind, group, 77);
            EXPECT_EQ(HAL_BTV_AddProgramUsr(&u), 0xF7300001u);
            EXPECT_EQ(HAL_BTV_DelProgramUsr(&u), 0xF7300001u);
            EXPECT_THAT(host.hlp, IsEmpty());
            EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 374, 0xF7300001, group, 77),
                                                    lastWord(kBtv, 461, 0xF7300001, group, 77)));
        }
    }
    EXPECT_EQ(std::memcmp(before.data(), g_pusBTV_USER_NUM, before.size()), 0);

    // The last entry is still a group of its own.
    const BtvProgramUser last = userOf(kPlain, 254);
    EXPECT_EQ(HAL_BTV_AddProgramUsr(&last), 0u);
    EXPECT_EQ(g_pusBTV_USER_NUM[254].usUserNum, 0x5a5b);
}

TEST_F(BtvUserTest, MissingRecordOrCountArrayIsRefusedWithoutACommand)
{
    EXPECT_EQ(HAL_BTV_AddProgramUsr(nullptr), 0xF7300000u);
    EXPECT_EQ(HAL_BTV_DelProgramUsr(nullptr), 0xF7300000u);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 368, 0xF7300000), lastWord(kBtv, 442, 0xF7300000)));

    haltest::resetLibrary();  // no count array: exported functions called directly
    host.reset();
    const BtvProgramUser u = userOf(kPlain);
    EXPECT_EQ(CHIP_KALO_AddProgramUsr(&u), 1u);
    EXPECT_EQ(CHIP_KALO_DelProgramUsr(&u), 1u);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, IsEmpty());
}
