#include "ui/framework/painters.h"

#include <cstring>
#include <new>

#include "frame/module.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kPale = RGB(255, 255, 192);
constexpr COLORREF kDisabledGrey = RGB(170, 170, 170);
// Entry pictures stand at item left + 4; names at + 24; the focus and the
// filled background begin at + 20.
constexpr int kEntryPictureLeft = 4;
constexpr int kEntryTextLeft = 24;
constexpr int kEntryFillLeft = 20;
// Level pictures: left + 8 + 7 per level; names 8 after the picture.
constexpr int kLevelLeft = 8;
constexpr int kLevelIndent = 7;
constexpr int kLevelTextGap = 8;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

HBITMAP LoadPicture(uint16_t id) { return LoadBitmapA(ModuleInstance, MAKEINTRESOURCEA(id)); }

HICON LoadIconPicture(uint16_t id) {
    return static_cast<HICON>(LoadImageA(ModuleInstance, MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, 0));
}

void DeleteBitmap(HBITMAP& bitmap) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
}

SIZE PictureSize(HBITMAP picture) {
    BITMAP info = {};
    if (!picture || !GetObjectA(picture, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

// The text of a list or combo item, whole: in text (256 bytes) or, when
// longer, in a new[] array that the holder deletes.
class ItemText {
public:
    ItemText(const DRAWITEMSTRUCT* item, bool combo) : text_(small_), owned_(nullptr) {
        small_[0] = '\0';
        UINT lengthMessage = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
        UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
        LRESULT length = SendMessageA(item->hwndItem, lengthMessage, item->itemID, 0);
        if (length <= 0) return;
        if (static_cast<size_t>(length) >= sizeof small_) {
            owned_ = new (std::nothrow) char[static_cast<size_t>(length) + 1];
            if (!owned_) return;
            text_ = owned_;
        }
        if (SendMessageA(item->hwndItem, textMessage, item->itemID, reinterpret_cast<LPARAM>(text_)) < 0)
            text_[0] = '\0';
    }
    ~ItemText() { delete[] owned_; }
    ItemText(const ItemText&) = delete;
    ItemText& operator=(const ItemText&) = delete;
    const char* Text() const { return text_; }

private:
    char small_[256];
    char* text_;
    char* owned_;
};

// The colours of an item, selected or not: the background filled, the
// text's own colours set on the device context until restored.
class ItemColours {
public:
    ItemColours(HDC dc, bool selected)
        : dc_(dc),
          background_(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW)),
          oldText_(SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT))),
          oldBack_(SetBkColor(dc, background_)) {}
    ~ItemColours() {
        SetTextColor(dc_, oldText_);
        SetBkColor(dc_, oldBack_);
    }
    ItemColours(const ItemColours&) = delete;
    ItemColours& operator=(const ItemColours&) = delete;
    void Fill(const RECT& area) const {
        HBRUSH brush = CreateSolidBrush(background_);
        FillRect(dc_, &area, brush);
        DeleteObject(brush);
    }

private:
    HDC dc_;
    COLORREF background_;
    COLORREF oldText_;
    COLORREF oldBack_;
};

