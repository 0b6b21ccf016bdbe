// Chip port resolution of a CTP, the uplink redirection of network-side
// Ethernet ports, and the net-role test of the flow translation.
#include "test_l2_common.h"

using haltest::lastWord;
using l2test::L2Test;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kCommon[] = "kalo_common";
constexpr uint32_t kUntouched = 0xA5A5A5A5;

struct TypeCase {
    uint32_t type;
    uint16_t userPort;
    uint32_t portType;
    uint32_t mask;
};

}  // namespace

TEST_F(L2Test, EachCtpTypeGivesItsDescriptor)
{
    const TypeCase cases[] = {
        {0, 3, 4, 1U << 2},  // Ethernet user port 3 on chip port 2
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
    for (const TypeCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " user port " << c.userPort);
        addCtp(40, c.type, c.userPort);
        chip_port_s port{kUntouched, kUntouched};
        EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(40, &port), 0U);
        EXPECT_EQ(port.port_type, c.portType);
        EXPECT_EQ(port.mask, c.mask);
    }
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(L2Test, UnknownCtpReturnsTheLookupCodeUnrecorded)
{
    chip_port_s port{kUntouched, kUntouched};
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(99, &port), 1U);
    EXPECT_EQ(port.port_type, kUntouched);
    EXPECT_THAT(host.lastWords, IsEmpty());
    EXPECT_FALSE(called("QX_DM_PDGetAttr"));
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(1, nullptr), 1U);
}

TEST_F(L2Test, NetworkSideEthernetPortTakesTheUplink)
{
    l2test::terminal().roles[4] = 3;
    chip_port_s port{};
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(4, &port), 0U);
    EXPECT_EQ(port.port_type, 3U);
    EXPECT_EQ(port.mask, 1U << halsim::kDefaultUplinkChipPort);
    EXPECT_THAT(callsAmong({"HAL_Ctp2UserPort", "QX_DM_PDGetAttr", "HAL_UserPort2Ctp", "HAL_GetNetRole",
                            "L2M_PTP_IsSupportAutoSelect", "QX_Feature_IsSupportByFeatureName",
                            "QX_DM_GetCurUpUserPortID", "QX_DM_TopoGetKaPortByUserPort"}),
                ElementsAre("HAL_Ctp2UserPort", "QX_DM_PDGetAttr", "HAL_UserPort2Ctp", "HAL_GetNetRole",
                            "L2M_PTP_IsSupportAutoSelect", "QX_Feature_IsSupportByFeatureName",
                            "QX_DM_GetCurUpUserPortID", "QX_DM_TopoGetKaPortByUserPort"));

    // Any other uplink is an Ethernet port of the chip.
    host.uplink = {0, 0x20};
    host.userToChipPort[0x20] = 9;
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(4, &port), 0U);
    EXPECT_EQ(port.port_type, 4U);
    EXPECT_EQ(port.mask, 1U << 9);
}

// Each reason to keep the port's own chip port, and the host queries made
// before the decision: a later test is asked only while the earlier hold.
TEST_F(L2Test, RedirectionStopsAtTheFirstFailingTest)
{
    struct Case {
        const char *name;
        std::function<void(halsim::Host &)> setUp;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> tail = {"QX_DM_TopoGetKaPortByUserPort"};
    const Case cases[] = {
        {"reverse lookup fails", [](halsim::Host &) { l2test::terminal().byPort.erase({0, 4}); },
         {"HAL_UserPort2Ctp", "HAL_GetNetRole"}},
        {"role lookup fails", [](halsim::Host &) { l2test::terminal().roles.erase(4); },
         {"HAL_UserPort2Ctp", "HAL_GetNetRole"}},
        {"user side", [](halsim::Host &) { l2test::terminal().roles[4] = 0; }, {"HAL_UserPort2Ctp", "HAL_GetNetRole"}},
        {"auto-selection", [](halsim::Host &h) { h.autoSelect = 1; },
         {"HAL_UserPort2Ctp", "HAL_GetNetRole", "L2M_PTP_IsSupportAutoSelect"}},
        {"IPTV port feature", [](halsim::Host &h) { h.features["FT_MULTI_SERVICE_IPTV_PORT"] = 1; },
         {"HAL_UserPort2Ctp", "HAL_GetNetRole", "L2M_PTP_IsSupportAutoSelect", "QX_Feature_IsSupportByFeatureName"}},
        {"device attribute 8", [](halsim::Host &h) { h.pdAttrs[0x11000033] = {0, 8}; },
         {"HAL_UserPort2Ctp", "HAL_GetNetRole", "L2M_PTP_IsSupportAutoSelect", "QX_Feature_IsSupportByFeatureName"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        l2test::terminal().roles[4] = 3;
        c.setUp(host);
        chip_port_s port{};
        EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(4, &port), 0U);
        EXPECT_EQ(port.port_type, 4U);
        EXPECT_EQ(port.mask, 1U << 3);
        std::vector<std::string> expected = c.calls;
        expected.insert(expected.end(), tail.begin(), tail.end());
        EXPECT_EQ(callsAmong({"HAL_UserPort2Ctp", "HAL_GetNetRole", "L2M_PTP_IsSupportAutoSelect",
                              "QX_Feature_IsSupportByFeatureName", "QX_DM_GetCurUpUserPortID",
                              "QX_DM_TopoGetKaPortByUserPort"}),
                  expected);
    }
}

TEST_F(L2Test, FailedUplinkQueryIsRecordedAndStopsTheResolution)
{
    l2test::terminal().roles[6] = 3;
    host.uplink = {0x71, 0};
    chip_port_s port{};
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(6, &port), 0x71U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kCommon, 166, 0x71, 6, 6, 0, 0)));
    EXPECT_FALSE(called("QX_DM_TopoGetKaPortByUserPort"));
}

TEST_F(L2Test, FailedChipPortLookupIsRecordedAfterThePortType)
{
    host.failNext("QX_DM_TopoGetKaPortByUserPort", 0x72);
    chip_port_s port{};
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(5, &port), 0x72U);
    EXPECT_EQ(port.port_type, 4U);
    EXPECT_EQ(port.mask, 0U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kCommon, 182, 0x72, 5, 5, 0, 5)));

    host.lastWords.clear();
    l2test::terminal().roles[5] = 3;
    host.userToChipPort.erase(halsim::kDefaultUplinkUserPort);
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(5, &port), 1U);
    EXPECT_EQ(port.port_type, 3U);
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord(kCommon, 182, 1, 5, 5, 0, halsim::kDefaultUplinkUserPort)));
}

TEST_F(L2Test, ChipPortOutsideTheMaskGivesNoBit)
{
    host.userToChipPort[2] = 32;
    chip_port_s port{kUntouched, kUntouched};
    EXPECT_EQ(CHIP_KALO_GetKaPortByCtp(2, &port), 0U);
    EXPECT_EQ(port.port_type, 4U);
    EXPECT_EQ(port.mask, 0U);
}

TEST_F(L2Test, IsNniAsksTheL2Management)
{
    host.l2mNetRole[30] = 3;
    host.l2mNetRole[31] = 0;
    EXPECT_EQ(PDT_L2M_IsNni(30), 1U);
    EXPECT_EQ(PDT_L2M_IsNni(31), 0U);
    EXPECT_EQ(PDT_L2M_IsNni(32), 0U);  // no answer
    host.failNext("L2M_Ctp_GetNetRole", 0);
    EXPECT_EQ(PDT_L2M_IsNni(30), 0U);  // answered 0 without a role: the preset 5 is not 3
    EXPECT_THAT(host.lastWords, IsEmpty());
}
