// The simulated driver's protocol-packet flows with their CAR profiles and
// bindings, and the diagnostic flows with their counters. A binding ties a
// profile to a flow: both must exist to bind, and neither goes while bound.
#include <algorithm>

#include "driver_rules.h"

namespace halsim::drv {

namespace {

bool profileBound(const ChipTables &t, uint32_t carId)
{
    return std::any_of(t.carBindings.begin(), t.carBindings.end(),
                       [carId](const auto &binding) { return binding.second == carId; });
}

// The diagnostic flow of id, or null.
DfxFlow *dfxFlow(Context &c, uint32_t id)
{
    auto it = c.t.dfxFlows.find(id);
    return it != c.t.dfxFlows.end() ? &it->second : nullptr;
}

}  // namespace

// ---- Protocol-packet flows ---------------------------------------------------------

uint32_t on(Context &c, Tag<Cmd::PDU_ADD_FLOW> /*cmd*/, const PduFlowRecord &req)
{
    return addEntry(c.t.pduFlows, req.flow_id, req);
}

uint32_t on(Context &c, Tag<Cmd::PDU_DEL_FLOW> /*cmd*/, const Word &req)
{
    if (c.t.carBindings.count(req.value) != 0) {
        return kInUse;
    }
    return removeEntry(c.t.pduFlows, req.value);
}

uint32_t on(Context &c, Tag<Cmd::PDU_ADD_CAR> /*cmd*/, const PduCarRequest &req)
{
    return addEntry(c.t.carProfiles, req.car_id, req);
}

uint32_t on(Context &c, Tag<Cmd::PDU_BIND_CAR> /*cmd*/, const PduCarBind &req)
{
    if (c.t.carProfiles.count(req.car_id) == 0 || c.t.pduFlows.count(req.flow_id) == 0) {
        return kNotFound;
    }
    return addEntry(c.t.carBindings, req.flow_id, req.car_id);
}

// Releases the binding of the flow the word names. Releasing a CAR the
// driver does not hold is not an error: a rule whose CAR profile or binding
// was refused is removed with the same release, delete and removal as any
// other, and each must go through.
uint32_t on(Context &c, Tag<Cmd::PDU_UNBIND_CAR> /*cmd*/, const Word &req)
{
    c.t.carBindings.erase(req.value);
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::PDU_DEL_CAR> /*cmd*/, const Word &req)
{
    if (profileBound(c.t, req.value)) {
        return kInUse;
    }
    c.t.carProfiles.erase(req.value);
    return 0;
}

// ---- Diagnostic flows: counted once configured and switched on ------------------------------

uint32_t on(Context &c, Tag<Cmd::DFX_ADD_FLOW> /*cmd*/, const DfxFlowRecord &req)
{
    DfxFlow flow;
    flow.flow = req;
    return addEntry(c.t.dfxFlows, req.flow_id, flow);
}

uint32_t on(Context &c, Tag<Cmd::DFX_DEL_FLOW> /*cmd*/, const Word &req)
{
    return removeEntry(c.t.dfxFlows, req.value);
}

uint32_t on(Context &c, Tag<Cmd::DFX_SET_CNT> /*cmd*/, const DfxFlowCntConfig &req)
{
    DfxFlow *flow = dfxFlow(c, req.flow_id);
    if (flow == nullptr) {
        return kNotFound;
    }
    flow->counting = req;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::DFX_SWITCH_CNT> /*cmd*/, const DfxFlowCntSwitch &req)
{
    if (!isSwitch(req.enable)) {
        return kBadValue;
    }
    DfxFlow *flow = dfxFlow(c, req.flow_id);
    if (flow == nullptr) {
        return kNotFound;
    }
    flow->countingOn = req.enable == 1;
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::DFX_GET_CNT> /*cmd*/, const Word &req, HAL_DFX_FLOW_CNT_S &reply)
{
    const DfxFlow *flow = dfxFlow(c, req.value);
    if (flow == nullptr) {
        return kNotFound;
    }
    std::copy(flow->counters.begin(), flow->counters.end(), std::begin(reply.auiCounter));
    return 0;
}

uint32_t on(Context &c, Tag<Cmd::DFX_CLR_CNT> /*cmd*/, const Word &req)
{
    DfxFlow *flow = dfxFlow(c, req.value);
    if (flow == nullptr) {
        return kNotFound;
    }
    flow->counters = DfxCounters{};
    return 0;
}

}  // namespace halsim::drv
