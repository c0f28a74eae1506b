#include "pages/frmActivity.h"

#include "MessageBox.h"
#include "layout/FlowLayout.h"
#include "pages/DateRangeFilter.h"
#include "pages/modHelpers.h"
#include "pages/models/AuditTableModel.h"

#include "zel/Error.h"
#include "zel/workflows/AuditExport.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace zel::ui {
namespace {

const QString Title = QStringLiteral("Activity");

// The action words the trail writes, for the action filter (any other word may be typed).
const char* const kActions[] = {"send",           "remove",         "clear",        "import",      "sync",
                                "restore",        "backup",         "enroll",       "time-set",    "settings",
                                "menu",           "events-collect", "user-add",     "user-change", "user-remove",
                                "clock-add",      "clock-change",   "clock-remove", "channel-add", "channel-change",
                                "channel-remove", "forget",         "retention"};

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

} // namespace

frmActivity::frmActivity(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmActivity"));
    setWindowTitle(Title);
    resize(980, 560);
    mDates = new DateRangeFilter(this, QStringLiteral("From (UTC)"));
    mClock = new QLineEdit(this);
    mClock->setObjectName(QStringLiteral("txtClock"));
    mClock->setPlaceholderText(QStringLiteral("All clocks"));
    mUserID = new QLineEdit(this);
    mUserID->setObjectName(QStringLiteral("txtUserID"));
    mUserID->setPlaceholderText(QStringLiteral("All users"));
    mUserID->setMaxLength(10);
    mAction = new QComboBox(this);
    mAction->setObjectName(QStringLiteral("cboAction"));
    mAction->setEditable(true);
    mAction->addItem(QString());
    for (const char* action : kActions)
        mAction->addItem(QString::fromLatin1(action));
    mAction->lineEdit()->setPlaceholderText(QStringLiteral("All actions"));
    for (QLineEdit* field : {mClock, mUserID}) {
        field->setClearButtonEnabled(true);
        field->setMaximumWidth(140);
    }
    mClearFilters = new QPushButton(QStringLiteral("Show All"), this);
    mClearFilters->setObjectName(QStringLiteral("cmdClearFilters"));

    mModel = new AuditTableModel(this);
    mModel->setObjectName(QStringLiteral("mdlActivity"));
    mTable = MakeRowTable(this, "tblActivity", mModel);
    mTable->setColumnWidth(AuditTableModel::ColumnTime, 150);

    mCount = new QLabel(this);
    mCount->setObjectName(QStringLiteral("lblCount"));
    mVerify = new QPushButton(QStringLiteral("Verify"), this);
    mVerify->setObjectName(QStringLiteral("cmdVerify"));
    mExport = new QPushButton(QStringLiteral("Export..."), this);
    mExport->setObjectName(QStringLiteral("cmdExport"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));

    auto* filters = new QWidget(this);
    filters->setObjectName(QStringLiteral("fraFilters"));
    auto* flow = new FlowLayout(filters, 14);
    flow->setContentsMargins(0, 0, 0, 0);
    flow->addWidget(mDates->SinceGroup());
    flow->addWidget(mDates->UntilGroup());
    flow->addWidget(
        FilterGroup(filters, "fraClock", {Caption(filters, "lblClock", QStringLiteral("Clock:"), mClock), mClock}));
    flow->addWidget(FilterGroup(filters, "fraUserID",
                                {Caption(filters, "lblUserID", QStringLiteral("User ID:"), mUserID), mUserID}));
    flow->addWidget(FilterGroup(filters, "fraAction",
                                {Caption(filters, "lblAction", QStringLiteral("Action:"), mAction), mAction}));
    flow->addWidget(mClearFilters);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(mCount, 1);
    bottom->addWidget(mVerify);
    bottom->addWidget(mExport);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filters);
    layout->addWidget(mTable, 1);
    layout->addLayout(bottom);

    mFilterTimer = MakeFilterDelay(this);
    connect(mFilterTimer, &QTimer::timeout, this, &frmActivity::ApplyFilter);
    auto later = [this] { mFilterTimer->start(); };
    connect(mDates, &DateRangeFilter::Changed, this, later);
    for (QLineEdit* field : {mClock, mUserID})
        connect(field, &QLineEdit::textChanged, this, later);
    connect(mAction, &QComboBox::currentTextChanged, this, later);
    connect(mClearFilters, &QPushButton::clicked, this, &frmActivity::cmdClearFilters_Click);
    connect(mVerify, &QPushButton::clicked, this, &frmActivity::Verify);
    connect(mExport, &QPushButton::clicked, this, &frmActivity::cmdExport_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    ApplyFilter();
}

zel::data::AuditFilter frmActivity::CurrentFilter() const
{
    zel::data::AuditFilter filter;
    filter.Since = mDates->Since();
    filter.Until = mDates->Until();
    filter.Clock = mClock->text().trimmed().toStdString();
    filter.UserID = mUserID->text().trimmed().toStdString();
    filter.Action = mAction->currentText().trimmed().toStdString();
    return filter;
}

void frmActivity::ApplyFilter()
{
    mFilterTimer->stop();
    mModel->SetFilter(CurrentFilter());
    UpdateCount();
}

void frmActivity::UpdateCount()
{
    if (!mModel->LastError().isEmpty()) {
        mCount->setText(QStringLiteral("The activity could not be read: %1").arg(mModel->LastError()));
        return;
    }
    try {
        const auto count = zel::data::AuditLog().Count(mModel->Filter());
        mCount->setText(QStringLiteral("%1 %2").arg(QLocale().toString(static_cast<qlonglong>(count)),
                                                    count == 1 ? QStringLiteral("row") : QStringLiteral("rows")));
    } catch (const std::exception& error) {
        mCount->setText(QStringLiteral("The activity could not be read: %1").arg(QString::fromUtf8(error.what())));
    }
}

zel::data::AuditVerdict frmActivity::Verify()
{
    zel::data::AuditVerdict verdict;
    try {
        verdict = zel::data::AuditLog().Verify();
    } catch (const std::exception& error) {
        ShowMessage(this, QStringLiteral("The activity could not be verified: %1").arg(QString::fromUtf8(error.what())),
                    Title, MsgIcon::Exclamation);
        verdict.What = zel::data::AuditVerdict::Kind::Changed;
        return verdict;
    }
    ShowMessage(this, QString::fromStdString(verdict.Text()), Title,
                verdict.Intact() ? MsgIcon::Information : MsgIcon::Critical);
    return verdict;
}

std::int64_t frmActivity::ExportTo(const QString& path)
{
    try {
        return zel::workflows::ExportAuditCsv(path.toStdString(), zel::data::AuditLog(), mModel->Filter());
    } catch (const std::exception& error) {
        ShowMessage(this, QStringLiteral("The activity was not exported: %1").arg(QString::fromUtf8(error.what())),
                    Title, MsgIcon::Exclamation);
        return -1;
    }
}

void frmActivity::cmdExport_Click()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export Activity"), QStringLiteral("activity.csv"),
                                     QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    const std::int64_t written = ExportTo(path);
    if (written >= 0)
        ShowMessage(
            this,
            QStringLiteral("%1 rows written to %2.").arg(QLocale().toString(static_cast<qlonglong>(written)), path),
            Title, MsgIcon::Information);
}

void frmActivity::cmdClearFilters_Click()
{
    mDates->Clear();
    mClock->clear();
    mUserID->clear();
    mAction->setCurrentIndex(0);
    ApplyFilter();
}

} // namespace zel::ui
