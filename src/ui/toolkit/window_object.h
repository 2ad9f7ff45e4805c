// The toolkit's window objects: a native window paired with an object that keeps its properties,
// paints it, turns its messages into events and answers the private message protocol.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/wide_string.h"
#include "ui/toolkit/control_events.h"
#include "ui/toolkit/gdi_owners.h"

// What every create operation takes. Zero styles mean the kind's stored ones, an empty title the
// stored text; forms accept CW_USEDEFAULT for position and size.
struct CreationParameters {
    HWND parent = nullptr;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    DWORD style = 0;
    DWORD extendedStyle = 0;
    WideString title;
    int controlId = -1;
    void* creationData = nullptr;
};

// The native window class of a kind of window object: "Dovrane." and the kind's name, the same in
// every copy of the program.
std::wstring ownClassName(const char* kindName);

// Asked before a window's own handling, newest first; the first that handles a message ends its
// processing. Added and removed through the private messages 0x9FFC and 0x9FFB.
class WindowProcedureFilter {
public:
    virtual ~WindowProcedureFilter() = default;
    // True when the filter handled the message; result is then the answer.
    virtual bool filterMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The window reached WM_NCDESTROY; the filter is dropped afterwards.
    virtual void windowDestroyed(HWND window) = 0;
};

// Main thread only, except text() and setText(), which Windows carries to the window's thread.
class WindowObject {
public:
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;
    // Destroys the native window when it still exists.
    virtual ~WindowObject();

    // The literal the object query (0x9FFE) answers to, for example "CVWnd_Label".
    virtual const char* kindName() const = 0;

    // Creates the native window. False when it already exists or creation failed. An exception
    // thrown by a handler while the window is created makes creation fail and leaves this call.
    bool create(const CreationParameters& parameters);
    HWND handle() const { return window; }
    int controlId() const { return id; }

    // The window text (GetWindowTextW), or the stored text before creation.
    WideString text() const;
    // SetWindowTextW and a repaint with erase; before creation the text is stored.
    void setText(const WideString& text);
    // A font description ("face, points, bold, italic, underline, strikeout, angle"); the control
    // keeps the font, the previous one is deleted, a live window gets WM_SETFONT with redraw.
    void setFont(const WideString& description);
    HFONT font() const { return ownFont.get(); }
    // Styles used when the creation parameters give none.
    void setWindowStyle(DWORD style) { storedStyle = style; }
    void setExtendedStyle(DWORD style) { storedExtendedStyle = style; }
    // A cursor (not owned; for example LoadCursorW's) set over the client area; null: the class's.
    void setCursor(HCURSOR cursor) { ownCursor = cursor; }

protected:
    explicit WindowObject(IBaseEventListener& listener);

    struct NativeWindowRequest {
        DWORD style;
        DWORD extendedStyle;
        WideString title;
        int x, y, width, height;
        HWND parent;
        int controlId;
        void* creationData;
    };
    // The native window to create: the common control rules; kinds adjust them.
    virtual NativeWindowRequest creationRequest(const CreationParameters& parameters);
    // Runs after the window exists, its magic is set and it has its font.
    virtual void afterCreate() {}
    // A system class ("EDIT", "BUTTON") to create and subclass; null for the toolkit's own class.
    virtual const wchar_t* systemClassName() const { return nullptr; }
    // Background brush of the own class (null: none).
    virtual HBRUSH classBackground() const { return nullptr; }

    // The kind's message handling; what it does not handle goes to WindowObject::handleMessage,
    // which raises the common events and then calls the base procedure.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT callBase(UINT message, WPARAM wParam, LPARAM lParam);
    // The loop's pre-translation (0x9FFF): true claims the message.
    virtual bool preTranslate(MSG& message);

    // WM_PAINT and WM_PRINTCLIENT through paintClient, with the update box already cut to the
    // client rectangle; nothing is painted when it is empty.
    LRESULT paintMessage(UINT message, WPARAM wParam);
    virtual void paintClient(HDC dc, const RECT& update);

    // Destroys the native window now; kinds call it from their destructors so that the last
    // messages still reach their own handling.
    void destroyWindow();
    // Sets and clears style bits of the live window, each change followed by SetWindowPos with
    // SWP_FRAMECHANGED.
    void changeStyle(int index, DWORD add, DWORD remove);

    IBaseEventListener& listener;
    HWND window = nullptr;
    int id = -1;
    WideString storedText;
    DWORD storedStyle = 0;
    DWORD storedExtendedStyle = 0;

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void bind(HWND window, WNDPROC baseProcedure);
    LRESULT route(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT privateMessage(UINT message, WPARAM wParam);
    LRESULT finalMessage(WPARAM wParam, LPARAM lParam);
    bool reflectNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool raiseCommonEvent(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    HWND createNative(const NativeWindowRequest& request);

    WNDPROC baseProcedure = nullptr;
    std::vector<WindowProcedureFilter*> filters;
    OwnedFont ownFont;
    HCURSOR ownCursor = nullptr;
};

// Modifier flags (kModifierControl, kModifierShift, kModifierAlt) of the keyboard right now.
int currentModifiers();
