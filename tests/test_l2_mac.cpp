// MAC learning and aging, static MAC entries and the MAC table read-out:
// the records the driver gets, the life of the table buffer, the conversion
// of the chip's table into the host's and every failure record.
#include <array>
#include <memory>

#include "chip/kalo/kalo_l2_mac.h"
#include "test_l2_common.h"

using namespace l2test;

namespace {

constexpr char kMac[] = "kalo_l2_mac";
constexpr uint32_t kRefused = 0x5A;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kMode = 0x2003000f, kNum = 0x2003000e, kAge = 0x2003000c, kState = 0x20030025;
constexpr uint32_t kAddStatic = 0x20030010, kDelStatic = 0x20030011, kReadTable = 0x20030017;
using Mac = std::array<uint8_t, 6>;
constexpr Mac kMacA = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};

LastWordRec mw(uint32_t line, uint32_t code, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0)
{
    return lastWord(kMac, line, code, a, b, c);
}

std::vector<LastWordRec> onFailure(uint32_t driver, const LastWordRec &rec)
{
    return driver == 0 ? std::vector<LastWordRec>{} : std::vector<LastWordRec>{rec};
}

}  // namespace

// ---- Learning and aging -------------------------------------------------------------

TEST_F(L2Test, DeviceWideLearningAndAgingRecords)
{
    struct Case {
        const char *what;
        std::function<uint32_t()> call;
        uint32_t cmd;
        std::vector<uint32_t> request;
        uint32_t failLine, v1, v2;
    };
    const Case cases[] = {
        {"learning mode 0", [] { return HAL_L2_SetMacLearnMode(0); }, kMode, {0, 0, 0}, 394, 0, 0},
        {"learning mode 1", [] { return HAL_L2_SetMacLearnMode(1); }, kMode, {0, 0, 1}, 394, 1, 0},
        {"limit 7", [] { return HAL_L2_SetMacLearnNum(7); }, kNum, {0, 0, 7}, 253, 7, 0},
        {"limit 2048", [] { return HAL_L2_SetMacLearnNum(2048); }, kNum, {0, 0, 2048}, 253, 2048, 0},
        {"limit 5000 capped", [] { return HAL_L2_SetMacLearnNum(5000); }, kNum, {0, 0, 2048}, 253, 2048, 0},
        {"limit 0 is no limit", [] { return HAL_L2_SetMacLearnNum(0); }, kNum, {0, 0, kNone}, 253, 0, 0},
        {"aging on", [] { return HAL_L2_SetMacAge(1, 300); }, kAge, {1, 300}, 54, 1, 300},
        {"aging off drops the time", [] { return HAL_L2_SetMacAge(0, 300); }, kAge, {0, 0}, 54, 0, 300},
    };
    for (const Case &c : cases) {
        for (const uint32_t driver : {0U, kRefused}) {
            SCOPED_TRACE(testing::Message() << c.what << " driver " << driver);
            SetUp();
            host.answer(c.cmd, driver);
            EXPECT_EQ(c.call(), driver);
            EXPECT_EQ(sentWords(), (Sent{{c.cmd, c.request}}));
            EXPECT_FALSE(host.hlp[0].hasReply);
            EXPECT_EQ(host.lastWords, onFailure(driver, mw(c.failLine, driver, c.v1, c.v2)));
        }
    }
}

TEST_F(L2Test, RefusedLearningRequestsSendNothing)
{
    // CTP 99 is unknown; CTP 42 is Ethernet user port 9, which has no chip port.
    const LastWordRec noChipPort = lastWord("kalo_common", 182, 1, 42, 9, 0, 9);
    const std::tuple<const char *, std::function<uint32_t()>, uint32_t, std::vector<LastWordRec>> cases[] = {
        {"learning mode 2", [] { return HAL_L2_SetMacLearnMode(2); }, 1, {mw(377, 2)}},
        {"aging mode 2 is answered with 0", [] { return HAL_L2_SetMacAge(2, 300); }, 0, {mw(43, 2)}},
        {"port state 2", [] { return HAL_L2_SetPortMacLearnState(3, 2); }, 1, {mw(87, 1, 3, 2)}},
        {"all-port state 5", [] { return HAL_L2_SetMacLearnState(5); }, 1, {mw(184, 1, 5)}},
        {"port flush is accepted and not offered", [] { return HAL_L2_DelPortMac(3); }, 0, {}},
        {"limit, unknown CTP", [] { return HAL_L2_SetPortMacLearnNum(99, 10); }, 1, {mw(138, 99)}},
        {"limit, no chip port", [] { return HAL_L2_SetPortMacLearnNum(42, 10); }, 1, {noChipPort, mw(138, 42)}},
        {"state, unknown CTP", [] { return HAL_L2_SetPortMacLearnState(99, 1); }, 1, {mw(95, 1, 99)}},
        {"state, no chip port", [] { return HAL_L2_SetPortMacLearnState(42, 1); }, 1, {noChipPort, mw(95, 1, 42)}},
    };
    for (const auto &[what, call, result, records] : cases) {
        SCOPED_TRACE(what);
        SetUp();
        addCtp(42, 0, 9);
        EXPECT_EQ(call(), result);
        EXPECT_THAT(host.hlp, IsEmpty());
        EXPECT_EQ(host.lastWords, records);
    }
}

