// Protocol-packet rule fields: the value rules of the field getters called on
// their own, the two capture-type tables, the port getters, and the order in
// which the descriptor table runs the getters into the chip match block.
#include <array>

#include "chip/kalo/kalo_prtcl.h"
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kPrtcl[] = "kalo_prtcl";
constexpr uint32_t B(int bit) { return 1U << bit; }

template <typename T>
uintptr_t at(const T &x)
{
    return reinterpret_cast<uintptr_t>(&x);
}
LastWordRec pw(uint32_t line, uint32_t code, uint32_t a = 0, uint32_t b = 0)
{
    return lastWord(kPrtcl, line, code, a, b);
}

using Ip6 = std::array<uint8_t, 16>;
Ip6 prefix6(int ones)
{
    Ip6 m{};
    for (int i = 0; i < ones; ++i) {
        m[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    }
    return m;
}
const Ip6 kSrc6 = {0x20, 0x01, 0x0d, 0xb8, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb};
const Ip6 kDst6 = {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0x02, 0x11, 0x22, 0xff, 0xfe, 0x33, 0x44, 0x55};

// A rule whose every field holds a value of its own and whose bytes outside
// the fields are junk; the cases choose the valid bits.
PrtclPktRule sampleRule(uint32_t flags)
{
    PrtclPktRule r;
    std::memset(&r, 0xA5, sizeof r);
    const uint8_t macs[24] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00,
                              0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb, 0xff, 0xff, 0xff, 0xff, 0xff, 0xf0};
    std::memcpy(r.aucMac1, macs, sizeof macs);  // MAC 1, its mask, MAC 2, its mask
    r.uiFieldFlags = flags, r.uiEthType = 0x88CC, r.uiVlanNum = 0x123, r.uiSvlan = 0x456, r.uiIpProtocol = 6;
    r.uiSrcIp = 0xC0A80101, r.uiSrcIpMask = 0xFFFFFF00, r.uiDstIp = 0x0A000001, r.uiDstIpMask = 0xFF000000;
    r.uiL4SrcPort = 0, r.uiL4DstPort = 0x12345, r.uiIpVersion = 2, r.uiPppoeProtocol = 0xC021;
    r.uiIpVerQualifier = 1, r.uiArpTargetIp = 0xC0A80001, r.uiArpTargetMask = 0xFFFF0000, r.usTcpFlag = 16;
    std::memcpy(r.aucSrcIpv6, kSrc6.data(), 16);
    std::memcpy(r.aucSrcIpv6Mask, prefix6(64).data(), 16);
    std::memcpy(r.aucDstIpv6, kDst6.data(), 16);
    std::memcpy(r.aucDstIpv6Mask, prefix6(120).data(), 16);
    r.ucIpv6NextHeader = 17, r.ucIcmpv6Type = 135, r.uiCapType = 3, r.uiTunnelType = 7, r.uiDstL3If = 0x21;
    r.uiIpLenF = 1500, r.uiDfxDirection = 0, r.uiIsDfx = 0;
    return r;
}

PduIp v4(uint32_t addr, uint16_t wildcard) { return {1, {1, {addr, 0, 0, 0}, 0, wildcard}}; }
const std::array<uint32_t, 4> kSrc6Words = {0x20010db8, 0x00112233, 0x44556677, 0x8899aabb};
const std::array<uint32_t, 4> kDst6Words = {0xfe800000, 0, 0x021122ff, 0xfe334455};
PduIp v6(const std::array<uint32_t, 4> &w, uint16_t wildcard)
{
    return {1, {2, {w[0], w[1], w[2], w[3]}, 0, wildcard}};
}

