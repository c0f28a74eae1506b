#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace zel {

// A subscription ends when the object is dropped (or Reset). Move-only.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : mCancel(std::move(cancel)) {}
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    Subscription(Subscription&& other) noexcept : mCancel(std::exchange(other.mCancel, {})) {}
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            Reset();
            mCancel = std::exchange(other.mCancel, {});
        }
        return *this;
    }
    ~Subscription() { Reset(); }

    void Reset() noexcept
    {
        if (mCancel) {
            auto cancel = std::exchange(mCancel, {});
            cancel();
        }
    }
    bool Active() const noexcept { return static_cast<bool>(mCancel); }

private:
    std::function<void()> mCancel;
};

// A synchronous event. Handlers run on the raising thread, in subscription order.
// A handler may subscribe or unsubscribe (itself or others) while the event is raised;
// handlers removed during a raise are not called afterwards. The event may be destroyed
// while subscriptions to it still exist: they then become no-ops.
template <typename... Args>
class Event {
public:
    using Handler = std::function<void(Args...)>;

    Event() : mState(std::make_shared<State>()) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    [[nodiscard]] Subscription Subscribe(Handler handler)
    {
        auto id = ++mState->nextId;
        mState->entries.push_back(std::make_shared<Slot>(Slot{id, std::move(handler)}));
        std::weak_ptr<State> weak = mState;
        return Subscription([weak, id] {
            if (auto state = weak.lock()) {
                auto& v = state->entries;
                for (auto it = v.begin(); it != v.end(); ++it) {
                    if ((*it)->id == id) {
                        (*it)->handler = nullptr;
                        v.erase(it);
                        break;
                    }
                }
            }
        });
    }

    void Raise(Args... args) const
    {
        auto snapshot = mState->entries; // handlers may change the list while we call them
        auto keepAlive = mState;
        for (auto& slot : snapshot) {
            if (slot->handler) {
                auto handler = slot->handler;
                handler(args...);
            }
        }
    }

    void operator()(Args... args) const { Raise(std::forward<Args>(args)...); }

    std::size_t HandlerCount() const noexcept { return mState->entries.size(); }

private:
    struct Slot {
        std::size_t id;
        Handler handler;
    };
    struct State {
        std::size_t nextId = 0;
        std::vector<std::shared_ptr<Slot>> entries; // not "slots": Qt defines that word as a macro
    };
    std::shared_ptr<State> mState;
};

} // namespace zel
