#pragma once

#include "MessageBox.h"

#include <QList>

#include <deque>

namespace zel::ui::test {

// Records every message box shown while it lives and answers it: with the queued answers
// first, then with the request's default button.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void QueueAnswer(MsgResult answer) { mAnswers.push_back(answer); }
    const QList<MessageRequest>& Messages() const { return mMessages; }
    int Count() const { return static_cast<int>(mMessages.size()); }
    const MessageRequest& Last() const { return mMessages.back(); }
    void Clear() { mMessages.clear(); }

private:
    QList<MessageRequest> mMessages;
    std::deque<MsgResult> mAnswers;
    MessageHandler mPrevious;
};

} // namespace zel::ui::test