// Expected values of the sample rule in the match block.
void kind(PduMatch &e, uint32_t k, uint32_t v) { e.match.kind = k, e.match.value = v; }
void ipVer(PduMatch &e, uint32_t code) { e.ip_ver_valid = 1, e.ip_ver = code; }
void arp(PduMatch &e) { e.dip = v4(0xC0A80001, 16), kind(e, 0, 0x50); }
void mac1(PduMatch &e) { e.mac1 = {1, {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, 24}}; }
void mac2(PduMatch &e) { e.mac2 = {1, {{0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb}, 4}}; }

class PrtclRuleTest : public L2Test {};

}  // namespace

// ---- Field values --------------------------------------------------------------------

TEST_F(PrtclRuleTest, WildcardBitsOfIpv4Ipv6AndMacMasks)
{
    // IPv4: zero bits from bit 0 up to the first one, added to what the block holds.
    const std::tuple<uint32_t, uint16_t, uint16_t> masks4[] = {
        {0xFFFFFF00, 0, 8},  {0, 0, 32},       {~0U, 0, 0},        {0xFF00FF00, 0, 8},
        {0x80000000, 0, 31}, {0x10000, 0, 16}, {0xFFFFFF00, 5, 13}};
    for (const auto &[mask, before, wildcard] : masks4) {
        const uint32_t addr = 0xC0A80164;
        PduIp ip{0xEE, {0xEE, {0, 0, 0, 0}, 0, before}};
        EXPECT_EQ(PDT_L2M_PrtclPktIp4AddrGet(at(addr), at(mask), at(ip.ip), at(ip.valid)), 0U);
        EXPECT_EQ(words(ip), words(v4(addr, wildcard))) << std::hex << mask;
    }
    // IPv6: from byte 15 down, each byte from bit 0 up, to the first one bit.
    Ip6 lastBit{};
    Ip6 firstByte{};
    Ip6 gap = prefix6(64);
    lastBit[15] = 0x80, firstByte[0] = 0x01, gap[15] = 0x10;
    const std::pair<Ip6, uint16_t> masks6[] = {{prefix6(64), 64}, {Ip6{}, 128}, {prefix6(128), 0},
                                               {prefix6(120), 8}, {lastBit, 7}, {firstByte, 120},
                                               {gap, 4}};
    for (const auto &[mask, wildcard] : masks6) {
        PduIp ip{};
        EXPECT_EQ(PDT_L2M_PrtclPktIp6AddrGet(at(kSrc6), at(mask), at(ip.ip), at(ip.valid)), 0U);
        EXPECT_EQ(words(ip), words(v6(kSrc6Words, wildcard))) << wildcard;
    }
    // MAC: the zero bits below the lowest one bit of each byte, summed over the bytes.
    using Mac = std::array<uint8_t, 6>;
    const std::pair<Mac, uint16_t> masksMac[] = {{{0xff, 0xff, 0xff, 0, 0, 0}, 24},
                                                 {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, 0},
                                                 {{0, 0, 0, 0, 0, 0}, 48},
                                                 {{0xff, 0xff, 0xff, 0, 0, 0xfe}, 17},
                                                 {{0xf0, 0x0f, 0xff, 0xff, 0xff, 0xff}, 4},
                                                 {{0, 0xff, 0xff, 0xff, 0xff, 0x80}, 15}};
    const Mac mac = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    for (const auto &[mask, wildcard] : masksMac) {
        PduMac m{};
        EXPECT_EQ(PDT_L2M_PrtclPktMacGet(at(mac), at(mask), at(m.addr), at(m.valid)), 0U);
        EXPECT_EQ(words(m), words(PduMac{1, {{0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}, wildcard}})) << wildcard;
    }
}

