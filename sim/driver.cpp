// The simulated driver's front: pairs every code of the command table with
// its handler, checks the lengths of request and reply against the records
// the code is paired with, and keeps the model's counters moving.
#include "driver.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <tuple>
#include <type_traits>
#include <utility>

#include "driver_rules.h"

namespace halsim {

namespace {

namespace hlp = hal::hlp;
using drv::Context;
using drv::Tag;
using hlp::Cmd;

template <Cmd C>
using Request = typename hlp::Command<C>::Request;
template <Cmd C>
using Reply = typename hlp::Command<C>::Reply;
template <Cmd C>
constexpr bool kWritesReply = !std::is_same_v<Reply<C>, hlp::NoReply>;

// Whether a handler takes command C: the request alone, or the request and
// the reply of a read.
template <Cmd C, typename = void>
struct TakesRequest : std::false_type {
};
template <Cmd C>
struct TakesRequest<
    C, std::void_t<decltype(drv::on(std::declval<Context &>(), Tag<C>{}, std::declval<const Request<C> &>()))>>
    : std::true_type {
};
template <Cmd C, typename = void>
struct TakesRequestAndReply : std::false_type {
};
template <Cmd C>
struct TakesRequestAndReply<
    C, std::void_t<decltype(drv::on(std::declval<Context &>(), Tag<C>{}, std::declval<const Request<C> &>(),
                                    std::declval<Reply<C> &>()))>> : std::true_type {
};

// One command: lengths checked, the request copied into its record, the
// handler's reply copied out only when it accepted the command.
template <Cmd C>
uint32_t run(Context &c, const HlpCall &call, void *reply, uint32_t replyLen)
{
    static_assert(std::is_trivially_copyable_v<Request<C>>);
    if constexpr (kWritesReply<C>) {
        static_assert(TakesRequestAndReply<C>::value, "the simulated driver has no handler reading this command");
    } else {
        static_assert(TakesRequest<C>::value, "the simulated driver has no handler for this command");
    }
    if (call.reqLen != sizeof(Request<C>) || call.req.size() != sizeof(Request<C>)) {
        return drv::kBadLength;
    }
    Request<C> req{};
    std::memcpy(&req, call.req.data(), sizeof(req));
    if constexpr (kWritesReply<C>) {
        if (reply == nullptr || replyLen != sizeof(Reply<C>)) {
            return drv::kBadLength;
        }
        Reply<C> out{};
        const uint32_t ret = drv::on(c, Tag<C>{}, req, out);
        if (ret == 0) {
            std::memcpy(reply, &out, sizeof(out));
        }
        return ret;
    } else {
        if (reply != nullptr || replyLen != 0) {
            return drv::kBadLength;
        }
        return drv::on(c, Tag<C>{}, req);
    }
}

using Runner = uint32_t (*)(Context &, const HlpCall &, void *, uint32_t);

struct Route {
    uint32_t code;
    Runner run;
};

template <size_t... I>
constexpr std::array<Route, sizeof...(I)> routesOf(std::index_sequence<I...> /*commands*/)
{
    return {{{hlp::codeOf(hlp::kCommands[I]), &run<hlp::kCommands[I]>}...}};
}

constexpr auto kRoutes = routesOf(std::make_index_sequence<std::size(hlp::kCommands)>());

// Whether traffic counted: the counter exists and counts.
template <typename Map, typename Key, typename Add>
bool countInto(Map &table, const Key &key, Add add)
{
    auto it = table.find(key);
    if (it == table.end()) {
        return false;
    }
    add(it->second);
    return true;
}

}  // namespace

// ---- Keys ----------------------------------------------------------------------------

bool TciKey::operator<(const TciKey &o) const { return std::tie(port, vlan, pri) < std::tie(o.port, o.vlan, o.pri); }

bool BridgePortKey::operator<(const BridgePortKey &o) const
{
    return std::tie(bridge, port) < std::tie(o.bridge, o.port);
}

bool StaticMacKey::operator<(const StaticMacKey &o) const
{
    return std::tie(port, vlan, anyVlan, mac) < std::tie(o.port, o.vlan, o.anyVlan, o.mac);
}

bool MacFilterKey::operator<(const MacFilterKey &o) const { return std::tie(port, mac) < std::tie(o.port, o.mac); }

bool PrefixKey::operator<(const PrefixKey &o) const
{
    return std::tie(ifIndex, ipVer, ip, hostBits) < std::tie(o.ifIndex, o.ipVer, o.ip, o.hostBits);
}

// ---- The model ---------------------------------------------------------------------------

namespace {

// What the host holds as its driver while the model is attached; the host
// keeps a copy, so the model finds out whether it is still the one.
struct Plug {
    ChipModel *model;
    uint32_t operator()(const HlpCall &call, void *reply, uint32_t replyLen) const
    {
        return model->handle(call, reply, replyLen);
    }
};

}  // namespace

ChipModel::~ChipModel() { detach(); }

void ChipModel::attach(Host &host)
{
    detach();
    host_ = &host;
    host.driver = Plug{this};
}

void ChipModel::detach()
{
    if (host_ == nullptr) {
        return;
    }
    const Plug *plug = host_->driver.target<Plug>();
    if (plug != nullptr && plug->model == this) {
        host_->driver = nullptr;
    }
    host_ = nullptr;
}

void ChipModel::reset() { t_ = ChipTables{}; }

uint32_t ChipModel::handle(const HlpCall &call, void *reply, uint32_t replyLen)
{
    const auto *route =
        std::find_if(kRoutes.begin(), kRoutes.end(), [&call](const Route &r) { return r.code == call.cmd; });
    if (route == kRoutes.end()) {
        return drv::kUnknownCommand;
    }
    Context c{t_, host_ != nullptr ? *host_ : host()};
    return route->run(c, call, reply, replyLen);
}

// ---- Traffic -------------------------------------------------------------------------------

bool ChipModel::addTciTraffic(const TciKey &key, const TciCounters &delta)
{
    return countInto(t_.tciCounters, key, [&delta](TciCounters &n) {
        n.rcvFrames += delta.rcvFrames;
        n.rcvOctets += delta.rcvOctets;
        n.sendFrames += delta.sendFrames;
        n.sendOctets += delta.sendOctets;
    });
}

bool ChipModel::addDfxTraffic(uint32_t flowId, uint32_t frames, uint32_t octets)
{
    auto it = t_.dfxFlows.find(flowId);
    if (it == t_.dfxFlows.end() || !it->second.counting || !it->second.countingOn) {
        return false;
    }
    it->second.counters[0] += frames;
    it->second.counters[1] += octets;
    return true;
}

bool ChipModel::addWanTraffic(const WanKey &key, const WanCounters &delta)
{
    return countInto(t_.wanCounters, key, [&delta](WanCounters &n) {
        n.rcvUnicast += delta.rcvUnicast;
        n.rcvMulticast += delta.rcvMulticast;
        n.rcvBroadcast += delta.rcvBroadcast;
        n.rcvPackets += delta.rcvPackets;
        n.rcvOctets += delta.rcvOctets;
        n.sendUnicast += delta.sendUnicast;
        n.sendMulticast += delta.sendMulticast;
        n.sendBroadcast += delta.sendBroadcast;
        n.sendPackets += delta.sendPackets;
        n.sendOctets += delta.sendOctets;
    });
}

bool ChipModel::addGroupTraffic(uint32_t groupId, uint32_t frames, uint64_t octets)
{
    if (t_.programs.count(groupId) == 0) {
        return false;  // the chip forwards no group it has no program for
    }
    const auto add = [frames, octets](BtvCounters &n) {
        n.frames += frames;
        n.octets += octets;
    };
    bool counted = countInto(t_.groupCounters, groupId, add);
    for (auto &[user, counters] : t_.userCounters) {
        if (user.first == groupId && t_.programUsers.count(user) != 0) {
            add(counters);
            counted = true;
        }
    }
    return counted;
}

bool ChipModel::addEmTraffic(uint64_t octets)
{
    if (!t_.emRule) {
        return false;
    }
    t_.emOctets += octets;
    return true;
}

uint32_t ChipModel::addLearntMac(const LearntMac &entry)
{
    const std::pair<uint32_t, Mac> key{entry.noVlan ? HAL_L2_MAC_VLAN_NONE : entry.vlan, entry.mac};
    if (t_.learntMacs.count(key) == 0 && t_.staticMacs.size() + t_.learntMacs.size() >= kChipMacTableMax) {
        return drv::kTableFull;
    }
    t_.learntMacs[key] = entry;
    return 0;
}

}  // namespace halsim
