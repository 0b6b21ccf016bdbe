// The Wireshark dissector as the build wrote it (hlp.lua), read back and
// held to the tables it is written from: every field of every command's
// request and reply at the offset and width the records' field tables give,
// with their value names, and every member of every host record at the
// offset the public header gives. A record that changes without the script
// following it fails here.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "api_table.h"
#include "chip/kalo/kalo_btv_rec.h"
#include "chip/kalo/kalo_l2_mac_rec.h"
#include "chip/kalo/kalo_l2_rec.h"
#include "chip/kalo/kalo_l3_rec.h"
#include "chip/kalo/kalo_prtcl_rec.h"
#include "cmd_names.h"
#include "decode.h"
#include "platform/hlp_cmd.h"

namespace halsim {
namespace {

// ---- hlp.lua, read back -----------------------------------------------------------------

struct Entry {
    std::string path;
    uint32_t offset = 0;
    uint32_t size = 0;
    std::string abbrev;  // a field's filter name, or empty for a nested record
    std::string record;  // the nested record
    uint32_t count = 0;
};

struct LuaRecord {
    std::string type;
    uint32_t size = 0;
    std::vector<Entry> entries;
};

struct FieldDef {
    std::string label;
    uint32_t element = 0;
    int names = 0;  // the value-name table, 0 for none
    int definitions = 0;
};

struct Script {
    std::map<uint32_t, std::string> commandNames;  // cmd_names
    std::map<uint32_t, LuaRecord> requests;
    std::map<uint32_t, LuaRecord> replies;
    std::map<std::string, LuaRecord> records;
    std::map<std::string, FieldDef> fields;
    std::map<int, std::map<uint32_t, std::string>> names;
    std::map<std::string, std::vector<std::string>> functions;  // each parameter: "word NAME" or "buffer NAME RECORD"
};

// The words of a generated line: quoted strings and bare words (names,
// numbers, nil), the punctuation between them dropped.
struct Token {
    bool quoted;
    std::string text;
};

std::vector<Token> tokens(const std::string &line)
{
    std::vector<Token> out;
    for (size_t i = 0; i < line.size();) {
        if (line[i] == '"') {
            const size_t close = line.find('"', i + 1);
            out.push_back({true, line.substr(i + 1, close - i - 1)});
            i = close == std::string::npos ? line.size() : close + 1;
        } else if (std::isalnum(static_cast<unsigned char>(line[i])) != 0 || line[i] == '_') {
            size_t j = i;
            while (j < line.size() && (std::isalnum(static_cast<unsigned char>(line[j])) != 0 || line[j] == '_')) {
                ++j;
            }
            out.push_back({false, line.substr(i, j - i)});
            i = j;
        } else {
            ++i;
        }
    }
    return out;
}

uint32_t number(const Token &t) { return static_cast<uint32_t>(std::stoul(t.text, nullptr, 0)); }

// Reads the script line by line into s: the generated lines only, each
// table entry into the record opened last.
class Reader {
public:
    explicit Reader(Script &s) : s_(s) {}

