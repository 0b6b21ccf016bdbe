// apigen: reads the public C headers and writes, from their struct
// typedefs and their entry point prototypes, the C++ tables halsim resolves
// scenario fields and calls through (`table`), or the recording wrappers of
// libhal_record.so (`recorder`). The headers stay the one place a record's
// members and an entry point's parameters are written down.
//
//   apigen table|recorder OUT [--host HOST_HEADER] HEADER...
//
// The table also lists the functions the host header declares, by name.
//
// The headers are plain C in one style: `typedef struct NAME { TYPE member;
// TYPE member[DIM]; ... } NAME;` and `HAL_API RET NAME(PARAMS);`. Whatever
// else they hold (macros, enums, externs, static assertions) is skipped.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Member {
    std::string type;
    std::string name;
    std::string dim;  // empty for a single value
};

struct Struct {
    std::string name;
    std::vector<Member> members;
};

struct Param {
    std::string type;  // base type, without const and '*'
    std::string name;
    bool isConst = false;
    int pointers = 0;
};

struct Function {
    std::string ret;
    std::string name;
    std::vector<Param> params;
};

// ---- Reading the headers ------------------------------------------------------

std::string withoutComments(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "/*") == 0) {
            const size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? text.size() : end + 1;
            out += ' ';
        } else if (text.compare(i, 2, "//") == 0 || text[i] == '#') {
            // Line comments and preprocessor lines (with their continuations).
            while (i < text.size() && text[i] != '\n') {
                if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
                    ++i;
                }
                ++i;
            }
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> tokens(const std::string &text)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c) != 0) {
            ++i;
        } else if (std::isalnum(c) != 0 || c == '_') {
            size_t j = i;
            while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) != 0 || text[j] == '_')) {
                ++j;
            }
            out.push_back(text.substr(i, j - i));
            i = j;
        } else {
            out.emplace_back(1, text[i]);
            ++i;
        }
    }
    return out;
}

// The functions a header declares: `RET NAME(` outside any parameter list,
// with RET a type name or a pointer to one.
std::vector<std::string> declaredFunctions(const std::vector<std::string> &t)
{
    std::vector<std::string> out;
    int depth = 0;
    for (size_t i = 1; i + 1 < t.size(); ++i) {
        if (t[i] == "(") {
            ++depth;
        } else if (t[i] == ")") {
            --depth;
        } else if (depth == 0 && t[i + 1] == "(" && std::isalpha(static_cast<unsigned char>(t[i][0])) != 0 &&
                   (t[i - 1] == "*" || std::isalnum(static_cast<unsigned char>(t[i - 1][0])) != 0)) {
            out.push_back(t[i]);
        }
    }
    return out;
}

class Reader {
public:
    explicit Reader(std::vector<std::string> t) : t_(std::move(t)) {}

    void read(std::vector<Struct> &structs, std::vector<Function> &functions)
    {
        while (i_ < t_.size()) {
            if (at("typedef") && at("struct", 1) && at("{", 3)) {
                structs.push_back(readStruct());
            } else if (at("HAL_API") && !at("extern", -1) && at("(", 3)) {
                functions.push_back(readFunction());
            } else {
                ++i_;
            }
        }
    }

private:
    bool at(const char *s, long ahead = 0) const
    {
        const long k = static_cast<long>(i_) + ahead;
        return k >= 0 && static_cast<size_t>(k) < t_.size() && t_[static_cast<size_t>(k)] == s;
    }
    const std::string &take() { return t_.at(i_++); }
    void expect(const char *s)
    {
        if (!at(s)) {
            throw std::runtime_error("expected '" + std::string(s) + "' before '" + (i_ < t_.size() ? t_[i_] : "") +
                                     "'");
        }
        ++i_;
    }

