#include "pages/EventsPage.h"

#include "pages/DateRangeFilter.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "ShownText.h"
#include "layout/FlowLayout.h"
#include "pages/frmCollectEvents.h"
#include "pages/frmEventResults.h"
#include "pages/frmMessage.h"
#include "pages/modHelpers.h"
#include "pages/models/EventTableModel.h"
#include "zel/Error.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/workflows/CommandReport.h"
#include "zel/workflows/EventCollector.h"
#include "zel/workflows/EventExport.h"
#include "zel/workflows/EventKinds.h"
#include "zel/workflows/PrivateFile.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace zel::ui {
namespace {

constexpr int AllClocks = 0;
constexpr int AllKinds = -1;

QString ErrorText(const std::exception& error)
{
    if (const auto* numbered = dynamic_cast<const zel::Error*>(&error))
        return ErrorMessageText(*numbered); // a read-only site's refusal with its number
    return QString::fromStdString(zel::workflows::ReportedErrorText(error));
}

} // namespace

EventsPage::EventsPage(QWidget* parent) : QWidget(parent), mMakeChannel(zel::workflows::DefaultChannelMaker())
{
    setObjectName(QStringLiteral("EventsPage"));
    BuildControls();
}

EventsPage::~EventsPage()
{
    CloseMessage();
}

void EventsPage::BuildControls()
{
    mDates = new DateRangeFilter(this, QStringLiteral("From"));

    auto* clockLabel = new QLabel(QStringLiteral("Clock:"), this);
    clockLabel->setObjectName(QStringLiteral("lblClock"));
    mClock = new QComboBox(this);
    mClock->setObjectName(QStringLiteral("cboClock"));
    mClock->setMinimumWidth(140);
    clockLabel->setBuddy(mClock);

    auto* userLabel = new QLabel(QStringLiteral("User ID:"), this);
    userLabel->setObjectName(QStringLiteral("lblUserID"));
    mUserID = new QLineEdit(this);
    mUserID->setObjectName(QStringLiteral("txtUserID"));
    mUserID->setPlaceholderText(QStringLiteral("All users"));
    mUserID->setClearButtonEnabled(true);
    mUserID->setMaxLength(10);
    mUserID->setMinimumWidth(90);
    mUserID->setMaximumWidth(120);
    userLabel->setBuddy(mUserID);

    auto* kindLabel = new QLabel(QStringLiteral("Event:"), this);
    kindLabel->setObjectName(QStringLiteral("lblKind"));
    mKind = new QComboBox(this);
    mKind->setObjectName(QStringLiteral("cboKind"));
    mKind->addItem(QStringLiteral("All events"), AllKinds);
    for (auto category : zel::workflows::kAllCategories)
        mKind->addItem(QString::fromLatin1(zel::workflows::CategoryText(category)), static_cast<int>(category));
    kindLabel->setBuddy(mKind);

    mClearFilters = new QPushButton(QStringLiteral("Show All"), this);
    mClearFilters->setObjectName(QStringLiteral("cmdClearFilters"));

    mModel = new EventTableModel(this);
    mModel->setObjectName(QStringLiteral("mdlEvents"));
    mTable = MakeRowTable(this, "tblEvents", mModel);
    mTable->setColumnWidth(EventTableModel::ColumnTime, 150);
    mTable->setColumnWidth(EventTableModel::ColumnClock, 130);
    mTable->setColumnWidth(EventTableModel::ColumnUserID, 90);
    mTable->setColumnWidth(EventTableModel::ColumnUserName, 170);

    mCount = new QLabel(this);
    mCount->setObjectName(QStringLiteral("lblCount"));
    mLogWarning = new QLabel(this);
    mLogWarning->setObjectName(QStringLiteral("lblLogWarning"));
    mLogWarning->setWordWrap(true);
    mLogWarning->hide();
    mCollect = new QPushButton(QStringLiteral("Collect..."), this);
    mCollect->setObjectName(QStringLiteral("cmdCollect"));
    mExport = new QPushButton(QStringLiteral("Export..."), this);
    mExport->setObjectName(QStringLiteral("cmdExport"));

    // Each filter keeps its caption beside it; the filters wrap onto a further line where the page
    // is too narrow for one.
    auto* filters = new QWidget(this);
    filters->setObjectName(QStringLiteral("fraFilters"));
    auto* flow = new FlowLayout(filters, 14);
    flow->setContentsMargins(0, 0, 0, 0);
    flow->addWidget(mDates->SinceGroup());
    flow->addWidget(mDates->UntilGroup());
    flow->addWidget(FilterGroup(filters, "fraClock", {clockLabel, mClock}));
    flow->addWidget(FilterGroup(filters, "fraUserID", {userLabel, mUserID}));
    flow->addWidget(FilterGroup(filters, "fraKind", {kindLabel, mKind}));
    flow->addWidget(mClearFilters);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(mCount, 1);
    bottom->addWidget(mCollect);
    bottom->addWidget(mExport);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(filters);
    layout->addWidget(mLogWarning);
    layout->addWidget(mTable, 1);
    layout->addLayout(bottom);

    mFilterTimer = MakeFilterDelay(this);
    connect(mFilterTimer, &QTimer::timeout, this, &EventsPage::ApplyFilter);
    auto later = [this] { mFilterTimer->start(); };
    connect(mDates, &DateRangeFilter::Changed, this, later);
    connect(mClock, &QComboBox::currentIndexChanged, this, later);
    connect(mKind, &QComboBox::currentIndexChanged, this, later);
    connect(mUserID, &QLineEdit::textChanged, this, later);
    connect(mUserID, &QLineEdit::returnPressed, this, &EventsPage::ApplyFilter);
    connect(mClearFilters, &QPushButton::clicked, this, &EventsPage::cmdClearFilters_Click);
    connect(mCollect, &QPushButton::clicked, this, &EventsPage::cmdCollect_Click);
    connect(mExport, &QPushButton::clicked, this, &EventsPage::cmdExport_Click);
    // A collection stores the events: not on a site opened read-only.
    mReadOnly = ReadOnlyNotice();
    LockForReadOnly({mCollect}, mReadOnly);
    connect(mModel, &EventTableModel::ReadFailed, this, [this](const QString& message) {
        mCount->setText(QStringLiteral("The events could not be read: ") + message);
    });
}

void EventsPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Refresh();
}

void EventsPage::Refresh()
{
    LoadClocks();
    ApplyFilter();
    ShowLogWarning();
}

void EventsPage::ShowLogWarning()
{
    std::vector<std::string> names;
    try {
        names = zel::workflows::ClocksCloseToWrapping(zel::data::EventStore().CollectionSummary());
    } catch (const std::exception&) {
        // No site open: the table tells the error.
    }
    QStringList shown;
    for (const auto& name : names)
        shown << ShownText(name);
    mLogWarning->setText(shown.isEmpty()
                             ? QString()
                             : QStringLiteral("Close to wrapping at the last collection (more than 80 % of the log not "
                                              "collected): %1. Collect these clocks more often, or their oldest events "
                                              "are overwritten before they are collected.")
                                   .arg(shown.join(QStringLiteral(", "))));
    mLogWarning->setVisible(!shown.isEmpty());
}

// The site's clocks, keeping the one chosen when it is still there.
void EventsPage::LoadClocks()
{
    const int chosen = mClock->currentData().toInt();
    QSignalBlocker block(mClock);
    mClock->clear();
    mClock->addItem(QStringLiteral("All clocks"), AllClocks);
    try {
        for (const ReaderPtr& clock : zel::data::DataSource().GetReaderDescriptionList()->Items())
            mClock->addItem(ShownText(clock->Name()), clock->DatabaseID());
    } catch (const std::exception&) {
        // No site open: the filter offers all clocks only, and the table tells the error.
    }
    const int index = mClock->findData(chosen);
    mClock->setCurrentIndex(index < 0 ? 0 : index);
}

zel::data::EventFilter EventsPage::CurrentFilter() const
{
    zel::data::EventFilter filter;
    filter.Since = mDates->Since();
    filter.Until = mDates->Until();
    if (const int clock = mClock->currentData().toInt(); clock != AllClocks)
        filter.ClockIDs = {clock};
    // User IDs are stored without leading zeros.
    QString user = mUserID->text().trimmed();
    while (user.size() > 1 && user.startsWith(QLatin1Char('0')))
        user.remove(0, 1);
    filter.UserID = user.toStdString();
    if (const int kind = mKind->currentData().toInt(); kind != AllKinds)
        filter.FormatTypes = zel::workflows::FormatTypesOf(static_cast<zel::workflows::EventCategory>(kind));
    return filter;
}

void EventsPage::ApplyFilter()
{
    mFilterTimer->stop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    mModel->SetFilter(CurrentFilter());
    UpdateCount();
    QApplication::restoreOverrideCursor();
}

void EventsPage::UpdateCount()
{
    if (!mModel->LastError().isEmpty())
        return; // the error stays shown
    try {
        const qlonglong count = zel::data::EventStore().Count(mModel->Filter());
        mCount->setText(QStringLiteral("%1 %2").arg(QLocale().toString(count),
                                                    count == 1 ? QStringLiteral("event") : QStringLiteral("events")));
    } catch (const std::exception& error) {
        mCount->setText(QStringLiteral("The events could not be counted: ") + ErrorText(error));
    }
}

