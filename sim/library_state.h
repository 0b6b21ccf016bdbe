// The library's own state seen from a host that restarts it without
// reloading it: tests and the fuzz target start each case from the state
// the library has when it is loaded.
#ifndef SIM_LIBRARY_STATE_H
#define SIM_LIBRARY_STATE_H

namespace halsim {

// Clears the installed hook tables and their flags, the protocol CAR
// records, the multicast user-count array (freed through the host), the
// port identity hooks, the debug command and switch, and empties the WAN
// statistics list (its nodes freed), as a host that has called
// QX_IFM_WanStatsInit.
void resetLibrary();

}  // namespace halsim

#endif
