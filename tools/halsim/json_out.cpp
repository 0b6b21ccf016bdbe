#include "json_out.h"

#include <cstdio>

#include "cmd_names.h"
#include "decode.h"

namespace halsim {

namespace {

Json nameOrNull(const char *name) { return name != nullptr ? Json(name) : Json(); }

bool isNumberSize(uint32_t size) { return size == 1 || size == 2 || size == 4; }

std::string hexBytes(const uint8_t *bytes, size_t count)
{
    std::string out;
    char buf[8];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof(buf), i == 0 ? "%02x" : ":%02x", bytes[i]);
        out += buf;
    }
    return out;
}

Json numberJson(uint32_t v, const hal::rec::ValueNames &names)
{
    if (names.count == 0) {
        return v;
    }
    const char *name = nullptr;
    for (size_t i = 0; i < names.count && name == nullptr; ++i) {
        if (names.names[i].value == v) {
            name = names.names[i].name;
        }
    }
    return Json{{"value", v}, {"name", nameOrNull(name)}};
}

Json fieldJson(const std::vector<uint8_t> &req, const Field &f)
{
    if (isNumberSize(f.size)) {
        return numberJson(static_cast<uint32_t>(numberAt(req, f.offset, f.size)), f.values);
    }
    if (f.element > 1 && isNumberSize(f.element)) {
        Json out = Json::array();
        for (uint32_t at = 0; at + f.element <= f.size; at += f.element) {
            out.push_back(numberJson(static_cast<uint32_t>(numberAt(req, f.offset + at, f.element)), f.values));
        }
        return out;
    }
    return hexBytes(req.data() + f.offset, f.size);
}

}  // namespace

Json toJson(const HlpCall &call)
{
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08x", call.cmd);
    const Layout *l = layoutOf(call.cmd);
    Json out{{"cmd", code},
             {"name", nameOrNull(cmdName(call.cmd))},
             {"request", nameOrNull(l != nullptr ? l->name : nullptr)},
             {"result", call.result}};
    if (l == nullptr || call.req.size() != l->size) {
        out["bytes"] = hexBytes(call.req.data(), call.req.size());
        return out;
    }
    Json fields = Json::object();
    for (const Field &f : l->fields) {
        fields[f.name] = fieldJson(call.req, f);
    }
    out["fields"] = std::move(fields);
    return out;
}

Json toJson(const LastWordRec &rec)
{
    return Json{{"file", rec.file},
                {"line", rec.line},
                {"code", rec.code},
                {"values", Json::array({rec.v[0], rec.v[1], rec.v[2], rec.v[3]})}};
}

Json toJson(const TraceRec &rec)
{
    return Json{{"module", rec.module}, {"file", rec.file}, {"line", rec.line}, {"text", rec.text}};
}

Json toJson(const ConsoleRec &rec) { return Json{{"level", rec.level}, {"text", rec.text}}; }

}  // namespace halsim
