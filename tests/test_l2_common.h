// Shared by the layer-2 flow tests: a terminal whose CTPs the test chooses,
// served through the port identity hooks, and host flow records.
#ifndef TESTS_TEST_L2_COMMON_H
#define TESTS_TEST_L2_COMMON_H

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fixture.h"
#include "kalo_common.h"
#include "kalo_l2.h"

namespace l2test {

struct Ctp {
    uint32_t type;
    uint16_t userPort;
};

struct Gem {
    uint32_t result;
    uint32_t gemPort;
    uint16_t bridge;
};

struct Terminal {
    std::map<uint32_t, Ctp> ctps;                      // HAL_Ctp2UserPort; absent = 1
    std::map<std::pair<uint32_t, uint32_t>, uint16_t> byPort;  // HAL_UserPort2Ctp; absent = 1
    std::map<uint32_t, uint32_t> roles;                // HAL_GetNetRole; absent = 1
    std::map<uint32_t, Gem> gems;                      // HAL_GetBCUCGemBgeById; absent = 1
    int ctpCalls = 0;
    int failCtpCall = 0;  // the HAL_Ctp2UserPort call (counting from 1) that fails with failCode
    uint32_t failCode = 0;
};

inline Terminal &terminal()
{
    static Terminal t;
    return t;
}

// The hooks note their calls among the host's, so that tests see the order
// of every lookup.
inline uint32_t ctpHook(uint32_t ctpId, uint32_t *type, uint16_t *userPort)
{
    halsim::host().calls.emplace_back("HAL_Ctp2UserPort");
    if (++terminal().ctpCalls == terminal().failCtpCall) {
        return terminal().failCode;
    }
    const auto it = terminal().ctps.find(ctpId);
    if (it == terminal().ctps.end()) {
        return 1;
    }
    if (type != nullptr) {
        *type = it->second.type;
    }
    if (userPort != nullptr) {
        *userPort = it->second.userPort;
    }
    return 0;
}
inline uint32_t portHook(uint32_t type, uint32_t userPort, uint16_t *ctpId)
{
    halsim::host().calls.emplace_back("HAL_UserPort2Ctp");
    const auto it = terminal().byPort.find({type, userPort});
    if (it == terminal().byPort.end()) {
        return 1;
    }
    *ctpId = it->second;
    return 0;
}
inline uint32_t roleHook(uint32_t ctpId, uint32_t *role)
{
    halsim::host().calls.emplace_back("HAL_GetNetRole");
    const auto it = terminal().roles.find(ctpId);
    if (it == terminal().roles.end()) {
        return 1;
    }
    *role = it->second;
    return 0;
}
inline uint32_t gemHook(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridge)
{
    const auto it = terminal().gems.find(ctpId);
    if (it == terminal().gems.end()) {
        return 1;
    }
    if (it->second.result == 0) {
        *gemPort = it->second.gemPort;
        *bridge = it->second.bridge;
    }
    return it->second.result;
}

// The eight Ethernet user ports of the stand-in host (CTP n = user port n on
// chip port n - 1, user side), with the hooks registered so the test can add
// CTPs of other types.
class L2Test : public haltest::HalTest {
protected:
    void SetUp() override
    {
        HalTest::SetUp();
        terminal() = Terminal{};
        for (uint16_t port = 1; port <= 8; ++port) {
            terminal().ctps[port] = {0, port};
            terminal().byPort[{0, port}] = port;
            terminal().roles[port] = 0;
        }
        HAL_RegCtp2UserPortFunc(ctpHook);
        HAL_RegUserPort2CtpFunc(portHook);
        HAL_RegGetNniRoleFunc(roleHook);
        HAL_RegGetBCUCGemBgeByIdFunc(gemHook);
    }

    static void addCtp(uint32_t ctpId, uint32_t type, uint16_t userPort = 1)
    {
        terminal().ctps[ctpId] = {type, userPort};
    }

    // The host calls among names, in order.
    std::vector<std::string> callsAmong(const std::vector<std::string> &names) const
    {
        std::vector<std::string> out;
        for (const std::string &c : host.calls) {
            if (std::find(names.begin(), names.end(), c) != names.end()) {
                out.push_back(c);
            }
        }
        return out;
    }

    std::vector<halsim::LastWordRec> records(const char *file) const
    {
        std::vector<halsim::LastWordRec> out;
        for (const auto &r : host.lastWords) {
            if (r.file == file) {
                out.push_back(r);
            }
        }
        return out;
    }
};

// A flow of one direction on a CTP, with nothing matched or treated.
inline HAL_L2_FLOW_S flowOn(uint16_t ctpId, uint8_t direction, uint16_t flowId = 7)
{
    HAL_L2_FLOW_S f{};
    f.FlowId = flowId;
    f.CtpId = ctpId;
    f.BridgeId = 3;
    f.Pri = 5;
    f.FlowDirection = direction;
    return f;
}

inline HAL_L2_FLOW_TAG_INFO_S tag(uint16_t tpid, uint16_t vlan, uint8_t pri, uint8_t dscpTbl = 0)
{
    HAL_L2_FLOW_TAG_INFO_S t{};
    t.tpid = tpid;
    t.vlanID = vlan;
    t.pri = pri;
    t.DscpTblId = dscpTbl;
    return t;
}

}  // namespace l2test

#endif
