/* Functions the host process supplies. The library calls them and defines
 * none of them: they are resolved from the host when the library is loaded. */
#ifndef PLATFORM_QX_HOST_H
#define PLATFORM_QX_HOST_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Kernel command channel: one HLP command, its request and optional reply. */
uint32_t QX_OS_HLP_SendOutLarge(uint32_t cmd, void *req, uint32_t reqLen, void *reply, uint32_t replyLen);

/* Traces and failure records. */
void QX_PROC_DBG_TraceN(uint32_t moduleId, const char *file, uint32_t line, const char *fmt, ...)
    __attribute__((format(printf, 4, 5)));
void QX_PROC_DBG_TraceS(uint32_t a, uint32_t b, uint32_t c, uint32_t level, const char *fmt, ...)
    __attribute__((format(printf, 5, 6)));
uint32_t QX_DIA_GetTraceFlag(uint32_t moduleId);
void QX_PROC_DBG_LastWord(const char *file, uint32_t line, uint32_t code, uint32_t v1, uint32_t v2, uint32_t v3,
                          uint32_t v4);

/* Memory and strings. */
void *QX_OS_MemMallocD(uint32_t size);
void QX_OS_MemFreeD(void *ptr);
int32_t QX_OS_StrCaseCmp(const char *a, const char *b);
int32_t QX_OS_StrCmp(const char *a, const char *b);

/* Feature flags, device management and topology. */
uint32_t QX_Feature_IsSupportByFeatureName(const char *name);
uint32_t QX_DM_PDGetAttr(uint32_t attrId, uint32_t len, void *out);
uint32_t QX_DM_ChipGetAttr(uint32_t chipId, uint32_t attrId, uint32_t len, void *out);
uint32_t QX_DM_TopoGetKaPortByUserPort(uint32_t userPort, uint32_t *chipPort);
uint32_t QX_DM_GetCurUpUserPortID(uint32_t *userPortId);
uint32_t QX_DM_TopoSwitchCommon(uint32_t selector, uint32_t chipPort, uint32_t *userPort);

/* Configuration database. */
uint32_t QX_XML_DBIsObjExist(uint32_t db, uint32_t instance, uint32_t objectId, uint32_t *exists);
uint32_t QX_XML_DBGetSiglePara(uint32_t db, uint32_t instance, uint32_t paraId, uint32_t len, void *out,
                               uint32_t *outLen);

/* Lookups of the host's L2 management and GPON services. */
uint32_t L2M_Ctp_GetIdByPrototype(uint32_t ctpType, uint32_t userPort, uint16_t *ctpId);
uint32_t L2M_Ctp_GetNetRole(uint32_t ctpId, uint32_t *netRole);
uint32_t L2M_PTP_IsSupportAutoSelect(void);
uint32_t BLL_GPON_GetUCGemportByVbridgeID(uint32_t bridgeId, uint16_t vlan, void *out); /* out: 136 bytes */

/* Bounded fill and copy. */
int memset_s(void *dest, size_t destMax, int c, size_t count);
int memcpy_s(void *dest, size_t destMax, const void *src, size_t count);
int strncpy_s(char *dest, size_t destMax, const char *src, size_t count);

#ifdef __cplusplus
}
#endif

#endif
