// host_state.cpp — the one HostState of the process.
#include "host/host_state.h"

HostState Host;

void ResetHostState() {
    Host = HostState{};
}
