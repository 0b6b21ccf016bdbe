// Layer-2 service chip adapter.
#include "hook.h"
#include "kalo_reg.h"

extern "C" {

uint32_t CHIP_Register_L2(void) { return 0; }

}  // extern "C"
