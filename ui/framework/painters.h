#ifndef ORBNET_UI_FRAMEWORK_PAINTERS_H
#define ORBNET_UI_FRAMEWORK_PAINTERS_H

#include <windows.h>
#include <cstdint>

// The library's own pictures that the file dialogs' owner-drawn controls
// show. The owning dialog loads them once and frees them when it goes.
enum PictureId : uint16_t {
    kPictureGlobeConnected = 105,
    kPictureGlobe = 106,
    kPictureOpenFolder = 107,
    kPictureGreenFolder = 108,
    kPictureYellowFolder = 109,
    kPictureBannerOpen = 113,
    kPictureBannerSave = 115,
    kPictureUpIcon = 116,
    kPictureNewFolderIcon = 117,
    kPictureDocument = 118,
    kPictureFolder = 119,
    kPictureLink = 120,
};

class DialogPictures {
public:
    DialogPictures();
    ~DialogPictures();
    DialogPictures(const DialogPictures&) = delete;
    DialogPictures& operator=(const DialogPictures&) = delete;

    // Loads every picture and the given banner (113 or 115) from the
    // library; a picture that cannot be loaded is drawn as nothing.
    void Load(uint16_t bannerId);
    void Free();
    HICON Icon(uint16_t id) const;

    HBITMAP globeConnected;
    HBITMAP globe;
    HBITMAP openFolder;
    HBITMAP greenFolder;
    HBITMAP yellowFolder;
    HBITMAP document;
    HBITMAP folder;
    HBITMAP link;
    HBITMAP banner;
    HICON upIcon;
    HICON newFolderIcon;
};

// The painters of the owner-draw requests. Each makes and deletes its own
// brushes, pens, masks and device contexts: nothing is kept between calls.
// Entry texts (the file list) and level texts (the level list) begin with
// their marker byte. What an entry of the file list is, when its owner
// knows: its picture and the name shown (a link's target is not shown).
struct EntryLook {
    enum Kind : uint16_t { kFile = 0, kFolder = 1, kLink = 2 } kind;
    const char* name;
    int nameLength;
};
// Without a look, the entry's text decides: marker 0xFF a file, a " >" in
// the text a link, else a folder.
void DrawEntryItem(const DialogPictures& pictures, const DRAWITEMSTRUCT* item, const EntryLook* look = nullptr);
void DrawLevelItem(const DialogPictures& pictures, const DRAWITEMSTRUCT* item);
void DrawIconButton(const DialogPictures& pictures, const DRAWITEMSTRUCT* item, uint16_t iconId, uint16_t disabled);
void DrawGlobe(const DialogPictures& pictures, const DRAWITEMSTRUCT* item, uint16_t connected);
void DrawBanner(HBITMAP banner, const DRAWITEMSTRUCT* item);
// Fills the window's client area with the pale yellow of the note panel.
void PaintPale(HWND window);

// Draws picture at (x, y) at its own size; its white pixels keep what is
// there.
void DrawTransparent(HDC target, HBITMAP picture, int x, int y);

#endif
