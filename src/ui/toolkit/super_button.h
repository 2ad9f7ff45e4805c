// The super button: the system BUTTON made owner-drawn, with a flat or 3-D look, six state colours
// (or automatic system colours), hover tracking, an optional tooltip, optional sounds and a
// toggle mode.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/window_object.h"

class CVWnd_SupperButton final : public WindowObject {
public:
    enum Look : int { kLookFlat = 0, kLook3D = 1, kLookRoundedHover = 2 };
    enum ColourRole : int { kTextNormal = 0, kBackgroundNormal = 1, kTextHover = 2, kBackgroundHover = 3,
                            kTextFocused = 4, kBackgroundFocused = 5 };
    static constexpr UINT kClickSound = 29185;   // the program's WAVE resource

    CVWnd_SupperButton();
    ~CVWnd_SupperButton() override { destroyWindow(); }
    const char* kindName() const override { return "CVWnd_SupperButton"; }

    ISupperButtonEventListener events;

    // Before creation: flat (0), three-dimensional (1), or flat with a rounded hover background (2).
    void setLook(int look);
    void setDrawBorder(bool on) { drawBorder = on; }
    void setDrawFlatFocus(bool on) { drawFlatFocus = on; }
    // Setting a colour turns automatic colours off.
    void setColour(int role, COLORREF colour);
    COLORREF colour(int role) const { return colours[role]; }
    // Automatic colours reset the six colours to system colours before every paint.
    void setAutomaticColours(bool on) { automaticColours = on; }
    void setTrackWhenInactive(bool on) { trackWhenInactive = on; }
    // Before creation: a toggle button (BS_CHECKBOX) and whether it starts checked.
    void setToggle(bool on, bool initiallyChecked);
    // Before creation: text moves by (1, 1) when pressed (0) or by (0, 2) (1).
    void setPressStyle(int style);
    // With the sound flag the program's click sound plays on hover and click; otherwise the ids.
    void setSounds(bool programSound, UINT hoverSound, UINT clickSound);
    // Empty removes the tool; the tooltip window is made when first needed.
    void setTooltip(const WideString& text);
    bool isChecked() const { return checked; }
    bool isHovered() const { return hover; }

protected:
    const wchar_t* systemClassName() const override { return L"BUTTON"; }
    NativeWindowRequest creationRequest(const CreationParameters& parameters) override;
    void afterCreate() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void resetAutomaticColours();
    void draw(const DRAWITEMSTRUCT& item);
    void drawBackground(HDC dc, const RECT& area, bool pressed, bool focused) const;
    void drawFrame(HDC dc, const RECT& area, bool pressed) const;
    void drawText(HDC dc, RECT area, bool pressed, bool focused, bool disabled);
    LRESULT onMouseMove(WPARAM wParam, LPARAM lParam);
    void onDisabled();
    LRESULT onSetCheck(WPARAM state);
    void endHover();
    void onClicked();
    void playSound(UINT id) const;
    void updateTooltip();

    WideString tooltipText;
    OwnedWindow tooltip;
    bool roundedHover = false;
    bool flat = true;
    bool hover = false;
    bool defaultButton = false;
    bool toggleMode = false;
    bool checked = false;
    bool drawBorder = true;
    bool drawFlatFocus = false;
    bool automaticColours = true;
    POINT pressOffset{1, 1};
    COLORREF colours[6];
    bool trackWhenInactive = true;
    bool programSound = false;
    UINT hoverSoundId = 0;
    UINT clickSoundId = 0;
    bool toggleProperty = false;
    bool initialCheck = false;
};

using rg_ChaoJiAnNiu = CVWnd_SupperButton;

// COLOR_BTNFACE lightened for the hover background: each component c gives (c < 224 ? 32 : 255 - c),
// and the smallest of the three is added to every component.
COLORREF lightenedFace(COLORREF face);
