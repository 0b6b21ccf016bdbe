// Layer-2 service chip adapter: installation and removal of service flows.
#include "chip/kalo/kalo_l2.h"

#include <cstddef>
#include <iterator>

#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_hooks.h"
#include "platform/clear.h"
#include "platform/diag.h"
#include "platform/hlp_cmd.h"
#include "platform/hlp_send.h"

HAL_DIAG_SOURCE("kalo_l2", hal::kModuleL2);

namespace {

using namespace kalo;

constexpr uint32_t kSecondMcFlowOffset = 1000;
constexpr uint16_t kAnyVlan = 0xFFFF;  // the VLAN asked for when the rule names none

// Host flow type codes to chip codes. Downstream flows use codes 0 to 3;
// upstream also 4 (with the second port) and 5 (2, or 0 toward some CTPs).
constexpr uint32_t kFlowTypeMap[] = {0, 1, 3, 2, 4, 2};
constexpr uint32_t kOutFlowTypes = 4;
constexpr uint32_t kInFlowTypeTrans = 4;
constexpr uint32_t kInFlowTypeLocal = 5;

uint32_t mapFlowType(uint32_t code, uint32_t codes) { return code < codes ? kFlowTypeMap[code] : 0; }

// Types of CTP toward which flows carry no tag action and whose upstream
// flows of code 5 are of chip type 0: 1, 4 and the first flowless type.
bool isNoTagActionType(uint32_t type)
{
    return type == kCtpSingle || type == kCtpVirtualUni || type == kCtpFlowlessFirst;
}

// Flows of CTPs of types 5 to 9 are accepted; nothing is installed for them.
bool isFlowlessType(uint32_t type) { return type >= kCtpFlowlessFirst && type <= kCtpFlowlessLast; }

bool dumpOn() { return QX_DIA_GetTraceFlag(hal::kModuleL2) != 0; }

uint32_t ctpType(uint32_t ctpId, uint32_t &type, uint16_t &userPort)
{
    type = kCtpUnknown;
    userPort = 0;
    return HAL_Ctp2UserPort(ctpId, &type, &userPort);
}

// The type of a flow's CTP; a failed lookup is recorded at the caller's line
// with the user port and the type as the lookup left them.
uint32_t flowCtpType(uint32_t ctpId, uint32_t failLine, uint32_t &type)
{
    uint16_t userPort = 0;
    const uint32_t ret = ctpType(ctpId, type, userPort);
    if (ret != 0) {
        lastWord(failLine, ret, userPort, type);
    }
    return ret;
}

uint32_t sendFlow(chip_flow_s &msg) { return hal::sendRequest<hal::hlp::Cmd::L2_ADD_FLOW>(msg); }

uint32_t sendFlowRemoval(uint32_t flowId) { return hal::sendWord<hal::hlp::Cmd::L2_DEL_FLOW>(flowId); }

// Match rule, tag action: the same steps for either direction.
void translate(const HAL_L2_FLOW_RULE_S &rule, const HAL_L2_FLOW_TREAT_S &treat, chip_flow_rule_s &chipRule,
               chip_flow_act_s &chipAct)
{
    PDT_L2M_TagNumTrans(rule.tagNum, &rule, &chipRule);
    (void)PDT_L2M_FlowRuleTrans(&rule, &chipRule);
    (void)PDT_L2M_FlowActTrans(&rule, &treat, &chipAct);
}

}  // namespace

