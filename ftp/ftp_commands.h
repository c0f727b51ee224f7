#ifndef ORBNET_FTP_FTP_COMMANDS_H
#define ORBNET_FTP_FTP_COMMANDS_H

#include <cstdint>

#include "frame/core/text_buffer.h"
#include "net/command.h"

// An FTP control command: one line built from a keyword of the library's
// string table, an argument and "\r\n", sent with logging.
class FtpLineCommand : public Command {
public:
    FtpLineCommand(AsyncSocket* owner, uint16_t type, uint16_t keywordId, const char* argument);
    uint16_t Start() override;
    // An argument with CR, LF (or that could not be stored) never goes out.
    bool Sendable() const { return sendable; }

    uint16_t keywordId;
    TextBuffer argument;
    bool sendable;

protected:
    // Builds the line into `line`; false when it must not be sent.
    virtual uint16_t BuildLine(TextBuffer& line);
    uint16_t SendBuilt(TextBuffer& line);
};

class UserCommand : public FtpLineCommand {
public:
    UserCommand(AsyncSocket* owner, const char* user);
};

class PassCommand : public FtpLineCommand {
public:
    PassCommand(AsyncSocket* owner, const char* password);
};

class QuitCommand : public FtpLineCommand {
public:
    explicit QuitCommand(AsyncSocket* owner);
};

class CwdCommand : public FtpLineCommand {
public:
    CwdCommand(AsyncSocket* owner, const char* directory);
};

class MkdCommand : public FtpLineCommand {
public:
    MkdCommand(AsyncSocket* owner, const char* directory);
};

// PASV; its reply gives the data connection's address and port.
class PasvCommand : public FtpLineCommand {
public:
    explicit PasvCommand(AsyncSocket* owner);
    uint16_t OnReply(const char* reply) override;

    uint32_t address;  // network order; all ones until known
    uint16_t port;     // host order
};

// TYPE with one or two type characters ("TYPE I", "TYPE A N").
class TypeCommand : public FtpLineCommand {
public:
    TypeCommand(AsyncSocket* owner, char type, char second = 0);

    char typeChar;
    char second;

protected:
    uint16_t BuildLine(TextBuffer& line) override;
};

// PWD; sends the directory of its reply to the owner (code 103). A reply
// that names none (refused, without its quotes, cut) does not stop the
// conversation: the owner gets code 103 without a text and keeps its own
// idea of where it is.
class PwdCommand : public FtpLineCommand {
public:
    explicit PwdCommand(AsyncSocket* owner);
    uint16_t OnReply(const char* reply) override;
    uint16_t OnNegativeReply(const char* reply) override;
};

#endif
