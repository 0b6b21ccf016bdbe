/* Failure records and traces. Each source file names itself once with
 * HAL_DIAG_SOURCE(file, module); a failure site then reads
 *     lastWord(166, ret, ctpId, port, type, 0);
 * and a trace HAL_TRACE(1650, "FlowId = %d\n", id). The line numbers are
 * part of the records the host collects and are written as literals. */
#ifndef PLATFORM_DIAG_H
#define PLATFORM_DIAG_H

#include <stdint.h>

#include "platform/qx_host.h"

#define HAL_DIAG_SOURCE(fileName, moduleId)                                                               \
    namespace {                                                                                           \
    [[maybe_unused]] constexpr const char *kDiagFile = (fileName);                                        \
    [[maybe_unused]] constexpr uint32_t kDiagModule = (moduleId);                                         \
    [[maybe_unused]] inline void lastWord(uint32_t line, uint32_t code, uint32_t v1 = 0, uint32_t v2 = 0, \
                                          uint32_t v3 = 0, uint32_t v4 = 0)                               \
    {                                                                                                     \
        QX_PROC_DBG_LastWord(kDiagFile, line, code, v1, v2, v3, v4);                                      \
    }                                                                                                     \
    }                                                                                                     \
    static_assert(true, "")

#define HAL_TRACE(line, ...) QX_PROC_DBG_TraceN(kDiagModule, kDiagFile, (line), __VA_ARGS__)

/* Console print of the chip debug dumps. */
#define HAL_CONSOLE(...) QX_PROC_DBG_TraceS(0, 0, 0, 3, __VA_ARGS__)

namespace hal {
constexpr uint32_t kModuleBtv = 581;
constexpr uint32_t kModuleL2 = 582;
constexpr uint32_t kModuleL3 = 583;
}  // namespace hal

#endif
