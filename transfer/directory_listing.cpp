#include "transfer/directory_listing.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "transfer/core/listing_filter.h"
#include "transfer/core/listing_parser.h"
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
// The copy numbers the raw lines; the lists follow it.
class ListSink : public ListingSink {
public:
    ListSink(HWND window, ListingCopy& copy) : window_(window), copy_(copy), pathItems_(0), cut_(false) {}

    uint32_t OnRawLine(const char* line, uint32_t length) override {
        const char* text = buffer_.Copy(line, length);
        if (!text) return kMaxListedLines;
        uint32_t index = copy_.AddRawLine(text, static_cast<uint32_t>(std::strlen(text)));
        if (index == kMaxListedLines) {
            cut_ = true;
            return index;
        }
        AddListString(window_, kListingRaw, text);
        return index;
    }
    void OnEntry(const char* entry, uint32_t length, uint32_t rawIndex, const ListingEntryShape& shape) override {
        if (rawIndex >= kMaxListedLines) return;
        const char* text = buffer_.Copy(entry, length);
        if (!text) return;
        uint16_t index = AddListString(window_, kListingEntries, text);
        if (index == kNoItem) return;
        SendDlgItemMessageA(window_, kListingEntries, LB_SETITEMDATA, index, rawIndex);
        copy_.AddEntry(text, length, rawIndex, shape);
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
    bool Cut() const { return cut_; }

private:
    HWND window_;
    ListingCopy& copy_;
    uint16_t pathItems_;
    bool cut_;
    ItemBuffer buffer_;
};

// Copies listing texts are bounded like the collected listing itself.
constexpr uint32_t kCopyLimit = 64u * 1024 * 1024;
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

// An entry record: raw index, kind, name start, name length, target start
// (0: none), text length; then the text and a zero byte.
struct EntryHead {
    uint32_t rawIndex;
    uint32_t kind;
    uint32_t nameStart;
    uint32_t nameLength;
    uint32_t targetStart;
    uint32_t length;
};

uint32_t ReadNumber(const char* at) {
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

ListingCopy::ListingCopy()
    : entries_(kCopyLimit), rawLines_(kCopyLimit), rawStarts_(kCopyLimit), lineEntries_(kCopyLimit) {}

void ListingCopy::Clear() {
    entries_.Clear();
    rawLines_.Clear();
    rawStarts_.Clear();
    lineEntries_.Clear();
}

uint32_t ListingCopy::AddRawLine(const char* line, uint32_t length) {
    const uint32_t index = RawLineCount();
    if (index >= kMaxListedLines) return kMaxListedLines;
    // A line that does not fit stands in as empty: the indexes stay those
    // of the list.
    uint32_t start = rawLines_.Length();
    if (!rawLines_.Append(line, length + 1)) start = rawLines_.Length() ? rawLines_.Length() - 1 : 0;
    if (!rawStarts_.Append(reinterpret_cast<const char*>(&start), sizeof start)) return kMaxListedLines;
    return index;
}

void ListingCopy::AddEntry(const char* text, uint32_t length, uint32_t rawIndex, const ListingEntryShape& shape) {
    if (shape.nameStart + shape.nameLength > length || shape.targetStart > length) return;
    // One record, added whole or not at all.
    const EntryHead head = {rawIndex, shape.kind, shape.nameStart, shape.nameLength, shape.targetStart, length};
    ItemBuffer record;
    char* bytes = record.Reserve(static_cast<uint32_t>(sizeof head) + length);
    if (!bytes) return;
    std::memcpy(bytes, &head, sizeof head);
    std::memcpy(bytes + sizeof head, text, length);
    bytes[sizeof head + length] = '\0';
    const uint32_t offset = entries_.Length();
    if (!entries_.Append(bytes, static_cast<uint32_t>(sizeof head) + length + 1)) return;
    const uint32_t pair[2] = {rawIndex, offset};
    lineEntries_.Append(reinterpret_cast<const char*>(pair), sizeof pair);
}

uint32_t ListingCopy::RawLineCount() const { return rawStarts_.Length() / sizeof(uint32_t); }

const char* ListingCopy::RawLine(uint32_t index) const {
    if (index >= RawLineCount()) return "";
    uint32_t start = ReadNumber(rawStarts_.Text() + index * sizeof(uint32_t));
    return start < rawLines_.Length() ? rawLines_.Text() + start : "";
}

bool ListingCopy::Read(uint32_t offset, ListedEntry* entry, uint32_t* next) const {
    if (offset == kNoEntry || offset + sizeof(EntryHead) >= entries_.Length()) return false;
    EntryHead head;
    std::memcpy(&head, entries_.Text() + offset, sizeof head);
    const char* text = entries_.Text() + offset + sizeof head;
    entry->text = text;
    entry->rawIndex = head.rawIndex;
    entry->kind = static_cast<uint16_t>(head.kind);
    entry->name = text + head.nameStart;
    entry->nameLength = head.nameLength;
    entry->target = head.targetStart ? text + head.targetStart : nullptr;
    if (next) *next = offset + static_cast<uint32_t>(sizeof head) + head.length + 1;
    return true;
}

bool ListingCopy::EntryOfLine(uint32_t rawIndex, ListedEntry* entry) const {
    // Entries come in the order of their lines: a binary search.
    uint32_t low = 0, high = lineEntries_.Length() / (2 * sizeof(uint32_t));
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        const char* pair = lineEntries_.Text() + middle * 2 * sizeof(uint32_t);
        const uint32_t at = ReadNumber(pair);
        if (at == rawIndex) return Read(ReadNumber(pair + sizeof(uint32_t)), entry, nullptr);
        if (at < rawIndex) low = middle + 1;
        else high = middle;
    }
    return false;
}

bool ListingCopy::HasFileNamed(const char* name) const {
    if (!name) return false;
    const size_t length = std::strlen(name);
    Walk walk(*this);
    ListedEntry entry;
    while (walk.Next(&entry)) {
        if (entry.kind != kEntryDirectory && entry.nameLength == length && std::memcmp(entry.name, name, length) == 0)
            return true;
    }
    return false;
}

bool ListingCopy::Walk::Next(ListedEntry* entry) {
    uint32_t next = at_;
    if (!copy_.Read(at_, entry, &next)) return false;
    at_ = next;
    return true;
}

ListingDialog::ListingDialog() : currentDirectory(64), filterPattern(64), directoriesOnly(0) {}

ListingDialog::~ListingDialog() {}

uint16_t ParseListing(ListingDialog& dialog, const char* listing, uint32_t length) {
    HWND window = dialog.window;
    ResetList(window, kListingEntries);
    ResetCombo(window, kListingLevels);
    ResetList(window, kListingShown);
    ResetList(window, kListingRaw);
    // Many lines: room made once, the lists repaint once at the end.
    uint32_t lines = 0;
    for (uint32_t i = 0; listing && i < length; ++i) lines += listing[i] == '\r';
    if (lines > kMaxListedLines) lines = kMaxListedLines;
    for (int id : {kListingRaw, kListingEntries, kListingShown}) {
        SendDlgItemMessageA(window, id, WM_SETREDRAW, FALSE, 0);
        SendDlgItemMessageA(window, id, LB_INITSTORAGE, lines + 1, static_cast<LPARAM>(length) + lines + 1);
    }
    dialog.listingCopy.Clear();
    ListSink sink(window, dialog.listingCopy);
    ParseListingText(listing ? listing : "", listing ? length : 0, dialog.currentDirectory.Text(), sink);
    ShowFilteredEntries(dialog);
    SendDlgItemMessageA(window, kListingRaw, WM_SETREDRAW, TRUE, 0);
    SendDlgItemMessageA(window, kListingEntries, WM_SETREDRAW, TRUE, 0);
    SendDlgItemMessageA(window, kListingShown, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(GetDlgItem(window, kListingShown), nullptr, TRUE);
    SetComboSelection(window, kListingLevels, sink.PathItems() ? sink.PathItems() - 1 : 0);
    dialog.RefreshFolderButtons();
    return sink.Cut() ? 0 : 1;
}

const CaseFold& PlatformCaseFold() {
    static CaseFold fold;
    static bool made = false;
    if (!made) {
        char bytes[256];
        for (int c = 0; c < 256; ++c) bytes[c] = static_cast<char>(c);
        // Byte 0 would end the conversion: from 1 on.
        CharUpperBuffA(bytes + 1, 255);
        for (int c = 0; c < 256; ++c) fold.upper[c] = static_cast<unsigned char>(bytes[c]);
        made = true;
    }
    return fold;
}

void ShowFilteredEntries(ListingDialog& dialog) {
    HWND window = dialog.window;
    ResetList(window, kListingShown);
    char typed[256];
    GetItemText(window, kListingPattern, typed, sizeof typed);
    TextBuffer pattern(64);
    EffectivePattern(typed, dialog.filterPattern.Text(), pattern);
    const CaseFold& fold = PlatformCaseFold();
    ListingCopy::Walk walk(dialog.listingCopy);
    ListedEntry entry;
    while (walk.Next(&entry)) {
        if (!ShowEntry(entry.text, dialog.listingCopy.RawLine(entry.rawIndex), pattern.Text(), dialog.directoriesOnly,
                       &fold))
            continue;
        uint16_t shown = AddListString(window, kListingShown, entry.text);
        if (shown != kNoItem) SendDlgItemMessageA(window, kListingShown, LB_SETITEMDATA, shown, entry.rawIndex);
    }
    SelectEditText(window, kListingPattern, 0, -1);
}