    Struct readStruct()
    {
        i_ += 2;
        Struct s;
        s.name = take();
        expect("{");
        while (!at("}")) {
            Member m;
            m.type = take();
            m.name = take();
            if (at("[")) {
                ++i_;
                while (!at("]")) {
                    m.dim += take();
                }
                ++i_;
            }
            expect(";");
            s.members.push_back(m);
        }
        expect("}");
        if (take() != s.name) {
            throw std::runtime_error("typedef name of struct " + s.name + " differs from its tag");
        }
        expect(";");
        return s;
    }

    Function readFunction()
    {
        ++i_;
        Function f;
        f.ret = take();
        f.name = take();
        expect("(");
        std::vector<std::string> param;
        auto flush = [&]() {
            if (param.empty() || (param.size() == 1 && param[0] == "void")) {
                return;
            }
            Param p;
            for (size_t k = 0; k + 1 < param.size(); ++k) {
                if (param[k] == "const") {
                    p.isConst = true;
                } else if (param[k] == "*") {
                    ++p.pointers;
                } else {
                    p.type = param[k];
                }
            }
            p.name = param.back();
            f.params.push_back(p);
            param.clear();
        };
        while (!at(")")) {
            if (at(",")) {
                flush();
                ++i_;
            } else {
                param.push_back(take());
            }
        }
        flush();
        ++i_;
        expect(";");
        return f;
    }

    std::vector<std::string> t_;
    size_t i_ = 0;
};

// ---- What a parameter is ---------------------------------------------------------

const std::set<std::string> kWords = {"uint8_t", "uint16_t", "uint32_t", "uint64_t"};

// How a parameter reaches the entry point: a word, or a pointer to a host
// buffer of known size (a record, a counter, a MAC address). Anything else
// (function pointers, strings) a scenario cannot name: "".
std::string paramKind(const Param &p, const std::set<std::string> &structs)
{
    if (p.pointers == 0 && p.type == "uint32_t") {
        return "word";
    }
    if (p.pointers == 1 && structs.count(p.type) != 0) {
        return "record";
    }
    if (p.pointers == 1 && (p.type == "uint32_t" || p.type == "uint16_t")) {
        return "counter";
    }
    if (p.pointers == 1 && p.type == "uint8_t" && p.isConst && p.name == "mac") {
        return "mac";
    }
    return "";
}

// halsim's Args::kMaxParams.
constexpr size_t kMaxParams = 8;

bool callable(const Function &f, const std::set<std::string> &structs)
{
    if (f.ret != "uint32_t" || f.params.size() > kMaxParams) {
        return false;
    }
    return std::all_of(f.params.begin(), f.params.end(),
                       [&](const Param &p) { return !paramKind(p, structs).empty(); });
}

std::string pointerType(const Param &p) { return std::string(p.isConst ? "const " : "") + p.type + " *"; }

// ---- Writing the tables ----------------------------------------------------------

std::set<std::string> structNames(const std::vector<Struct> &structs)
{
    std::set<std::string> names;
    for (const Struct &s : structs) {
        names.insert(s.name);
    }
    return names;
}

// One record's member table, with a compile-time check that each member
// still has the type the header gave it.
void writeStruct(std::ostream &o, const Struct &s, const std::set<std::string> &names)
{
    for (const Member &m : s.members) {
        o << "static_assert(std::is_same_v<std::remove_all_extents_t<decltype(" << s.name << "::" << m.name << ")>, "
          << m.type << ">, \"" << s.name << "." << m.name << "\");\n";
    }
    o << "static const Member k" << s.name << "Members[] = {\n";
    for (const Member &m : s.members) {
        const std::string count = m.dim.empty() ? "1" : "(" + m.dim + ")";
        o << "    {\"" << m.name << "\", offsetof(" << s.name << ", " << m.name << "), sizeof(" << s.name
          << "::" << m.name << ") / " << count << ", " << count << ", "
          << (names.count(m.type) != 0 ? "&k" + m.type : std::string("nullptr")) << "},\n";
    }
    o << "};\n";
    o << "extern const Struct k" << s.name << ";\n";
    o << "const Struct k" << s.name << " = {\"" << s.name << "\", sizeof(" << s.name << "), k" << s.name
      << "Members, std::size(k" << s.name << "Members)};\n\n";
}

