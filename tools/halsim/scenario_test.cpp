// Scenario files: how a line becomes the bytes of a host record, what a
// bad line says, and how a run answers its expect lines.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "decode.h"
#include "fields.h"
#include "hal_network_adpt.h"
#include "run.h"
#include "scenario_file.h"

namespace {

using halsim::Scenario;
using halsim::ScenarioLine;

ScenarioLine parseOne(const std::string &text)
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(halsim::parseScenario(text, "t.hal", s, error)) << error;
    return s.lines.empty() ? ScenarioLine{} : s.lines.back();
}

struct Placed {
    const char *line;
    size_t param;
    size_t offset;
    size_t size;
    uint64_t value;
};

TEST(ScenarioLine, MembersLandAtTheirOffsets)
{
    const Placed cases[] = {
        {"HAL_L2_AddFlow FlowId=7", 0, offsetof(HAL_L2_FLOW_S, FlowId), 2, 7},
        {"HAL_L2_AddFlow stInRule.filterInfo[1].vlanID=0x64", 0,
         offsetof(HAL_L2_FLOW_S, stInRule) + offsetof(HAL_L2_FLOW_RULE_S, filterInfo) + 8 +
             offsetof(HAL_L2_FLOW_TAG_INFO_S, vlanID),
         2, 100},
        {"HAL_L2_AddFlow stOutTreat.vlanTreat[1]=5", 0,
         offsetof(HAL_L2_FLOW_S, stOutTreat) + offsetof(HAL_L2_FLOW_TREAT_S, vlanTreat) + 1, 1, 5},
        {"HAL_L2_AddFlow stInRule.vlanFilter=1,2", 0, offsetof(HAL_L2_FLOW_S, stInRule.vlanFilter), 2, 0x0201},
        {"HAL_PDU_PrtclPktAclAdd action.uiCarRate=64", 5, offsetof(PrtclPktAction, uiCarRate), 4, 64},
        {"HAL_PDU_PrtclPktAclAdd rule.uiSrcIp=192.168.1.2", 3, offsetof(PrtclPktRule, uiSrcIp), 4, 0xC0A80102},
        {"HAL_L3_AddPolicyRoute aucSrcIp=10.0.0.1", 1, offsetof(HAL_L3_POLICY_ROUTE_S, aucSrcIp), 4, 0x0100000A},
        {"HAL_L3_AddPolicyRoute uiCtpNum=2 auiCtpId=3,4", 1, HAL_L3_POLICY_ROUTE_CTP_OFFSET + 4, 4, 4},
        {"HAL_L2_AddStaticMac mac=00:11:22:33:44:55", 2, 0, 6, 0x554433221100},
        {"HAL_BTV_AddProgramUsr stProgram.mac=01:00:5e:01:02:03", 0,
         offsetof(BtvProgramUser, stProgram) + offsetof(BtvProgram, mac), 6, 0x0302015e0001},
        {"HAL_L2_GetMacTable astEntry[2047].aucMac[5]=0xff", 0,
         offsetof(HAL_L2_MAC_TABLE_S, astEntry) + size_t{2047} * 11 + 10, 1, 0xff},
    };
    for (const Placed &c : cases) {
        const ScenarioLine l = parseOne(c.line);
        ASSERT_NE(l.function, nullptr) << c.line;
        ASSERT_LT(c.param, l.buffers.size()) << c.line;
        ASSERT_LE(c.offset + c.size, l.buffers[c.param].size()) << c.line;
        EXPECT_EQ(halsim::numberAt(l.buffers[c.param], c.offset, c.size), c.value) << c.line;
        size_t nonZero = 0;
        for (const std::vector<uint8_t> &b : l.buffers) {
            for (const uint8_t byte : b) {
                nonZero += byte != 0 ? 1 : 0;
            }
        }
        EXPECT_LE(nonZero, c.size + 1) << c.line << ": only the named members are set";
    }
}

TEST(ScenarioLine, WordsAndNullPointersByParameterName)
{
    const ScenarioLine l = parseOne("HAL_PDU_PrtclPktAclAdd aclId=9 portType=2 portId=0x10 rule=null ruleClass=1");
    EXPECT_EQ(l.args.words[0], 9U);
    EXPECT_EQ(l.args.words[1], 2U);
    EXPECT_EQ(l.args.words[2], 16U);
    EXPECT_EQ(l.args.words[4], 1U);
    EXPECT_EQ(l.nullMask, 1U << 3);
}

