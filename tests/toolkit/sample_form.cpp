// A form with one control of each kind, shown for a while by the child role "sample-form" so that
// a screenshot can be taken of it: test_toolkit --child-role sample-form MILLISECONDS.
#include <string>

#include "support/child_process.h"
#include "toolkit/window_fixture.h"
#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/container.h"
#include "ui/toolkit/edit_box.h"
#include "ui/toolkit/label.h"
#include "ui/toolkit/picture_button.h"
#include "ui/toolkit/shape_box.h"
#include "ui/toolkit/super_button.h"

namespace {

constexpr COLORREF kSlate = RGB(50, 65, 85);
constexpr COLORREF kLightGrey = RGB(236, 236, 236);
constexpr COLORREF kGrey = RGB(96, 96, 96);
constexpr COLORREF kDarkGrey = RGB(47, 47, 47);
constexpr COLORREF kOrange = RGB(192, 96, 0);
constexpr char16_t kBodyFont[] = u"微软雅黑, 9, 0, 0, 0, 0, 0";


struct SampleForm : TestForm {
    CVWnd_Label title;
    CVWnd_PicButton close;
    CVWnd_Container panel;
    CVWnd_Edit path;
    CVWnd_SupperButton start;
    CVWnd_SupperButton classic;
    CVWnd_Label hint;
    CVWnd_Edit plain;
    CVWnd_ShapeBox shapes[6];

    SampleForm() {
        setText(u"工具包示例 · Toolkit sample");
        setBorderStyle(kBorderFixed);
        setBackgroundColour(kSlate);
        designWidth = 522;
        designHeight = 200;
        setWindowStyle(WS_CLIPSIBLINGS | WS_VISIBLE);
        build = [this](TestForm& self) { buildSample(self.handle()); };
    }

    void buildSample(HWND form) {
        title.setText(u"Dovrane V2.1");
        title.setFont(u"微软雅黑, 10, 0, 0, 0, 0, 0");
        title.setTextColour(kLightGrey);
        title.setBackgroundColour(kSlate);
        title.create(childAt(form, 8, 4, 168, 20, 106));

        AppInstance& instance = appInstance();
        close.setPicture(CVWnd_PicButton::kNormal, static_cast<HBITMAP>(instance.loadImageResource(AppInstance::kImageBitmap, 500)));
        close.setPicture(CVWnd_PicButton::kHover, static_cast<HBITMAP>(instance.loadImageResource(AppInstance::kImageBitmap, 501)));
        close.setPicture(CVWnd_PicButton::kPressed, static_cast<HBITMAP>(instance.loadImageResource(AppInstance::kImageBitmap, 501)));
        close.setBackgroundColour(kSlate);
        close.setTransparentColour(kSlate);
        close.create(childAt(form, 501, 5, 16, 16, 105));

        panel.setBackgroundColour(kLightGrey);
        panel.create(childAt(form, 1, 25, 520, 174, 101));
        const HWND inside = panel.handle();

        path.setText(u"C:\\数据\\shop.db");
        path.setFont(kBodyFont);
        path.setTextColour(kOrange);
        path.setInputMode(CVWnd_Edit::kInputReadOnly);
        path.create(childAt(inside, 4, 7, 329, 23, 104));
        path.setBorderStyle(CVWnd_Edit::kBorderSingleLine);

        start.setText(u"开始修复");
        start.setFont(kBodyFont);
        start.setDrawBorder(false);
        const COLORREF colours[6] = {kLightGrey, kGrey, kLightGrey, kDarkGrey, kLightGrey, kDarkGrey};
        for (int role = 0; role < 6; ++role) start.setColour(role, colours[role]);
        start.create(childAt(inside, 333, 7, 55, 23, 103));

        classic.setText(u"3-D 按钮");
        classic.setFont(kBodyFont);
        classic.setLook(CVWnd_SupperButton::kLook3D);
        classic.create(childAt(inside, 398, 7, 110, 23, 107));

        hint.setText(u"修复进度: 表名称:users    5000/1000    修复中");
        hint.setFont(kBodyFont);
        hint.setTextColour(kGrey);
        hint.setBackgroundColour(kLightGrey);
        hint.create(childAt(inside, 7, 38, 504, 20, 102));

        plain.setText(u"普通编辑框 plain edit");
        plain.setFont(kBodyFont);
        plain.create(childAt(inside, 7, 64, 200, 23, 108));

        const int kinds[6] = {CVWnd_ShapeBox::kRectangle, CVWnd_ShapeBox::kEllipse, CVWnd_ShapeBox::kRoundedSquare,
                              CVWnd_ShapeBox::kCircle, CVWnd_ShapeBox::kHorizontalLine, CVWnd_ShapeBox::kRectangle};
        for (int i = 0; i < 6; ++i) {
            shapes[i].setBackgroundColour(kLightGrey);
            shapes[i].setKind(kinds[i]);
            shapes[i].setLineColour(kSlate);
            if (i == 3) shapes[i].setFillColour(RGB(212, 35, 122));
            if (i == 5) shapes[i].setEffect(CVWnd_ShapeBox::kSunken);
            shapes[i].create(childAt(inside, 7 + i * 84, 96, 76, 60, 110 + i));
        }
    }
};

int showSampleForm(const std::vector<std::string>& arguments) {
    SampleForm form;
    if (!form.create(defaultPlacement())) return 1;
    pumpMessages(arguments.empty() ? 5000 : std::stoi(arguments[0]));
    return 0;
}
CHILD_ROLE("sample-form", showSampleForm);

}  // namespace