// Structs in header order: a nested struct is always defined before use.
void writeStructs(std::ostream &o, const std::vector<Struct> &structs, const std::set<std::string> &names)
{
    for (const Struct &s : structs) {
        writeStruct(o, s, names);
    }
    o << "const Struct *const kStructs[] = {\n";
    for (const Struct &s : structs) {
        o << "    &k" << s.name << ",\n";
    }
    o << "};\nconst size_t kStructCount = std::size(kStructs);\n\n";
}

// A parameter's descriptor: its kind, buffer size, record layout and
// whether the entry point only reads the buffer.
void writeParam(std::ostream &o, const Param &p, const std::set<std::string> &names)
{
    const std::string kind = paramKind(p, names);
    o << "    {\"" << p.name << "\", ";
    if (kind == "word") {
        o << "ParamKind::word, 0, nullptr, false";
    } else if (kind == "record") {
        o << "ParamKind::buffer, sizeof(" << p.type << "), &k" << p.type << ", " << (p.isConst ? "true" : "false");
    } else if (kind == "counter") {
        o << "ParamKind::buffer, sizeof(" << p.type << "), nullptr, false";
    } else {
        o << "ParamKind::buffer, 6, nullptr, true";
    }
    o << "},\n";
}

// The parameter table of one entry point and the caller that unpacks a
// scenario's arguments into it.
void writeFunction(std::ostream &o, const Function &f, const std::set<std::string> &names)
{
    if (!f.params.empty()) {
        o << "static const Param k" << f.name << "Params[] = {\n";
        for (const Param &p : f.params) {
            writeParam(o, p, names);
        }
        o << "};\n";
    }
    o << "static uint32_t call" << f.name << "([[maybe_unused]] const Args &a) { return " << f.name << "(";
    for (size_t k = 0; k < f.params.size(); ++k) {
        const Param &p = f.params[k];
        o << (k != 0 ? ", " : "");
        if (paramKind(p, names) == "word") {
            o << "a.word(" << k << ")";
        } else {
            o << "static_cast<" << pointerType(p) << ">(a.buffer(" << k << "))";
        }
    }
    o << "); }\n";
}

void writeFunctions(std::ostream &o, const std::vector<Function> &functions, const std::set<std::string> &names)
{
    for (const Function &f : functions) {
        if (callable(f, names)) {
            writeFunction(o, f, names);
        }
    }
    o << "\nconst Function kFunctions[] = {\n";
    for (const Function &f : functions) {
        if (callable(f, names)) {
            o << "    {\"" << f.name << "\", " << (f.params.empty() ? "nullptr" : "k" + f.name + "Params") << ", "
              << f.params.size() << ", call" << f.name << "},\n";
        }
    }
    o << "};\nconst size_t kFunctionCount = std::size(kFunctions);\n\n";
}

void writeHostFunctions(std::ostream &o, const std::vector<std::string> &hostFunctions)
{
    o << "const char *const kHostFunctions[] = {\n";
    for (const std::string &name : hostFunctions) {
        o << "    \"" << name << "\",\n";
    }
    o << "};\nconst size_t kHostFunctionCount = std::size(kHostFunctions);\n\n";
}

void writeTable(std::ostream &o, const std::vector<Struct> &structs, const std::vector<Function> &functions,
                const std::vector<std::string> &hostFunctions)
{
    const std::set<std::string> names = structNames(structs);
    o << "// Written by apigen from the public headers; do not edit.\n"
         "#include <type_traits>\n\n"
         "#include \"api_table.h\"\n"
         "#include \"hal_network_adpt.h\"\n\n"
         "namespace halsim::api {\n\n";
    writeStructs(o, structs, names);
    writeFunctions(o, functions, names);
    writeHostFunctions(o, hostFunctions);
    o << "}  // namespace halsim::api\n";
}

// ---- Writing the recorder --------------------------------------------------------

