#ifndef ORBNET_NET_NETWORK_H
#define ORBNET_NET_NETWORK_H

#include <cstdint>

// Socket layer start and stop (the socket library is bound at run time).
extern uint16_t NetworkStartCount;
uint16_t StartNetwork();
uint16_t StopNetwork(uint16_t remainingUsers);
// WSAStartup(0x0101) once more on the bound library; 1 when it succeeded.
uint16_t RepeatSocketStartup();

// The protocol log.
void CloseProtocolLog();

#endif
