#include "pages/frmMessage.h"

#include "ShownText.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/IChannelDescription.h"
#include "zel/data/ReaderDescription.h"
#include "zel/workflows/ChannelGroups.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>

#include <algorithm>

namespace zel::ui {
namespace {

constexpr int FormWidth = 360;
constexpr int LinesFormWidth = 520; // wide enough for "channel: clock - user (n of m)"
constexpr int Margin = 8;
constexpr int TextHeight = 48;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 26;
constexpr int LineTextHeight = 18;
constexpr int LineBarHeight = 14;
constexpr int LineHeight = LineTextHeight + LineBarHeight + 6;
constexpr int LinesShown = 10; // more scroll

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

void frmMessage::SetChannelLine(std::int32_t channelID, const QString& name, const QString& status, int done, int total)
{
    ChannelLine* line = nullptr;
    if (const auto found = mLineOf.find(channelID); found != mLineOf.end())
        line = &mLines[found->second];
    if (!line) {
        const int number = static_cast<int>(mLines.size()) + 1;
        const int lineWidth = LinesFormWidth - 4 * Margin;
        if (mLines.empty()) { // the first line widens the window
            mText->setGeometry(Margin, Margin, LinesFormWidth - 2 * Margin, TextHeight);
            mCancel->move((LinesFormWidth - ButtonWidth) / 2, mCancel->y());
            mLinesArea = new QScrollArea(this);
            mLinesArea->setObjectName(QStringLiteral("scrChannels"));
            mLinesArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            mLinesBox = new QWidget;
            mLinesArea->setWidget(mLinesBox);
            mLinesArea->show();
        }
        const int top = (number - 1) * LineHeight;
        ChannelLine added;
        added.ChannelID = channelID;
        added.Text = new QLabel(mLinesBox);
        added.Text->setObjectName(QStringLiteral("lblChannel%1").arg(number));
        added.Text->setGeometry(0, top, lineWidth, LineTextHeight);
        added.Bar = new QProgressBar(mLinesBox);
        added.Bar->setObjectName(QStringLiteral("picProgress%1").arg(number));
        added.Bar->setTextVisible(false);
        added.Bar->setGeometry(0, top + LineTextHeight, lineWidth, LineBarHeight);
        added.Text->show();
        added.Bar->show();
        mLineOf[channelID] = mLines.size();
        mLines.push_back(added);
        line = &mLines.back();
        mLinesBox->resize(lineWidth, number * LineHeight);
        const int areaTop = mText->geometry().bottom() + 1 + Margin;
        const int areaHeight = std::min(number, LinesShown) * LineHeight + 2 * mLinesArea->frameWidth();
        mLinesArea->setGeometry(Margin, areaTop, LinesFormWidth - 2 * Margin, areaHeight);
        mCancel->move(mCancel->x(), areaTop + areaHeight + Margin);
        FitHeight();
    }
    const QString text = ShownText(name.isEmpty() ? status : name + QStringLiteral(": ") + status);
    const QString shown = line->Text->fontMetrics().elidedText(text, Qt::ElideMiddle, line->Text->width());
    if (line->Text->text() != shown) {
        line->Text->setText(shown);
        line->Text->setToolTip(text);
    }
    line->Bar->setMaximum(total > 0 ? total : 1);
    line->Bar->setValue(total > 0 ? done : 0);
}

QString frmMessage::ShowChannelStep(const zel::workflows::ChannelStep& step)
{
    auto known = mChannelNames.find(step.ChannelID);
    if (known == mChannelNames.end()) {
        QString name = QStringLiteral("Channel %1").arg(step.ChannelID);
        try {
            if (auto channel = zel::data::DataSource().GetChannelDescriptionList()->GetByDatabaseID(step.ChannelID))
                name = QString::fromStdString(channel->Name());
        } catch (const std::exception&) {
            // named by its number
        }
        known = mChannelNames.emplace(step.ChannelID, name).first;
    }
    QString status = QString::fromStdString(step.Text);
    if (step.Clock)
        status = QString::fromStdString(step.Clock->Name()) + QStringLiteral(" - ") + status;
    if (step.Total > 0)
        status += QStringLiteral(" (%1 of %2)").arg(step.Done).arg(step.Total);
    SetChannelLine(step.ChannelID, known->second, status, step.Done, step.Total);
    return known->second + QStringLiteral(": ") + status;
}

QString frmMessage::ChannelLineText(int line) const
{
    if (line < 0 || line >= ChannelLineCount())
        return {};
    return mLines[static_cast<std::size_t>(line)].Text->toolTip(); // whole, also when the label shows it shortened
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
    int bottom = mText->geometry().bottom() + 1;
    if (mLinesArea)
        bottom = mLinesArea->geometry().bottom() + 1;
    if (mShowCancel)
        bottom = mCancel->geometry().bottom() + 1;
    setFixedSize(mLines.empty() ? FormWidth : LinesFormWidth, bottom + Margin);
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
