// The events the toolkit's windows raise. Each window kind has one listener record of event slots;
// a slot does nothing until a handler is subscribed to it, and a handler whose receiver
// (EventTarget) has been closed is never called.
#pragma once

#include <windows.h>

#include "base/event_slot.h"
#include "base/wide_string.h"

class WindowObject;

// Modifier flags that mouse and key events carry beside their values.
constexpr int kModifierControl = 0x2000;
constexpr int kModifierShift = 0x8000;
constexpr int kModifierAlt = 0x4000;

// Minimum and maximum track sizes a form's min/max event may change (WM_GETMINMAXINFO).
struct rg_ChuangKouWeiZhiXianZhiXinXi {
    POINT minimumTrackSize;
    POINT maximumTrackSize;
};

using ControlEvent = EventSlot<WindowObject>;
// Client x, client y, modifier flags.
using MouseEvent = EventSlot<WindowObject, int, int, int>;
// Wheel steps (the delta divided by 120), modifier flags.
using WheelEvent = EventSlot<WindowObject, int, int>;
// Key code combined with the modifier flags.
using KeyEvent = EventSlot<WindowObject, int>;
// The typed character; the handler returns 0 to keep it, a positive replacement, or a negative
// value to drop it.
using CharacterEvent = EventSlot<WindowObject, int>;
// Close queries: a handler returns non-zero to keep the form open.
using CloseQueryEvent = EventSlot<WindowObject>;

// Events of every control.
struct IBaseEventListener {
    MouseEvent mouseMove, leftButtonDown, leftButtonUp, leftDoubleClick;
    MouseEvent rightButtonDown, rightButtonUp, middleButtonDown, middleButtonUp;
    WheelEvent wheel;
    KeyEvent keyDown, keyUp;
    CharacterEvent character;
    ControlEvent focusGained, focusLost;
};

struct IContainerEventListener : IBaseEventListener {};
struct ILabelEventListener : IBaseEventListener {};

struct IEditEventListener : IBaseEventListener {
    // A spin arrow pressed while automatic stepping is off: +1 up, -1 down.
    EventSlot<WindowObject, int> spinStep;
};

struct IPicButtonEventListener : IBaseEventListener {
    ControlEvent click;
};

struct ISupperButtonEventListener : IBaseEventListener {
    ControlEvent click;
};

struct IWinFormEventListener : IContainerEventListener {
    // After the controls are built, before the form is shown.
    ControlEvent created;
    ControlEvent firstActivated, activated, deactivated;
    // WM_CLOSE asks both, in this order; the form closes only when neither refuses.
    CloseQueryEvent closeQuery, closeConfirm;
    // The full paths of the dropped items in drop order; raised only with at least one.
    EventSlot<WindowObject, const StringArray&> filesDropped;
    // Every queued message for the form or its children; non-zero claims it.
    EventSlot<WindowObject, MSG*> messagePreFilter;
    EventSlot<WindowObject, rg_ChuangKouWeiZhiXianZhiXinXi&> minMaxInfo;
    // Menu item (or popup index) and WM_MENUSELECT flags.
    EventSlot<WindowObject, int, int> menuSelect;
    // The tray icon: 1 left-button up, 2 left double click, 3 right-button up or context menu.
    EventSlot<WindowObject, int> trayMouse;
};
