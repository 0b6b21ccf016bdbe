// The simulated driver's state as text: one line per entry, table by table,
// in key order, so that two runs that leave the same chip print the same.
#include <cstdarg>
#include <cstdio>

#include "chip/kalo/kalo_codes.h"
#include "driver.h"

namespace halsim {

namespace {

constexpr uint32_t kNoRate = 0xFFFFFFFF;

class Lines {
public:
    void add(const char *fmt, ...) __attribute__((format(printf, 2, 3)))
    {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        const int n = std::vsnprintf(buf, sizeof(buf), fmt, ap);
        va_end(ap);
        if (n > 0) {
            text_ += buf;
            text_ += '\n';
        }
    }
    std::string text() const { return text_; }

private:
    std::string text_;
};

std::string portText(const PortKey &p)
{
    char buf[48];
    if (p == PortKey{}) {
        return "device";
    }
    const char *name = nullptr;
    for (const hal::rec::ValueName &v : kalo::kPortTypeNames) {
        name = v.value == p.type ? v.name : name;
    }
    if (name != nullptr) {
        std::snprintf(buf, sizeof(buf), "%s/0x%x", name, p.mask);
    } else {
        std::snprintf(buf, sizeof(buf), "type%u/0x%x", p.type, p.mask);
    }
    return buf;
}

std::string portText(const chip_port_s &p) { return portText(PortKey{p.port_type, p.mask}); }

std::string macText(const uint8_t *m)
{
    char buf[24];
    std::snprintf(buf, sizeof(buf), "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return buf;
}

std::string rateText(uint32_t rate) { return rate == kNoRate ? "none" : std::to_string(rate); }

// One hex digit per DSCP value; a value past 15 in brackets.
std::string dscpText(const std::array<uint8_t, 64> &entries)
{
    std::string out;
    char buf[8];
    for (const uint8_t e : entries) {
        std::snprintf(buf, sizeof(buf), e < 16 ? "%x" : "[%x]", e);
        out += buf;
    }
    return out;
}

const char *limitName(LimitClass c)
{
    switch (c) {
        case LimitClass::Broadcast:
            return "broadcast";
        case LimitClass::UnknownMulticast:
            return "unknown multicast";
        case LimitClass::UnknownUnicast:
            return "unknown unicast";
        case LimitClass::UserBroadcast:
            return "user broadcast";
    }
    return "?";
}

unsigned long long ull(uint64_t v) { return v; }

void addL2(Lines &out, const ChipTables &t)
{
    for (const auto &[id, f] : t.l2Flows) {
        out.add("l2 flow %u: direction %u bridge %u pri %u in %s out %s", id, f.direction, f.bridge_id, f.pri,
                portText(f.in.in_port).c_str(), portText(f.out.out_port).c_str());
    }
    if (t.isolation) {
        out.add("isolation %s", *t.isolation ? "on" : "off");
    }
    for (const auto &[port, isolate] : t.portIsolation) {
        out.add("isolate %s: %u", portText(port).c_str(), isolate);
    }
    if (t.pvid) {
        out.add("pvid %u", *t.pvid);
    }
    for (const auto &[second, third] : t.bcEntries) {
        out.add("broadcast entry %u %u", second, third);
    }
    for (const auto &[k, n] : t.tciCounters) {
        out.add("tci %s vlan %u pri %u: rx %llu/%llu tx %llu/%llu", portText(k.port).c_str(), k.vlan, k.pri,
                ull(n.rcvFrames), ull(n.rcvOctets), ull(n.sendFrames), ull(n.sendOctets));
    }
    for (const auto &[id, entries] : t.dscpTables) {
        out.add("dscp table %u: %s", id, dscpText(entries).c_str());
    }
    for (const auto &[k, value] : t.bridgePorts) {
        out.add("bridge %u port %s: %u", k.bridge, portText(k.port).c_str(), value);
    }
    for (const auto &[k, car] : t.limits) {
        out.add("limit %s %s: in %s out %s", limitName(k.first), portText(k.second).c_str(),
                rateText(car.in.pir).c_str(), rateText(car.out.pir).c_str());
    }
}

void addMac(Lines &out, const ChipTables &t)
{
    for (const auto &[port, mode] : t.learnMode) {
        out.add("learn mode %s: %u", portText(port).c_str(), mode);
    }
    for (const auto &[port, limit] : t.learnLimit) {
        out.add("learn limit %s: %s", portText(port).c_str(), rateText(limit).c_str());
    }
    for (const auto &[port, state] : t.learnState) {
        out.add("learn state %s: %u", portText(port).c_str(), state);
    }
    if (t.aging) {
        out.add("aging mode %u time %u", t.aging->mode, t.aging->time);
    }
    for (const auto &[k, mask] : t.staticMacs) {
        out.add("static mac %s port %u vlan %u%s: chip ports 0x%x", macText(k.mac.data()).c_str(), k.port, k.vlan,
                k.anyVlan != 0 ? " any" : "", mask);
    }
    for (const auto &[k, e] : t.learntMacs) {
        out.add("learnt mac %s vlan %u kind %u: chip ports 0x%x", macText(e.mac.data()).c_str(), k.first, e.kind,
                e.mask);
    }
    for (const MacFilterKey &k : t.macFilters) {
        out.add("mac filter %s %s", portText(k.port).c_str(), macText(k.mac.data()).c_str());
    }
    for (const auto &[port, mode] : t.macFilterModes) {
        out.add("mac filter mode %s: %u", portText(port).c_str(), mode);
    }
}

void addPrtcl(Lines &out, const ChipTables &t)
{
    for (const auto &[id, f] : t.pduFlows) {
        out.add("pdu flow %u: class %u action %u pri %s port %s match %u/0x%x", id, f.uiRuleClass, f.action,
                f.pri_valid != 0 ? std::to_string(f.pri).c_str() : "none", portText(f.match.port).c_str(),
                f.match.match.kind, f.match.match.value);
    }
    for (const auto &[id, car] : t.carProfiles) {
        out.add("car profile %u: rate %u", id, car.rate[0]);
    }
    for (const auto &[flow, car] : t.carBindings) {
        out.add("car binding flow %u: profile %u", flow, car);
    }
    for (const auto &[id, f] : t.dfxFlows) {
        const char *counting = !f.counting ? "unconfigured" : f.countingOn ? "on" : "off";
        out.add("dfx flow %u: port %s counting %s: %u frames %u octets", id,
                portText(f.flow.m.direction == 0 ? f.flow.m.in_port : f.flow.m.out_port).c_str(), counting,
                f.counters[0], f.counters[1]);
    }
}

void addBtv(Lines &out, const ChipTables &t)
{
    for (const auto &[group, p] : t.programs) {
        out.add("program %u: vlan %u mac %s", group, p.vlan, macText(p.mac).c_str());
    }
    for (const ProgramUser &u : t.programUsers) {
        out.add("program user %u flow %u", u.first, u.second);
    }
    if (t.matchMode) {
        out.add("match mode %u", *t.matchMode);
    }
    for (const auto &[group, n] : t.groupCounters) {
        out.add("group counter %u: %u frames %llu octets", group, n.frames, ull(n.octets));
    }
    for (const auto &[u, n] : t.userCounters) {
        out.add("user counter %u flow %u: %u frames %llu octets", u.first, u.second, n.frames, ull(n.octets));
    }
    if (t.emRule) {
        out.add("em rule dip 0x%x sip 0x%x vlan %s: %llu octets", t.emRule->dip, t.emRule->sip,
                t.emRule->vlan_valid != 0 ? std::to_string(t.emRule->vlan).c_str() : "any", ull(t.emOctets));
    }
}

void addL3(Lines &out, const ChipTables &t)
{
    for (const auto &[index, i] : t.interfaces) {
        out.add("l3 interface 0x%x: mac %s vlan %u mtu %s", index, macText(i.rec.mac).c_str(), i.rec.vlan,
                i.mtu ? std::to_string(*i.mtu).c_str() : "unset");
    }
    for (const PrefixKey &p : t.prefixes) {
        out.add("prefix 0x%x: v%u %08x:%08x:%08x:%08x host bits %u", p.ifIndex, p.ipVer == 1 ? 4U : 6U, p.ip[0],
                p.ip[1], p.ip[2], p.ip[3], p.hostBits);
    }
    for (const auto &[id, r] : t.policyRoutes) {
        out.add("policy route %u: ingress %s act %u table %u", id,
                portText(PortKey{r.ingress_type, r.ingress_mask}).c_str(), r.act, r.table_id);
    }
    for (const auto &[id, n] : t.naptIndications) {
        out.add("napt indication %u: table %u interface 0x%x dip 0x%x host bits %u session %u", id, n.table_id,
                n.l3_if_id, n.dip.ip[0], n.dip.mask, n.session);
    }
    for (const auto &[k, n] : t.wanCounters) {
        out.add("wan counter type %u vlan %u: rx %u/%llu tx %u/%llu", k.first, k.second, n.rcvPackets, ull(n.rcvOctets),
                n.sendPackets, ull(n.sendOctets));
    }
}

}  // namespace

std::string ChipModel::summary() const
{
    Lines out;
    addL2(out, t_);
    addMac(out, t_);
    addPrtcl(out, t_);
    addBtv(out, t_);
    addL3(out, t_);
    return out.text();
}

}  // namespace halsim
