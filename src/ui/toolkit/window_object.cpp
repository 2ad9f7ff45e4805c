// Binding objects to native windows, the message route every toolkit window shares, the private
// message protocol and the events common to all controls.
#include "ui/toolkit/window_object.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/font_description.h"
#include "ui/toolkit/private_messages.h"
#include "ui/toolkit/win32_text.h"
#include "ui/toolkit/window_module.h"

namespace {

constexpr wchar_t kObjectProperty[] = L"Dovrane.WindowObject";
constexpr DWORD kDefaultControlStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// The object whose own-class window is being created on this thread; taken by its first message.
thread_local WindowObject* objectBeingCreated = nullptr;
// Creations in progress on this thread, and the first exception a handler threw meanwhile.
thread_local int creationDepth = 0;
thread_local std::exception_ptr creationException;

// Registers the own class of a kind once per process.
bool ensureClassRegistered(const std::wstring& name, HBRUSH background, WNDPROC procedure) {
    static std::mutex lock;
    static std::set<std::wstring> registered;
    std::lock_guard<std::mutex> guard(lock);
    if (registered.count(name)) return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = appInstance().resourceModule();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name.c_str();
    if (!RegisterClassExW(&windowClass)) return false;
    registered.insert(name);
    return true;
}

int mouseModifiers(WPARAM keys) {
    int flags = 0;
    if (keys & MK_CONTROL) flags |= kModifierControl;
    if (keys & MK_SHIFT) flags |= kModifierShift;
    if (GetKeyState(VK_MENU) < 0) flags |= kModifierAlt;
    return flags;
}

}  // namespace

std::wstring ownClassName(const char* kindName) {
    std::wstring name = L"Dovrane.";
    for (const char* c = kindName; *c; ++c) name += static_cast<wchar_t>(*c);
    return name;
}

int currentModifiers() {
    int flags = 0;
    if (GetKeyState(VK_CONTROL) < 0) flags |= kModifierControl;
    if (GetKeyState(VK_SHIFT) < 0) flags |= kModifierShift;
    if (GetKeyState(VK_MENU) < 0) flags |= kModifierAlt;
    return flags;
}

WideString windowText(HWND window) {
    if (!window) return {};
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return fromWide(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}

WindowObject::WindowObject(IBaseEventListener& listener) : listener(listener) {}

WindowObject::~WindowObject() { destroyWindow(); }

void WindowObject::destroyWindow() {
    if (window) DestroyWindow(window);
}

bool WindowObject::create(const CreationParameters& parameters) {
    if (window) return false;
    const NativeWindowRequest request = creationRequest(parameters);
    id = request.controlId;

    ++creationDepth;
    const HWND created = createNative(request);
    --creationDepth;
    if (creationDepth == 0 && creationException) {
        if (created) DestroyWindow(created);
        std::rethrow_exception(std::exchange(creationException, nullptr));
    }
    if (!created) return false;

    SetWindowLongPtrW(window, GWLP_USERDATA, kToolkitMagic);
    if (!ownFont) ownFont = createFont(defaultControlFont());
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont.get()), TRUE);
    afterCreate();
    return window != nullptr;
}

HWND WindowObject::createNative(const NativeWindowRequest& request) {
    const HINSTANCE instance = appInstance().resourceModule();
    const HMENU childId = (request.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(request.controlId)) : nullptr;
    if (const wchar_t* systemClass = systemClassName()) {
        const HWND created = CreateWindowExW(request.extendedStyle, systemClass, wide(request.title), request.style,
                                             request.x, request.y, request.width, request.height, request.parent,
                                             childId, instance, request.creationData);
        if (created) bind(created, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(created, GWLP_WNDPROC)));
        return created;
    }
    const std::wstring className = ownClassName(kindName());
    if (!ensureClassRegistered(className, classBackground(), &WindowObject::windowProcedure)) return nullptr;
    WindowObject* const outer = std::exchange(objectBeingCreated, this);
    const HWND created = CreateWindowExW(request.extendedStyle, className.c_str(), wide(request.title), request.style,
                                         request.x, request.y, request.width, request.height, request.parent, childId,
                                         instance, request.creationData);
    objectBeingCreated = outer;
    return created;
}

