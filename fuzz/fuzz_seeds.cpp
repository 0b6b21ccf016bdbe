// Seed corpus of the fuzz target: short, typical sequences of a terminal's
// host, one file per area, so the fuzzer starts from calls that get past the
// first checks. Written by `fuzz_hal --make-seeds=DIR` into fuzz/corpus/.
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_hal.h"

namespace fuzzhal {
namespace {

// A host record under construction: little-endian fields at given offsets.
class Bytes {
public:
    explicit Bytes(size_t size) : b_(size) {}
    Bytes &u8(size_t at, uint8_t v)
    {
        b_.at(at) = v;
        return *this;
    }
    Bytes &u16(size_t at, uint16_t v)
    {
        return u8(at, static_cast<uint8_t>(v)).u8(at + 1, static_cast<uint8_t>(v >> 8));
    }
    Bytes &u32(size_t at, uint32_t v)
    {
        return u16(at, static_cast<uint16_t>(v)).u16(at + 2, static_cast<uint16_t>(v >> 16));
    }
    const std::vector<uint8_t> &get() const { return b_; }

private:
    std::vector<uint8_t> b_;
};

struct Answer {
    uint32_t result;
    std::vector<uint8_t> pattern;
};

// Host settings, in the order the harness reads them.
void driverAnswers(Writer &w, std::initializer_list<Answer> answers)
{
    w.u8(static_cast<uint8_t>(answers.size() - 1));
    for (const Answer &a : answers) {
        w.val(a.result);
        w.u8(static_cast<uint8_t>(a.pattern.size()));
        for (uint8_t b : a.pattern) {
            w.u8(b);
        }
    }
}
void hostFailure(Writer &w, const char *function, uint32_t code)
{
    w.u8(0);  // one failure
    w.u8(hostFunctionIndex(function));
    w.val(code);
}
void flags(Writer &w, uint8_t features, uint8_t traces)
{
    w.u8(features);
    w.u8(traces);
}
void hookAnswer(Writer &w, uint32_t result, uint8_t mode, uint32_t a, uint32_t b)
{
    w.val(result);
    w.u8(mode);
    w.val(a);
    w.val(b);
}
void word(Writer &w, const char *text)
{
    // Raw words: pick 0x80 + length, then the bytes.
    const std::string s(text);
    w.u8(static_cast<uint8_t>(0x80 + s.size()));
    for (char ch : s) {
        w.u8(static_cast<uint8_t>(ch));
    }
}

constexpr uint8_t kFtMcastTag = 8;  // FT_MULTICAST_VLAN_TAG, fourth of the harness's feature list
constexpr uint8_t kAllTraces = 7;

std::vector<uint8_t> flowRecord(uint16_t flowId, uint16_t ctp, uint8_t direction, uint8_t inType)
{
    Bytes f(158);
    f.u16(0, flowId).u16(2, ctp).u16(4, 1).u8(6, 3).u8(7, direction).u8(8, inType).u16(10, 2);
    f.u32(12, 1);  // upstream rule: one tag
    f.u16(84, 1);  // downstream flow type
    f.u32(88, 1);
    return f.get();
}

std::vector<uint8_t> seedL2Flows()
{
    Writer w;
    w.op("HAL_RegCtp2UserPortFunc");
    w.u8(0);
    hookAnswer(w, 0, 4, 0, 0);  // every CTP type by id
    w.op("HAL_RegGetBCUCGemBgeByIdFunc");
    w.u8(0);
    hookAnswer(w, 0, 0, 1, 77);
    w.op("HAL_L2_AddFlow", kHostFlags);
    flags(w, 0, kAllTraces);
    w.rec(flowRecord(1, 16, 0, 0));  // CTP type 0
    w.op("HAL_L2_AddFlow", kHostFlags | kHostTopology);
    flags(w, kFtMcastTag, 0);
    w.u8(8);   // Ethernet ports
    w.val(0);  // attribute 0x11000033
    w.val(1);  // chip type
    w.u8(1);   // user port 1 ...
    w.u8(40);  // ... on chip port 40: no mask bit
    w.val(0x102001);
    w.u8(0);
    w.val(1);  // bridge 1, VLAN 2: one GEM port
    w.val(2);
    w.val(300);
    w.u8(1);
    w.rec(flowRecord(2, 10, 1, 4));  // ANI multicast CTP, upstream type 4
    w.op("HAL_L2_AddFlow", kHostDriver);
    driverAnswers(w, {{0x55, {}}});
    w.rec(flowRecord(3, 34, 2, 5));  // CTP type 2, downstream, refused
    w.op("HAL_L2_DelFlow", kHostFlags);
    flags(w, kFtMcastTag, 0);
    w.rec(flowRecord(2, 10, 0, 0));
    w.op("HAL_L2_AddFlow");
    w.nullRec();
    return w.out;
}

std::vector<uint8_t> seedWanStats()
{
    Writer w;
    w.op("HAL_L3_AddWanStats");
    w.val(1);
    w.val(100);
    w.val(0);
    w.op("HAL_L3_AddWanStats");
    w.val(2);
    w.val(100);
    w.val(0);
    w.op("HAL_L3_AddWanStats", kHostNoMemory);
    w.val(3);
    w.val(0);
    w.val(0);
    w.op("HAL_L3_AddWanStats");
    w.val(4);
    w.val(4096);
    w.val(0);
    w.op("HAL_L3_GetWanStats", kHostDriver);
    driverAnswers(w, {{0, {1, 2, 3, 4, 5, 6, 7, 8}}});
    w.val(1);
    w.rec({});
    w.op("HAL_L3_DelWanStats");
    w.val(1);
    w.op("HAL_L3_DelWanStats", kHostRefuse);
    w.val(0x1234);
    w.val(2);
    w.op("HAL_L3_ClearWanStats");
    w.val(2);
    w.op("HAL_L3_DelWanStats");
    w.val(2);
    return w.out;
}

std::vector<uint8_t> seedL3Rules()
{
    Writer w;
    Bytes intf(108);
    intf.u32(0, 1).u32(8, 0).u32(24, 100).u32(36, 3).u32(40, 5).u32(44, 6).u32(48, 7);
    intf.u32(92, 1).u32(100, 1).u32(104, 2);
    w.op("HAL_L3_SynL3IFAdd", kHostFlags);
    flags(w, 16, kAllTraces);
    w.val(0x100);
    w.rec(intf.get());
    w.op("HAL_L3_SynL3IFSetMtu");
    w.val(0x100);
    w.val(1500);
    Bytes prefix(32);
    prefix.u8(0, 1).u32(8, 1).u32(12, 0x20010DB8).u32(28, 64);
    w.op("HAL_L3_SynPrefixAdd");
    w.val(0x100);
    w.rec(prefix.get());
    w.op("HAL_L3_SynPrefixDel");
    w.val(0x100);
    w.nullRec();
    Bytes route(52);
    route.u32(4, 0xFFFFFFFF).u32(12, 7).u32(16, 1).u32(20, 100).u32(24, 0x0100A8C0).u32(28, 0xFFFFFF00);
    route.u32(32, 2).u32(36, 3).u32(40, 1).u32(44, 9).u32(48, 2);
    w.op("HAL_L3_AddPolicyRoute", kHostTopology);
    w.u8(8);
    w.val(0);
    w.val(1);
    w.u8(2);
    w.u8(33);
    w.val(0x102001);
    w.u8(8);  // session flag 1
    w.val(0);
    w.val(0);
    w.val(0);
    w.u8(0);
    w.val(5);
    w.rec(route.get());
    w.op("HAL_L3_DelPolicyRoute");
    w.val(5);
    Bytes napt(36);
    napt.u32(4, 0xFFFFFFFF).u32(8, 0x100).u32(12, 0x0A000001).u32(28, 0xFFFF0000).u32(32, 1);
    w.op("HAL_L3_AddNaptIndication");
    w.val(6);
    w.rec(napt.get());
    w.op("HAL_L3_DelNaptIndication", kHostRefuse);
    w.val(9);
    w.val(6);
    w.rec(napt.get());
    w.op("PDT_IFM_GetIpv4SessionFlag", kHostFail);
    hostFailure(w, "QX_XML_DBGetSiglePara", 7);
    w.rec({});
    return w.out;
}

std::vector<uint8_t> programUser(uint32_t group, uint16_t flow, uint32_t wifi, uint32_t upMode)
{
    Bytes u(88);
    u.u16(0, 1).u16(2, flow).u32(4, wifi).u32(8, upMode).u32(52, group).u16(58, 100);
    return u.get();
}

std::vector<uint8_t> seedMulticast()
{
    Writer w;
    w.op("HAL_BTV_InitUser", kHostNoMemory);
    w.op("HAL_BTV_SetMultiForwardMode", kHostFlags);
    flags(w, 0, kAllTraces);
    w.val(0);
    Bytes program(36);
    program.u32(0, 5).u16(6, 100).u16(28, 200).u8(30, 0x01).u8(31, 0x00).u8(32, 0x5E);
    w.op("HAL_BTV_AddProgramTable", kHostDriver | kHostFail);
    hostFailure(w, "memcpy_s", 1);
    driverAnswers(w, {{7, {}}, {0, {}}, {9, {}}});
    w.rec(program.get());
    for (int i = 0; i < 3; ++i) {
        w.op("HAL_BTV_AddProgramUsr");
        w.rec(programUser(5, static_cast<uint16_t>(10 + i), 1, 0));
    }
    w.op("HAL_BTV_AddProgramUsr");
    w.rec(programUser(254, 20, 0, 0));
    w.op("HAL_BTV_DelProgramUsr", kHostRefuse);
    w.val(3);
    w.rec(programUser(5, 10, 1, 0));
    w.op("HAL_BTV_DelProgramUsr");
    w.rec(programUser(255, 20, 0, 1));
    w.op("HAL_BTV_GetBtvStats", kHostDriver);
    driverAnswers(w, {{0, {10, 0, 0, 0, 0, 0, 0, 0, 0xE8, 3, 0, 0, 2, 0, 0, 0}}});
    w.rec(Bytes(16).u32(0, 5).get());
    w.op("HAL_BTV_GetBtvUserStats");
    w.rec(Bytes(20).u32(0, 5).u32(4, 10).get());
    w.op("HAL_BTV_SetEmStatsRule");
    w.val(1);
    w.rec(Bytes(16).u8(0, 17).u32(4, 0xE0000001).u32(12, 4096).get());
    w.op("HAL_BTV_GetEmStats");
    w.rec(Bytes(16).get());
    w.rec({});
    w.op("HAL_BTV_DelProgramTable");
    w.rec(Bytes(36).u32(0, 300).get());
    return w.out;
}

std::vector<uint8_t> seedDebug()
{
    Writer w;
    w.op("HAL_RegChipDebugCmdEntry");
    w.rec({'c', 'h', 'i', 'p', '_', 'k', 'a', 'l', 'o', '_', 'l', 'o', 'n', 'g', '_', 'n', 'a', 'm', 'e', '!'});
    w.u8(1);  // CHIP_KALO_dbg_cmd
    w.val(0);
    w.op("HAL_GetChipDebugCmdEntry");
    w.rec({});
    w.rec({});
    w.u8(0);  // run it
    w.u8(5);  // five words
    word(w, "Tarncmd");
    word(w, "chip_kalo");
    w.u8(0xFF);  // a null word
    word(w, "dbg");
    word(w, "oN");
    w.op("CHIP_KALO_TARN_cmd_dbg");
    w.u8(2);
    word(w, "x");
    word(w, "OFF");
    w.op("CHIP_KALO_dbg_cmd");
    w.u8(0xFF);  // null argv
    w.val(4);
    w.op("CHIP_KALO_CLI_DbgSwtSet");
    w.val(0x105);
    w.val(1);
    w.op("CHIP_KALO_CLI_DbgSwtGet");
    w.val(5);
    w.op("HAL_RegChipDebugCmdEntry", kHostFail);
    hostFailure(w, "strncpy_s", 3);
    w.rec({'s', 'h'});
    w.u8(3);
    w.val(0);
    return w.out;
}

std::vector<uint8_t> seedPorts()
{
    Writer w;
    Bytes rule(204);
    rule.u32(0, 0x3).u32(32, 0x888E).u32(200, 0);
    Bytes action(16);
    action.u32(0, 1).u32(4, 8).u32(12, 64);
    w.op("HAL_PDU_PrtclPktAclAdd");
    w.val(3);
    w.val(1);
    w.val(2);
    w.rec(rule.get());
    w.val(0);
    w.rec(action.get());
    w.op("HAL_DFX_FlowAdd");
    w.val(4);
    w.val(1);
    w.val(2);
    w.rec(rule.u32(200, 1).get());
    w.val(0);
    w.nullRec();
    w.op("HAL_PDU_PrtclPktAclDel");
    w.val(3);
    w.op("HAL_DFX_IsSupport", kHostFlags);
    flags(w, 1, 0);
    w.op("HAL_L2_GetMacTable", kHostFail);
    hostFailure(w, "QX_OS_MemMallocD", 1);
    w.rec({});
    w.op("HAL_L2_SetBcLimit", kHostTopology);
    w.u8(4);
    w.val(0);
    w.val(3);
    w.u8(1);
    w.u8(0xFF);
    w.val(0x102001);
    w.u8(64);
    w.val(0);
    w.val(0);
    w.val(0);
    w.u8(0);
    w.val(1);
    w.rec(Bytes(8).u32(0, 1000).u32(4, 2000).get());
    w.op("HAL_L2_AddStaticMac");
    w.val(1);
    w.val(100);
    w.rec({0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
    w.op("HAL_RegGetNniRoleFunc");
    w.u8(0);
    hookAnswer(w, 0x42, 2, 9, 0);
    w.op("HAL_GetNetRole");
    w.val(9);
    w.rec({});
    w.op("HAL_Ctp2UserPort");
    w.val(13);
    w.nullRec();
    w.nullRec();
    return w.out;
}

}  // namespace

int writeSeeds(const std::string &dir)
{
    const std::pair<const char *, std::vector<uint8_t>> seeds[] = {
        {"l2_flows", seedL2Flows()},    {"wan_stats", seedWanStats()}, {"l3_rules", seedL3Rules()},
        {"multicast", seedMulticast()}, {"debug_cmd", seedDebug()},    {"ports_pdu", seedPorts()},
    };
    int written = 0;
    for (const auto &[name, bytes] : seeds) {
        const std::string path = dir + "/" + name;
        std::FILE *f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) {
            std::perror(path.c_str());
            continue;
        }
        written += std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() ? 1 : 0;
        std::fclose(f);
    }
    return written;
}

}  // namespace fuzzhal