TEST_F(PrtclRuleTest, PortPairIsSixteenBitsEachWithZeroAsAny)
{
    const std::array<uint32_t, 5> cases[] = {
        // protocol, source, destination, match kind, match value
        {6, 80, 443, 3, 80 | 443U << 16},   {17, 0, 53, 4, 0xFFFF | 53U << 16},
        {1, 1234, 0, 4, 1234 | 0xFFFF0000}, {6, 0x12345, 0xABCDE, 3, 0x2345 | 0xBCDEU << 16},
        {0, 0, 0, 4, 0xFFFFFFFF},           {0x106, 1, 2, 4, 1 | 2U << 16},
    };
    for (const auto &[proto, src, dst, k, value] : cases) {
        PrtclPktRule r = sampleRule(0);
        r.uiIpProtocol = proto, r.uiL4SrcPort = src, r.uiL4DstPort = dst;
        PduMatch m{};
        EXPECT_EQ(PDT_L2M_PrtclPktL4PortGet(at(r.uiIpProtocol), at(r), at(m.match.value), at(m.match.kind)), 0U);
        EXPECT_EQ(std::make_pair(m.match.kind, m.match.value), std::make_pair(k, value)) << proto << " " << src;
    }
}

TEST_F(PrtclRuleTest, IpVersionCodesFromVersionQualifierAndTcpFlag)
{
    enum Getter : uint32_t { kVersion, kNoVersion, kTcpFlag };
    // getter, version (the TCP flag for kTcpFlag), qualifier, then valid, code, kind and value after the call
    // on a match block holding 0xBB, 0xAA, 0xCC, 0xDD.
    const std::array<uint32_t, 7> cases[] = {
        {kVersion, 0, 0, 1, 0, 0xCC, 0xDD},      {kVersion, 0, 7, 1, 0, 0xCC, 0xDD},
        {kVersion, 1, 0, 1, 4, 0xCC, 0xDD},      {kVersion, 1, 1, 1, 5, 0xCC, 0xDD},
        {kVersion, 1, 2, 1, 0xAA, 0xCC, 0xDD},   {kVersion, 2, 0, 1, 7, 0xCC, 0xDD},
        {kVersion, 2, 1, 1, 8, 0xCC, 0xDD},      {kVersion, 2, 2, 1, 0xAA, 0xCC, 0xDD},
        {kVersion, 3, 0, 1, 0xAA, 0xCC, 0xDD},   {kNoVersion, 0, 0, 1, 1, 0xCC, 0xDD},
        {kNoVersion, 0, 1, 1, 2, 0xCC, 0xDD},    {kNoVersion, 0, 2, 1, 3, 0xCC, 0xDD},
        {kNoVersion, 0, 3, 0, 0xAA, 0xCC, 0xDD}, {kTcpFlag, 7, 0, 1, 1, 0, 0x51},
        {kTcpFlag, 16, 1, 1, 2, 3, ~0U},         {kTcpFlag, 16, 2, 1, 3, 3, ~0U},
        {kTcpFlag, 6, 2, 1, 3, 0xCC, 0xDD},      {kTcpFlag, 7, 9, 0, 0xAA, 0, 0x51},
        {kTcpFlag, 0x107, 0, 1, 1, 0xCC, 0xDD},
    };
    for (const auto &[getter, version, qualifier, valid, code, k, value] : cases) {
        SCOPED_TRACE(testing::Message() << getter << ": " << version << ", qualifier " << qualifier);
        PduMatch m{};
        m.ip_ver_valid = 0xBB, m.ip_ver = 0xAA, m.match = {0xCC, 0xDD};
        PrtclPktRule r = sampleRule(0);
        r.uiIpVersion = version, r.usTcpFlag = static_cast<uint16_t>(version), r.uiIpVerQualifier = qualifier;
        const uintptr_t q = at(r.uiIpVerQualifier);
        const uintptr_t code_ = at(m.ip_ver);
        const uintptr_t valid_ = at(m.ip_ver_valid);
        EXPECT_EQ(getter == kVersion     ? PDT_L2M_PrtclPktIpVersionGet(at(r.uiIpVersion), q, code_, valid_)
                  : getter == kNoVersion ? PDT_L2M_PrtclPktIpVerNoIpPpGet(q, 0, code_, valid_)
                                         : PDT_L2M_PrtclPktTcpFlagGet(at(r.usTcpFlag), q, at(m), 0),
                  0U);
        EXPECT_EQ((std::array<uint32_t, 4>{m.ip_ver_valid, m.ip_ver, m.match.kind, m.match.value}),
                  (std::array<uint32_t, 4>{valid, code, k, value}));
    }
}

