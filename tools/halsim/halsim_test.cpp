// halsim's command line, the JSON form of what the host recorded, and a JSON
// run of the whole scenario.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cmd_names.h"
#include "command_line_test.h"
#include "decode.h"
#include "json_out.h"
#include "run.h"

namespace halsim {
namespace {

TEST(HalsimCommandLine, ChoosesTheOutputOrExits)
{
    struct Case {
        std::vector<const char *> args;
        int status;  // -1: halsim runs
        Output output;
    };
    const Case cases[] = {
        {{}, -1, Output::requests},
        {{"--quiet"}, -1, Output::quiet},
        {{"-v"}, -1, Output::verbose},
        {{"--verbose"}, -1, Output::verbose},
        {{"--json"}, -1, Output::json},
        {{"--state"}, -1, Output::state},
        {{"--state", "--json"}, 2, Output::requests},
        {{"--help"}, 0, Output::requests},
        {{"--bogus"}, 2, Output::requests},
        {{"extra"}, 2, Output::requests},
        {{"--json", "-v"}, 2, Output::requests},
        {{"--quiet", "--verbose"}, 2, Output::requests},
        {{"/dev/null", "--state"}, -1, Output::state},
        {{"--replay", "/dev/null", "/dev/null"}, 2, Output::requests},
        {{"--to-scenario", "/dev/null", "--replay", "/dev/null"}, 2, Output::requests},
        {{"--to-scenario", "/dev/null", "--json"}, 2, Output::requests},
        {{"--soak", "100", "--seed", "3"}, -1, Output::requests},
        {{"--soak", "0"}, 2, Output::requests},
        {{"--seed", "3"}, 2, Output::requests},
        {{"--soak", "100", "/dev/null"}, 2, Output::requests},
        {{"--soak", "100", "--json"}, 2, Output::requests},
        {{"--soak-check", "/dev/null", "--soak", "100"}, 2, Output::requests},
    };
    for (const Case &c : cases) {
        const Parsed p = parseArgs(c.args);
        EXPECT_EQ(p.status, c.status) << p.line;
        EXPECT_EQ(p.options.output, c.output) << p.line;
        EXPECT_EQ(p.err.empty(), c.status != 2) << p.line << p.err;
    }
}

TEST(HalsimCmdNames, AreTheCommandListNames)
{
    for (const Layout &l : layouts()) {
        EXPECT_NE(cmdName(l.cmd), nullptr) << std::hex << l.cmd;
    }
    EXPECT_STREQ(cmdName(0x2002d000), "L3_ADD_IF");
    EXPECT_STREQ(cmdName(0x20030000), "L2_ADD_FLOW");
    EXPECT_STREQ(cmdName(0x20030028), "MAC_GET_FILTER_MODE");
    EXPECT_EQ(cmdName(0), nullptr);
}

void put(uint32_t v, uint32_t size, uint8_t *at)
{
    for (uint32_t i = 0; i < size; ++i) {
        at[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

uint32_t numberOf(const Json &v) { return (v.is_object() ? v.at("value") : v).get<uint32_t>(); }

// Writes a field's JSON value back into the bytes of a request.
void encode(const Json &v, const Field &f, std::vector<uint8_t> &req)
{
    if (v.is_string()) {
        const std::string hex = v;
        for (size_t i = 0; i * 3 < hex.size(); ++i) {
            req[f.offset + i] = static_cast<uint8_t>(std::stoul(hex.substr(i * 3, 2), nullptr, 16));
        }
    } else if (v.is_array()) {
        for (size_t i = 0; i < v.size(); ++i) {
            put(numberOf(v[i]), f.element, &req[f.offset + i * f.element]);
        }
    } else {
        put(numberOf(v), f.size, &req[f.offset]);
    }
}

TEST(HalsimJson, EveryFieldCarriesItsRequestBytes)
{
    for (const Layout &l : layouts()) {
        if (l.name == nullptr) {
            continue;
        }
        HlpCall call{l.cmd, std::vector<uint8_t>(l.size)};
        for (size_t i = 0; i < call.req.size(); ++i) {
            call.req[i] = static_cast<uint8_t>(i * 37 + 11);
        }
        const Json j = toJson(call);
        ASSERT_TRUE(j.contains("fields")) << l.name;
        EXPECT_EQ(j["fields"].size(), l.fields.size()) << l.name;
        std::vector<uint8_t> back(l.size);
        for (const Field &f : l.fields) {
            encode(j["fields"].at(f.name), f, back);
            EXPECT_TRUE(std::equal(&back[f.offset], &back[f.offset + f.size], &call.req[f.offset]))
                << l.name << ' ' << f.name << ' ' << j["fields"][f.name];
        }
    }
}

TEST(HalsimJson, CodeFieldsNameTheirValues)
{
    for (const Layout &l : layouts()) {
        for (const Field &f : l.fields) {
            if (f.values.count == 0 || f.size > 4) {
                continue;
            }
            const hal::rec::ValueName &last = f.values.names[f.values.count - 1];
            HlpCall call{l.cmd, std::vector<uint8_t>(l.size)};
            put(last.value, f.size, &call.req[f.offset]);
            EXPECT_EQ(toJson(call)["fields"][f.name], (Json{{"value", last.value}, {"name", last.name}})) << f.name;
            put(0xffffffffU, f.size, &call.req[f.offset]);
            EXPECT_TRUE(toJson(call)["fields"][f.name]["name"].is_null()) << f.name;
        }
    }
}

TEST(HalsimJson, UndecodedCommandsKeepTheirBytes)
{
    const Json wrongLength = toJson(HlpCall{0x20030013, {7, 0, 0}});
    EXPECT_EQ(wrongLength["name"], "PDU_DEL_FLOW");
    EXPECT_EQ(wrongLength["bytes"], "07:00:00");
    EXPECT_FALSE(wrongLength.contains("fields"));
    const Json unknown = toJson(HlpCall{0x12345678, {0xab}});
    EXPECT_EQ(unknown["cmd"], "0x12345678");
    EXPECT_TRUE(unknown["name"].is_null());
    EXPECT_TRUE(unknown["request"].is_null());
    EXPECT_EQ(unknown["bytes"], "ab");
}

// The one run of the scenario in this process: the library keeps its state.
TEST(HalsimJson, ScenarioPrintsOneObjectPerRequest)
{
    std::ostringstream out;
    std::ostringstream err;
    Options o;
    o.output = Output::json;
    runScenario(o, out, err);
    std::istringstream lines(out.str());
    size_t requests = 0;
    size_t commands = 0;
    for (std::string line; std::getline(lines, line); ++requests) {
        const Json j = Json::parse(line);
        EXPECT_TRUE(j.at("call").is_string()) << line;
        EXPECT_TRUE(j.at("result").is_number_unsigned()) << line;
        for (const Json &c : j.at("commands")) {
            EXPECT_TRUE(c.at("name").is_string() && c.contains("fields")) << c;
            ++commands;
        }
    }
    char summary[96];
    std::snprintf(summary, sizeof(summary), "halsim: %zu requests, %zu HLP commands,", requests, commands);
    EXPECT_EQ(err.str().rfind(summary, 0), 0U) << err.str();
}

}  // namespace
}  // namespace halsim
