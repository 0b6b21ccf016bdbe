// The public header as data: every host record with its members, and every
// entry point a scenario can call with its parameters and a caller. The
// tables are written by apigen from the header itself at build time, so a
// member's name, offset and width are never typed twice.
#ifndef TOOLS_HALSIM_API_TABLE_H
#define TOOLS_HALSIM_API_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace halsim::api {

struct Struct;

// One member of a host record: count elements of elem bytes each, at
// offset; a nested record when type is set, unsigned numbers otherwise.
struct Member {
    const char *name;
    size_t offset;
    size_t elem;
    size_t count;
    const Struct *type;
};

struct Struct {
    const char *name;
    size_t size;
    const Member *members;
    size_t memberCount;
};

enum class ParamKind : uint8_t {
    word,    // a uint32_t passed by value
    buffer,  // a pointer to a host buffer: a record, a counter or a MAC address
};

struct Param {
    const char *name;
    ParamKind kind;
    size_t size;         // bytes of the buffer
    const Struct *type;  // the record, or none for a counter (1 number) or a MAC (6 bytes)
    bool isConst;        // the entry point only reads the buffer
};

// The arguments of one call, by parameter: words by value, buffers by
// address (null passes a null pointer).
struct Args {
    static constexpr size_t kMaxParams = 8;
    uint32_t words[kMaxParams] = {};
    void *buffers[kMaxParams] = {};
    uint32_t word(size_t param) const { return words[param]; }
    void *buffer(size_t param) const { return buffers[param]; }
};

struct Function {
    const char *name;
    const Param *params;
    size_t paramCount;
    uint32_t (*call)(const Args &args);
};

extern const Struct *const kStructs[];
extern const size_t kStructCount;
extern const Function kFunctions[];
extern const size_t kFunctionCount;
// The host functions the library imports, by name.
extern const char *const kHostFunctions[];
extern const size_t kHostFunctionCount;

// The entry point or record of that name, or null.
const Function *findFunction(std::string_view name);
const Struct *findStruct(std::string_view name);

}  // namespace halsim::api

#endif
