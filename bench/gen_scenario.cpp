// gen_scenario: writes a scenario file of a busy terminal for halsim, as
// long as asked, to time halsim on a large file.
//
//   gen_scenario FILE [CALLS]      (CALLS defaults to 100000)
//
// The file holds exactly CALLS calls. After the host setup and the
// initialisation of the three families, it repeats one round: a routed WAN
// comes up (WAN counter, L3 interface, MTU, source prefix, policy route,
// NAPT indication), a subscriber's services are set up on an Ethernet port
// (service flow, broadcast or multicast limit, static MAC, TCI counter,
// protocol ACL), a set-top box joins a channel (program, program user,
// channel counter), the counters are read, and what came up kLifetime
// rounds earlier goes down again in the reverse order. Ids, VLANs, MACs and
// groups cycle over 2 * kLifetime slots, so that every object is removed
// before its slot is used again and every add pairs with a remove. Every
// kCheckEvery rounds a few expect lines check results, an HLP command, a
// counter read after traffic and the chip's tables; the file runs with no
// failed expect.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t kLifetime = 8;           // rounds an object lives
constexpr uint32_t kSlots = 2 * kLifetime;  // ids in use, cycled
constexpr uint32_t kCheckEvery = 64;        // rounds between expect blocks
constexpr uint32_t kMacTableEvery = 256;    // rounds between MAC table reads
constexpr uint32_t kUserPorts = 4;          // Ethernet user ports 1 to 4

class Writer {
public:
    Writer(std::FILE *out, uint64_t calls) : out_(out), left_(calls) {}

    bool done() const { return left_ == 0; }

    // A call line; false (and nothing written) once the file holds all its
    // calls.
    bool call(const std::string &line)
    {
        if (left_ == 0) {
            return false;
        }
        --left_;
        put(line);
        return true;
    }

    // Any other line (host setting, traffic, expect, comment); none once
    // the file holds all its calls, so the checks of the last call are left
    // out.
    void line(const std::string &text)
    {
        if (left_ != 0) {
            put(text);
        }
    }

    bool failed() const { return failed_; }

private:
    void put(const std::string &text)
    {
        failed_ = failed_ || std::fputs(text.c_str(), out_) < 0 || std::fputc('\n', out_) == EOF;
    }

    std::FILE *out_;
    uint64_t left_;
    bool failed_ = false;
};

std::string num(uint32_t v) { return std::to_string(v); }

std::string hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", v);
    return text;
}

std::string hexByte(uint32_t v)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02x", v & 0xFFU);
    return text;
}

// What one slot's objects are made of.
struct Slot {
    uint32_t slot;
    uint32_t ctp;         // the subscriber's Ethernet CTP (user port)
    uint32_t flowId;      // its service flow
    uint32_t vlan;        // its service VLAN
    uint32_t aclId;       // its protocol ACL (and CAR profile)
    uint32_t wanId;       // the WAN's counter and L3 interface index
    uint32_t wanVlan;     // the WAN's VLAN
    uint32_t routeId;     // its policy route and NAPT indication
    uint32_t group;       // the channel's multicast group
    uint32_t viewerFlow;  // the set-top box's multicast flow
};

Slot slotOf(uint32_t round)
{
    const uint32_t s = round % kSlots;
    return Slot{s, 1 + s % kUserPorts, 100 + s, 100 + s, 10 + s, 0x101 + s, 300 + s, 1 + s, 3 + s, 200 + s};
}

std::string flow(const char *fn, const Slot &s)
{
    return std::string(fn) + " FlowId=" + num(s.flowId) + " CtpId=" + num(s.ctp) +
           " BridgeId=1 FlowDirection=0 stInTreat.vlanTreat[0]=2 stInTreat.priTreat[0]=1 "
           "stInTreat.treatInfo[0].vlanID=" +
           num(s.vlan) + " stOutRule.tagNum=1 stOutRule.vlanFilter[0]=1 stOutRule.filterInfo[0].vlanID=" + num(s.vlan) +
           " stOutTreat.vlanTreat[0]=5";
}

std::string staticMac(const char *fn, const Slot &s)
{
    return std::string(fn) + " port=" + num(s.ctp) + " vlan=" + num(s.vlan) + " mac=00:1b:2c:3d:4e:" + hexByte(s.slot);
}

