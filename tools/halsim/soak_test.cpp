// The soak: clean runs pass, the planted fault is found and shrunk to a
// reproducer that fails when halsim runs it, and the calls depend on the
// seed alone.
#include "soak.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "run.h"

namespace halsim {
namespace {

// A scenario file of its own for one test.
class TempFile {
public:
    explicit TempFile(const std::string &text)
    {
        char name[] = "/tmp/soak_test_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) {
            close(fd);
            path_ = name;
            std::ofstream(path_) << text;
        }
    }
    ~TempFile()
    {
        if (!path_.empty()) {
            std::remove(path_.c_str());
        }
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

struct FileRun {
    int status = 0;
    std::string out;
    std::string err;
};

FileRun runScenarioText(const std::string &text)
{
    const TempFile file(text);
    Options o;
    o.output = Output::quiet;
    o.files = {file.path()};
    std::ostringstream out;
    std::ostringstream err;
    FileRun r;
    r.status = runFiles(o, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string recorded(uint64_t calls, uint64_t seed)
{
    std::ostringstream record;
    std::ostringstream progress;
    SoakOptions o;
    o.record = &record;
    const SoakReport r = runSoak(calls, seed, o, progress);
    EXPECT_FALSE(r.finding) << r.finding->reproducer;
    return record.str();
}

class CleanSoak : public testing::TestWithParam<uint64_t> {};

TEST_P(CleanSoak, FindsNothingAndRemovesEverything)
{
    std::ostringstream progress;
    const SoakReport r = runSoak(4000, GetParam(), SoakOptions{}, progress);
    EXPECT_EQ(r.callsRun, 4000U);
    EXPECT_FALSE(r.finding) << r.finding->reproducer;
    EXPECT_EQ(progress.str(), "") << "a short run prints no progress";
}

INSTANTIATE_TEST_SUITE_P(Seeds, CleanSoak, testing::Values(1, 2, 3, 42, 1234567));

TEST(Soak, PlantedForgottenUserCountIsFoundAndShrunk)
{
    SoakOptions o;
    o.forgetUserCount = true;
    for (const uint64_t seed : {1, 2, 3}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::ostringstream progress;
        const SoakReport r = runSoak(5000, seed, o, progress);
        ASSERT_TRUE(r.finding);
        const SoakFinding &f = *r.finding;
        EXPECT_EQ(f.invariant, "the multicast user counts agree with the chip");
        EXPECT_LT(r.callsRun, 5000U) << "the run stops at the finding";
        EXPECT_EQ(f.atCall, r.callsRun);
        EXPECT_GE(f.calls, 2U);
        EXPECT_LE(f.calls, 10U) << f.reproducer;
        EXPECT_NE(f.reproducer.find("# halsim --soak, seed " + std::to_string(seed) + ", planted fault"),
                  std::string::npos)
            << f.reproducer;
        EXPECT_NE(f.reproducer.find("HAL_BTV_DelProgramUsr"), std::string::npos) << f.reproducer;

        // halsim runs it, and it fails at the check of the invariant: the
        // library's count claims a viewer the chip does not hold.
        const FileRun run = runScenarioText(f.reproducer);
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(": expect state program user "), std::string::npos) << run.err;
        EXPECT_NE(run.out.find(" 1 failed"), std::string::npos) << run.out;
    }
}

TEST(Soak, CommandLineEntryReportsAndReturnsStatus)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(soak(300, 5, SoakOptions{}, out, err), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind("halsim: soak, seed 5: 300 calls run, ", 0), 0U) << err.str();
    EXPECT_NE(err.str().find(" calls per second, 0 findings\n"), std::string::npos) << err.str();

    SoakOptions planted;
    planted.forgetUserCount = true;
    std::ostringstream out2;
    std::ostringstream err2;
    EXPECT_EQ(soak(5000, 5, planted, out2, err2), 1);
    EXPECT_EQ(out2.str().rfind("# halsim --soak, seed 5", 0), 0U) << out2.str();
    EXPECT_NE(err2.str().find("1 finding (the multicast user counts agree with the chip; reproducer of "),
              std::string::npos)
        << err2.str();
}

TEST(Soak, ProgressIsPrintedForLongRunsOnly)
{
    SoakOptions o;
    o.progressFrom = 100;
    std::ostringstream progress;
    EXPECT_FALSE(runSoak(200, 8, o, progress).finding);
    EXPECT_NE(progress.str().find("soak: 20 of 200 calls\n"), std::string::npos) << progress.str();
    EXPECT_NE(progress.str().find("soak: 180 of 200 calls\n"), std::string::npos) << progress.str();
}

TEST(Soak, SameSeedSameCallsOtherSeedOtherCalls)
{
    const std::string first = recorded(1500, 77);
    EXPECT_EQ(recorded(1500, 77), first);
    EXPECT_NE(recorded(1500, 78), first);
}

// The whole run, faults and cleanup included, is a scenario that halsim
// reads and runs; between them the calls reach every area of the library.
TEST(Soak, RecordedRunIsAScenarioOverEveryArea)
{
    const std::string text = recorded(3000, 9);
    for (const char *call :
         {"HAL_L2_AddFlow", "HAL_L2_SetBcLimit", "HAL_L2_AddStaticMac", "HAL_L2_GetMacTable", "HAL_PDU_PrtclPktAclAdd",
          "HAL_DFX_FlowAdd", "HAL_DFX_FlowCntGet", "HAL_BTV_AddProgramTable", "HAL_BTV_AddProgramUsr",
          "HAL_BTV_GetBtvUserStats", "HAL_L3_SynL3IFAdd", "HAL_L3_SynPrefixAdd", "HAL_L3_AddPolicyRoute",
          "HAL_L3_AddNaptIndication", "HAL_L3_AddWanStats", "HAL_L3_DelWanStats", "refuse ", "fail "}) {
        EXPECT_NE(text.find(std::string("\n") + call), std::string::npos) << call;
    }
    const FileRun run = runScenarioText(text);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(" 0 expects, 0 failed"), std::string::npos) << run.out;
}

// Documented behaviour that leaves the chip or the library other than a
// plain reading of the invariants would: each must pass the checks, the
// cleanup included.
struct Allowed {
    const char *what;
    const char *scenario;
};

const Allowed kAllowed[] = {
    {"an entry for any VLAN whose second message is refused keeps its first",
     "HAL_L2_AddStaticMac port=1 vlan=4097 mac=00:1b:2c:3d:4e:01\n"
     "HAL_L2_DelStaticMac port=1 vlan=0 mac=00:1b:2c:3d:4e:01\n"
     "HAL_L2_AddStaticMac port=1 vlan=4097 mac=00:1b:2c:3d:4e:01\n"
     "HAL_L2_DelStaticMac port=1 vlan=4097 mac=00:1b:2c:3d:4e:01\n"},
    {"a failed address copy installs, and removes, the entry of address 0",
     "fail memcpy_s 1\n"
     "HAL_L2_AddStaticMac port=2 vlan=100 mac=00:1b:2c:3d:4e:02\n"
     "HAL_L2_AddStaticMac port=2 vlan=100 mac=00:1b:2c:3d:4e:02\n"
     "fail memcpy_s 1\n"
     "HAL_L2_DelStaticMac port=2 vlan=100 mac=00:1b:2c:3d:4e:02\n"},
    {"a DFX flow whose counting is refused stays installed",
     "refuse DFX_SET_CNT 0xd1200006\n"
     "HAL_DFX_FlowAdd flowId=1000 portType=1 portId=1 rule.uiFieldFlags=0x8001800 rule.uiIpProtocol=17 "
     "rule.uiL4SrcPort=68 rule.uiIsDfx=1 ruleClass=1 action.uiAction=1\n"},
    {"a rule whose CAR profile or binding is refused stays installed",
     "refuse PDU_ADD_CAR 0xd1200007\n"
     "HAL_PDU_PrtclPktAclAdd aclId=1 portType=1 portId=1 rule.uiFieldFlags=0x8000000 rule.uiCapType=2 ruleClass=1 "
     "action.uiAction=1 action.uiCarRate=64\n"
     "refuse PDU_BIND_CAR 0xd1200007\n"
     "HAL_PDU_PrtclPktAclAdd aclId=2 portType=1 portId=1 rule.uiFieldFlags=0x8000000 rule.uiCapType=2 ruleClass=1 "
     "action.uiAction=1 action.uiCarRate=64\n"},
    {"a CAR profile whose removal is refused is forgotten by the library",
     "HAL_PDU_PrtclPktAclAdd aclId=3 portType=1 portId=1 rule.uiFieldFlags=0x8000000 rule.uiCapType=2 ruleClass=1 "
     "action.uiAction=1 action.uiCarRate=64\n"
     "refuse PDU_DEL_CAR 0xd1200005\n"
     "HAL_PDU_PrtclPktAclDel aclId=3\n"},
    {"an uplink's broadcast limit stays on the user ports when its own is refused",
     "refuse L2_SET_BC_LIMIT 0xd1200006\n"
     "HAL_L2_SetBcLimit ctpId=10 UsLimit=125000 DsLimit=125000\n"},
    {"a WAN whose counter is refused stays listed for good",
     "refuse L3_ADD_WAN_STATS 0xd1200007\n"
     "HAL_L3_AddWanStats wanId=0x101 vlan=100 pri=0\n"
     "HAL_L3_DelWanStats wanId=0x101\n"},
    {"WANs of one VLAN share a counter, removed with the last",
     "HAL_L3_AddWanStats wanId=0x101 vlan=100 pri=0\n"
     "HAL_L3_AddWanStats wanId=0x102 vlan=100 pri=0\n"
     "HAL_L3_DelWanStats wanId=0x101\n"},
    {"viewers whose removal the driver refuses are counted out and stay in the chip",
     "HAL_BTV_AddProgramTable uiMcastGroupID=1 usOrigMvlan=1000 mac=01:00:5e:0a:00:01\n"
     "HAL_BTV_AddProgramUsr usCtp=1 usFlowId=11 stProgram.uiMcastGroupID=1\n"
     "refuse BTV_DEL_USER 0xd1200006\n"
     "HAL_BTV_DelProgramUsr usCtp=1 usFlowId=11 stProgram.uiMcastGroupID=1\n"
     "HAL_BTV_AddProgramUsr usCtp=2 usFlowId=12 stProgram.uiMcastGroupID=1\n"
     "refuse BTV_DEL_PROGRAM 0xd1200006\n"
     "HAL_BTV_DelProgramTable uiMcastGroupID=1\n"},
    {"Wi-Fi viewers share one entry, and viewers in up mode are only counted",
     "HAL_BTV_AddProgramTable uiMcastGroupID=2 usOrigMvlan=0 mac=01:00:5e:0a:00:02\n"
     "HAL_BTV_AddProgramUsr usCtp=20 usFlowId=50 uiIsWifi=1 stProgram.uiMcastGroupID=2\n"
     "HAL_BTV_AddProgramUsr usCtp=21 usFlowId=50 uiIsWifi=1 stProgram.uiMcastGroupID=2\n"
     "HAL_BTV_DelProgramUsr usCtp=20 usFlowId=50 uiIsWifi=1 stProgram.uiMcastGroupID=2\n"
     "HAL_BTV_AddProgramUsr usCtp=20 usFlowId=50 uiIsWifi=1 uiIsWifiUpMode=1 stProgram.uiMcastGroupID=3\n"},
    {"a program added again loses its viewers",
     "HAL_BTV_AddProgramTable uiMcastGroupID=4 usOrigMvlan=0 mac=01:00:5e:0a:00:04\n"
     "HAL_BTV_AddProgramUsr usCtp=1 usFlowId=11 stProgram.uiMcastGroupID=4\n"
     "HAL_BTV_AddProgramTable uiMcastGroupID=4 usOrigMvlan=0 mac=01:00:5e:0a:00:04\n"},
    {"an interface goes once its prefixes are gone",
     "HAL_L3_SynL3IFAdd ifIndex=0x101 uiKind=1 aucMac=00:1e:10:2a:3b:01 uiVlanId=100 uiIpv4State=1 uiIpv6State=2\n"
     "HAL_L3_SynPrefixAdd ifIndex=0x101 ucEntryId=1 uiIpVersion=0 auiAddr[0]=10.0.0.0 uiPrefixLen=24\n"
     "HAL_L3_SynL3IFDel ifIndex=0x101\n"},
};

class DocumentedBehaviour : public testing::TestWithParam<Allowed> {};

TEST_P(DocumentedBehaviour, PassesTheChecks)
{
    const SoakCheck c = soakCheck(GetParam().scenario, "allowed.hal", SoakOptions{});
    EXPECT_EQ(c.error, "");
    EXPECT_GT(c.calls, 0U);
    EXPECT_FALSE(c.finding) << c.finding->reproducer;
}

INSTANTIATE_TEST_SUITE_P(Soak, DocumentedBehaviour, testing::ValuesIn(kAllowed));

// Scenarios that fail an invariant, each shrunk to the calls that matter
// and written so that halsim fails on the check (or, with no line that can
// show it, with none).
struct Failing {
    const char *scenario;
    bool forgetUserCount;
    const char *invariant;
    size_t calls;       // in the reproducer
    const char *check;  // the line that ends it
};

const Failing kFailing[] = {
    {"HAL_L3_AddWanStats wanId=0x101 vlan=100 pri=0\n"
     "HAL_BTV_AddProgramTable uiMcastGroupID=5 usOrigMvlan=1000 mac=01:00:5e:0a:00:05\n"
     "HAL_BTV_AddProgramUsr usCtp=3 usFlowId=13 stProgram.uiMcastGroupID=5\n"
     "HAL_L2_AddFlow FlowId=1 CtpId=1 FlowDirection=0\n"
     "HAL_BTV_DelProgramUsr usCtp=3 usFlowId=13 stProgram.uiMcastGroupID=5\n",
     true, "the multicast user counts agree with the chip", 3, "expect state program user 5 flow 13"},
    {"HAL_BTV_AddProgramTable uiMcastGroupID=6 usOrigMvlan=0 mac=01:00:5e:0a:00:06\n"
     "HAL_BTV_AddProgramUsr usCtp=20 usFlowId=50 uiIsWifi=1 stProgram.uiMcastGroupID=6\n"
     "HAL_BTV_DelProgramUsr usCtp=20 usFlowId=50 uiIsWifi=1 stProgram.uiMcastGroupID=6\n",
     true, "the multicast user counts agree with the chip", 3, "expect state program user 6 flow 50"},
    // Settings no soak call removes stay behind.
    {"HAL_L2_AddFlow FlowId=1 CtpId=1 FlowDirection=0\n"
     "HAL_L2_SetPvid pvid=100\n",
     false, "removing everything leaves the chip empty", 1, "expect not state pvid 100"},
    {"HAL_L2_AddBcTable a=1 b=2 c=100\n", false, "removing everything leaves the chip empty", 1,
     "expect not state broadcast entry 2 100"},
};

class FailingScenario : public testing::TestWithParam<Failing> {};

TEST_P(FailingScenario, IsFoundShrunkAndShownToHalsim)
{
    const Failing &f = GetParam();
    SoakOptions o;
    o.forgetUserCount = f.forgetUserCount;
    const SoakCheck c = soakCheck(f.scenario, "failing.hal", o);
    ASSERT_TRUE(c.finding);
    EXPECT_EQ(c.finding->invariant, f.invariant);
    EXPECT_EQ(c.finding->calls, f.calls) << c.finding->reproducer;
    const std::string &r = c.finding->reproducer;
    EXPECT_EQ(r.rfind("# halsim --soak-check failing.hal\n", 0), 0U) << r;
    EXPECT_EQ(r.substr(r.size() - std::strlen(f.check) - 1), std::string(f.check) + "\n") << r;

    const FileRun run = runScenarioText(r);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find(std::string(": ") + f.check + ": expected"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Soak, FailingScenario, testing::ValuesIn(kFailing));

// Refusals queued by calls that did not use them are used by the first
// removals of the cleanup, which runs again for what they spoilt.
TEST(SoakCheck, FaultsLeftQueuedSpoilNoCleanup)
{
    const SoakCheck c = soakCheck(
        "HAL_L3_SynL3IFAdd ifIndex=0x101 uiKind=0 aucMac=00:1e:10:2a:3b:01 uiIpv4State=1 uiIpv6State=2\n"
        "HAL_L3_AddWanStats wanId=0x101 vlan=100 pri=0\n"
        "refuse L3_DEL_IF 0xd1200006\n"
        "refuse L3_DEL_IF 0xd1200006\n"
        "refuse L3_DEL_WAN_STATS 0xd1200006\n"
        "fail QX_OS_HLP_SendOutLarge 5\n"
        "HAL_L2_GetMacTable\n",
        "queued.hal", SoakOptions{});
    EXPECT_FALSE(c.finding) << c.finding->reproducer;
}

// The shrinker keeps the calls and faults the finding needs, and moves a
// fault that a later call uses next to it.
TEST(SoakCheck, ShrinkingDropsCallsAndFaultsNotNeeded)
{
    SoakOptions o;
    o.forgetUserCount = true;
    const SoakCheck c = soakCheck(
        "fail QX_DM_ChipGetAttr 1\n"
        "HAL_BTV_AddProgramTable uiMcastGroupID=7 usOrigMvlan=0 mac=01:00:5e:0a:00:07\n"
        "refuse L3_ADD_IF 0xd1200006\n"
        "HAL_L2_AddFlow FlowId=2 CtpId=2 FlowDirection=0\n"
        "HAL_BTV_AddProgramUsr usCtp=1 usFlowId=11 stProgram.uiMcastGroupID=7\n"
        "HAL_L3_AddWanStats wanId=0x101 vlan=100 pri=0\n"
        "HAL_BTV_DelProgramUsr usCtp=1 usFlowId=11 stProgram.uiMcastGroupID=7\n",
        "shrink.hal", o);
    ASSERT_TRUE(c.finding);
    EXPECT_EQ(c.calls, 5U);
    EXPECT_EQ(c.finding->calls, 3U) << c.finding->reproducer;
    EXPECT_EQ(c.finding->atCall, 5U);
    EXPECT_EQ(c.finding->reproducer.find("fail "), std::string::npos) << c.finding->reproducer;
    EXPECT_EQ(c.finding->reproducer.find("refuse "), std::string::npos) << c.finding->reproducer;
    EXPECT_NE(c.finding->reproducer.find("HAL_BTV_AddProgramTable uiMcastGroupID=7 usOrigMvlan=0 "
                                         "mac=01:00:5e:0a:00:07\nexpect result 0\n"),
              std::string::npos)
        << c.finding->reproducer;
}

TEST(SoakCheck, RefusesWhatTheScenarioReaderCannotRead)
{
    const SoakCheck c = soakCheck("HAL_L2_AddFlow FlowId=1\nHAL_L2_Nothing\n", "bad.hal", SoakOptions{});
    EXPECT_EQ(c.error.rfind("bad.hal:2: ", 0), 0U) << c.error;
    EXPECT_FALSE(c.finding);
}

// The file entry: status 0, 1 or 2 with the reproducer on out.
TEST(SoakCheck, FileEntryReportsAndReturnsStatus)
{
    struct Case {
        const char *text;
        bool forgetUserCount;
        int status;
        const char *line;  // the start of the final line on err
    };
    const Case cases[] = {
        {"HAL_L2_AddFlow FlowId=1 CtpId=1 FlowDirection=0\n", false, 0, "halsim: soak check of "},
        {kFailing[0].scenario, true, 1, "halsim: soak check of "},
        {"HAL_L2_Nothing\n", false, 2, "halsim: "},
    };
    for (const Case &c : cases) {
        const TempFile file(c.text);
        SoakOptions o;
        o.forgetUserCount = c.forgetUserCount;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(soakCheckFile(file.path(), o, out, err), c.status) << c.text << err.str();
        EXPECT_EQ(err.str().rfind(c.line, 0), 0U) << err.str();
        EXPECT_EQ(out.str().empty(), c.status != 1) << out.str();
    }
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(soakCheckFile("/nonexistent/soak.hal", SoakOptions{}, out, err), 2);
}

// A host removes only viewers it added: a sequence the shrinker cuts to a
// removal of a viewer who never joined, where others did, shows nothing.
TEST(SoakCheck, ViewerLeavingWithoutJoiningIsNoFinding)
{
    const SoakCheck c = soakCheck(
        "HAL_BTV_AddProgramTable uiMcastGroupID=1 usOrigMvlan=0 mac=01:00:5e:0a:00:01\n"
        "HAL_BTV_AddProgramUsr usCtp=1 usFlowId=11 stProgram.uiMcastGroupID=1\n"
        "HAL_BTV_DelProgramUsr usCtp=2 usFlowId=12 stProgram.uiMcastGroupID=1\n",
        "viewers.hal", SoakOptions{});
    ASSERT_TRUE(c.finding);
    EXPECT_EQ(c.finding->invariant, "a call the generator never makes");
}

}  // namespace
}  // namespace halsim