void EventsPage::cmdClearFilters_Click()
{
    for (QObject* control : std::initializer_list<QObject*>{mClock, mUserID, mKind})
        control->blockSignals(true);
    mDates->Clear();
    mClock->setCurrentIndex(0);
    mUserID->clear();
    mKind->setCurrentIndex(0);
    for (QObject* control : std::initializer_list<QObject*>{mClock, mUserID, mKind})
        control->blockSignals(false);
    ApplyFilter();
}

void EventsPage::SetChannelMaker(zel::workflows::ChannelMaker maker)
{
    mMakeChannel = maker ? std::move(maker) : zel::workflows::DefaultChannelMaker();
}

void EventsPage::cmdCollect_Click()
{
    if (mCollector)
        return;
    std::vector<ReaderPtr> clocks;
    try {
        clocks = zel::data::DataSource().GetReaderDescriptionList()->Items();
    } catch (const std::exception& error) {
        ShowMessage(this, ErrorText(error), QStringLiteral("Collect Events"), MsgIcon::Critical);
        return;
    }
    if (clocks.empty()) {
        ShowMessage(this, QStringLiteral("The site has no clocks. Add them on the Manage Lists page."),
                    QStringLiteral("Collect Events"), MsgIcon::Exclamation);
        return;
    }
    frmCollectEvents choose(this, clocks);
    if (choose.exec() != QDialog::Accepted)
        return;
    Collect(choose.Chosen());
}

bool EventsPage::Collect(const std::vector<ReaderPtr>& clocks)
{
    if (mCollector)
        return false; // a collection is running
    if (clocks.empty()) {
        ShowMessage(this, QStringLiteral("No clocks have been selected."), QStringLiteral("No Clocks Selected"),
                    MsgIcon::Exclamation);
        return false;
    }
    try {
        zel::data::EventStore().CheckWritable();
    } catch (const std::exception& error) {
        ShowMessage(this, QStringLiteral("The events cannot be collected: ") + ErrorText(error),
                    QStringLiteral("Collect Events"), MsgIcon::Exclamation);
        return false;
    }
    if (mResult)
        mResult->close(); // deletes itself

    mCollector = std::make_unique<zel::workflows::EventCollector>(mMakeChannel);
    mCollector->SetStage([this](const ReaderPtr& clock, const std::string& stage) {
        ShowStep(QString::fromStdString(clock->Name()) + QStringLiteral(": ") + QString::fromStdString(stage));
    });
    mCollector->SetProgress([this](const ReaderPtr& clock, std::int32_t fresh, std::int32_t known) {
        const QLocale locale;
        ShowStep(QStringLiteral("Collecting events from %1: %2 new, %3 already stored")
                     .arg(QString::fromStdString(clock->Name()), locale.toString(fresh), locale.toString(known)));
    });

    CloseMessage();
    mMessage = new frmMessage(this);
    mMessage->setWindowTitle(QStringLiteral("Collect Events"));
    // Input to the main window waits while the clocks are read; Cancel stays reachable.
    mMessage->setWindowModality(Qt::WindowModal);
    connect(mMessage, &frmMessage::CancelClick, this, [this] {
        if (mCollector)
            mCollector->Cancel();
        if (mMessage)
            mMessage->SetCancelEnabled(false);
    });
    mMessage->show();
    ShowStep(QStringLiteral("Collecting events..."));
    mCollect->setEnabled(false);

    std::vector<zel::workflows::EventCollection> results;
    QString failure;
    try {
        results = mCollector->Run(clocks);
    } catch (const std::exception& error) {
        failure = ErrorText(error);
    }
    CloseMessage();
    if (!mCollector->AuditFailure().empty())
        qWarning("%s", mCollector->AuditFailure().c_str());
    mCollector.reset();
    mCollect->setEnabled(mReadOnly.isEmpty());
    ApplyFilter();
    ShowLogWarning();

    if (!failure.isEmpty()) {
        ShowMessage(this, QStringLiteral("The events could not be collected: ") + failure,
                    QStringLiteral("Collect Events"), MsgIcon::Critical);
        return true;
    }
    mResult = new frmEventResults(this, results);
    mResult->show();
    return true;
}

const QStringList& EventsPage::ExportFilters()
{
    static const QStringList filters{QStringLiteral("CSV files (*.csv)"), QStringLiteral("JSON files (*.json)"),
                                     QStringLiteral("All files (*)")};
    return filters;
}

