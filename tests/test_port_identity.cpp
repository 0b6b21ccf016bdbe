// Port identity hooks and the built-in CTP table of an eight-port terminal.
#include <tuple>

#include "fixture.h"

using haltest::HalTest;

namespace {

// CTPs 1 to 8 are Ethernet user ports on the user side; CTP 0 and CTPs 9 to
// 12 face the network.
struct CtpRow {
    uint32_t ctp;
    uint32_t type;
    uint16_t userPort;
    uint32_t role;
};
constexpr CtpRow kDefaultTable[] = {
    {0, 13, 0, 3}, {1, 0, 1, 0}, {2, 0, 2, 0}, {3, 0, 3, 0},  {4, 0, 4, 0},  {5, 0, 5, 0},   {6, 0, 6, 0},
    {7, 0, 7, 0},  {8, 0, 8, 0}, {9, 2, 1, 3}, {10, 3, 1, 3}, {11, 6, 1, 3}, {12, 12, 1, 3},
};

// Host hooks: CTP 40 is an Ethernet port, 41 is unknown, every other CTP is
// of type 7; the other hooks answer from their arguments.
bool hookPortPtrNull;
uint32_t ctpHook(uint32_t ctpId, uint32_t *type,
                 uint16_t *userPort)  // NOLINT(readability-non-const-parameter): HAL_CTP2USERPORT_FUNC's out parameter
{
    hookPortPtrNull = userPort == nullptr;
    if (type != nullptr) {
        *type = ctpId == 40 ? 0 : 7;
    }
    return ctpId == 41 ? 0x99 : 0;
}
uint32_t portHook(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    *ctpId = static_cast<uint16_t>(type * 100 + userPort);
    return 0;
}
uint32_t roleHook(uint32_t ctpId, uint32_t *role)
{
    *role = ctpId;
    return 0x42;
}
uint32_t gemHook(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId)
{
    *gemPort = ctpId + 1000;
    *bridgeId = 7;
    return 0;
}
uint32_t flowHook(uint32_t a, uint32_t b) { return a + b; }

}  // namespace

TEST_F(HalTest, DefaultTableResolvesEveryCtpBothWays)
{
    for (const CtpRow &r : kDefaultTable) {
        SCOPED_TRACE(testing::Message() << "CTP " << r.ctp);
        uint32_t type = 0xFF;
        uint16_t port = 0xFF;
        uint32_t role = 0xFF;
        uint16_t ctp = 0xFFFF;
        EXPECT_EQ(HAL_Ctp2UserPort(r.ctp, &type, &port) | HAL_GetNetRole(r.ctp, &role), 0U);
        EXPECT_EQ(HAL_UserPort2Ctp(r.type, r.userPort, &ctp), 0U);
        EXPECT_EQ(type, r.type);
        EXPECT_EQ(port, r.userPort);
        EXPECT_EQ(role, r.role);
        EXPECT_EQ(ctp, r.ctp);
        EXPECT_EQ(HAL_DefaultGetPrototypeById(r.ctp, nullptr, nullptr), 0U) << "pointers the caller leaves out";
    }
}

TEST_F(HalTest, DefaultTableHasNoEntryBeyondItsThirteenCtps)
{
    uint32_t type = 0xFF;
    uint16_t port = 0xFF;
    uint32_t role = 0xFF;
    uint16_t ctp = 0xFFFF;
    EXPECT_EQ(HAL_Ctp2UserPort(13, &type, &port), 1U);
    EXPECT_EQ(HAL_Ctp2UserPort(0x10005, &type, &port), 1U) << "the CTP is compared on all 32 bits";
    EXPECT_EQ(HAL_GetNetRole(13, &role), 1U);
    EXPECT_EQ(HAL_UserPort2Ctp(0, 9, &ctp), 1U);
    EXPECT_EQ(HAL_UserPort2Ctp(0, 0x10001, &ctp), 1U) << "the port is compared on all 32 bits";
    EXPECT_EQ(HAL_UserPort2Ctp(0x10002, 1, &ctp), 1U) << "the type is compared on all 32 bits";
    EXPECT_EQ(HAL_DefaultGetIdByPrototype(0, 1, nullptr), 1U);
    EXPECT_EQ(HAL_DefaultGetNetRole(1, nullptr), 1U);
    EXPECT_EQ(std::make_tuple(type, port, role, ctp), std::make_tuple(0xFFU, uint16_t{0xFF}, 0xFFU, uint16_t{0xFFFF}))
        << "nothing written";
}

TEST_F(HalTest, RegisteredHooksReplaceTheDefaultsCompletely)
{
    uint32_t gem = 0;
    uint16_t bridge = 0;
    EXPECT_EQ(HAL_GetBCUCGemBgeById(10, &gem, &bridge), 1U) << "no default";
    EXPECT_EQ(HAL_GetL2Flow(1, 2), 1U) << "no default";

    HAL_RegCtp2UserPortFunc(&ctpHook);
    HAL_RegUserPort2CtpFunc(&portHook);
    HAL_RegGetNniRoleFunc(&roleHook);
    HAL_RegGetBCUCGemBgeByIdFunc(&gemHook);
    HAL_RegGetL2FlowFunc(&flowHook);
    uint32_t type = 0;
    uint16_t port = 0;
    uint16_t ctp = 0;
    uint32_t role = 0;
    EXPECT_EQ(HAL_Ctp2UserPort(41, &type, &port), 0x99U) << "a failing hook is not helped by the default";
    EXPECT_EQ(HAL_UserPort2Ctp(2, 5, &ctp), 0U);
    EXPECT_EQ(ctp, 205U);
    EXPECT_EQ(HAL_GetNetRole(5, &role), 0x42U);
    EXPECT_EQ(role, 5U);
    EXPECT_EQ(HAL_GetBCUCGemBgeById(10, &gem, &bridge), 0U);
    EXPECT_EQ(gem, 1010U);
    EXPECT_EQ(bridge, 7U);
    EXPECT_EQ(HAL_GetL2Flow(40, 2), 42U);

    // Null registrations bring the defaults back.
    HAL_RegUserPort2CtpFunc(nullptr);
    HAL_RegGetNniRoleFunc(nullptr);
    EXPECT_EQ(HAL_UserPort2Ctp(0, 5, &ctp), 0U);
    EXPECT_EQ(ctp, 5U);

    // The default net role asks the registered CTP hook, without a port pointer.
    EXPECT_EQ(HAL_GetNetRole(40, &role), 0U);
    EXPECT_TRUE(hookPortPtrNull);
    EXPECT_EQ(role, 0U) << "type 0 from the hook: user side";
    EXPECT_EQ(HAL_GetNetRole(5, &role), 0U);
    EXPECT_EQ(role, 3U) << "type 7 from the hook: network side";
    role = 0xFF;
    EXPECT_EQ(HAL_GetNetRole(41, &role), 1U) << "a failing CTP hook makes the role lookup fail with 1";
    EXPECT_EQ(role, 0xFFU);
}
