#include "MessageBox.h"

#include <QMessageBox>

namespace zel::ui {
namespace {

MessageHandler& Handler()
{
    static MessageHandler handler; // replaced by tests only
    return handler;
}

QMessageBox::StandardButton ToStandard(MsgResult r)
{
    switch (r) {
    case MsgResult::Ok:
        return QMessageBox::Ok;
    case MsgResult::Cancel:
        return QMessageBox::Cancel;
    case MsgResult::Yes:
        return QMessageBox::Yes;
    case MsgResult::No:
        return QMessageBox::No;
    case MsgResult::Retry:
        return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

MsgResult FromStandard(int b)
{
    switch (b) {
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Retry:
        return MsgResult::Retry;
    default:
        return MsgResult::Ok;
    }
}

} // namespace

QString AppTitle() { return QStringLiteral("ZelMaintenance"); }

MsgResult ShowMessage(QWidget* parent, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons,
                      MsgResult defaultButton)
{
    MessageRequest request{title.isEmpty() ? AppTitle() : title, text, icon, buttons, defaultButton};
    if (Handler())
        return Handler()(request);

    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("msgBox"));
    box.setWindowTitle(request.title);
    box.setText(request.text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case MsgButtons::Ok:
        set = QMessageBox::Ok;
        break;
    case MsgButtons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MsgButtons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case MsgButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MsgButtons::RetryCancel:
        set = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(ToStandard(defaultButton));
    return FromStandard(box.exec());
}

MessageHandler SetMessageHandler(MessageHandler handler) { return std::exchange(Handler(), std::move(handler)); }

} // namespace zel::ui