void WindowObject::bind(HWND native, WNDPROC base) {
    window = native;
    baseProcedure = base;
    SetPropW(native, kObjectProperty, this);
    if (base != DefWindowProcW)
        SetWindowLongPtrW(native, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowObject::windowProcedure));
}

LRESULT CALLBACK WindowObject::windowProcedure(HWND native, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = static_cast<WindowObject*>(GetPropW(native, kObjectProperty));
    if (!object) {
        object = std::exchange(objectBeingCreated, nullptr);
        if (!object) return DefWindowProcW(native, message, wParam, lParam);
        object->bind(native, DefWindowProcW);
    }
    return object->route(message, wParam, lParam);
}

LRESULT WindowObject::route(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return dispatch(message, wParam, lParam);
    } catch (...) {
        // No exception may cross the system's message dispatch. While a window is being created
        // the exception fails the creation and leaves create(); any other one ends the process.
        if (creationDepth == 0) std::terminate();
        if (!creationException) creationException = std::current_exception();
        if (message == WM_CREATE) return -1;
        return 0;   // also FALSE for WM_NCCREATE
    }
}

LRESULT WindowObject::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const std::vector<WindowProcedureFilter*> current = filters;
    for (auto filter = current.rbegin(); filter != current.rend(); ++filter) {
        LRESULT result = 0;
        if ((*filter)->filterMessage(window, message, wParam, lParam, result)) return result;
    }
    if (message >= kMessageRemoveFilter && message <= kMessagePreTranslate && lParam == kToolkitMagic && wParam != 0)
        return privateMessage(message, wParam);
    if (message == WM_NCDESTROY) return finalMessage(wParam, lParam);
    if (message == WM_DESTROY && window == windowModule().mainWindowHandle) PostQuitMessage(0);
    LRESULT reflected = 0;
    if (reflectNotification(message, wParam, lParam, reflected)) return reflected;
    return handleMessage(message, wParam, lParam);
}

LRESULT WindowObject::privateMessage(UINT message, WPARAM wParam) {
    switch (message) {
    case kMessageRemoveFilter:
        std::erase(filters, reinterpret_cast<WindowProcedureFilter*>(wParam));
        return kToolkitMagic;
    case kMessageAddFilter: {
        auto* filter = reinterpret_cast<WindowProcedureFilter*>(wParam);
        if (std::find(filters.begin(), filters.end(), filter) == filters.end()) filters.push_back(filter);
        return kToolkitMagic;
    }
    case kMessageQueryControlId:
        *reinterpret_cast<int*>(wParam) = id;
        return kToolkitMagic;
    case kMessageQueryObject: {
        auto* query = reinterpret_cast<ObjectQuery*>(wParam);
        if (!query->kindName || std::string(query->kindName) != kindName()) return 0;
        query->object = this;
        return kToolkitMagic;
    }
    default:
        return preTranslate(*reinterpret_cast<MSG*>(wParam)) ? kToolkitMagic : 0;
    }
}

LRESULT WindowObject::finalMessage(WPARAM wParam, LPARAM lParam) {
    const HWND ending = window;
    const LRESULT result = callBase(WM_NCDESTROY, wParam, lParam);
    for (WindowProcedureFilter* filter : std::exchange(filters, {})) filter->windowDestroyed(ending);
    RemovePropW(ending, kObjectProperty);
    window = nullptr;
    return result;
}

// Notifications from a toolkit child go back to it as kReflectedBase + message, so the child
// draws and colours itself and raises its own click.
bool WindowObject::reflectNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND child = nullptr;
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (wParam != 0) child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return false;
    }
    if (!child || child == window || GetWindowLongPtrW(child, GWLP_USERDATA) != kToolkitMagic) return false;
    result = SendMessageW(child, kReflectedBase + message, wParam, lParam);
    return true;
}

LRESULT WindowObject::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (raiseCommonEvent(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_SETCURSOR:
        if (ownCursor && LOWORD(lParam) == HTCLIENT) {
            SetCursor(ownCursor);
            return TRUE;
        }
        break;
    case WM_SETFONT:
        if (systemClassName()) break;
        if (reinterpret_cast<HFONT>(wParam) != ownFont.get()) ownFont = copyFont(reinterpret_cast<HFONT>(wParam));
        if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        if (systemClassName()) break;
        return reinterpret_cast<LRESULT>(ownFont.get());
    default:
        // A reflected notification the kind does not take: the parent's default answer.
        if (message > kReflectedBase && message < kReflectedBase + WM_USER)
            return DefWindowProcW(window, message - kReflectedBase, wParam, lParam);
        break;
    }
    return callBase(message, wParam, lParam);
}