extern "C" {

// ---- Entries of the hook table --------------------------------------------------

uint32_t CHIP_KALO_AddFlow(const HAL_L2_FLOW_S *flow)
{
    if (flow == nullptr) {
        lastWord(1644, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(1650, "FlowId = %d, CtpId = %d, BridgeId = %d, Pri = %d, FlowDirection = %d\n", flow->FlowId, flow->CtpId,
              flow->BridgeId, flow->Pri, flow->FlowDirection);
    const uint32_t ret = PDT_L2M_AddFlow(flow);
    if (ret != 0) {
        lastWord(1659, ret);
    }
    return ret;
}

uint32_t CHIP_KALO_DelFlow(const HAL_L2_FLOW_S *flow)
{
    if (flow == nullptr) {
        lastWord(1685, HAL_ERR);
        return HAL_ERR;
    }
    HAL_TRACE(1689, "FlowId = %d\n", flow->FlowId);
    const uint32_t ret = PDT_L2M_DelFlow(flow);
    if (ret != 0) {
        lastWord(1698, ret);
    }
    return ret;
}

uint32_t CHIP_Register_L2(void)
{
    hal::registerHooks<kalo::kL2Hooks, &CHIP_Register_L2>();
    return 0;
}

// ---- Installation -------------------------------------------------------------

uint32_t PDT_L2M_AddFlow(const HAL_L2_FLOW_S *flow)
{
    if (flow == nullptr) {
        return HAL_ERR;
    }
    uint32_t type = 0;
    uint32_t ret = flowCtpType(flow->CtpId, 1245, type);
    if (ret != 0) {
        return ret;
    }
    if (isFlowlessType(type)) {
        return 0;
    }

    auto msg = hal::cleared<chip_flow_s>();
    msg.flow_id = flow->FlowId;
    msg.body.pri = flow->Pri;
    msg.body.bridge_id = flow->BridgeId;
    switch (flow->FlowDirection) {
        case 0:
        case 3:
            msg.body.direction = kDirBoth;
            ret = PDT_L2M_AddInOutFlow(flow, &msg.body);
            break;
        case 1:
            msg.body.direction = kDirUpstream;
            ret = PDT_L2M_AddInFlow(flow, &msg.body.in);
            break;
        case 2:
            // The driver wants the CTP's port on the ingress side too; a
            // failure to resolve it here does not stop the flow.
            msg.body.direction = kDirDownstream;
            ret = PDT_L2M_AddOutFlow(flow, &msg.body.out);
            (void)CHIP_KALO_GetKaPortByCtp(flow->CtpId, &msg.body.in.in_port);
            break;
        default:
            break;
    }
    if (ret != 0) {
        lastWord(1296, ret);
        return ret;
    }

    if (type == kCtpAniMulticast || type == kCtpAniGem) {
        uint32_t gemPort = 0;
        uint16_t bridgeId = 0;
        ret = HAL_GetBCUCGemBgeById(flow->CtpId, &gemPort, &bridgeId);
        if (ret != 0) {
            lastWord(1302, ret, flow->CtpId, flow->FlowId);
            return ret;
        }
        msg.body.in.in_port.port_type = kPortGem;
        msg.body.in.in_port.mask = gemPort;
        msg.body.bridge_id = bridgeId;
        HAL_TRACE(1309, "\n---flow info: type = %d , mask = %d  bridge_id %d\n\n", kPortGem, gemPort, bridgeId);
    }

    if (PDT_L2M_CheckAdaptAniMCFlow(type) == 0) {
        return PDT_L2M_AdaptAniMCFlow(&msg);
    }
    ret = sendFlow(msg);
    if (ret != 0) {
        lastWord(1320, ret, msg.flow_id);
    }
    return ret;
}

uint32_t PDT_L2M_AddInFlow(const HAL_L2_FLOW_S *flow, chip_flow_in_s *in)
{
    if (flow == nullptr || in == nullptr) {
        return HAL_ERR;
    }
    uint32_t ret = CHIP_KALO_GetKaPortByCtp(flow->CtpId, &in->in_port);
    if (ret != 0) {
        lastWord(966, ret, flow->CtpId, flow->FlowId);
        return ret;
    }
    in->in_attr = flow->ucInFlowAttr;
    in->in_flow_type = mapFlowType(flow->ucInFlowType, std::size(kFlowTypeMap));
    if (flow->ucInFlowType == kInFlowTypeTrans) {
        ret = PDT_L2M_GetTransFlowKaPort(flow, in, &in->trans_port);
        if (ret != 0) {
            lastWord(985, ret, flow->CtpId, flow->usTransCtpId, flow->FlowId);
            return ret;
        }
    } else if (flow->ucInFlowType == kInFlowTypeLocal) {
        uint32_t type = 0;
        uint16_t userPort = 0;
        if (ctpType(flow->CtpId, type, userPort) == 0 && isNoTagActionType(type)) {
            in->in_flow_type = 0;
        }
    }

    if (dumpOn()) {
        HAL_CONSOLE("Wap InFlow:Flow ID = %d\n", flow->FlowId);
        PDT_L2M_WapRuleActPrint(&flow->stInRule, &flow->stInTreat);
    }
    translate(flow->stInRule, flow->stInTreat, in->in_rule, in->in_act);
    (void)PDT_L2M_FlowAdpt(flow, in);
    if (dumpOn()) {
        HAL_CONSOLE("SDK InFlow:Flow ID = %d\n", flow->FlowId);
        PDT_L2M_KaRuleActPrint(&in->in_rule, &in->in_act);
    }
    return 0;
}

uint32_t PDT_L2M_AddOutFlow(const HAL_L2_FLOW_S *flow, chip_flow_out_s *out)
{
    if (flow == nullptr || out == nullptr) {
        return HAL_ERR;
    }
    const uint32_t ret = CHIP_KALO_GetKaPortByCtp(flow->CtpId, &out->out_port);
    if (ret != 0) {
        lastWord(1058, ret, flow->CtpId, flow->FlowId);
        return ret;
    }
    out->out_flow_type = mapFlowType(flow->ucOutFlowType, kOutFlowTypes);

    if (dumpOn()) {
        HAL_CONSOLE("Wap DownFlow:\n");
        PDT_L2M_WapRuleActPrint(&flow->stOutRule, &flow->stOutTreat);
    }
    translate(flow->stOutRule, flow->stOutTreat, out->out_rule, out->out_act);
    if (dumpOn()) {
        HAL_CONSOLE("SDK DownFlow:\n");
        PDT_L2M_KaRuleActPrint(&out->out_rule, &out->out_act);
    }

    // No tag action toward ports that carry no tags.
    uint32_t type = 0;
    uint16_t userPort = 0;
    if (ctpType(flow->CtpId, type, userPort) == 0 && isNoTagActionType(type)) {
        chip_flow_act_s &act = out->out_act;
        act.tag_act = kTagActNone;
        act.stpid_source = kSourceNone;
        act.svlan_source = kSourceNone;
        act.spri_source = kSourceNone;
        act.ctpid_source = kSourceNone;
        act.cvlan_source = kSourceNone;
        act.cpri_source = kSourceNone;
    }
    return 0;
}

uint32_t PDT_L2M_AddInOutFlow(const HAL_L2_FLOW_S *flow, chip_flow_body_s *msg)
{
    if (flow == nullptr || msg == nullptr) {
        return HAL_ERR;
    }
    const uint32_t inRet = PDT_L2M_AddInFlow(flow, &msg->in);
    const uint32_t outRet = PDT_L2M_AddOutFlow(flow, &msg->out);
    return inRet | outRet;
}

uint32_t PDT_L2M_GetTransFlowKaPort(const HAL_L2_FLOW_S *flow, chip_flow_in_s *in, chip_port_s *transPort)
{
    if (flow == nullptr || in == nullptr || transPort == nullptr) {
        return HAL_ERR;
    }
    uint32_t ret = CHIP_KALO_GetKaPortByCtp(flow->usTransCtpId, transPort);
    if (ret != 0) {
        lastWord(133, ret, flow->usTransCtpId);
        return ret;
    }
    uint32_t type = 0;
    uint16_t userPort = 0;
    ret = ctpType(flow->CtpId, type, userPort);
    if (ret != 0) {
        lastWord(140, ret, flow->CtpId);
        return ret;
    }
    if (type != kCtpGponUni) {
        return CHIP_KALO_GetKaPortByCtp(flow->CtpId, &in->in_port);
    }

    // A GPON UNI flow enters through the unicast GEM port of its bridge and VLAN.
    uint16_t vlan = 0;
    ret = PDT_L2M_GetGemportVlan(flow, &vlan);
    if (ret != 0) {
        lastWord(152, ret, flow->BridgeId, flow->stInRule.tagNum, vlan);
        return ret;
    }
    gpon_uc_gemport_list_s gems{};
    ret = BLL_GPON_GetUCGemportByVbridgeID(flow->BridgeId, vlan, &gems);
    if (ret != 0) {
        lastWord(158, ret, flow->BridgeId, vlan);
        return ret;
    }
    if (gems.count != 1) {
        lastWord(164, flow->BridgeId, vlan, gems.count);
    }
    in->in_port.port_type = kPortGem;
    in->in_port.mask = gems.gemport[0];
    return 0;
}

uint32_t PDT_L2M_GetGemportVlan(const HAL_L2_FLOW_S *flow, uint16_t *vlan)
{
    if (flow == nullptr || vlan == nullptr) {
        return HAL_ERR;
    }
    const HAL_L2_FLOW_RULE_S &rule = flow->stInRule;
    switch (rule.tagNum) {
        case 0:
            *vlan = kAnyVlan;
            return 0;
        case 1:
        case 2: {
            const unsigned outer = rule.tagNum - 1U;
            *vlan = rule.vlanFilter[outer] != 0 ? rule.filterInfo[outer].vlanID : kAnyVlan;
            return 0;
        }
        default:
            return HAL_ERR;
    }
}

// ---- ANI multicast split ---------------------------------------------------------

uint32_t PDT_L2M_CheckAdaptAniMCFlow(uint32_t ctpType)
{
    if (ctpType != kCtpAniMulticast) {
        return 1;
    }
    return QX_Feature_IsSupportByFeatureName("FT_MULTICAST_VLAN_TAG") == 0 ? 1 : 0;
}

// A multicast flow with the multicast VLAN tag feature goes as two chip
// flows: one matching a single tag with the translated action, and one
// (flow id + 1000) matching two tags and removing the outer one.
uint32_t PDT_L2M_AdaptAniMCFlow(const chip_flow_s *msg)
{
    if (msg == nullptr) {
        return HAL_ERR;
    }
    // One copy serves both: the second flow changes only what the first
    // set or left as translated.
    chip_flow_s mc = *msg;
    mc.body.in.in_rule.tag_mode = 1;
    mc.body.in.in_rule.tag_type = kTagTypeTagged;
    mc.body.in.in_rule.tag_num = 1;
    if (dumpOn()) {
        HAL_CONSOLE("SDK InMcFlow:flow_id %d\n", mc.flow_id);
        PDT_L2M_KaRuleActPrint(&mc.body.in.in_rule, &mc.body.in.in_act);
    }
    uint32_t ret = sendFlow(mc);
    if (ret != 0) {
        lastWord(1179, ret, mc.flow_id);
        return ret;
    }

    mc.flow_id += kSecondMcFlowOffset;
    mc.body.in.in_rule.tag_num = 2;
    mc.body.in.in_act.tag_act = kTagActRemove;
    mc.body.in.in_act.tag_layer_num = 1;
    if (dumpOn()) {
        HAL_CONSOLE("SDK DownMcFlow:flow_id %d\n", mc.flow_id);
        PDT_L2M_KaRuleActPrint(&mc.body.in.in_rule, &mc.body.in.in_act);
    }
    ret = sendFlow(mc);
    if (ret != 0) {
        lastWord(1202, ret, mc.flow_id);
    }
    return ret;
}

// ---- Removal --------------------------------------------------------------------

uint32_t PDT_L2M_DelFlow(const HAL_L2_FLOW_S *flow)
{
    if (flow == nullptr) {
        return HAL_ERR;
    }
    uint32_t type = 0;
    uint32_t ret = flowCtpType(flow->CtpId, 1353, type);
    if (ret != 0) {
        return ret;
    }
    if (isFlowlessType(type)) {
        return 0;
    }
    ret = sendFlowRemoval(flow->FlowId);
    if (ret != 0) {
        lastWord(1374, ret, flow->FlowId);
        return ret;
    }
    if (PDT_L2M_CheckAdaptAniMCFlow(type) == 0) {
        const uint32_t secondId = flow->FlowId + kSecondMcFlowOffset;
        ret = sendFlowRemoval(secondId);
        if (ret != 0) {
            lastWord(1385, ret, secondId);
            return ret;
        }
    }
    return 0;
}

// ---- Bridge port of a virtual UNI -------------------------------------------------

uint32_t PDT_L2M_GetVUNIPort(uint32_t bridgeId, uint32_t usCtpId, chip_bridge_port_s *bridgePort)
{
    if (bridgePort == nullptr) {
        return HAL_ERR;
    }
    bridgePort->bridge_id = bridgeId;
    uint32_t ret = CHIP_KALO_GetKaPortByCtp(usCtpId, &bridgePort->port);
    if (ret != 0) {
        lastWord(39, ret, usCtpId);
        return ret;
    }
    uint32_t type = 0;
    uint16_t userPort = 0;
    ret = ctpType(usCtpId, type, userPort);
    if (ret != 0) {
        lastWord(46, ret, usCtpId);
        return ret;
    }
    if (type == kCtpVirtualUni) {
        bridgePort->port.port_type = kPortVirtualUni;
        bridgePort->port.mask = 1;
    }
    return 0;
}

// ---- Debug dump -----------------------------------------------------------------

void PDT_L2M_WapRuleActPrint(const HAL_L2_FLOW_RULE_S *rule, const HAL_L2_FLOW_TREAT_S *treat)
{
    if (rule == nullptr || treat == nullptr) {
        return;
    }
    const HAL_L2_FLOW_TAG_INFO_S *f = rule->filterInfo;
    const HAL_L2_FLOW_TAG_INFO_S *t = treat->treatInfo;
    HAL_CONSOLE("tagNum = %d,  ethTypeFilter = %d,  SelfDefEthType = %x\n", rule->tagNum, rule->ethTypeFilter,
                rule->SelfDefEthType);
    HAL_CONSOLE("tpidFilter[0] = %d,  filterInfo[0].tpid = %4x,  vlanFilter[0] = %d,  filterInfo[0].vlanID = %4d  ",
                rule->tpidFilter[0], f[0].tpid, rule->vlanFilter[0], f[0].vlanID);
    HAL_CONSOLE("priFilter[0] = %d,  filterInfo[0].pri = %2d, filterInfo[0].DscpTblId = %d\n", rule->priFilter[0],
                f[0].pri, f[0].DscpTblId);
    HAL_CONSOLE("tpidFilter[1] = %d,  filterInfo[1].tpid = %4x,  vlanFilter[1] = %d,  filterInfo[1].vlanID = %4d  ",
                rule->tpidFilter[1], f[1].tpid, rule->vlanFilter[1], f[1].vlanID);
    HAL_CONSOLE("priFilter[1] = %d,  filterInfo[1].pri = %2d, filterInfo[0].DscpTblId = %d\n", rule->priFilter[1],
                f[1].pri, f[1].DscpTblId);
    HAL_CONSOLE("tpidTreat[0] = %d,  treatInfo[0].tpid = %4x,  vlanTreat[0] = %d,  treatInfo[0].vlanID = %4d  ",
                treat->tpidTreat[0], t[0].tpid, treat->vlanTreat[0], t[0].vlanID);
    HAL_CONSOLE("priTreat[0] = %d, filterInfo[0].pri = %2d, filterInfo[0].DscpTblId = %d\n", treat->priTreat[0],
                t[0].pri, t[0].DscpTblId);
    HAL_CONSOLE("tpidTreat[1] = %d,  treatInfo[1].tpid = %4x,  vlanTreat[1] = %d,  treatInfo[1].vlanID = %4d  ",
                treat->tpidTreat[1], t[1].tpid, treat->vlanTreat[1], t[1].vlanID);
    HAL_CONSOLE("priTreat[1] = %d, filterInfo[1].pri = %2d, filterInfo[1].DscpTblId = %d\n", treat->priTreat[1],
                t[1].pri, t[1].DscpTblId);
}

void PDT_L2M_KaRuleActPrint(const chip_flow_rule_s *rule, const chip_flow_act_s *act)
{
    if (rule == nullptr || act == nullptr) {
        return;
    }
    HAL_CONSOLE(
        "tag_mode = %d,  tag_type = %d, tag_num = %d, etype_mode = %d,  etype = %d,  etype_selfdefine = %d\n"
        "ctpid_mode = %d,  ctpid = %4x,  cvlan_mode = %d,  cvlan = %4d  cpri_mode = %d,  cpri = %2d\n"
        "stpid_mode = %d,  stpid = %4x,  svlan_mode = %d,  svlan = %4d  spri_mode = %d,  spri = %2d\n",
        rule->tag_mode, rule->tag_type, rule->tag_num, rule->etype_mode, rule->etype, rule->etype_selfdefine,
        rule->ctpid_mode, rule->ctpid, rule->cvlan_mode, rule->cvlan, rule->cpri_mode, rule->cpri, rule->stpid_mode,
        rule->stpid, rule->svlan_mode, rule->svlan, rule->spri_mode, rule->spri);
    HAL_CONSOLE(
        "tag_act = %d, tag_layer_num = %d\n"
        "ctpid_source = %d,  ctpid = %4x,  cvlan_source = %d,  cvlan = %4d  cpri_source = %d,  cpri = %2d, "
        "cpri_map_id = %d\n"
        "stpid_source = %d,  stpid = %4x,  svlan_source = %d,  svlan = %4d  spri_source = %d,  spri = %2d, "
        "spri_map_id = %d\n\n",
        act->tag_act, act->tag_layer_num, act->ctpid_source, act->ctpid, act->cvlan_source, act->cvlan,
        act->cpri_source, act->cpri, act->cpri_map_id, act->stpid_source, act->stpid, act->svlan_source, act->svlan,
        act->spri_source, act->spri, act->spri_map_id);
}

}  // extern "C"
