#ifndef ORBNET_TRANSFER_LISTING_PARSER_H
#define ORBNET_TRANSFER_LISTING_PARSER_H

#include <cstdint>

// Markers. An entry's text starts with kFileMarker (a file) or with the
// depth of the listed directory (a directory or a link, 1..kMaxDepth). A
// path item's marker is its level (1..kMaxDepth) with kCurrentLevel for the
// current directory or kUpperLevel for a level above it.
constexpr unsigned char kFileMarker = 0xFF;
constexpr uint16_t kMaxDepth = 63;
constexpr unsigned char kCurrentLevel = 0x40;
constexpr unsigned char kUpperLevel = 0x80;

// What an entry is.
enum ListingEntryKind : uint16_t { kEntryFile = 0, kEntryDirectory = 1, kEntryLink = 2 };

// Where an entry's name and a link's target lie in its text.
struct ListingEntryShape {
    uint16_t kind;
    uint32_t nameStart;    // 1, or 2 for a link
    uint32_t nameLength;
    uint32_t targetStart;  // a link with a target: after its " >"; else 0
};

// Receives what ParseListingText finds. Texts are not terminated.
class ListingSink {
public:
    virtual ~ListingSink() {}
    // A raw listing line as it came; returns its index, which entries carry.
    virtual uint32_t OnRawLine(const char* line, uint32_t length) = 0;
    // An entry: a marker byte then the name. A link: the marker, one space,
    // the name, and when it has a target " >" and the target. Only the shape
    // tells where a name ends: a name may hold " >" itself.
    virtual void OnEntry(const char* text, uint32_t length, uint32_t rawIndex, const ListingEntryShape& shape) = 0;
    // One level of the current directory: marker byte then the component.
    // In order, root first.
    virtual void OnPathItem(const char* text, uint32_t length) = 0;
};

// The marker of directories and links listed in currentDirectory: 1, plus 1
// when it begins with "\" or "/", plus 1 for each non-empty component
// between "\" and "/" ("/" 2, "/pub" 3, "pub" 2, "" or null 1); at most
// kMaxDepth.
uint16_t ListingDepth(const char* currentDirectory);

// Parses a listing as ListingCollector keeps it: lines each ended by one CR
// (a last line may lack it; empty lines are skipped). The text is read only
// within length and never written; it need not be terminated, and a zero
// byte in it is a character like any other.
//
// Every line goes to OnRawLine first. A line gives an entry when it has a
// space and a name other than "", "." and "..":
// - kind: first character "d" a directory, "l" or "s" a link; else a
//   directory when it holds "<DIR>" or has "DIR" at offset 12; else a file.
// - name, from the first shape the line has:
//   * a DOS line ("01-01-96  12:00PM  <DIR>  pub", "... 1234 a.txt", 4-digit
//     years, 24-hour times): what follows the blanks after "<DIR>" or the
//     size, to the end of the line;
//   * a Unix long line (permissions, links, owner, optional group, then a
//     numeric size, month, day of 1-2 digits, h:mm/hh:mm or a 4-digit year):
//     everything after the one space that follows the time or year, leading
//     and inner spaces kept. A link's name ends at the first " -> " and its
//     target is what follows;
//   * otherwise the text after the last space; a link's name is the word at
//     the name column, its target the text after the last space beyond it.
//     The name column comes from the first file line (its last space, at
//     least 1) or link line (the first space after the last ":" before its
//     last space, else 1) of the listing.
// Then, after all lines, one OnPathItem per level of currentDirectory: the
// root ("/" or "\") when it begins with one, then each non-empty component.
// Nothing here is limited in length; an entry or path item for which no
// memory can be found is left out.
void ParseListingText(const char* text, uint32_t length, const char* currentDirectory, ListingSink& sink);

#endif
