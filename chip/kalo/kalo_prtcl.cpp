// Protocol-packet ACL and diagnostic flow chip adapter.
#include "chip/kalo/kalo_hooks.h"

extern "C" {

PduFlowCarEntry pduFlowCarRecord[HAL_PDU_CAR_RECORD_NUM];

uint32_t CHIP_Register_Pdu(void)
{
    hal::registerHooks<kalo::kL2Hooks, &CHIP_Register_Pdu>();
    // No ACL has a CAR profile bound before the first rule is installed.
    for (PduFlowCarEntry &entry : pduFlowCarRecord) {
        entry = PduFlowCarEntry{};
    }
    return 0;
}

}  // extern "C"
