// What a call is, as the soak's invariants see it: the kind of call, the
// object it names and the call that removes what it adds, read from the
// call as the scenario reader read it.
#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "soak_internal.h"

namespace halsim::soak_detail {

std::string format(const char *fmt, ...)
{
    char buf[768];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    return std::string(buf, n < 0 ? 0 : std::min(static_cast<size_t>(n), sizeof(buf) - 1));
}

std::string macText(const uint8_t *m)
{
    return format("%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
}

std::string hexResult(uint32_t v) { return v == 0 ? "0" : format("0x%x", v); }

// ---- What a call is ----------------------------------------------------------------

namespace {

struct OpOf {
    const char *function;
    Op op;
};

constexpr OpOf kOps[] = {
    {"HAL_L2_AddFlow", Op::addFlow},
    {"HAL_L2_DelFlow", Op::delFlow},
    {"HAL_L2_SetBcLimit", Op::setLimit},
    {"HAL_L2_SetUmcLimit", Op::setLimit},
    {"HAL_L2_SetUucLimit", Op::setLimit},
    {"HAL_L2_AddStaticMac", Op::addMac},
    {"HAL_L2_DelStaticMac", Op::delMac},
    {"HAL_L2_GetMacTable", Op::readMacs},
    {"HAL_PDU_PrtclPktAclAdd", Op::addAcl},
    {"HAL_PDU_PrtclPktAclDel", Op::delAcl},
    {"HAL_DFX_FlowAdd", Op::addDfx},
    {"HAL_DFX_FlowDel", Op::delDfx},
    {"HAL_DFX_FlowCntEnable", Op::dfxCount},
    {"HAL_DFX_FlowCntGet", Op::dfxCount},
    {"HAL_DFX_FlowCntClr", Op::dfxCount},
    {"HAL_BTV_AddProgramTable", Op::addProgram},
    {"HAL_BTV_DelProgramTable", Op::delProgram},
    {"HAL_BTV_AddProgramUsr", Op::addUser},
    {"HAL_BTV_DelProgramUsr", Op::delUser},
    {"HAL_BTV_AddBtvStats", Op::addGroupStats},
    {"HAL_BTV_DelBtvStats", Op::delGroupStats},
    {"HAL_BTV_ClearBtvStats", Op::readStats},
    {"HAL_BTV_GetBtvStats", Op::readStats},
    {"HAL_BTV_AddUserBtvStats", Op::addUserStats},
    {"HAL_BTV_DelUserBtvStats", Op::delUserStats},
    {"HAL_BTV_ClearUserBtvStats", Op::readStats},
    {"HAL_BTV_GetBtvUserStats", Op::readStats},
    {"HAL_L3_SynL3IFAdd", Op::addIf},
    {"HAL_L3_SynL3IFDel", Op::delIf},
    {"HAL_L3_SynL3IFSetMtu", Op::setMtu},
    {"HAL_L3_SynPrefixAdd", Op::addPrefix},
    {"HAL_L3_SynPrefixDel", Op::delPrefix},
    {"HAL_L3_AddPolicyRoute", Op::addRoute},
    {"HAL_L3_DelPolicyRoute", Op::delRoute},
    {"HAL_L3_AddNaptIndication", Op::addNapt},
    {"HAL_L3_DelNaptIndication", Op::delNapt},
    {"HAL_L3_AddWanStats", Op::addWan},
    {"HAL_L3_DelWanStats", Op::delWan},
    {"HAL_L3_ClearWanStats", Op::readWan},
    {"HAL_L3_GetWanStats", Op::readWan},
};

Op opOf(const api::Function *f)
{
    static std::map<const api::Function *, Op> known;
    auto it = known.find(f);
    if (it == known.end()) {
        Op op = Op::other;
        for (const OpOf &o : kOps) {
            op = std::strcmp(o.function, f->name) == 0 ? o.op : op;
        }
        it = known.emplace(f, op).first;
    }
    return it->second;
}

template <typename T>
T recordOf(const ScenarioLine &l, size_t param)
{
    static_assert(std::is_trivially_copyable_v<T>);
    T rec{};
    const std::vector<uint8_t> &b = l.buffers[param];
    std::memcpy(&rec, b.data(), std::min(sizeof(rec), b.size()));
    return rec;
}

// The text of a line after its first word: the arguments.
std::string argsOf(const ScenarioLine &l) { return l.text.substr(std::strlen(l.function->name)); }

std::string userCall(const char *function, const BtvProgramUser &u)
{
    return format("%s usCtp=%u usFlowId=%u uiIsWifi=%u uiIsWifiUpMode=%u stProgram.uiMcastGroupID=%u", function,
                  u.usCtp, u.usFlowId, u.uiIsWifi, u.uiIsWifiUpMode, u.stProgram.uiMcastGroupID);
}

}  // namespace

std::string macRemoval(uint32_t port, uint32_t vlan, const uint8_t *mac)
{
    return format("HAL_L2_DelStaticMac port=%u vlan=%u mac=%s", port, vlan, macText(mac).c_str());
}

Call describe(const ScenarioLine &l)
{
    Call c;
    c.op = opOf(l.function);
    const std::string name = l.function->name;
    const auto word = [&l](size_t i) { return l.args.words[i]; };
    switch (c.op) {
        case Op::addFlow:
        case Op::delFlow: {
            const auto f = recordOf<HAL_L2_FLOW_S>(l, 0);
            c.id = f.FlowId;
            c.removal = format("HAL_L2_DelFlow FlowId=%u CtpId=%u", f.FlowId, f.CtpId);
            break;
        }
        case Op::setLimit:
            c.id = word(0);
            c.limit = name == "HAL_L2_SetBcLimit"    ? LimitClass::Broadcast
                      : name == "HAL_L2_SetUmcLimit" ? LimitClass::UnknownMulticast
                                                     : LimitClass::UnknownUnicast;
            break;
        case Op::addMac:
        case Op::delMac: {
            const auto mac = recordOf<std::array<uint8_t, 6>>(l, 2);
            const uint32_t vlan = word(1);
            c.anyVlan = vlan == HAL_L2_MAC_VLAN_NONE || vlan == 0xFFFF;
            c.mac = StaticMacKey{word(0), c.anyVlan ? 0 : vlan, 0, mac};
            c.removal = macRemoval(word(0), c.anyVlan ? HAL_L2_MAC_VLAN_NONE : vlan, mac.data());
            break;
        }
        case Op::addAcl: {
            c.id = word(0);
            const auto rule = recordOf<PrtclPktRule>(l, 3);
            const auto action = recordOf<PrtclPktAction>(l, 5);
            if (rule.uiIsDfx == 1) {
                c.op = Op::addDfx;
                c.removal = format("HAL_DFX_FlowDel flowId=%u", c.id);
            } else {
                c.carPath = action.uiCarRate != 0 && c.id < HAL_PDU_CAR_RECORD_NUM;
                c.removal = format("HAL_PDU_PrtclPktAclDel aclId=%u", c.id);
            }
            break;
        }
        case Op::addDfx:
            c.id = word(0);
            c.removal = format("HAL_DFX_FlowDel flowId=%u", c.id);
            break;
        case Op::delAcl:
        case Op::delDfx:
        case Op::dfxCount:
            c.id = word(0);
            break;
        case Op::addRoute:
        case Op::delRoute:
            c.id = word(0);
            c.removal = format("HAL_L3_DelPolicyRoute ruleId=%u", c.id);
            break;
        case Op::addProgram:
        case Op::delProgram:
            c.id = recordOf<BtvProgram>(l, 0).uiMcastGroupID;
            c.removal = format("HAL_BTV_DelProgramTable uiMcastGroupID=%u", c.id);
            break;
        case Op::addUser:
        case Op::delUser: {
            const auto u = recordOf<BtvProgramUser>(l, 0);
            c.id = u.stProgram.uiMcastGroupID;
            c.flow = u.usFlowId;
            c.wifi = u.uiIsWifi == 1;
            c.upMode = u.uiIsWifiUpMode == 1;
            c.removal = userCall("HAL_BTV_DelProgramUsr", u);
            break;
        }
        case Op::addGroupStats:
        case Op::delGroupStats:
            c.id = recordOf<BtvStats>(l, 0).uiMCastGroupId;
            c.removal = format("HAL_BTV_DelBtvStats uiMCastGroupId=%u", c.id);
            break;
        case Op::addUserStats:
        case Op::delUserStats: {
            const auto s = recordOf<BtvUserStats>(l, 0);
            c.id = s.uiMCastGroupId;
            c.flow = s.usFlowID;
            c.removal = format("HAL_BTV_DelUserBtvStats uiMCastGroupId=%u usFlowID=%u", c.id, c.flow);
            break;
        }
        case Op::addIf:
        case Op::delIf:
        case Op::setMtu:
            c.id = word(0);
            c.removal = format("HAL_L3_SynL3IFDel ifIndex=0x%x", c.id);
            break;
        case Op::addPrefix:
        case Op::delPrefix:
            c.id = word(0);
            c.removal = "HAL_L3_SynPrefixDel" + argsOf(l);
            break;
        case Op::addNapt:
        case Op::delNapt:
            c.id = word(0);
            c.removal = "HAL_L3_DelNaptIndication" + argsOf(l);
            break;
        case Op::addWan:
        case Op::delWan:
        case Op::readWan:
            c.id = word(0);
            c.removal = format("HAL_L3_DelWanStats wanId=0x%x", c.id);
            break;
        case Op::readMacs:
        case Op::readStats:
        case Op::other:
            break;
    }
    return c;
}

}  // namespace halsim::soak_detail
