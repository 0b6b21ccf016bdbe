// Multicast EM statistics chip adapter: the one rule that picks a multicast
// stream by source, destination and VLAN, and the octets it counted.
#include "chip/kalo/kalo_btv_em.h"

#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_hooks.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_btv_em", hal::kModuleBtv);

namespace {

constexpr uint32_t kEmKeyType = 7;
constexpr uint32_t kIpv4 = 1;
constexpr uint32_t kVlanMax = 4096;  // a larger VLAN leaves the VLAN unmatched

btv_em_rule_req_s emRuleRequest(const BtvEmRule &rule)
{
    auto req = hal::cleared<btv_em_rule_req_s>();
    req.key_type = kEmKeyType;
    req.sip_valid = rule.sip != 0 ? 1U : 0U;
    req.sip_version = kIpv4;
    req.sip = rule.sip;
    req.dip_valid = 1;
    req.dip_version = kIpv4;
    req.dip = rule.dip;
    req.mask_valid = 1;
    req.mask = 0xFFFFFFFFU;
    if (rule.vlan <= kVlanMax) {
        req.vlan_valid = 1;
        req.vlan = rule.vlan;
    }
    return req;
}

}  // namespace

extern "C" {

uint32_t CHIP_KALO_SetBtvEmStatsRule(uint32_t act, const BtvEmRule *rule)
{
    if (rule == nullptr) {
        return HAL_ERR;
    }
    HAL_TRACE(41, "\r\n SetEmStatsRule start: act: %d, pro: %d, dip:0x%x, sip:0x%x, vlan:%d\r\n", act,
              uint32_t{rule->pro}, rule->dip, rule->sip, uint32_t{rule->vlan});
    btv_em_rule_req_s req = emRuleRequest(*rule);
    const uint32_t ret = act == 1 ? hal::sendRequest<hal::hlp::Cmd::BTV_SET_EM_RULE>(req)
                                  : hal::sendRequest<hal::hlp::Cmd::BTV_DEL_EM_RULE>(req);
    if (ret == 0) {
        HAL_TRACE(81, "\r\nQX_MSC_BTV_SetEmStatsRule  end\r\n");
    }
    return ret;
}

uint32_t CHIP_KALO_GetBtvEmStats(const BtvEmRule *rule, BtvEmResult *result)
{
    if (rule == nullptr || result == nullptr) {
        return HAL_ERR;
    }
    HAL_TRACE(107, "\r\n GetEmStats start : pro: %d, dip:0x%x, sip:0x%x, vlan:%d\r\n", uint32_t{rule->pro}, rule->dip,
              rule->sip, uint32_t{rule->vlan});
    btv_em_stats_reply_s reply;
    // The driver keeps one rule: the request names nothing.
    const uint32_t ret = hal::sendWord<hal::hlp::Cmd::BTV_GET_EM_STATS>(0, reply);
    if (ret == 0) {
        result->bytes_high = reply.bytes_high;
        result->bytes_low = reply.bytes_low;
        HAL_TRACE(121, "\r\n GetEmStats end : bytes_high:%d, bytes_low: %d\r\n", result->bytes_high, result->bytes_low);
    }
    return ret;
}

uint32_t CHIP_Register_BtvEm(void)
{
    hal::registerHooks<kalo::kBtvHooks, &CHIP_Register_BtvEm>();
    return 0;
}

}  // extern "C"
