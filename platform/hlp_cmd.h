/* HLP command codes of the kernel forwarding driver. The high 20 bits name
 * a group, the low 12 bits a command of that group. Every code is paired
 * with its request and reply record next to the request record
 * (HAL_HLP_COMMAND), and hal::sendRequest sends a command only with the
 * records it is paired with. */
#ifndef PLATFORM_HLP_CMD_H
#define PLATFORM_HLP_CMD_H

#include <cstdint>
#include <type_traits>

#include "platform/hlp_record.h"

namespace hal::hlp {

/* Every code the library sends, as X(name, code). Names read area, verb,
 * object; the multicast statistics commands keep the names the driver's
 * own messages give them. */
#define HAL_HLP_CODES(X)                                                            \
    /* L3 interfaces, prefixes, policy routes, NAPT indications, WAN statistics. */ \
    X(L3_ADD_IF, 0x2002d000U)                                                       \
    X(L3_DEL_IF, 0x2002d001U)                                                       \
    X(L3_ADD_POLICY_ROUTE, 0x2002d002U)                                             \
    X(L3_DEL_POLICY_ROUTE, 0x2002d003U)                                             \
    X(L3_ADD_WAN_STATS, 0x2002d004U)                                                \
    X(L3_DEL_WAN_STATS, 0x2002d005U)                                                \
    X(L3_CLR_WAN_STATS, 0x2002d006U)                                                \
    X(L3_GET_WAN_STATS, 0x2002d007U)                                                \
    X(L3_ADD_PREFIX, 0x2002d008U)                                                   \
    X(L3_DEL_PREFIX, 0x2002d009U)                                                   \
    X(L3_ADD_NAPT_IND, 0x2002d00aU)                                                 \
    X(L3_DEL_NAPT_IND, 0x2002d00bU)                                                 \
    X(L3_SET_IF_MTU, 0x2002d00cU)                                                   \
    /* Multicast programs, program users and multicast statistics. */               \
    X(BTV_ADD_USER, 0x20026000U)                                                    \
    X(BTV_DEL_USER, 0x20026001U)                                                    \
    X(BTV_ADD_PROGRAM, 0x20026002U)                                                 \
    X(BTV_DEL_PROGRAM, 0x20026003U)                                                 \
    X(BTV_MATCH_MODE, 0x20026004U)                                                  \
    X(BTV_SET_STATS, 0x20026005U)                                                   \
    X(BTV_CLR_STATS, 0x20026006U)                                                   \
    X(BTV_GET_STATS, 0x20026007U)                                                   \
    X(BTV_SET_EM_RULE, 0x20026008U)                                                 \
    X(BTV_DEL_EM_RULE, 0x20026009U)                                                 \
    X(BTV_GET_EM_STATS, 0x2002600aU)                                                \
    X(BTVUSER_SET_STATS, 0x2002600bU)                                               \
    X(BTVUSER_CLR_STATS, 0x2002600cU)                                               \
    X(BTVUSER_GET_STATS, 0x2002600dU)                                               \
    /* Layer-2 flows, port services, MAC management, protocol-packet and            \
     * diagnostic flows. */                                                         \
    X(L2_ADD_FLOW, 0x20030000U)                                                     \
    X(L2_DEL_FLOW, 0x20030001U)                                                     \
    X(L2_ADD_BRIDGE_PORT, 0x20030002U)                                              \
    X(L2_DEL_BRIDGE_PORT, 0x20030003U)                                              \
    X(L2_SET_PORT_ISOLATE, 0x20030004U)                                             \
    X(L2_ADD_DSCP_TBL, 0x20030005U)                                                 \
    X(L2_DEL_DSCP_TBL, 0x20030006U)                                                 \
    X(L2_ADD_BC_TABLE, 0x20030007U)                                                 \
    X(L2_DEL_BC_TABLE, 0x20030008U)                                                 \
    X(L2_SET_BC_LIMIT, 0x20030009U)                                                 \
    X(L2_SET_UMC_LIMIT, 0x2003000aU)                                                \
    X(L2_SET_UUC_LIMIT, 0x2003000bU)                                                \
    X(L2_SET_ISOLATE_ENABLE, 0x2003000dU)                                           \
    X(L2_ADD_TCI_STATS, 0x20030018U)                                                \
    X(L2_DEL_TCI_STATS, 0x20030019U)                                                \
    X(L2_CLR_TCI_STATS, 0x2003001aU)                                                \
    X(L2_GET_TCI_STATS, 0x2003001bU)                                                \
    X(L2_SET_PVID, 0x20030026U)                                                     \
    X(L2_SET_USER_BC_LIMIT, 0x20030027U)                                            \
    X(PDU_ADD_FLOW, 0x20030012U)                                                    \
    X(PDU_DEL_FLOW, 0x20030013U)                                                    \
    X(DFX_ADD_FLOW, 0x2003002cU)                                                    \
    X(DFX_DEL_FLOW, 0x2003002dU)                                                    \
    X(DFX_SET_CNT, 0x2003002eU)                                                     \
    X(DFX_SWITCH_CNT, 0x2003002fU)                                                  \
    X(DFX_GET_CNT, 0x20030030U)                                                     \
    X(DFX_CLR_CNT, 0x20030031U)                                                     \
    X(PDU_ADD_CAR, 0x20030032U)                                                     \
    X(PDU_BIND_CAR, 0x20030033U)                                                    \
    X(PDU_UNBIND_CAR, 0x20030034U)                                                  \
    X(PDU_DEL_CAR, 0x20030035U)                                                     \
    X(MAC_SET_AGE, 0x2003000cU)                                                     \
    X(MAC_SET_LEARN_NUM, 0x2003000eU)                                               \
    X(MAC_SET_LEARN_MODE, 0x2003000fU)                                              \
    X(MAC_ADD_STATIC, 0x20030010U)                                                  \
    X(MAC_DEL_STATIC, 0x20030011U)                                                  \
    X(MAC_ADD_FILTER, 0x20030014U)                                                  \
    X(MAC_DEL_FILTER, 0x20030015U)                                                  \
    X(MAC_SET_FILTER_MODE, 0x20030016U)                                             \
    X(MAC_GET_TABLE, 0x20030017U)                                                   \
    X(MAC_SET_LEARN_STATE, 0x20030025U)                                             \
    X(MAC_GET_FILTER_MODE, 0x20030028U)

enum class Cmd : uint32_t {
#define HAL_HLP_ENUM(name, code) name = (code),
    HAL_HLP_CODES(HAL_HLP_ENUM)
#undef HAL_HLP_ENUM
};

inline constexpr Cmd kCommands[] = {
#define HAL_HLP_LIST(name, code) Cmd::name,
    HAL_HLP_CODES(HAL_HLP_LIST)
#undef HAL_HLP_LIST
};

constexpr uint32_t codeOf(Cmd cmd) { return static_cast<uint32_t>(cmd); }

/* The records of one command: Request, Reply (NoReply when the driver
 * writes none) and kName, the command as a reader knows it. Specialised by
 * HAL_HLP_COMMAND. */
template <Cmd C>
struct Command;

struct NoReply {};

/* Whether the command table pairs code C with its records: true once a
 * HAL_HLP_COMMAND for C is in sight. */
template <Cmd C, typename = void>
struct Paired : std::false_type {
};
template <Cmd C>
struct Paired<C, std::void_t<typename Command<C>::Request>> : std::true_type {
};

/* A request that is one 32-bit word: an id or a mode. */
struct Word {
    uint32_t value;
};

}  // namespace hal::hlp

HAL_RECORD(hal::hlp::Word, 4, HAL_AT(value, 0));

#define HAL_HLP_COMMAND(code, request, reply, name)  \
    namespace hal::hlp {                             \
    template <>                                      \
    struct Command<Cmd::code> {                      \
        using Request = request;                     \
        using Reply = reply;                         \
        static constexpr const char *kName = (name); \
    };                                               \
    }                                                \
    static_assert(true, "")

#endif
