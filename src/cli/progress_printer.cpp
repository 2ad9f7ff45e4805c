#include "cli/progress_printer.h"

#include <algorithm>

#include "jobs/job_progress.h"
#include "platform/platform.h"

namespace {

constexpr int kBarWidth = 24;

WideString bar(std::int32_t total, std::int32_t done) {
    done = std::min(done, total);   // a salvage may bring back more rows than the source still counts
    const std::int64_t filled = total > 0 ? std::int64_t{done} * kBarWidth / total : 0;
    WideString text = u" [";
    for (int i = 0; i < kBarWidth; ++i) text += i < filled ? u'#' : u'-';
    return text + u"] " + decimalText(total > 0 ? std::int64_t{done} * 100 / total : 0) + u"%";
}

}  // namespace

ProgressPrinter::ProgressPrinter(rg_mk_class_sqliteshjk_xf& job, rg_MoKuai_class_sqliteShuJuKu& source,
                                 rg_MoKuai_class_sqliteShuJuKu& target)
    : live(platform::isTerminal(platform::Stream::error)) {
    subscribeTo(source);
    subscribeTo(target);
    follow(job.repairProgress);
}

ProgressPrinter::ProgressPrinter(SalvageJob& job) : live(platform::isTerminal(platform::Stream::error)) {
    follow(job.salvageProgress);
}

template <typename Job>
void ProgressPrinter::follow(JobProgressEvent<Job>& progress) {
    progress.subscribe(eventTarget, 0,
                       [this](Job&, std::int32_t, std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done,
                              const WideString& text) {
                           show(Job::progressLabel, Job::runningText, kind, name, total, done, text);
                           return 0;
                       });
}

ProgressPrinter::~ProgressPrinter() {
    eventTarget.close();
    if (lineOpen) platform::writeText(platform::Stream::error, u"\n");
}

void ProgressPrinter::subscribeTo(rg_MoKuai_class_sqliteShuJuKu& database) {
    database.onMessage.subscribe(eventTarget, 0,
                                 [this](rg_MoKuai_class_sqliteShuJuKu&, std::int32_t, std::int32_t, const WideString& label,
                                        const WideString& message) {
                                     showDiagnostic(label, message);
                                     return 0;
                                 });
}

void ProgressPrinter::showDiagnostic(const WideString& label, const WideString& message) {
    const std::lock_guard<std::mutex> guard(writing);
    platform::writeText(platform::Stream::error, WideString(lineOpen ? u"\n" : u"") + label + u" " + message + u"\n");
    lineOpen = false;
}

void ProgressPrinter::show(const char16_t* label, const char16_t* runningText, std::int32_t kind, const WideString& name,
                           std::int32_t total, std::int32_t done, const WideString& text) {
    WideString line = progressLine(label, kind, name, total, done, text);
    const std::lock_guard<std::mutex> guard(writing);
    if (!live) {
        platform::writeText(platform::Stream::error, line + u"\n");
        return;
    }
    // A table's running events rewrite one line; anything else ends it.
    const bool running = kind == kProgressOfItem && text == runningText;
    if (kind == kProgressOfItem && total > 0) line += bar(total, done);
    platform::writeText(platform::Stream::error, u"\r" + line + u"\x1b[K" + (running ? u"" : u"\n"));
    lineOpen = running;
}
