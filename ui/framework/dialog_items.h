#ifndef ORBNET_UI_FRAMEWORK_DIALOG_ITEMS_H
#define ORBNET_UI_FRAMEWORK_DIALOG_ITEMS_H

#include <windows.h>
#include <cstdint>

#include "frame/core/text_buffer.h"

// Thin helpers for the list boxes, combo boxes and edit fields of a dialog,
// one per control message. Indexes are 16-bit; kNoItem means none. Text
// reads are bounded by the buffer size they are given: a longer item is cut
// to fit and always terminated.
constexpr uint16_t kNoItem = 0xFFFF;

// Combo boxes.
uint16_t SelectComboString(HWND dialog, int id, const char* text, uint16_t* index);
uint16_t SetComboSelection(HWND dialog, int id, uint16_t index);
uint16_t GetComboSelection(HWND dialog, int id, uint16_t* index);
// The item's length (cut to size - 1), or -1 when there is no such item.
int GetComboItemText(HWND dialog, int id, uint16_t index, char* buffer, uint32_t size);
uint16_t AddComboString(HWND dialog, int id, const char* text);
void ResetCombo(HWND dialog, int id);
uint16_t FindComboStringExact(HWND dialog, int id, const char* text, uint16_t* index);
uint16_t InsertComboString(HWND dialog, int id, uint16_t index, const char* text);
uint16_t IsComboDroppedDown(HWND dialog, int id);
void LimitComboText(HWND dialog, int id, uint16_t limit);

// List boxes.
uint16_t SetListSelection(HWND dialog, int id, uint16_t index);
uint16_t GetListSelection(HWND dialog, int id, uint16_t* index);
// The item's length (cut to size - 1); kNoItem when there is no such item
// or its text is empty.
uint16_t GetListItemText(HWND dialog, int id, uint16_t index, char* buffer, uint32_t size);
uint16_t AddListString(HWND dialog, int id, const char* text);
uint16_t InsertListString(HWND dialog, int id, uint16_t index, const char* text);
void DeleteListString(HWND dialog, int id, uint16_t index);
void ResetList(HWND dialog, int id);
uint16_t FindListStringExact(HWND dialog, int id, const char* text, uint16_t* index);
uint16_t GetListCount(HWND dialog, int id);

// Edit fields and any control.
void SelectEditText(HWND dialog, int id, int start, int end);
void GetItemText(HWND dialog, int id, char* buffer, uint32_t size);
void SetItemText(HWND dialog, int id, const char* text);
// The whole text of a control, or of a combo box's or list box's item,
// however long: 0 (out empty) when there is none or it does not fit a
// TextBuffer, never a part of it.
uint16_t GetWholeItemText(HWND dialog, int id, TextBuffer& out);
uint16_t GetWholeComboItemText(HWND dialog, int id, uint16_t index, TextBuffer& out);
uint16_t GetWholeListItemText(HWND dialog, int id, uint16_t index, TextBuffer& out);
// Shows or hides, enables or disables a control (nothing when it is missing).
void ShowItem(HWND dialog, int id, bool shown);
void EnableItem(HWND dialog, int id, bool enabled);
// Check boxes and radio buttons.
bool IsItemChecked(HWND dialog, int id);
void SetItemChecked(HWND dialog, int id, bool checked);
// Moves the control to a rectangle given in the dialog's units.
void MoveItem(HWND dialog, int id, int x, int y, int width, int height);
void DeleteGdiObject(HGDIOBJ object);

#endif
