// The host interface as one table. Every host function the library may
// call is bound when the library is loaded, not at its first call: a host
// that lacks one fails to load the library with the missing name, instead
// of stopping in the middle of a request.
#include "qx_host.h"

namespace {

using AnyFn = void (*)();

template <typename Fn>
constexpr AnyFn bind(Fn fn)
{
    return reinterpret_cast<AnyFn>(fn);
}

[[gnu::used]] const AnyFn kHostImports[] = {
    bind(QX_OS_HLP_SendOutLarge),
    bind(QX_PROC_DBG_TraceN),
    bind(QX_PROC_DBG_TraceS),
    bind(QX_DIA_GetTraceFlag),
    bind(QX_PROC_DBG_LastWord),
    bind(QX_OS_MemMallocD),
    bind(QX_OS_MemFreeD),
    bind(QX_OS_StrCaseCmp),
    bind(QX_OS_StrCmp),
    bind(QX_Feature_IsSupportByFeatureName),
    bind(QX_DM_PDGetAttr),
    bind(QX_DM_ChipGetAttr),
    bind(QX_DM_TopoGetKaPortByUserPort),
    bind(QX_DM_GetCurUpUserPortID),
    bind(QX_DM_TopoSwitchCommon),
    bind(QX_XML_DBIsObjExist),
    bind(QX_XML_DBGetSiglePara),
    bind(L2M_Ctp_GetIdByPrototype),
    bind(L2M_Ctp_GetNetRole),
    bind(L2M_PTP_IsSupportAutoSelect),
    bind(BLL_GPON_GetUCGemportByVbridgeID),
    bind(memset_s),
    bind(memcpy_s),
    bind(strncpy_s),
};

}  // namespace
