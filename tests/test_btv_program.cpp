// Multicast registration, forwarding mode and the program table.
#include <string>
#include <utility>

#include "fixture.h"
#include "kalo_btv.h"
#include "kalo_btv_em.h"
#include "kalo_btv_rec.h"

using haltest::lastWord;
using haltest::recordOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kBtv[] = "kalo_btv";
constexpr uint32_t kAdd = 0x20026002;
constexpr uint32_t kDel = 0x20026003;
constexpr uint32_t kMatchMode = 0x20026004;

class BtvProgramTest : public haltest::HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        ASSERT_EQ(HAL_BTV_InitUser(), 0u);
        host.reset();
    }

    BtvProgram program(uint32_t group, uint16_t vlan)
    {
        BtvProgram p{};
        p.uiMcastGroupID = group;
        p.usOrigMvlan = vlan;
        p.usReplMvlan = 200;
        const uint8_t mac[6] = {0x01, 0x00, 0x5e, 0x01, 0x02, 0xab};
        std::memcpy(p.mac, mac, sizeof(mac));
        return p;
    }

    std::vector<uint32_t> commands() const
    {
        std::vector<uint32_t> out;
        for (const auto &c : host.hlp) {
            out.push_back(c.cmd);
        }
        return out;
    }

    std::vector<std::pair<uint32_t, std::string>> traces() const
    {
        std::vector<std::pair<uint32_t, std::string>> out;
        for (const auto &t : host.traces) {
            EXPECT_EQ(t.module, 581u);
            EXPECT_EQ(t.file, kBtv);
            out.emplace_back(t.line, t.text);
        }
        return out;
    }
};

template <typename F>
HAL_HOOK_FUNC fn(F *f)
{
    return reinterpret_cast<HAL_HOOK_FUNC>(f);
}

}  // namespace

TEST_F(BtvProgramTest, RegistrationFillsEveryMulticastSlot)
{
    const HAL_HOOK_FUNC expected[HAL_BTV_HOOK_NUM] = {
        fn(&CHIP_KALO_SetBtvEmStatsRule), fn(&CHIP_KALO_GetBtvEmStats),       fn(&CHIP_KALO_SetProPktQue),
        fn(&CHIP_KALO_SetProPktRate),     fn(&CHIP_KALO_SetMultiForwardMode), fn(&CHIP_KALO_AddProgramTable),
        fn(&CHIP_KALO_DelProgramTable),   fn(&CHIP_KALO_AddProgramUsr),       fn(&CHIP_KALO_DelProgramUsr),
        fn(&CHIP_KALO_AddBtvStats),       fn(&CHIP_KALO_DelBtvStats),         fn(&CHIP_KALO_ClearBtvStats),
        fn(&CHIP_KALO_GetBtvStats),       fn(&CHIP_KALO_AddUserBtvStats),     fn(&CHIP_KALO_DelUserBtvStats),
        fn(&CHIP_KALO_ClearUserBtvStats), fn(&CHIP_KALO_GetBtvUserStats),
    };
    for (unsigned slot = 0; slot < HAL_BTV_HOOK_NUM; ++slot) {
        EXPECT_EQ(g_HalBtvHookList[slot], expected[slot]) << "slot " << slot;
    }
}

TEST_F(BtvProgramTest, ForwardingModeMapsToTheMatchModeOrIsRefused)
{
    struct Row {
        uint32_t mode;
        uint32_t result;
        std::vector<uint32_t> sent;  // the match mode, when one is sent
    };
    for (const Row &r :
         {Row{0, 0, {1}}, Row{1, 0, {0}}, Row{2, 0, {0}}, Row{3, 0xF7300001, {}}, Row{0xFFFFFFFF, 0xF7300001, {}}}) {
        SCOPED_TRACE(r.mode);
        host.reset();
        EXPECT_EQ(HAL_BTV_SetMultiForwardMode(r.mode), r.result);
        std::vector<uint32_t> sent;
        for (const auto &c : host.hlp) {
            EXPECT_EQ(c.cmd, kMatchMode);
            sent.push_back(recordOf<uint32_t>(c));
        }
        EXPECT_EQ(sent, r.sent);
        EXPECT_EQ(traces().at(0),
                  std::make_pair(103u, "ENTRANCE: BtvFlowForwardMode=" + std::to_string(r.mode) + "\n"));
        if (r.sent.empty()) {
            EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 108, 0xF7300001, r.mode)));
        } else {
            EXPECT_THAT(host.lastWords, IsEmpty());
        }
    }
}

