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

#include <algorithm>

namespace zel::ui {

using zel::workflows::ClockOutcome;
using zel::workflows::EventCollection;

namespace {

enum Column { ColumnClock, ColumnHeld, ColumnNew, ColumnKnown, ColumnLost, ColumnResult };
constexpr std::size_t RowsShownAtOnce = 8;

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
    mResults->setHeaderLabels({QStringLiteral("Clock"), QStringLiteral("Held"), QStringLiteral("New"),
                               QStringLiteral("Known"), QStringLiteral("Lost"), QStringLiteral("Result")});
    mResults->setRootIsDecorated(false);
    mResults->setSelectionMode(QAbstractItemView::NoSelection);
    mResults->setUniformRowHeights(true); // hundreds of clocks
    const QLocale locale;
    // A list longer than the rows shown at once lists the clocks that need a look first (not done,
    // or events lost), each part in order; a short one keeps its order.
    std::vector<const EventCollection*> order;
    for (const EventCollection& result : results)
        order.push_back(&result);
    if (order.size() > RowsShownAtOnce)
        std::stable_partition(order.begin(), order.end(), [](const EventCollection* c) {
            return c->Result.Outcome != ClockOutcome::Done || c->Lost != 0;
        });
    for (const EventCollection* result : order) {
        auto* item = new QTreeWidgetItem(mResults);
        item->setText(ColumnClock, ClockName(*result));
        item->setText(ColumnHeld,
                      result->Held >= 0 ? locale.toString(static_cast<qlonglong>(result->Held)) : QString());
        item->setText(ColumnNew, locale.toString(result->New));
        item->setText(ColumnKnown, locale.toString(result->Known));
        item->setText(ColumnLost, result->Lost > 0   ? locale.toString(static_cast<qlonglong>(result->Lost))
                                  : result->Lost < 0 ? QStringLiteral("some")
                                                     : QString());
        item->setText(ColumnResult, ResultText(*result));
        item->setToolTip(ColumnResult, ResultText(*result));
        for (int column : {ColumnHeld, ColumnNew, ColumnKnown, ColumnLost})
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    mResults->header()->setStretchLastSection(true);
    mResults->setColumnWidth(ColumnClock, 140);
    for (int column : {ColumnHeld, ColumnNew, ColumnKnown, ColumnLost})
        mResults->setColumnWidth(column, 60);

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
    std::int64_t lost = 0;
    bool lostUncounted = false;
    int done = 0;
    int read = 0; // clocks whose log was read, wholly or in part
    for (const EventCollection& result : results) {
        fresh += result.New;
        lost += std::max<std::int64_t>(result.Lost, 0);
        lostUncounted = lostUncounted || result.Lost < 0;
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
    if (lost > 0)
        text += QStringLiteral(" %1 events were lost: a clock's log wrapped before they were collected.")
                    .arg(locale.toString(static_cast<qlonglong>(lost)));
    else if (lostUncounted)
        text += QStringLiteral(" Events were lost: a clock's log wrapped before they were collected.");
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
