#pragma once

#include <chrono>
#include <functional>

namespace zel::support {

// The per-thread hook through which a long clock operation (the polling of an enrollment) lets
// the caller's message loop run: the program installs QCoreApplication::processEvents. By
// default nothing happens.
using MessagePumpHook = std::function<void()>;

// Installs the hook of the calling thread (an empty function restores the no-op) and returns
// the previous one.
MessagePumpHook SetMessagePump(MessagePumpHook hook);
// Runs the calling thread's hook once.
void PumpMessages();

// The pause between two polls of a clock that answered at once. By default the thread sleeps;
// tests install a hook that records the request instead. Per thread, like the message pump.
using PollSleepHook = std::function<void(std::chrono::microseconds)>;
PollSleepHook SetPollSleep(PollSleepHook hook);
void PollSleep(std::chrono::microseconds duration);

} // namespace zel::support