TEST_F(L2Test, PortLearningSendsTheResolvedDescriptor)
{
    struct Op {
        const char *what;
        uint32_t (*call)(uint32_t);
        uint32_t cmd, value, failLine, arg;
    };
    const Op ops[] = {
        {"limit 5000 is not capped", [](uint32_t c) { return HAL_L2_SetPortMacLearnNum(c, 5000); }, kNum, 5000, 151,
         5000},
        {"limit 0", [](uint32_t c) { return HAL_L2_SetPortMacLearnNum(c, 0); }, kNum, kNone, 151, 0},
        {"limit all ones", [](uint32_t c) { return HAL_L2_SetPortMacLearnNum(c, kNone); }, kNum, 0, 151, kNone},
        {"state 1", [](uint32_t c) { return HAL_L2_SetPortMacLearnState(c, 1); }, kState, 1, 103, 1},
        {"state 0", [](uint32_t c) { return HAL_L2_SetPortMacLearnState(c, 0); }, kState, 0, 103, 0},
    };
    // CTP 40 of type 1 and CTP 41 of type 2 (which leaves the cleared mask alone).
    const std::pair<uint32_t, Port> ctps[] = {{3, {4, 1U << 2}}, {40, {5, 1}}, {41, {3, 0}}};
    for (const auto &[op, ctp, driver] : combine(ops, ctps, {0U, kRefused})) {
        SCOPED_TRACE(testing::Message() << op.what << " CTP " << ctp.first << " driver " << driver);
        SetUp();
        addCtp(40, 1);
        addCtp(41, 2);
        host.answer(op.cmd, driver);
        EXPECT_EQ(op.call(ctp.first), driver);
        EXPECT_EQ(sentWords(), (Sent{{op.cmd, {ctp.second.first, ctp.second.second, op.value}}}));
        EXPECT_EQ(host.lastWords, onFailure(driver, mw(op.failLine, driver, ctp.first, op.arg)));
    }
}

