#include "fields.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "hal_network_adpt.h"

namespace halsim {

namespace {

// A list of words that follows a record, its length in a member of it.
struct Tail {
    const char *record;
    const char *name;
    const char *countMember;
    size_t offset;
    size_t elem;
    size_t max;
};

constexpr Tail kTails[] = {
    {"HAL_L3_POLICY_ROUTE_S", "auiCtpId", "uiCtpNum", HAL_L3_POLICY_ROUTE_CTP_OFFSET, 4, HAL_L3_POLICY_ROUTE_CTP_MAX},
};

const Tail *tailOf(const api::Struct *s)
{
    for (const Tail &t : kTails) {
        if (s != nullptr && std::strcmp(s->name, t.record) == 0) {
            return &t;
        }
    }
    return nullptr;
}

const api::Member *memberOf(const api::Struct &s, std::string_view name)
{
    for (size_t i = 0; i < s.memberCount; ++i) {
        if (name == s.members[i].name) {
            return &s.members[i];
        }
    }
    return nullptr;
}

// Splits "name[3]" into name and index; false for a malformed index.
bool splitIndex(std::string_view part, std::string_view &name, std::optional<size_t> &index)
{
    const size_t open = part.find('[');
    name = part.substr(0, open);
    if (open == std::string_view::npos) {
        return !name.empty();
    }
    if (part.back() != ']' || open + 2 > part.size() - 1) {
        return false;
    }
    const std::optional<uint64_t> n = parseNumber(part.substr(open + 1, part.size() - open - 2));
    if (!n) {
        return false;
    }
    index = static_cast<size_t>(*n);
    return !name.empty();
}

uint64_t readNumber(const uint8_t *p, size_t elem)
{
    uint64_t v = 0;
    std::memcpy(&v, p, elem);  // little-endian hosts: the low bytes
    return v;
}

void writeNumber(uint8_t *p, size_t elem, uint64_t v) { std::memcpy(p, &v, elem); }

std::optional<uint32_t> parseIpv4(std::string_view text)
{
    uint32_t v = 0;
    int parts = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t dot = text.find('.', start);
        const std::string_view part =
            text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<uint64_t> n = parseNumber(part);
        if (!n || *n > 255) {
            return std::nullopt;
        }
        v = (v << 8) | static_cast<uint32_t>(*n);
        ++parts;
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    if (parts != 4) {
        return std::nullopt;
    }
    return v;
}

std::vector<std::string_view> split(std::string_view text, char sep)
{
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(sep, start);
        out.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) {
            return out;
        }
        start = at + 1;
    }
}

void walk(const api::Struct &s, const uint8_t *buf, size_t base, const std::string &prefix,
          const std::function<void(const std::string &, const std::string &)> &out)
{
    for (size_t i = 0; i < s.memberCount; ++i) {
        const api::Member &m = s.members[i];
        const std::string name = prefix + m.name;
        if (m.type != nullptr) {
            for (size_t k = 0; k < m.count; ++k) {
                const std::string at = m.count > 1 ? name + "[" + std::to_string(k) + "]." : name + ".";
                walk(*m.type, buf, base + m.offset + k * m.elem, at, out);
            }
            continue;
        }
        const FieldRef ref{base + m.offset, m.elem, m.count};
        bool any = false;
        for (size_t k = 0; k < m.elem * m.count; ++k) {
            any = any || buf[ref.offset + k] != 0;
        }
        if (any) {
            out(name, formatValue(buf, ref));
        }
    }
}

// A counter or a MAC address: the parameter itself, by its name, whole or
// one element of it.
std::optional<FieldRef> resolveParam(const api::Param &p, std::string_view path, std::string &error)
{
    std::string_view name;
    std::optional<size_t> index;
    const size_t elem = p.size == 6 ? 1 : p.size;
    const size_t count = p.size / elem;
    if (!splitIndex(path, name, index) || name != p.name || (index && *index >= count)) {
        error = "unknown field '" + std::string(path) + "'";
        return std::nullopt;
    }
    return index ? FieldRef{*index * elem, elem, 1} : FieldRef{0, elem, count};
}

