#ifndef ORBNET_FTP_LISTING_COLLECTOR_H
#define ORBNET_FTP_LISTING_COLLECTOR_H

#include <cstdint>

#include "frame/core/byte_buffer.h"

// Collects a directory listing from the data connection, one read at a time.
//
// Keeps the lines that start with '-', 'd', 'l' or a decimal digit (entries
// of a long listing, date-first lines), each without its leading blanks and
// ended by one CR; drops every other line ("total 12"). A line may be cut
// anywhere by the end of a read. Zero bytes are ignored.
//
// The listing grows as needed up to maxBytes bytes with its terminator and
// maxLines lines, and no more than twice maxBytes are read in all (dropped
// lines count too). A line that no longer fits (or finds no memory) is not
// added, Truncated() turns 1, Reason() says why and the rest of the data
// is ignored: the listing then holds only whole lines. Its reader may stop
// it too (Stop), for instance when it has run too long.
class ListingCollector {
public:
    static constexpr uint32_t kMaxListing = 64u * 1024u * 1024u;
    // As many lines as the dialogs' lists can show.
    static constexpr uint32_t kMaxLines = 65534;

    enum CutReason : uint16_t { kNotCut = 0, kCutLines = 1, kCutBytes = 2, kCutTime = 3 };

    // Skip states carried from one read to the next.
    enum SkipState : uint16_t { kSkipNone = 0, kSkipDroppedLine = 1, kSkipBlanks = 3 };

    explicit ListingCollector(uint32_t maxBytes = kMaxListing, uint32_t maxLines = kMaxLines);

    void Feed(const char* bytes, uint32_t count);
    // At the close: adds a last line without line end (no CR added). Further
    // Feed calls are ignored until Reset.
    void Finish();
    void Reset();

    // The kept lines, terminated; "" when there are none.
    const char* Text() const { return listing_.Text(); }
    uint32_t Length() const { return listing_.Length(); }
    uint16_t Truncated() const { return truncated_ ? 1 : 0; }
    uint16_t Reason() const { return truncated_; }
    uint32_t Lines() const { return lines_; }
    // Ends the collection with that reason: what came is kept, the rest is
    // ignored.
    void Stop(uint16_t reason);
    uint16_t skipState() const { return skip_; }

private:
    void KeepLine();
    void AddToLine(const char* bytes, uint32_t count);

    ByteBuffer listing_;
    ByteBuffer line_;
    uint16_t atLineStart_;
    uint16_t skip_;
    uint16_t truncated_;  // the CutReason
    uint16_t finished_;
    uint32_t lines_;
    uint32_t maxLines_;
    uint64_t fed_;
    uint64_t maxFed_;
};

#endif
