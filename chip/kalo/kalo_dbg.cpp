// Chip debug command: "Tarncmd chip_kalo dbg {on|off}" and the switch word.
#include "chip/kalo/kalo_dbg.h"

#include "platform/diag.h"

namespace {

// Only the low 8 bits of the bit number count; 32 and above select no bit.
uint32_t switchBit(uint32_t bit)
{
    const uint32_t n = bit & 0xFFU;
    return n < 32 ? (1U << n) : 0U;
}

}  // namespace

extern "C" {

uint32_t CHIP_KALO_DbgSwitch;

void CHIP_KALO_cmd_usage(void) { HAL_CONSOLE("\r\n Tarncmd chip_kalo dbg {on|off}\r\n"); }

uint32_t CHIP_KALO_TARN_cmd_dbg(uint32_t count, char **args)
{
    if (args == nullptr) {
        return 0;
    }
    // The first word that reads "on" or "off" decides what is reported; the
    // switch word itself is written only by CHIP_KALO_CLI_DbgSwtSet.
    for (uint32_t i = 0; i < count; ++i) {
        const char *word = args[i];
        if (word == nullptr) {
            continue;
        }
        if (QX_OS_StrCaseCmp(word, "ON") == 0) {
            HAL_CONSOLE("\r\n chip_kalo debug switch is on!\r\n");
            return 0;
        }
        if (QX_OS_StrCaseCmp(word, "OFF") == 0) {
            HAL_CONSOLE("\r\n chip_kalo debug switch is off!\r\n");
            return 0;
        }
    }
    return 0;
}

uint32_t CHIP_KALO_dbg_cmd(uint32_t argc, char **argv)
{
    if (argv == nullptr || argc < 2) {
        return 1;
    }
    if (argc >= 4 && argv[3] != nullptr && QX_OS_StrCmp(argv[3], "dbg") == 0) {
        (void)CHIP_KALO_TARN_cmd_dbg(argc - 1, argv + 1);
        return 0;
    }
    CHIP_KALO_cmd_usage();
    return 0;
}

uint32_t CHIP_KALO_CLI_DbgSwtSet(uint32_t bit, uint32_t on)
{
    if (on != 0) {
        CHIP_KALO_DbgSwitch |= switchBit(bit);
    } else {
        CHIP_KALO_DbgSwitch &= ~switchBit(bit);
    }
    return 0;
}

uint32_t CHIP_KALO_CLI_DbgSwtGet(uint32_t bit)
{
    const uint32_t mask = switchBit(bit);
    return (mask != 0 && (CHIP_KALO_DbgSwitch & mask) != 0) ? 1U : 0U;
}

}  // extern "C"
