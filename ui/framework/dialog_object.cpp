#include "ui/framework/dialog_object.h"

#include "frame/module.h"
#include "ui/framework/core/linked_list.h"

namespace {

struct PanelNode : ListNode {
    HWND panel;
    DialogObject* object;
};

LinkedList& PanelRegistry() {
    static LinkedList registry;
    if (!registry.FreeNode) registry.FreeNode = [](ListNode* n) { delete static_cast<PanelNode*>(n); };
    return registry;
}

PanelNode* FindPanel(HWND panel) {
    for (ListNode* n = PanelRegistry().head; n; n = n->next) {
        PanelNode* p = static_cast<PanelNode*>(n);
        if (p->panel == panel) return p;
    }
    return nullptr;
}

LRESULT CALLBACK PanelPainter(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        HBRUSH pale = CreateSolidBrush(RGB(255, 255, 192));
        RECT client;
        GetClientRect(panel, &client);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(panel, &ps);
        HGDIOBJ oldBrush = SelectObject(dc, pale);
        const RECT& r = ps.rcPaint;
        PatBlt(dc, r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2, PATCOPY);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Rectangle(dc, client.left, client.top, client.right - 1, client.bottom - 1);
        HPEN grey = CreatePen(PS_SOLID, 1, RGB(80, 80, 80));
        SelectObject(dc, grey);
        // Two-pixel shadow on the right and at the bottom.
        MoveToEx(dc, client.right - 1, client.top + 2, nullptr);
        LineTo(dc, client.right - 1, client.bottom);
        MoveToEx(dc, client.right, client.top + 2, nullptr);
        LineTo(dc, client.right, client.bottom);
        MoveToEx(dc, client.left + 2, client.bottom - 1, nullptr);
        LineTo(dc, client.right, client.bottom - 1);
        MoveToEx(dc, client.left + 2, client.bottom, nullptr);
        LineTo(dc, client.right, client.bottom);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(pale);
        DeleteObject(grey);
        EndPaint(panel, &ps);
        return 0;
    }
    PanelNode* node = FindPanel(panel);
    if (node && node->object->savedPanelProc)
        return CallWindowProcA(node->object->savedPanelProc, panel, message, wParam, lParam);
    return 0;
}

}  // namespace

void ReleasePanelRegistry() { PanelRegistry().Clear(); }

DialogObject::DialogObject()
    : savedPanelProc(nullptr),
      dialogProc(nullptr),
      templateId(0),
      window(nullptr),
      modeless(0),
      helpId(0),
      endCode(0),
      titleFont(nullptr) {}

DialogObject::~DialogObject() {
    // No panel node may outlive its object.
    for (ListNode* n = PanelRegistry().head; n;) {
        ListNode* next = n->next;
        if (static_cast<PanelNode*>(n)->object == this && PanelRegistry().Remove(n)) delete static_cast<PanelNode*>(n);
        n = next;
    }
    if (titleFont) DeleteObject(titleFont);
    if (modeless == 1 && window && IsWindow(window)) {
        // Detach the object first: the window must not reach it any more.
        HWND panel = GetDlgItem(window, kPanelFrame);
        if (panel && savedPanelProc)
            SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedPanelProc));
        SetWindowLongPtrA(window, DWLP_USER, 0);
        DestroyWindow(window);
    }
}

DialogObject* DialogObject::FromWindow(HWND window) {
    return reinterpret_cast<DialogObject*>(GetWindowLongPtrA(window, DWLP_USER));
}

uint16_t DialogObject::DoModal(HWND parent) {
    modeless = 0;
    if (templateId == 0 || !dialogProc) return 0;
    INT_PTR r = DialogBoxParamA(ResourceModule, MAKEINTRESOURCEA(templateId), parent, dialogProc,
                                reinterpret_cast<LPARAM>(this));
    return static_cast<uint16_t>(r);
}

uint16_t DialogObject::CreateModeless(HWND parent) {
    modeless = 1;
    if (templateId != 0 && dialogProc)
        window = CreateDialogParamA(ResourceModule, MAKEINTRESOURCEA(templateId), parent, dialogProc,
                                    reinterpret_cast<LPARAM>(this));
    return window ? 1 : 0;
}

uint16_t DialogObject::RequestHelp() {
    if (!HelpCallback) return 0;
    return static_cast<uint16_t>(HelpCallback(helpId));
}

void DialogObject::SetUpPanel() {
    HWND panel = GetDlgItem(window, kPanelFrame);
    if (!panel || savedPanelProc) return;
    savedPanelProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PanelPainter)));
    PanelNode* node = new PanelNode();
    node->panel = panel;
    node->object = this;
    PanelRegistry().Append(node);

    HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageA(window, kPanelTitle, WM_GETFONT, 0, 0));
    if (!font) return;
    LOGFONTA description;
    if (GetObjectA(font, sizeof description, &description) != sizeof description) return;
    description.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectA(&description);
    if (!bold) return;
    if (titleFont) DeleteObject(titleFont);
    titleFont = bold;
    SendDlgItemMessageA(window, kPanelTitle, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);
}

bool DialogObject::PanelHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
    if (!savedPanelProc) return false;
    if (message == WM_DESTROY) {
        PanelNode* node = FindPanel(GetDlgItem(dialog, kPanelFrame));
        if (node && PanelRegistry().Remove(node)) delete node;
        return false;
    }
    if (message == WM_CTLCOLORSTATIC) {
        HWND control = reinterpret_cast<HWND>(lParam);
        if (control == GetDlgItem(dialog, kPanelTitle) || control == GetDlgItem(dialog, kPanelBody)) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            *result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
            return true;
        }
    }
    return false;
}

INT_PTR DialogObject::OnMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK DialogObject::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogObject* object = FromWindow(window);
    DWORD* flag = reinterpret_cast<DWORD*>(lParam);
    if (HelpMessage && message == HelpMessage) {
        if (object) {
            object->RequestHelp();
            if (flag) *flag = 1;
        }
        return FALSE;
    }
    if (ForceSubclassMessage && message == ForceSubclassMessage) {
        HWND control = reinterpret_cast<HWND>(wParam);
        if (object && flag && object->IsExemptControl(GetDlgCtrlID(control))) *flag = 0;
        return FALSE;
    }
    if (SetFontMessage && message == SetFontMessage) {
        if (flag && GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) == kPanelTitle) *flag = 0;
        return FALSE;
    }
    if (object) {
        INT_PTR result = 0;
        if (object->PanelHook(window, message, wParam, lParam, &result)) return result;
    }
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        object = reinterpret_cast<DialogObject*>(lParam);
        if (!object) return TRUE;
        object->window = window;
        object->OnInitDialog();
        return TRUE;
    }
    if (!object) return FALSE;
    if (message == WM_COMMAND && LOWORD(wParam) == kHelpButton) {
        object->RequestHelp();
        return FALSE;
    }
    return object->OnMessage(message, wParam, lParam);
}
