// Events: a slot holds one subscription (handler, receiver, cookie); raising calls the handler
// synchronously on the raising thread. The receiver is an EventTarget, which keeps deliveries
// from reaching a receiver that is being destroyed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// A receiver's guard. Declare it as the receiver's last member, or close() it first in the
// receiver's destructor: once closed, no delivery starts, and close() waits for the deliveries in
// progress to end. A handler must not destroy its own receiver.
class EventTarget {
public:
    struct State {
        std::mutex lock;
        std::condition_variable idle;
        int callsInProgress = 0;
        bool closed = false;
    };

    EventTarget() : state(std::make_shared<State>()) {}
    EventTarget(const EventTarget&) = delete;
    EventTarget& operator=(const EventTarget&) = delete;
    ~EventTarget() { close(); }

    void close() {
        std::unique_lock<std::mutex> guard(state->lock);
        state->closed = true;
        state->idle.wait(guard, [this] { return state->callsInProgress == 0; });
    }

    std::shared_ptr<State> shared() const { return state; }

private:
    std::shared_ptr<State> state;
};

template <typename Sender, typename... Args>
class EventSlot {
public:
    // The handler gets the sender, the subscriber's cookie and the event's arguments.
    using Handler = std::function<int(Sender& sender, std::int32_t cookie, Args... args)>;

    // Replaces any earlier subscription.
    void subscribe(const EventTarget& receiver, std::int32_t cookie, Handler handler) {
        std::lock_guard<std::mutex> guard(lock);
        subscription = Subscription{std::move(handler), receiver.shared(), cookie};
    }

    void unsubscribe() {
        std::lock_guard<std::mutex> guard(lock);
        subscription = Subscription{};
    }

    // Calls the handler on this thread. Without a subscriber, or when the receiver is closed,
    // nothing happens and the result is 0; otherwise the handler's result.
    int raise(Sender& sender, Args... args) const {
        Subscription current;
        {
            std::lock_guard<std::mutex> guard(lock);
            current = subscription;
        }
        if (!current.handler || !current.receiver) return 0;
        {
            std::lock_guard<std::mutex> guard(current.receiver->lock);
            if (current.receiver->closed) return 0;
            ++current.receiver->callsInProgress;
        }
        struct EndOfCall {
            EventTarget::State& state;
            ~EndOfCall() {
                std::lock_guard<std::mutex> guard(state.lock);
                if (--state.callsInProgress == 0) state.idle.notify_all();
            }
        } endOfCall{*current.receiver};
        return current.handler(sender, current.cookie, args...);
    }

private:
    struct Subscription {
        Handler handler;
        std::shared_ptr<EventTarget::State> receiver;
        std::int32_t cookie = 0;
    };

    mutable std::mutex lock;
    Subscription subscription;
};
