// Scenario files: one line per library call, host setting, fault, piece of
// traffic or expectation, read into lines that halsim runs in order.
//
//   # an Internet flow on Ethernet port 1
//   host chipattr 0x10001=2
//   HAL_L2_InitUser
//   HAL_L2_AddFlow FlowId=7 CtpId=1 stInRule.tagNum=1 stInRule.filterInfo[0].vlanID=100
//   expect result 0
//   expect command L2_ADD_FLOW flow_id=7
//   refuse L2_DEL_FLOW 0xd1200003
//   fail QX_OS_MemMallocD 1
//   traffic wan type=1 vlan=100 rcvPackets=10
//   expect state l2 flow 7:
//
// A call names the entry point and the members of its records by the public
// header's names; what it does not name is zero. The whole file is read
// before anything runs: a line halsim cannot read stops it with
// "file:line: what".
#ifndef TOOLS_HALSIM_SCENARIO_FILE_H
#define TOOLS_HALSIM_SCENARIO_FILE_H

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api_table.h"
#include "fields.h"

namespace halsim {

enum class LineKind : uint8_t {
    call,     // an entry point with its arguments
    host,     // a host setting: host SETTING KEY=VALUE...
    refuse,   // the driver refuses the next command of a code: refuse CMD RESULT
    fail,     // a host function fails: fail [always] FUNCTION RESULT
    traffic,  // counters advance: traffic KIND KEY=VALUE...
    expect,   // a check: expect WHAT ...
};

// What an expect line checks.
enum class Check : uint8_t {
    result,     // expect result VALUE: the last call's result
    commands,   // expect commands N: HLP commands the last call sent
    command,    // expect command NAME [FIELD=VALUE...]: the last such command of the last call
    lastword,   // expect lastword FILE:LINE [code=X] [values=A,B,C,D]: a failure record of the last call
    lastwords,  // expect lastwords N: failure records the last call made
    out,        // expect out FIELD=VALUE...: a member of a record the last call wrote
    state,      // expect [not] state TEXT: a line of the chip's tables that starts with TEXT
};

struct Pair {
    std::string key;
    std::string value;
};

struct ScenarioLine {
    LineKind kind = LineKind::call;
    std::string file;
    uint32_t line = 0;
    std::string text;  // as written, without the comment

    // A call: the entry point, its words, and its buffers (empty for a
    // word parameter).
    const api::Function *function = nullptr;
    api::Args args;
    std::vector<std::vector<uint8_t>> buffers;
    uint32_t nullMask = 0;  // buffer parameters given as null, by bit

    // The other lines: the verb after the line's first word (the host
    // setting, the traffic kind, the check's subject), its key=value
    // pairs, and what the line names in numbers or text.
    std::string verb;
    Check check = Check::result;
    std::vector<Pair> pairs;
    std::string rest;                      // expect state's text; fail's function
    uint64_t number = 0;                   // refuse's code; the expected result or count
    uint64_t number2 = 0;                  // refuse's and fail's result; lastword's line
    bool flag = false;                     // fail always; expect not state
    std::vector<size_t> outParams;         // expect out: the parameter of each pair's member
    std::vector<FieldRef> outFields;       // and where in it the member lies
    const api::Function *outOf = nullptr;  // expect out: the call whose records are read
};

struct Scenario {
    std::vector<ScenarioLine> lines;
};

// Reads text (the contents of file) into out. False with error
// "file:line: what" at the first line that cannot be read.
bool parseScenario(std::string_view text, const std::string &file, Scenario &out, std::string &error);

// The arguments of call line l: its words, and its buffers by address
// (null for a parameter the line gives as null).
api::Args argsOf(ScenarioLine &l);

// The HLP command code of a name in the library's command list
// (L2_ADD_FLOW) or of a number; false for neither.
bool commandCode(std::string_view text, uint32_t &code);

}  // namespace halsim

#endif
