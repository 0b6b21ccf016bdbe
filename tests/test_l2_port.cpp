// Chip port resolution of a CTP and the uplink redirection of network-side
// Ethernet ports.
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kCommon[] = "kalo_common";
constexpr uint32_t kUntouched = 0xA5A5A5A5;
constexpr uint32_t kUplink = halsim::kDefaultUplinkUserPort;

// Every host query of the resolution, in the order it is made.
const std::vector<std::string> kChain = {"HAL_Ctp2UserPort",
                                         "QX_DM_PDGetAttr",
                                         "HAL_UserPort2Ctp",
                                         "HAL_GetNetRole",
                                         "L2M_PTP_IsSupportAutoSelect",
                                         "QX_Feature_IsSupportByFeatureName",
                                         "QX_DM_GetCurUpUserPortID",
                                         "QX_DM_TopoGetKaPortByUserPort"};

}  // namespace

TEST_F(L2Test, EachCtpTypeGivesItsDescriptor)
{
    const uint32_t cases[][4] = {
        // CTP type, user port, port_type, mask
        {0, 3, 4, 1U << 2},
        {0, 2, 4, 0} /* chip port 32 */,
        {1, 1, 5, 1},
        {2, 1, 3, kUntouched},
        {3, 1, 3, kUntouched},
        {4, 1, 5, 1},
        {12, 8, 4, 1},
        {12, 2, 3, 0},
        {5, 1, kUntouched, kUntouched},
        {9, 1, kUntouched, kUntouched},
        {10, 1, kUntouched, kUntouched},
        {11, 1, kUntouched, kUntouched},
        {13, 1, kUntouched, kUntouched},
    };
    host.userToChipPort[2] = 32;
    for (const auto &c : cases) {
        addCtp(40, c[0], static_cast<uint16_t>(c[1]));
        chip_port_s port{kUntouched, kUntouched};
        EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(40, &port), 0U);
        EXPECT_EQ(portOf(port), Port(c[2], c[3])) << "type " << c[0] << " user port " << c[1];
    }
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(1, nullptr), 1U);
    EXPECT_THAT(host.lastWords, IsEmpty());
}

// A network-side Ethernet port (CTP 4) takes the uplink unless a test says
// otherwise; a later test is asked only while the earlier ones hold.
TEST_F(L2Test, UplinkRedirectionAndItsFailures)
{
    // set-up, leading queries of kChain made (the chip port lookup follows the role test unless the uplink
    // query failed), then the result, the descriptor and the failure records
    const std::tuple<std::function<void(halsim::Host &)>, long, uint32_t, Port, std::vector<LastWordRec>> cases[] = {
        // The current uplink 0x102001, another uplink.
        {[](auto &) {}, 7, 0, {3, 1U << halsim::kDefaultUplinkChipPort}, {}},
        {[](auto &h) {
             h.uplink = {0, 0x20};
             h.userToChipPort[0x20] = 9;
         },
         7,
         0,
         {4, 1U << 9},
         {}},
        // The own port: reverse lookup or role lookup fails, user side, auto-selection, IPTV port, attribute 8.
        {[](auto &) {
             terminal.byPort.erase(4);
             terminal.roles[0] = 3;
         },
         4,
         0,
         {4, 1U << 3},
         {}},
        {[](auto &) { terminal.roles.erase(4); }, 4, 0, {4, 1U << 3}, {}},
        {[](auto &) { terminal.roles[4] = 0; }, 4, 0, {4, 1U << 3}, {}},
        {[](auto &h) { h.autoSelect = 1; }, 5, 0, {4, 1U << 3}, {}},
        {[](auto &h) { h.features["FT_MULTI_SERVICE_IPTV_PORT"] = 1; }, 6, 0, {4, 1U << 3}, {}},
        {[](auto &h) {
             h.pdAttrs[0x11000033] = {0, 8};
         },
         6,
         0,
         {4, 1U << 3},
         {}},
        // An unknown CTP: the lookup's code, unrecorded, and nothing more asked.
        {[](auto &) { terminal.ctps.erase(4); }, 1, 1, {0, 0}, {}},
        // Failures: the uplink query, the chip port of the uplink, the own chip port.
        {[](auto &h) {
             h.uplink = {0x71, 0};
         },
         7,
         0x71,
         {0, 0},
         {lastWord(kCommon, 166, 0x71, 4, 4, 0, 0)}},
        {[](auto &h) { h.userToChipPort.erase(kUplink); }, 7, 1, {3, 0}, {lastWord(kCommon, 182, 1, 4, 4, 0, kUplink)}},
        {[](auto &h) {
             terminal.roles[4] = 0;
             h.failNext("QX_DM_TopoGetKaPortByUserPort", 0x72);
         },
         4,
         0x72,
         {4, 0},
         {lastWord(kCommon, 182, 0x72, 4, 4, 0, 4)}},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto &[setUp, asked, code, descriptor, records] = cases[row];
        SCOPED_TRACE(row);
        SetUp();
        terminal.roles[4] = 3;  // CTP 4 is on the network side
        setUp(host);
        chip_port_s port{};
        EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(4, &port), code);
        EXPECT_EQ(portOf(port), descriptor);
        EXPECT_EQ(host.lastWords, records);
        std::vector<std::string> expected(kChain.begin(), kChain.begin() + asked);
        if (asked >= 4 && code != 0x71) {
            expected.push_back(kChain.back());
        }
        if (!records.empty()) {
            expected.push_back("QX_PROC_DBG_LastWord");
        }
        EXPECT_EQ(host.calls, expected);
    }
}