TEST_F(BtvProgramTest, RefusedMatchModeIsTracedRecordedAndReturned)
{
    host.answer(kMatchMode, 0x2d);
    EXPECT_EQ(HAL_BTV_SetMultiForwardMode(1), 0x2du);
    EXPECT_EQ(traces().back(),
              std::make_pair(117u, std::string("\r\n send QX_KER_HLP_CMD_BTV_MATCH_MODE fail, uiRet:0x2d")));
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 118, 0x2d)));
}

TEST_F(BtvProgramTest, ProgramRequestCarriesTheUntaggedWordVlanAndMac)
{
    for (const uint16_t vlan : {uint16_t{0}, uint16_t{100}}) {
        SCOPED_TRACE(vlan);
        host.reset();
        const BtvProgram p = program(5, vlan);
        EXPECT_EQ(HAL_BTV_AddProgramTable(&p), 0u);
        ASSERT_EQ(commands(), std::vector<uint32_t>{kAdd});
        const auto req = recordOf<btv_program_req_s>(host.hlp[0]);
        EXPECT_EQ(req.group_id, 5u);
        EXPECT_EQ(req.untagged, vlan == 0 ? 1u : 0u);
        EXPECT_EQ(req.vlan, vlan);
        EXPECT_EQ(std::memcmp(req.mac, p.mac, 6), 0);
        EXPECT_EQ(req.rsv18[0] | req.rsv18[1], 0);
        EXPECT_EQ(traces(), (std::vector<std::pair<uint32_t, std::string>>{
                                {209, "ENTRANCE btv add program: uiMcastGroupID=5; usOrigMvlan=" +
                                          std::to_string(vlan) + "; usReplMvlan=200; mac=01:00:5e:01:02:ab\n"}}));
    }
}

TEST_F(BtvProgramTest, AFailedMacCopyIsRecordedAndTheProgramSentAnyway)
{
    const BtvProgram p = program(6, 10);
    host.failNext("memcpy_s", 0x13);
    EXPECT_EQ(HAL_BTV_AddProgramTable(&p), 0u);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 221, 0x13, 6)));
    ASSERT_EQ(commands(), std::vector<uint32_t>{kAdd});
    EXPECT_EQ(recordOf<btv_program_req_s>(host.hlp[0]).vlan, 10u);
}

TEST_F(BtvProgramTest, RefusedAddIsRetriedOnceAfterADeleteAndAnswersZero)
{
    struct Row {
        const char *what;
        uint32_t first, del, second;
        std::vector<halsim::LastWordRec> records;
    };
    const Row rows[] = {
        {"second add succeeds", 0x77, 0, 0, {lastWord(kBtv, 228, 0x77, 9, 0, 100)}},
        {"second add refused",
         0x77,
         0,
         0x88,
         {lastWord(kBtv, 228, 0x77, 9, 0, 100), lastWord(kBtv, 235, 0x88, 9, 0, 100)}},
        {"delete refused too",
         0x77,
         0x66,
         0x88,
         {lastWord(kBtv, 228, 0x77, 9, 0, 100), lastWord(kBtv, 168, 0x66, 9), lastWord(kBtv, 235, 0x88, 9, 0, 100)}},
    };
    const BtvProgram p = program(9, 100);
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        host.reset();
        g_pusBTV_USER_NUM[9] = BtvUserNumEntry{3, 4, 5, 6, 7, 8};
        host.answer(kAdd, r.first);
        host.answer(kDel, r.del);
        host.answer(kAdd, r.second);
        EXPECT_EQ(HAL_BTV_AddProgramTable(&p), 0u);
        EXPECT_EQ(commands(), (std::vector<uint32_t>{kAdd, kDel, kAdd}));
        EXPECT_EQ(host.hlp[2].req, host.hlp[0].req);
        EXPECT_EQ(recordOf<uint32_t>(host.hlp[1]), 9u);
        EXPECT_EQ(host.lastWords, r.records);
        EXPECT_EQ(g_pusBTV_USER_NUM[9].usUserNum | g_pusBTV_USER_NUM[9].usWifiUserNum, 0);
        const auto t = traces();
        EXPECT_EQ(t.at(1).first, 227u);
        EXPECT_EQ(t.at(2).first, 159u) << "the delete traces as a delete";
        if (r.second != 0) {
            EXPECT_EQ(t.back(), std::make_pair(234u, std::string("\r\n add program fail again, uiRet:0x88")));
        } else {
            EXPECT_NE(t.back().first, 234u);
        }
    }
}

