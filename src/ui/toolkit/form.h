// The form: a top-level window (or a child form) built by its program-level class, with border
// styles, caption rules, centring, shapes, drag-to-move, close-on-Escape, dropped files, a tray
// icon and a modal run.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "ui/toolkit/container.h"

class CVWnd_WinForm : public ContainerWindow {
public:
    enum BorderStyle : int { kBorderNone = 0, kBorderSizable = 1, kBorderFixed = 2, kBorderSizableTool = 3,
                             kBorderFixedTool = 4, kBorderSizableEdge = 5, kBorderFixedEdge = 6 };
    enum InitialState : int { kStateNormal = 0, kStateCentred = 1, kStateMinimized = 2, kStateMaximized = 3 };
    enum Shape : int { kShapeRectangle = 0, kShapeEllipse = 1, kShapeRoundedRectangle = 2 };

    CVWnd_WinForm();
    ~CVWnd_WinForm() override;
    const char* kindName() const override { return "CVWnd_WinForm"; }

    IWinFormEventListener events;

    // Design client size asked for when the form is created with CW_USEDEFAULT; 0 by default.
    virtual int clientWidth() { return 0; }
    virtual int clientHeight() { return 0; }

    void setTitle(const WideString& title);
    // On a live form, border style 0 takes away the frame styles and recomputes the caption.
    void setBorderStyle(int style);
    void setControlBox(bool on) { controlBox = on; }
    void setMaximizeBox(bool on) { maximizeBox = on; }
    void setMinimizeBox(bool on) { minimizeBox = on; }
    void setInitialState(int state) { initialState = state; }
    void setMovable(bool on) { movable = on; }
    void setAlwaysOnTop(bool on) { alwaysOnTop = on; }
    // Not owned (a shared icon such as LoadIconW's); null: the program's icon 100.
    void setIcon(HICON replacement) { icon = replacement; }
    void setCloseOnEscape(bool on) { closeOnEscape = on; }
    void setDragToMove(bool on) { dragToMove = on; }
    void setShape(int shape);

    // Shows an icon (not owned) with a tip in the notification area; its mouse messages raise
    // trayMouse. Removed when the form is destroyed. False when the shell refuses it.
    bool showTrayIcon(HICON trayIcon, const WideString& tip);

    // Creates the form when needed, disables owner, shows the form and runs messages until
    // endModal or a close; returns the result (-1 for a close). Owner is enabled again afterwards.
    int runModal(HWND owner);
    void endModal(int result);

protected:
    // Runs while the native window is being created, before the created event.
    virtual void buildControls() {}

    NativeWindowRequest creationRequest(const CreationParameters& parameters) override;
    void afterCreate() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool preTranslate(MSG& message) override;

private:
    void updateCaption();
    void applyShape();
    void applyInitialState();
    void resolveSize(const CreationParameters& parameters, NativeWindowRequest& request);
    void resolvePosition(const CreationParameters& parameters, NativeWindowRequest& request);
    LRESULT onCreate();
    LRESULT onClose();
    LRESULT onMinMaxInfo(MINMAXINFO& info);
    LRESULT onActivate(WPARAM wParam);
    LRESULT onDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT onDropFiles(HDROP drop);
    LRESULT onTrayIcon(LPARAM mouseMessage);
    LRESULT onPaint(UINT message, WPARAM wParam);
    bool closeAllowed();
    bool isDragTarget(HWND target) const;

    int borderStyle = kBorderFixed;
    bool controlBox = true;
    bool maximizeBox = false;
    bool minimizeBox = true;
    int initialState = kStateNormal;
    bool movable = true;
    bool alwaysOnTop = false;
    HICON icon = nullptr;
    bool closeOnEscape = true;
    bool dragToMove = false;
    int shape = kShapeRectangle;
    bool activatedBefore = false;
    bool trayIconShown = false;
    bool inModalRun = false;
    bool modalEnded = false;
    int modalResult = 0;
};
