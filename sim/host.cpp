// Stand-in host process: the host functions the library imports.
#include "host.h"

#include <strings.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/qx_host.h"

namespace halsim {

namespace {

std::string vformat(const char *fmt, va_list ap)
{
    char buf[1024];
    const int n = std::vsnprintf(buf, sizeof(buf), fmt, ap);
    if (n < 0) {
        return std::string();
    }
    return std::string(buf, static_cast<size_t>(n) < sizeof(buf) ? static_cast<size_t>(n) : sizeof(buf) - 1);
}

}  // namespace

uint32_t HlpCall::word(size_t offset) const
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4 && offset + i < req.size(); ++i) {
        v |= static_cast<uint32_t>(req[offset + i]) << (8 * i);
    }
    return v;
}

bool LastWordRec::operator==(const LastWordRec &o) const
{
    return file == o.file && line == o.line && code == o.code && std::memcmp(v, o.v, sizeof(v)) == 0;
}

Host::Host() { reset(); }

void Host::reset()
{
    features.clear();
    pdAttrs.clear();
    chipAttrs.clear();
    traceFlags.clear();
    userToChipPort.clear();
    l2mCtpByPrototype.clear();
    l2mNetRole.clear();
    gemByBridgeVlan.clear();
    macTable.clear();
    oneShot_.clear();
    sticky_.clear();
    queued_.clear();
    standing_.clear();
    driver = nullptr;
    hlp.clear();
    lastWords.clear();
    traces.clear();
    console.clear();
    calls.clear();
    badFrees = 0;

    // An eight-port terminal: Ethernet user ports 1 to 8 on chip ports 0 to
    // 7, CTPs 1 to 8 on the user side, the uplink on chip port 16.
    pdAttrs[1] = {0, 8};
    chipAttrs[0x10001] = {0, 1};
    for (uint32_t port = 1; port <= 8; ++port) {
        userToChipPort[port] = port - 1;
        l2mCtpByPrototype[{0, port}] = static_cast<uint16_t>(port);
        l2mNetRole[port] = 0;
    }
    for (uint32_t ctp : {0U, 9U, 10U, 11U, 12U}) {
        l2mNetRole[ctp] = 3;
    }
    userToChipPort[kDefaultUplinkUserPort] = kDefaultUplinkChipPort;
    uplink = {0, kDefaultUplinkUserPort};
    sessionObjExists = {0, 1};
    sessionFlag = {0, 0};
    autoSelect = 0;
}

void Host::failNext(const std::string &function, uint32_t result) { oneShot_[function].push_back(result); }
void Host::failAlways(const std::string &function, uint32_t result) { sticky_[function] = result; }

bool Host::forced(const char *function, uint32_t &result)
{
    calls.emplace_back(function);
    auto one = oneShot_.find(function);
    if (one != oneShot_.end() && !one->second.empty()) {
        result = one->second.front();
        one->second.pop_front();
        return true;
    }
    auto always = sticky_.find(function);
    if (always != sticky_.end()) {
        result = always->second;
        return true;
    }
    return false;
}

void Host::answer(uint32_t cmd, uint32_t result, std::vector<uint8_t> reply)
{
    queued_[cmd].push_back({result, std::move(reply)});
}

void Host::answerAlways(uint32_t cmd, uint32_t result, std::vector<uint8_t> reply)
{
    standing_[cmd] = {result, std::move(reply)};
}

