#include "net/protocol_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "frame/strings.h"

namespace {

FILE* ProtocolLog = nullptr;
constexpr DWORD kTempPathSize = 256;
constexpr char kPassword[] = "PASS ";
constexpr size_t kPasswordLength = sizeof kPassword - 1;

void WriteString(uint16_t id) {
    char text[kStringArraySize];
    int n = LoadResourceString(id, text, sizeof text);
    if (n > 0) WriteLog(text, static_cast<uint16_t>(n));
}

uint16_t Measure(const char* text, uint16_t length) {
    if (length != 0) return length;
    size_t n = std::strlen(text);
    return static_cast<uint16_t>(n > 0xFFFF ? 0xFFFF : n);
}

}  // namespace

uint16_t OpenProtocolLog() {
    if (ProtocolLog) return 0;
    char dir[kTempPathSize];
    DWORD n = GetTempPathA(kTempPathSize, dir);
    if (n == 0 || n >= kTempPathSize) return 0;
    TextBuffer path(64);
    path.Append(dir, n);
    if (dir[n - 1] != '\\') path.Append("\\");
    AppendFormatted(path, kStrLogFile, 0);
    ProtocolLog = std::fopen(path.Text(), "wb");
    return ProtocolLog ? 1 : 0;
}

void CloseProtocolLog() {
    if (!ProtocolLog) return;
    std::fclose(ProtocolLog);
    ProtocolLog = nullptr;
}

bool ProtocolLogOpen() { return ProtocolLog != nullptr; }

void WriteLog(const char* bytes, uint16_t length) {
    if (!ProtocolLog || !bytes) return;
    length = Measure(bytes, length);
    if (length == 0) return;
    std::fwrite(bytes, 1, length, ProtocolLog);
    std::fflush(ProtocolLog);
}

void LogOutgoingLine(const char* line, uint16_t length) {
    if (!ProtocolLog || !line) return;
    length = Measure(line, length);
    WriteString(kStrLogOut);
    if (length >= kPasswordLength && std::memcmp(line, kPassword, kPasswordLength) == 0)
        WriteString(kStrLogPass);
    else
        WriteLog(line, length);
}

void LogIncomingLine(const char* line, uint16_t length, const char* lineEnd) {
    if (!ProtocolLog || !line) return;
    WriteString(kStrLogIn);
    WriteLog(line, Measure(line, length));
    WriteLog(lineEnd, 0);
}
