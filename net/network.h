#ifndef ORBNET_NET_NETWORK_H
#define ORBNET_NET_NETWORK_H

#include <cstdint>

// Socket layer start and stop (the socket library is bound at run time).
extern uint16_t NetworkStartCount;
// Binds the socket library and registers the socket window class, once.
uint16_t StartNetwork();
// WSACleanup; with no user left also deletes every socket object, unregisters
// the class and releases the library. Always 1.
uint16_t StopNetwork(uint16_t remainingUsers);
// WSAStartup(0x0101) once more on the bound library; 1 when it succeeded.
uint16_t RepeatSocketStartup();

// The protocol log (see net/protocol_log.h).
void CloseProtocolLog();

#endif
