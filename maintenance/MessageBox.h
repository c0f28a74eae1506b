#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zel::ui {

// Every message box of the program goes through ShowMessage, so tests can record and answer them.
enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

struct MessageRequest {
    QString title;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgResult defaultButton = MsgResult::Ok;
};

using MessageHandler = std::function<MsgResult(const MessageRequest&)>;

// The application title, used as box title where no other is given.
QString AppTitle();

// Shows a modal message box (or hands the request to the installed handler) and returns the
// button chosen. An empty title means the application title.
MsgResult ShowMessage(QWidget* parent, const QString& text, const QString& title = {}, MsgIcon icon = MsgIcon::None,
                      MsgButtons buttons = MsgButtons::Ok, MsgResult defaultButton = MsgResult::Ok);

// Replaces the real message boxes (tests); an empty handler restores them. Returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);

} // namespace zel::ui
