#ifndef ORBNET_NET_PROTOCOL_LOG_H
#define ORBNET_NET_PROTOCOL_LOG_H

#include <cstdint>

// "orbnet.log" in the temporary directory, emptied on each opening. Every
// writer does nothing while the log is not open.

// 1 when this call opened the log; 0 when it was already open or cannot be.
uint16_t OpenProtocolLog();
void CloseProtocolLog();
bool ProtocolLogOpen();
// Writes length bytes as they are (0: up to the terminating zero).
void WriteLog(const char* bytes, uint16_t length);
// "--> " and the line (which carries its own line end); a line that starts
// with "PASS " is written masked.
void LogOutgoingLine(const char* line, uint16_t length);
// "<-- ", the line (0: up to its terminator) and lineEnd.
void LogIncomingLine(const char* line, uint16_t length, const char* lineEnd = "\r\n");

#endif
