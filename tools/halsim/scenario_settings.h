// The host settings and the traffic a scenario file gives, by name: each
// line's KEY=VALUE pairs applied to the stand-in host or the simulated
// chip. halsim checks a line while it reads the file by applying it to a
// host and a chip of its own, so a misspelt key stops the file before it
// runs.
#ifndef TOOLS_HALSIM_SCENARIO_SETTINGS_H
#define TOOLS_HALSIM_SCENARIO_SETTINGS_H

#include <string>
#include <vector>

#include "driver.h"
#include "host.h"
#include "scenario_file.h"

namespace halsim {

// host SETTING KEY=VALUE...:
//   feature NAME=V          QX_Feature_IsSupportByFeatureName(NAME) answers V
//   pdattr ID=V             QX_DM_PDGetAttr(ID) reads V
//   chipattr ID=V           QX_DM_ChipGetAttr(ID) reads V
//   trace MODULE=FLAG       QX_DIA_GetTraceFlag(MODULE) answers FLAG
//   port USERPORT=CHIPPORT  the topology's chip port of a user port
//   uplink port=P           the current uplink user port
//   netrole CTP=ROLE        L2M_Ctp_GetNetRole
//   l2mctp type=T port=P ctp=C  L2M_Ctp_GetIdByPrototype
//   session exists=E flag=F the configuration database's IPv4 session flag
//   autoselect value=V      L2M_PTP_IsSupportAutoSelect
bool applyHostSetting(Host &h, const std::string &setting, const std::vector<Pair> &pairs, std::string &error);

// traffic KIND KEY=VALUE...: counters of the chip advance.
//   tci type=T mask=M vlan=V pri=P rcvFrames= rcvOctets= sendFrames= sendOctets=
//   dfx flow=F frames= octets=
//   wan type=T vlan=V rcvUnicast= rcvMulticast= rcvBroadcast= rcvPackets= rcvOctets=
//       sendUnicast= sendMulticast= sendBroadcast= sendPackets= sendOctets=
//   group group=G frames= octets=
//   em octets=
//   mac mask=M vlan=V novlan=0|1 mac=AA:BB:CC:DD:EE:FF kind=K   (an entry the chip learnt)
// counted says whether the chip holds the counter (or took the entry).
bool applyTraffic(ChipModel &chip, const std::string &kind, const std::vector<Pair> &pairs, bool &counted,
                  std::string &error);

// Applies a host, refuse, fail or traffic line (any other line does
// nothing) to the host and the chip; false for traffic the chip holds no
// counter for.
bool applyLine(Host &h, ChipModel &chip, const ScenarioLine &l);

}  // namespace halsim

#endif
