#include "MessageRecorder.h"

namespace zel::ui::test {

MessageRecorder::MessageRecorder()
{
    mPrevious = SetMessageHandler([this](const MessageRequest& request) {
        mMessages.push_back(request);
        if (!mAnswers.empty()) {
            auto answer = mAnswers.front();
            mAnswers.pop_front();
            return answer;
        }
        return request.defaultButton;
    });
}

MessageRecorder::~MessageRecorder() { SetMessageHandler(mPrevious); }

} // namespace zel::ui::test
