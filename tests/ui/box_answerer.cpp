#include "box_answerer.h"

#include <algorithm>
#include <chrono>

#include "window_driver.h"

namespace {

WideString windowText(HWND window) {
    wchar_t buffer[1024] = {};
    // InternalGetWindowText sends no message, so a box whose thread is busy cannot stall the watcher.
    const int length = InternalGetWindowText(window, buffer, 1024);
    return WideString(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(std::max(length, 0)));
}

WideString className(HWND window) {
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(window, buffer, 256);
    return WideString(reinterpret_cast<const char16_t*>(buffer), static_cast<size_t>(std::max(length, 0)));
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> topLevelWindowsOfThisProcess() {
    std::vector<HWND> all;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> ours;
    for (HWND window : all) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId == GetCurrentProcessId()) ours.push_back(window);
    }
    return ours;
}

// The message text is the box's static control that carries text (the icon's static has none).
WideString boxText(HWND box) {
    std::vector<HWND> children;
    EnumChildWindows(box, collectWindow, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (className(child) != u"Static") continue;
        WideString text = windowText(child);
        if (!text.empty()) return text;
    }
    return {};
}

// The message's static control is as tall as the lines it shows (MessageBoxW sizes it so); its
// font is asked with a time limit, so that a busy box thread cannot stall the watcher.
int textLines(HWND box) {
    std::vector<HWND> children;
    EnumChildWindows(box, collectWindow, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        if (className(child) != u"Static" || windowText(child).empty()) continue;
        DWORD_PTR font = 0;
        if (!SendMessageTimeoutW(child, WM_GETFONT, 0, 0, SMTO_ABORTIFHUNG, 5000, &font)) return 0;
        HDC screen = GetDC(nullptr);
        const HGDIOBJ previous = SelectObject(screen, reinterpret_cast<HFONT>(font));
        TEXTMETRICW metrics{};
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, previous);
        ReleaseDC(nullptr, screen);
        RECT client;
        GetClientRect(child, &client);
        return metrics.tmHeight > 0 ? client.bottom / metrics.tmHeight : 0;
    }
    return 0;
}

bool mainWindowVisible() {
    for (HWND window : topLevelWindowsOfThisProcess())
        if (windowText(window) == u"Dovrane" && IsWindowVisible(window)) return true;
    return false;
}

void pressButton(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

// OK, or No for a question, which has no OK button.
void pressOk(HWND box) {
    pressButton(box, GetDlgItem(box, IDOK) || !GetDlgItem(box, IDNO) ? IDOK : IDNO);
}

}  // namespace

BoxAnswerer::BoxAnswerer() : watcher([this] { watch(); }) {}

BoxAnswerer::~BoxAnswerer() {
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    wake.notify_all();
    watcher.join();
    release();
}

void BoxAnswerer::hold(const WideString& text) {
    std::lock_guard<std::mutex> guard(lock);
    heldTexts.insert(text);
}

void BoxAnswerer::answerWith(const WideString& text, int button) {
    std::lock_guard<std::mutex> guard(lock);
    chosenAnswers.emplace_back(text, button);
}

void BoxAnswerer::release() {
    std::lock_guard<std::mutex> guard(lock);
    heldTexts.clear();
    for (const auto& [box, text] : heldBoxes)
        if (IsWindow(box)) pressOk(box);
    heldBoxes.clear();
}

void BoxAnswerer::release(const WideString& text) {
    std::lock_guard<std::mutex> guard(lock);
    heldTexts.erase(text);
    std::erase_if(heldBoxes, [&](const std::pair<HWND, WideString>& held) {
        if (held.second != text) return false;
        if (IsWindow(held.first)) pressOk(held.first);
        return true;
    });
}

std::vector<SeenBox> BoxAnswerer::seen() const {
    std::lock_guard<std::mutex> guard(lock);
    return boxes;
}

std::vector<WideString> BoxAnswerer::seenTexts() const {
    std::vector<WideString> texts;
    for (const SeenBox& box : seen()) texts.push_back(box.text);
    return texts;
}

void BoxAnswerer::forget() {
    std::lock_guard<std::mutex> guard(lock);
    boxes.clear();
}

bool BoxAnswerer::waitForBoxes(size_t count, int timeoutMs) const {
    return pumpUntil([&] { return seen().size() >= count; }, timeoutMs);
}

void BoxAnswerer::watch() {
    std::unique_lock<std::mutex> guard(lock);
    while (!stopping) {
        guard.unlock();
        look();
        guard.lock();
        wake.wait_for(guard, std::chrono::milliseconds(10), [this] { return stopping; });
    }
}

void BoxAnswerer::look() {
    for (HWND window : topLevelWindowsOfThisProcess()) {
        if (className(window) != u"#32770" || !IsWindowVisible(window)) continue;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (noted.count(window)) continue;
        }
        SeenBox box;
        box.box = window;
        box.caption = windowText(window);
        box.text = boxText(window);
        box.owner = GetWindow(window, GW_OWNER);
        box.threadId = GetWindowThreadProcessId(window, nullptr);
        box.mainWindowVisible = mainWindowVisible();
        GetWindowRect(window, &box.area);
        box.textLines = textLines(window);
        const POINT middle{(box.area.left + box.area.right) / 2, (box.area.top + box.area.bottom) / 2};
        box.uncovered = GetAncestor(WindowFromPoint(middle), GA_ROOT) == window;
        std::lock_guard<std::mutex> guard(lock);
        noted.insert(window);
        const bool held = heldTexts.count(box.text) > 0;
        const auto chosen = std::find_if(chosenAnswers.begin(), chosenAnswers.end(), [&](const auto& answer) { return answer.first == box.text; });
        boxes.push_back(std::move(box));
        if (held)
            heldBoxes.emplace_back(window, boxes.back().text);
        else if (chosen != chosenAnswers.end())
            pressButton(window, chosen->second);
        else
            pressOk(window);
    }
    std::lock_guard<std::mutex> guard(lock);
    for (auto it = noted.begin(); it != noted.end();) it = IsWindow(*it) ? std::next(it) : noted.erase(it);
}
