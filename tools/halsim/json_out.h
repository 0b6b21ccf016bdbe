// JSON forms of what the stand-in host recorded, for halsim --json.
//
// A command is {"cmd": "0x20030000", "name": "L2_ADD_FLOW", "request": "add
// flow", "result": 0, "fields": {...}}: name is the command's name in the
// library's command list, request its request record as the decoder names
// it, result the driver's answer. fields holds every field of the request,
// nested records flattened to dotted names ("in.in_rule.tag_num"):
//   - a number field: a number;
//   - a code field: {"value": 2, "name": "both"}, name null for a value
//     without one;
//   - an array of 16- or 32-bit numbers or codes: an array of those;
//   - any other field: its bytes in hex, "01:00:5e:0a:00:03".
// A command the decoder cannot read (an unknown code, a request of the
// wrong length) has "bytes", the request in the same hex form, in place of
// fields, and null for what it cannot name.
#ifndef TOOLS_HALSIM_JSON_OUT_H
#define TOOLS_HALSIM_JSON_OUT_H

#include <nlohmann/json.hpp>

#include "host.h"

namespace halsim {

// Objects keep their keys in the order written.
using Json = nlohmann::ordered_json;

Json toJson(const HlpCall &call);
Json toJson(const LastWordRec &rec);  // {"file", "line", "code", "values": [v0, v1, v2, v3]}
Json toJson(const TraceRec &rec);     // {"module", "file", "line", "text"}
Json toJson(const ConsoleRec &rec);   // {"level", "text"}

}  // namespace halsim

#endif
