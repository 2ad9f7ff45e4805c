// The main window's members, properties, layout and bindings.
#include "ui/main_window.h"

#include <uxtheme.h>

#include "ui/main_window_texts.h"
#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/display_scale.h"

namespace {

constexpr int kDesignClientWidth = 522;
constexpr int kDesignClientHeight = 97;

constexpr COLORREF kSlateBlue = RGB(50, 65, 85);
constexpr COLORREF kLightGrey = RGB(236, 236, 236);
constexpr COLORREF kGrey = RGB(96, 96, 96);
constexpr COLORREF kDarkGrey = RGB(47, 47, 47);
constexpr COLORREF kOrangeBrown = RGB(192, 96, 0);

constexpr wchar_t kBodyFont[] = L"微软雅黑, 9, 0, 0, 0, 0, 0";
constexpr wchar_t kTitleFont[] = L"微软雅黑, 10, 0, 0, 0, 0, 0";

constexpr UINT kCloseNormalPicture = 500;
constexpr UINT kCloseHoverPicture = 501;

struct Placement {
    int controlId;
    int x, y, width, height;   // design pixels in the parent's client area
};
constexpr Placement kPanel{101, 1, 25, 520, 71};
constexpr Placement kHintLabel{102, 7, 38, 504, 20};
constexpr Placement kStartButton{103, 463, 7, 55, 23};
constexpr Placement kPathBox{104, 4, 7, 459, 23};
constexpr Placement kCloseButton{105, 501, 5, 16, 16};
constexpr Placement kTitleLabel{106, 8, 4, 168, 20};

WideString fontText(const wchar_t* description) {
    return WideString(reinterpret_cast<const char16_t*>(description));
}

bool createAt(WindowObject& control, HWND parent, const Placement& placement) {
    CreationParameters parameters;
    parameters.parent = parent;
    parameters.x = scaled(placement.x);
    parameters.y = scaled(placement.y);
    parameters.width = scaled(placement.width);
    parameters.height = scaled(placement.height);
    parameters.controlId = placement.controlId;
    return control.create(parameters);
}

void switchThemeOff(const WindowObject& control) {
    if (control.handle()) SetWindowTheme(control.handle(), L"", L"");
}

// Lets files dropped from a process of lower integrity reach the window when the program runs
// elevated. Older systems lack the function; then nothing is done.
void allowDropsFromLowerIntegrity(HWND window) {
    using FilterFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    const auto changeFilter = reinterpret_cast<FilterFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"User32.dll"), "ChangeWindowMessageFilterEx")));
    if (!changeFilter) return;
    constexpr UINT kCopyGlobalData = 0x0049;
    for (const UINT message : {static_cast<UINT>(WM_DROPFILES), static_cast<UINT>(WM_COPYDATA), kCopyGlobalData})
        changeFilter(window, message, MSGFLT_ALLOW, nullptr);
}

// Closes target, answering the messages other threads send meanwhile: a handler running on the
// repair thread may be waiting for this thread to carry out a control text change.
void closeWhilePumping(EventTarget& target) {
    const auto state = target.shared();
    std::unique_lock<std::mutex> guard(state->lock);
    state->closed = true;
    while (state->callsInProgress > 0) {
        guard.unlock();
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        guard.lock();
    }
}

}  // namespace

rg_win_Zhu::rg_win_Zhu() {
    setText(kWindowTitle);
    setBorderStyle(kBorderNone);
    setBackgroundColour(kSlateBlue);
    setDragToMove(true);
    setCloseOnEscape(false);
}

rg_win_Zhu::~rg_win_Zhu() {
    closeWhilePumping(eventTarget);
}

int rg_win_Zhu::clientWidth() { return scaled(kDesignClientWidth); }

int rg_win_Zhu::clientHeight() { return scaled(kDesignClientHeight); }

void rg_win_Zhu::buildControls() {
    if (handle()) {
        DragAcceptFiles(handle(), TRUE);
        allowDropsFromLowerIntegrity(handle());
    }
    bindEvents();
    buildPanelControls();
    buildTitleControls();
}