// The list that follows record s, named like one more member of it.
std::optional<FieldRef> tailField(const api::Struct *s, std::string_view name, std::optional<size_t> index)
{
    const Tail *t = tailOf(s);
    if (t == nullptr || name != t->name || (index && *index >= t->max)) {
        return std::nullopt;
    }
    return index ? FieldRef{t->offset + *index * t->elem, t->elem, 1} : FieldRef{t->offset, t->elem, t->max};
}

// How one segment of a path ended: at a number (the path's field), inside
// a nested record (the next segment names one of its members), or wrong.
enum class Step { number, record, error };

// Where the walk down a path stands: the record the next segment names a
// member of and that record's offset in the buffer; once a segment ends at
// a number, the field found.
struct Walk {
    const api::Struct *record = nullptr;
    size_t base = 0;
    FieldRef field;
};

// Resolves one segment of path ("filterInfo[0]") in the record the walk
// stands at. first: the segment opens the path (only there can it name the
// list after the record); last: no segment follows it.
Step step(Walk &w, std::string_view part, bool first, bool last, std::string_view path, std::string &error)
{
    std::string_view name;
    std::optional<size_t> index;
    if (!splitIndex(part, name, index)) {
        error = "malformed field '" + std::string(path) + "'";
        return Step::error;
    }
    const api::Member *m = memberOf(*w.record, name);
    if (m == nullptr) {
        const std::optional<FieldRef> tail = first && last ? tailField(w.record, name, index) : std::nullopt;
        if (tail) {
            w.field = *tail;
            return Step::number;
        }
        error = "unknown field '" + std::string(path) + "'";
        return Step::error;
    }
    if (index && *index >= m->count) {
        error = "index out of range in '" + std::string(path) + "': " + m->name + " has " + std::to_string(m->count);
        return Step::error;
    }
    const size_t at = w.base + m->offset + (index ? *index * m->elem : 0);
    if (m->type == nullptr) {
        if (!last) {
            error = "field '" + std::string(path) + "': " + m->name + " is a number, without members";
            return Step::error;
        }
        w.field = FieldRef{at, m->elem, index ? 1 : m->count};
        return Step::number;
    }
    if (last || (!index && m->count > 1)) {
        error = "field '" + std::string(path) + "' is a record: name one of its members";
        return Step::error;
    }
    w.record = m->type;
    w.base = at;
    return Step::record;
}

// A MAC address or a byte list in hex: "00:11:22:33:44:55".
bool writeBytes(uint8_t *buf, const FieldRef &ref, std::string_view text, std::string &error)
{
    const std::vector<std::string_view> bytes = split(text, ':');
    if (bytes.size() > ref.count) {
        error = "too many bytes in '" + std::string(text) + "'";
        return false;
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
        const std::optional<uint64_t> b =
            bytes[i].size() == 2 ? parseNumber("0x" + std::string(bytes[i])) : std::nullopt;
        if (!b) {
            error = "bad byte '" + std::string(bytes[i]) + "' in '" + std::string(text) + "'";
            return false;
        }
        buf[ref.offset + i] = static_cast<uint8_t>(*b);
    }
    return true;
}

// An IPv4 address: into a 32-bit number in host byte order, or into four
// bytes in network byte order.
bool writeIpv4(uint8_t *buf, const FieldRef &ref, std::string_view text, std::string &error)
{
    const std::optional<uint32_t> ip = parseIpv4(text);
    if (!ip || !((ref.elem == 4) || (ref.elem == 1 && ref.count >= 4))) {
        error = "bad address '" + std::string(text) + "' (an IPv4 address fills a 32-bit number or four bytes)";
        return false;
    }
    if (ref.elem == 4) {
        writeNumber(buf + ref.offset, 4, *ip);
    } else {
        for (size_t i = 0; i < 4; ++i) {
            buf[ref.offset + i] = static_cast<uint8_t>(*ip >> (24 - 8 * i));
        }
    }
    return true;
}

