#pragma once

#include <QObject>

#include <functional>

namespace zel::ui {

// Runs a function once for a burst of requests: Schedule marks it pending and posts one call to
// the event loop; Flush runs it at once when it is pending. A call posted for a context object
// that has gone is dropped by Qt, so the owner may die with a call pending.
class DeferredCall {
public:
    DeferredCall(QObject* context, std::function<void()> function) : mContext(context), mFunction(std::move(function))
    {
    }

    void Schedule()
    {
        if (mPending)
            return;
        mPending = true;
        QMetaObject::invokeMethod(
            mContext, [this] { Flush(); }, Qt::QueuedConnection);
    }

    void Flush()
    {
        if (!mPending)
            return;
        mPending = false;
        mFunction();
    }

    // Forgets a pending request (the work was done another way).
    void Cancel() { mPending = false; }
    bool Pending() const { return mPending; }

private:
    QObject* mContext;
    std::function<void()> mFunction;
    bool mPending = false;
};

} // namespace zel::ui