void rg_win_Zhu::buildPanelControls() {
    panel.setText(kPanelText);
    panel.setBackgroundColour(kLightGrey);
    panel.setLineStyle(rg_WaiXingKuang::kLineNone);
    createAt(panel, handle(), kPanel);

    hintLabel.setText(kDropHint);
    hintLabel.setFont(fontText(kBodyFont));
    hintLabel.setTextColour(kGrey);
    hintLabel.setBackgroundColour(kLightGrey);
    createAt(hintLabel, panel.handle(), kHintLabel);
    switchThemeOff(hintLabel);

    startButton.setText(kStartText);
    startButton.setFont(fontText(kBodyFont));
    startButton.setLook(rg_ChaoJiAnNiu::kLookFlat);
    startButton.setDrawBorder(false);
    startButton.setDrawFlatFocus(false);
    startButton.setAutomaticColours(false);
    startButton.setColour(rg_ChaoJiAnNiu::kTextNormal, kLightGrey);
    startButton.setColour(rg_ChaoJiAnNiu::kBackgroundNormal, kGrey);
    startButton.setColour(rg_ChaoJiAnNiu::kTextHover, kLightGrey);
    startButton.setColour(rg_ChaoJiAnNiu::kBackgroundHover, kDarkGrey);
    startButton.setColour(rg_ChaoJiAnNiu::kTextFocused, kLightGrey);
    startButton.setColour(rg_ChaoJiAnNiu::kBackgroundFocused, kDarkGrey);
    createAt(startButton, panel.handle(), kStartButton);
    switchThemeOff(startButton);

    pathBox.setFont(fontText(kBodyFont));
    pathBox.setInputMode(rg_edit_box::kInputReadOnly);
    pathBox.setTextColour(kOrangeBrown);
    createAt(pathBox, panel.handle(), kPathBox);
    pathBox.setBorderStyle(rg_edit_box::kBorderSingleLine);
    switchThemeOff(pathBox);
}

void rg_win_Zhu::buildTitleControls() {
    // A picture that cannot be loaded stays empty; the button then falls back to its normal
    // picture, or to its background alone.
    const auto picture = [](UINT id) {
        return static_cast<HBITMAP>(appInstance().loadImageResource(AppInstance::kImageBitmap, id));
    };
    closeButton.setPicture(rg_TuXingAnNiu::kNormal, picture(kCloseNormalPicture));
    closeButton.setPicture(rg_TuXingAnNiu::kHover, picture(kCloseHoverPicture));
    closeButton.setPicture(rg_TuXingAnNiu::kPressed, picture(kCloseHoverPicture));
    closeButton.setBackgroundColour(kSlateBlue);
    closeButton.setTransparentColour(kSlateBlue);
    createAt(closeButton, handle(), kCloseButton);

    titleLabel.setText(kTitleText);
    titleLabel.setFont(fontText(kTitleFont));
    titleLabel.setTextColour(kLightGrey);
    titleLabel.setBackgroundColour(kSlateBlue);
    createAt(titleLabel, handle(), kTitleLabel);
    switchThemeOff(titleLabel);
}

void rg_win_Zhu::bindEvents() {
    events.filesDropped.subscribe(eventTarget, 0, [this](WindowObject&, std::int32_t, const StringArray& paths) {
        onFilesDropped(paths);
        return 0;
    });
    events.created.subscribe(eventTarget, 0, [this](WindowObject&, std::int32_t) {
        showStartupTip();
        return 0;
    });
    startButton.events.click.subscribe(eventTarget, 0, [this](WindowObject& sender, std::int32_t) {
        onStartClicked(sender);
        return 0;
    });
    closeButton.events.click.subscribe(eventTarget, 0, [this](WindowObject& sender, std::int32_t) {
        onCloseClicked(sender);
        return 0;
    });
    events.closeQuery.subscribe(eventTarget, 0, [this](WindowObject&, std::int32_t) { return onCloseQuery(); });
}
