// The chip's tables as the soak's invariants see them, the library's own
// state (its WAN list), and the findings of entries left behind.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chip/kalo/kalo_l3.h"
#include "soak_internal.h"

namespace halsim::soak_detail {

// ---- The chip's tables as the invariants see them ------------------------------------

Shape shapeOf(const ChipTables &t)
{
    const size_t rest = (t.isolation ? 1 : 0) + t.portIsolation.size() + (t.pvid ? 1 : 0) + t.bcEntries.size() +
                        t.tciCounters.size() + t.dscpTables.size() + t.bridgePorts.size() + t.learnMode.size() +
                        t.learnLimit.size() + t.learnState.size() + (t.aging ? 1 : 0) + t.learntMacs.size() +
                        t.macFilters.size() + t.macFilterModes.size() + (t.matchMode ? 1 : 0) + (t.emRule ? 1 : 0);
    return {t.l2Flows.size(),
            t.limits.size(),
            t.staticMacs.size(),
            t.pduFlows.size(),
            t.carProfiles.size(),
            t.carBindings.size(),
            t.dfxFlows.size(),
            t.programs.size(),
            t.programUsers.size(),
            t.groupCounters.size(),
            t.userCounters.size(),
            t.interfaces.size(),
            t.prefixes.size(),
            t.policyRoutes.size(),
            t.naptIndications.size(),
            t.wanCounters.size(),
            rest};
}

// The tables a call may change.
uint32_t touches(Op op)
{
    switch (op) {
        case Op::addFlow:
        case Op::delFlow:
            return bit(tFlows);
        case Op::setLimit:
            return bit(tLimits);
        case Op::addMac:
        case Op::delMac:
            return bit(tMacs);
        case Op::addAcl:
            return bit(tPdu) | bit(tCar) | bit(tBind);
        case Op::delAcl:  // an id the ACL removal does not know goes to the DFX removal
            return bit(tPdu) | bit(tCar) | bit(tBind) | bit(tDfx);
        case Op::addDfx:
        case Op::delDfx:
        case Op::dfxCount:
            return bit(tDfx);
        case Op::addProgram:  // a refused add removes the group's program, its users and their counters first
        case Op::delProgram:
            return bit(tPrograms) | bit(tUsers) | bit(tUserCounters);
        case Op::addUser:
            return bit(tUsers);
        case Op::delUser:
            return bit(tUsers) | bit(tUserCounters);
        case Op::addGroupStats:
        case Op::delGroupStats:
            return bit(tGroupCounters);
        case Op::addUserStats:
        case Op::delUserStats:
            return bit(tUserCounters);
        case Op::addIf:
        case Op::delIf:
        case Op::setMtu:
            return bit(tIfs);
        case Op::addPrefix:
        case Op::delPrefix:
            return bit(tPrefixes);
        case Op::addRoute:
        case Op::delRoute:
            return bit(tRoutes);
        case Op::addNapt:
        case Op::delNapt:
            return bit(tNapt);
        case Op::addWan:
        case Op::delWan:
            return bit(tWan);
        case Op::readMacs:
        case Op::readStats:
        case Op::readWan:
            return 0;
        case Op::other:
            break;
    }
    return ~0U;
}

// State lines of entries, as the chip prints them (up to the colon).
std::string idLine(Table t, uint32_t id) { return format("%s%u:", kTableLines[t], id); }
std::string macLine(const StaticMacKey &k)
{
    return format("static mac %s port %u vlan %u%s:", macText(k.mac.data()).c_str(), k.port, k.vlan,
                  k.anyVlan != 0 ? " any" : "");
}
std::string userLine(uint32_t group, uint32_t flow) { return format("program user %u flow %u", group, flow); }
std::string userCounterLine(const ProgramUser &u) { return format("user counter %u flow %u:", u.first, u.second); }
std::string ifLine(uint32_t index) { return format("l3 interface 0x%x:", index); }
std::string prefixLine(const PrefixKey &p)
{
    return format("prefix 0x%x: v%u %08x:%08x:%08x:%08x host bits %u", p.ifIndex, p.ipVer == 1 ? 4U : 6U, p.ip[0],
                  p.ip[1], p.ip[2], p.ip[3], p.hostBits);
}
std::string wanLine(const WanKey &k) { return format("wan counter type %u vlan %u:", k.first, k.second); }

// ---- The library's own state --------------------------------------------------------

std::vector<WanNode> wanList()
{
    std::vector<WanNode> out;
    QX_IFM_WAN_STATS_S *const head = QX_IFM_WanStatsGet();
    // A list that does not come back to its head is cut short; the heap
    // check then finds nodes it cannot account for.
    for (const QX_IFM_WAN_STATS_S *n = head->next; n != head && out.size() < 4096; n = n->next) {
        out.push_back({n, n->uiWanId, n->uiPortType, n->uiVlan});
    }
    return out;
}

// The driver's VLAN of a WAN's counter.
uint32_t counterVlan(uint32_t vlan) { return vlan == 0 ? 4096 : vlan; }

// The number after key= in a call's text (0 when there is none).
uint32_t numberAfter(const std::string &text, const char *key)
{
    const size_t at = text.find(key);
    return at == std::string::npos
               ? 0
               : static_cast<uint32_t>(std::strtoul(text.c_str() + at + std::strlen(key), nullptr, 0));
}
uint32_t ruleOf(const std::string &call) { return numberAfter(call, " ruleId="); }
uint32_t interfaceOf(const std::string &call) { return numberAfter(call, " ifIndex="); }

// ---- One failing check -------------------------------------------------------------------

namespace {

std::string joined(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines) {
        out += (out.empty() ? "'" : ", '") + l + "'";
    }
    return out;
}

}  // namespace

Finding leftBehind(const char *invariant, const std::string &what, const std::vector<std::string> &lines)
{
    Finding f{invariant, what + " left " + joined(lines), {}};
    for (const std::string &l : lines) {
        f.checks.push_back("expect not state " + l);
    }
    return f;
}

}  // namespace halsim::soak_detail
