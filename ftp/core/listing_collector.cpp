#include "ftp/core/listing_collector.h"

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == '\r' || c == '\n' || c == ' ' || c == '\0'; }
bool StartsKeptLine(char c) { return c == '-' || c == 'd' || c == 'l' || (c >= '0' && c <= '9'); }

}  // namespace

ListingCollector::ListingCollector(uint32_t maxBytes, uint32_t maxLines)
    : listing_(maxBytes),
      line_(maxBytes),
      atLineStart_(1),
      skip_(kSkipNone),
      truncated_(kNotCut),
      finished_(0),
      lines_(0),
      maxLines_(maxLines),
      fed_(0),
      maxFed_(2ull * maxBytes) {}

void ListingCollector::Stop(uint16_t reason) {
    if (truncated_ || reason == kNotCut) return;
    truncated_ = reason;
    line_.Release();
}

void ListingCollector::Reset() {
    listing_.Release();
    line_.Release();
    atLineStart_ = 1;
    skip_ = kSkipNone;
    truncated_ = kNotCut;
    finished_ = 0;
    lines_ = 0;
    fed_ = 0;
}

void ListingCollector::AddToLine(const char* bytes, uint32_t count) {
    if (count == 0 || truncated_) return;
    if (!line_.Append(bytes, count)) {
        truncated_ = kCutBytes;
        line_.Release();
    }
}

void ListingCollector::KeepLine() {
    if (!truncated_ && line_.Length() > 0) {
        if (lines_ >= maxLines_) truncated_ = kCutLines;
        else if (!listing_.Append(line_.Text(), line_.Length())) truncated_ = kCutBytes;
        else ++lines_;
        if (truncated_) line_.Release();
    }
    line_.Clear();
}

void ListingCollector::Feed(const char* bytes, uint32_t count) {
    if (!bytes || finished_ || truncated_) return;
    // Endless text that keeps nothing (dropped lines) ends too: at the
    // bound, wherever the reads end.
    bool over = false;
    if (count > maxFed_ - fed_) {
        count = static_cast<uint32_t>(maxFed_ - fed_);
        over = true;
    }
    fed_ += count;
    uint32_t pos = 0;
    while (pos < count && !truncated_) {
        char c = bytes[pos];
        if (skip_ == kSkipDroppedLine) {
            // "total 42" : skip to its line end, then the blanks after it.
            if (IsLineEnd(c)) skip_ = kSkipBlanks;
            ++pos;
            continue;
        }
        if (skip_ == kSkipBlanks) {
            if (IsBlank(c)) {
                ++pos;
                continue;
            }
            skip_ = kSkipNone;
            atLineStart_ = 1;
        }
        if (c == '\0') {
            ++pos;
            continue;
        }
        if (atLineStart_) {
            if (!StartsKeptLine(c)) {
                skip_ = kSkipDroppedLine;
                continue;  // c itself may be the line end
            }
            atLineStart_ = 0;
        }
        if (IsLineEnd(c)) {
            AddToLine("\r", 1);
            KeepLine();
            skip_ = kSkipBlanks;
            ++pos;
            continue;
        }
        // A run of line text up to a line end, a zero byte or the end of the read.
        uint32_t end = pos;
        while (end < count && !IsLineEnd(bytes[end]) && bytes[end] != '\0') ++end;
        AddToLine(bytes + pos, end - pos);
        pos = end;
    }
    if (over) Stop(kCutBytes);
}

void ListingCollector::Finish() {
    if (finished_) return;
    finished_ = 1;
    if (!atLineStart_) KeepLine();
    line_.Release();
    atLineStart_ = 1;
}
