#include "zel/support/MessagePump.h"

#include <thread>
#include <utility>

namespace zel::support {
namespace {

thread_local MessagePumpHook tMessagePump;
thread_local PollSleepHook tPollSleep;

} // namespace

MessagePumpHook SetMessagePump(MessagePumpHook hook)
{
    return std::exchange(tMessagePump, std::move(hook));
}

void PumpMessages()
{
    if (tMessagePump) {
        auto hook = tMessagePump; // the hook may replace itself while it runs
        hook();
    }
}

PollSleepHook SetPollSleep(PollSleepHook hook)
{
    return std::exchange(tPollSleep, std::move(hook));
}

void PollSleep(std::chrono::microseconds duration)
{
    if (tPollSleep) {
        auto hook = tPollSleep;
        hook(duration);
    } else if (duration.count() > 0) {
        std::this_thread::sleep_for(duration);
    }
}

} // namespace zel::support
