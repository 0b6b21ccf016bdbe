// Multicast EM statistics chip adapter.
#include "hook.h"
#include "kalo_reg.h"

extern "C" {

uint32_t CHIP_Register_BtvEm(void) { return 0; }

}  // extern "C"
