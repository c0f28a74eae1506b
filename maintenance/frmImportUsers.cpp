#include "frmImportUsers.h"

#include "MessageBox.h"
#include "RosterPlanModel.h"
#include "zel/Error.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace zel::ui {

using zel::workflows::RosterAction;

namespace {

constexpr const char* Title = "Import Users from CSV";

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString Number(std::size_t count)
{
    return QLocale().toString(static_cast<qulonglong>(count));
}

} // namespace

frmImportUsers::frmImportUsers(std::shared_ptr<const zel::workflows::RosterPlan> plan,
                               std::shared_ptr<zel::data::UserDescriptionList> users, QWidget* parent)
    : QDialog(parent), mPlan(std::move(plan)), mUsers(std::move(users))
{
    setObjectName(QStringLiteral("frmImportUsers"));
    setWindowTitle(QString::fromLatin1(Title));
    const auto count = [this](RosterAction action) { return Number(mPlan->Count(action)); };

    auto* file = MakeLabel(
        this, "lblFile",
        tr("File: %1 (separated by %2)")
            .arg(QString::fromStdString(mPlan->FileName), mPlan->Separator == ';' ? tr("semicolons") : tr("commas")));
    auto* counts =
        MakeLabel(this, "lblCounts",
                  tr("%1 to add, %2 to change, %3 unchanged, %4 refused; %5 users of the site are not "
                     "in the file.")
                      .arg(count(RosterAction::Add), count(RosterAction::Change), count(RosterAction::Unchanged),
                           count(RosterAction::Refused), count(RosterAction::Missing)));
    QStringList ignoredColumns;
    for (const auto& column : mPlan->IgnoredColumns)
        ignoredColumns.append(QString::fromStdString(column));
    auto* ignored =
        MakeLabel(this, "lblIgnored", tr("Columns ignored: %1").arg(ignoredColumns.join(QStringLiteral(", "))));
    ignored->setVisible(!ignoredColumns.isEmpty());
    auto* refused = MakeLabel(this, "lblRefused",
                              tr("%1 rows are refused (see Detail). Nothing can be imported until they are put "
                                 "right in the file.")
                                  .arg(count(RosterAction::Refused)));
    refused->setVisible(!mPlan->CanApply());

    mModel = new RosterPlanModel(mPlan, this);
    auto* table = new QTableView(this);
    table->setObjectName(QStringLiteral("lvwPlan"));
    table->setModel(mModel);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(RosterPlanModel::LineColumn, 60);
    table->setColumnWidth(RosterPlanModel::ActionColumn, 80);
    table->setColumnWidth(RosterPlanModel::UserIDColumn, 100);
    table->setColumnWidth(RosterPlanModel::NameColumn, 170);
    table->setColumnWidth(RosterPlanModel::LevelColumn, 100);

    mRemoveMissing = new QCheckBox(
        tr("&Remove the users of the site that the file lacks (%1)").arg(count(RosterAction::Missing)), this);
    mRemoveMissing->setObjectName(QStringLiteral("chkRemoveMissing"));
    mRemoveMissing->setEnabled(mPlan->Count(RosterAction::Missing) > 0);
    connect(mRemoveMissing, &QCheckBox::toggled, mModel, &RosterPlanModel::SetRemoveMissing);

    auto* buttons = new QDialogButtonBox(this);
    mImport = buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    mImport->setObjectName(QStringLiteral("cmdImport"));
    mImport->setEnabled(mPlan->CanApply());
    auto* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setDefault(true);
    connect(mImport, &QPushButton::clicked, this, &frmImportUsers::cmdImport_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(counts);
    layout->addWidget(ignored);
    layout->addWidget(refused);
    layout->addWidget(table, 1);
    layout->addWidget(mRemoveMissing);
    layout->addWidget(buttons);
    resize(760, 520);
}

void frmImportUsers::cmdImport_Click()
{
    const bool remove = mRemoveMissing->isChecked();
    if (remove && mPlan->Count(RosterAction::Missing) > 0) {
        std::size_t enrolled = 0;
        for (const auto& entry : mPlan->Entries)
            if (entry.Action == RosterAction::Missing && entry.Enrolled)
                ++enrolled;
        const QString question =
            tr("Remove the %1 users of the site that the file lacks? %2 of them are enrolled: their hand templates "
               "are removed with them.")
                .arg(Number(mPlan->Count(RosterAction::Missing)), Number(enrolled));
        if (ShowMessage(this, question, QString::fromLatin1(Title), MsgIcon::Question, MsgButtons::YesNo,
                        MsgResult::No) != MsgResult::Yes)
            return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        mApplied = zel::workflows::ApplyRoster(*mPlan, *mUsers, remove);
    } catch (const zel::Error& error) {
        failure = tr("%1\n\n(error %2)").arg(QString::fromStdString(error.Description())).arg(error.Number());
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        ShowMessage(this, tr("The users could not be imported; nothing was written.\n\n%1").arg(failure),
                    QString::fromLatin1(Title), MsgIcon::Critical);
        return;
    }
    accept();
}

} // namespace zel::ui
