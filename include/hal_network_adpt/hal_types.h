/* Common types of the chip adaptation layer: result codes, hook table
 * slots, port identity hooks and the debug command handler.
 *
 * Every entry point returns a uint32_t: 0 is success, the library's own
 * failure values are listed below, anything else is a code of the host or
 * of the kernel forwarding driver passed up unchanged. */
#ifndef HAL_NETWORK_ADPT_HAL_TYPES_H
#define HAL_NETWORK_ADPT_HAL_TYPES_H

#include <stddef.h>
#include <stdint.h>

#if defined(HAL_NETWORK_ADPT_BUILD)
#define HAL_API __attribute__((visibility("default")))
#else
#define HAL_API
#endif

#ifdef __cplusplus
#define HAL_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#define HAL_EXTERN_C_BEGIN extern "C" {
#define HAL_EXTERN_C_END }
#else
#define HAL_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#define HAL_EXTERN_C_BEGIN
#define HAL_EXTERN_C_END
#endif

/* Result codes made by the library itself. */
#define HAL_OK 0x0U
#define HAL_ERR 0x1U                 /* empty hook slot, bad argument, unsupported case */
#define HAL_ERR_NULL_PTR 0xF7300000U /* missing record pointer */
#define HAL_ERR_PARA 0xF7300001U     /* parameter out of range */
#define HAL_ERR_MAC_BUF 0xF7300002U  /* MAC table buffer not allocated */

/* One slot of a hook table. A slot holds the chip adapter function with the
 * same arguments and result as the entry point that reads it; it is stored
 * under this common type and called through the entry point's own type. */
typedef void (*HAL_HOOK_FUNC)(void);

#define HAL_L3_HOOK_NUM 13
#define HAL_L2_HOOK_NUM 40
#define HAL_BTV_HOOK_NUM 17

/* Port identity hooks registered by the host. */
typedef uint32_t (*HAL_CTP2USERPORT_FUNC)(uint32_t ctpId, uint32_t *type, uint16_t *userPort);
typedef uint32_t (*HAL_USERPORT2CTP_FUNC)(uint32_t type, uint32_t userPort, uint16_t *ctpId);
typedef uint32_t (*HAL_GETNETROLE_FUNC)(uint32_t ctpId, uint32_t *role);
typedef uint32_t (*HAL_GETBCUCGEMBGE_FUNC)(uint32_t ctpId, uint32_t *gemPort, uint16_t *bridgeId);
typedef uint32_t (*HAL_GETL2FLOW_FUNC)(uint32_t a, uint32_t b);

/* Chip debug command handler: argc strings in argv. */
typedef uint32_t (*HAL_DEBUG_CMD_FUNC)(uint32_t argc, char **argv);

/* Net role of a CTP as the port identity hooks report it. */
#define HAL_NET_ROLE_UNI 0U
#define HAL_NET_ROLE_NNI 3U

#endif
