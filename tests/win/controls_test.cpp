// The item helpers and the painters of the file dialogs' controls, on real
// controls under Wine. The painters draw into a memory bitmap whose pixels
// are checked against the library's own pictures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/module.h"
#include "test_dialog_ids.h"
#include "transfer/directory_listing.h"
#include "ui/filedialog/file_dialog_ids.h"
#include "ui/framework/dialog_items.h"
#include "ui/framework/painters.h"

namespace {

constexpr COLORREF kUntouched = RGB(1, 2, 3);

// A 32-bit top-down bitmap with its own device context.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        Clear(kUntouched);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    void Clear(COLORREF colour) {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i)
            bits_[i] = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    }
    COLORREF At(int x, int y) const {
        GdiFlush();
        uint32_t p = bits_[y * width_ + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
    // The pixels of a rectangle, row by row.
    std::vector<COLORREF> Area(int left, int top, int right, int bottom) const {
        std::vector<COLORREF> out;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) out.push_back(At(x, y));
        return out;
    }
    HDC Dc() const { return dc_; }

private:
    int width_, height_;
    HBITMAP bitmap_;
    uint32_t* bits_ = nullptr;
    HDC dc_;
    HGDIOBJ old_;
};

// A picture's own pixels.
struct Picture {
    explicit Picture(HBITMAP bitmap) {
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        width = info.bmWidth;
        height = info.bmHeight;
        Canvas canvas(width, height);
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, bitmap);
        BitBlt(canvas.Dc(), 0, 0, width, height, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        pixels = canvas.Area(0, 0, width, height);
    }
    COLORREF At(int x, int y) const { return pixels[y * width + x]; }
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
};

DRAWITEMSTRUCT Item(HWND control, int index, UINT state, HDC dc, RECT rect) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_LISTBOX;
    item.hwndItem = control;
    item.itemID = static_cast<UINT>(index);
    item.itemState = state;
    item.hDC = dc;
    item.rcItem = rect;
    return item;
}

// How many more GDI objects this process may make.
int FreeGdiSlots() {
    std::vector<HBRUSH> made;
    for (;;) {
        HBRUSH b = CreateSolidBrush(RGB(made.size() & 255, 0, 0));
        if (!b) break;
        made.push_back(b);
    }
    for (HBRUSH b : made) DeleteObject(b);
    return static_cast<int>(made.size());
}

INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library_ = LoadLibraryExA("OrbNetN01.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ModuleInstance = library_;
    }
    static void TearDownTestSuite() {
        ModuleInstance = nullptr;
        FreeLibrary(library_);
    }
    void SetUp() override {
        ASSERT_TRUE(library_);
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ORB_TEST_CONTROLS_TEMPLATE), nullptr,
                                    Quiet, 0);
        ASSERT_TRUE(dialog);
        pictures.Load(kPictureBannerOpen);
        ASSERT_TRUE(pictures.openFolder && pictures.document && pictures.link && pictures.upIcon && pictures.banner);
    }
    void TearDown() override {
        pictures.Free();
        DestroyWindow(dialog);
    }
    HWND Control(int id) const { return GetDlgItem(dialog, id); }

    // Every pixel of picture at (x, y) on canvas: its own colour, or the
    // background where it is white.
    // From column filledFrom on, the background is filled.
    static void ExpectPicture(const Canvas& canvas, HBITMAP bitmap, int x, int y, COLORREF background,
                              int filledFrom = 0, COLORREF filled = 0) {
        Picture picture(bitmap);
        int wrong = 0;
        for (int py = 0; py < picture.height; ++py)
            for (int px = 0; px < picture.width; ++px) {
                COLORREF behind = x + px >= filledFrom && filledFrom ? filled : background;
                COLORREF want = picture.At(px, py) == RGB(255, 255, 255) ? behind : picture.At(px, py);
                if (canvas.At(x + px, y + py) != want) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "picture at " << x << "," << y;
    }

    HWND dialog = nullptr;
    DialogPictures pictures;
    static inline HMODULE library_ = nullptr;
};

