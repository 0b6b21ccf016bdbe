// The simulated forwarding driver: every command of the command table
// answered by its handler, the refusals a driver makes, and its tables as
// the library's requests leave them.
#include <memory>
#include <utility>

#include "decode.h"
#include "driver.h"
#include "test_l2_common.h"

using namespace l2test;
namespace hlp = hal::hlp;
namespace drv = halsim::drv;

namespace {

constexpr halsim::Mac kMacA = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};

class DriverTest : public L2Test {
protected:
    void SetUp() override
    {
        L2Test::SetUp();
        chip.reset();
        chip.attach(host);
    }

    // Sends a request with a reply buffer of the length its command's reply has.
    uint32_t send(uint32_t cmd, const std::vector<uint8_t> &req)
    {
        const halsim::Layout *l = halsim::layoutOf(cmd);
        std::vector<uint8_t> reply(l != nullptr ? l->replySize : 0);
        return host.send(cmd, req.data(), static_cast<uint32_t>(req.size()), reply.empty() ? nullptr : reply.data(),
                         static_cast<uint32_t>(reply.size()));
    }

    halsim::ChipModel chip;
};

// A well-formed request of zeros is handled (whatever the handler makes of
// it); one byte short or long, or a reply of the wrong length, is not.
template <hlp::Cmd C>
void expectHandled(halsim::Host &host)
{
    using Reply = typename hlp::Command<C>::Reply;
    constexpr uint32_t kReq = sizeof(typename hlp::Command<C>::Request);
    constexpr bool kReads = !std::is_same_v<Reply, hlp::NoReply>;
    constexpr uint32_t kReply = kReads ? sizeof(Reply) : 0;
    SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << hlp::codeOf(C));
    std::vector<uint8_t> req(kReq + 1);
    std::vector<uint8_t> reply(kReply + 1);
    const auto answer = [&](uint32_t reqLen, uint32_t replyLen) {
        return host.send(hlp::codeOf(C), req.data(), reqLen, replyLen != 0 ? reply.data() : nullptr, replyLen);
    };
    const uint32_t result = answer(kReq, kReply);
    EXPECT_THAT(result, testing::Not(testing::AnyOf(drv::kUnknownCommand, drv::kBadLength)));
    EXPECT_EQ(answer(kReq - 1, kReply), drv::kBadLength);
    EXPECT_EQ(answer(kReq + 1, kReply), drv::kBadLength);
    EXPECT_EQ(answer(kReq, kReply + 1), drv::kBadLength);
    if constexpr (kReads) {
        EXPECT_EQ(answer(kReq, 0), drv::kBadLength) << "a read without a reply buffer";
    }
}

template <size_t... I>
void expectAllHandled(halsim::Host &host, std::index_sequence<I...> /*commands*/)
{
    (expectHandled<hlp::kCommands[I]>(host), ...);
}

template <typename T, typename... Set>
std::vector<uint8_t> rec(Set... set)
{
    T r{};
    (set(r), ...);
    return bytesOf(r);
}
std::vector<uint8_t> word(uint32_t v) { return bytesOf(hlp::Word{v}); }

}  // namespace

TEST_F(DriverTest, EveryCommandOfTheTableHasAHandlerThatChecksLengths)
{
    expectAllHandled(host, std::make_index_sequence<std::size(hlp::kCommands)>());
    EXPECT_EQ(send(0x20030099, word(1)), drv::kUnknownCommand) << "a code of no command";
}

