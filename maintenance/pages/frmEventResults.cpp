#include "pages/frmEventResults.h"

#include "ShownText.h"

#include "zel/data/ReaderDescription.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zel::ui {

using zel::workflows::ClockOutcome;
using zel::workflows::EventCollection;

namespace {

enum Column { ColumnClock, ColumnNew, ColumnKnown, ColumnResult };

QString ClockName(const EventCollection& result)
{
    return result.Result.Clock ? ShownText(result.Result.Clock->Name()) : QString();
}

} // namespace

frmEventResults::frmEventResults(QWidget* owner, const std::vector<EventCollection>& results) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmEventResults"));
    setWindowTitle(QStringLiteral("Collect Events Results"));
    setAttribute(Qt::WA_DeleteOnClose);

    mSummary = new QLabel(SummaryOf(results), this);
    mSummary->setObjectName(QStringLiteral("lblSummary"));
    mSummary->setWordWrap(true);
    mSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    mResults = new QTreeWidget(this);
    mResults->setObjectName(QStringLiteral("lvwResults"));
    mResults->setHeaderLabels(
        {QStringLiteral("Clock"), QStringLiteral("New"), QStringLiteral("Known"), QStringLiteral("Result")});
    mResults->setRootIsDecorated(false);
    mResults->setSelectionMode(QAbstractItemView::NoSelection);
    const QLocale locale;
    for (const EventCollection& result : results) {
        auto* item = new QTreeWidgetItem(mResults);
        item->setText(ColumnClock, ClockName(result));
        item->setText(ColumnNew, locale.toString(result.New));
        item->setText(ColumnKnown, locale.toString(result.Known));
        item->setText(ColumnResult, ResultText(result));
        item->setToolTip(ColumnResult, ResultText(result));
        item->setTextAlignment(ColumnNew, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(ColumnKnown, Qt::AlignRight | Qt::AlignVCenter);
    }
    mResults->header()->setStretchLastSection(true);
    mResults->setColumnWidth(ColumnClock, 140);
    mResults->setColumnWidth(ColumnNew, 70);
    mResults->setColumnWidth(ColumnKnown, 70);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mSummary);
    layout->addWidget(mResults, 1);
    layout->addLayout(buttons);
    resize(600, 300);
}

QString frmEventResults::Summary() const
{
    return mSummary->text();
}

int frmEventResults::RowCount() const
{
    return mResults->topLevelItemCount();
}

QString frmEventResults::ClockAt(int row) const
{
    auto* item = mResults->topLevelItem(row);
    return item ? item->text(ColumnClock) : QString();
}

QString frmEventResults::ResultAt(int row) const
{
    auto* item = mResults->topLevelItem(row);
    return item ? item->text(ColumnResult) : QString();
}

QString frmEventResults::SummaryOf(const std::vector<EventCollection>& results)
{
    std::int64_t fresh = 0;
    int done = 0;
    int read = 0; // clocks whose log was read, wholly or in part
    for (const EventCollection& result : results) {
        fresh += result.New;
        if (result.Result.Outcome == ClockOutcome::Done)
            ++done;
        if (result.Result.Outcome == ClockOutcome::Done || result.Result.Outcome == ClockOutcome::Failed ||
            result.New + result.Known > 0)
            ++read;
    }
    const QLocale locale;
    const int clocks = static_cast<int>(results.size());
    const QString from = read == clocks
                             ? locale.toString(clocks)
                             : QStringLiteral("%1 of %2").arg(locale.toString(read), locale.toString(clocks));
    QString text = QStringLiteral("%1 new %2 from %3 %4.")
                       .arg(locale.toString(static_cast<qlonglong>(fresh)),
                            fresh == 1 ? QStringLiteral("event") : QStringLiteral("events"), from,
                            clocks == 1 ? QStringLiteral("clock") : QStringLiteral("clocks"));
    if (done < clocks)
        text += QStringLiteral(" %1 of %2 clocks not done: see the list.").arg(clocks - done).arg(clocks);
    return text;
}

QString frmEventResults::ResultText(const EventCollection& result)
{
    QString text = QString::fromLatin1(zel::workflows::OutcomeWord(result.Result.Outcome));
    if (!result.Result.Detail.empty())
        text += QStringLiteral(": ") + ShownText(result.Result.Detail);
    return text;
}

} // namespace zel::ui