TEST_F(PrtclRuleTest, FailedCopyIsRecordedAndTheGetterGoesOn)
{
    host.failAlways("memcpy_s", 9);
    const PrtclPktRule r = sampleRule(0);
    PduMac mac{};
    PduIp ip{};
    EXPECT_EQ(PDT_L2M_PrtclPktMacGet(at(r.aucMac1), at(r.aucMac1Mask), at(mac.addr), at(mac.valid)), 0U);
    EXPECT_EQ(PDT_L2M_PrtclPktIp6AddrGet(at(r.aucSrcIpv6), at(r.aucSrcIpv6Mask), at(ip.ip), at(ip.valid)), 0U);
    EXPECT_EQ(std::make_tuple(mac.valid, ip.valid, ip.ip.type), std::make_tuple(1U, 1U, 2U));
    EXPECT_EQ(host.lastWords.size(), static_cast<size_t>(std::count(host.calls.begin(), host.calls.end(), "memcpy_s")));
    for (const LastWordRec &rec : host.lastWords) {
        EXPECT_EQ(rec.file, kPrtcl);
    }
}

// ---- Capture-type tables ------------------------------------------------------------------

TEST_F(PrtclRuleTest, CaptureTypeTableGivesKindAndValueAndUnknownTypesWriteNothing)
{
    std::vector<std::array<uint32_t, 3>> rows = {
        {2, 1, 0x0806}, {3, 1, 0x0835}, {10, 1, 0x8863}, {11, 1, 0x8864}, {9, 2, 1},    {4, 2, 2},    {49, 0, 5},
        {50, 0, 6},     {5, 0, 3},      {17, 0, 4},      {29, 0, 8},      {30, 0, 9},   {31, 0, 10},  {32, 0, 11},
        {33, 0, 12},    {34, 0, 13},    {35, 0, 14},     {36, 0, 15},     {18, 5, 133}, {19, 5, 134}, {20, 5, 135},
        {21, 5, 136},   {12, 0, 32},    {13, 0, 33},     {14, 0, 34},     {15, 0, 35},  {16, 0, 36},  {41, 0, 41},
        {44, 0, 42},    {43, 0, 43},    {46, 0, 44},     {38, 0, 45},     {48, 0, 82},
    };
    for (const uint32_t unknown : {0U, 1U, 6U, 7U, 8U, 22U, 37U, 39U, 40U, 42U, 45U, 47U, 51U, ~0U}) {
        rows.push_back({unknown, 0xCC, 0xDD});
    }
    for (const auto &[key, k, value] : rows) {
        PduMatch m{};
        PduMatch e{};
        m.match = {0xCC, 0xDD};
        kind(e, k, value);
        EXPECT_EQ(PDT_L2M_PrtclPktCapTypeGet(at(key), 0, at(m.match), 0), 0U);
        EXPECT_EQ(words(m), words(e)) << "capture type " << key;
    }
}

TEST_F(PrtclRuleTest, DfxCaptureTableAlwaysSetsValidAndMapsBoth18And21To16)
{
    const std::pair<uint32_t, uint32_t> rows[] = {
        {2, 1},   {10, 40}, {49, 5},  {50, 6},  {5, 3},   {17, 4},  {29, 8},  {30, 9},  {31, 10},
        {32, 11}, {33, 12}, {34, 13}, {35, 14}, {36, 15}, {18, 16}, {19, 17}, {20, 18}, {21, 16},
        {3, 0},   {11, 0},  {9, 0},   {4, 0},   {12, 0},  {41, 0},  {48, 0},  {0, 0},   {1, 0},
    };
    for (const auto &[key, value] : rows) {
        DfxFlowRecord f{};
        DfxFlowRecord e{};
        e.m.cap_valid = 1, e.m.cap = value;
        EXPECT_EQ(PDT_L2M_DFX_PrtclPktCapTypeGet(at(key), 0, at(f.m), 0), 0U);
        EXPECT_EQ(words(f), words(e)) << "capture type " << key;
    }
}

