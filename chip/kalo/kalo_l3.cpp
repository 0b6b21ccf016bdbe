// Layer-3 chip adapter: registration of its functions into the L3 hook
// table. The operations live in kalo_l3_wan.cpp (WAN statistics),
// kalo_l3_if.cpp (L3 interfaces and prefixes) and kalo_l3_route.cpp (policy
// routes and NAPT indications).
#include "chip/kalo/kalo_l3.h"

#include "chip/kalo/kalo_hooks.h"

extern "C" {

uint32_t CHIP_Register_L3(void)
{
    hal::registerHooks<kalo::kL3Hooks, &CHIP_Register_L3>();
    return 0;
}

}  // extern "C"
