#include "ftp/ftp_commands.h"

#include <cstring>

#include "frame/strings.h"
#include "ftp/ftp_session.h"
#include "ftp/core/ftp_text.h"
#include "net/socket.h"

FtpLineCommand::FtpLineCommand(AsyncSocket* owner, uint16_t type, uint16_t keywordId, const char* argument)
    : Command(owner, type), keywordId(keywordId), argument(64), sendable(true) {
    if (argument) {
        size_t n = std::strlen(argument);
        sendable = IsSafeLineText(argument, static_cast<uint32_t>(n)) &&
                   this->argument.Append(argument) == 1;
    }
}

uint16_t FtpLineCommand::BuildLine(TextBuffer& line) {
    char keyword[32];
    LoadResourceString(keywordId, keyword, sizeof keyword);
    return BuildCommandLine(line, keyword, argument.Text(), argument.length);
}

uint16_t FtpLineCommand::SendBuilt(TextBuffer& line) {
    if (!owner) return 0;
    return owner->SendLine(line.Text(), line.length, nullptr, 1);
}

uint16_t FtpLineCommand::Start() {
    if (!sendable) return 0;
    TextBuffer line(64);
    if (!BuildLine(line)) return 0;
    return SendBuilt(line);
}

UserCommand::UserCommand(AsyncSocket* owner, const char* user) : FtpLineCommand(owner, kUserCommand, kStrUser, user) {}
PassCommand::PassCommand(AsyncSocket* owner, const char* password)
    : FtpLineCommand(owner, kPassCommand, kStrPass, password) {}
QuitCommand::QuitCommand(AsyncSocket* owner) : FtpLineCommand(owner, kQuitCommand, kStrQuit, nullptr) {}
CwdCommand::CwdCommand(AsyncSocket* owner, const char* directory)
    : FtpLineCommand(owner, kCwdCommand, kStrCwd, directory) {}
MkdCommand::MkdCommand(AsyncSocket* owner, const char* directory)
    : FtpLineCommand(owner, kMkdCommand, kStrMkd, directory) {}

PasvCommand::PasvCommand(AsyncSocket* owner)
    : FtpLineCommand(owner, kPasvCommand, kStrPasv, nullptr), address(kNoAddress), port(0) {}

uint16_t PasvCommand::OnReply(const char* reply) {
    uint16_t parsedPort = 0;
    ParsePasvAddress(reply, reply ? static_cast<uint32_t>(std::strlen(reply)) : 0, &address, &parsedPort);
    port = static_cast<uint16_t>(port | parsedPort);
    return 1;
}

TypeCommand::TypeCommand(AsyncSocket* owner, char type, char second)
    : FtpLineCommand(owner, kTypeCommand, kStrType, nullptr), typeChar(type), second(second) {}

uint16_t TypeCommand::BuildLine(TextBuffer& line) {
    char keyword[32];
    LoadResourceString(keywordId, keyword, sizeof keyword);
    return BuildTypeLine(line, keyword, typeChar, second);
}

PwdCommand::PwdCommand(AsyncSocket* owner) : FtpLineCommand(owner, kPwdCommand, kStrPwd, nullptr) {}

uint16_t PwdCommand::OnReply(const char* reply) {
    TextBuffer directory(64);
    const bool named = reply && !static_cast<FtpSession*>(owner)->ReplyWasCut() &&
                       ParsePwdReply(reply, static_cast<uint32_t>(std::strlen(reply)), directory);
    owner->SendToOwner(kCodeDirectory, named ? reinterpret_cast<LPARAM>(directory.Text()) : 0);
    return 1;
}

uint16_t PwdCommand::OnNegativeReply(const char*) {
    owner->SendToOwner(kCodeDirectory, 0);
    return 1;
}