// A number or a comma list of them, each within the field's width.
bool writeNumbers(uint8_t *buf, const FieldRef &ref, std::string_view text, std::string &error)
{
    const std::vector<std::string_view> items = split(text, ',');
    if (items.size() > ref.count) {
        error = "too many values in '" + std::string(text) + "': the field holds " + std::to_string(ref.count);
        return false;
    }
    const uint64_t max = ref.elem >= 8 ? UINT64_MAX : (uint64_t{1} << (8 * ref.elem)) - 1;
    for (size_t i = 0; i < items.size(); ++i) {
        const std::optional<uint64_t> v = parseNumber(items[i]);
        if (!v || *v > max) {
            error = "bad value '" + std::string(items[i]) + "' for a " + std::to_string(8 * ref.elem) + "-bit field";
            return false;
        }
        writeNumber(buf + ref.offset + i * ref.elem, ref.elem, *v);
    }
    return true;
}

}  // namespace

std::optional<uint64_t> parseNumber(std::string_view text)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > (base == 16 ? 16U : 20U)) {
        return std::nullopt;
    }
    uint64_t v = 0;
    for (const char c : text) {
        int d = 0;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        const auto ud = static_cast<uint64_t>(d);
        if (v > (UINT64_MAX - ud) / static_cast<uint64_t>(base)) {
            return std::nullopt;
        }
        v = v * static_cast<uint64_t>(base) + ud;
    }
    return v;
}

size_t bufferSize(const api::Param &p)
{
    const Tail *t = tailOf(p.type);
    return t != nullptr ? t->offset + t->elem * t->max : p.size;
}

std::optional<FieldRef> resolve(const api::Param &p, std::string_view path, std::string &error)
{
    if (p.type == nullptr) {
        return resolveParam(p, path, error);
    }
    Walk w;
    w.record = p.type;
    for (size_t start = 0;;) {
        const size_t dot = path.find('.', start);
        const std::string_view part =
            path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        const Step result = step(w, part, start == 0, dot == std::string_view::npos, path, error);
        if (result == Step::error) {
            return std::nullopt;
        }
        if (result == Step::number) {
            return w.field;
        }
        start = dot + 1;
    }
}

bool writeValue(uint8_t *buf, const FieldRef &ref, std::string_view text, std::string &error)
{
    if (ref.elem == 1 && text.find(':') != std::string_view::npos) {
        return writeBytes(buf, ref, text, error);
    }
    if (text.find('.') != std::string_view::npos) {
        return writeIpv4(buf, ref, text, error);
    }
    return writeNumbers(buf, ref, text, error);
}

std::string formatValue(const uint8_t *buf, const FieldRef &ref)
{
    std::string out;
    char item[24];
    for (size_t i = 0; i < ref.count; ++i) {
        const uint64_t v = readNumber(buf + ref.offset + i * ref.elem, ref.elem);
        if (ref.elem == 1 && ref.count == 6) {
            std::snprintf(item, sizeof(item), "%s%02x", i != 0 ? ":" : "", static_cast<unsigned>(v));
        } else {
            std::snprintf(item, sizeof(item), "%s%llu", i != 0 ? "," : "", static_cast<unsigned long long>(v));
        }
        out += item;
    }
    return out;
}

void nonZeroFields(const api::Param &p, const uint8_t *buf, size_t size,
                   const std::function<void(const std::string &, const std::string &)> &out)
{
    if (p.type == nullptr) {
        const size_t elem = p.size == 6 ? 1 : p.size;
        bool any = false;
        for (size_t k = 0; k < p.size && size >= p.size; ++k) {
            any = any || buf[k] != 0;
        }
        if (any) {
            out(p.name, formatValue(buf, FieldRef{0, elem, p.size / elem}));
        }
        return;
    }
    if (size < p.type->size) {
        return;
    }
    walk(*p.type, buf, 0, "", out);
    const Tail *t = tailOf(p.type);
    if (t == nullptr) {
        return;
    }
    const api::Member *count = memberOf(*p.type, t->countMember);
    const size_t n = count == nullptr ? 0 : static_cast<size_t>(readNumber(buf + count->offset, count->elem));
    if (n > 0 && n <= t->max && size >= t->offset + n * t->elem) {
        out(t->name, formatValue(buf, FieldRef{t->offset, t->elem, n}));
    }
}

}  // namespace halsim