EventsPage::ExportChoice EventsPage::ExportChoiceFor(const QString& file, const QString& nameFilter)
{
    using zel::workflows::EventFileFormat;
    const QString csv = QStringLiteral("csv");
    const QString json = QStringLiteral("json");
    const QFileInfo info(file);
    const QString suffix = info.suffix().toLower();
    ExportChoice choice;
    if (nameFilter == ExportFilters().at(1))
        choice.Format = EventFileFormat::Json;
    else if (nameFilter == ExportFilters().at(0))
        choice.Format = EventFileFormat::Csv;
    else
        choice.Format = suffix == json ? EventFileFormat::Json : EventFileFormat::Csv;
    const QString wanted = choice.Format == EventFileFormat::Json ? json : csv;
    const QString other = choice.Format == EventFileFormat::Json ? csv : json;
    choice.Path = file;
    if (info.fileName().isEmpty())
        return choice;
    if (suffix.isEmpty() && !info.fileName().endsWith(QLatin1Char('.')))
        choice.Path = file + QLatin1Char('.') + wanted;
    else if (suffix == other)
        choice.Path = file.left(file.size() - other.size()) + wanted;
    return choice;
}

void EventsPage::cmdExport_Click()
{
    QFileDialog dialog(this, QStringLiteral("Export Events"));
    dialog.setObjectName(QStringLiteral("dlgExportEvents"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(ExportFilters());
    dialog.selectFile(QStringLiteral("events.csv"));
    // The name follows the format chosen, so what the dialog shows is what is written.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QStringList chosen = dialog.selectedFiles();
        if (!chosen.isEmpty() && filter != ExportFilters().at(2))
            dialog.selectFile(QFileInfo(ExportChoiceFor(chosen.constFirst(), filter).Path).fileName());
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const ExportChoice choice = ExportChoiceFor(dialog.selectedFiles().constFirst(), dialog.selectedNameFilter());
    const QString path = choice.Path;
    const std::int64_t written = ExportTo(path, choice.Format);
    if (written >= 0)
        ShowMessage(this,
                    QStringLiteral("%1 %2 exported to %3.")
                        .arg(QLocale().toString(static_cast<qlonglong>(written)),
                             written == 1 ? QStringLiteral("event") : QStringLiteral("events"),
                             QFileInfo(path).fileName()),
                    QStringLiteral("Export Events"), MsgIcon::Information);
}

std::int64_t EventsPage::ExportTo(const QString& path)
{
    return ExportTo(path, ExportChoiceFor(path, ExportFilters().at(2)).Format);
}

std::int64_t EventsPage::ExportTo(const QString& path, zel::workflows::EventFileFormat format)
{
    if (mFilterTimer->isActive())
        ApplyFilter(); // export what the controls describe, not what they described a moment ago

    CloseMessage();
    mMessage = new frmMessage(this);
    mMessage->setWindowTitle(QStringLiteral("Export Events"));
    mMessage->setWindowModality(Qt::WindowModal);
    mMessage->SetShowCancel(false);
    mMessage->show();
    ShowStep(QStringLiteral("Exporting events..."));

    QString failure;
    std::int64_t written = 0;
    try {
        // Mode 0600 (it holds people's names and punches), written beside the file and put in its
        // place at the end: a failed export leaves the file that was there before.
        zel::workflows::PrivateFile out(QFile::encodeName(path).toStdString());
        written = zel::workflows::WriteEvents(out.Stream(), zel::data::EventStore(), mModel->Filter(),
                                              zel::workflows::SiteClockZones(), format, [this](std::int64_t count) {
                                                  ShowStep(QStringLiteral("Exporting events: %1 written")
                                                               .arg(QLocale().toString(static_cast<qlonglong>(count))));
                                              });
        out.Commit();
    } catch (const std::exception& error) {
        failure = QString::fromStdString(zel::workflows::ReportedErrorText(error));
    }
    CloseMessage();
    if (!failure.isEmpty()) {
        ShowMessage(this, QStringLiteral("The events could not be exported to %1: %2").arg(path, failure),
                    QStringLiteral("Export Events"), MsgIcon::Critical);
        return -1;
    }
    return written;
}

void EventsPage::ShowStep(const QString& text)
{
    if (mMessage)
        mMessage->SetText(text);
    emit StepShown(text);
}

void EventsPage::CloseMessage()
{
    if (mMessage) {
        frmMessage* window = mMessage;
        mMessage = nullptr;
        window->hide();
        delete window; // never called from inside the window's own handlers
    }
}

} // namespace zel::ui
