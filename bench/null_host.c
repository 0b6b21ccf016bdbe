/* A host reduced to what the library needs to run: every host function,
 * written in C from the prototypes alone. The driver accepts every command
 * and the host keeps no record, so a benchmark measures the library. */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "platform/qx_host.h"

uint32_t g_nullHostCommands; /* HLP commands sent */

/* The driver's MAC table: full, 2048 unicast entries of kind 4, every
 * third static, every fourth without VLAN, one to three neighbouring chip
 * ports of 0 to 7 each. The image is built once and copied into the buffer
 * whose address a table read (0x20030017) carries. */
enum {
    kMacTableRead = 0x20030017,
    kMacEntries = 2048,
    kMacEntryBytes = 32,
    kMacTableBytes = 4 + kMacEntries * kMacEntryBytes,
};
static uint8_t g_macTableImage[kMacTableBytes];

static void putU32(uint8_t *at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        at[i] = (uint8_t)(v >> (8 * i));
    }
}

static void prepareMacTable(void)
{
    putU32(g_macTableImage, kMacEntries);
    for (uint32_t i = 0; i < kMacEntries; ++i) {
        uint8_t *e = g_macTableImage + 4 + (size_t)i * kMacEntryBytes;
        const uint32_t firstPort = i % 8;
        const uint32_t ports = i % 3 + 1;
        const uint32_t mask = (((1U << ports) - 1U) << firstPort) & 0xFFU;
        const uint16_t vlan = (uint16_t)(1 + i % 4094);
        putU32(e + 4, i % 3 == 0 ? 1U : 0U);
        putU32(e + 8, i % 4 == 0 ? 1U : 0U);
        e[12] = (uint8_t)vlan;
        e[13] = (uint8_t)(vlan >> 8);
        putU32(e + 16, 4);
        putU32(e + 20, mask);
        e[24] = 0x00;
        e[25] = 0x1b;
        e[26] = 0x2c;
        e[27] = (uint8_t)(i >> 16);
        e[28] = (uint8_t)(i >> 8);
        e[29] = (uint8_t)i;
    }
}

uint32_t QX_OS_HLP_SendOutLarge(uint32_t cmd, void *req, uint32_t reqLen, void *reply, uint32_t replyLen)
{
    static int macTablePrepared;
    if (reply != NULL) {
        memset(reply, 0, replyLen);
    }
    if (cmd == kMacTableRead && req != NULL && reqLen == sizeof(void *)) {
        void *buffer = NULL;
        if (!macTablePrepared) {
            prepareMacTable();
            macTablePrepared = 1;
        }
        memcpy(&buffer, req, sizeof(buffer));
        memcpy(buffer, g_macTableImage, sizeof(g_macTableImage));
    }
    ++g_nullHostCommands;
    return 0;
}

void QX_PROC_DBG_TraceN(uint32_t moduleId, const char *file, uint32_t line, const char *fmt, ...)
{
    (void)moduleId, (void)file, (void)line, (void)fmt;
}
void QX_PROC_DBG_TraceS(uint32_t a, uint32_t b, uint32_t c, uint32_t level, const char *fmt, ...)
{
    (void)a, (void)b, (void)c, (void)level, (void)fmt;
}
uint32_t QX_DIA_GetTraceFlag(uint32_t moduleId) { return (void)moduleId, 0; }
void QX_PROC_DBG_LastWord(const char *file, uint32_t line, uint32_t code, uint32_t v1, uint32_t v2, uint32_t v3,
                          uint32_t v4)
{
    (void)file, (void)line, (void)code, (void)v1, (void)v2, (void)v3, (void)v4;
}

void *QX_OS_MemMallocD(uint32_t size) { return malloc(size != 0 ? size : 1); }
void QX_OS_MemFreeD(void *ptr) { free(ptr); }
int32_t QX_OS_StrCaseCmp(const char *a, const char *b) { return strcasecmp(a, b); }
int32_t QX_OS_StrCmp(const char *a, const char *b) { return strcmp(a, b); }
uint32_t QX_Feature_IsSupportByFeatureName(const char *name) { return (void)name, 0; }

