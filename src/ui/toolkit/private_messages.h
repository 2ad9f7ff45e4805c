// The toolkit's private window messages. Each carries lParam = kToolkitMagic and a non-null
// wParam; a window that handles one answers kToolkitMagic. Every toolkit window also carries
// kToolkitMagic in GWLP_USERDATA, which is how the message loop recognises one.
#pragma once

#include <windows.h>

constexpr LONG_PTR kToolkitMagic = 0x12D12AB;   // 19731115

constexpr UINT kMessageRemoveFilter = 0x9FFB;    // wParam: WindowProcedureFilter*
constexpr UINT kMessageAddFilter = 0x9FFC;       // wParam: WindowProcedureFilter*
constexpr UINT kMessageQueryControlId = 0x9FFD;  // wParam: int32_t* that receives the control id
constexpr UINT kMessageQueryObject = 0x9FFE;     // wParam: ObjectQuery*
constexpr UINT kMessagePreTranslate = 0x9FFF;    // wParam: MSG* of the queued message

// The tray icon's callback message; lParam carries the mouse message.
constexpr UINT kMessageTrayIcon = 0xA000;

// Notifications a parent reflects back to the toolkit control that sent them (WM_COMMAND,
// WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR...) arrive at the control as kReflectedBase + message.
constexpr UINT kReflectedBase = 0x2000;

class WindowObject;

// Answer to kMessageQueryObject: the window writes its object when kindName names its kind.
struct ObjectQuery {
    const char* kindName;
    WindowObject* object;
};
