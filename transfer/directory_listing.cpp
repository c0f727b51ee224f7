#include "transfer/directory_listing.h"

#include <cstring>
#include <new>

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
    // A list item, whole; null when there is no such item.
    const char* ReadListItem(HWND window, int id, uint16_t index) {
        LRESULT length = SendDlgItemMessageA(window, id, LB_GETTEXTLEN, index, 0);
        if (length < 0) return nullptr;
        char* out = Reserve(static_cast<uint32_t>(length));
        if (!out) return nullptr;
        GetListItemText(window, id, index, out, static_cast<uint32_t>(length) + 1);
        return out;
    }

private:
    char* data_;
    uint32_t size_;
};

// The lists of the dialog as the parser fills them.
class ListSink : public ListingSink {
public:
    explicit ListSink(HWND window) : window_(window), pathItems_(0) {}

    uint32_t OnRawLine(const char* line, uint32_t length) override {
        const char* text = buffer_.Copy(line, length);
        return text ? AddListString(window_, kListingRaw, text) : kNoItem;
    }
    void OnEntry(const char* entry, uint32_t length, uint32_t rawIndex) override {
        const char* text = buffer_.Copy(entry, length);
        if (!text) return;
        uint16_t index = AddListString(window_, kListingEntries, text);
        if (index != kNoItem) SendDlgItemMessageA(window_, kListingEntries, LB_SETITEMDATA, index, rawIndex);
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
    uint16_t pathItems_;
    ItemBuffer buffer_;
};

}  // namespace

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
    ListSink sink(window);
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
    const uint16_t count = GetListCount(window, kListingEntries);
    ItemBuffer entry, raw;
    for (uint16_t i = 0; i < count; ++i) {
        LRESULT rawIndex = SendDlgItemMessageA(window, kListingEntries, LB_GETITEMDATA, i, 0);
        const char* entryText = entry.ReadListItem(window, kListingEntries, i);
        const char* rawLine = rawIndex >= 0 && rawIndex < kNoItem
                                  ? raw.ReadListItem(window, kListingRaw, static_cast<uint16_t>(rawIndex))
                                  : nullptr;
        if (!entryText || !rawLine || !ShowEntry(entryText, rawLine, pattern.Text(), dialog.directoriesOnly)) continue;
        uint16_t shown = AddListString(window, kListingShown, entryText);
        if (shown != kNoItem) SendDlgItemMessageA(window, kListingShown, LB_SETITEMDATA, shown, rawIndex);
    }
    SelectEditText(window, kListingPattern, 0, -1);
}