std::string tci(const char *fn, const Slot &s)
{
    return std::string(fn) + " ctpId=" + num(s.ctp) + " vlan=" + num(s.vlan) + " pri=0";
}

// ARP on even slots (by capture type), DHCP requests on odd ones (IP
// protocol, both L4 ports, IP version and its qualifier).
std::string acl(const Slot &s)
{
    const std::string head =
        "HAL_PDU_PrtclPktAclAdd aclId=" + num(s.aclId) + " portType=1 portId=" + num(s.ctp) + " ruleClass=1 ";
    if (s.slot % 2 == 0) {
        return head +
               "rule.uiFieldFlags=0x8000000 rule.uiCapType=2 action.uiAction=1 action.uiPriority=8 action.uiCarRate=64";
    }
    return head +
           "rule.uiFieldFlags=0x23900 rule.uiIpProtocol=17 rule.uiL4SrcPort=68 rule.uiL4DstPort=67 rule.uiIpVersion=1 "
           "action.uiAction=1 action.uiPriority=6 action.uiCarRate=128";
}

std::string program(const char *fn, const Slot &s)
{
    return std::string(fn) + " uiMcastGroupID=" + num(s.group) +
           " usOrigMvlan=1000 usReplMvlan=1000 mac=01:00:5e:0a:00:" + hexByte(s.group);
}

std::string viewer(const char *fn, const Slot &s)
{
    return std::string(fn) + " usCtp=" + num(s.ctp) + " usFlowId=" + num(s.viewerFlow) +
           " uiIsWifi=0 stProgram.uiMcastGroupID=" + num(s.group) +
           " stProgram.usOrigMvlan=1000 stProgram.usReplMvlan=1000 stProgram.mac=01:00:5e:0a:00:" + hexByte(s.group);
}

std::string interface(const Slot &s)
{
    return "HAL_L3_SynL3IFAdd ifIndex=" + hex(s.wanId) + " uiKind=1 aucMac=00:1e:10:2a:3b:" + hexByte(s.slot) +
           " uiVlanId=" + num(s.wanVlan) + " uiPriMode=1 uiPri=5 uiIpv4State=1 uiIpv6State=2 uiIpv4NaptSel=1";
}

std::string prefix(const char *fn, const Slot &s)
{
    return std::string(fn) + " ifIndex=" + hex(s.wanId) + " ucEntryId=1 auiAddr[0]=10.0." + num(s.slot) +
           ".2 uiPrefixLen=24";
}

std::string route(const Slot &s)
{
    return "HAL_L3_AddPolicyRoute ruleId=" + num(s.routeId) + " uiRouteID=0xffffffff uiMatchMask=1 aucSrcIp=192.168." +
           num(s.slot) + ".0 uiIpMask=0xffffff00 uiAct=2 uiCtpNum=2 auiCtpId=1,2";
}

std::string napt(const char *fn, const Slot &s)
{
    return std::string(fn) + " ruleId=" + num(s.routeId) + " uiRouteTblID=0xffffffff uiOutIfIndex=" + hex(s.wanId) +
           " uiIsToNapt=1";
}

// The broadcast, unknown-multicast or unknown-unicast limit of the port,
// by round.
std::string limit(uint32_t round, const Slot &s)
{
    static const char *const kLimits[] = {"HAL_L2_SetBcLimit", "HAL_L2_SetUmcLimit", "HAL_L2_SetUucLimit"};
    const uint32_t rate = 1000 * (1 + round % 8);
    return std::string(kLimits[round % 3]) + " ctpId=" + num(s.ctp) + " UsLimit=" + num(rate) +
           " DsLimit=" + num(2 * rate);
}

