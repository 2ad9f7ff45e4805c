// Answers the program's message boxes from a watcher thread, as a user would: it notes each box
// (its text, owner and thread, and whether the main window was on screen at that moment), then
// presses OK (No, for a question), or the button the test chose for its text, unless the box's
// text is held open by the test.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "base/wide_string.h"

struct SeenBox {
    HWND box = nullptr;             // the box's own window; gone once the box is answered
    WideString caption;
    WideString text;
    HWND owner = nullptr;           // GetWindow(GW_OWNER); null for a box without a real owner
    DWORD threadId = 0;             // the thread that shows the box
    bool mainWindowVisible = false; // a top-level "Dovrane" window of this process was visible
    RECT area{};                    // where the box is on the screen
    int textLines = 0;              // how many lines the box shows its message on
    bool uncovered = false;         // the box, no other window, shows at its middle
};

class BoxAnswerer {
public:
    BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer();

    // Boxes with exactly this text stay open until released; others are answered at once.
    void hold(const WideString& text);
    // Presses OK (No, for a question) on the held boxes and answers later ones at once: every held
    // text, or this one.
    void release();
    void release(const WideString& text);
    // Answers boxes with exactly this text with the button (IDYES, IDNO, ...).
    void answerWith(const WideString& text, int button);

    // The boxes seen so far, in order.
    std::vector<SeenBox> seen() const;
    std::vector<WideString> seenTexts() const;
    void forget();

    // Pumps the calling thread's messages until count boxes have been seen or timeoutMs pass.
    bool waitForBoxes(size_t count, int timeoutMs) const;

private:
    void watch();
    void look();

    mutable std::mutex lock;
    std::vector<SeenBox> boxes;
    std::set<HWND> noted;
    std::vector<std::pair<HWND, WideString>> heldBoxes;
    std::vector<std::pair<WideString, int>> chosenAnswers;
    std::set<WideString> heldTexts;
    bool stopping = false;
    std::condition_variable wake;
    std::thread watcher;
};
