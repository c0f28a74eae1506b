#include "pages/frmMessage.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace zel::ui {
namespace {

constexpr int FormWidth = 360;
constexpr int Margin = 8;
constexpr int TextHeight = 48;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 26;

} // namespace

frmMessage::frmMessage(QWidget* owner) : QWidget(owner, Qt::Dialog)
{
    setObjectName(QStringLiteral("frmMessage"));

    mText = new QLabel(this);
    mText->setObjectName(QStringLiteral("lblText"));
    mText->setWordWrap(true);
    mText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    mText->setGeometry(Margin, Margin, FormWidth - 2 * Margin, TextHeight);

    mCancel = new QPushButton(QStringLiteral("Cancel"), this);
    mCancel->setObjectName(QStringLiteral("cmdCancel"));
    mCancel->setGeometry((FormWidth - ButtonWidth) / 2, Margin + TextHeight + Margin, ButtonWidth, ButtonHeight);
    connect(mCancel, &QPushButton::clicked, this, &frmMessage::CancelClick);

    FitHeight();
}

QString frmMessage::Text() const
{
    return mText->text();
}

void frmMessage::SetText(const QString& text)
{
    mText->setText(text);
    if (mText->isVisible())
        mText->repaint();
}

void frmMessage::SetShowCancel(bool show)
{
    mShowCancel = show;
    mCancel->setVisible(show);
    FitHeight();
}

void frmMessage::SetCancelEnabled(bool enabled)
{
    mCancel->setEnabled(enabled);
}

void frmMessage::FitHeight()
{
    int bottom = mShowCancel ? mCancel->geometry().bottom() + 1 : mText->geometry().bottom() + 1;
    setFixedSize(FormWidth, bottom + Margin);
}

void frmMessage::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous()) {
        // The close box: the command owns this window and ends it itself.
        event->ignore();
        if (mShowCancel && mCancel->isEnabled())
            emit CancelClick();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace zel::ui