TEST_F(L2Test, AllPortLearningStateWalksCtpsOneToN)
{
    struct Case {
        const char *what;
        void (*given)();
        uint32_t state;
        std::vector<Port> ports;
        std::vector<LastWordRec> records;
    };
    const Case cases[] = {
        {"four ports", [] {}, 1, {{4, 1}, {4, 2}, {4, 4}, {4, 8}}, {}},
        {"state 0", [] {}, 0, {{4, 1}, {4, 2}, {4, 4}, {4, 8}}, {}},
        {"unknown CTP 2 passed over", [] { terminal.ctps.erase(2); }, 1, {{4, 1}, {4, 4}, {4, 8}}, {mw(201, 1, 2)}},
        {"refusal",
         [] { halsim::host().answer(kState, 0), halsim::host().answer(kState, kRefused); },
         0,
         {{4, 1}, {4, 2}, {4, 4}, {4, 8}},
         {mw(206, kRefused, 2)}},
        // Types 2 and 3 set the type only: the mask is what the record last held.
        {"types 2 and 3", [] { addCtp(1, 2), addCtp(3, 3); }, 1, {{3, 0}, {4, 2}, {3, 2}, {4, 8}}, {}},
        {"no descriptor: passed over", [] { addCtp(3, 6), addCtp(4, 3); }, 1, {{4, 1}, {4, 2}, {3, 2}}, {}},
        {"types 1 and 4", [] { addCtp(2, 4); }, 1, {{4, 1}, {5, 1}, {4, 4}, {4, 8}}, {}},
        {"network side: uplink", [] { terminal.roles[3] = 3; }, 1, {{4, 1}, {4, 2}, {3, 1U << 16}, {4, 8}}, {}},
        {"no Ethernet port", [] { halsim::host().pdAttrs[1].value = 0; }, 1, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        host.pdAttrs[1] = {0, 4};
        c.given();
        EXPECT_EQ(HAL_L2_SetMacLearnState(c.state), 0U);
        Sent expected;
        for (const Port &p : c.ports) {
            expected.push_back({kState, {p.first, p.second, c.state}});
        }
        EXPECT_EQ(sentWords(), expected);
        EXPECT_EQ(host.lastWords, c.records);
    }
    // Without the port count nothing is sent and its code is returned.
    SetUp();
    host.pdAttrs[1] = {7, 0};
    EXPECT_EQ(HAL_L2_SetMacLearnState(1), 7U);
    EXPECT_THAT(host.hlp, IsEmpty());
    ASSERT_EQ(host.lastWords.size(), 1U);
    const LastWordRec &r = host.lastWords[0];
    EXPECT_EQ(std::tie(r.file, r.line, r.code, r.v[1]), std::make_tuple(std::string(kMac), 192U, 7U, 1U));
}

// ---- Static MAC entries -----------------------------------------------------------------

namespace {

std::vector<uint8_t> staticMac(uint32_t port, uint32_t anyVlan, uint32_t vlan, const Mac &mac)
{
    chip_static_mac_s m{};
    m.port = port, m.any_vlan = anyVlan, m.vlan = vlan;
    std::memcpy(m.mac, mac.data(), mac.size());
    return bytesOf(m);
}

}  // namespace

TEST_F(L2Test, StaticMacMessagesByVlan)
{
    constexpr uint32_t kPort = 0x10203;                       // passed on as the host gives it
    using Msgs = std::vector<std::pair<uint32_t, uint32_t>>;  // any-VLAN flag, VLAN field
    const std::pair<uint32_t, Msgs> vlans[] = {
        {0, {{0, 0}}}, {100, {{0, 100}}}, {4095, {{0, 4095}}}, {4097, {{0, 0}, {1, 0}}}, {65535, {{0, 0}, {1, 0}}},
        {4096, {}},    {4098, {}},        {5000, {}},
    };
    const std::pair<uint32_t (*)(uint32_t, uint32_t, const uint8_t *), uint32_t> ops[] = {
        {HAL_L2_AddStaticMac, kAddStatic}, {HAL_L2_DelStaticMac, kDelStatic}};
    // The driver refuses no message, the first or the second: the messages sent stop at the refusal.
    for (const auto &[op, vlan, refused] : combine(ops, vlans, {0U, 1U, 2U})) {
        const auto &[call, cmd] = op;
        const auto &[id, msgs] = vlan;
        SCOPED_TRACE(testing::Message() << std::hex << cmd << std::dec << " VLAN " << id << " refused " << refused);
        if (refused > std::max<size_t>(msgs.size(), 1)) {
            continue;
        }
        SetUp();
        for (uint32_t n = 1; n <= refused; ++n) {
            host.answer(cmd, n == refused ? kRefused : 0);
        }
        const uint32_t result = msgs.empty() ? 1 : refused != 0 ? kRefused : 0;
        EXPECT_EQ(call(kPort, id, kMacA.data()), result);
        const size_t sent = refused != 0 ? refused : msgs.size();
        ASSERT_EQ(host.hlp.size(), msgs.empty() ? 0 : sent);
        for (size_t i = 0; i < host.hlp.size(); ++i) {
            EXPECT_EQ(host.hlp[i].cmd, cmd);
            EXPECT_FALSE(host.hlp[i].hasReply);
            EXPECT_EQ(host.hlp[i].req, staticMac(kPort, msgs[i].first, msgs[i].second, kMacA));
        }
        const LastWordRec rec = msgs.empty() ? mw(437, kPort, id) : mw(refused == 2 ? 458 : 448, kRefused, kPort, id);
        EXPECT_EQ(host.lastWords, onFailure(result, rec));
    }
    // A MAC address the copy refuses is recorded and the message goes without it.
    SetUp();
    host.failNext("memcpy_s", 9);
    EXPECT_EQ(HAL_L2_AddStaticMac(6, 100, kMacA.data()), 0U);
    ASSERT_EQ(host.hlp.size(), 1U);
    EXPECT_EQ(host.hlp[0].req, staticMac(6, 0, 100, Mac{}));
    EXPECT_EQ(host.lastWords, (std::vector<LastWordRec>{mw(443, 9)}));
}

// ---- MAC table ------------------------------------------------------------------------

namespace {

chip_mac_entry_s chipEntry(uint32_t kind, uint32_t mask, const Mac &mac, uint16_t vlan, uint32_t vlanMode = 0,
                           uint32_t isStatic = 0)
{
    chip_mac_entry_s e{};
    e.rsv0 = 0xEEEEEEEE, e.rsv14 = 0xEEEE, e.rsv30 = 0xEEEE;  // words the reader does not look at
    e.is_static = isStatic, e.vlan_mode = vlanMode, e.vlan = vlan, e.kind = kind, e.mask = mask;
    std::memcpy(e.mac, mac.data(), mac.size());
    return e;
}

std::vector<uint8_t> chipTable(uint32_t count, const std::vector<chip_mac_entry_s> &entries)
{
    std::vector<uint8_t> out = bytesOf(count);
    for (const chip_mac_entry_s &e : entries) {
        const std::vector<uint8_t> b = bytesOf(e);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

std::vector<uint8_t> hostEntry(uint16_t ctp, uint16_t vlan, uint8_t isStatic, const Mac &mac)
{
    HAL_L2_MAC_ENTRY_S e{{static_cast<uint8_t>(ctp), static_cast<uint8_t>(ctp >> 8)},
                         {static_cast<uint8_t>(vlan), static_cast<uint8_t>(vlan >> 8)},
                         isStatic,
                         {}};
    std::memcpy(e.aucMac, mac.data(), mac.size());
    return bytesOf(e);
}

}  // namespace

TEST_F(L2Test, MacTableIsConvertedToCtpsAndHostEntries)
{
    host.l2mCtpByPrototype.erase({0, 8});  // chip port 7
    host.l2mCtpByPrototype[{0, halsim::kDefaultUplinkUserPort}] = 77;
    const auto m = [](uint8_t x) { return Mac{0x02, x, 0, 0, 0, x}; };  // locally administered, not a group
    host.macTable = chipTable(11, {
                                      chipEntry(4, 1U << 0, kMacA, 100),                               // reported
                                      chipEntry(3, 1U << 1, kMacA, 100),                               // kind 3
                                      chipEntry(4, 1U << 1, {0x01, 0x00, 0x5e, 0, 0, 1}, 100),         // group
                                      chipEntry(4, 1U << 1, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, 1),  // group
                                      chipEntry(4, (1U << 3) | (1U << 5), m(1), 55, 1, 7),  // no VLAN id, static
                                      chipEntry(0, 1U << 2, m(2), 100),                     // kind 0
                                      chipEntry(4, 0, m(2), 9, 2),                          // empty mask
                                      chipEntry(4, 1U << 7, m(3), 10),                      // user port without CTP
                                      chipEntry(4, 1U << 16, m(4), 4095, 0, 1),             // the uplink's chip port
                                      chipEntry(4, 0xC0000000, m(5), 3),  // chip port 30 has no user port
                                      chipEntry(5, 1U << 2, m(6), 3),     // kind 5
                                      chipEntry(4, 1U << 2, m(7), 3),     // beyond the count
                                  });
    auto table = std::make_unique<HAL_L2_MAC_TABLE_S>();
    std::memset(table.get(), 0xAB, sizeof(HAL_L2_MAC_TABLE_S));
    EXPECT_EQ(HAL_L2_GetMacTable(table.get()), 0U);
    EXPECT_EQ(table->uiNum, 6U);
    const std::vector<std::vector<uint8_t>> expected = {hostEntry(1, 100, 0, kMacA),  hostEntry(4, 4097, 1, m(1)),
                                                        hostEntry(0, 9, 0, m(2)),     hostEntry(0, 10, 0, m(3)),
                                                        hostEntry(77, 4095, 1, m(4)), hostEntry(0, 3, 0, m(5))};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(bytesOf(table->astEntry[i]), expected[i]) << "host entry " << i;
    }
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "QX_DM_TopoSwitchCommon"), 32);
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(L2Test, MacTableBufferIsLentToTheDriverCleanAndReleasedOnEveryPath)
{
    uint32_t driver = 0;
    uint32_t lentSize = 0;
    bool clean = false;
    host.driver = [&](const halsim::HlpCall &call, void * /*reply*/, uint32_t /*len*/) {
        uintptr_t address = 0;
        std::memcpy(&address, call.req.data(), std::min(call.req.size(), sizeof(address)));
        const auto it =
            host.liveAllocations.find(reinterpret_cast<void *>(address));  // NOLINT(performance-no-int-to-ptr)
        lentSize = it == host.liveAllocations.end() ? 0 : it->second;
        const auto *bytes = static_cast<const uint8_t *>(it == host.liveAllocations.end() ? nullptr : it->first);
        clean = lentSize == halsim::kMacTableBufferBytes &&
                std::all_of(bytes, bytes + lentSize, [](uint8_t x) { return x == 0; });
        return driver;
    };
    auto table = std::make_unique<HAL_L2_MAC_TABLE_S>();
    for (const uint32_t result : {0U, kRefused, 0U}) {
        SCOPED_TRACE(testing::Message() << "driver " << result);
        host.hlp.clear();
        host.lastWords.clear();
        driver = result;
        host.macTable = chipTable(1, {chipEntry(4, 1, kMacA, 7)});
        std::memset(table.get(), 0xAB, sizeof(HAL_L2_MAC_TABLE_S));
        const std::vector<uint8_t> before = bytesOf(*table);
        EXPECT_EQ(HAL_L2_GetMacTable(table.get()), result);
        ASSERT_EQ(host.hlp.size(), 1U);
        EXPECT_EQ(host.hlp[0].cmd, kReadTable);
        EXPECT_EQ(host.hlp[0].reqLen, sizeof(uintptr_t));
        EXPECT_FALSE(host.hlp[0].hasReply);
        EXPECT_EQ(host.hlp[0].replyLen, 0U);
        EXPECT_TRUE(clean) << "lent " << lentSize << " bytes";
        EXPECT_THAT(host.liveAllocations, IsEmpty());
        EXPECT_EQ(host.badFrees, 0U);
        if (result == 0) {
            EXPECT_EQ(table->uiNum, 1U);
            EXPECT_EQ(bytesOf(table->astEntry[0]), hostEntry(1, 7, 0, kMacA));
        } else {
            EXPECT_EQ(bytesOf(*table), before) << "a refused read leaves the host table alone";
        }
        EXPECT_EQ(host.lastWords, onFailure(result, mw(627, result)));
    }
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "QX_OS_MemMallocD"), 3) << "one buffer per read";
}

