#include "pages/frmCommandResult.h"

#include "ShownText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zel::ui {

using zel::workflows::ClockOutcome;
using zel::workflows::ClockResult;
using zel::workflows::ClockTask;
using zel::workflows::CommandReport;
namespace {

constexpr int ListWidth = 560;
constexpr int IconSize = 32;
constexpr int ListRowsShown = 8;
constexpr int WidestResult = 600; // beyond this a result text wraps
constexpr int CellPadding = 12;   // around the text of a cell, beside its icon
constexpr int MinTextWidth = 80;  // narrower, the column is not laid out yet

// Clock names and results may hold what a name brought along.
QString ToQ(const std::string& text)
{
    return ShownText(text);
}

// The width of the icon in front of a result.
int IconWidth(const QWidget* list)
{
    return list->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, list);
}

} // namespace

frmCommandResult::frmCommandResult(QWidget* owner, const QString& caption, const CommandReport& report)
    : QDialog(owner), mReport(report)
{
    setObjectName(QStringLiteral("frmCommandResult"));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);

    const bool allDone = mReport.AllSucceeded();
    // The list also when every clock succeeded but one tells more than its count (users already
    // held or removed, users written in data banks), so that a run that finished an interrupted
    // one says so, or a clock carries a note ("not on this clock: 1004").
    const bool news = mReport.AnyNotes() || std::any_of(mReport.Clocks().begin(), mReport.Clocks().end(),
                                                        [](const ClockResult& clock) { return clock.HasNews(); });
    mIcon = new QLabel(this);
    mIcon->setObjectName(QStringLiteral("imgResult"));
    mIcon->setPixmap(style()
                         ->standardIcon(allDone ? QStyle::SP_MessageBoxInformation : QStyle::SP_MessageBoxWarning)
                         .pixmap(IconSize, IconSize));
    mIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    mSummary = new QLabel(ToQ(mReport.Summary()), this);
    mSummary->setObjectName(QStringLiteral("lblSummary"));
    mSummary->setWordWrap(true);
    mSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    mResults = new QTreeWidget(this);
    mResults->setObjectName(QStringLiteral("lvwResults"));
    mResults->setColumnCount(3);
    mResults->setHeaderLabels({QStringLiteral("Clock"), QStringLiteral("Task"), QStringLiteral("Result")});
    mResults->setRootIsDecorated(false);
    mResults->setSelectionMode(QAbstractItemView::NoSelection);
    mResults->setFocusPolicy(Qt::NoFocus);
    mResults->setWordWrap(true);
    const QIcon doneIcon = style()->standardIcon(QStyle::SP_DialogApplyButton);
    const QIcon troubleIcon = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    // A list longer than the rows shown at once lists the clocks that did not succeed first, so
    // they show without scrolling (each part in the report's order); a short one keeps its order.
    std::vector<const ClockResult*> order;
    for (const ClockResult& clock : mReport.Clocks())
        order.push_back(&clock);
    if (order.size() > static_cast<std::size_t>(ListRowsShown))
        std::stable_partition(order.begin(), order.end(), [](const ClockResult* clock) { return !clock->Succeeded(); });
    for (const ClockResult* shown : order) {
        const ClockResult& clock = *shown;
        auto* item = new QTreeWidgetItem(mResults);
        item->setText(ResultColumnClock, ToQ(clock.ClockName));
        item->setText(ResultColumnTask, ToQ(clock.TaskText()));
        item->setText(ResultColumnResult, ToQ(clock.Text()));
        item->setToolTip(ResultColumnResult, ToQ(clock.Text()));
        item->setIcon(ResultColumnResult, clock.Succeeded() ? doneIcon : troubleIcon);
    }
    mResults->setColumnHidden(ResultColumnTask, !mReport.MixedTasks());
    mResults->header()->setStretchLastSection(true);
    mResults->resizeColumnToContents(ResultColumnClock);
    mResults->resizeColumnToContents(ResultColumnTask);
    mResults->setColumnWidth(ResultColumnClock, std::max(mResults->columnWidth(ResultColumnClock) + 12, 120));
    mResults->setVisible(!allDone || news);
    // Wide enough for the longest result on one line, up to WidestResult; the rest wraps.
    const QFontMetrics metrics(mResults->font());
    int widest = 0;
    for (const ClockResult& clock : mReport.Clocks())
        widest = std::max(widest, metrics.horizontalAdvance(ToQ(clock.Text())));
    const int resultWidth = std::min(widest + IconWidth(mResults) + 2 * CellPadding, WidestResult);
    int others = mResults->columnWidth(ResultColumnClock);
    if (!mResults->isColumnHidden(ResultColumnTask))
        others += mResults->columnWidth(ResultColumnTask);
    mResults->setMinimumWidth(std::max(ListWidth, others + resultWidth + 2 * mResults->frameWidth() +
                                                      mResults->verticalScrollBar()->sizeHint().width()));
    connect(mResults->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section == ResultColumnResult)
            FitResultRows();
    });
    const int rows = std::min(static_cast<int>(mReport.Clocks().size()), ListRowsShown);
    mResults->setMinimumHeight(mResults->header()->sizeHint().height() +
                               (rows + 1) * std::max(mResults->sizeHintForRow(0), 20));

    mOK = new QPushButton(QStringLiteral("OK"), this);
    mOK->setObjectName(QStringLiteral("cmdOK"));
    mOK->setDefault(true);
    connect(mOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(mIcon, 0, Qt::AlignTop);
    top->addWidget(mSummary, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(mOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(mResults, 1);
    layout->addLayout(buttons);
    if (allDone && !news) {
        mSummary->setMinimumWidth(320);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
}

void frmCommandResult::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FitResultRows();
}

void frmCommandResult::FitResultRows()
{
    const int width = mResults->header()->sectionSize(ResultColumnResult) - IconWidth(mResults) - 2 * CellPadding;
    if (width < MinTextWidth)
        return; // not laid out yet
    const QFontMetrics metrics(mResults->font());
    const int oneLine = std::max(IconWidth(mResults), metrics.height()) + 6;
    for (int row = 0; row < mResults->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = mResults->topLevelItem(row);
        const QRect text = metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::AlignLeft,
                                                item->text(ResultColumnResult));
        const QSize hint(width, std::max(oneLine, text.height() + 6));
        if (item->sizeHint(ResultColumnResult) != hint)
            item->setSizeHint(ResultColumnResult, hint);
    }
    mResults->doItemsLayout(); // the rows take their new heights (the view keeps them otherwise)
}

QString frmCommandResult::Summary() const
{
    return mSummary->text();
}

int frmCommandResult::RowCount() const
{
    return mResults->topLevelItemCount();
}

QString frmCommandResult::ClockAt(int row) const
{
    auto* item = mResults->topLevelItem(row);
    return item ? item->text(ResultColumnClock) : QString();
}

QString frmCommandResult::ResultAt(int row) const
{
    auto* item = mResults->topLevelItem(row);
    return item ? item->text(ResultColumnResult) : QString();
}

QString frmCommandResult::TaskAt(int row) const
{
    auto* item = mResults->topLevelItem(row);
    return item ? item->text(ResultColumnTask) : QString();
}

bool frmCommandResult::ListShown() const
{
    return !mResults->isHidden();
}

} // namespace zel::ui