TEST_F(BtvProgramTest, DeleteResetsBothCountsEvenWhenRefused)
{
    for (const uint32_t driver : {0u, 0x66u}) {
        SCOPED_TRACE(driver);
        host.reset();
        g_pusBTV_USER_NUM[4] = BtvUserNumEntry{3, 4, 5, 6, 7, 8};
        host.answer(kDel, driver);
        const BtvProgram p = program(4, 0);
        EXPECT_EQ(HAL_BTV_DelProgramTable(&p), 0u);
        ASSERT_EQ(commands(), std::vector<uint32_t>{kDel});
        EXPECT_EQ(host.hlp[0].req, haltest::bytesOf(uint32_t{4}));
        const BtvUserNumEntry &e = g_pusBTV_USER_NUM[4];
        EXPECT_EQ(e.usUserNum | e.usWifiUserNum, 0);
        EXPECT_EQ(e.usRsv4 + e.usRsv6 + e.uiRsv8 + e.uiRsv12, 26u) << "the rest of the entry is left";
        if (driver != 0) {
            EXPECT_EQ(traces().back(), std::make_pair(167u, std::string("\r\n del program fail, uiRet:0x66")));
            EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 168, 0x66, 4)));
        } else {
            EXPECT_THAT(host.lastWords, IsEmpty());
        }
    }
}

TEST_F(BtvProgramTest, DeleteOfAGroupOutsideTheCountArraySendsAndTouchesNoCount)
{
    std::memset(g_pusBTV_USER_NUM, 0x5a, HAL_BTV_GROUP_NUM * sizeof(BtvUserNumEntry));
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t *>(g_pusBTV_USER_NUM),
                                      reinterpret_cast<uint8_t *>(g_pusBTV_USER_NUM + HAL_BTV_GROUP_NUM));
    for (const uint32_t group : {255u, 256u, 0xFFFFFFFFu}) {
        const BtvProgram p = program(group, 0);
        EXPECT_EQ(HAL_BTV_DelProgramTable(&p), 0u);
        host.answer(kAdd, 1);
        EXPECT_EQ(HAL_BTV_AddProgramTable(&p), 0u) << "the retry deletes too";
    }
    EXPECT_EQ(commands(),
              (std::vector<uint32_t>{kDel, kAdd, kDel, kAdd, kDel, kAdd, kDel, kAdd, kDel, kAdd, kDel, kAdd}));
    EXPECT_EQ(std::memcmp(before.data(), g_pusBTV_USER_NUM, before.size()), 0);
}

TEST_F(BtvProgramTest, MissingRecordOrCountArraySendsNothingOrSkipsTheReset)
{
    EXPECT_EQ(CHIP_KALO_AddProgramTable(nullptr), 0xF7300000u);
    EXPECT_EQ(CHIP_KALO_DelProgramTable(nullptr), 0xF7300000u);
    EXPECT_THAT(host.hlp, IsEmpty());
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kBtv, 204, 0xF7300000), lastWord(kBtv, 154, 0xF7300000)));

    haltest::resetLibrary();  // no count array: an exported function called directly
    const BtvProgram p = program(3, 0);
    EXPECT_EQ(CHIP_KALO_DelProgramTable(&p), 0u);
    EXPECT_EQ(commands(), std::vector<uint32_t>{kDel});
}