/* Eight Ethernet user ports on chip ports 0 to 7, CTPs 1 to 8; the uplink
 * on 16. */
uint32_t QX_DM_PDGetAttr(uint32_t attrId, uint32_t len, void *out)
{
    const uint32_t ports = 8;
    if (attrId != 1 || len < sizeof(ports)) {
        return 1;
    }
    memcpy(out, &ports, sizeof(ports));
    return 0;
}
uint32_t QX_DM_ChipGetAttr(uint32_t chipId, uint32_t attrId, uint32_t len, void *out)
{
    (void)chipId, (void)attrId, (void)len, (void)out;
    return 1;
}
uint32_t QX_DM_TopoGetKaPortByUserPort(uint32_t userPort, uint32_t *chipPort)
{
    *chipPort = userPort >= 1 && userPort <= 8 ? userPort - 1 : 16;
    return 0;
}
uint32_t QX_DM_GetCurUpUserPortID(uint32_t *userPortId)
{
    *userPortId = 0x102001;
    return 0;
}
uint32_t QX_DM_TopoSwitchCommon(uint32_t selector, uint32_t chipPort, uint32_t *userPort)
{
    if (selector != 2 || (chipPort >= 8 && chipPort != 16)) {
        return 1;
    }
    *userPort = chipPort == 16 ? 0x102001 : chipPort + 1;
    return 0;
}
uint32_t QX_XML_DBIsObjExist(uint32_t db, uint32_t instance, uint32_t objectId, uint32_t *exists)
{
    (void)db, (void)instance, (void)objectId;
    *exists = 1;
    return 0;
}
uint32_t QX_XML_DBGetSiglePara(uint32_t db, uint32_t instance, uint32_t paraId, uint32_t len, void *out,
                               uint32_t *outLen)
{
    (void)db, (void)instance, (void)paraId;
    memset(out, 0, len);
    *outLen = len;
    return 0;
}
uint32_t L2M_Ctp_GetIdByPrototype(uint32_t ctpType, uint32_t userPort, uint16_t *ctpId)
{
    if (ctpType != 0 || userPort < 1 || userPort > 8) {
        return 1;
    }
    *ctpId = (uint16_t)userPort;
    return 0;
}
uint32_t L2M_Ctp_GetNetRole(uint32_t ctpId, uint32_t *netRole)
{
    *netRole = ctpId >= 1 && ctpId <= 8 ? 0 : 3;
    return 0;
}
uint32_t L2M_PTP_IsSupportAutoSelect(void) { return 0; }
uint32_t BLL_GPON_GetUCGemportByVbridgeID(uint32_t bridgeId, uint16_t vlan, void *out)
{
    const uint16_t answer[2] = {1, (uint16_t)(bridgeId + vlan)};
    memset(out, 0, 136);
    memcpy(out, answer, sizeof(answer));
    return 0;
}

int memset_s(void *dest, size_t destMax, int c, size_t count)
{
    if (dest == NULL || count > destMax) {
        return 1;
    }
    memset(dest, c, count);
    return 0;
}
int memcpy_s(void *dest, size_t destMax, const void *src, size_t count)
{
    if (dest == NULL || src == NULL || count > destMax) {
        return 1;
    }
    memmove(dest, src, count);
    return 0;
}
int strncpy_s(char *dest, size_t destMax, const char *src, size_t count)
{
    size_t n = 0;
    if (dest == NULL || src == NULL || destMax == 0) {
        return 1;
    }
    while (n < count && src[n] != '\0') {
        ++n;
    }
    if (n >= destMax) {
        dest[0] = '\0';
        return 1;
    }
    memcpy(dest, src, n);
    dest[n] = '\0';
    return 0;
}
