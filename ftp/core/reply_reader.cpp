#include "ftp/core/reply_reader.h"

#include <cstring>

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

uint32_t FindLineEnd(const char* bytes, uint32_t from, uint32_t count) {
    while (from < count && !IsLineEnd(bytes[from])) ++from;
    return from;
}

}  // namespace

uint16_t IsReplyLine(const char* line, uint32_t length) {
    if (!line || length < 4) return 0;
    if (line[0] < '2' || line[0] > '5') return 0;
    if (line[1] < '0' || line[1] > '9') return 0;
    if (line[2] < '0' || line[2] > '9') return 0;
    return line[3] == ' ' ? 1 : 0;
}

uint16_t IsPositiveReply(const char* line, uint32_t length) {
    return IsReplyLine(line, length) && (line[0] == '2' || line[0] == '3') ? 1 : 0;
}

uint16_t IsNegativeReply(const char* line, uint32_t length) {
    return IsReplyLine(line, length) && (line[0] == '4' || line[0] == '5') ? 1 : 0;
}

uint16_t IsHeldReplyNegative(const char* bytes, uint32_t count) {
    if (!bytes || count == 0) return 0;
    return bytes[0] == '4' || bytes[0] == '5' ? 1 : 0;
}

uint32_t FirstLineLength(const char* bytes, uint32_t count) {
    if (!bytes) return 0;
    return FindLineEnd(bytes, 0, count);
}

ReplyReader::ReplyReader() : carryLength_(0), replyLength_(0), replyCut_(0), unanswered_(0) {
    carry_[0] = '\0';
    joined_[0] = '\0';
    reply_[0] = '\0';
}

void ReplyReader::Reset() {
    carryLength_ = 0;
    carry_[0] = '\0';
    replyLength_ = 0;
    reply_[0] = '\0';
    replyCut_ = 0;
    unanswered_ = 0;
}

// Logs one line and judges it; 1 when it is the reply line.
uint16_t ReplyReader::TakeLine(const char* line, uint32_t length, bool cut, ReplyLogSink* sink) {
    if (length > kMaxLine) {
        length = kMaxLine;
        cut = true;
    }
    if (sink) sink->OnReplyLogLine(line, length);
    if (!IsReplyLine(line, length)) return 0;
    std::memmove(reply_, line, length);
    reply_[length] = '\0';
    replyLength_ = length;
    replyCut_ = cut ? 1 : 0;
    return 1;
}

uint16_t ReplyReader::Feed(const char* bytes, uint32_t count, ReplyLogSink* sink) {
    replyLength_ = 0;
    reply_[0] = '\0';
    replyCut_ = 0;
    if (!bytes || count == 0) return 0;
    if (FeedLines(bytes, count, sink)) {
        unanswered_ = 0;
        return 1;
    }
    unanswered_ = count > kMaxReplyBytes * 2 - unanswered_ ? kMaxReplyBytes * 2 : unanswered_ + count;
    return 0;
}

uint16_t ReplyReader::FeedLines(const char* bytes, uint32_t count, ReplyLogSink* sink) {

    uint32_t pos = 0;
    if (carryLength_ > 0) {
        // The first line of this read goes on from the kept one.
        uint32_t end = FindLineEnd(bytes, 0, count);
        if (end == count && carryLength_ + count <= kMaxCarry) {
            std::memcpy(carry_ + carryLength_, bytes, count);
            carryLength_ += count;
            carry_[carryLength_] = '\0';
            return 0;
        }
        uint32_t length = carryLength_;
        std::memcpy(joined_, carry_, length);
        uint32_t more = end;
        if (more > kMaxLine - length) more = kMaxLine - length;
        std::memcpy(joined_ + length, bytes, more);
        length += more;
        joined_[length] = '\0';
        carryLength_ = 0;
        carry_[0] = '\0';
        // Without its end in this read the line was longer than can be kept.
        if (TakeLine(joined_, length, end == count || more < end, sink)) return 1;
        pos = end;
    }

    while (pos < count) {
        while (pos < count && IsLineEnd(bytes[pos])) ++pos;
        if (pos == count) break;
        uint32_t end = FindLineEnd(bytes, pos, count);
        uint32_t length = end - pos;
        // "230 Logged in" cut after "23": keep it for the next read.
        if (end == count && length <= kMaxCarry) {
            std::memcpy(carry_, bytes + pos, length);
            carryLength_ = length;
            carry_[length] = '\0';
            return 0;
        }
        if (TakeLine(bytes + pos, length, end == count, sink)) return 1;
        pos = end;
    }
    return 0;
}
