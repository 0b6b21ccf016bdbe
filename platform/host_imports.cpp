// The host interface as one record of typed function addresses. Every host
// function the library may call is bound when the library is loaded, not
// at its first call: a host that lacks one fails to load the library with
// the missing name, instead of stopping in the middle of a request. The
// record is constant data, relocated by the loader: no code runs to fill it.
#include "platform/qx_host.h"

namespace {

struct HostImports {
    decltype(&QX_OS_HLP_SendOutLarge) sendOutLarge;
    decltype(&QX_PROC_DBG_TraceN) traceN;
    decltype(&QX_PROC_DBG_TraceS) traceS;
    decltype(&QX_DIA_GetTraceFlag) getTraceFlag;
    decltype(&QX_PROC_DBG_LastWord) lastWord;
    decltype(&QX_OS_MemMallocD) memMalloc;
    decltype(&QX_OS_MemFreeD) memFree;
    decltype(&QX_OS_StrCaseCmp) strCaseCmp;
    decltype(&QX_OS_StrCmp) strCmp;
    decltype(&QX_Feature_IsSupportByFeatureName) featureOn;
    decltype(&QX_DM_PDGetAttr) pdGetAttr;
    decltype(&QX_DM_ChipGetAttr) chipGetAttr;
    decltype(&QX_DM_TopoGetKaPortByUserPort) chipPortOfUserPort;
    decltype(&QX_DM_GetCurUpUserPortID) currentUplink;
    decltype(&QX_DM_TopoSwitchCommon) topoSwitch;
    decltype(&QX_XML_DBIsObjExist) dbObjectExists;
    decltype(&QX_XML_DBGetSiglePara) dbGetPara;
    decltype(&L2M_Ctp_GetIdByPrototype) ctpByPrototype;
    decltype(&L2M_Ctp_GetNetRole) ctpNetRole;
    decltype(&L2M_PTP_IsSupportAutoSelect) uplinkAutoSelect;
    decltype(&BLL_GPON_GetUCGemportByVbridgeID) ucGemPorts;
    decltype(&memset_s) memsetS;
    decltype(&memcpy_s) memcpyS;
    decltype(&strncpy_s) strncpyS;
};

[[gnu::used]] const HostImports kHostImports = {
    QX_OS_HLP_SendOutLarge,
    QX_PROC_DBG_TraceN,
    QX_PROC_DBG_TraceS,
    QX_DIA_GetTraceFlag,
    QX_PROC_DBG_LastWord,
    QX_OS_MemMallocD,
    QX_OS_MemFreeD,
    QX_OS_StrCaseCmp,
    QX_OS_StrCmp,
    QX_Feature_IsSupportByFeatureName,
    QX_DM_PDGetAttr,
    QX_DM_ChipGetAttr,
    QX_DM_TopoGetKaPortByUserPort,
    QX_DM_GetCurUpUserPortID,
    QX_DM_TopoSwitchCommon,
    QX_XML_DBIsObjExist,
    QX_XML_DBGetSiglePara,
    L2M_Ctp_GetIdByPrototype,
    L2M_Ctp_GetNetRole,
    L2M_PTP_IsSupportAutoSelect,
    BLL_GPON_GetUCGemportByVbridgeID,
    memset_s,
    memcpy_s,
    strncpy_s,
};

}  // namespace
