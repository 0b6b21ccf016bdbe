// Every request record is cleared with the host's bounded fill before it is
// filled, and a fill the host refuses still sends no stale byte.
#include "test_l2_common.h"

using namespace l2test;

TEST_F(L2Test, RequestsAreClearedByTheHostFillAndStayZeroWhenItRefuses)
{
    static const HAL_L2_LIMIT_S kLimit{1000, 2000};
    static const uint8_t kMac[6] = {0, 1, 2, 3, 4, 5};
    static const PrtclPktRule kRule = [] {
        PrtclPktRule r{};
        r.uiFieldFlags = HAL_PRTCL_FIELD_CAP_TYPE;
        r.uiCapType = 2;
        return r;
    }();
    static const PrtclPktAction kAction{1, 3, 0, 0};
    const std::pair<const char *, std::function<uint32_t()>> ops[] = {
        {"port isolation", [] { return HAL_L2_SetPortIsolate(1, 3, 1); }},
        {"TCI counter", [] { return HAL_L2_AddPortTciStats(3, 100, 1); }},
        {"traffic limit", [] { return HAL_L2_SetUucLimit(3, &kLimit); }},
        {"static MAC", [] { return HAL_L2_AddStaticMac(1, 100, kMac); }},
        {"protocol flow", [] { return HAL_PDU_PrtclPktAclAdd(7, 1, 3, &kRule, 2, &kAction); }},
        {"L2 flow",
         [] {
             const HAL_L2_FLOW_S f = flowOn(3, 0);
             return HAL_L2_AddFlow(&f);
         }},
    };
    for (const auto &[what, call] : ops) {
        SCOPED_TRACE(what);
        SetUp();
        ASSERT_EQ(call(), 0U);
        const std::vector<halsim::HlpCall> sent = host.hlp;
        const auto fill = std::find(host.calls.begin(), host.calls.end(), "memset_s");
        EXPECT_LT(fill, std::find(host.calls.begin(), host.calls.end(), "QX_OS_HLP_SendOutLarge"));

        // Stack bytes the refused fill would have left are not sent.
        SetUp();
        host.failAlways("memset_s", 5);
        ASSERT_EQ(call(), 0U);
        ASSERT_EQ(host.hlp.size(), sent.size());
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(host.hlp[i].req, sent[i].req) << "command " << i;
        }
    }
}