uint32_t Host::send(uint32_t cmd, const void *req, uint32_t reqLen, void *reply, uint32_t replyLen)
{
    HlpCall call;
    call.cmd = cmd;
    call.reqLen = reqLen;
    call.replyLen = replyLen;
    call.hasReply = reply != nullptr;
    if (req != nullptr && reqLen != 0) {
        const auto *bytes = static_cast<const uint8_t *>(req);
        call.req.assign(bytes, bytes + reqLen);
    }

    uint32_t result = 0;
    const Answer *answerToCopy = nullptr;
    Answer fromQueue;
    auto q = queued_.find(cmd);
    if (!forced("QX_OS_HLP_SendOutLarge", result)) {
        if (q != queued_.end() && !q->second.empty()) {
            fromQueue = std::move(q->second.front());
            q->second.pop_front();
            result = fromQueue.result;
            answerToCopy = &fromQueue;
        } else if (auto s = standing_.find(cmd); s != standing_.end()) {
            result = s->second.result;
            answerToCopy = &s->second;
        } else if (driver) {
            result = driver(call, reply, replyLen);
        }
    }
    if (result == 0 && answerToCopy != nullptr && reply != nullptr) {
        const size_t n = std::min<size_t>(answerToCopy->reply.size(), replyLen);
        if (n != 0) {
            std::memcpy(reply, answerToCopy->reply.data(), n);
        }
    }
    if (result == 0 && cmd == kMacTableReadCmd && reqLen == sizeof(uintptr_t) && !macTable.empty()) {
        uintptr_t buffer = 0;
        std::memcpy(&buffer, req, sizeof(buffer));
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the request carries the buffer's address
        std::memcpy(reinterpret_cast<void *>(buffer), macTable.data(),
                    std::min<size_t>(macTable.size(), kMacTableBufferBytes));
    }
    call.result = result;
    hlp.push_back(std::move(call));
    return result;
}

Host &host()
{
    static Host instance;
    return instance;
}

}  // namespace halsim

using halsim::host;

namespace {

uint32_t answerAttr(const char *function, const std::map<uint32_t, halsim::Host::Attr> &attrs, uint32_t attrId,
                    uint32_t len, void *out)
{
    uint32_t ret = 0;
    if (host().forced(function, ret)) {
        return ret;
    }
    auto it = attrs.find(attrId);
    if (it == attrs.end()) {
        return 1;
    }
    if (it->second.result == 0 && out != nullptr && len >= sizeof(uint32_t)) {
        std::memcpy(out, &it->second.value, sizeof(uint32_t));
    }
    return it->second.result;
}

// A lookup in one of the host's tables: result 1 when the key is unknown.
template <typename Map, typename Key, typename Out>
uint32_t answerLookup(const char *function, const Map &table, const Key &key, Out *out)
{
    uint32_t ret = 0;
    if (host().forced(function, ret)) {
        return ret;
    }
    auto it = table.find(key);
    if (it == table.end()) {
        return 1;
    }
    *out = it->second;
    return 0;
}

}  // namespace

