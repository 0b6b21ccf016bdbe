// The simulated driver's multicast tables: programs by group, the users of
// each program, the match mode, the counters of groups and of program users
// (switched on and off like entries of their own), and the one EM rule.
#include <cstring>

#include "driver_rules.h"

namespace halsim::drv {

namespace {

btv_stats_reply_s replyOf(const BtvCounters &n)
{
    btv_stats_reply_s r{};
    r.rcv_frame = n.frames;
    r.rcv_octets_low = static_cast<uint32_t>(n.octets);
    r.rcv_octets_high = static_cast<uint32_t>(n.octets >> 32);
    return r;
}

// A counter switched on is added, switched off is removed.
template <typename Key>
uint32_t switchCounter(std::map<Key, BtvCounters> &counters, const Key &key, uint32_t enable)
{
    if (!isSwitch(enable)) {
        return kBadValue;
    }
    return enable == 1 ? addEntry(counters, key, BtvCounters{}) : removeEntry(counters, key);
}

template <typename Key>
uint32_t clearCounter(std::map<Key, BtvCounters> &counters, const Key &key)
{
    auto it = counters.find(key);
    if (it == counters.end()) {
        return kNotFound;
    }
    it->second = BtvCounters{};
    return 0;
}

template <typename Key>
uint32_t readCounter(const std::map<Key, BtvCounters> &counters, const Key &key, btv_stats_reply_s &reply)
{
    auto it = counters.find(key);
    if (it == counters.end()) {
        return kNotFound;
    }
    reply = replyOf(it->second);
    return 0;
}

bool sameRule(const btv_em_rule_req_s &a, const btv_em_rule_req_s &b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

}  // namespace

// ---- Programs and their users --------------------------------------------------------

// A program arrives either untagged (VLAN 0) or on its multicast VLAN.
uint32_t on(Context &c, Tag<Cmd::BTV_ADD_PROGRAM> /*cmd*/, const btv_program_req_s &req)
{
    if (!isSwitch(req.untagged) || (req.untagged == 1) != (req.vlan == 0)) {
        return kBadValue;
    }
    return addEntry(c.t.programs, req.group_id, req);
}

// The program's users, and their counters, go with it.
uint32_t on(Context &c, Tag<Cmd::BTV_DEL_PROGRAM> /*cmd*/, const Word &req)
{
    const uint32_t ret = removeEntry(c.t.programs, req.value);
    if (ret != 0) {
        return ret;
    }
    for (auto it = c.t.programUsers.begin(); it != c.t.programUsers.end();) {
        if (it->first == req.value) {
            c.t.userCounters.erase(*it);
            it = c.t.programUsers.erase(it);
        } else {
            ++it;
        }
    }
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::BTV_ADD_USER> /*cmd*/, const btv_user_req_s &req)
{
    if (c.t.programs.count(req.group_id) == 0) {
        return kNotFound;
    }
    return c.t.programUsers.emplace(req.group_id, req.flow_id).second ? 0 : kExists;
}

uint32_t on(Context &c, Tag<Cmd::BTV_DEL_USER> /*cmd*/, const btv_user_req_s &req)
{
    const ProgramUser user{req.group_id, req.flow_id};
    c.t.userCounters.erase(user);
    return removeEntry(c.t.programUsers, user);
}

uint32_t on(Context &c, Tag<Cmd::BTV_MATCH_MODE> /*cmd*/, const Word &req)
{
    if (!isSwitch(req.value)) {
        return kBadValue;
    }
    c.t.matchMode = req.value;
    return 0;
}

// ---- Group and user counters ---------------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::BTV_SET_STATS> /*cmd*/, const btv_stats_set_req_s &req)
{
    return switchCounter(c.t.groupCounters, req.group_id, req.enable);
}

uint32_t on(Context &c, Tag<Cmd::BTV_CLR_STATS> /*cmd*/, const Word &req)
{
    return clearCounter(c.t.groupCounters, req.value);
}

uint32_t on(Context &c, Tag<Cmd::BTV_GET_STATS> /*cmd*/, const Word &req, btv_stats_reply_s &reply)
{
    return readCounter(c.t.groupCounters, req.value, reply);
}

uint32_t on(Context &c, Tag<Cmd::BTVUSER_SET_STATS> /*cmd*/, const btv_user_stats_set_req_s &req)
{
    return switchCounter(c.t.userCounters, ProgramUser{req.group_id, req.flow_id}, req.enable);
}

uint32_t on(Context &c, Tag<Cmd::BTVUSER_CLR_STATS> /*cmd*/, const btv_user_stats_req_s &req)
{
    return clearCounter(c.t.userCounters, ProgramUser{req.group_id, req.flow_id});
}

uint32_t on(Context &c, Tag<Cmd::BTVUSER_GET_STATS> /*cmd*/, const btv_user_stats_req_s &req, btv_stats_reply_s &reply)
{
    return readCounter(c.t.userCounters, ProgramUser{req.group_id, req.flow_id}, reply);
}

// ---- The EM rule: setting one replaces the last and starts its count afresh ------------------

uint32_t on(Context &c, Tag<Cmd::BTV_SET_EM_RULE> /*cmd*/, const btv_em_rule_req_s &req)
{
    c.t.emRule = req;
    c.t.emOctets = 0;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::BTV_DEL_EM_RULE> /*cmd*/, const btv_em_rule_req_s &req)
{
    if (!c.t.emRule || !sameRule(*c.t.emRule, req)) {
        return kNotFound;
    }
    c.t.emRule.reset();
    c.t.emOctets = 0;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::BTV_GET_EM_STATS> /*cmd*/, const Word & /*req*/, btv_em_stats_reply_s &reply)
{
    if (!c.t.emRule) {
        return kNotFound;
    }
    reply.bytes_low = static_cast<uint32_t>(c.t.emOctets);
    reply.bytes_high = static_cast<uint32_t>(c.t.emOctets >> 32);
    return 0;
}

}  // namespace halsim::drv
