#include "dissector.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "api_table.h"
#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_l2_mac_rec.h"
#include "chip/kalo/kalo_l2_rec.h"
#include "chip/kalo/kalo_l3_rec.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "cmd_names.h"
#include "decode.h"
#include "platform/hlp_cmd.h"
#include "run.h"

namespace halsim::dissector {

namespace {

namespace hlp = hal::hlp;

// ---- The records of each command ----------------------------------------------------

using hlp::Paired;

// What the decoder's layouts leave out: the records' C names and the reply's
// field table.
struct Records {
    const char *request = nullptr;
    const char *reply = nullptr;  // null when the driver writes no reply
    hal::rec::Fields replyFields;
};

template <hlp::Cmd C>
Records recordsFor()
{
    Records r;
    if constexpr (Paired<C>::value) {
        using Command = hlp::Command<C>;
        using Request = typename Command::Request;
        using Reply = typename Command::Reply;
        r.request = hal::rec::Layout<Request>::kName;
        if constexpr (!std::is_same_v<Reply, hlp::NoReply>) {
            r.reply = hal::rec::Layout<Reply>::kName;
            r.replyFields = hal::rec::fieldsOf<Reply>();
        }
    }
    return r;
}

template <size_t... I>
std::vector<Records> allRecords(std::index_sequence<I...> /*commands*/)
{
    return {recordsFor<hlp::kCommands[I]>()...};
}

// The reply's fields flattened as the decoder flattens a request's.
void flatten(const hal::rec::Fields &table, const std::string &prefix, uint32_t base, std::vector<halsim::Field> &out)
{
    for (size_t i = 0; i < table.count; ++i) {
        const hal::rec::Field &f = table.fields[i];
        if (f.sub.count != 0) {
            flatten(f.sub, *f.name != '\0' ? prefix + f.name + '.' : prefix, base + f.offset, out);
        } else {
            out.push_back(halsim::Field{prefix + f.name, base + f.offset, f.size, f.values, f.element});
        }
    }
}

// "hal::hlp::Word" -> "Word".
std::string bareName(const char *name)
{
    const std::string s = name;
    const size_t colon = s.rfind("::");
    return colon == std::string::npos ? s : s.substr(colon + 2);
}

std::string lastPart(const std::string &path)
{
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

bool sameType(const FieldType &a, const FieldType &b)
{
    return a.label == b.label && a.element == b.element && a.names.names == b.names.names &&
           a.names.count == b.names.count;
}

// Adds a filter name, once: a second field of that name must show the same.
void addType(std::map<std::string, FieldType> &types, const std::string &abbrev, const FieldType &type)
{
    const auto [it, added] = types.emplace(abbrev, type);
    if (!added && !sameType(it->second, type)) {
        throw std::runtime_error("two fields named " + abbrev + " differ in width or value names");
    }
}

bool isNumberSize(uint32_t size) { return size == 1 || size == 2 || size == 4; }

// A driver record field as the decoder reads it: a number, an array of 16-
// or 32-bit numbers, or bytes.
uint32_t elementOf(const halsim::Field &f)
{
    if (isNumberSize(f.size)) {
        return f.size;
    }
    return f.element > 1 && isNumberSize(f.element) ? f.element : 0;
}

Record driverRecord(const char *type, uint32_t size, const std::vector<halsim::Field> &fields,
                    const std::string &prefix, std::map<std::string, FieldType> &types)
{
    Record r{bareName(type), size, {}};
    for (const halsim::Field &f : fields) {
        const std::string abbrev = prefix + f.name;
        addType(types, abbrev, FieldType{lastPart(f.name), elementOf(f), f.values});
        r.fields.push_back(Field{f.name, f.offset, f.size, abbrev, "", 1});
    }
    return r;
}

// ---- The host records -------------------------------------------------------------------

// A host record and the records nested in it, each once. Six single bytes
// are a MAC address, shown in hex; other arrays are numbers.
void addHostRecord(const api::Struct &s, Model &m)
{
    if (m.hostRecords.count(s.name) != 0) {
        return;
    }
    Record r{s.name, static_cast<uint32_t>(s.size), {}};
    const std::string prefix = "hal." + recordPart(s.name) + ".";
    for (size_t i = 0; i < s.memberCount; ++i) {
        const api::Member &mb = s.members[i];
        const auto offset = static_cast<uint32_t>(mb.offset);
        const auto size = static_cast<uint32_t>(mb.elem * mb.count);
        if (mb.type != nullptr) {
            addHostRecord(*mb.type, m);
            r.fields.push_back(Field{mb.name, offset, size, "", mb.type->name, static_cast<uint32_t>(mb.count)});
            continue;
        }
        const uint32_t element = mb.elem == 1 && mb.count == 6 ? 0 : static_cast<uint32_t>(mb.elem);
        addType(m.halFields, prefix + mb.name, FieldType{mb.name, element, {}});
        r.fields.push_back(Field{mb.name, offset, size, prefix + mb.name, "", 1});
    }
    m.hostRecords.emplace(s.name, std::move(r));
}

// ---- Writing Lua ----------------------------------------------------------------------------

std::string quoted(const std::string &s)
{
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (std::isprint(static_cast<unsigned char>(c)) != 0) {
            out += c;
        } else {
            char buf[8];
            std::snprintf(buf, sizeof(buf), "\\%03u", static_cast<unsigned>(static_cast<unsigned char>(c)));
            out += buf;
        }
    }
    return out + '"';
}

std::string hex32(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08x", v);
    return buf;
}

// The dissector's code: what it does with the tables below it, the same
// for every field.
constexpr const char *kHead = R"lua(-- hlp.lua: the Wireshark dissector of halsim's captures (halsim --to-pcap,
-- halsim FILE --pcap), link type DLT_USER0 (147). Written by halsim
-- --dissector from the HLP command table, the field tables of the driver's
-- records and the public header's tables: do not edit, rebuild.
--
--   wireshark -X lua_script:hlp.lua capture.pcap
--   tshark -X lua_script:hlp.lua -r capture.pcap -V
--
-- Each packet starts with a 24-byte header, little-endian: kind (u8, 1 a
-- HAL call, 2 an HLP command), flags (u8, bit 0 request pointer null, bit 1
-- reply pointer null), header length (u16), code (u32, a command's code or a
-- call's sequence number), result (u32), request length (u32, for a call the
-- length of its record), reply length (u32), thread (u32). The request and
-- the reply follow, or a call's name and arguments as the recording holds
-- them.

local hlp = Proto("hlp", "HLP command to the kernel forwarding driver")
local hal = Proto("hal", "HAL call into libhal_network_adpt")

local hlp_fields, hal_fields = {}, {}
local F, E = {}, {} -- ProtoFields and their element bytes (0: bytes in hex), by filter name

local widths = { [1] = ProtoField.uint8, [2] = ProtoField.uint16, [4] = ProtoField.uint32, [8] = ProtoField.uint64 }

local function field(list, abbrev, label, element, names)
  local f
  if element == 0 then
    f = ProtoField.bytes(abbrev, label, base.COLON)
  elseif names then
    f = widths[element](abbrev, label, base.DEC, names)
  else
    f = widths[element](abbrev, label, base.DEC_HEX)
  end
  F[abbrev], E[abbrev] = f, element
  list[#list + 1] = f
end
local function hlp_field(...) field(hlp_fields, ...) end
local function hal_field(...) field(hal_fields, ...) end

-- Where each nested record of a record lies, by its path with a dot after it.
local function record(type, size, fields)
  local spans = {}
  for _, f in ipairs(fields) do
    local prefix = ""
    for part in f[1]:gmatch("([^.]+)%.") do
      prefix = prefix .. part .. "."
      local s = spans[prefix]
      if s then
        s[2] = math.max(s[2], f[2] + f[3])
      else
        spans[prefix] = { f[2], f[2] + f[3] }
      end
    end
  end
  return { type = type, size = size, fields = fields, spans = spans }
end

local names = {}
local commands = {}
local cmd_names = {}
local records = {}
local functions = {}
)lua";

constexpr const char *kTail = R"lua(
-- ---- Dissecting ---------------------------------------------------------------------

local H = {
  cmd = ProtoField.uint32("hlp.cmd", "Command", base.HEX, cmd_names),
  result = ProtoField.uint32("hlp.result", "Result", base.HEX),
  thread = ProtoField.uint32("hlp.thread", "Thread", base.DEC),
  request_len = ProtoField.uint32("hlp.request_len", "Request length", base.DEC),
  reply_len = ProtoField.uint32("hlp.reply_len", "Reply length", base.DEC),
  request_null = ProtoField.bool("hlp.request_null", "Request pointer null", 8, nil, 0x01),
  reply_null = ProtoField.bool("hlp.reply_null", "Reply pointer null", 8, nil, 0x02),
  request = ProtoField.bytes("hlp.request", "Request"),
  reply = ProtoField.bytes("hlp.reply", "Reply"),
  name = ProtoField.string("hal.name", "Entry point"),
  sequence = ProtoField.uint32("hal.sequence", "Sequence", base.DEC),
  call_result = ProtoField.uint32("hal.result", "Result", base.HEX),
  call_thread = ProtoField.uint32("hal.thread", "Thread", base.DEC),
  argc = ProtoField.uint16("hal.argc", "Arguments", base.DEC),
  word = ProtoField.uint32("hal.word", "Word", base.DEC_HEX),
  before = ProtoField.bytes("hal.before", "Before the call"),
  after = ProtoField.bytes("hal.after", "After the call"),
  extra = ProtoField.bytes("hal.extra", "After the record"),
}
for _, k in ipairs({ "cmd", "result", "thread", "request_len", "reply_len", "request_null", "reply_null", "request",
  "reply" }) do
  hlp_fields[#hlp_fields + 1] = H[k]
end
for _, k in ipairs({ "name", "sequence", "call_result", "call_thread", "argc", "word", "before", "after", "extra" }) do
  hal_fields[#hal_fields + 1] = H[k]
end
hlp.fields = hlp_fields
hal.fields = hal_fields

local function split(path)
  local parts = {}
  for part in path:gmatch("[^.]+") do
    parts[#parts + 1] = part
  end
  return parts
end

-- One field: a number, an array of numbers under a subtree, or bytes.
local function add_field(tree, tvb, at, size, abbrev, label)
  local f, element = F[abbrev], E[abbrev]
  if element == 0 then
    return tree:add(f, tvb(at, size))
  end
  if size == element then
    return tree:add_le(f, tvb(at, size))
  end
  local count = math.floor(size / element)
  local sub = tree:add(tvb(at, size), string.format("%s[%d]", label, count))
  for i = 0, count - 1 do
    sub:add_le(f, tvb(at + i * element, element))
  end
  return sub
end

local add_record

-- count host records of one kind one after another, each in a subtree.
local function add_nested(tree, tvb, at, name, rec, count)
  for k = 0, count - 1 do
    local sub = tree:add(tvb(at + k * rec.size, rec.size), count > 1 and string.format("%s[%d]", name, k) or name)
    add_record(sub, tvb, at + k * rec.size, rec)
  end
end

-- The fields of rec at base under tree, each nested record in a subtree: a
-- driver record's by the paths of its fields, a host record's by name.
add_record = function(tree, tvb, base, rec)
  local open = {} -- the open subtrees by depth: { name, item }
  for _, f in ipairs(rec.fields) do
    local parts = split(f[1])
    local keep = 0
    while keep < #open and keep < #parts - 1 and open[keep + 1][1] == parts[keep + 1] do
      keep = keep + 1
    end
    for i = #open, keep + 1, -1 do
      open[i] = nil
    end
    local parent = keep > 0 and open[keep][2] or tree
    local prefix = keep > 0 and (table.concat(parts, ".", 1, keep) .. ".") or ""
    for i = keep + 1, #parts - 1 do
      prefix = prefix .. parts[i] .. "."
      local span = rec.spans[prefix]
      parent = parent:add(tvb(base + span[1], span[2] - span[1]), parts[i])
      open[i] = { parts[i], parent }
    end
    if f[5] then
      add_nested(parent, tvb, base + f[2], f[1], records[f[5]], f[6])
    else
      add_field(parent, tvb, base + f[2], f[3], f[4], parts[#parts])
    end
  end
end

-- A request or reply: its bytes, and its record's fields when the length is the record's.
local function add_part(tree, tvb, at, len, field, rec, what)
  if len == 0 then
    return
  end
  local item = tree:add(field, tvb(at, len))
  if not rec then
    return
  end
  if rec.size ~= len then
    item:set_text(string.format("%s: %d bytes, not the %d of %s", what, len, rec.size, rec.type))
    return
  end
  item:set_text(string.format("%s: %s (%d bytes)", what, rec.type, len))
  add_record(item, tvb, at, rec)
end

local function dissect_command(tvb, pinfo, root, h)
  local c = commands[h.code]
  local name = c and c.name or string.format("0x%08x", h.code)
  pinfo.cols.protocol = "HLP"
  pinfo.cols.info = string.format("%s%s, result 0x%x", name, c and (" (" .. c.text .. ")") or "", h.result)
  local tree = root:add(hlp, tvb(), "HLP command " .. name .. (c and (", " .. c.text) or ""))
  tree:add_le(H.cmd, tvb(4, 4))
  tree:add_le(H.result, tvb(8, 4))
  tree:add_le(H.request_len, tvb(12, 4))
  tree:add_le(H.reply_len, tvb(16, 4))
  tree:add_le(H.thread, tvb(20, 4))
  tree:add(H.request_null, tvb(1, 1))
  tree:add(H.reply_null, tvb(1, 1))
  add_part(tree, tvb, h.length, h.first, H.request, c and c.request, "Request")
  add_part(tree, tvb, h.length + h.first, h.second, H.reply, c and c.reply, "Reply")
end

-- A buffer argument: its bytes before and after the call, each with the record's members.
local function add_buffer(tree, tvb, at, size, rec)
  if size == 0 then
    return
  end
  for k, which in ipairs({ H.before, H.after }) do
    local from = at + (k - 1) * size
    local item = tree:add(which, tvb(from, size))
    if rec and size >= rec.size then
      add_record(item, tvb, from, rec)
      if size > rec.size then
        item:add(H.extra, tvb(from + rec.size, size - rec.size))
      end
    end
  end
end

local function dissect_call(tvb, pinfo, root, h)
  local at = h.length
  local name_len = tvb(at, 2):le_uint()
  local name = tvb(at + 2, name_len):string()
  pinfo.cols.protocol = "HAL"
  pinfo.cols.info = string.format("%s, result 0x%x", name, h.result)
  local tree = root:add(hal, tvb(), "HAL call " .. name)
  tree:add(H.name, tvb(at + 2, name_len))
  tree:add_le(H.sequence, tvb(4, 4))
  tree:add_le(H.call_result, tvb(8, 4))
  tree:add_le(H.call_thread, tvb(20, 4))
  at = at + 2 + name_len
  local argc = tvb(at, 2):le_uint()
  tree:add_le(H.argc, tvb(at, 2))
  at = at + 2
  local params = functions[name]
  if params and #params ~= argc then
    params = nil
  end
  for i = 1, argc do
    local p = params and params[i]
    local label = p and p[1] or ("argument " .. i)
    local kind = tvb(at, 1):uint()
    if kind == 0 then
      if p and p[2] then
        tree:add_le(F[p[2]], tvb(at + 4, 4))
      else
        tree:add_le(H.word, tvb(at + 4, 4)):prepend_text(label .. " ")
      end
      at = at + 8
    elseif kind == 1 then
      local size = tvb(at + 4, 4):le_uint()
      local rec = p and p[3] and records[p[3]]
      local sub = tree:add(tvb(at, 8 + 2 * size),
        string.format("%s: %s (%d bytes)", label, rec and rec.type or "buffer", size))
      add_buffer(sub, tvb, at + 8, size, rec)
      at = at + 8 + 2 * size
    elseif kind == 2 then
      tree:add(tvb(at, 4), label .. ": null")
      at = at + 4
    else
      tree:add(tvb(at, 1), string.format("%s: argument of unknown kind %d", label, kind))
      break
    end
  end
end

function hlp.dissector(tvb, pinfo, root)
  if tvb:len() < 24 then
    return 0
  end
  local h = {
    kind = tvb(0, 1):uint(),
    length = tvb(2, 2):le_uint(),
    code = tvb(4, 4):le_uint(),
    result = tvb(8, 4):le_uint(),
    first = tvb(12, 4):le_uint(),
    second = tvb(16, 4):le_uint(),
  }
  if h.kind == 1 then
    dissect_call(tvb, pinfo, root, h)
  elseif h.kind == 2 then
    dissect_command(tvb, pinfo, root, h)
  else
    return 0
  end
  return tvb:len()
end

DissectorTable.get("wtap_encap"):add(wtap_encaps.USER0, hlp)
)lua";

void writeFieldDefs(std::ostream &o, const char *fn, const std::map<std::string, FieldType> &types,
                    const std::map<const hal::rec::ValueName *, size_t> &nameTables)
{
    for (const auto &[abbrev, t] : types) {
        o << fn << '(' << quoted(abbrev) << ", " << quoted(t.label) << ", " << t.element;
        if (t.names.count != 0) {
            o << ", names[" << nameTables.at(t.names.names) << ']';
        }
        o << ")\n";
    }
}

void writeRecord(std::ostream &o, const Record &r, const char *indent)
{
    o << "record(" << quoted(r.type) << ", " << r.size << ", {\n";
    for (const Field &f : r.fields) {
        o << indent << "  { " << quoted(f.path) << ", " << f.offset << ", " << f.size << ", ";
        if (f.record.empty()) {
            o << quoted(f.abbrev) << " },\n";
        } else {
            o << "nil, " << quoted(f.record) << ", " << f.count << " },\n";
        }
    }
    o << indent << "})";
}

// Each table of value names once, numbered from 1; returns the numbers.
std::map<const hal::rec::ValueName *, size_t> writeNames(std::ostream &o, const std::map<std::string, FieldType> &types)
{
    std::map<const hal::rec::ValueName *, size_t> tables;
    for (const auto &[abbrev, t] : types) {
        if (t.names.count == 0 || tables.count(t.names.names) != 0) {
            continue;
        }
        const size_t n = tables.size() + 1;
        tables.emplace(t.names.names, n);
        o << "names[" << n << "] = {";
        for (size_t k = 0; k < t.names.count; ++k) {
            o << (k == 0 ? " " : ", ") << '[' << t.names.names[k].value << "] = " << quoted(t.names.names[k].name);
        }
        o << " }\n";
    }
    return tables;
}

void writeCommands(std::ostream &o, const std::vector<Command> &commands)
{
    o << '\n';
    for (const Command &c : commands) {
        o << "cmd_names[" << hex32(c.code) << "] = " << quoted(c.name) << '\n';
    }
    for (const Command &c : commands) {
        o << "\ncommands[" << hex32(c.code) << "] = {\n  name = " << quoted(c.name) << ",\n  text = " << quoted(c.text)
          << ",\n  request = ";
        writeRecord(o, c.request, "  ");
        o << ",\n";
        if (c.hasReply) {
            o << "  reply = ";
            writeRecord(o, c.reply, "  ");
            o << ",\n";
        }
        o << "}\n";
    }
}

void writeFunctions(std::ostream &o, const std::vector<Function> &functions)
{
    for (const Function &f : functions) {
        o << "functions[" << quoted(f.name) << "] = {";
        for (size_t k = 0; k < f.params.size(); ++k) {
            const Param &p = f.params[k];
            o << (k == 0 ? " " : ", ");
            if (p.buffer) {
                o << "{ " << quoted(p.name) << ", nil, " << quoted(p.record) << " }";
            } else {
                o << "{ " << quoted(p.name) << ", " << quoted("hal.arg." + p.name) << " }";
            }
        }
        o << (f.params.empty() ? "}\n" : " }\n");
    }
}

}  // namespace

std::string areaOf(const std::string &commandName)
{
    std::string area = commandName.substr(0, commandName.find('_'));
    for (char &c : area) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return area;
}

std::string recordPart(const std::string &recordName)
{
    std::string s = recordName;
    if (s.rfind("HAL_", 0) == 0) {
        s = s.substr(4);
    }
    if (s.size() > 2 && s.compare(s.size() - 2, 2, "_S") == 0) {
        s.resize(s.size() - 2);
    }
    for (char &c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

Model buildModel()
{
    Model m;
    const std::vector<Records> records = allRecords(std::make_index_sequence<std::size(hlp::kCommands)>());
    const std::vector<Layout> &all = layouts();
    for (size_t i = 0; i < all.size(); ++i) {
        const Layout &l = all[i];
        const char *listName = cmdName(l.cmd);
        if (l.name == nullptr || listName == nullptr) {
            continue;
        }
        Command c;
        c.code = l.cmd;
        c.name = listName;
        c.text = l.name;
        c.area = areaOf(c.name);
        const std::string prefix = "hlp." + c.area + ".";
        c.request = driverRecord(records[i].request, l.size, l.fields, prefix, m.hlpFields);
        c.hasReply = records[i].reply != nullptr;
        if (c.hasReply) {
            std::vector<halsim::Field> replyFields;
            flatten(records[i].replyFields, "", 0, replyFields);
            c.reply = driverRecord(records[i].reply, l.replySize, replyFields, prefix + "reply.", m.hlpFields);
        }
        m.commands.push_back(std::move(c));
    }

    for (size_t i = 0; i < api::kFunctionCount; ++i) {
        const api::Function &f = api::kFunctions[i];
        Function fn{f.name, {}};
        for (size_t k = 0; k < f.paramCount; ++k) {
            const api::Param &p = f.params[k];
            Param param{p.name, p.kind == api::ParamKind::buffer, ""};
            if (!param.buffer) {
                addType(m.halFields, "hal.arg." + param.name, FieldType{param.name, 4, {}});
            } else if (p.type != nullptr) {
                param.record = p.type->name;
                addHostRecord(*p.type, m);
            } else {
                // A counter (one number) or a MAC address (six bytes).
                const auto size = static_cast<uint32_t>(p.size);
                param.record = "ptr." + param.name + "." + std::to_string(size);
                const std::string abbrev = "hal.ptr." + param.name;
                addType(m.halFields, abbrev, FieldType{param.name, size == 6 ? 0 : size, {}});
                m.hostRecords.emplace(param.record,
                                      Record{param.name, size, {Field{param.name, 0, size, abbrev, "", 1}}});
            }
            fn.params.push_back(std::move(param));
        }
        m.functions.push_back(std::move(fn));
    }
    return m;
}

std::string luaScript(const Model &m)
{
    std::ostringstream o;
    o << kHead;
    o << "\n-- ---- The value names of code fields --------------------------------------------------\n\n";
    const std::map<const hal::rec::ValueName *, size_t> nameTables = writeNames(o, m.hlpFields);
    o << "\n-- ---- HLP commands: the fields of their records --------------------------------------\n\n";
    writeFieldDefs(o, "hlp_field", m.hlpFields, nameTables);
    writeCommands(o, m.commands);
    o << "\n-- ---- HAL calls: their parameters and the host records -------------------------------\n\n";
    writeFieldDefs(o, "hal_field", m.halFields, nameTables);
    for (const auto &[name, r] : m.hostRecords) {
        o << "\nrecords[" << quoted(name) << "] = ";
        writeRecord(o, r, "");
        o << '\n';
    }
    o << '\n';
    writeFunctions(o, m.functions);
    o << kTail;
    return o.str();
}

}  // namespace halsim::dissector

namespace halsim {

int writeDissector(const Options &o, std::ostream & /*out*/, std::ostream &err)
{
    std::string script;
    try {
        script = dissector::luaScript(dissector::buildModel());
    } catch (const std::exception &e) {
        err << "halsim: the dissector cannot be written: " << e.what() << '\n';
        return 2;
    }
    std::ofstream file(o.dissector, std::ios::binary | std::ios::trunc);
    file << script;
    file.close();
    if (!file) {
        err << "halsim: " << o.dissector << ": cannot write\n";
        return 2;
    }
    return 0;
}

}  // namespace halsim
