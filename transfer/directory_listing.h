#ifndef ORBNET_TRANSFER_DIRECTORY_LISTING_H
#define ORBNET_TRANSFER_DIRECTORY_LISTING_H

#include <windows.h>
#include <cstdint>

#include "frame/byte_buffer.h"
#include "frame/text_buffer.h"
#include "ui/framework/dialog_object.h"

// Control ids of the lists a directory listing fills.
enum : int {
    kListingPattern = 1000,  // edit: the name or pattern typed
    kListingShown = 1001,    // the entries that pass the pattern (owner-drawn)
    kListingLevels = 1006,   // the levels of the current directory (owner-drawn)
    kListingEntries = 1025,  // hidden: every entry, item data its raw line
    kListingRaw = 1028,      // hidden: the raw listing lines
};

// The last listing's entries and raw lines as the lists hold them, kept so
// that filtering does not read every item back out of the controls.
class ListingCopy {
public:
    ListingCopy();
    void Clear();
    void AddRawLine(const char* line, uint32_t length);
    void AddEntry(const char* text, uint32_t length, uint32_t rawIndex);
    uint32_t RawLineCount() const;
    // The raw line of that index ("" when there is none).
    const char* RawLine(uint32_t index) const;

    // Walks the entries in order: text (terminated) and raw index. false at
    // the end.
    class Walk {
    public:
        explicit Walk(const ListingCopy& copy) : copy_(copy), at_(0) {}
        bool Next(const char** text, uint32_t* rawIndex);

    private:
        const ListingCopy& copy_;
        uint32_t at_;
    };

private:
    ByteBuffer entries_;   // per entry: raw index (4 bytes), the text, a zero byte
    ByteBuffer rawLines_;  // each raw line and a zero byte
    ByteBuffer rawStarts_; // offset of each raw line (4 bytes each)
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
// and refreshes the folder buttons.
void ParseListing(ListingDialog& dialog, const char* listing, uint32_t length);
// Fills the visible list from the hidden one through the pattern typed in
// 1000 (or the file type's pattern).
void ShowFilteredEntries(ListingDialog& dialog);

#endif
