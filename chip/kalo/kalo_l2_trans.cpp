// Translation of a service flow's match rule and tag treatment into the
// chip's match rule and tag action. Both run ordered tables of conversion
// entries {condition, converter, values, destinations} from top to bottom:
// a later entry overwrites what an earlier one wrote.
#include <cstddef>
#include <iterator>
#include <utility>

#include "chip/kalo/kalo_common.h"
#include "chip/kalo/kalo_l2.h"
#include "platform/diag.h"

HAL_DIAG_SOURCE("kalo_l2", hal::kModuleL2);

namespace {

using Rule = HAL_L2_FLOW_RULE_S;
using Treat = HAL_L2_FLOW_TREAT_S;
using TagInfo = HAL_L2_FLOW_TAG_INFO_S;
using ChipRule = chip_flow_rule_s;
using ChipAct = chip_flow_act_s;
using Converter = uint32_t (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t);

constexpr uint32_t kNotWritten = 0xFFFFFFFFU;
constexpr uint32_t kAnyTagNum = 0xFFFFFFFFU;
constexpr uint32_t kVlanRemove = 5;   // host VLAN treatment: remove the tag
constexpr uint32_t kPriFromDscp = 4;  // host priority treatment: from a DSCP table
using kalo::kSourceNone;
using kalo::kSourceValue;
using kalo::kTagActNone;
using kalo::kTagActRemove;
using kalo::kTagActWrite;
using kalo::kTagActWriteAlt;

// Writes a u32 field of a chip record through the address a converter was
// handed as one of its five words.
void store(uintptr_t dst, uint32_t value)
{
    *reinterpret_cast<uint32_t *>(dst) = value;  // NOLINT(performance-no-int-to-ptr): converter words carry addresses
}

void put(uintptr_t dst, uint32_t value)
{
    if (dst != 0 && value != kNotWritten) {
        store(dst, value);
    }
}

// ---- Tag count -------------------------------------------------------------

struct TagNumRow {
    uint32_t tag_mode;
    uint32_t tag_type;
    uint32_t tag_num;
};

// Indexed by the rule's tagNum; a tagNum of 4 or more writes nothing.
constexpr TagNumRow kTagNum[] = {
    /* 0 */ {1, 0, kNotWritten},
    /* 1 */ {1, 1, 1},
    /* 2 */ {1, 1, 2},
    /* 3 */ {0, kNotWritten, kNotWritten},
};
// With "TARN_FT_TAG_TYPE" on, the chip is not told how many tags; a single
// tag matching VLAN ID 0 (a priority tag) is the exception.
constexpr TagNumRow kTagNumTagType[] = {
    /* 0 */ {1, 0, kNotWritten},
    /* 1 */ {1, 1, 0},
    /* 2 */ {1, 1, 0},
    /* 3 */ {0, kNotWritten, kNotWritten},
};
static_assert(std::size(kTagNum) == 4 && std::size(kTagNumTagType) == 4, "tagNum 0 to 3");

void applyTagNum(const TagNumRow &row, ChipRule &chip)
{
    put(reinterpret_cast<uintptr_t>(&chip.tag_mode), row.tag_mode);
    put(reinterpret_cast<uintptr_t>(&chip.tag_type), row.tag_type);
    put(reinterpret_cast<uintptr_t>(&chip.tag_num), row.tag_num);
}

// ---- Conversion entries ----------------------------------------------------

// One conversion entry. The converter gets the two values, then the
// addresses of the three destinations (0 for none) as its last three words.
template <typename In, typename Rec>
struct Entry {
    uint32_t tagNum;  // the rule's tagNum the entry is for, or kAnyTagNum
    bool (*when)(const In &);
    Converter convert;
    uint32_t (*first)(const In &);
    uint32_t (*second)(const In &);
    uint32_t Rec::*dst[3];
};

template <typename Rec>
uintptr_t addressOf(Rec &rec, uint32_t Rec::*field)
{
    return field != nullptr ? reinterpret_cast<uintptr_t>(&(rec.*field)) : 0;
}

// One entry of a table, its row a constant: the compiler sees which
// condition, values and converter it names and calls them directly.
template <const auto &Table, size_t I, typename In, typename Rec>
inline void runEntry(uint32_t tagNum, const In &in, Rec &rec)
{
    constexpr const auto &e = Table[I];
    if constexpr (e.tagNum != kAnyTagNum) {
        if (tagNum != e.tagNum) {
            return;
        }
    }
    if (e.when(in)) {
        (void)e.convert(e.first(in), e.second(in), addressOf(rec, e.dst[0]), addressOf(rec, e.dst[1]),
                        addressOf(rec, e.dst[2]));
    }
}

// Runs a table's entries from top to bottom, expanded at compile time.
template <const auto &Table, typename In, typename Rec, size_t... I>
inline void runEntries(uint32_t tagNum, const In &in, Rec &rec, std::index_sequence<I...> /*rows*/)
{
    (runEntry<Table, I>(tagNum, in, rec), ...);
}

template <const auto &Table, typename In, typename Rec>
inline void runEntries(uint32_t tagNum, const In &in, Rec &rec)
{
    runEntries<Table>(tagNum, in, rec, std::make_index_sequence<std::size(Table)>());
}

// Conditions and values read from a pair of per-slot bytes (tpidFilter,
// vlanTreat, ...) or from the tag values of a slot (filterInfo, treatInfo).
template <auto Pair, unsigned I, typename In>
bool on(const In &in)
{
    return (in.*Pair)[I] != 0;
}
template <auto Pair, typename In>
bool firstOnly(const In &in)
{
    return (in.*Pair)[0] != 0 && (in.*Pair)[1] == 0;
}
template <auto Pair, typename In>
bool both(const In &in)
{
    return (in.*Pair)[0] != 0 && (in.*Pair)[1] != 0;
}
template <auto Pair, unsigned I, uint32_t V, typename In>
bool is(const In &in)
{
    return (in.*Pair)[I] == V;
}
template <auto Pair, uint32_t V, typename In>
bool bothAre(const In &in)
{
    return (in.*Pair)[0] == V && (in.*Pair)[1] == V;
}
template <auto Pair, uint32_t V, typename In>
bool firstOnlyIs(const In &in)
{
    return (in.*Pair)[0] == V && (in.*Pair)[1] != V;
}

template <uint32_t V, typename In>
uint32_t lit(const In & /*in*/)
{
    return V;
}
template <auto Pair, unsigned I, typename In>
uint32_t code(const In &in)
{
    return (in.*Pair)[I];
}
template <auto Infos, auto Field, unsigned I, typename In>
uint32_t info(const In &in)
{
    return (in.*Infos)[I].*Field;
}

bool ethTypeOn(const Rule &r) { return r.ethTypeFilter != 0; }
bool ethTypeSelfDefined(const Rule &r) { return r.ethTypeFilter == 5; }
uint32_t ethType(const Rule &r) { return r.ethTypeFilter; }
uint32_t selfDefEthType(const Rule &r) { return r.SelfDefEthType; }

// ---- Match entries ---------------------------------------------------------

template <unsigned I>
constexpr auto fTpid = &info<&Rule::filterInfo, &TagInfo::tpid, I, Rule>;
template <unsigned I>
constexpr auto fVlan = &info<&Rule::filterInfo, &TagInfo::vlanID, I, Rule>;
template <unsigned I>
constexpr auto fPri = &info<&Rule::filterInfo, &TagInfo::pri, I, Rule>;

using MatchEntry = Entry<Rule, ChipRule>;
constexpr auto kDefault = &PDT_L2M_DefaultConverter;
constexpr auto kOne = &lit<1, Rule>;

// The mode word gets 1, the value word the rule's value. With one tag, slot 0
// is the outer tag; with two, slot 0 is the inner and slot 1 the outer tag.
// clang-format off
constexpr MatchEntry kMatchEntries[] = {
    /*  0 */ {kAnyTagNum, ethTypeOn, kDefault, kOne, ethType,
              {nullptr, &ChipRule::etype_mode, &ChipRule::etype}},
    /*  1 */ {kAnyTagNum, ethTypeSelfDefined, kDefault, kOne, selfDefEthType,
              {nullptr, &ChipRule::etype_mode, &ChipRule::etype_selfdefine}},
    /*  2 */ {1, on<&Rule::vlanFilter, 0>, kDefault, kOne, fVlan<0>,
              {nullptr, &ChipRule::svlan_mode, &ChipRule::svlan}},
    /*  3 */ {2, on<&Rule::vlanFilter, 0>, kDefault, kOne, fVlan<0>,
              {nullptr, &ChipRule::cvlan_mode, &ChipRule::cvlan}},
    /*  4 */ {2, on<&Rule::vlanFilter, 1>, kDefault, kOne, fVlan<1>,
              {nullptr, &ChipRule::svlan_mode, &ChipRule::svlan}},
    /*  5 */ {1, on<&Rule::priFilter, 0>, kDefault, kOne, fPri<0>,
              {nullptr, &ChipRule::spri_mode, &ChipRule::spri}},
    /*  6 */ {2, on<&Rule::priFilter, 0>, kDefault, kOne, fPri<0>,
              {nullptr, &ChipRule::cpri_mode, &ChipRule::cpri}},
    /*  7 */ {2, on<&Rule::priFilter, 1>, kDefault, kOne, fPri<1>,
              {nullptr, &ChipRule::spri_mode, &ChipRule::spri}},
    /*  8 */ {1, on<&Rule::tpidFilter, 0>, kDefault, kOne, fTpid<0>,
              {nullptr, &ChipRule::stpid_mode, &ChipRule::stpid}},
    /*  9 */ {2, on<&Rule::tpidFilter, 0>, kDefault, kOne, fTpid<0>,
              {nullptr, &ChipRule::ctpid_mode, &ChipRule::ctpid}},
    /* 10 */ {2, on<&Rule::tpidFilter, 1>, kDefault, kOne, fTpid<1>,
              {nullptr, &ChipRule::stpid_mode, &ChipRule::stpid}},
};
// clang-format on
static_assert(std::size(kMatchEntries) == 11, "eleven match entries");

// ---- Action entries --------------------------------------------------------

constexpr auto V = &Treat::vlanTreat;
constexpr auto P = &Treat::priTreat;
constexpr auto TP = &Treat::tpidTreat;
template <unsigned I>
constexpr auto vlanCode = &code<V, I, Treat>;
template <unsigned I>
constexpr auto priCode = &code<P, I, Treat>;
template <unsigned I>
constexpr auto tVlan = &info<&Treat::treatInfo, &TagInfo::vlanID, I, Treat>;
template <unsigned I>
constexpr auto tPri = &info<&Treat::treatInfo, &TagInfo::pri, I, Treat>;
template <unsigned I>
constexpr auto tTpid = &info<&Treat::treatInfo, &TagInfo::tpid, I, Treat>;
template <unsigned I>
constexpr auto tDscp = &info<&Treat::treatInfo, &TagInfo::DscpTblId, I, Treat>;
template <uint32_t N>
constexpr auto k = &lit<N, Treat>;

using ActEntry = Entry<Treat, ChipAct>;
constexpr auto kVlan = &PDT_L2M_GetVlan;
constexpr auto kPri = &PDT_L2M_GetPri;
constexpr uint32_t ChipAct::*kNone = nullptr;

// A VLAN conversion writes tag_act, a VLAN source and value; a priority
// conversion a priority source and value.
// clang-format off
constexpr ActEntry kActEntries[] = {
    /*  0 */ {0, firstOnly<V>, kVlan, vlanCode<0>, tVlan<0>,
              {&ChipAct::tag_act, &ChipAct::svlan_source, &ChipAct::svlan}},
    /*  1 */ {0, both<V>, kDefault, k<kTagActWrite>, k<2>,
              {kNone, &ChipAct::tag_act, &ChipAct::tag_layer_num}},
    /*  2 */ {0, both<V>, kDefault, k<kSourceValue>, tVlan<0>,
              {kNone, &ChipAct::cvlan_source, &ChipAct::cvlan}},
    /*  3 */ {0, both<V>, kDefault, k<kSourceValue>, tVlan<1>,
              {kNone, &ChipAct::svlan_source, &ChipAct::svlan}},
    /*  4 */ {1, on<V, 0>, kVlan, vlanCode<0>, tVlan<0>,
              {&ChipAct::tag_act, &ChipAct::svlan_source, &ChipAct::svlan}},
    /*  5 */ {2, on<V, 0>, kVlan, vlanCode<0>, tVlan<0>,
              {&ChipAct::tag_act, &ChipAct::cvlan_source, &ChipAct::cvlan}},
    /*  6 */ {2, on<V, 1>, kVlan, vlanCode<1>, tVlan<1>,
              {&ChipAct::tag_act, &ChipAct::svlan_source, &ChipAct::svlan}},
    /*  7 */ {2, bothAre<V, kVlanRemove>, kDefault, k<kTagActRemove>, k<2>,
              {kNone, &ChipAct::tag_act, &ChipAct::tag_layer_num}},
    /*  8 */ {0, firstOnly<P>, kPri, priCode<0>, tPri<0>,
              {kNone, &ChipAct::spri_source, &ChipAct::spri}},
    /*  9 */ {0, both<P>, kDefault, k<kSourceValue>, tPri<0>,
              {kNone, &ChipAct::cpri_source, &ChipAct::cpri}},
    /* 10 */ {0, both<P>, kDefault, k<kSourceValue>, tPri<1>,
              {kNone, &ChipAct::spri_source, &ChipAct::spri}},
    /* 11 */ {1, on<P, 0>, kPri, priCode<0>, tPri<0>,
              {kNone, &ChipAct::spri_source, &ChipAct::spri}},
    /* 12 */ {2, on<P, 0>, kPri, priCode<0>, tPri<0>,
              {kNone, &ChipAct::cpri_source, &ChipAct::cpri}},
    /* 13 */ {2, on<P, 1>, kPri, priCode<1>, tPri<1>,
              {kNone, &ChipAct::spri_source, &ChipAct::spri}},
    /* 14 */ {1, both<P>, kPri, priCode<0>, tPri<0>,
              {kNone, &ChipAct::cpri_source, &ChipAct::cpri}},
    /* 15 */ {1, both<P>, kPri, priCode<1>, tPri<1>,
              {kNone, &ChipAct::spri_source, &ChipAct::spri}},
    /* 16 */ {0, firstOnlyIs<P, kPriFromDscp>, kDefault, k<0>, tDscp<0>,
              {kNone, kNone, &ChipAct::spri_map_id}},
    /* 17 */ {0, bothAre<P, kPriFromDscp>, kDefault, tDscp<0>, tDscp<1>,
              {kNone, &ChipAct::cpri_map_id, &ChipAct::spri_map_id}},
    /* 18 */ {1, is<P, 0, kPriFromDscp>, kDefault, k<0>, tDscp<0>,
              {kNone, kNone, &ChipAct::spri_map_id}},
    /* 19 */ {2, is<P, 0, kPriFromDscp>, kDefault, k<0>, tDscp<0>,
              {kNone, kNone, &ChipAct::cpri_map_id}},
    /* 20 */ {2, is<P, 1, kPriFromDscp>, kDefault, k<0>, tDscp<1>,
              {kNone, kNone, &ChipAct::spri_map_id}},
    /* 21 */ {0, firstOnly<TP>, kDefault, k<kSourceValue>, tTpid<0>,
              {kNone, &ChipAct::stpid_source, &ChipAct::stpid}},
    /* 22 */ {0, both<TP>, kDefault, k<kSourceValue>, tTpid<0>,
              {kNone, &ChipAct::ctpid_source, &ChipAct::ctpid}},
    /* 23 */ {0, both<TP>, kDefault, k<kSourceValue>, tTpid<1>,
              {kNone, &ChipAct::stpid_source, &ChipAct::stpid}},
    /* 24 */ {1, on<TP, 0>, kDefault, k<kSourceValue>, tTpid<0>,
              {kNone, &ChipAct::stpid_source, &ChipAct::stpid}},
    /* 25 */ {2, on<TP, 0>, kDefault, k<kSourceValue>, tTpid<0>,
              {kNone, &ChipAct::ctpid_source, &ChipAct::ctpid}},
    /* 26 */ {2, on<TP, 1>, kDefault, k<kSourceValue>, tTpid<1>,
              {kNone, &ChipAct::stpid_source, &ChipAct::stpid}},
    /* 27 */ {1, both<V>, kVlan, vlanCode<0>, tVlan<0>,
              {&ChipAct::tag_act, &ChipAct::cvlan_source, &ChipAct::cvlan}},
    /* 28 */ {1, both<V>, kVlan, vlanCode<1>, tVlan<1>,
              {&ChipAct::tag_act, &ChipAct::svlan_source, &ChipAct::svlan}},
};
// clang-format on
static_assert(std::size(kActEntries) == 29, "29 action entries");

// VLAN treatment codes: tag action, VLAN source, and whether the VLAN value
// is written. Codes 6 and 9 and above write nothing.
struct VlanRow {
    uint32_t tag_act;
    uint32_t source;
    bool value;
};
constexpr VlanRow kVlanTreat[] = {
    /* 0 */ {kTagActNone, kSourceNone, false},
    /* 1 */ {kTagActWriteAlt, kSourceValue, true},
    /* 2 */ {kTagActWrite, kSourceValue, true},
    /* 3 */ {kTagActWrite, 4, false},
    /* 4 */ {kTagActWrite, 3, false},
    /* 5 */ {kTagActRemove, kNotWritten, false},
    /* 6 */ {kNotWritten, kNotWritten, false},
    /* 7 */ {kTagActWriteAlt, 4, false},
    /* 8 */ {kTagActWriteAlt, 3, false},
};

// Priority treatment codes: priority source, and whether the value is
// written. Codes 8 and above write nothing.
struct PriRow {
    uint32_t source;
    bool value;
};
constexpr PriRow kPriTreat[] = {
    /* 0 */ {kSourceNone, false},
    /* 1 */ {kSourceValue, true},
    /* 2 */ {4, false},
    /* 3 */ {3, false},
    /* 4 */ {5, false},  // the slot's DscpTblId goes to a map id
    /* 5 */ {6, true},
    /* 6 */ {7, false},
    /* 7 */ {8, true},
};

}  // namespace