    void line(const std::string &text)
    {
        const std::vector<Token> t = tokens(text);
        if (t.empty()) {
            return;
        }
        const std::string &first = t[0].text;
        if (t[0].quoted && open_ != nullptr && text.find("{ \"") != std::string::npos) {
            entry(t);
        } else if (first == "hlp_field" || first == "hal_field") {
            FieldDef &f = s_.fields[t[1].text];
            f = {t[2].text, number(t[3]), t.size() == 6 ? static_cast<int>(number(t[5])) : 0, f.definitions + 1};
        } else if (first == "names") {
            auto &table = s_.names[static_cast<int>(number(t[1]))];
            for (size_t k = 2; k + 1 < t.size(); k += 2) {
                table[number(t[k])] = t[k + 1].text;
            }
        } else if (first == "cmd_names") {
            s_.commandNames[number(t[1])] = t[2].text;
        } else if (first == "commands") {
            command_ = number(t[1]);
        } else if ((first == "request" || first == "reply") && t.size() == 4 && t[1].text == "record") {
            open_ = &(first == "request" ? s_.requests : s_.replies)[command_];
            *open_ = {t[2].text, number(t[3]), {}};
        } else if (first == "records" && t.size() == 5) {
            open_ = &s_.records[t[1].text];
            *open_ = {t[3].text, number(t[4]), {}};
        } else if (first == "functions") {
            function(t);
        } else if (text.rfind("})", 0) == 0 || text.rfind("  })", 0) == 0) {
            open_ = nullptr;
        }
    }

private:
    // { "path", offset, size, "abbrev" } or { "path", offset, size, nil, "record", count }
    void entry(const std::vector<Token> &t)
    {
        if (t.size() == 4) {
            open_->entries.push_back({t[0].text, number(t[1]), number(t[2]), t[3].text, "", 0});
        } else if (t.size() == 6 && t[3].text == "nil") {
            open_->entries.push_back({t[0].text, number(t[1]), number(t[2]), "", t[4].text, number(t[5])});
        } else {
            ADD_FAILURE() << "an entry of " << t.size() << " words in " << open_->type;
        }
    }

    // Each parameter: { "name", "hal.arg.name" } or { "name", nil, "record" }.
    void function(const std::vector<Token> &t)
    {
        auto &list = s_.functions[t[1].text];
        for (size_t k = 2; k + 1 < t.size();) {
            if (t[k + 1].quoted && t[k + 1].text == "hal.arg." + t[k].text) {
                list.push_back("word " + t[k].text);
                k += 2;
            } else if (k + 2 < t.size() && t[k + 1].text == "nil") {
                list.push_back("buffer " + t[k].text + " " + t[k + 2].text);
                k += 3;
            } else {
                ADD_FAILURE() << "a parameter of " << t[1].text << " reads " << t[k].text;
                return;
            }
        }
    }

