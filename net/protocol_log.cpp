#include "net/protocol_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "frame/strings.h"

namespace {

FILE* ProtocolLog = nullptr;
// A conversation's log is bounded (a server may send without end): lines are
// cut after kMaxLogLine bytes, and after kMaxLogBytes one line says that the
// rest is left out.
constexpr uint32_t kMaxLogBytes = 1024 * 1024;
constexpr uint32_t kMaxLogLine = 1024;
const char kLineCut[] = " [...]";
const char kLogFull[] = "--- the rest of this conversation is not logged\r\n";
uint32_t LoggedBytes = 0;
uint32_t LineLength = 0;  // bytes of the current line so far
bool LineCut = false;
bool LogFull = false;

void Put(const char* bytes, uint32_t count) {
    if (count == 0) return;
    std::fwrite(bytes, 1, count, ProtocolLog);
    LoggedBytes += count;
}
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
    LoggedBytes = 0;
    LineLength = 0;
    LineCut = false;
    LogFull = false;
    return ProtocolLog ? 1 : 0;
}

void CloseProtocolLog() {
    if (!ProtocolLog) return;
    std::fclose(ProtocolLog);
    ProtocolLog = nullptr;
}

bool ProtocolLogOpen() { return ProtocolLog != nullptr; }

void WriteLog(const char* bytes, uint16_t length) {
    if (!ProtocolLog || !bytes || LogFull) return;
    uint32_t left = Measure(bytes, length);
    while (left > 0) {
        if (LoggedBytes >= kMaxLogBytes) {
            LogFull = true;
            std::fwrite(kLogFull, 1, sizeof kLogFull - 1, ProtocolLog);
            break;
        }
        const char* end = static_cast<const char*>(std::memchr(bytes, '\n', left));
        uint32_t text = end ? static_cast<uint32_t>(end - bytes) : left;
        uint32_t room = LineLength < kMaxLogLine ? kMaxLogLine - LineLength : 0;
        uint32_t kept = text < room ? text : room;
        Put(bytes, kept);
        LineLength += kept;
        if (kept < text && !LineCut) {
            LineCut = true;
            Put(kLineCut, sizeof kLineCut - 1);
        }
        if (!end) break;
        Put("\n", 1);
        LineLength = 0;
        LineCut = false;
        bytes = end + 1;
        left -= text + 1;
    }
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
