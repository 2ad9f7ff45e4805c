// The plain main window's layout in design pixels, scaled by the display scale.
#include "app/plain_main_window.h"

#include "ui/toolkit/display_scale.h"

namespace {

constexpr int kClientWidth = 522;
constexpr int kClientHeight = 97;

}  // namespace

PlainMainWindow::PlainMainWindow() {
    setText(u"Dovrane");
    setBackgroundColour(RGB(236, 236, 236));
    titleLabel.setText(u"Dovrane");
    titleLabel.setFont(u"微软雅黑, 12, 1");
    titleLabel.setTextColour(RGB(50, 65, 85));
    titleLabel.setBackgroundColour(RGB(236, 236, 236));
    noteLabel.setText(u"本版本不含修复窗口，请使用 dovrane-cli 修复数据库。");
    noteLabel.setFont(u"微软雅黑, 9");
    noteLabel.setTextColour(RGB(96, 96, 96));
    noteLabel.setBackgroundColour(RGB(236, 236, 236));
}

int PlainMainWindow::clientWidth() { return scaled(kClientWidth); }

int PlainMainWindow::clientHeight() { return scaled(kClientHeight); }

void PlainMainWindow::buildControls() {
    CreationParameters title;
    title.parent = handle();
    title.x = scaled(12);
    title.y = scaled(12);
    title.width = scaled(498);
    title.height = scaled(30);
    title.controlId = 101;
    titleLabel.create(title);

    CreationParameters note = title;
    note.y = scaled(50);
    note.height = scaled(24);
    note.controlId = 102;
    noteLabel.create(note);
}
