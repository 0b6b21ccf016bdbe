// The Wireshark dissector of halsim's captures (capture.h), as data and as
// the Lua script written from it: protocol hlp for the HLP commands, with a
// subtree for each command's request and reply record, and protocol hal for
// the calls, with the host records they pass. Everything per field comes
// from the tables: the commands and their records from the command table
// and the records' field tables (sim/decode.h), the calls from the public
// header's tables (api_table.h).
//
// Display filter names:
//   hlp.cmd, hlp.result, hlp.thread, hlp.request_len, hlp.reply_len,
//   hlp.request, hlp.reply                      every command
//   hlp.<area>.<field>                          a field of a request record
//   hlp.<area>.reply.<field>                    a field of a reply record
//   hal.name, hal.sequence, hal.result, hal.thread, hal.argc
//                                               every call
//   hal.arg.<parameter>                         a word argument
//   hal.ptr.<parameter>                         the number or MAC address a pointer argument points at
//   hal.<record>.<member>                       a member of a host record
//   hal.before, hal.after                       a buffer before and after the call
// <area> is the command list name's first word in lower case (L2_ADD_FLOW:
// l2, PDU_ADD_FLOW: pdu), <field> the field's dotted path in the record
// (in.in_rule.tag_num). <record> is the name of the host record that holds
// the member, without HAL_ and _S, in lower case: HAL_L2_FLOW_S.FlowId is
// hal.l2_flow.FlowId, and the VLAN of every tag of a flow's rules and
// treatments, a HAL_L2_FLOW_TAG_INFO_S nested in them, hal.l2_flow_tag_info.vlanID.
// Every element of an array shares its member's name.
#ifndef TOOLS_HALSIM_DISSECTOR_H
#define TOOLS_HALSIM_DISSECTOR_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/hlp_record.h"

namespace halsim::dissector {

// A display filter field: a number of element bytes (1, 2, 4 or 8; an
// array when the record's field is longer), or bytes shown in hex
// (element 0).
struct FieldType {
    std::string label;  // the field's own name, last part of its path
    uint32_t element;
    hal::rec::ValueNames names;  // of a code field
};

// One field of a record as the dissector shows it: a field with a filter
// name, or a nested host record (record set), count of them one after
// another. A driver record's nested records are flattened into it.
struct Field {
    std::string path;  // "match.sip.ip.type" in a driver record; a member's name in a host record
    uint32_t offset;
    uint32_t size;  // bytes of the whole field
    std::string abbrev;
    std::string record;  // the nested host record
    uint32_t count = 1;
};

struct Record {
    std::string type;  // the record's C name
    uint32_t size;
    std::vector<Field> fields;
};

struct Command {
    uint32_t code;
    std::string name;  // L2_ADD_FLOW
    std::string text;  // "add flow"
    std::string area;  // l2
    Record request;
    bool hasReply;
    Record reply;
};

struct Param {
    std::string name;
    bool buffer;         // a word otherwise
    std::string record;  // a buffer's record: a host record, or "ptr.<name>.<size>" for a number or a MAC
};

struct Function {
    std::string name;
    std::vector<Param> params;
};

struct Model {
    std::vector<Command> commands;  // in the order of the command table
    std::map<std::string, FieldType> hlpFields;
    std::map<std::string, Record> hostRecords;  // by name, nested ones too, and those of pointed-at numbers and MACs
    std::vector<Function> functions;
    std::map<std::string, FieldType> halFields;
};

// The model from the tables. Throws std::runtime_error when two fields
// would share a filter name but not its type.
Model buildModel();

// The Lua script of the model.
std::string luaScript(const Model &m);

// The area of a command list name: its first word in lower case.
std::string areaOf(const std::string &commandName);

// The filter name part of a host record: HAL_L2_FLOW_S -> l2_flow.
std::string recordPart(const std::string &recordName);

}  // namespace halsim::dissector

#endif
