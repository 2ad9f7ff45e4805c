// The super button's creation, hover tracking, click, sounds, tooltip and check state.
#include "ui/toolkit/super_button.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <windowsx.h>

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/private_messages.h"
#include "ui/toolkit/win32_text.h"

namespace {

constexpr DWORD kButtonTypeBits = 0x0F;
constexpr int kTooltipWidth = 400;

bool isCheckType(DWORD type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}

}  // namespace

COLORREF lightenedFace(COLORREF face) {
    const int components[3] = {GetRValue(face), GetGValue(face), GetBValue(face)};
    int lift = 255;
    for (const int c : components) {
        const int room = c < 224 ? 32 : 255 - c;
        if (room < lift) lift = room;
    }
    return RGB(components[0] + lift, components[1] + lift, components[2] + lift);
}

CVWnd_SupperButton::CVWnd_SupperButton() : WindowObject(events) {
    storedStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON;
    resetAutomaticColours();
}

void CVWnd_SupperButton::resetAutomaticColours() {
    const COLORREF text = GetSysColor(COLOR_BTNTEXT), face = GetSysColor(COLOR_BTNFACE);
    colours[kTextNormal] = colours[kTextHover] = colours[kTextFocused] = text;
    colours[kBackgroundNormal] = colours[kBackgroundFocused] = face;
    colours[kBackgroundHover] = lightenedFace(face);
}

void CVWnd_SupperButton::setLook(int look) {
    flat = look != kLook3D;
    roundedHover = look == kLookRoundedHover;
}

void CVWnd_SupperButton::setColour(int role, COLORREF colour) {
    if (role < kTextNormal || role > kBackgroundFocused) return;
    colours[role] = colour;
    automaticColours = false;
    if (window) InvalidateRect(window, nullptr, TRUE);
}

void CVWnd_SupperButton::setToggle(bool on, bool initiallyChecked) {
    toggleProperty = on;
    initialCheck = initiallyChecked;
}

void CVWnd_SupperButton::setPressStyle(int style) { pressOffset = style == 1 ? POINT{0, 2} : POINT{1, 1}; }

void CVWnd_SupperButton::setSounds(bool program, UINT hoverSound, UINT clickSound) {
    programSound = program;
    hoverSoundId = hoverSound;
    clickSoundId = clickSound;
}

WindowObject::NativeWindowRequest CVWnd_SupperButton::creationRequest(const CreationParameters& parameters) {
    NativeWindowRequest request = WindowObject::creationRequest(parameters);
    if (toggleProperty) {
        toggleMode = true;
        checked = initialCheck;
        request.style = (request.style & ~kButtonTypeBits) | BS_CHECKBOX;
    }
    return request;
}

void CVWnd_SupperButton::afterCreate() {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    defaultButton = (style & kButtonTypeBits) == BS_DEFPUSHBUTTON;
    if (isCheckType(style & kButtonTypeBits)) toggleMode = true;
    SetWindowLongW(window, GWL_STYLE, static_cast<LONG>((style & ~kButtonTypeBits) | BS_OWNERDRAW));
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!tooltipText.empty()) updateTooltip();
}

void CVWnd_SupperButton::setTooltip(const WideString& text) {
    tooltipText = text;
    updateTooltip();
}

// The tooltip subclasses the button (TTF_SUBCLASS), so it sees the mouse without relaying.
void CVWnd_SupperButton::updateTooltip() {
    if (!window) return;
    if (!tooltip && tooltipText.empty()) return;
    if (!tooltip) {
        tooltip = OwnedWindow(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                              appInstance().resourceModule(), nullptr));
        if (!tooltip) return;
        SendMessageW(tooltip.get(), TTM_ACTIVATE, FALSE, 0);
        SendMessageW(tooltip.get(), TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = 0;
    GetClientRect(window, &tool.rect);
    std::wstring text(reinterpret_cast<const wchar_t*>(tooltipText.c_str()), tooltipText.size());
    tool.lpszText = text.data();
    if (tooltipText.empty()) {
        SendMessageW(tooltip.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    if (SendMessageW(tooltip.get(), TTM_GETTOOLCOUNT, 0, 0) == 0) SendMessageW(tooltip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip.get(), TTM_ACTIVATE, TRUE, 0);
}

LRESULT CVWnd_SupperButton::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kReflectedBase + WM_DRAWITEM:
        draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case kReflectedBase + WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) onClicked();
        return 0;
    case kReflectedBase + WM_CTLCOLORBTN:
    case kReflectedBase + WM_CTLCOLORSTATIC: return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    case WM_MOUSEMOVE: return onMouseMove(wParam, lParam);
    case WM_MOUSELEAVE:
    case WM_KILLFOCUS:
    case WM_CANCELMODE: endHover(); break;
    case WM_ENABLE: if (!wParam) onDisabled(); break;
    case BM_GETCHECK: return checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK: return onSetCheck(wParam);
    case BM_SETSTYLE:
        defaultButton = (wParam & kButtonTypeBits) == BS_DEFPUSHBUTTON;
        return WindowObject::handleMessage(message, (wParam & ~kButtonTypeBits) | BS_OWNERDRAW, lParam);
    case WM_GETDLGCODE:
        return WindowObject::handleMessage(message, wParam, lParam) | (defaultButton ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_DESTROY: tooltip = OwnedWindow(); break;
    default: break;
    }
    return WindowObject::handleMessage(message, wParam, lParam);
}

// The system button handles the move first; then hover starts or ends.
LRESULT CVWnd_SupperButton::onMouseMove(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = WindowObject::handleMessage(WM_MOUSEMOVE, wParam, lParam);
    if (((wParam & MK_LBUTTON) && !hover) || !flat) return result;
    const HWND reference = trackWhenInactive ? window : GetActiveWindow();
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &point);
    if (WindowFromPoint(point) != window || !reference) {
        endHover();
        return result;
    }
    if (hover) return result;
    hover = true;
    InvalidateRect(window, nullptr, TRUE);
    playSound(hoverSoundId);
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    return result;
}

// A disabled button loses its hover, and the focus goes to the next tab item or the parent.
void CVWnd_SupperButton::onDisabled() {
    endHover();
    if (GetFocus() != window) return;
    const HWND parent = GetParent(window);
    const HWND next = GetNextDlgTabItem(parent, window, FALSE);
    SetFocus(next && next != window ? next : parent);
}

LRESULT CVWnd_SupperButton::onSetCheck(WPARAM state) {
    if (!toggleMode) return 0;
    checked = state == BST_CHECKED || state == BST_INDETERMINATE;
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

void CVWnd_SupperButton::endHover() {
    if (!hover) return;
    hover = false;
    InvalidateRect(window, nullptr, TRUE);
}

void CVWnd_SupperButton::onClicked() {
    playSound(clickSoundId);
    if (toggleMode) {
        checked = !checked;
        InvalidateRect(window, nullptr, TRUE);
    }
    events.click.raise(*this);
}

void CVWnd_SupperButton::playSound(UINT id) const {
    const UINT sound = programSound ? kClickSound : id;
    if (sound == 0) return;
    PlaySoundW(MAKEINTRESOURCEW(sound), appInstance().resourceModule(), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT);
}