    Script &s_;
    uint32_t command_ = 0;
    LuaRecord *open_ = nullptr;
};

Script readScript()
{
    std::ifstream in(HALSIM_DISSECTOR_LUA);
    EXPECT_TRUE(in) << HALSIM_DISSECTOR_LUA;
    Script s;
    Reader reader(s);
    std::string text;
    while (std::getline(in, text)) {
        reader.line(text);
    }
    return s;
}

const Script &script()
{
    static const Script s = readScript();
    return s;
}

// ---- What the tables say --------------------------------------------------------------

namespace hlp = hal::hlp;

template <hlp::Cmd C, typename = void>
struct Paired : std::false_type {
};
template <hlp::Cmd C>
struct Paired<C, std::void_t<typename hlp::Command<C>::Request>> : std::true_type {
};

struct ReplyTable {
    uint32_t cmd;
    uint32_t size;  // 0 without a reply
    hal::rec::Fields fields;
};

template <hlp::Cmd C>
ReplyTable replyOf()
{
    if constexpr (Paired<C>::value) {
        using Reply = typename hlp::Command<C>::Reply;
        if constexpr (!std::is_same_v<Reply, hlp::NoReply>) {
            return {hlp::codeOf(C), sizeof(Reply), hal::rec::fieldsOf<Reply>()};
        }
    }
    return {hlp::codeOf(C), 0, {}};
}

template <size_t... I>
std::vector<ReplyTable> allReplies(std::index_sequence<I...> /*commands*/)
{
    return {replyOf<hlp::kCommands[I]>()...};
}

// A reply's leaf fields: path, offset, size, element, value names.
void leaves(const hal::rec::Fields &table, const std::string &prefix, uint32_t base, std::vector<Field> &out)
{
    for (size_t i = 0; i < table.count; ++i) {
        const hal::rec::Field &f = table.fields[i];
        if (f.sub.count != 0) {
            leaves(f.sub, *f.name != '\0' ? prefix + f.name + '.' : prefix, base + f.offset, out);
        } else {
            out.push_back(Field{prefix + f.name, base + f.offset, f.size, f.values, f.element});
        }
    }
}

std::string areaOf(uint32_t cmd)
{
    std::string area = cmdName(cmd);
    area = area.substr(0, area.find('_'));
    for (char &c : area) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return area;
}

// The element bytes the dissector must show a driver record's field in: a
// number, an array of 16- or 32-bit numbers, or bytes (0).
uint32_t expectedElement(const Field &f)
{
    const auto number = [](uint32_t n) { return n == 1 || n == 2 || n == 4; };
    if (number(f.size)) {
        return f.size;
    }
    return f.element > 1 && number(f.element) ? f.element : 0;
}

// Every field of a driver record against the script's record.
void expectRecord(const LuaRecord &lua, const std::vector<Field> &fields, const std::string &prefix,
                  const std::string &what)
{
    const Script &s = script();
    ASSERT_EQ(lua.entries.size(), fields.size()) << what;
    for (size_t i = 0; i < fields.size(); ++i) {
        const Field &f = fields[i];
        const Entry &e = lua.entries[i];
        SCOPED_TRACE(what + " " + f.name);
        EXPECT_EQ(e.path, f.name);
        EXPECT_EQ(e.offset, f.offset);
        EXPECT_EQ(e.size, f.size);
        EXPECT_EQ(e.abbrev, prefix + f.name);
        const auto def = s.fields.find(e.abbrev);
        ASSERT_NE(def, s.fields.end());
        EXPECT_EQ(def->second.element, expectedElement(f));
        if (f.values.count == 0) {
            EXPECT_EQ(def->second.names, 0);
            continue;
        }
        const auto names = s.names.find(def->second.names);
        ASSERT_NE(names, s.names.end());
        std::map<uint32_t, std::string> expected;
        for (size_t k = 0; k < f.values.count; ++k) {
            expected[f.values.names[k].value] = f.values.names[k].name;
        }
        EXPECT_EQ(names->second, expected);
    }
}

TEST(DissectorScript, EveryRequestFieldWhereTheDecoderReadsIt)
{
    const Script &s = script();
    size_t commands = 0;
    for (const Layout &l : layouts()) {
        if (l.name == nullptr) {
            continue;
        }
        ++commands;
        const std::string code = std::to_string(l.cmd);
        ASSERT_EQ(s.requests.count(l.cmd), 1U) << code;
        EXPECT_EQ(s.commandNames.at(l.cmd), cmdName(l.cmd));
        EXPECT_EQ(s.requests.at(l.cmd).size, l.size) << code;
        expectRecord(s.requests.at(l.cmd), l.fields, "hlp." + areaOf(l.cmd) + ".", cmdName(l.cmd));
    }
    EXPECT_EQ(s.requests.size(), commands);
    // The two largest requests, whole.
    EXPECT_EQ(s.requests.at(0x20030000).size, 364U);
    EXPECT_EQ(s.requests.at(0x20030012).size, 184U);
}

TEST(DissectorScript, EveryReplyFieldWhereItsTablePutsIt)
{
    const Script &s = script();
    size_t replies = 0;
    for (const ReplyTable &r : allReplies(std::make_index_sequence<std::size(hlp::kCommands)>())) {
        if (r.size == 0) {
            EXPECT_EQ(s.replies.count(r.cmd), 0U) << cmdName(r.cmd);
            continue;
        }
        ++replies;
        ASSERT_EQ(s.replies.count(r.cmd), 1U) << cmdName(r.cmd);
        EXPECT_EQ(s.replies.at(r.cmd).size, r.size);
        std::vector<Field> fields;
        leaves(r.fields, "", 0, fields);
        expectRecord(s.replies.at(r.cmd), fields, "hlp." + areaOf(r.cmd) + ".reply.", cmdName(r.cmd));
    }
    EXPECT_GT(replies, 0U);
}

// ---- Host records and entry points ----------------------------------------------------

std::string recordPart(std::string name)
{
    name = name.substr(name.rfind("HAL_", 0) == 0 ? 4 : 0);
    name.resize(name.size() - (name.size() > 2 && name.compare(name.size() - 2, 2, "_S") == 0 ? 2 : 0));
    for (char &c : name) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

void expectHostRecord(const api::Struct &st, std::set<std::string> &seen)
{
    if (!seen.insert(st.name).second) {
        return;
    }
    SCOPED_TRACE(st.name);
    const Script &s = script();
    const auto lua = s.records.find(st.name);
    ASSERT_NE(lua, s.records.end());
    EXPECT_EQ(lua->second.size, st.size);
    ASSERT_EQ(lua->second.entries.size(), st.memberCount);
    for (size_t i = 0; i < st.memberCount; ++i) {
        const api::Member &m = st.members[i];
        const Entry &e = lua->second.entries[i];
        SCOPED_TRACE(m.name);
        EXPECT_EQ(e.path, m.name);
        EXPECT_EQ(e.offset, m.offset);
        EXPECT_EQ(e.size, m.elem * m.count);
        if (m.type != nullptr) {
            EXPECT_EQ(e.record, m.type->name);
            EXPECT_EQ(e.count, m.count);
            expectHostRecord(*m.type, seen);
            continue;
        }
        EXPECT_EQ(e.abbrev, "hal." + recordPart(st.name) + "." + m.name);
        const auto def = s.fields.find(e.abbrev);
        ASSERT_NE(def, s.fields.end());
        // Six single bytes are a MAC address, in hex; everything else numbers.
        EXPECT_EQ(def->second.element, m.elem == 1 && m.count == 6 ? 0U : m.elem);
    }
}

TEST(DissectorScript, EveryEntryPointWithItsParametersAndRecords)
{
    const Script &s = script();
    std::set<std::string> seen;
    for (size_t i = 0; i < api::kFunctionCount; ++i) {
        const api::Function &f = api::kFunctions[i];
        SCOPED_TRACE(f.name);
        const auto lua = s.functions.find(f.name);
        ASSERT_NE(lua, s.functions.end());
        ASSERT_EQ(lua->second.size(), f.paramCount);
        for (size_t k = 0; k < f.paramCount; ++k) {
            const api::Param &p = f.params[k];
            if (p.kind == api::ParamKind::word) {
                EXPECT_EQ(lua->second[k], std::string("word ") + p.name);
                EXPECT_EQ(s.fields.at(std::string("hal.arg.") + p.name).element, 4U);
            } else if (p.type != nullptr) {
                EXPECT_EQ(lua->second[k], std::string("buffer ") + p.name + " " + p.type->name);
                expectHostRecord(*p.type, seen);
            } else {
                // A number or a MAC address behind a pointer: a record of its own.
                const std::string record = std::string("ptr.") + p.name + "." + std::to_string(p.size);
                EXPECT_EQ(lua->second[k], std::string("buffer ") + p.name + " " + record);
                ASSERT_EQ(s.records.count(record), 1U);
                EXPECT_EQ(s.records.at(record).size, p.size);
                EXPECT_EQ(s.fields.at(std::string("hal.ptr.") + p.name).element, p.size == 6 ? 0U : p.size);
            }
        }
    }
    EXPECT_EQ(s.functions.size(), api::kFunctionCount);
}

TEST(DissectorScript, EachFilterNameDefinedOnceAndEveryUseDefined)
{
    const Script &s = script();
    for (const auto &[abbrev, def] : s.fields) {
        EXPECT_EQ(def.definitions, 1) << abbrev;
        EXPECT_TRUE(abbrev.rfind("hlp.", 0) == 0 || abbrev.rfind("hal.", 0) == 0) << abbrev;
    }
    const auto defined = [&](const LuaRecord &r) {
        for (const Entry &e : r.entries) {
            EXPECT_TRUE(e.abbrev.empty() ? s.records.count(e.record) == 1 : s.fields.count(e.abbrev) == 1)
                << r.type << " " << e.path;
        }
    };
    for (const auto &[cmd, r] : s.requests) {
        defined(r);
    }
    for (const auto &[cmd, r] : s.replies) {
        defined(r);
    }
    for (const auto &[name, r] : s.records) {
        defined(r);
    }
}

}  // namespace
}  // namespace halsim
