#ifndef ORBNET_FTP_FTP_TEXT_H
#define ORBNET_FTP_FTP_TEXT_H

#include <cstdint>

#include "frame/core/text_buffer.h"

// The address that means "none": all ones.
constexpr uint32_t kNoAddress = 0xFFFFFFFFu;

// Parses a 227 reply: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)". With
// a "(", the numbers follow the first one, up to ")" or the end of the line;
// without one, they are the first run of digits after the 3-digit code
// ("227 =h1,...,p2", "227 Entering Passive Mode h1,...,p2"). Each of the six
// must be a plain decimal 0-255 of 1-3 digits (blanks around it allowed).
// On success 1, dotted "h1.h2.h3.h4" and *port p1*256+p2. Otherwise (a number
// missing, above 255, signed or with anything else in it) 0, dotted empty
// and *port 0.
uint16_t ParsePasvReply(const char* line, uint32_t length, TextBuffer& dotted, uint16_t* port);

// Strict dotted quad "a.b.c.d" (four decimal numbers 0-255 of 1-3 digits) to
// a 32-bit address in network order; kNoAddress for anything else.
uint32_t DottedQuadToAddress(const char* text, uint32_t length);

// ParsePasvReply and DottedQuadToAddress in one: *address is kNoAddress and
// *port 0 when the reply gives no valid address. Returns 1 when *address is
// valid.
uint16_t ParsePasvAddress(const char* line, uint32_t length, uint32_t* address, uint16_t* port);

// The size that means "not announced".
constexpr uint64_t kUnknownSize = ~0ull;

// The file size a preliminary reply announces, e.g. "150 Opening BINARY mode
// data connection for a.bin (3145728 bytes)." gives 3145728. The line must
// begin with "1" and two more digits; the size is the number of the last
// group "(<digits> bytes)" ("bytes" in any case, blanks allowed inside the
// parentheses). kUnknownSize when the line is no 1xx reply, has no such
// group, or the number in it is empty, signed, not all digits or above
// 18446744073709551614. Reads only within length (the line need not be
// terminated).
uint64_t ParseTransferSize(const char* line, uint32_t length);

// Takes the directory from "257 "/pub/x" is current directory": the text
// after the first double quote up to the next single one, each doubled
// quote inside standing for one ('"/a ""b"""' gives '/a "b"'). 0 when there
// is no opening or no closing quote, or the name does not fit (directory is
// then empty).
uint16_t ParsePwdReply(const char* line, uint32_t length, TextBuffer& directory);

// PORT argument: address (network order) and port (host order) as
// "h1,h2,h3,h4,p1,p2". 192.168.1.5 port 1025 gives "192,168,1,5,4,1".
uint16_t BuildPortArgument(uint32_t networkAddress, uint16_t port, TextBuffer& out);

// 1 when text may go into a command line: no CR, LF or zero byte within its
// length.
uint16_t IsSafeLineText(const char* text, uint32_t length);

// Builds keyword + argument + "\r\n" into out. keyword is terminated (it may
// be "PWD" with no argument: argument null or length 0). Refuses (0, out
// empty) when the keyword or the argument holds CR, LF or a zero byte, so no
// second command can ever be built.
uint16_t BuildCommandLine(TextBuffer& out, const char* keyword, const char* argument, uint32_t argumentLength);

// "TYPE I\r\n" for (keyword "TYPE ", 'I', 0); "TYPE A N\r\n" for ('A', 'N').
// Refuses a type of 0, or a CR or LF in either character.
uint16_t BuildTypeLine(TextBuffer& out, const char* keyword, char type, char second);

#endif