TEST_F(L2Test, MacTableCountIsCappedAt2048)
{
    const auto macOf = [](uint32_t i) {
        return Mac{0, 0, 0, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
    };
    std::vector<chip_mac_entry_s> entries;
    for (uint32_t i = 0; i < kChipMacTableMax; ++i) {
        entries.push_back(chipEntry(4, 1, macOf(i), 1));
    }
    auto table = std::make_unique<HAL_L2_MAC_TABLE_S>();
    // The chip count, the host count.
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 0}, {2048, 2048}, {2049, 2048}, {3000, 2048}};
    for (const auto &[count, hostCount] : cases) {
        SCOPED_TRACE(testing::Message() << "chip count " << count);
        host.macTable = chipTable(count, entries);
        table->uiNum = 99;
        EXPECT_EQ(HAL_L2_GetMacTable(table.get()), 0U);
        EXPECT_EQ(table->uiNum, hostCount);
        if (hostCount != 0) {
            EXPECT_EQ(bytesOf(table->astEntry[hostCount - 1]), hostEntry(1, 1, 0, macOf(hostCount - 1)));
        }
    }
}

TEST_F(L2Test, MacTableWithoutHostTableOrBuffer)
{
    EXPECT_EQ(HAL_L2_GetMacTable(nullptr), 1U);
    EXPECT_FALSE(called("QX_OS_MemMallocD"));
    EXPECT_EQ(host.lastWords, (std::vector<LastWordRec>{mw(649, HAL_ERR_NULL_PTR)}));

    SetUp();
    HAL_L2_MAC_TABLE_S table;
    std::memset(&table, 0xAB, sizeof(table));
    const std::vector<uint8_t> before = bytesOf(table);
    host.failNext("QX_OS_MemMallocD", 1);
    EXPECT_EQ(HAL_L2_GetMacTable(&table), HAL_ERR_MAC_BUF);
    EXPECT_EQ(bytesOf(table), before);
    EXPECT_EQ(host.lastWords, (std::vector<LastWordRec>{mw(619, HAL_ERR_MAC_BUF)}));
    EXPECT_THAT(host.hlp, IsEmpty());
}
