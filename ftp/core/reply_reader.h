#ifndef ORBNET_FTP_REPLY_READER_H
#define ORBNET_FTP_REPLY_READER_H

#include <cstdint>

// Receives every line of a reply that goes to the protocol log, without its
// line end. The text is not terminated; it is valid only during the call.
class ReplyLogSink {
public:
    virtual ~ReplyLogSink() {}
    virtual void OnReplyLogLine(const char* line, uint32_t length) = 0;
};

// A reply line: digit 2-5, two digits 0-9, a space. Only such a line ends a reply.
uint16_t IsReplyLine(const char* line, uint32_t length);
// 1 for a 2xx or 3xx reply line (positive), 0 otherwise.
uint16_t IsPositiveReply(const char* line, uint32_t length);
// 1 for a 4xx or 5xx reply line (negative), 0 otherwise.
uint16_t IsNegativeReply(const char* line, uint32_t length);

// Control replies held back in the socket during an active RETR: given the
// peeked bytes, 1 when they must be read now (first byte '4' or '5').
uint16_t IsHeldReplyNegative(const char* bytes, uint32_t count);
// Length of the first line of bytes: up to the first CR or LF, or count.
uint32_t FirstLineLength(const char* bytes, uint32_t count);

// Reads the control connection's replies, one read at a time.
//
// Each read is cut into lines at runs of CR and LF. The lines are logged in
// order up to and including the first reply line, which is the result; lines
// after it in the same read are dropped, and continuation lines never end a
// reply. A last line that the read cuts off (no CR or LF after it) is not
// judged yet: it is kept (up to kMaxCarry bytes) and put in front of the next
// read, so a reply line split over two reads is still found. Nothing else is
// carried from one read to the next. A cut-off line longer than kMaxCarry is
// logged and judged at once, as a complete line would be. A reply that goes
// on for more than kMaxReplyBytes without its reply line is too long: an
// endless multi-line reply is a failure, not a wait. A reply line that was
// cut (longer than kMaxLine, or than kMaxCarry across reads) says so, so
// that nothing is taken from a part of a line.
class ReplyReader {
public:
    // Lines up to this long are read whole whatever the reads; a PWD reply
    // with the longest path a command may carry fits.
    static constexpr uint32_t kMaxCarry = 16383;
    // Longest line kept for logging and for Reply(); longer lines are cut.
    static constexpr uint32_t kMaxLine = 16383;
    static constexpr uint32_t kMaxReplyBytes = 128 * 1024;

    ReplyReader();

    // Takes one read. Returns 1 when it completed a reply: Reply() then holds
    // the reply line (valid until the next Feed or Reset). 0 otherwise.
    // sink may be null.
    uint16_t Feed(const char* bytes, uint32_t count, ReplyLogSink* sink);

    const char* Reply() const { return reply_; }
    uint32_t ReplyLength() const { return replyLength_; }
    // 1 when Reply() is the head of a longer line.
    uint16_t ReplyCut() const { return replyCut_; }
    // The bytes kept from the last read (a line not yet ended).
    uint32_t CarriedLength() const { return carryLength_; }
    // More than kMaxReplyBytes have come since the last reply line.
    uint16_t TooLong() const { return unanswered_ > kMaxReplyBytes ? 1 : 0; }
    // Forgets the kept line and the last reply (e.g. after a held-back reply
    // was read past this reader).
    void Reset();

private:
    uint16_t FeedLines(const char* bytes, uint32_t count, ReplyLogSink* sink);
    uint16_t TakeLine(const char* line, uint32_t length, bool cut, ReplyLogSink* sink);

    char carry_[kMaxCarry + 1];
    uint32_t carryLength_;
    char joined_[kMaxLine + 1];
    char reply_[kMaxLine + 1];
    uint32_t replyLength_;
    uint16_t replyCut_;
    uint32_t unanswered_;  // bytes fed since the last reply line (capped)
};

#endif
