#include "decode.h"

#include <cstdio>
#include <type_traits>
#include <utility>

#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_l2_mac_rec.h"
#include "chip/kalo/kalo_l2_rec.h"
#include "chip/kalo/kalo_l3_rec.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "platform/hlp_cmd.h"
#include "report.h"

namespace halsim {

namespace {

namespace hlp = hal::hlp;

using hlp::Paired;

void flatten(const hal::rec::Fields &table, const std::string &prefix, uint32_t base, std::vector<Field> &out)
{
    for (size_t i = 0; i < table.count; ++i) {
        const hal::rec::Field &f = table.fields[i];
        if (f.sub.count != 0) {
            flatten(f.sub, *f.name != '\0' ? prefix + f.name + '.' : prefix, base + f.offset, out);
        } else {
            out.push_back(Field{prefix + f.name, base + f.offset, f.size, f.values, f.element});
        }
    }
}

template <hlp::Cmd C>
Layout layoutFor()
{
    Layout l{hlp::codeOf(C), nullptr, 0, 0, {}};
    if constexpr (Paired<C>::value) {
        using Command = hlp::Command<C>;
        using Request = typename Command::Request;
        using Reply = typename Command::Reply;
        l.name = Command::kName;
        l.size = sizeof(Request);
        l.replySize = std::is_same_v<Reply, hlp::NoReply> ? 0 : sizeof(Reply);
        flatten(hal::rec::fieldsOf<Request>(), "", 0, l.fields);
    }
    return l;
}

template <size_t... I>
std::vector<Layout> allLayouts(std::index_sequence<I...> /*commands*/)
{
    return {layoutFor<hlp::kCommands[I]>()...};
}

const char *nameOf(const hal::rec::ValueNames &names, uint32_t v)
{
    for (size_t i = 0; i < names.count; ++i) {
        if (names.names[i].value == v) {
            return names.names[i].name;
        }
    }
    return nullptr;
}

// A number in decimal (hexadecimal from 4096 on, where masks and addresses
// live) with the name of its code when it has one.
std::string numberText(uint32_t v, const hal::rec::ValueNames &names)
{
    char buf[32];
    std::snprintf(buf, sizeof(buf), v < 4096 ? "%u" : "0x%x", v);
    std::string out = buf;
    if (const char *name = nameOf(names, v)) {
        out = out + '(' + name + ')';
    }
    return out;
}

bool isNumberSize(uint32_t size) { return size == 1 || size == 2 || size == 4; }

// One field as text: a number, an array of 16- or 32-bit numbers separated
// by commas, or bytes in hex. Empty when all zero.
std::string valueOf(const std::vector<uint8_t> &req, const Field &f)
{
    uint64_t sum = 0;
    for (uint32_t i = 0; i < f.size; ++i) {
        sum |= req[f.offset + i];
    }
    if (sum == 0) {
        return std::string();
    }
    if (isNumberSize(f.size)) {
        return numberText(static_cast<uint32_t>(numberAt(req, f.offset, f.size)), f.values);
    }
    std::string out;
    if (f.element > 1 && isNumberSize(f.element)) {
        for (uint32_t at = 0; at < f.size; at += f.element) {
            out += (at == 0 ? "" : ",") +
                   numberText(static_cast<uint32_t>(numberAt(req, f.offset + at, f.element)), f.values);
        }
        return out;
    }
    char buf[8];
    for (uint32_t i = 0; i < f.size; ++i) {
        std::snprintf(buf, sizeof(buf), i == 0 ? "%02x" : ":%02x", req[f.offset + i]);
        out += buf;
    }
    return out;
}

}  // namespace

const std::vector<Layout> &layouts()
{
    static const std::vector<Layout> all = allLayouts(std::make_index_sequence<std::size(hlp::kCommands)>());
    return all;
}

const Layout *layoutOf(uint32_t cmd)
{
    for (const Layout &l : layouts()) {
        if (l.cmd == cmd && l.name != nullptr) {
            return &l;
        }
    }
    return nullptr;
}

std::string decode(const HlpCall &call)
{
    char head[64];
    const Layout *l = layoutOf(call.cmd);
    if (l == nullptr || call.req.size() != l->size) {
        std::snprintf(head, sizeof(head), "0x%08x (%zu bytes)\n", call.cmd, call.req.size());
        return head + hexDump(call.req, "    ");
    }
    std::string out = l->name;
    out += ':';
    for (const Field &f : l->fields) {
        const std::string v = valueOf(call.req, f);
        if (!v.empty()) {
            out += ' ';
            out += f.name;
            out += '=';
            out += v;
        }
    }
    return out + '\n';
}

uint64_t numberAt(const std::vector<uint8_t> &bytes, size_t offset, size_t size)
{
    uint64_t v = 0;
    for (size_t i = 0; i < size; ++i) {
        v |= static_cast<uint64_t>(bytes[offset + i]) << (8 * i);
    }
    return v;
}

}  // namespace halsim