TEST(ScenarioLine, BadLinesNameFileLineAndWhat)
{
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"HAL_L2_AddFlow vlan=3", "t.hal:1: unknown field 'vlan' for HAL_L2_AddFlow"},
        {"# a comment\n\nHAL_L2_AddFlow FlowID=1", "t.hal:3: unknown field 'FlowID' for HAL_L2_AddFlow"},
        {"HAL_L2_AddFlow stInRule=1", "t.hal:1: field 'stInRule' is a record"},
        {"HAL_L2_AddFlow stInRule.filterInfo[2].vlanID=1", "index out of range"},
        {"HAL_L2_AddFlow stInRule.tagNum.x=1", "tagNum is a number, without members"},
        {"HAL_L2_AddFlow FlowId=65536", "bad value '65536' for a 16-bit field"},
        {"HAL_L2_AddFlow FlowId=12abc", "bad value '12abc'"},
        {"HAL_L2_AddFlow stInRule.vlanFilter=1,2,3", "too many values"},
        {"HAL_L2_AddFlow FlowId", "expected NAME=VALUE, got 'FlowId'"},
        {"HAL_L2_AddStaticMac mac=00:11:22:33:44:55:66", "too many bytes"},
        {"HAL_L2_AddStaticMac mac=00:1:22", "bad byte '1'"},
        {"HAL_PDU_PrtclPktAclAdd uiFieldFlags=1", "(name its record: 'rule.uiFieldFlags')"},
        {"HAL_L3_AddWanStats wanId=4294967296", "bad wanId"},
        {"HAL_L3_AddPolicyRoute auiCtpId[64]=1", "unknown field 'auiCtpId[64]'"},
        {"HAL_PDU_PrtclPktAclAdd rule.uiSrcIp=1.2.3", "bad address"},
        {"HAL_RegCtp2UserPortFunc", "unknown call 'HAL_RegCtp2UserPortFunc'"},
        {"HAL_L2_AddFlows", "unknown call"},
        {"halsim", "unknown line 'halsim'"},
        {"host chipattr x=1", "bad attribute 'x'"},
        {"host uplink prot=1", "unknown key 'prot' for host uplink"},
        {"host upload port=1", "unknown host setting 'upload'"},
        {"traffic wan rcvPackets=ten", "bad value 'ten' for rcvPackets"},
        {"traffic mac mac=00:11", "bad MAC address"},
        {"traffic video", "unknown traffic 'video'"},
        {"refuse L2_ADD_FLOWS 1", "refuse takes a command"},
        {"fail QX_OS_Malloc 1", "unknown host function 'QX_OS_Malloc'"},
        {"fail always QX_OS_MemMallocD", "fail takes [always] FUNCTION RESULT"},
        {"expect", "expect what?"},
        {"expect result", "expect result takes one number"},
        {"expect not result 0", "'expect not' takes state only"},
        {"expect command L2_ADD_FLOW flowid=1", "unknown field 'flowid' for command L2_ADD_FLOW"},
        {"expect lastword kalo_l2 code=1", "expect lastword takes FILE:LINE"},
        {"expect lastword kalo_l2:12 line=1", "unknown key 'line' for expect lastword"},
        {"expect out uiRcvPkts=1", "expect out before any call"},
        {"HAL_L3_GetWanStats\nexpect out wanId=1", "wanId is a word the call reads"},
        {"HAL_L3_GetWanStats\nexpect out uiRcvPktz=1", "unknown field 'uiRcvPktz'"},
        {"expect state", "expect state takes the start of a line"},
        {"expect sate x", "unknown expect 'sate'"},
    };
    for (const auto &c : cases) {
        Scenario s;
        std::string error;
        EXPECT_FALSE(halsim::parseScenario(c.text, "t.hal", s, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << "\n  said: " << error;
        EXPECT_EQ(error.rfind("t.hal:", 0), 0U) << error;
    }
}

// A record written back as scenario members reads in as the same bytes:
// what --to-scenario relies on.
TEST(ScenarioLine, NonZeroMembersReadBackAsTheSameRecord)
{
    const char *lines[] = {
        ("HAL_L2_AddFlow FlowId=3 CtpId=2 stInRule.tagNum=2 stInRule.vlanFilter=1,1 stInRule.filterInfo[1].vlanID=7 "
         "stInRule.macAddr=00:0a:0b:0c:0d:0e stOutTreat.treatInfo[0].pri=5"),
        "HAL_BTV_AddProgramUsr usFlowId=21 stProgram.uiMcastGroupID=4 stProgram.mac=01:00:5e:0a:00:04",
        "HAL_L3_AddPolicyRoute uiCtpNum=3 auiCtpId=1,2,3 uiAct=2",
        "HAL_L3_SynPrefixAdd prefix.auiAddr=1,2,3,4",
    };
    for (const char *text : lines) {
        const ScenarioLine l = parseOne(text);
        std::string again = l.function->name;
        for (size_t i = 0; i < l.function->paramCount; ++i) {
            const halsim::api::Param &p = l.function->params[i];
            if (p.type == nullptr) {
                continue;
            }
            halsim::nonZeroFields(p, l.buffers[i].data(), l.buffers[i].size(),
                                  [&](const std::string &path, const std::string &value) {
                                      again.append(" ").append(path).append("=").append(value);
                                  });
        }
        const ScenarioLine back = parseOne(again);
        EXPECT_EQ(back.buffers, l.buffers) << text << "\n  became: " << again;
    }
}

// ---- Runs -----------------------------------------------------------------------

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

RunResult runText(const std::string &text)
{
    // One file per process: ctest runs each test in a process of its own,
    // several at a time.
    const std::string path = ::testing::TempDir() + "scenario_test_" + std::to_string(getpid()) + ".hal";
    std::ofstream(path) << text;
    halsim::Options o;
    o.output = halsim::Output::quiet;
    o.files = {path};
    std::ostringstream out;
    std::ostringstream err;
    const int status = halsim::run(o, out, err);
    std::remove(path.c_str());
    return {status, out.str(), err.str()};
}

TEST(ScenarioRun, ExpectsThatHoldExitZero)
{
    const RunResult r = runText(
        "HAL_L3_InitUser\n"
        "HAL_L3_AddWanStats wanId=1 vlan=100\n"
        "expect result 0\n"
        "expect commands 1\n"
        "expect command L3_ADD_WAN_STATS vlan=0x64\n"
        "traffic wan type=1 vlan=100 rcvPackets=10 rcvOctets=0x100000002\n"
        "HAL_L3_GetWanStats wanId=1\n"
        "expect out uiRcvPkts=10 uiRcvBytesHigh=1 uiRcvBytesLow=2\n"
        "expect state wan counter type 1 vlan 100\n"
        "HAL_L3_DelWanStats wanId=1\n"
        "expect not state wan counter\n"
        "HAL_L3_SynL3IFAdd ifIndex=1 uiIpVersion=2\n"
        "expect lastword kalo_l3:646 code=1 values=0,0,0x2,0\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("7 expects, 0 failed"), std::string::npos) << r.out;
}

TEST(ScenarioRun, EachFailedExpectNamesLineExpectedAndActual)
{
    const struct {
        const char *lines;
        const char *said;
    } cases[] = {
        {"HAL_L3_InitUser\nexpect result 1", ":2: expect result 1: expected 0x1, got 0x0"},
        {"HAL_L3_InitUser\nexpect commands 2", "expected 2, got 0"},
        {"HAL_L3_InitUser\nHAL_L3_AddWanStats wanId=1 vlan=7\nexpect command L3_ADD_WAN_STATS vlan=8",
         "expected vlan=8, got vlan=7"},
        {"HAL_L3_InitUser\nexpect command L3_ADD_WAN_STATS", "got no command"},
        {"HAL_L3_InitUser\nHAL_L3_GetWanStats wanId=1\nexpect out uiRcvPkts=3",
         "expected uiRcvPkts=3, got uiRcvPkts=0"},
        {"HAL_L3_InitUser\nHAL_L3_SynL3IFAdd ifIndex=1 uiIpVersion=2\nexpect lastwords 0",
         "expect lastwords 0: expected 0, got "},
        {"HAL_L3_InitUser\nexpect lastword kalo_l3:1 code=1", "got no failure record"},
        {"expect state l2 flow", "expected a line starting 'l2 flow', got none"},
        {"HAL_L3_InitUser\ntraffic wan type=1 vlan=5 rcvPackets=1", "the chip holds no such counter"},
        {"expect result 0", "expected a call before it"},
    };
    for (const auto &c : cases) {
        const RunResult r = runText(c.lines);
        EXPECT_EQ(r.status, 1) << c.lines;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << c.lines << "\n  said: " << r.err;
    }
}

TEST(ScenarioRun, DriverRefusalsAndHostFailuresReachTheLibrary)
{
    const RunResult r = runText(
        "HAL_L3_InitUser\n"
        "refuse L3_ADD_WAN_STATS 0xd1200006\n"
        "HAL_L3_AddWanStats wanId=1 vlan=100\n"
        "expect result 0xd1200006\n"
        "HAL_L3_AddWanStats wanId=1 vlan=100\n"
        "expect result 0\n"
        "HAL_BTV_InitUser\n"
        "fail QX_OS_MemMallocD 1\n"
        "HAL_BTV_PreChipConfig\n"
        "expect result 0\n");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(ScenarioRun, ABadFileRunsNothing)
{
    const RunResult r = runText("HAL_L3_InitUser\nHAL_L3_AddWanStats vlan=1 wan=1\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(":2: unknown field 'wan' for HAL_L3_AddWanStats"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

}  // namespace
