// PASV and PWD reply parsing, dotted quads, PORT arguments and command lines
// from arbitrary server or user text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "frame/text_buffer.h"
#include "ftp/ftp_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* line = reinterpret_cast<const char*>(data);
    uint32_t length = uint32_t(size);

    TextBuffer dotted;
    uint16_t port = 0;
    uint16_t paren = ParsePasvReply(line, length, dotted, &port);
    if (!paren && (dotted.length != 0 || port != 0)) __builtin_trap();
    if (dotted.length > length) __builtin_trap();

    uint32_t address = 0;
    uint16_t port2 = 0;
    uint16_t valid = ParsePasvAddress(line, length, &address, &port2);
    if (port2 != port) __builtin_trap();
    if (valid) {
        if (address != DottedQuadToAddress(dotted.Text(), dotted.length)) __builtin_trap();
        // The address goes back out as a PORT argument: six numbers.
        TextBuffer argument;
        if (!BuildPortArgument(address, port, argument)) __builtin_trap();
        int commas = 0;
        for (uint16_t i = 0; i < argument.length; ++i) commas += argument.data[i] == ',';
        if (commas != 5) __builtin_trap();
    }
    DottedQuadToAddress(line, length);

    TextBuffer directory;
    if (ParsePwdReply(line, length, directory)) {
        if (directory.length + 2u > length || std::memchr(directory.Text(), '"', directory.length)) __builtin_trap();
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
