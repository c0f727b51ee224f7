#include "net/network.h"

uint16_t NetworkStartCount = 0;

uint16_t StartNetwork() { return 0; }
uint16_t StopNetwork(uint16_t) { return 1; }
uint16_t RepeatSocketStartup() { return 0; }
void CloseProtocolLog() {}