// Raises the mouse, key, character and focus events; true when the message is answered.
bool WindowObject::raiseCommonEvent(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    switch (message) {
    case WM_MOUSEMOVE: listener.mouseMove.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_LBUTTONDOWN: listener.leftButtonDown.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_LBUTTONUP: listener.leftButtonUp.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_LBUTTONDBLCLK: listener.leftDoubleClick.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_RBUTTONDOWN: listener.rightButtonDown.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_RBUTTONUP: listener.rightButtonUp.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_MBUTTONDOWN: listener.middleButtonDown.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_MBUTTONUP: listener.middleButtonUp.raise(*this, x, y, mouseModifiers(wParam)); break;
    case WM_MOUSEWHEEL:
        listener.wheel.raise(*this, GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA, mouseModifiers(GET_KEYSTATE_WPARAM(wParam)));
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: listener.keyDown.raise(*this, static_cast<int>(wParam) | currentModifiers()); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: listener.keyUp.raise(*this, static_cast<int>(wParam) | currentModifiers()); break;
    case WM_SETFOCUS: listener.focusGained.raise(*this); break;
    case WM_KILLFOCUS: listener.focusLost.raise(*this); break;
    case WM_CHAR: {
        const int answer = listener.character.raise(*this, static_cast<int>(wParam));
        if (answer < 0) return true;
        result = callBase(message, answer > 0 ? static_cast<WPARAM>(answer) : wParam, lParam);
        return true;
    }
    default:
        return false;
    }
    return false;
}

LRESULT WindowObject::callBase(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(baseProcedure ? baseProcedure : DefWindowProcW, window, message, wParam, lParam);
}

bool WindowObject::preTranslate(MSG&) { return false; }

WindowObject::NativeWindowRequest WindowObject::creationRequest(const CreationParameters& parameters) {
    DWORD style = parameters.style ? parameters.style : (storedStyle ? storedStyle : kDefaultControlStyle);
    if (parameters.parent && !(style & WS_POPUP))
        style |= WS_CHILD;
    else
        style &= ~WS_CHILD;
    style |= WS_CLIPCHILDREN;
    return NativeWindowRequest{style,
                               parameters.extendedStyle ? parameters.extendedStyle : storedExtendedStyle,
                               parameters.title.empty() ? storedText : parameters.title,
                               parameters.x,
                               parameters.y,
                               parameters.width,
                               parameters.height,
                               parameters.parent,
                               parameters.controlId,
                               parameters.creationData};
}

LRESULT WindowObject::paintMessage(UINT message, WPARAM wParam) {
    RECT client{};
    GetClientRect(window, &client);
    const auto paintInto = [&](HDC dc) {
        RECT clip{}, update{};
        if (GetClipBox(dc, &clip) == ERROR) return;
        if (IntersectRect(&update, &clip, &client)) paintClient(dc, update);
    };
    if (message == WM_PRINTCLIENT) {
        paintInto(reinterpret_cast<HDC>(wParam));
    } else {
        const PaintScope paint(window);
        paintInto(paint.get());
    }
    return 0;
}

void WindowObject::paintClient(HDC, const RECT&) {}

WideString WindowObject::text() const { return window ? windowText(window) : storedText; }

void WindowObject::setText(const WideString& text) {
    if (!window) {
        storedText = text;
        return;
    }
    SetWindowTextW(window, wide(text));
    InvalidateRect(window, nullptr, TRUE);
}

void WindowObject::setFont(const WideString& description) {
    OwnedFont previous = std::move(ownFont);
    ownFont = createFont(fontFromDescription(description));
    if (window) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont.get()), TRUE);
}

void WindowObject::changeStyle(int index, DWORD add, DWORD remove) {
    if (!window) return;
    const DWORD before = static_cast<DWORD>(GetWindowLongW(window, index));
    const DWORD after = (before & ~remove) | add;
    if (after == before) return;
    SetWindowLongW(window, index, static_cast<LONG>(after));
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
