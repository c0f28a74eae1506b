#include "pages/DateRangeFilter.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QTimer>
#include <QWidget>

namespace zel::ui {
namespace {

constexpr int FilterDelayMs = 300;
const QString DateFormat = QStringLiteral("yyyy-MM-dd");
constexpr int DateButtonRoom = 44; // the drop-down button and the field's frame

std::string Chosen(const QCheckBox* on, const QDateEdit* date)
{
    return on->isChecked() ? date->date().toString(DateFormat).toStdString() : std::string();
}

} // namespace

QTimer* MakeFilterDelay(QObject* owner)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(QStringLiteral("tmrFilter"));
    timer->setSingleShot(true);
    timer->setInterval(FilterDelayMs);
    return timer;
}

QWidget* FilterGroup(QWidget* parent, const char* name, std::initializer_list<QWidget*> parts)
{
    auto* group = new QWidget(parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    for (QWidget* part : parts)
        row->addWidget(part);
    return group;
}

DateRangeFilter::DateRangeFilter(QWidget* parent, const QString& sinceCaption) : QObject(parent)
{
    setObjectName(QStringLiteral("DateRangeFilter"));
    const QDate today = QDate::currentDate();
    mSinceOn = new QCheckBox(sinceCaption, parent);
    mSinceOn->setObjectName(QStringLiteral("chkSince"));
    mSince = new QDateEdit(today.addDays(-7), parent);
    mSince->setObjectName(QStringLiteral("dtpSince"));
    mUntilOn = new QCheckBox(QStringLiteral("To"), parent);
    mUntilOn->setObjectName(QStringLiteral("chkUntil"));
    mUntil = new QDateEdit(today, parent);
    mUntil->setObjectName(QStringLiteral("dtpUntil"));
    for (QDateEdit* date : {mSince, mUntil}) {
        date->setDisplayFormat(DateFormat);
        date->setCalendarPopup(true);
        date->setEnabled(false);
        // The whole date beside the drop-down button (the style's own hint cuts the year off).
        date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("8888-88-88")) + DateButtonRoom);
        connect(date, &QDateEdit::dateChanged, this, &DateRangeFilter::Changed);
    }
    connect(mSinceOn, &QCheckBox::toggled, mSince, &QWidget::setEnabled);
    connect(mUntilOn, &QCheckBox::toggled, mUntil, &QWidget::setEnabled);
    for (QCheckBox* box : {mSinceOn, mUntilOn})
        connect(box, &QCheckBox::toggled, this, &DateRangeFilter::Changed);
    mSinceGroup = FilterGroup(parent, "fraSince", {mSinceOn, mSince});
    mUntilGroup = FilterGroup(parent, "fraUntil", {mUntilOn, mUntil});
}

std::string DateRangeFilter::Since() const
{
    return Chosen(mSinceOn, mSince);
}

std::string DateRangeFilter::Until() const
{
    return Chosen(mUntilOn, mUntil);
}

void DateRangeFilter::Clear()
{
    const QSignalBlocker quiet(this);
    mSinceOn->setChecked(false);
    mUntilOn->setChecked(false);
}

} // namespace zel::ui