void FillWithSystemColour(HDC dc, const RECT& area, int colour) {
    HBRUSH brush = CreateSolidBrush(GetSysColor(colour));
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

void CopyPicture(HDC target, HBITMAP picture) {
    if (!picture) return;
    SIZE size = PictureSize(picture);
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ old = SelectObject(source, picture);
    BitBlt(target, 0, 0, size.cx, size.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

void Line(HDC dc, HPEN pen, int x0, int y0, int x1, int y1, int x2, int y2) {
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
}

}  // namespace

DialogPictures::DialogPictures()
    : globeConnected(nullptr),
      globe(nullptr),
      openFolder(nullptr),
      greenFolder(nullptr),
      yellowFolder(nullptr),
      document(nullptr),
      folder(nullptr),
      link(nullptr),
      banner(nullptr),
      upIcon(nullptr),
      newFolderIcon(nullptr) {}

DialogPictures::~DialogPictures() { Free(); }

void DialogPictures::Load(uint16_t bannerId) {
    Free();
    globeConnected = LoadPicture(kPictureGlobeConnected);
    globe = LoadPicture(kPictureGlobe);
    openFolder = LoadPicture(kPictureOpenFolder);
    greenFolder = LoadPicture(kPictureGreenFolder);
    yellowFolder = LoadPicture(kPictureYellowFolder);
    document = LoadPicture(kPictureDocument);
    folder = LoadPicture(kPictureFolder);
    link = LoadPicture(kPictureLink);
    banner = LoadPicture(bannerId);
    upIcon = LoadIconPicture(kPictureUpIcon);
    newFolderIcon = LoadIconPicture(kPictureNewFolderIcon);
}

void DialogPictures::Free() {
    DeleteBitmap(globeConnected);
    DeleteBitmap(globe);
    DeleteBitmap(openFolder);
    DeleteBitmap(greenFolder);
    DeleteBitmap(yellowFolder);
    DeleteBitmap(document);
    DeleteBitmap(folder);
    DeleteBitmap(link);
    DeleteBitmap(banner);
    if (upIcon) DestroyIcon(upIcon);
    if (newFolderIcon) DestroyIcon(newFolderIcon);
    upIcon = nullptr;
    newFolderIcon = nullptr;
}

HICON DialogPictures::Icon(uint16_t id) const {
    return id == kPictureUpIcon ? upIcon : id == kPictureNewFolderIcon ? newFolderIcon : nullptr;
}

void DrawTransparent(HDC target, HBITMAP picture, int x, int y) {
    if (!picture) return;
    SIZE size = PictureSize(picture);
    HDC pictureDc = CreateCompatibleDC(target);
    HDC maskDc = CreateCompatibleDC(target);
    HBITMAP mask = CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
    if (!pictureDc || !maskDc || !mask) {
        if (pictureDc) DeleteDC(pictureDc);
        if (maskDc) DeleteDC(maskDc);
        if (mask) DeleteObject(mask);
        return;
    }
    HGDIOBJ oldPicture = SelectObject(pictureDc, picture);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    // The mask: 1 where the picture is white.
    COLORREF oldPictureBack = SetBkColor(pictureDc, kWhite);
    BitBlt(maskDc, 0, 0, size.cx, size.cy, pictureDc, 0, 0, SRCCOPY);
    SetBkColor(pictureDc, oldPictureBack);
    COLORREF oldBack = SetBkColor(target, kWhite);
    COLORREF oldText = SetTextColor(target, kBlack);
    BitBlt(target, x, y, size.cx, size.cy, pictureDc, 0, 0, SRCINVERT);
    BitBlt(target, x, y, size.cx, size.cy, maskDc, 0, 0, SRCAND);
    BitBlt(target, x, y, size.cx, size.cy, pictureDc, 0, 0, SRCINVERT);
    SetBkColor(target, oldBack);
    SetTextColor(target, oldText);
    SelectObject(maskDc, oldMask);
    SelectObject(pictureDc, oldPicture);
    DeleteObject(mask);
    DeleteDC(maskDc);
    DeleteDC(pictureDc);
}

void DrawLevelItem(const DialogPictures& pictures, const DRAWITEMSTRUCT* item) {
    if (!item || item->itemID == static_cast<UINT>(-1)) return;
    ItemText text(item, true);
    const unsigned char marker = static_cast<unsigned char>(text.Text()[0]);
    HBITMAP picture = marker >= 0x80 ? pictures.yellowFolder
                      : (marker & 0x40) ? pictures.openFolder
                                        : pictures.greenFolder;
    ItemColours colours(item->hDC, (item->itemState & ODS_SELECTED) != 0);
    colours.Fill(item->rcItem);
    int level = (marker & 0x3F) - 1;
    if (level < 0) level = 0;
    const int left = item->rcItem.left + kLevelLeft + kLevelIndent * level;
    DrawTransparent(item->hDC, picture, left, item->rcItem.top);
    RECT textArea = item->rcItem;
    textArea.left = left + PictureSize(picture).cx + kLevelTextGap;
    if (marker) DrawTextA(item->hDC, text.Text() + 1, -1, &textArea, kTextFormat);
    if (item->itemState & ODS_FOCUS) DrawFocusRect(item->hDC, &item->rcItem);
}

void DrawEntryItem(const DialogPictures& pictures, const DRAWITEMSTRUCT* item, const EntryLook* look) {
    if (!item || item->itemID == static_cast<UINT>(-1)) return;
    ItemText text(item, false);
    const char* whole = text.Text();
    const unsigned char marker = static_cast<unsigned char>(whole[0]);
    const char* name = marker ? whole + 1 : whole;
    int nameLength = -1;
    HBITMAP picture = pictures.document;
    if (look) {
        name = look->name ? look->name : "";
        nameLength = look->nameLength;
        picture = look->kind == EntryLook::kFile ? pictures.document
                  : look->kind == EntryLook::kLink ? pictures.link
                                                   : pictures.folder;
    } else if (marker != 0xFF) {
        // "\x02 bin >usr/bin": a link, shown as its name alone (what comes
        // before the space in front of its first " >").
        const char* arrow = std::strstr(name, " >");
        if (arrow) {
            picture = pictures.link;
            const char* end = arrow;
            while (name < end && *name == ' ') ++name;
            nameLength = static_cast<int>(end - name);
        } else {
            picture = pictures.folder;
        }
    }
    ItemColours colours(item->hDC, (item->itemState & ODS_SELECTED) != 0);
    RECT area = item->rcItem;
    area.left += kEntryFillLeft;
    colours.Fill(area);
    DrawTransparent(item->hDC, picture, item->rcItem.left + kEntryPictureLeft, item->rcItem.top);
    RECT textArea = item->rcItem;
    textArea.left += kEntryTextLeft;
    DrawTextA(item->hDC, name, nameLength, &textArea, kTextFormat);
    if (item->itemState & ODS_FOCUS) DrawFocusRect(item->hDC, &area);
}

void DrawIconButton(const DialogPictures& pictures, const DRAWITEMSTRUCT* item, uint16_t iconId, uint16_t disabled) {
    if (!item) return;
    HDC dc = item->hDC;
    FillWithSystemColour(dc, item->rcItem, COLOR_BTNFACE);
    RECT r = item->rcItem;
    --r.right;
    --r.bottom;
    HPEN white = CreatePen(PS_SOLID, 1, kWhite);
    HPEN black = CreatePen(PS_SOLID, 1, kBlack);
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HICON icon = pictures.Icon(iconId);
    if (item->itemState & ODS_SELECTED) {
        if (icon) DrawIcon(dc, 1, 1, icon);
        Line(dc, black, r.right - 1, r.top, r.left, r.top, r.left, r.bottom - 1);
        Line(dc, shadow, r.left + 1, r.bottom - 2, r.left + 1, r.top + 1, r.right - 2, r.top + 1);
        Line(dc, white, r.left, r.bottom, r.right, r.bottom, r.right, r.top);
    } else {
        if (icon) DrawIcon(dc, 0, 0, icon);
        Line(dc, white, r.left, r.bottom - 1, r.left, r.top, r.right - 1, r.top);
        Line(dc, black, r.left, r.bottom, r.right, r.bottom, r.right, r.top);
        Line(dc, shadow, r.left + 2, r.bottom - 1, r.right - 1, r.bottom - 1, r.right - 1, r.top + 1);
    }
    if (disabled) {
        // A grey veil over all but the edges.
        const int width = r.right - r.left - 4;
        const int height = r.bottom - r.top - 4;
        if (width > 0 && height > 0) {
            HDC veilDc = CreateCompatibleDC(dc);
            HBITMAP veil = CreateBitmap(width, height, 1, 1, nullptr);
            HBRUSH grey = CreateSolidBrush(kDisabledGrey);
            if (veilDc && veil && grey) {
                HGDIOBJ oldVeil = SelectObject(veilDc, veil);
                RECT all = {0, 0, width, height};
                FillRect(veilDc, &all, grey);
                BitBlt(dc, r.left + 2, r.top + 2, width, height, veilDc, 0, 0, SRCPAINT);
                SelectObject(veilDc, oldVeil);
            }
            if (grey) DeleteObject(grey);
            if (veil) DeleteObject(veil);
            if (veilDc) DeleteDC(veilDc);
        }
    }
    DeleteObject(white);
    DeleteObject(black);
    DeleteObject(shadow);
}

void DrawGlobe(const DialogPictures& pictures, const DRAWITEMSTRUCT* item, uint16_t connected) {
    if (!item) return;
    FillWithSystemColour(item->hDC, item->rcItem, COLOR_BTNFACE);
    CopyPicture(item->hDC, connected ? pictures.globeConnected : pictures.globe);
}

void DrawBanner(HBITMAP banner, const DRAWITEMSTRUCT* item) {
    if (!item) return;
    FillWithSystemColour(item->hDC, item->rcItem, COLOR_BTNFACE);
    CopyPicture(item->hDC, banner);
}

void PaintPale(HWND window) {
    if (!window) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    RECT client;
    GetClientRect(window, &client);
    HBRUSH pale = CreateSolidBrush(kPale);
    FillRect(dc, &client, pale);
    DeleteObject(pale);
    ReleaseDC(window, dc);
}
