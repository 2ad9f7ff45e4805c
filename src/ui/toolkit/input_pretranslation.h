// The message loop's side of input pre-translation: a queued mouse or keyboard message is offered
// (private message 0x9FFF) to its window and then to each parent while the window is a child;
// the first toolkit window that claims it keeps it from being dispatched.
#pragma once

#include <windows.h>

// True when a toolkit window claimed the message.
bool preTranslateInput(MSG& message);
