/* The public header compiles as C, and its records have the same layout
 * seen from C as from C++. */
#include "hal_network_adpt.h"

size_t haltest_c_sizeof_PrtclPktRule(void) { return sizeof(PrtclPktRule); }
size_t haltest_c_offsetof_uiIsDfx(void) { return offsetof(PrtclPktRule, uiIsDfx); }
size_t haltest_c_sizeof_BtvUserNumEntry(void) { return sizeof(BtvUserNumEntry); }
size_t haltest_c_hook_table_bytes(void)
{
    return sizeof(g_HalL2HookList) + sizeof(g_HalL3HookList) + sizeof(g_HalBtvHookList);
}
