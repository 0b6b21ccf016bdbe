// Stand-in for the host process: defines every host function the library
// imports, records what the library did (HLP commands, failure records,
// traces, console prints, allocations) and answers as a test or a scenario
// configures it. One process-wide instance, reset between cases.
#ifndef SIM_HOST_H
#define SIM_HOST_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace halsim {

struct HlpCall {
    uint32_t cmd = 0;
    std::vector<uint8_t> req;  // the request bytes as sent
    uint32_t reqLen = 0;
    uint32_t replyLen = 0;
    bool hasReply = false;  // a reply buffer was passed
    uint32_t result = 0;    // what the driver answered

    // Reads a little-endian word of the request.
    uint32_t word(size_t offset) const;
};

struct LastWordRec {
    std::string file;
    uint32_t line = 0;
    uint32_t code = 0;
    uint32_t v[4] = {};
    bool operator==(const LastWordRec &o) const;
};

struct TraceRec {
    uint32_t module = 0;
    std::string file;
    uint32_t line = 0;
    std::string fmt;
    std::string text;  // the format applied to its values
};

struct ConsoleRec {
    uint32_t level = 0;
    std::string fmt;
    std::string text;
};

struct Answer {
    uint32_t result = 0;
    std::vector<uint8_t> reply;  // copied into the reply buffer on success
};

// A simulated forwarding driver may take over the HLP channel: it sees each
// command with its request and fills the reply; its result is the answer.
using Driver = std::function<uint32_t(const HlpCall &call, void *reply, uint32_t replyLen)>;

struct GemLookup {
    uint32_t result = 0;
    uint16_t count = 0;
    std::vector<uint16_t> gemPorts;
};

class Host {
public:
    Host();

    // Back to the eight-port terminal with nothing recorded.
    void reset();

    // ---- Configuration ---------------------------------------------------
    std::map<std::string, uint32_t> features;  // QX_Feature_IsSupportByFeatureName: absent = 0
    struct Attr {
        uint32_t result = 0;
        uint32_t value = 0;
    };
    std::map<uint32_t, Attr> pdAttrs;             // QX_DM_PDGetAttr: absent = result 1, nothing written
    std::map<uint32_t, Attr> chipAttrs;           // QX_DM_ChipGetAttr (attribute id)
    std::map<uint32_t, uint32_t> traceFlags;      // QX_DIA_GetTraceFlag by module
    std::map<uint32_t, uint32_t> userToChipPort;  // QX_DM_TopoGetKaPortByUserPort; absent = result 1
    Attr uplink;                                  // QX_DM_GetCurUpUserPortID
    struct DbValue {
        uint32_t result = 0;
        uint32_t value = 0;
    };
    DbValue sessionObjExists;  // QX_XML_DBIsObjExist: existence flag in value
    DbValue sessionFlag;       // QX_XML_DBGetSiglePara
    std::map<std::pair<uint32_t, uint32_t>, uint16_t> l2mCtpByPrototype;  // (type, user port) -> CTP
    std::map<uint32_t, uint32_t> l2mNetRole;                              // CTP -> role
    uint32_t autoSelect = 0;                                              // L2M_PTP_IsSupportAutoSelect
    std::map<std::pair<uint32_t, uint16_t>, GemLookup> gemByBridgeVlan;   // BLL_GPON_GetUCGemportByVbridgeID

    // Forces the result of the next call (or of every call) of a host
    // function, by name, whatever it would answer otherwise. A forced
    // non-zero result writes nothing; an allocation forced to fail returns
    // null; a bounded fill or copy forced to fail copies nothing.
    void failNext(const std::string &function, uint32_t result);
    void failAlways(const std::string &function, uint32_t result);

    // ---- The driver ------------------------------------------------------
    // Queues one answer for the next send of cmd; without a queued answer a
    // command gets its standing answer, or the driver, or 0.
    void answer(uint32_t cmd, uint32_t result, std::vector<uint8_t> reply = {});
    void answerAlways(uint32_t cmd, uint32_t result, std::vector<uint8_t> reply = {});
    Driver driver;
    // The MAC table the driver writes, on a successful read (0x20030017),
    // into the buffer whose address the request carries: the count word,
    // then the chip entries; at most the buffer's 65540 bytes are written.
    std::vector<uint8_t> macTable;

    // ---- Recordings ------------------------------------------------------
    std::vector<HlpCall> hlp;
    std::vector<LastWordRec> lastWords;
    std::vector<TraceRec> traces;
    std::vector<ConsoleRec> console;
    std::vector<std::string> calls;  // every host function called, in order

    // Heap handed out by QX_OS_MemMallocD and not yet freed, with sizes.
    std::map<void *, uint32_t> liveAllocations;
    uint32_t badFrees = 0;  // frees of pointers this host never handed out

    // ---- Used by the host functions themselves ---------------------------
    bool forced(const char *function, uint32_t &result);  // records the call too
    uint32_t send(uint32_t cmd, const void *req, uint32_t reqLen, void *reply, uint32_t replyLen);

private:
    std::map<std::string, std::deque<uint32_t>> oneShot_;
    std::map<std::string, uint32_t> sticky_;
    std::map<uint32_t, std::deque<Answer>> queued_;
    std::map<uint32_t, Answer> standing_;
};

Host &host();

// The user port id of the terminal's uplink in the default topology, and the
// chip port behind it.
constexpr uint32_t kDefaultUplinkUserPort = 0x102001;
constexpr uint32_t kDefaultUplinkChipPort = 16;

constexpr uint32_t kMacTableReadCmd = 0x20030017;
constexpr uint32_t kMacTableBufferBytes = 65540;

}  // namespace halsim

#endif
