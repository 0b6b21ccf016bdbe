#include "scenario_settings.h"

#include <functional>
#include <initializer_list>
#include <limits>

#include "fields.h"

namespace halsim {

namespace {

// A key a line may give, and where its number goes.
struct Key {
    const char *name;
    std::function<void(uint64_t)> set;
    uint64_t max = std::numeric_limits<uint32_t>::max();
};

bool number(const Pair &p, uint64_t max, uint64_t &v, std::string &error)
{
    const std::optional<uint64_t> n = parseNumber(p.value);
    if (!n || *n > max) {
        error = "bad value '" + p.value + "' for " + p.key;
        return false;
    }
    v = *n;
    return true;
}

bool assign(const std::vector<Pair> &pairs, std::initializer_list<Key> keys, const std::string &what,
            std::string &error)
{
    for (const Pair &p : pairs) {
        const Key *key = nullptr;
        for (const Key &k : keys) {
            key = p.key == k.name ? &k : key;
        }
        if (key == nullptr) {
            error = "unknown key '" + p.key + "' for " + what;
            return false;
        }
        uint64_t v = 0;
        if (!number(p, key->max, v, error)) {
            return false;
        }
        key->set(v);
    }
    return true;
}

// NUMBER=VALUE pairs into a map by number.
template <typename Set>
bool numbered(const std::vector<Pair> &pairs, const std::string &what, std::string &error, Set set)
{
    for (const Pair &p : pairs) {
        const std::optional<uint64_t> key = parseNumber(p.key);
        uint64_t v = 0;
        if (!key || *key > std::numeric_limits<uint32_t>::max()) {
            error = "bad " + what + " '" + p.key + "': a number";
            return false;
        }
        if (!number(p, std::numeric_limits<uint32_t>::max(), v, error)) {
            return false;
        }
        set(static_cast<uint32_t>(*key), static_cast<uint32_t>(v));
    }
    return true;
}

template <typename T>
std::function<void(uint64_t)> to(T &field)
{
    return [&field](uint64_t v) { field = static_cast<T>(v); };
}

// traffic mac: an entry the chip learnt, its address given as
// AA:BB:CC:DD:EE:FF and the rest as numbers.
bool learntMac(ChipModel &chip, const std::vector<Pair> &pairs, const std::string &what, bool &counted,
               std::string &error)
{
    LearntMac entry;
    std::vector<Pair> numbers;
    for (const Pair &p : pairs) {
        if (p.key != "mac") {
            numbers.push_back(p);
            continue;
        }
        std::string why;
        if (p.value.size() != 17 || !writeValue(entry.mac.data(), FieldRef{0, 1, 6}, p.value, why)) {
            error = "bad MAC address '" + p.value + "' for mac";
            return false;
        }
    }
    if (!assign(numbers,
                {{"mask", to(entry.mask)},
                 {"vlan", to(entry.vlan), 0xFFFF},
                 {"novlan", to(entry.noVlan), 1},
                 {"kind", to(entry.kind)}},
                what, error)) {
        return false;
    }
    counted = chip.addLearntMac(entry) == 0;
    return true;
}

}  // namespace

bool applyHostSetting(Host &h, const std::string &setting, const std::vector<Pair> &pairs, std::string &error)
{
    if (setting == "feature") {
        for (const Pair &p : pairs) {
            uint64_t v = 0;
            if (!number(p, std::numeric_limits<uint32_t>::max(), v, error)) {
                return false;
            }
            h.features[p.key] = static_cast<uint32_t>(v);
        }
        return true;
    }
    if (setting == "pdattr" || setting == "chipattr") {
        std::map<uint32_t, Host::Attr> &attrs = setting == "pdattr" ? h.pdAttrs : h.chipAttrs;
        return numbered(pairs, "attribute", error, [&attrs](uint32_t id, uint32_t v) { attrs[id] = {0, v}; });
    }
    if (setting == "trace") {
        return numbered(pairs, "module", error, [&h](uint32_t m, uint32_t v) { h.traceFlags[m] = v; });
    }
    if (setting == "port") {
        return numbered(pairs, "user port", error, [&h](uint32_t u, uint32_t c) { h.userToChipPort[u] = c; });
    }
    if (setting == "netrole") {
        return numbered(pairs, "CTP", error, [&h](uint32_t c, uint32_t r) { h.l2mNetRole[c] = r; });
    }
    if (setting == "uplink") {
        return assign(pairs, {{"port", to(h.uplink.value)}, {"result", to(h.uplink.result)}}, "host uplink", error);
    }
    if (setting == "session") {
        return assign(pairs, {{"exists", to(h.sessionObjExists.value)}, {"flag", to(h.sessionFlag.value)}},
                      "host session", error);
    }
    if (setting == "autoselect") {
        return assign(pairs, {{"value", to(h.autoSelect)}}, "host autoselect", error);
    }
    if (setting == "l2mctp") {
        uint32_t type = 0;
        uint32_t port = 0;
        uint16_t ctp = 0;
        if (!assign(pairs, {{"type", to(type)}, {"port", to(port)}, {"ctp", to(ctp), 0xFFFF}}, "host l2mctp", error)) {
            return false;
        }
        h.l2mCtpByPrototype[{type, port}] = ctp;
        return true;
    }
    error = "unknown host setting '" + setting +
            "' (feature, pdattr, chipattr, trace, port, uplink, netrole, l2mctp, session, autoselect)";
    return false;
}

bool applyTraffic(ChipModel &chip, const std::string &kind, const std::vector<Pair> &pairs, bool &counted,
                  std::string &error)
{
    const std::string what = "traffic " + kind;
    constexpr uint64_t kAll = std::numeric_limits<uint64_t>::max();
    if (kind == "tci") {
        TciKey key;
        TciCounters c;
        if (!assign(pairs,
                    {{"type", to(key.port.type)},
                     {"mask", to(key.port.mask)},
                     {"vlan", to(key.vlan)},
                     {"pri", to(key.pri)},
                     {"rcvFrames", to(c.rcvFrames), kAll},
                     {"rcvOctets", to(c.rcvOctets), kAll},
                     {"sendFrames", to(c.sendFrames), kAll},
                     {"sendOctets", to(c.sendOctets), kAll}},
                    what, error)) {
            return false;
        }
        counted = chip.addTciTraffic(key, c);
        return true;
    }
    if (kind == "dfx") {
        uint32_t flow = 0;
        uint32_t frames = 0;
        uint32_t octets = 0;
        if (!assign(pairs, {{"flow", to(flow)}, {"frames", to(frames)}, {"octets", to(octets)}}, what, error)) {
            return false;
        }
        counted = chip.addDfxTraffic(flow, frames, octets);
        return true;
    }
    if (kind == "wan") {
        WanKey key;
        WanCounters c;
        if (!assign(pairs,
                    {{"type", to(key.first)},
                     {"vlan", to(key.second)},
                     {"rcvUnicast", to(c.rcvUnicast)},
                     {"rcvMulticast", to(c.rcvMulticast)},
                     {"rcvBroadcast", to(c.rcvBroadcast)},
                     {"rcvPackets", to(c.rcvPackets)},
                     {"rcvOctets", to(c.rcvOctets), kAll},
                     {"sendUnicast", to(c.sendUnicast)},
                     {"sendMulticast", to(c.sendMulticast)},
                     {"sendBroadcast", to(c.sendBroadcast)},
                     {"sendPackets", to(c.sendPackets)},
                     {"sendOctets", to(c.sendOctets), kAll}},
                    what, error)) {
            return false;
        }
        counted = chip.addWanTraffic(key, c);
        return true;
    }
    if (kind == "group") {
        uint32_t group = 0;
        uint32_t frames = 0;
        uint64_t octets = 0;
        if (!assign(pairs, {{"group", to(group)}, {"frames", to(frames)}, {"octets", to(octets), kAll}}, what, error)) {
            return false;
        }
        counted = chip.addGroupTraffic(group, frames, octets);
        return true;
    }
    if (kind == "em") {
        uint64_t octets = 0;
        if (!assign(pairs, {{"octets", to(octets), kAll}}, what, error)) {
            return false;
        }
        counted = chip.addEmTraffic(octets);
        return true;
    }
    if (kind == "mac") {
        return learntMac(chip, pairs, what, counted, error);
    }
    error = "unknown traffic '" + kind + "' (tci, dfx, wan, group, em, mac)";
    return false;
}

bool applyLine(Host &h, ChipModel &chip, const ScenarioLine &l)
{
    std::string error;  // the line was checked when the file was read
    bool counted = true;
    switch (l.kind) {
        case LineKind::host:
            (void)applyHostSetting(h, l.verb, l.pairs, error);
            break;
        case LineKind::refuse:
            h.answer(static_cast<uint32_t>(l.number), static_cast<uint32_t>(l.number2));
            break;
        case LineKind::fail:
            if (l.flag) {
                h.failAlways(l.rest, static_cast<uint32_t>(l.number2));
            } else {
                h.failNext(l.rest, static_cast<uint32_t>(l.number2));
            }
            break;
        case LineKind::traffic:
            (void)applyTraffic(chip, l.verb, l.pairs, counted, error);
            break;
        case LineKind::call:
        case LineKind::expect:
            break;
    }
    return counted;
}

}  // namespace halsim
