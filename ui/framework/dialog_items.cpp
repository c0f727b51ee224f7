#include "ui/framework/dialog_items.h"

#include <cstring>
#include <new>

namespace {

LRESULT Send(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

LPARAM Text(const char* text) { return reinterpret_cast<LPARAM>(text ? text : ""); }

uint16_t Index(LRESULT result) {
    return result < 0 || result > 0xFFFE ? kNoItem : static_cast<uint16_t>(result);
}

// An index argument: kNoItem as the controls' -1.
WPARAM Position(uint16_t index) { return index == kNoItem ? static_cast<WPARAM>(-1) : index; }

// Reads item index through lengthMessage and textMessage into buffer, cut
// to size. The item's length, or -1.
LRESULT ReadItem(HWND dialog, int id, UINT lengthMessage, UINT textMessage, uint16_t index, char* buffer,
                 uint32_t size) {
    if (buffer && size) buffer[0] = '\0';
    LRESULT length = Send(dialog, id, lengthMessage, index);
    if (length < 0 || !buffer || size == 0) return length < 0 ? -1 : 0;
    if (static_cast<uint32_t>(length) < size) return Send(dialog, id, textMessage, index, reinterpret_cast<LPARAM>(buffer));
    char* whole = new (std::nothrow) char[static_cast<size_t>(length) + 1];
    if (!whole) return -1;
    LRESULT got = Send(dialog, id, textMessage, index, reinterpret_cast<LPARAM>(whole));
    if (got < 0) {
        delete[] whole;
        return -1;
    }
    size_t kept = static_cast<size_t>(got) < size - 1 ? static_cast<size_t>(got) : size - 1;
    std::memcpy(buffer, whole, kept);
    buffer[kept] = '\0';
    delete[] whole;
    return static_cast<LRESULT>(kept);
}

// Selection and exact search work alike for lists and combo boxes.
uint16_t SetSelection(HWND dialog, int id, UINT message, uint16_t index) {
    LRESULT r = Send(dialog, id, message, Position(index));
    return index == kNoItem || r >= 0 ? 1 : 0;
}

uint16_t GetSelection(HWND dialog, int id, UINT message, uint16_t* index) {
    LRESULT r = Send(dialog, id, message);
    if (index) *index = Index(r);
    return r >= 0 ? 1 : 0;
}

// A search from the start (exact, or selecting the first match).
uint16_t Search(HWND dialog, int id, UINT message, const char* text, uint16_t* index) {
    LRESULT r = Send(dialog, id, message, static_cast<WPARAM>(-1), Text(text));
    if (index) *index = Index(r);
    return r >= 0 ? 1 : 0;
}

}  // namespace

uint16_t SelectComboString(HWND dialog, int id, const char* text, uint16_t* index) {
    return Search(dialog, id, CB_SELECTSTRING, text, index);
}

uint16_t SetComboSelection(HWND dialog, int id, uint16_t index) { return SetSelection(dialog, id, CB_SETCURSEL, index); }

uint16_t GetComboSelection(HWND dialog, int id, uint16_t* index) {
    return GetSelection(dialog, id, CB_GETCURSEL, index);
}

int GetComboItemText(HWND dialog, int id, uint16_t index, char* buffer, uint32_t size) {
    return static_cast<int>(ReadItem(dialog, id, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, buffer, size));
}

uint16_t AddComboString(HWND dialog, int id, const char* text) { return Index(Send(dialog, id, CB_ADDSTRING, 0, Text(text))); }

void ResetCombo(HWND dialog, int id) { Send(dialog, id, CB_RESETCONTENT); }

uint16_t FindComboStringExact(HWND dialog, int id, const char* text, uint16_t* index) {
    return Search(dialog, id, CB_FINDSTRINGEXACT, text, index);
}

uint16_t InsertComboString(HWND dialog, int id, uint16_t index, const char* text) {
    return Index(Send(dialog, id, CB_INSERTSTRING, Position(index), Text(text)));
}

uint16_t IsComboDroppedDown(HWND dialog, int id) { return Send(dialog, id, CB_GETDROPPEDSTATE) ? 1 : 0; }

void LimitComboText(HWND dialog, int id, uint16_t limit) { Send(dialog, id, CB_LIMITTEXT, limit); }

uint16_t SetListSelection(HWND dialog, int id, uint16_t index) { return SetSelection(dialog, id, LB_SETCURSEL, index); }

uint16_t GetListSelection(HWND dialog, int id, uint16_t* index) {
    return GetSelection(dialog, id, LB_GETCURSEL, index);
}

uint16_t GetListItemText(HWND dialog, int id, uint16_t index, char* buffer, uint32_t size) {
    LRESULT r = ReadItem(dialog, id, LB_GETTEXTLEN, LB_GETTEXT, index, buffer, size);
    return r <= 0 ? kNoItem : Index(r);
}

uint16_t AddListString(HWND dialog, int id, const char* text) { return Index(Send(dialog, id, LB_ADDSTRING, 0, Text(text))); }

uint16_t InsertListString(HWND dialog, int id, uint16_t index, const char* text) {
    return Index(Send(dialog, id, LB_INSERTSTRING, Position(index), Text(text)));
}

void DeleteListString(HWND dialog, int id, uint16_t index) { Send(dialog, id, LB_DELETESTRING, index); }

void ResetList(HWND dialog, int id) { Send(dialog, id, LB_RESETCONTENT); }

uint16_t FindListStringExact(HWND dialog, int id, const char* text, uint16_t* index) {
    return Search(dialog, id, LB_FINDSTRINGEXACT, text, index);
}

uint16_t GetListCount(HWND dialog, int id) {
    LRESULT r = Send(dialog, id, LB_GETCOUNT);
    return r < 0 ? 0 : (r > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(r));
}

void SelectEditText(HWND dialog, int id, int start, int end) { Send(dialog, id, EM_SETSEL, start, end); }

void GetItemText(HWND dialog, int id, char* buffer, uint32_t size) {
    if (!buffer || size == 0) return;
    buffer[0] = '\0';
    Send(dialog, id, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer));
    buffer[size - 1] = '\0';
}

