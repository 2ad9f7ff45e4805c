// What a job tells while it runs: its progress event, and the one-line form that the window's hint
// label and the command line show. Every job raises the same event; each line carries the job's
// own label.
#pragma once

#include <cstdint>

#include "base/event_slot.h"
#include "base/wide_string.h"

// The kinds of a progress event.
inline constexpr std::int32_t kProgressMessage = 1;   // a line of text
inline constexpr std::int32_t kProgressOfItem = 2;    // the named item's rows: total, done and a text

// kind, name (a table, or "数据库" for the job as a whole), total rows, rows done, text.
template <typename Job>
using JobProgressEvent = EventSlot<Job, std::int32_t, const WideString&, std::int32_t, std::int32_t, const WideString&>;

// label + ":" + text for a message; otherwise label + ": 表名称:" + name + four blanks + total +
// "/" + done + four blanks + text.
WideString progressLine(const char16_t* label, std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done,
                        const WideString& text);