// The parameter list of an entry point, with the names (a definition) or
// without them (a function pointer type).
void writeParamList(std::ostream &o, const Function &f, bool withNames)
{
    for (size_t k = 0; k < f.params.size(); ++k) {
        const Param &p = f.params[k];
        o << (k != 0 ? ", " : "");
        if (withNames) {
            o << (p.pointers == 0 ? p.type + " " : pointerType(p)) << p.name;
        } else {
            o << (p.pointers == 0 ? p.type : pointerType(p));
        }
    }
}

// What the recording keeps of each argument: a word's value, or the
// contents of the buffer it points to.
void writeRecordedArgs(std::ostream &o, const Function &f, const std::set<std::string> &names)
{
    for (const Param &p : f.params) {
        const std::string kind = paramKind(p, names);
        if (kind == "word") {
            o << "    call_.word(" << p.name << ");\n";
        } else if (kind == "mac") {
            o << "    call_.buffer(" << p.name << ", 6);\n";
        } else {
            o << "    call_.buffer(" << p.name << ", halrec::sizeOf(" << p.name << "));\n";
        }
    }
}

// One wrapper: records the call, forwards it to the real entry point and
// records what it returned.
void writeWrapper(std::ostream &o, const Function &f, const std::set<std::string> &names)
{
    o << "__attribute__((visibility(\"default\"))) uint32_t " << f.name << "(";
    writeParamList(o, f, true);
    o << (f.params.empty() ? "void" : "") << ")\n{\n";
    o << "    using Fn = uint32_t (*)(";
    writeParamList(o, f, false);
    o << ");\n";
    o << "    static Fn real;\n";
    o << "    halrec::Call call_(\"" << f.name << "\", reinterpret_cast<void **>(&real));\n";
    writeRecordedArgs(o, f, names);
    o << "    const Fn next = halrec::loaded(real);\n";
    o << "    return call_.end(next == nullptr ? halrec::kNoRealFunction : next(";
    for (size_t k = 0; k < f.params.size(); ++k) {
        o << (k != 0 ? ", " : "") << f.params[k].name;
    }
    o << "));\n}\n\n";
}

void writeRecorder(std::ostream &o, const std::vector<Struct> &structs, const std::vector<Function> &functions)
{
    const std::set<std::string> names = structNames(structs);
    o << "// Written by apigen from the public headers; do not edit.\n"
         "#include \"hal_network_adpt.h\"\n"
         "#include \"recorder.h\"\n\n"
         "extern \"C\" {\n\n";
    for (const Function &f : functions) {
        if (callable(f, names)) {
            writeWrapper(o, f, names);
        }
    }
    o << "}  // extern \"C\"\n";
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 4 || (std::string(argv[1]) != "table" && std::string(argv[1]) != "recorder")) {
        std::cerr << "usage: apigen table|recorder OUT [--host HOST_HEADER] HEADER...\n";
        return 2;
    }
    std::vector<Struct> structs;
    std::vector<Function> functions;
    std::vector<std::string> hostFunctions;
    for (int k = 3; k < argc; ++k) {
        const bool isHost = std::string(argv[k]) == "--host" && k + 1 < argc;
        if (isHost) {
            ++k;
        }
        std::ifstream in(argv[k]);
        if (!in) {
            std::cerr << "apigen: cannot read " << argv[k] << '\n';
            return 1;
        }
        std::stringstream text;
        text << in.rdbuf();
        if (isHost) {
            hostFunctions = declaredFunctions(tokens(withoutComments(text.str())));
            continue;
        }
        try {
            Reader(tokens(withoutComments(text.str()))).read(structs, functions);
        } catch (const std::exception &e) {
            std::cerr << "apigen: " << argv[k] << ": " << e.what() << '\n';
            return 1;
        }
    }
    std::ostringstream out;
    if (std::string(argv[1]) == "table") {
        writeTable(out, structs, functions, hostFunctions);
    } else {
        writeRecorder(out, structs, functions);
    }
    std::ofstream file(argv[2]);
    file << out.str();
    if (!file) {
        std::cerr << "apigen: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
