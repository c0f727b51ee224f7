#ifndef ORBNET_TRANSFER_DIRECTORY_LISTING_H
#define ORBNET_TRANSFER_DIRECTORY_LISTING_H

#include <windows.h>
#include <cstdint>

#include "frame/core/byte_buffer.h"
#include "frame/core/text_buffer.h"
#include "transfer/core/listing_filter.h"
#include "transfer/core/listing_parser.h"
#include "ui/filedialog/file_dialog_ids.h"
#include "ui/framework/dialog_object.h"

// Control ids of the lists a directory listing fills.
enum : int {
    kListingPattern = ORB_FD_NAME,         // edit: the name or pattern typed
    kListingShown = ORB_FD_ENTRIES,        // the entries that pass the pattern (owner-drawn)
    kListingLevels = ORB_FD_LEVELS,        // the levels of the current directory (owner-drawn)
    kListingEntries = ORB_FD_ALL_ENTRIES,  // hidden: every entry, item data its raw line
    kListingRaw = ORB_FD_RAW_LINES,        // hidden: the raw listing lines
};

// The most raw lines a listing shows: every list index stays below the
// 16-bit "none" of the item helpers. The listing reader stops there too.
constexpr uint32_t kMaxListedLines = 65534;

// One entry of the last listing, as the listing parser shaped it.
struct ListedEntry {
    const char* text;  // marker byte, then as the lists show it
    uint32_t rawIndex;
    uint16_t kind;     // ListingEntryKind
    const char* name;  // inside text, not terminated where a link's target follows
    uint32_t nameLength;
    const char* target;  // a link's target (terminated); null without one
};

// The last listing's entries and raw lines as the lists hold them, kept so
// that filtering does not read every item back out of the controls, and so
// that an entry's kind and name never have to be guessed from its text.
class ListingCopy {
public:
    ListingCopy();
    void Clear();
    // The index of the new line; kMaxListedLines when there is no room.
    uint32_t AddRawLine(const char* line, uint32_t length);
    void AddEntry(const char* text, uint32_t length, uint32_t rawIndex, const ListingEntryShape& shape);
    uint32_t RawLineCount() const;
    // The raw line of that index ("" when there is none).
    const char* RawLine(uint32_t index) const;
    // The entry of a raw line; false when that line gave none.
    bool EntryOfLine(uint32_t rawIndex, ListedEntry* entry) const;
    // Whether a file or link of exactly this name is listed.
    bool HasFileNamed(const char* name) const;

    // Walks the entries in order. false at the end.
    class Walk {
    public:
        explicit Walk(const ListingCopy& copy) : copy_(copy), at_(0) {}
        bool Next(ListedEntry* entry);

    private:
        const ListingCopy& copy_;
        uint32_t at_;
    };

private:
    bool Read(uint32_t offset, ListedEntry* entry, uint32_t* next) const;

    ByteBuffer entries_;   // per entry: a record head, the text, a zero byte
    ByteBuffer rawLines_;  // each raw line and a zero byte
    ByteBuffer rawStarts_; // offset of each raw line (4 bytes each)
    ByteBuffer lineEntries_;  // (raw index, entry offset) pairs, raw index rising
};

// A dialog that shows remote directories: the file dialogs and the
// directory browser. It names the current directory and the pattern of the
// chosen file type.
class ListingDialog : public DialogObject {
public:
    ListingDialog();
    ~ListingDialog() override;

    // Called once a listing has been shown: the up and new-folder buttons
    // follow the directory (the dialogs fill it in).
    virtual void RefreshFolderButtons() {}

    TextBuffer currentDirectory;
    TextBuffer filterPattern;
    uint16_t directoriesOnly;
    ListingCopy listingCopy;
};

// Empties the lists, fills them from the listing text (lines each ended by
// CR), shows the entries that pass the pattern, selects the current level
// and refreshes the folder buttons. 0 when the text held more lines than the
// lists take (the first kMaxListedLines are shown).
uint16_t ParseListing(ListingDialog& dialog, const char* listing, uint32_t length);
// Fills the visible list from the hidden one through the pattern typed in
// kListingPattern (or the file type's pattern).
void ShowFilteredEntries(ListingDialog& dialog);
// The platform's upper case of every byte, for patterns.
const CaseFold& PlatformCaseFold();

#endif
