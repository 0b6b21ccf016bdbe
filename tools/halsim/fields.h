// Members of host records by name, as a scenario writes them:
// "stInRule.filterInfo[0].vlanID", and values as text: numbers (decimal or
// 0x hex), lists ("1,2"), MAC addresses ("00:11:22:33:44:55") and IPv4
// addresses ("192.168.1.1": into a 32-bit number, host byte order, or into
// four bytes, network byte order).
#ifndef TOOLS_HALSIM_FIELDS_H
#define TOOLS_HALSIM_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "api_table.h"

namespace halsim {

// Where a named member lies in a buffer: count numbers of elem bytes each
// from offset on (a single one when an index was given).
struct FieldRef {
    size_t offset = 0;
    size_t elem = 0;
    size_t count = 0;
};

// The bytes a scenario gives a buffer parameter: the record, and for a
// record that a variable list follows (a policy route's CTP ids) room for
// the longest list.
size_t bufferSize(const api::Param &p);

// Resolves path inside buffer parameter p (the parameter's own name for a
// counter or a MAC). On failure error says why, naming what path lacks.
std::optional<FieldRef> resolve(const api::Param &p, std::string_view path, std::string &error);

// Writes text into buf at ref. A list fills elements in order; a single
// number fills the first. On failure error says why.
bool writeValue(uint8_t *buf, const FieldRef &ref, std::string_view text, std::string &error);

// The value at ref as writeValue reads it back: a number, a comma list, a
// MAC address for six bytes.
std::string formatValue(const uint8_t *buf, const FieldRef &ref);

// Calls out(path, value) for every member of buffer parameter p in buf
// that is not zero, in the record's order, with its value as formatValue
// writes it; a list follows its record when the record's count names one.
void nonZeroFields(const api::Param &p, const uint8_t *buf, size_t size,
                   const std::function<void(const std::string &, const std::string &)> &out);

// Reads a number: decimal or 0x hex, at most 64 bits.
std::optional<uint64_t> parseNumber(std::string_view text);

}  // namespace halsim

#endif