void up(Writer &w, uint32_t round, bool check)
{
    const Slot s = slotOf(round);
    // A routed WAN.
    w.call("HAL_L3_AddWanStats wanId=" + hex(s.wanId) + " vlan=" + num(s.wanVlan) + " pri=0");
    w.call(interface(s));
    w.call("HAL_L3_SynL3IFSetMtu ifIndex=" + hex(s.wanId) + " mtu=1492");
    w.call(prefix("HAL_L3_SynPrefixAdd", s));
    w.call(route(s));
    w.call(napt("HAL_L3_AddNaptIndication", s));
    // The subscriber's services.
    if (w.call(flow("HAL_L2_AddFlow", s)) && check) {
        w.line("expect result 0");
        w.line("expect commands 1");
        w.line("expect command L2_ADD_FLOW flow_id=" + num(s.flowId));
        w.line("expect state l2 flow " + num(s.flowId) + ":");
    }
    w.call(limit(round, s));
    w.call(staticMac("HAL_L2_AddStaticMac", s));
    w.call(tci("HAL_L2_AddPortTciStats", s));
    if (w.call(acl(s)) && check) {
        w.line("expect result 0");
        w.line("expect state pdu flow " + num(s.aclId) + ":");
    }
    // A viewer on a channel.
    w.call(program("HAL_BTV_AddProgramTable", s));
    w.call(viewer("HAL_BTV_AddProgramUsr", s));
    w.call("HAL_BTV_AddBtvStats uiMCastGroupId=" + num(s.group));
}

void read(Writer &w, uint32_t round, bool check)
{
    const Slot s = slotOf(round);
    if (check) {
        w.line("traffic wan type=1 vlan=" + num(s.wanVlan) + " rcvPackets=10 rcvOctets=1500 sendPackets=4");
    }
    if (w.call("HAL_L3_GetWanStats wanId=" + hex(s.wanId)) && check) {
        w.line("expect result 0");
        w.line("expect out uiRcvPkts=10 uiSndPkts=4");
    }
    w.call(tci("HAL_L2_GetPortTciStats", s));
    w.call("HAL_BTV_GetBtvStats uiMCastGroupId=" + num(s.group));
    if (round % kMacTableEvery == kMacTableEvery - 1) {
        w.call("HAL_L2_GetMacTable");
    }
}

void down(Writer &w, uint32_t round, bool check)
{
    const Slot s = slotOf(round);
    w.call("HAL_BTV_DelBtvStats uiMCastGroupId=" + num(s.group));
    w.call(viewer("HAL_BTV_DelProgramUsr", s));
    w.call(program("HAL_BTV_DelProgramTable", s));
    w.call("HAL_PDU_PrtclPktAclDel aclId=" + num(s.aclId));
    w.call(tci("HAL_L2_DelPortTciStats", s));
    w.call(staticMac("HAL_L2_DelStaticMac", s));
    if (w.call("HAL_L2_DelFlow FlowId=" + num(s.flowId) + " CtpId=" + num(s.ctp)) && check) {
        w.line("expect result 0");
        w.line("expect not state l2 flow " + num(s.flowId) + ":");
    }
    w.call(napt("HAL_L3_DelNaptIndication", s));
    w.call("HAL_L3_DelPolicyRoute ruleId=" + num(s.routeId));
    w.call(prefix("HAL_L3_SynPrefixDel", s));
    w.call("HAL_L3_SynL3IFDel ifIndex=" + hex(s.wanId));
    w.call("HAL_L3_DelWanStats wanId=" + hex(s.wanId));
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: gen_scenario FILE [CALLS]\n");
        return 2;
    }
    char *end = nullptr;
    const unsigned long long calls = argc == 3 ? std::strtoull(argv[2], &end, 10) : 100000;
    if (argc == 3 && (end == argv[2] || *end != '\0')) {
        std::fprintf(stderr, "gen_scenario: CALLS is a number, not '%s'\n", argv[2]);
        return 2;
    }
    std::FILE *out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    Writer w(out, calls);
    w.line("# A busy terminal, " + std::to_string(calls) + " calls: written by gen_scenario.");
    w.line("host chipattr 0x10001=3");
    w.call("HAL_L2_InitUser");
    w.call("HAL_L3_InitUser");
    w.call("HAL_BTV_InitUser");
    for (uint32_t round = 0; !w.done(); ++round) {
        const bool check = round % kCheckEvery == 0;
        up(w, round, check);
        read(w, round, check);
        if (round >= kLifetime) {
            down(w, round - kLifetime, (round - kLifetime) % kCheckEvery == 0);
        }
    }
    const bool failed = w.failed() || std::fclose(out) != 0;
    if (failed) {
        std::fprintf(stderr, "gen_scenario: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
