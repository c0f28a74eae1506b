#include "zel/support/MessagePump.h"

#include "pages/UserProgressWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

namespace zel::ui {
namespace {

constexpr int FormWidth = 360;
constexpr int Margin = 8;
constexpr int LabelHeight = 20;
constexpr int BarHeight = 22;

} // namespace

UserProgressWindow::UserProgressWindow(QWidget* owner, const QString& caption, const QString& objectName)
    : QWidget(owner, Qt::Dialog)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    mStatus = new QLabel(this);
    mStatus->setObjectName(QStringLiteral("lblStatus"));
    mStatus->setGeometry(Margin, Margin, FormWidth - 2 * Margin, LabelHeight);
    mProgress = new QProgressBar(this);
    mProgress->setObjectName(QStringLiteral("picProgress"));
    mProgress->setGeometry(Margin, 2 * Margin + LabelHeight, FormWidth - 2 * Margin, BarHeight);
    mProgress->setRange(0, 1);
    mProgress->setValue(0);
    setFixedSize(FormWidth, 3 * Margin + LabelHeight + BarHeight);
}

QString UserProgressWindow::Status() const
{
    return mStatus->text();
}

int UserProgressWindow::Value() const
{
    return mProgress->value();
}

int UserProgressWindow::Maximum() const
{
    return mProgress->maximum();
}

void UserProgressWindow::Run(QWidget* owner, const QString& caption, int count, const std::function<void(int)>& step)
{
    Begin(owner, caption, count);
    try {
        for (int i = 0; i < count; ++i) {
            step(i);
            Advance();
        }
    } catch (...) {
        End();
        throw;
    }
    End();
}

void UserProgressWindow::Begin(QWidget* owner, const QString& caption, int maximum)
{
    if (owner != nullptr && owner != parentWidget())
        setParent(owner, Qt::Dialog);
    if (!caption.isEmpty())
        setWindowTitle(caption);
    setWindowModality(Qt::WindowModal);
    mProgress->setRange(0, maximum);
    mProgress->setValue(0);
    mWorking = true;
    show();
    zel::support::PumpMessages();
}

void UserProgressWindow::ShowStatus(const QString& status)
{
    mStatus->setText(status);
    mStatus->repaint();
}

void UserProgressWindow::Advance()
{
    mProgress->setValue(mProgress->value() + 1);
    mProgress->repaint();
    emit Advanced(mProgress->value());
    zel::support::PumpMessages();
}

void UserProgressWindow::End()
{
    mWorking = false;
    close();
}

void UserProgressWindow::closeEvent(QCloseEvent* event)
{
    if (mWorking && event->spontaneous()) {
        event->ignore(); // a running transfer cannot be cancelled
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace zel::ui
