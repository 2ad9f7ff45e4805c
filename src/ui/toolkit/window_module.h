// The process-wide window module: the main thread, the message loops running per thread, and the
// main window whose destruction ends the main loop.
#pragma once

#include <windows.h>

#include <mutex>
#include <vector>

// A running message loop as the toolkit sees it: something that pre-translates queued messages.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    // True when the message was claimed and must not be dispatched.
    virtual bool preTranslateMessage(MSG& message) = 0;
};

class WindowModule {
public:
    // Starts the module on the calling thread: it becomes the main thread; no loop is registered.
    void initialise();
    DWORD mainThreadId() const { return mainThread; }

    // Registers the loop running on a thread; a later registration for the thread replaces it.
    void registerLoop(DWORD threadId, MessagePump* loop);
    void unregisterLoop(DWORD threadId);
    // The loop running on the thread, or nullptr.
    MessagePump* loopOf(DWORD threadId);

    // The main window: 0 until it exists. A toolkit window receiving WM_DESTROY while its handle
    // equals this posts WM_QUIT.
    HWND mainWindowHandle = nullptr;

private:
    struct LoopEntry {
        DWORD threadId;
        MessagePump* loop;
    };
    DWORD mainThread = 0;
    std::mutex lock;
    std::vector<LoopEntry> loops;
};

WindowModule& windowModule();
