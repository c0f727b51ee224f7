// PASV, PWD and preliminary (size) reply parsing, dotted quads, PORT
// arguments and command lines from arbitrary server or user text. The input
// is not terminated: nothing may read past its length.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "frame/core/text_buffer.h"
#include "ftp/core/ftp_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* line = reinterpret_cast<const char*>(data);
    uint32_t length = uint32_t(size);

    TextBuffer dotted;
    uint16_t port = 0;
    uint16_t parsed = ParsePasvReply(line, length, dotted, &port);
    if (!parsed && (dotted.length != 0 || port != 0)) __builtin_trap();
    if (parsed && (dotted.length < 7 || dotted.length > 15)) __builtin_trap();

    uint32_t address = 0;
    uint16_t port2 = 0;
    uint16_t valid = ParsePasvAddress(line, length, &address, &port2);
    if (valid != (address != kNoAddress)) __builtin_trap();
    if (port2 != (valid ? port : 0)) __builtin_trap();
    if (parsed && address != DottedQuadToAddress(dotted.Text(), dotted.length)) __builtin_trap();
    if (valid) {
        // The address goes back out as a PORT argument: six numbers, which
        // read back as a 227 reply, in either form, give the same.
        TextBuffer argument;
        if (!BuildPortArgument(address, port, argument)) __builtin_trap();
        int commas = 0;
        for (uint16_t i = 0; i < argument.length; ++i) commas += argument.data[i] == ',';
        if (commas != 5) __builtin_trap();
        const std::string forms[] = {"227 Entering Passive Mode (" + std::string(argument.Text()) + ").",
                                     "227 =" + std::string(argument.Text())};
        for (const std::string& again : forms) {
            uint32_t address3 = 0;
            uint16_t port3 = 0;
            if (!ParsePasvAddress(again.data(), uint32_t(again.size()), &address3, &port3)) __builtin_trap();
            if (address3 != address || port3 != port) __builtin_trap();
        }
    }
    DottedQuadToAddress(line, length);

    uint64_t announced = ParseTransferSize(line, length);
    if (announced != kUnknownSize) {
        if (length < 3 || line[0] != '1') __builtin_trap();
        const std::string digits = std::to_string(announced);
        if (std::string(line, length).find(digits) == std::string::npos) __builtin_trap();
    }

    TextBuffer directory;
    if (ParsePwdReply(line, length, directory)) {
        if (directory.length + 2u > length) __builtin_trap();
        // Written back as a server writes it (quotes doubled), it reads the same.
        std::string again = "257 \"";
        for (uint16_t i = 0; i < directory.length; ++i) {
            again += directory.data[i];
            if (directory.data[i] == '"') again += '"';
        }
        again += "\" is current.";
        TextBuffer reread;
        if (!ParsePwdReply(again.data(), uint32_t(again.size()), reread) || reread.length != directory.length ||
            std::memcmp(reread.Text(), directory.Text(), directory.length) != 0)
            __builtin_trap();
    }

    // Whatever the argument, a built command line holds exactly one line end.
    TextBuffer command;
    if (BuildCommandLine(command, "CWD ", line, length)) {
        const char* text = command.Text();
        for (uint16_t i = 0; i + 2 < command.length; ++i)
            if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0') __builtin_trap();
        if (command.length != 4 + length + 2) __builtin_trap();
    } else {
        if (command.length != 0) __builtin_trap();
        if (IsSafeLineText(line, length) && 4u + length + 2u + 1u <= TextBuffer::kMaxCapacity) __builtin_trap();
    }
    return 0;
}
