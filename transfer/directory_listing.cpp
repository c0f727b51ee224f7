#include "transfer/directory_listing.h"

#include <cstring>
#include <new>

#include "transfer/listing_filter.h"
#include "transfer/listing_parser.h"
#include "ui/framework/dialog_items.h"

namespace {

// A text of any length, kept terminated; reused from item to item.
class ItemBuffer {
public:
    ItemBuffer() : data_(nullptr), size_(0) {}
    ~ItemBuffer() { delete[] data_; }
    ItemBuffer(const ItemBuffer&) = delete;
    ItemBuffer& operator=(const ItemBuffer&) = delete;

    // Room for length characters and the terminator; null when none.
    char* Reserve(uint32_t length) {
        if (length >= size_) {
            uint32_t size = length + 1 > 2 * size_ ? length + 1 : 2 * size_;
            char* grown = new (std::nothrow) char[size];
            if (!grown) return nullptr;
            delete[] data_;
            data_ = grown;
            size_ = size;
        }
        data_[0] = '\0';
        return data_;
    }
    const char* Copy(const char* text, uint32_t length) {
        char* out = Reserve(length);
        if (!out) return nullptr;
        std::memcpy(out, text, length);
        out[length] = '\0';
        return out;
    }
private:
    char* data_;
    uint32_t size_;
};

// The lists of the dialog (and its copy of them) as the parser fills them.
class ListSink : public ListingSink {
public:
    ListSink(HWND window, ListingCopy& copy) : window_(window), copy_(copy), pathItems_(0) {}

    uint32_t OnRawLine(const char* line, uint32_t length) override {
        const char* text = buffer_.Copy(line, length);
        if (!text) return kNoItem;
        uint16_t index = AddListString(window_, kListingRaw, text);
        if (index != kNoItem) copy_.AddRawLine(text, static_cast<uint32_t>(std::strlen(text)));
        return index;
    }
    void OnEntry(const char* entry, uint32_t length, uint32_t rawIndex) override {
        const char* text = buffer_.Copy(entry, length);
        if (!text) return;
        uint16_t index = AddListString(window_, kListingEntries, text);
        if (index == kNoItem) return;
        SendDlgItemMessageA(window_, kListingEntries, LB_SETITEMDATA, index, rawIndex);
        copy_.AddEntry(text, static_cast<uint32_t>(std::strlen(text)), rawIndex);
    }
    void OnPathItem(const char* item, uint32_t length) override {
        const char* text = buffer_.Copy(item, length);
        if (!text) return;
        uint16_t index = InsertComboString(window_, kListingLevels, pathItems_, text);
        if (index == kNoItem) return;
        // Every level carries the count of raw lines plus 1.
        SendDlgItemMessageA(window_, kListingLevels, CB_SETITEMDATA, index,
                            static_cast<LPARAM>(GetListCount(window_, kListingRaw)) + 1);
        ++pathItems_;
    }
    uint16_t PathItems() const { return pathItems_; }

private:
    HWND window_;
    ListingCopy& copy_;
    uint16_t pathItems_;
    ItemBuffer buffer_;
};

// Copies listing texts are bounded like the collected listing itself.
constexpr uint32_t kCopyLimit = 64u * 1024 * 1024;

uint32_t ReadNumber(const char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

ListingCopy::ListingCopy() : entries_(kCopyLimit), rawLines_(kCopyLimit), rawStarts_(kCopyLimit) {}

void ListingCopy::Clear() {
    entries_.Clear();
    rawLines_.Clear();
    rawStarts_.Clear();
}

void ListingCopy::AddRawLine(const char* line, uint32_t length) {
    // A line that does not fit stands in as empty: the indexes stay those
    // of the list.
    uint32_t start = rawLines_.Length();
    if (!rawLines_.Append(line, length + 1)) start = rawLines_.Length() ? rawLines_.Length() - 1 : 0;
    rawStarts_.Append(reinterpret_cast<const char*>(&start), sizeof start);
}

void ListingCopy::AddEntry(const char* text, uint32_t length, uint32_t rawIndex) {
    // One record, added whole or not at all.
    ItemBuffer record;
    char* bytes = record.Reserve(length + sizeof rawIndex);
    if (!bytes) return;
    std::memcpy(bytes, &rawIndex, sizeof rawIndex);
    std::memcpy(bytes + sizeof rawIndex, text, length);
    bytes[sizeof rawIndex + length] = '\0';
    entries_.Append(bytes, static_cast<uint32_t>(sizeof rawIndex) + length + 1);
}

uint32_t ListingCopy::RawLineCount() const { return rawStarts_.Length() / sizeof(uint32_t); }

const char* ListingCopy::RawLine(uint32_t index) const {
    if (index >= RawLineCount()) return "";
    uint32_t start = ReadNumber(rawStarts_.Text() + index * sizeof(uint32_t));
    return start < rawLines_.Length() ? rawLines_.Text() + start : "";
}

bool ListingCopy::Walk::Next(const char** text, uint32_t* rawIndex) {
    const ByteBuffer& entries = copy_.entries_;
    if (at_ + sizeof(uint32_t) >= entries.Length()) return false;
    *rawIndex = ReadNumber(entries.Text() + at_);
    *text = entries.Text() + at_ + sizeof(uint32_t);
    at_ += sizeof(uint32_t) + static_cast<uint32_t>(std::strlen(*text)) + 1;
    return true;
}

ListingDialog::ListingDialog() : currentDirectory(64), filterPattern(64), directoriesOnly(0) {}

ListingDialog::~ListingDialog() {}

void ParseListing(ListingDialog& dialog, const char* listing, uint32_t length) {
    HWND window = dialog.window;
    ResetList(window, kListingEntries);
    ResetCombo(window, kListingLevels);
    ResetList(window, kListingShown);
    ResetList(window, kListingRaw);
    // Many lines: the lists repaint once at the end.
    SendDlgItemMessageA(window, kListingShown, WM_SETREDRAW, FALSE, 0);
    dialog.listingCopy.Clear();
    ListSink sink(window, dialog.listingCopy);
    ParseListingText(listing ? listing : "", listing ? length : 0, dialog.currentDirectory.Text(), sink);
    ShowFilteredEntries(dialog);
    SendDlgItemMessageA(window, kListingShown, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(GetDlgItem(window, kListingShown), nullptr, TRUE);
    SetComboSelection(window, kListingLevels, sink.PathItems() ? sink.PathItems() - 1 : 0);
    dialog.RefreshFolderButtons();
}

void ShowFilteredEntries(ListingDialog& dialog) {
    HWND window = dialog.window;
    ResetList(window, kListingShown);
    char typed[256];
    GetItemText(window, kListingPattern, typed, sizeof typed);
    TextBuffer pattern(64);
    EffectivePattern(typed, dialog.filterPattern.Text(), pattern);
    ListingCopy::Walk walk(dialog.listingCopy);
    const char* entry;
    uint32_t rawIndex;
    while (walk.Next(&entry, &rawIndex)) {
        if (!ShowEntry(entry, dialog.listingCopy.RawLine(rawIndex), pattern.Text(), dialog.directoriesOnly)) continue;
        uint16_t shown = AddListString(window, kListingShown, entry);
        if (shown != kNoItem) SendDlgItemMessageA(window, kListingShown, LB_SETITEMDATA, shown, rawIndex);
    }
    SelectEditText(window, kListingPattern, 0, -1);
}