TEST_F(DriverTest, AddTwiceIsRefusedAndRemoveTwiceFindsNothing)
{
    const auto eth = [](auto &r) { r.port = {4, 1U << 2}; };
    const auto l3If = rec<chip_l3_if_s>([](auto &r) { r.if_index = 0x101; });
    const auto program = rec<btv_program_req_s>([](auto &r) { r.group_id = 3, r.vlan = 1000; });
    const auto prefix =
        rec<chip_prefix_s>([](auto &r) { r.if_index = 0x101, r.addr.ip_ver = 1, r.addr.ip[0] = 0x0a000002; });
    const auto stats = [](uint32_t on) { return bytesOf(btv_stats_set_req_s{3, on}); };
    const auto wan = rec<chip_wan_stats_req_s>([](auto &r) { r.port_type = 1, r.vlan = 100; });
    const auto staticMac = bytesOf(chip_static_mac_s{3, 0, 0, 100, {}, {0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, 0});
    struct Row {
        const char *what;
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> given;
        uint32_t add;
        std::vector<uint8_t> addReq;
        uint32_t del;
        std::vector<uint8_t> delReq;          // empty: the add's request
        uint32_t delAbsent = drv::kNotFound;  // the answer to removing what is not there
    };
    const Row rows[] = {
        {"L2 flow", {}, 0x20030000, rec<chip_flow_s>([](auto &r) { r.flow_id = 7; }), 0x20030001, word(7)},
        {"DSCP table", {}, 0x20030005, rec<chip_dscp_tbl_s>([](auto &r) { r.table_id = 1; }), 0x20030006, word(1)},
        {"TCI counter", {}, 0x20030018, rec<chip_tci_stats_s>(eth), 0x20030019, {}},
        {"bridge port", {}, 0x20030002, rec<chip_bridge_port_s>(eth), 0x20030003, {}},
        {"static MAC", {}, 0x20030010, staticMac, 0x20030011, {}},
        {"MAC filter", {}, 0x20030014, rec<chip_mac_filter_s>(eth), 0x20030015, {}},
        {"protocol flow", {}, 0x20030012, rec<PduFlowRecord>([](auto &r) { r.flow_id = 9; }), 0x20030013, word(9)},
        {"CAR profile", {}, 0x20030032, rec<PduCarRequest>([](auto &r) { r.car_id = 9; }), 0x20030035, word(9), 0},
        {"DFX flow", {}, 0x2003002c, rec<DfxFlowRecord>([](auto &r) { r.flow_id = 20; }), 0x2003002d, word(20)},
        {"program", {}, 0x20026002, program, 0x20026003, word(3)},
        {"program user", {{0x20026002, program}}, 0x20026000, bytesOf(btv_user_req_s{3, 0}), 0x20026001, {}},
        {"group counter", {}, 0x20026005, stats(1), 0x20026005, stats(0)},
        {"L3 interface", {}, 0x2002d000, l3If, 0x2002d001, word(0x101)},
        {"prefix", {{0x2002d000, l3If}}, 0x2002d008, prefix, 0x2002d009, {}},
        {"policy route", {}, 0x2002d002, rec<chip_route_req_s>([](auto &r) { r.route_id = 1; }), 0x2002d003, word(1)},
        {"NAPT indication", {}, 0x2002d00a, rec<chip_napt_ind_s>([](auto &r) { r.rule_id = 1; }), 0x2002d00b, {}},
        {"WAN counter", {}, 0x2002d004, wan, 0x2002d005, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        SetUp();
        for (const auto &[cmd, req] : r.given) {
            ASSERT_EQ(send(cmd, req), 0U);
        }
        const std::string before = chip.summary();
        const std::vector<uint8_t> &del = r.delReq.empty() ? r.addReq : r.delReq;
        EXPECT_EQ(send(r.del, del), r.delAbsent);
        EXPECT_EQ(send(r.add, r.addReq), 0U);
        EXPECT_NE(chip.summary(), before);
        EXPECT_EQ(send(r.add, r.addReq), drv::kExists);
        EXPECT_EQ(send(r.del, del), 0U);
        EXPECT_EQ(send(r.del, del), r.delAbsent);
        EXPECT_EQ(chip.summary(), before);
    }
}

TEST_F(DriverTest, EntriesThatDependOnOthers)
{
    const auto bind = [](uint32_t car, uint32_t flow) { return bytesOf(PduCarBind{car, flow}); };
    const std::vector<uint8_t> prefix = rec<chip_prefix_s>([](auto &r) { r.if_index = 5, r.addr.ip_ver = 1; });
    const std::vector<uint8_t> napt = rec<chip_napt_ind_s>([](auto &r) { r.rule_id = 2, r.dip.ip[0] = 7; });
    // Run in order: each step's answer.
    const std::tuple<const char *, uint32_t, std::vector<uint8_t>, uint32_t> steps[] = {
        {"bind without profile or flow", 0x20030033, bind(1, 1), drv::kNotFound},
        {"flow", 0x20030012, rec<PduFlowRecord>([](auto &r) { r.flow_id = 1; }), 0},
        {"bind without profile", 0x20030033, bind(1, 1), drv::kNotFound},
        {"profile", 0x20030032, rec<PduCarRequest>([](auto &r) { r.car_id = 1; }), 0},
        {"release without binding: a rule whose bind was refused is removed all the same", 0x20030034, word(1), 0},
        {"bind", 0x20030033, bind(1, 1), 0},
        {"bind again", 0x20030033, bind(1, 1), drv::kExists},
        {"delete bound profile", 0x20030035, word(1), drv::kInUse},
        {"delete bound flow", 0x20030013, word(1), drv::kInUse},
        {"release", 0x20030034, word(1), 0},
        {"delete profile", 0x20030035, word(1), 0},
        {"delete flow", 0x20030013, word(1), 0},
        {"user of no program", 0x20026000, rec<btv_user_req_s>([](auto &r) { r.group_id = 4; }), drv::kNotFound},
        {"prefix of no interface", 0x2002d008, prefix, drv::kNotFound},
        {"MTU of no interface", 0x2002d00c, bytesOf(chip_l3_if_mtu_s{5, 1500}), drv::kNotFound},
        {"interface", 0x2002d000, rec<chip_l3_if_s>([](auto &r) { r.if_index = 5; }), 0},
        {"prefix", 0x2002d008, prefix, 0},
        {"interface with a prefix", 0x2002d001, word(5), drv::kInUse},
        {"counting of no DFX flow", 0x2003002f, bytesOf(DfxFlowCntSwitch{3, 1}), drv::kNotFound},
        {"static MAC on a port of no chip port", 0x20030010, rec<chip_static_mac_s>([](auto &r) { r.port = 99; }),
         drv::kBadValue},
        {"PVID 4096", 0x20030026, word(4096), drv::kBadValue},
        {"WAN counter on VLAN 0", 0x2002d004, rec<chip_wan_stats_req_s>([](auto &r) { r.vlan = 0; }), drv::kBadValue},
        {"NAPT indication", 0x2002d00a, napt, 0},
        {"its removal naming another prefix", 0x2002d00b, rec<chip_napt_ind_s>([](auto &r) { r.rule_id = 2; }),
         drv::kNotFound},
        {"MAC table read into no buffer", 0x20030017, bytesOf(chip_mac_table_req_s{0}), drv::kBadValue},
    };
    for (const auto &[what, cmd, req, result] : steps) {
        EXPECT_EQ(send(cmd, req), result) << what;
    }
    EXPECT_EQ(chip.summary(),
              "l3 interface 0x5: mac 00:00:00:00:00:00 vlan 0 mtu unset\n"
              "prefix 0x5: v4 00000000:00000000:00000000:00000000 host bits 0\n"
              "napt indication 2: table 0 interface 0x0 dip 0x7 host bits 0 session 0\n");
}

TEST_F(DriverTest, StaticMacIsReadBackWithTheLearntEntries)
{
    using Entries = std::vector<std::tuple<uint32_t, uint32_t, uint32_t, halsim::Mac>>;  // CTP, VLAN, static, MAC
    const auto readTable = [] {
        auto table = std::make_unique<HAL_L2_MAC_TABLE_S>();
        EXPECT_EQ(HAL_L2_GetMacTable(table.get()), 0U);
        Entries out;
        for (uint32_t i = 0; i < table->uiNum; ++i) {
            const HAL_L2_MAC_ENTRY_S &e = table->astEntry[i];
            halsim::Mac mac{};
            std::memcpy(mac.data(), e.aucMac, mac.size());
            out.emplace_back(e.aucCtpId[0] | e.aucCtpId[1] << 8, e.aucVlanId[0] | e.aucVlanId[1] << 8, e.ucStatic, mac);
        }
        return out;
    };
    constexpr halsim::Mac kLearnt = {0x00, 0xe0, 0x4c, 0x68, 0x00, 0x01};
    ASSERT_EQ(HAL_L2_AddStaticMac(3, 100, kMacA.data()), 0U);
    ASSERT_EQ(HAL_L2_AddStaticMac(3, 100, kMacA.data()), drv::kExists);
    ASSERT_EQ(chip.addLearntMac({1U << 4, 0, true, kLearnt}), 0U);
    EXPECT_THAT(chip.summary(), testing::HasSubstr("static mac 00:1a:2b:3c:4d:5e port 3 vlan 100: chip ports 0x4\n"));
    EXPECT_EQ(readTable(), (Entries{{3, 100, 1, kMacA}, {5, HAL_L2_MAC_VLAN_NONE, 0, kLearnt}}));
    // Any VLAN goes as two entries: VLAN 0, and one without a VLAN id.
    ASSERT_EQ(HAL_L2_DelStaticMac(3, 100, kMacA.data()), 0U);
    ASSERT_EQ(HAL_L2_AddStaticMac(2, 4097, kMacA.data()), 0U);
    EXPECT_EQ(readTable(), (Entries{{2, 0, 1, kMacA}, {2, 4097, 1, kMacA}, {5, 4097, 0, kLearnt}}));
}

TEST_F(DriverTest, ProgramFramesCountForItsGroupAndUsersWhoGoWithIt)
{
    ASSERT_EQ(send(0x20026002, rec<btv_program_req_s>([](auto &r) { r.group_id = 3, r.untagged = 1; })), 0U);
    for (const uint32_t flow : {1U, 2U}) {
        ASSERT_EQ(send(0x20026000, bytesOf(btv_user_req_s{3, flow})), 0U);
        ASSERT_EQ(send(0x2002600b, bytesOf(btv_user_stats_set_req_s{3, flow, 1})), 0U);
    }
    ASSERT_EQ(send(0x20026005, bytesOf(btv_stats_set_req_s{3, 1})), 0U);
    ASSERT_EQ(send(0x20026001, bytesOf(btv_user_req_s{3, 2})), 0U);  // with its counter
    EXPECT_FALSE(chip.addGroupTraffic(4, 1, 1)) << "no program";
    EXPECT_TRUE(chip.addGroupTraffic(3, 5, (1ULL << 32) + 7));
    BtvStats group{3, 0, 0, 0};
    ASSERT_EQ(HAL_BTV_GetBtvStats(&group), 0U);
    EXPECT_EQ(bytesOf(group), bytesOf(BtvStats{3, 5, 1, 7}));
    BtvUserStats user{3, 1, 0, 0, 0};
    ASSERT_EQ(HAL_BTV_GetBtvUserStats(&user), 0U);
    EXPECT_EQ(bytesOf(user), bytesOf(BtvUserStats{3, 1, 5, 1, 7}));
    user.usFlowID = 2;
    EXPECT_EQ(HAL_BTV_GetBtvUserStats(&user), drv::kNotFound);
    ASSERT_EQ(send(0x20026003, word(3)), 0U);
    EXPECT_EQ(chip.summary(), "group counter 3: 5 frames 4294967303 octets\n") << "users go with their program";
}

TEST_F(DriverTest, RateLimitedAclIsFlowProfileAndBindingUntilDeleted)
{
    PrtclPktRule rule{};
    rule.uiFieldFlags = HAL_PRTCL_FIELD_ETH_TYPE, rule.uiEthType = 0x888E;
    const PrtclPktAction action{2, 5, 0, 64};
    ASSERT_EQ(HAL_PDU_PrtclPktAclAdd(10, 1, 3, &rule, 4, &action), 0U);
    EXPECT_EQ(chip.summary(),
              "pdu flow 10: class 4 action 1 pri 5 port eth/0x4 match 1/0x888e\n"
              "car profile 10: rate 64\n"
              "car binding flow 10: profile 10\n");
    EXPECT_EQ(HAL_PDU_PrtclPktAclAdd(10, 1, 3, &rule, 4, &action), drv::kExists);
    EXPECT_EQ(HAL_PDU_PrtclPktAclDel(10), 0U);
    EXPECT_EQ(chip.summary(), "");
}

TEST_F(DriverTest, TciCounterAdvancedAndReadBack)
{
    const halsim::TciKey key{{4, 1U << 1}, 100, 3};  // CTP 2: chip port 1
    HAL_L2_TCI_STATS_S stats{};
    EXPECT_EQ(HAL_L2_GetPortTciStats(2, 100, 3, &stats), drv::kNotFound);
    EXPECT_FALSE(chip.addTciTraffic(key, {1, 1, 1, 1})) << "no counter yet";
    ASSERT_EQ(HAL_L2_AddPortTciStats(2, 100, 3), 0U);
    EXPECT_TRUE(chip.addTciTraffic(key, {10, 1000, 20, 2000}));
    EXPECT_TRUE(chip.addTciTraffic(key, {1, 64, 0, 0}));
    ASSERT_EQ(HAL_L2_GetPortTciStats(2, 100, 3, &stats), 0U);
    EXPECT_EQ(bytesOf(stats), bytesOf(HAL_L2_TCI_STATS_S{11, 20, 1064, 2000}));
    ASSERT_EQ(HAL_L2_ClearPortTciStats(2, 100, 3), 0U);
    ASSERT_EQ(HAL_L2_GetPortTciStats(2, 100, 3, &stats), 0U);
    EXPECT_EQ(bytesOf(stats), bytesOf(HAL_L2_TCI_STATS_S{}));
    ASSERT_EQ(HAL_L2_DelPortTciStats(2, 100, 3), 0U);
    EXPECT_EQ(chip.summary(), "");
}

TEST_F(DriverTest, DfxFlowCountsOnceSwitchedOnUntilItsIdIsDeleted)
{
    PrtclPktRule rule{};
    rule.uiIsDfx = 1;
    const PrtclPktAction action{1, 8, 0, 0};
    ASSERT_EQ(HAL_PDU_PrtclPktAclAdd(20, 1, 3, &rule, 0, &action), 0U);  // the flow and its counting
    EXPECT_FALSE(chip.addDfxTraffic(20, 1, 64)) << "counting not switched on yet";
    ASSERT_EQ(HAL_DFX_FlowCntEnable(20, 1), 0U);
    EXPECT_TRUE(chip.addDfxTraffic(20, 2, 128));
    HAL_DFX_FLOW_CNT_S n{};
    ASSERT_EQ(HAL_DFX_FlowCntGet(20, &n), 0U);
    EXPECT_EQ(bytesOf(n), bytesOf(HAL_DFX_FLOW_CNT_S{{2, 128}}));
    ASSERT_EQ(HAL_DFX_FlowCntClr(20), 0U);
    ASSERT_EQ(HAL_DFX_FlowCntGet(20, &n), 0U);
    EXPECT_EQ(bytesOf(n), bytesOf(HAL_DFX_FLOW_CNT_S{}));
    ASSERT_EQ(HAL_DFX_FlowCntEnable(20, 0), 0U);
    EXPECT_FALSE(chip.addDfxTraffic(20, 1, 64)) << "counting switched off";
    EXPECT_EQ(HAL_PDU_PrtclPktAclDel(20), 0U) << "no protocol flow 20: the DFX flow goes";
    EXPECT_EQ(chip.summary(), "");
}
