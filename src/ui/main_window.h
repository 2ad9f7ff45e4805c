// The program's one window: a borderless 522 × 97 strip with a title, a close button, a
// read-only path box, a start button and a hint line, which repairs the database dropped on it.
#pragma once

#include <cstdint>

#include "base/event_slot.h"
#include "base/wide_string.h"
#include "jobs/job_progress.h"
#include "ui/toolkit/edit_box.h"
#include "ui/toolkit/form.h"
#include "ui/toolkit/label.h"
#include "ui/toolkit/picture_button.h"
#include "ui/toolkit/shape_box.h"
#include "ui/toolkit/super_button.h"

class rg_mk_class_sqliteshjk_xf;

// The window keeps no state besides three control texts: the path box holds the chosen path, the
// start button reads "修复中" exactly while a repair runs or its result box is open
// ("抢救中" once a salvage that follows it has started), and the hint
// label shows the drop hint or the latest progress line. Created on the main thread; the repair
// thread reaches it only through eventTarget.
class rg_win_Zhu : public CVWnd_WinForm {
public:
    rg_win_Zhu();
    // Waits, still answering the messages other threads send, until no handler runs on another
    // thread; handlers that start afterwards reach nothing.
    ~rg_win_Zhu() override;

    // The design client size, 522 × 97, scaled by the display scale.
    int clientWidth() override;
    int clientHeight() override;

    // Files the program was started with (a database dropped on its icon, or opened with it),
    // taken as a drop of them on the window: one database goes into the path box, ready to start;
    // anything else shows the box a drop of it shows.
    void openFiles(const StringArray& paths);

protected:
    // Registers for dropped files, binds the handlers and creates the six controls.
    void buildControls() override;
    virtual void bindEvents();
    // Starts the detached repair thread on its own copy of path; false when no thread could start.
    virtual bool startRepairThread(const WideString& path);
    // Asks the user, from the run's thread, for another copy of the same program's database as the
    // one at sourcePath, whose schema a salvage can take: the system's open-file dialog, owned by
    // the window and starting in the source's folder. Empty when the user cancels.
    virtual WideString chooseSchemaCopy(const WideString& sourcePath);

private:
    void showStartupTip();
    void onFilesDropped(const StringArray& paths);
    void onStartClicked(WindowObject& sender);
    void onCloseClicked(WindowObject& sender);
    // The system close (Alt+F4, the taskbar): refused like the close button while a repair runs.
    int onCloseQuery();
    // A progress event of the repair or the salvage, shown in the hint label under the job's label;
    // the start button reads the job's running text.
    void onJobProgress(const char16_t* label, const char16_t* runningText, std::int32_t kind, const WideString& name,
                       std::int32_t total, std::int32_t done, const WideString& text);
    template <typename Job>
    void follow(JobProgressEvent<Job>& progress);
    static void repairWorker(WideString path);

    bool isRepairing() const;
    // Idle: "开始修复", the drop hint, an empty path box, then no refusal left open. The end of
    // every run, after its result box, from the run's thread.
    void resetToIdle();
    void buildPanelControls();
    void buildTitleControls();

    // Declared in build order and destroyed in reverse; eventTarget goes first.
    rg_WaiXingKuang panel;
    rg_label hintLabel;
    rg_ChaoJiAnNiu startButton;
    rg_edit_box pathBox;
    rg_TuXingAnNiu closeButton;
    rg_label titleLabel;
    EventTarget eventTarget;
};