// ---- Port getters ---------------------------------------------------------------------

TEST_F(PrtclRuleTest, PortGettersWriteDirectionAndDescriptorOrRecordTheirFailure)
{
    enum Fault { kNone, kRefusedCtp, kNoChipPort };
    struct Case {
        const char *what;
        bool egress;
        uint32_t portType, portId;
        Fault fault;
        Port port;
        uint32_t result;
        std::vector<LastWordRec> records;
    };
    const Case cases[] = {
        {"CTP", false, 1, 3, kNone, {4, 4}, 0, {}},
        {"CTP in the low 16 bits", true, 1, 0x50003, kNone, {4, 4}, 0, {}},
        {"CTP of type 12 on user port 8", false, 1, 30, kNone, {4, 1}, 0, {}},
        {"CTP of type 2 keeps the mask", true, 1, 31, kNone, {3, 0xEE}, 0, {}},
        {"chip port type 1", false, 2, 3, kNone, {1, 0xEE}, 0, {}},
        {"chip port type 2", true, 3, 3, kNone, {2, 0xEE}, 0, {}},
        {"port type 4", false, 4, 3, kNone, {0xEE, 0xEE}, 1, {pw(115, 1, 4, 3)}},
        {"port type 0", true, 0, 0x10009, kNone, {0xEE, 0xEE}, 1, {pw(60, 1, 0, 9)}},
        {"unknown CTP", false, 1, 40, kNone, {0xEE, 0xEE}, 1, {pw(100, 1, 1, 40)}},
        {"refused CTP lookup", true, 1, 3, kRefusedCtp, {0xEE, 0xEE}, 0x77, {pw(45, 0x77, 1, 3)}},
        {"no chip port",
         false,
         1,
         3,
         kNoChipPort,
         {4, 0xEE},
         1,
         {lastWord("kalo_common", 182, 1, 3, 3, 0, 3), pw(100, 1, 1, 3)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << (c.egress ? ", egress" : ", ingress"));
        SetUp();
        addCtp(30, 12, 8);
        addCtp(31, 2);
        if (c.fault == kRefusedCtp) {
            terminal.failCtpCall = 1, terminal.failCode = 0x77;
        } else if (c.fault == kNoChipPort) {
            host.userToChipPort.erase(3);
        }
        uint32_t direction = 0xEE;
        chip_port_s port{0xEE, 0xEE};
        const auto get = c.egress ? PDT_L2M_PrtclPktEgressGet : PDT_L2M_PrtclPktIngressGet;
        EXPECT_EQ(get(at(c.portType), at(c.portId), at(direction), at(port)), c.result);
        EXPECT_EQ(direction, c.egress ? 1U : 0U);
        EXPECT_EQ(portOf(port), c.port);
        EXPECT_EQ(host.lastWords, c.records);
    }
}

// ---- Descriptor table -----------------------------------------------------------------

TEST_F(PrtclRuleTest, DescriptorTableFillsTheMatchBlockInRowOrder)
{
    struct Case {
        const char *what;
        uint32_t flags;
        void (*change)(PrtclPktRule &);
        void (*expect)(PduMatch &);
    };
    const auto same = [](PrtclPktRule &) {};
    const auto nothing = [](PduMatch &) {};
    const Case cases[] = {
        {"nothing valid", 0, same, nothing},
        {"bits without a field", B(2) | B(4) | B(7) | B(15) | B(16) | B(21) | B(22) | B(30) | B(31), same, nothing},
        {"first MAC", B(0), same, mac1},
        {"second MAC", B(1), same, mac2},
        {"SVLAN", B(6), same, [](PduMatch &e) { e.svlan_valid = 1, e.svlan = 0x456; }},
        {"VLAN number", B(5), same, [](PduMatch &e) { e.vlan_num_valid = 1, e.vlan_num = 0x123; }},
        {"L3 interface", B(28), same, [](PduMatch &e) { e.dst_l3if_valid = 1, e.dst_l3if = 0x21; }},
        {"tunnel", B(26), same, [](PduMatch &e) { e.tunnel_valid = 1, e.tunnel_type = 7; }},
        {"IPLENF", B(29), same, [](PduMatch &e) { e.iplenf_valid = 1, e.iplenf = 1500; }},
        {"source IPv4", B(9), same, [](PduMatch &e) { e.sip = v4(0xC0A80101, 8); }},
        {"source IPv6", B(24), same, [](PduMatch &e) { e.sip = v6(kSrc6Words, 64); }},
        {"destination IPv4", B(10), same, [](PduMatch &e) { e.dip = v4(0x0A000001, 24); }},
        {"destination IPv6", B(25), same, [](PduMatch &e) { e.dip = v6(kDst6Words, 8); }},
        {"IP version without qualifier", B(13), same, nothing},
        {"IP version and qualifier", B(13) | B(17), same, [](PduMatch &e) { ipVer(e, 8); }},
        {"IPv4, qualifier 2", B(13) | B(17), [](PrtclPktRule &r) { r.uiIpVersion = 1, r.uiIpVerQualifier = 2; },
         [](PduMatch &e) { ipVer(e, 0); }},
        {"qualifier alone", B(17), same, [](PduMatch &e) { ipVer(e, 2); }},
        {"qualifier out of range", B(17), [](PrtclPktRule &r) { r.uiIpVerQualifier = 3; }, nothing},
        {"IP protocol", B(8), same, [](PduMatch &e) { kind(e, 2, 6); }},
        {"TCP ports", B(11), same, [](PduMatch &e) { kind(e, 3, 0x2345FFFF); }},
        {"UDP ports on bit 12", B(12), [](PrtclPktRule &r) { r.uiIpProtocol = 17; },
         [](PduMatch &e) { kind(e, 4, 0x2345FFFF); }},
        {"capture type", B(27), same, [](PduMatch &e) { kind(e, 1, 0x0835); }},
        {"Ethertype", B(3), same, [](PduMatch &e) { kind(e, 1, 0x88CC); }},
        {"ICMPv6 type", B(23), same, [](PduMatch &e) { kind(e, 5, 135); }},
        {"TCP flag 16", B(17) | B(19), same, [](PduMatch &e) { ipVer(e, 2), kind(e, 3, ~0U); }},
        {"ARP target", B(18), same, arp},
        {"IPv6 next header", B(20), same, [](PduMatch &e) { kind(e, 2, 58); }},
        {"PPPoE", B(14), same, [](PduMatch &e) { kind(e, 6, 0xC021); }},
        // A later row overwrites what an earlier row wrote.
        {"ports over IP protocol", B(8) | B(11), same, [](PduMatch &e) { kind(e, 3, 0x2345FFFF); }},
        {"capture type over ports", B(11) | B(27), same, [](PduMatch &e) { kind(e, 1, 0x0835); }},
        {"Ethertype over capture type", B(27) | B(3), same, [](PduMatch &e) { kind(e, 1, 0x88CC); }},
        {"ICMPv6 over Ethertype", B(3) | B(23), same, [](PduMatch &e) { kind(e, 5, 135); }},
        {"TCP flag 16 over IP protocol", B(8) | B(17) | B(19), same, [](PduMatch &e) { ipVer(e, 2), kind(e, 3, ~0U); }},
        {"TCP flag 7 over ICMPv6", B(23) | B(17) | B(19), [](PrtclPktRule &r) { r.usTcpFlag = 7; },
         [](PduMatch &e) { ipVer(e, 2), kind(e, 0, 0x51); }},
        {"other TCP flag keeps the IP protocol", B(8) | B(17) | B(19), [](PrtclPktRule &r) { r.usTcpFlag = 8; },
         [](PduMatch &e) { ipVer(e, 2), kind(e, 2, 6); }},
        {"TCP flag over IP version", B(13) | B(17) | B(19), same, [](PduMatch &e) { ipVer(e, 2), kind(e, 3, ~0U); }},
        {"ARP over TCP flag", B(17) | B(19) | B(18), [](PrtclPktRule &r) { r.usTcpFlag = 7; },
         [](PduMatch &e) { ipVer(e, 2), arp(e); }},
        {"ARP over destination IPv4", B(10) | B(18), [](PrtclPktRule &r) { r.uiDstIpMask = ~0U; }, arp},
        {"next header over ARP", B(18) | B(20), same, [](PduMatch &e) { arp(e), kind(e, 2, 58); }},
        {"PPPoE over next header", B(20) | B(14), same, [](PduMatch &e) { kind(e, 6, 0xC021); }},
        {"IPv6 source over IPv4 source", B(9) | B(24), same, [](PduMatch &e) { e.sip = v6(kSrc6Words, 64); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        PrtclPktRule r = sampleRule(c.flags);
        c.change(r);
        PduMatch m{};
        PduMatch e{};
        e.port = {4, 1U << 2};
        c.expect(e);
        EXPECT_EQ(PDT_L2M_PrtclPktRuleTrans(1, 3, &r, &m), 0U);
        EXPECT_EQ(words(m), words(e));
        EXPECT_THAT(host.lastWords, IsEmpty());
    }
}

TEST_F(PrtclRuleTest, FlowRecordCarriesIdClassPortActionAndPriority)
{
    addCtp(30, 12, 8);
    // The record is built whatever the port: port type, port id, descriptor, the port getter's failure record.
    const std::tuple<uint32_t, uint32_t, Port, std::vector<LastWordRec>> ports[] = {
        {1, 3, {4, 4}, {}},  {2, 3, {1, 0}, {}},
        {3, 3, {2, 0}, {}},  {4, 3, {0, 0}, {pw(115, 1, 4, 3)}},
        {1, 30, {4, 1}, {}}, {1, 40, {0, 0}, {pw(100, 1, 1, 40)}},
    };
    const std::pair<uint32_t, uint32_t> actions[] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 0}, {~0U, 0}};
    const std::array<uint32_t, 3> priorities[] = {{0, 1, 0}, {3, 1, 3}, {7, 1, 7}, {8, 0, 0}, {~0U, 0, 0}};
    const PrtclPktRule r = sampleRule(B(3));
    for (const auto &[portType, portId, port, records] : ports) {
        for (const auto &[action, chipAction] : actions) {
            for (const auto &[priority, valid, chipPriority] : priorities) {
                SCOPED_TRACE(testing::Message() << "port " << portType << "/" << portId << ", action " << action
                                                << ", priority " << priority);
                host.lastWords.clear();
                const PrtclPktAction a{action, priority, 0xEE, 0};
                PduFlowRecord f;
                std::memset(&f, 0xEE, sizeof f);
                EXPECT_EQ(PDT_L2M_PrtclPktAclToFlow(0x10001, portType, portId, &r, 6, &a, &f), 0U);
                PduFlowRecord e{0x10001, 6, {}, chipAction, valid, chipPriority};
                e.match.port = {port.first, port.second};
                kind(e.match, 1, 0x88CC);
                EXPECT_EQ(words(f), words(e));
                EXPECT_EQ(host.lastWords, records);
            }
        }
    }
}
