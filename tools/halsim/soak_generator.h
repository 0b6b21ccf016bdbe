// The soak's generator of calls: random but valid, the same for the same
// seed and the same answers.
#ifndef TOOLS_HALSIM_SOAK_GENERATOR_H
#define TOOLS_HALSIM_SOAK_GENERATOR_H

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "soak_internal.h"

namespace halsim::soak_detail {

// Random but valid calls, the same for the same seed and the same answers:
// ids come from small ranges so that calls meet the objects of earlier ones,
// removes mostly name objects the model holds and sometimes absent ones,
// and one call in twenty comes after a driver refusal or a host fault.
class Generator {
public:
    explicit Generator(uint64_t seed) : rng_(seed) {}

    std::string next(const Model &m);

private:
    uint32_t below(size_t n) { return static_cast<uint32_t>(rng_() % n); }
    bool chance(uint32_t percent) { return below(100) < percent; }
    template <size_t N>
    uint32_t oneOf(const uint32_t (&values)[N])
    {
        return values[below(N)];
    }
    // The removal of an object the model holds, most of the time.
    template <typename K>
    const std::string *heldOne(const Objects<K> &objects, uint32_t percent)
    {
        if (objects.held.empty() || !chance(percent)) {
            return nullptr;
        }
        auto it = objects.held.begin();
        std::advance(it, below(objects.held.size()));
        return &it->second;
    }
    // An id the model does not hold, most of the time, so that adds mostly
    // add.
    template <size_t N>
    uint32_t freshId(const std::map<uint32_t, std::string> &held, const uint32_t (&ids)[N])
    {
        std::vector<uint32_t> free;
        for (const uint32_t id : ids) {
            if (held.count(id) == 0) {
                free.push_back(id);
            }
        }
        return free.empty() || chance(25) ? oneOf(ids) : free[below(free.size())];
    }
    template <typename K>
    uint32_t heldId(const Objects<K> &objects, uint32_t otherwise)
    {
        if (objects.held.empty() || chance(20)) {
            return otherwise;
        }
        auto it = objects.held.begin();
        std::advance(it, below(objects.held.size()));
        return it->first;
    }

    // A flow's CTP follows from its id, so that its removal names the CTP
    // its add did (a CTP of types 5 to 9 installs nothing and removes
    // nothing).
    static uint32_t flowCtp(uint32_t flow) { return 1 + (flow - 1) % 12; }
    // Group 255 has no user count: the library refuses its viewers.
    static constexpr uint32_t kGroups[] = {1, 2, 3, 4, 5, 6, 7, 8, 254};
    uint32_t group() { return below(80) == 0 ? 255 : oneOf(kGroups); }
    // ACL ids from 257 on have no CAR record: their rate is not installed.
    static constexpr uint32_t kAclIds[] = {1, 2, 3, 4, 5, 6, 7, 8, 255, 256, 257, 300};
    static constexpr uint32_t kDfxIds[] = {1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007};
    static constexpr uint32_t kIfIndexes[] = {0x101, 0x102, 0x103, 0x104, 0x105, 0x106};
    static constexpr uint32_t kRules[] = {1, 2, 3, 4, 5, 6, 7, 8};
    // A WAN whose counter the driver refused is listed for good (see
    // endChecks): enough ids that the stuck ones leave room.
    static constexpr uint32_t kWans[] = {0x101, 0x102, 0x103, 0x104, 0x105, 0x106, 0x107, 0x108, 0x109, 0x10a, 0x10b,
                                         0x10c, 0x10d, 0x10e, 0x10f, 0x110, 0x111, 0x112, 0x113, 0x114, 0x115, 0x116,
                                         0x117, 0x118, 0x119, 0x11a, 0x11b, 0x11c, 0x11d, 0x11e, 0x11f, 0x120};
    uint32_t aclId() { return oneOf(kAclIds); }
    uint32_t dfxId() { return oneOf(kDfxIds); }
    uint32_t ifIndex() { return oneOf(kIfIndexes); }

    std::string nextCall(const Model &m, std::vector<const char *> &cmds);
    std::string flowCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string macCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string aclCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string dfxCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind);
    std::string programCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string viewerCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string statsCall(const Model &m, std::vector<const char *> &cmds, bool user);
    std::string interfaceCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind);
    std::string prefixCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string routeCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string naptCall(const Model &m, std::vector<const char *> &cmds, bool add);
    std::string wanCall(const Model &m, std::vector<const char *> &cmds, uint32_t kind);

    std::mt19937_64 rng_;
};

}  // namespace halsim::soak_detail

#endif