extern "C" {

uint32_t QX_OS_HLP_SendOutLarge(uint32_t cmd, void *req, uint32_t reqLen, void *reply, uint32_t replyLen)
{
    return host().send(cmd, req, reqLen, reply, replyLen);
}

void QX_PROC_DBG_TraceN(uint32_t moduleId, const char *file, uint32_t line, const char *fmt, ...)
{
    host().calls.emplace_back("QX_PROC_DBG_TraceN");
    halsim::TraceRec rec;
    rec.module = moduleId;
    rec.file = file != nullptr ? file : "";
    rec.line = line;
    rec.fmt = fmt != nullptr ? fmt : "";
    if (fmt != nullptr) {
        va_list ap;
        va_start(ap, fmt);
        rec.text = halsim::vformat(fmt, ap);
        va_end(ap);
    }
    host().traces.push_back(std::move(rec));
}

void QX_PROC_DBG_TraceS(uint32_t /*a*/, uint32_t /*b*/, uint32_t /*c*/, uint32_t level, const char *fmt, ...)
{
    host().calls.emplace_back("QX_PROC_DBG_TraceS");
    halsim::ConsoleRec rec;
    rec.level = level;
    rec.fmt = fmt != nullptr ? fmt : "";
    if (fmt != nullptr) {
        va_list ap;
        va_start(ap, fmt);
        rec.text = halsim::vformat(fmt, ap);
        va_end(ap);
    }
    host().console.push_back(std::move(rec));
}

uint32_t QX_DIA_GetTraceFlag(uint32_t moduleId)
{
    host().calls.emplace_back("QX_DIA_GetTraceFlag");
    auto it = host().traceFlags.find(moduleId);
    return it != host().traceFlags.end() ? it->second : 0;
}

void QX_PROC_DBG_LastWord(const char *file, uint32_t line, uint32_t code, uint32_t v1, uint32_t v2, uint32_t v3,
                          uint32_t v4)
{
    host().calls.emplace_back("QX_PROC_DBG_LastWord");
    host().lastWords.push_back({file != nullptr ? file : "", line, code, {v1, v2, v3, v4}});
}

void *QX_OS_MemMallocD(uint32_t size)
{
    uint32_t ret = 0;
    if (host().forced("QX_OS_MemMallocD", ret) && ret != 0) {
        return nullptr;
    }
    void *p = std::malloc(size != 0 ? size : 1);
    if (p != nullptr) {
        host().liveAllocations[p] = size;
    }
    return p;
}

void QX_OS_MemFreeD(void *ptr)
{
    host().calls.emplace_back("QX_OS_MemFreeD");
    if (ptr == nullptr) {
        return;
    }
    auto it = host().liveAllocations.find(ptr);
    if (it == host().liveAllocations.end()) {
        ++host().badFrees;
        return;
    }
    host().liveAllocations.erase(it);
    std::free(ptr);
}

int32_t QX_OS_StrCaseCmp(const char *a, const char *b)
{
    host().calls.emplace_back("QX_OS_StrCaseCmp");
    return strcasecmp(a, b);
}

int32_t QX_OS_StrCmp(const char *a, const char *b)
{
    host().calls.emplace_back("QX_OS_StrCmp");
    return std::strcmp(a, b);
}

uint32_t QX_Feature_IsSupportByFeatureName(const char *name)
{
    uint32_t ret = 0;
    if (host().forced("QX_Feature_IsSupportByFeatureName", ret)) {
        return ret;
    }
    auto it = host().features.find(name != nullptr ? name : "");
    return it != host().features.end() ? it->second : 0;
}

uint32_t QX_DM_PDGetAttr(uint32_t attrId, uint32_t len, void *out)
{
    return answerAttr("QX_DM_PDGetAttr", host().pdAttrs, attrId, len, out);
}

uint32_t QX_DM_ChipGetAttr(uint32_t /*chipId*/, uint32_t attrId, uint32_t len, void *out)
{
    return answerAttr("QX_DM_ChipGetAttr", host().chipAttrs, attrId, len, out);
}

uint32_t QX_DM_TopoGetKaPortByUserPort(uint32_t userPort, uint32_t *chipPort)
{
    return answerLookup("QX_DM_TopoGetKaPortByUserPort", host().userToChipPort, userPort, chipPort);
}

uint32_t QX_DM_GetCurUpUserPortID(uint32_t *userPortId)
{
    uint32_t ret = 0;
    if (host().forced("QX_DM_GetCurUpUserPortID", ret)) {
        return ret;
    }
    if (host().uplink.result == 0) {
        *userPortId = host().uplink.value;
    }
    return host().uplink.result;
}

uint32_t QX_DM_TopoSwitchCommon(uint32_t selector, uint32_t chipPort, uint32_t *userPort)
{
    uint32_t ret = 0;
    if (host().forced("QX_DM_TopoSwitchCommon", ret)) {
        return ret;
    }
    if (selector != 2) {
        return 1;
    }
    for (const auto &[user, chip] : host().userToChipPort) {
        if (chip == chipPort) {
            *userPort = user;
            return 0;
        }
    }
    return 1;
}

uint32_t QX_XML_DBIsObjExist(uint32_t /*db*/, uint32_t /*instance*/, uint32_t /*objectId*/, uint32_t *exists)
{
    uint32_t ret = 0;
    if (host().forced("QX_XML_DBIsObjExist", ret)) {
        return ret;
    }
    *exists = host().sessionObjExists.value;
    return host().sessionObjExists.result;
}

uint32_t QX_XML_DBGetSiglePara(uint32_t /*db*/, uint32_t /*instance*/, uint32_t /*paraId*/, uint32_t len, void *out,
                               uint32_t *outLen)
{
    uint32_t ret = 0;
    if (host().forced("QX_XML_DBGetSiglePara", ret)) {
        return ret;
    }
    if (host().sessionFlag.result == 0 && len >= sizeof(uint32_t)) {
        std::memcpy(out, &host().sessionFlag.value, sizeof(uint32_t));
        *outLen = sizeof(uint32_t);
    }
    return host().sessionFlag.result;
}

uint32_t L2M_Ctp_GetIdByPrototype(uint32_t ctpType, uint32_t userPort, uint16_t *ctpId)
{
    return answerLookup("L2M_Ctp_GetIdByPrototype", host().l2mCtpByPrototype, std::make_pair(ctpType, userPort), ctpId);
}

uint32_t L2M_Ctp_GetNetRole(uint32_t ctpId, uint32_t *netRole)
{
    return answerLookup("L2M_Ctp_GetNetRole", host().l2mNetRole, ctpId, netRole);
}

uint32_t L2M_PTP_IsSupportAutoSelect(void)
{
    uint32_t ret = 0;
    if (host().forced("L2M_PTP_IsSupportAutoSelect", ret)) {
        return ret;
    }
    return host().autoSelect;
}

uint32_t BLL_GPON_GetUCGemportByVbridgeID(uint32_t bridgeId, uint16_t vlan, void *out)
{
    uint32_t ret = 0;
    if (host().forced("BLL_GPON_GetUCGemportByVbridgeID", ret)) {
        return ret;
    }
    auto it = host().gemByBridgeVlan.find({bridgeId, vlan});
    if (it == host().gemByBridgeVlan.end()) {
        return 1;
    }
    const halsim::GemLookup &g = it->second;
    if (g.result == 0) {
        // 136 bytes: u16 count, then up to 67 u16 GEM ports.
        uint8_t buf[136] = {};
        std::memcpy(buf, &g.count, sizeof(g.count));
        for (size_t i = 0; i < g.gemPorts.size() && i < 67; ++i) {
            std::memcpy(buf + 2 + 2 * i, &g.gemPorts[i], sizeof(uint16_t));
        }
        std::memcpy(out, buf, sizeof(buf));
    }
    return g.result;
}

int memset_s(void *dest, size_t destMax, int c, size_t count)
{
    uint32_t ret = 0;
    if (host().forced("memset_s", ret)) {
        return static_cast<int>(ret);
    }
    if (dest == nullptr || count > destMax) {
        return 1;
    }
    std::memset(dest, c, count);
    return 0;
}

int memcpy_s(void *dest, size_t destMax, const void *src, size_t count)
{
    uint32_t ret = 0;
    if (host().forced("memcpy_s", ret)) {
        return static_cast<int>(ret);
    }
    if (dest == nullptr || src == nullptr || count > destMax) {
        return 1;
    }
    std::memmove(dest, src, count);
    return 0;
}

int strncpy_s(char *dest, size_t destMax, const char *src, size_t count)
{
    uint32_t ret = 0;
    if (host().forced("strncpy_s", ret)) {
        return static_cast<int>(ret);
    }
    if (dest == nullptr || destMax == 0) {
        return 1;
    }
    if (src == nullptr) {
        dest[0] = '\0';
        return 1;
    }
    const size_t n = strnlen(src, count);
    if (n >= destMax) {
        dest[0] = '\0';
        return 1;
    }
    std::memcpy(dest, src, n);
    dest[n] = '\0';
    return 0;
}

}  // extern "C"