void SetItemText(HWND dialog, int id, const char* text) { Send(dialog, id, WM_SETTEXT, 0, Text(text)); }

namespace {

// Reads a text of length characters with message into out.
uint16_t ReadWhole(HWND dialog, int id, LRESULT length, UINT message, WPARAM wParam, TextBuffer& out) {
    out.Clear();
    if (length < 0 || static_cast<uint64_t>(length) >= TextBuffer::kMaxCapacity) return 0;
    if (length == 0) return 1;
    char* text = new (std::nothrow) char[static_cast<size_t>(length) + 1];
    if (!text) return 0;
    text[0] = '\0';
    const LRESULT got = Send(dialog, id, message, message == WM_GETTEXT ? static_cast<WPARAM>(length + 1) : wParam,
                             reinterpret_cast<LPARAM>(text));
    text[length] = '\0';
    const uint16_t ok = got >= 0 && got <= length && out.Assign(text, static_cast<uint32_t>(got)) ? 1 : 0;
    delete[] text;
    if (!ok) out.Clear();
    return ok;
}

}  // namespace

uint16_t GetWholeItemText(HWND dialog, int id, TextBuffer& out) {
    return ReadWhole(dialog, id, Send(dialog, id, WM_GETTEXTLENGTH), WM_GETTEXT, 0, out);
}

uint16_t GetWholeComboItemText(HWND dialog, int id, uint16_t index, TextBuffer& out) {
    return ReadWhole(dialog, id, Send(dialog, id, CB_GETLBTEXTLEN, index), CB_GETLBTEXT, index, out);
}

uint16_t GetWholeListItemText(HWND dialog, int id, uint16_t index, TextBuffer& out) {
    return ReadWhole(dialog, id, Send(dialog, id, LB_GETTEXTLEN, index), LB_GETTEXT, index, out);
}

void MoveItem(HWND dialog, int id, int x, int y, int width, int height) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) return;
    RECT r = {x, y, x + width, y + height};
    MapDialogRect(dialog, &r);
    MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void DeleteGdiObject(HGDIOBJ object) {
    if (object) DeleteObject(object);
}

void ShowItem(HWND dialog, int id, bool shown) {
    HWND control = GetDlgItem(dialog, id);
    if (control) ShowWindow(control, shown ? SW_SHOW : SW_HIDE);
}

void EnableItem(HWND dialog, int id, bool enabled) {
    HWND control = GetDlgItem(dialog, id);
    if (control) EnableWindow(control, enabled ? TRUE : FALSE);
}

bool IsItemChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetItemChecked(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}