TEST_F(Controls, ComboAndListHelpers) {
    const std::string longText(600, 'L');
    // Combo boxes.
    EXPECT_EQ(AddComboString(dialog, ORB_FD_HOSTS, "beta"), 0);
    EXPECT_EQ(InsertComboString(dialog, ORB_FD_HOSTS, 0, "alpha"), 0);
    EXPECT_EQ(InsertComboString(dialog, ORB_FD_HOSTS, kNoItem, longText.c_str()), 2);  // appended
    uint16_t index = 7;
    EXPECT_EQ(FindComboStringExact(dialog, ORB_FD_HOSTS, "beta", &index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(FindComboStringExact(dialog, ORB_FD_HOSTS, "gamma", &index), 0);
    EXPECT_EQ(index, kNoItem);
    EXPECT_EQ(SelectComboString(dialog, ORB_FD_HOSTS, "be", &index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(GetComboSelection(dialog, ORB_FD_HOSTS, &index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(SetComboSelection(dialog, ORB_FD_HOSTS, kNoItem), 1);  // clears, and says so
    EXPECT_EQ(GetComboSelection(dialog, ORB_FD_HOSTS, &index), 0);
    EXPECT_EQ(index, kNoItem);
    EXPECT_EQ(SetComboSelection(dialog, ORB_FD_HOSTS, 9), 0);
    char small[16];
    EXPECT_EQ(GetComboItemText(dialog, ORB_FD_HOSTS, 2, small, sizeof small), 15);
    EXPECT_EQ(std::string(small), longText.substr(0, 15));  // cut, terminated
    EXPECT_EQ(GetComboItemText(dialog, ORB_FD_HOSTS, 9, small, sizeof small), -1);
    EXPECT_EQ(IsComboDroppedDown(dialog, ORB_FD_HOSTS), 0);
    ResetCombo(dialog, ORB_FD_HOSTS);
    EXPECT_EQ(SendDlgItemMessageA(dialog, ORB_FD_HOSTS, CB_GETCOUNT, 0, 0), 0);

    // List boxes.
    EXPECT_EQ(AddListString(dialog, ORB_FD_RAW_LINES, "one"), 0);
    EXPECT_EQ(AddListString(dialog, ORB_FD_RAW_LINES, ""), 1);
    EXPECT_EQ(InsertListString(dialog, ORB_FD_RAW_LINES, 0, longText.c_str()), 0);
    EXPECT_EQ(GetListCount(dialog, ORB_FD_RAW_LINES), 3);
    char buffer[32];
    EXPECT_EQ(GetListItemText(dialog, ORB_FD_RAW_LINES, 1, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "one");
    EXPECT_EQ(GetListItemText(dialog, ORB_FD_RAW_LINES, 2, buffer, sizeof buffer), kNoItem);  // empty text
    EXPECT_EQ(GetListItemText(dialog, ORB_FD_RAW_LINES, 5, buffer, sizeof buffer), kNoItem);  // no such item
    EXPECT_EQ(GetListItemText(dialog, ORB_FD_RAW_LINES, 0, buffer, sizeof buffer), 31);
    EXPECT_EQ(std::string(buffer), longText.substr(0, 31));
    EXPECT_EQ(FindListStringExact(dialog, ORB_FD_RAW_LINES, "one", &index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(FindListStringExact(dialog, ORB_FD_RAW_LINES, "two", &index), 0);
    EXPECT_EQ(index, kNoItem);
    EXPECT_EQ(SetListSelection(dialog, ORB_FD_RAW_LINES, 1), 1);
    EXPECT_EQ(GetListSelection(dialog, ORB_FD_RAW_LINES, &index), 1);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(SetListSelection(dialog, ORB_FD_RAW_LINES, kNoItem), 1);
    EXPECT_EQ(GetListSelection(dialog, ORB_FD_RAW_LINES, &index), 0);
    DeleteListString(dialog, ORB_FD_RAW_LINES, 0);
    EXPECT_EQ(GetListCount(dialog, ORB_FD_RAW_LINES), 2);
    ResetList(dialog, ORB_FD_RAW_LINES);
    EXPECT_EQ(GetListCount(dialog, ORB_FD_RAW_LINES), 0);

    // Edit fields and placement.
    SetItemText(dialog, ORB_FD_NAME, "report.doc");
    GetItemText(dialog, ORB_FD_NAME, small, 7);
    EXPECT_STREQ(small, "report");
    SelectEditText(dialog, ORB_FD_NAME, 0, -1);
    DWORD start = 0, end = 0;
    SendDlgItemMessageA(dialog, ORB_FD_NAME, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 10u);
    MoveItem(dialog, ORB_FD_NAME, 20, 30, 100, 14);
    RECT want = {20, 30, 120, 44}, got;
    MapDialogRect(dialog, &want);
    GetWindowRect(Control(ORB_FD_NAME), &got);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right - got.left, want.right - want.left);
    EXPECT_EQ(got.bottom - got.top, want.bottom - want.top);
}

TEST_F(Controls, LevelItemsShowTheirFolderAtTheirLevel) {
    const struct {
        const char* text;
        HBITMAP DialogPictures::*picture;
        int left;
    } cases[] = {
        {"\x43" "docs", &DialogPictures::openFolder, 22},  // level 3, the current one
        {"\x82" "pub", &DialogPictures::yellowFolder, 15},
        {"\x81" "/", &DialogPictures::yellowFolder, 8},
        {"\x41" "/", &DialogPictures::openFolder, 8},
        {"\x01" "plain", &DialogPictures::greenFolder, 8},
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + 1);
        ResetCombo(dialog, ORB_FD_LEVELS);
        AddComboString(dialog, ORB_FD_LEVELS, c.text);
        Canvas canvas(200, 20);
        DRAWITEMSTRUCT item = Item(Control(ORB_FD_LEVELS), 0, 0, canvas.Dc(), RECT{0, 0, 200, 18});
        DrawLevelItem(pictures, &item);
        ExpectPicture(canvas, pictures.*(c.picture), c.left, 0, window);
        // The name after the picture, and nothing between them.
        const int textLeft = c.left + Picture(pictures.*(c.picture)).width + 8;
        int inked = 0;
        for (int x = textLeft; x < 200; ++x)
            for (int y = 0; y < 18; ++y) inked += canvas.At(x, y) != window;
        EXPECT_GT(inked, 0);
        for (int x = c.left + Picture(pictures.*(c.picture)).width; x < textLeft; ++x)
            EXPECT_EQ(canvas.At(x, 9), window);
        EXPECT_EQ(canvas.At(199, 19), kUntouched);  // nothing outside the item
    }
}

TEST_F(Controls, EntryItemsShowTheirPictureAndName) {
    // The name drawn for each entry, compared with the name drawn alone.
    const struct {
        std::string text;
        HBITMAP DialogPictures::*picture;
        const char* shown;
    } cases[] = {
        {"\xff" "a.txt", &DialogPictures::document, "a.txt"},
        {"\xff" "My Report.doc", &DialogPictures::document, "My Report.doc"},
        {"\x03" "pub", &DialogPictures::folder, "pub"},
        {"\x02 bin >usr/bin", &DialogPictures::link, "bin"},
        {"\x02 my link >some dir/x", &DialogPictures::link, "my link"},
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        ResetList(dialog, ORB_FD_ENTRIES);
        AddListString(dialog, ORB_FD_ENTRIES, c.text.c_str());
        Canvas canvas(200, 20);
        DRAWITEMSTRUCT item = Item(Control(ORB_FD_ENTRIES), 0, 0, canvas.Dc(), RECT{0, 0, 200, 18});
        DrawEntryItem(pictures, &item);
        ExpectPicture(canvas, pictures.*(c.picture), 4, 0, kUntouched, 20, window);
        Canvas reference(200, 20);
        RECT fill = {20, 0, 200, 18}, text = {24, 0, 200, 18};
        HBRUSH brush = CreateSolidBrush(window);
        FillRect(reference.Dc(), &fill, brush);
        DeleteObject(brush);
        SetTextColor(reference.Dc(), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reference.Dc(), window);
        DrawTextA(reference.Dc(), c.shown, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        EXPECT_EQ(canvas.Area(24, 0, 200, 18), reference.Area(24, 0, 200, 18)) << "not the name alone";
        EXPECT_EQ(canvas.At(1, 9), kUntouched);  // the leftmost 20 pixels are not filled
    }
}

TEST_F(Controls, SelectedAndFocusedItems) {
    AddListString(dialog, ORB_FD_ENTRIES, "\xff" "a.txt");
    AddComboString(dialog, ORB_FD_LEVELS, "\x43" "docs");
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    for (bool level : {false, true}) {
        SCOPED_TRACE(level ? "level" : "entry");
        Canvas selected(200, 20), focused(200, 20), plain(200, 20);
        for (auto [canvas, state] : {std::pair<Canvas*, UINT>{&selected, ODS_SELECTED},
                                     std::pair<Canvas*, UINT>{&focused, ODS_FOCUS},
                                     std::pair<Canvas*, UINT>{&plain, 0}}) {
            DRAWITEMSTRUCT item =
                Item(Control(level ? ORB_FD_LEVELS : ORB_FD_ENTRIES), 0, state, canvas->Dc(), RECT{0, 0, 200, 18});
            if (level) DrawLevelItem(pictures, &item);
            else DrawEntryItem(pictures, &item);
        }
        EXPECT_EQ(selected.At(190, 9), highlight);
        EXPECT_EQ(plain.At(190, 9), GetSysColor(COLOR_WINDOW));
        // The focus rectangle runs along the top of the item (from 20 on
        // for an entry).
        const int from = level ? 0 : 20;
        int changed = 0;
        for (int x = from; x < 200; ++x) changed += focused.At(x, 0) != plain.At(x, 0);
        EXPECT_GT(changed, 40);
        if (!level) {
            EXPECT_EQ(focused.At(10, 0), plain.At(10, 0));
        }
    }
}

TEST_F(Controls, IconButtonsPressedReleasedAndDisabled) {
    const RECT r = {0, 0, 22, 22};
    const COLORREF face = GetSysColor(COLOR_BTNFACE), shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    Canvas up(22, 22), down(22, 22), disabled(22, 22), iconAlone(40, 40);
    DRAWITEMSTRUCT item = Item(Control(ORB_FD_UP), 0, 0, up.Dc(), r);
    DrawIconButton(pictures, &item, kPictureUpIcon, 0);
    item = Item(Control(ORB_FD_UP), 0, ODS_SELECTED, down.Dc(), r);
    DrawIconButton(pictures, &item, kPictureUpIcon, 0);
    item = Item(Control(ORB_FD_UP), 0, 0, disabled.Dc(), r);
    DrawIconButton(pictures, &item, kPictureUpIcon, 1);
    // Released: white top and left, black bottom and right, shadow inside.
    EXPECT_EQ(up.At(0, 10), white);
    EXPECT_EQ(up.At(10, 0), white);
    EXPECT_EQ(up.At(10, 21), black);
    EXPECT_EQ(up.At(21, 10), black);
    EXPECT_EQ(up.At(10, 20), shadow);
    EXPECT_EQ(up.At(20, 10), shadow);
    // Pressed: the other way round, the icon one pixel further.
    EXPECT_EQ(down.At(10, 0), black);
    EXPECT_EQ(down.At(0, 10), black);
    EXPECT_EQ(down.At(1, 10), shadow);
    EXPECT_EQ(down.At(10, 1), shadow);
    EXPECT_EQ(down.At(10, 21), white);
    EXPECT_EQ(down.At(21, 10), white);
    // The icon itself, drawn alone on the button face.
    HBRUSH brush = CreateSolidBrush(face);
    RECT all = {0, 0, 40, 40};
    FillRect(iconAlone.Dc(), &all, brush);
    DeleteObject(brush);
    DrawIcon(iconAlone.Dc(), 0, 0, pictures.upIcon);
    int iconPixels = 0, shifted = 0;
    for (int y = 3; y < 18; ++y)
        for (int x = 3; x < 18; ++x) {
            if (iconAlone.At(x, y) == face) continue;
            ++iconPixels;
            EXPECT_EQ(up.At(x, y), iconAlone.At(x, y));
            shifted += down.At(x + 1, y + 1) == iconAlone.At(x, y);
        }
    EXPECT_GT(iconPixels, 20);
    EXPECT_EQ(shifted, iconPixels);
    // Disabled: a lighter veil over the inside, the edges as they are.
    int lighter = 0;
    for (int y = 2; y < 19; ++y)
        for (int x = 2; x < 19; ++x) {
            COLORREF a = up.At(x, y), b = disabled.At(x, y);
            EXPECT_GE(GetRValue(b), GetRValue(a));
            lighter += b != a;
        }
    EXPECT_GT(lighter, 20);
    EXPECT_EQ(disabled.At(0, 10), white);
    EXPECT_EQ(disabled.At(10, 21), black);
}

TEST_F(Controls, GlobeAndBanner) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (uint16_t connected : {0, 1}) {
        Canvas canvas(80, 40);
        DRAWITEMSTRUCT item = Item(Control(ORB_FD_GLOBE), 0, 0, canvas.Dc(), RECT{0, 0, 80, 40});
        DrawGlobe(pictures, &item, connected);
        Picture globe(connected ? pictures.globeConnected : pictures.globe);
        EXPECT_EQ(canvas.Area(0, 0, globe.width, globe.height), globe.pixels) << connected;
        EXPECT_EQ(canvas.At(70, 38), face);
    }
    Canvas canvas(360, 30);
    DRAWITEMSTRUCT item = Item(Control(ORB_FD_BANNER), 0, 0, canvas.Dc(), RECT{0, 0, 360, 30});
    DrawBanner(pictures.banner, &item);
    Picture banner(pictures.banner);
    EXPECT_EQ(canvas.Area(0, 0, banner.width, banner.height), banner.pixels);
    EXPECT_EQ(canvas.At(355, 28), face);

    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    PaintPale(Control(ORB_FD_BANNER));
    HDC dc = GetDC(Control(ORB_FD_BANNER));
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 255, 192));
    ReleaseDC(Control(ORB_FD_BANNER), dc);
}

TEST_F(Controls, PaintersKeepNoGdiObjects) {
    AddListString(dialog, ORB_FD_ENTRIES, "\x02 bin >usr/bin");
    AddComboString(dialog, ORB_FD_LEVELS, "\x43" "docs");
    Canvas canvas(200, 40);
    const int before = FreeGdiSlots();
    for (int i = 0; i < 1000; ++i) {
        UINT state = (i & 1 ? ODS_SELECTED : 0) | (i & 2 ? ODS_FOCUS : 0);
        DRAWITEMSTRUCT item = Item(Control(ORB_FD_ENTRIES), 0, state, canvas.Dc(), RECT{0, 0, 200, 18});
        DrawEntryItem(pictures, &item);
        item.hwndItem = Control(ORB_FD_LEVELS);
        DrawLevelItem(pictures, &item);
        DrawIconButton(pictures, &item, kPictureNewFolderIcon, i & 4 ? 1 : 0);
        DrawGlobe(pictures, &item, i & 1);
        DrawBanner(pictures.banner, &item);
    }
    PaintPale(Control(ORB_FD_BANNER));
    EXPECT_GE(FreeGdiSlots(), before - 2) << "the painters leave GDI objects behind";
}

// A dialog that shows listings, on the controls' template.
class Browser : public ListingDialog {
public:
    Browser() {
        templateId = ORB_TEST_CONTROLS_TEMPLATE;
        dialogProc = DialogProc;
    }
    void RefreshFolderButtons() override { ++refreshed; }
    int refreshed = 0;
};

std::string ListItem(HWND dialog, int id, int index) {
    LRESULT length = SendDlgItemMessageA(dialog, id, LB_GETTEXTLEN, index, 0);
    if (length < 0) return "<none>";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendDlgItemMessageA(dialog, id, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

std::vector<std::string> ListItems(HWND dialog, int id) {
    std::vector<std::string> out;
    LRESULT count = SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) out.push_back(ListItem(dialog, id, i));
    return out;
}

class Listings : public Controls {
protected:
    void SetUp() override {
        Controls::SetUp();
        language_ = ResourceModule;
        ResourceModule = GetModuleHandleA(nullptr);  // the template is the test's own
        ASSERT_EQ(browser.CreateModeless(nullptr), 1);
        listing.clear();
    }
    void TearDown() override {
        ResourceModule = language_;
        Controls::TearDown();
    }
    void Show(const std::string& directory, const std::string& typed, const std::string& filter) {
        browser.currentDirectory.Assign(directory.c_str());
        browser.filterPattern.Assign(filter.c_str());
        SetItemText(browser.window, kListingPattern, typed.c_str());
        ParseListing(browser, listing.data(), static_cast<uint32_t>(listing.size()));
    }
    Browser browser;
    std::string listing;

private:
    HMODULE language_ = nullptr;
};

TEST_F(Listings, ListsFilledFromTheListing) {
    const std::vector<std::string> lines = {
        "drwxr-xr-x   2 owner    group        4096 Jan 01 12:34 sub dir",
        "-rw-r--r--   1 owner    group         120 Jan 01 12:34 My Report.doc",
        "-rw-r--r--   1 owner    group          12 Mar 03  2021 notes.txt",
        "lrwxrwxrwx   1 owner    group           7 Jan 01 12:34 bin -> usr/bin",
        "drwxr-xr-x   2 owner    group        4096 Jan 01 12:34 .",
        "drwxr-xr-x   2 owner    group        4096 Jan 01 12:34 ..",
        "nospace",
    };
    for (const std::string& line : lines) listing += line + "\r";
    Show("/pub/docs", "*.txt", "*.*");
    HWND w = browser.window;
    EXPECT_EQ(ListItems(w, kListingRaw), lines);
    EXPECT_EQ(ListItems(w, kListingEntries),
              (std::vector<std::string>{"\x04sub dir", "\xffMy Report.doc", "\xffnotes.txt", "\x04 bin >usr/bin"}));
    // Only plain files are filtered out; each shown entry carries its raw line.
    EXPECT_EQ(ListItems(w, kListingShown),
              (std::vector<std::string>{"\x04sub dir", "\xffnotes.txt", "\x04 bin >usr/bin"}));
    const LRESULT raw[] = {0, 2, 3};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(SendDlgItemMessageA(w, kListingShown, LB_GETITEMDATA, i, 0), raw[i]);
    // The levels, the current one selected, each with the raw count + 1.
    std::vector<std::string> levels;
    for (int i = 0; i < SendDlgItemMessageA(w, kListingLevels, CB_GETCOUNT, 0, 0); ++i) {
        char text[64] = "";
        SendDlgItemMessageA(w, kListingLevels, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        levels.push_back(text);
        EXPECT_EQ(SendDlgItemMessageA(w, kListingLevels, CB_GETITEMDATA, i, 0), 8);
    }
    EXPECT_EQ(levels, (std::vector<std::string>{"\x81/", "\x82pub", "\x43" "docs"}));
    EXPECT_EQ(SendDlgItemMessageA(w, kListingLevels, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(browser.refreshed, 1);

    // A name typed without a wildcard: the file type's pattern counts.
    Show("/pub/docs", "Report", "*.doc");
    EXPECT_EQ(ListItems(w, kListingShown),
              (std::vector<std::string>{"\x04sub dir", "\xffMy Report.doc", "\x04 bin >usr/bin"}));
    // A directory browser shows no files at all.
    browser.directoriesOnly = 1;
    Show("/pub/docs", "*", "*");
    EXPECT_EQ(ListItems(w, kListingShown), (std::vector<std::string>{"\x04sub dir", "\x04 bin >usr/bin"}));
    EXPECT_EQ(browser.refreshed, 3);
}

TEST_F(Listings, LongNamesAndLargeDirectories) {
    const std::string longName(700, 'n');
    listing = "-rw-r--r-- 1 o g 5 Jan 01 12:34 " + longName + ".txt\r";
    for (int i = 0; i < 5000; ++i) listing += "-rw-r--r-- 1 o g 5 Jan 01 12:34 file " + std::to_string(i) + ".txt\r";
    DWORD start = GetTickCount();
    Show("/", "*", "*");
    EXPECT_LT(GetTickCount() - start, 20000u);
    EXPECT_EQ(SendDlgItemMessageA(browser.window, kListingShown, LB_GETCOUNT, 0, 0), 5001);
    EXPECT_EQ(ListItem(browser.window, kListingShown, 0), "\xff" + longName + ".txt");  // whole
    EXPECT_EQ(ListItem(browser.window, kListingShown, 5000), "\xff" "file 4999.txt");
    // The painter draws the long name without overrunning anything.
    Canvas canvas(200, 20);
    DRAWITEMSTRUCT item = Item(GetDlgItem(browser.window, kListingShown), 0, 0, canvas.Dc(), RECT{0, 0, 200, 18});
    DrawEntryItem(pictures, &item);
    EXPECT_EQ(canvas.At(199, 19), kUntouched);
}

}  // namespace
