// Chip debug command registration, the "dbg" command and the switch word.
#include <string>

#include "chip/kalo/kalo_dbg.h"
#include "fixture.h"

using haltest::HalTest;
using haltest::lastWord;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr char kUsage[] = "\r\n Tarncmd chip_kalo dbg {on|off}\r\n";
constexpr char kOn[] = "\r\n chip_kalo debug switch is on!\r\n";
constexpr char kOff[] = "\r\n chip_kalo debug switch is off!\r\n";

uint32_t handler(uint32_t /*argc*/, char ** /*argv*/) { return 0; }

// Runs the command with the given words and returns its result.
uint32_t run(std::vector<std::string> words)
{
    std::vector<char *> argv;
    argv.reserve(words.size());
    for (std::string &w : words) {
        argv.push_back(w.data());
    }
    return CHIP_KALO_dbg_cmd(static_cast<uint32_t>(argv.size()), argv.data());
}

}  // namespace

TEST_F(HalTest, DebugCommandNameKeepsFifteenCharacters)
{
    EXPECT_EQ(HAL_RegChipDebugCmdEntry("abcdefghijklmnopqrst", &handler), 0U);
    char *name = nullptr;
    HAL_DEBUG_CMD_FUNC fn = nullptr;
    EXPECT_EQ(HAL_GetChipDebugCmdEntry(&name, &fn), 0U);
    EXPECT_EQ(name, g_HalL2DebugCmdStr);
    EXPECT_STREQ(name, "abcdefghijklmno");
    EXPECT_EQ(fn, &handler);

    EXPECT_EQ(HAL_RegChipDebugCmdEntry("chip_kalo", nullptr), 0U);
    EXPECT_STREQ(g_HalL2DebugCmdStr, "");
    EXPECT_EQ(g_HalL2DebugCmdEntryHook, nullptr);
    EXPECT_EQ(HAL_RegChipDebugCmdEntry(nullptr, &handler), 0U);
    EXPECT_EQ(g_HalL2DebugCmdEntryHook, nullptr);
    EXPECT_EQ(HAL_GetChipDebugCmdEntry(nullptr, &fn), 1U) << "the lookup needs both pointers";
    EXPECT_EQ(HAL_GetChipDebugCmdEntry(&name, nullptr), 1U);
    EXPECT_THAT(host.lastWords, IsEmpty());
}

TEST_F(HalTest, DebugCommandNameCopyFailureIsRecordedAndRegistrationGoesOn)
{
    host.failNext("strncpy_s", 0x21);
    EXPECT_EQ(HAL_RegChipDebugCmdEntry("kalo", &handler), 0U);
    EXPECT_EQ(g_HalL2DebugCmdEntryHook, &handler);
    EXPECT_EQ(g_HalL2DebugCmdStr[15], '\0');
    EXPECT_THAT(host.lastWords, ElementsAre(lastWord("Source/hal/network/api/usr/hal_l2_usr_api", 1332, 0x21)));
}

TEST_F(HalTest, DbgCommandPrintsWhatItsWordsSay)
{
    struct Row {
        std::vector<std::string> words;
        uint32_t result;
        std::vector<std::string> printed;
    };
    const Row rows[] = {
        {{"Tarncmd"}, 1, {}},
        {{"Tarncmd", "chip_kalo", "x"}, 0, {kUsage}},
        {{"Tarncmd", "chip_kalo", "x", "DBG", "on"}, 0, {kUsage}},
        {{"Tarncmd", "chip_kalo", "x", "dbg"}, 0, {}},
        {{"Tarncmd", "chip_kalo", "x", "dbg", "oN"}, 0, {kOn}},
        {{"Tarncmd", "chip_kalo", "x", "dbg", "Off", "on"}, 0, {kOff}},
        {{"Tarncmd", "chip_kalo", "x", "dbg", "maybe"}, 0, {}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << r.words.size() << " words");
        host.reset();
        EXPECT_EQ(run(r.words), r.result);
        std::vector<std::string> printed;
        for (const auto &c : host.console) {
            EXPECT_EQ(c.level, 3U);
            printed.push_back(c.text);
        }
        EXPECT_EQ(printed, r.printed);
    }
    EXPECT_EQ(CHIP_KALO_dbg_cmd(5, nullptr), 1U);
    EXPECT_EQ(CHIP_KALO_DbgSwitch, 0U) << "the words report, only the switch setter writes";
}

TEST_F(HalTest, DbgCommandSurvivesMissingWords)
{
    char a0[] = "Tarncmd";
    char a3[] = "dbg";
    char *argv[] = {a0, nullptr, nullptr, a3, nullptr};
    EXPECT_EQ(CHIP_KALO_dbg_cmd(5, argv), 0U);
    char *noDbg[] = {a0, nullptr, nullptr, nullptr};
    EXPECT_EQ(CHIP_KALO_dbg_cmd(4, noDbg), 0U);
    EXPECT_EQ(CHIP_KALO_TARN_cmd_dbg(3, nullptr), 0U);
}

TEST_F(HalTest, DebugSwitchBitsUseTheLowEightBitsOfTheBitNumber)
{
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtSet(0x105, 1), 0U);
    EXPECT_EQ(CHIP_KALO_DbgSwitch, 1U << 5);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtGet(5), 1U);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtGet(0x205), 1U);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtSet(31, 7), 0U);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtGet(31), 1U);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtSet(40, 1), 0U);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtGet(40), 0U);
    EXPECT_EQ(CHIP_KALO_DbgSwitch, (1U << 5) | (1U << 31));
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtSet(5, 0), 0U);
    EXPECT_EQ(CHIP_KALO_CLI_DbgSwtGet(5), 0U);
    EXPECT_EQ(CHIP_KALO_DbgSwitch, 1U << 31);
}