extern "C" {

// ---- Match rule --------------------------------------------------------------

void PDT_L2M_TagNumTrans(uint32_t tagNum, const HAL_L2_FLOW_RULE_S *rule, chip_flow_rule_s *chipRule)
{
    if (QX_Feature_IsSupportByFeatureName("TARN_FT_TAG_TYPE") == 1) {
        PDT_L2M_TagNumTransTagType(tagNum, rule, chipRule);
        return;
    }
    if (chipRule != nullptr && tagNum < std::size(kTagNum)) {
        applyTagNum(kTagNum[tagNum], *chipRule);
    }
}

void PDT_L2M_TagNumTransTagType(uint32_t tagNum, const HAL_L2_FLOW_RULE_S *rule, chip_flow_rule_s *chipRule)
{
    if (chipRule == nullptr || tagNum >= std::size(kTagNumTagType)) {
        return;
    }
    applyTagNum(kTagNumTagType[tagNum], *chipRule);
    if (tagNum == 1 && rule != nullptr && rule->vlanFilter[0] != 0 && rule->filterInfo[0].vlanID == 0) {
        chipRule->tag_num = 1;
    }
}

uint32_t PDT_L2M_FlowRuleTrans(const HAL_L2_FLOW_RULE_S *rule, chip_flow_rule_s *chipRule)
{
    if (rule == nullptr || chipRule == nullptr) {
        return 0;
    }
    runEntries<kMatchEntries>(rule->tagNum, *rule, *chipRule);
    if (rule->macFilter != 0) {
        chipRule->mac_mode = 1;
        const int ret = memcpy_s(chipRule->mac, sizeof(chipRule->mac), rule->macAddr, sizeof(rule->macAddr));
        if (ret != 0) {
            lastWord(535, static_cast<uint32_t>(ret), 0, 0, 0, 0);
        }
        chipRule->mac_mask = static_cast<uint16_t>(48U - rule->macMaskLen);
    }
    return 0;
}

uint32_t PDT_L2M_DefaultConverter(uintptr_t first, uintptr_t second, uintptr_t /*unused*/, uintptr_t firstDst,
                                  uintptr_t secondDst)
{
    if (firstDst != 0) {
        store(firstDst, static_cast<uint32_t>(first));
    }
    if (secondDst != 0) {
        store(secondDst, static_cast<uint32_t>(second));
    }
    return 0;
}

// ---- Tag action --------------------------------------------------------------

uint32_t PDT_L2M_GetVlan(uintptr_t vlanTreat, uintptr_t vlanId, uintptr_t tagActDst, uintptr_t sourceDst,
                         uintptr_t vlanDst)
{
    if (vlanTreat >= std::size(kVlanTreat)) {
        return 0;
    }
    const VlanRow &row = kVlanTreat[vlanTreat];
    put(tagActDst, row.tag_act);
    put(sourceDst, row.source);
    if (row.value) {
        put(vlanDst, static_cast<uint32_t>(vlanId));
    }
    return 0;
}

uint32_t PDT_L2M_GetPri(uintptr_t priTreat, uintptr_t pri, uintptr_t /*unused*/, uintptr_t sourceDst, uintptr_t priDst)
{
    if (priTreat >= std::size(kPriTreat)) {
        return 0;
    }
    const PriRow &row = kPriTreat[priTreat];
    put(sourceDst, row.source);
    if (row.value) {
        put(priDst, static_cast<uint32_t>(pri));
    }
    return 0;
}

uint32_t PDT_L2M_FlowActTrans(const HAL_L2_FLOW_RULE_S *rule, const HAL_L2_FLOW_TREAT_S *treat, chip_flow_act_s *act)
{
    if (rule == nullptr || treat == nullptr || act == nullptr) {
        return 0;
    }
    runEntries<kActEntries>(rule->tagNum, *treat, *act);
    return PDT_L2M_FlowActSpecAdpt(rule, treat, act);
}

// A double-tagged rule whose outer tag is removed keeps the inner tag's
// treatment: it now applies to what becomes the outer tag.
uint32_t PDT_L2M_FlowActSpecAdpt(const HAL_L2_FLOW_RULE_S *rule, const HAL_L2_FLOW_TREAT_S *treat, chip_flow_act_s *act)
{
    if (rule == nullptr || treat == nullptr || act == nullptr) {
        return 0;
    }
    if (treat->vlanTreat[1] == kVlanRemove && treat->vlanTreat[0] != kVlanRemove && rule->tagNum == 2) {
        act->svlan_source = act->cvlan_source;
        act->svlan = act->cvlan;
        act->spri_source = act->cpri_source;
        act->spri = act->cpri;
        act->spri_map_id = act->cpri_map_id;
        act->stpid_source = act->ctpid_source;
        act->stpid = act->ctpid;
        act->cvlan_source = kSourceNone;
        act->cpri_source = kSourceNone;
        act->ctpid_source = kSourceNone;
    }
    return 0;
}

// Upstream priority: a network-side port keeps the priority it matched when
// the treatment does not set one.
uint32_t PDT_L2M_FlowAdpt(const HAL_L2_FLOW_S *flow, chip_flow_in_s *in)
{
    if (flow == nullptr || in == nullptr) {
        return 0;
    }
    const Rule &rule = flow->stInRule;
    const Treat &treat = flow->stInTreat;
    chip_flow_act_s &act = in->in_act;
    if (rule.tagNum == 1 && treat.priTreat[0] == 2) {
        act.spri_source = 3;
    }
    if (rule.tagNum == 0 && treat.vlanTreat[0] == 2 && treat.treatInfo[0].pri == 0 && treat.priTreat[0] == 1) {
        act.spri_source = kSourceNone;
    }
    if (PDT_L2M_IsNni(flow->CtpId) == 0) {
        return 0;
    }
    if (rule.tagNum == 1 && rule.priFilter[0] != 0 && treat.priTreat[0] == 0) {
        act.spri_source = kSourceValue;
        act.spri = rule.filterInfo[0].pri;
    }
    if (rule.tagNum == 2 && rule.priFilter[1] != 0 && treat.priTreat[1] == 0) {
        act.spri_source = kSourceValue;
        act.spri = rule.filterInfo[1].pri;
    }
    return 1;
}

}  // extern "C"
