#include "pages/frmCollectEvents.h"

#include "ShownText.h"

#include "zel/data/ReaderDescription.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zel::ui {

frmCollectEvents::frmCollectEvents(QWidget* owner, std::vector<ReaderPtr> clocks)
    : QDialog(owner), mClocks(std::move(clocks))
{
    setObjectName(QStringLiteral("frmCollectEvents"));
    setWindowTitle(QStringLiteral("Collect Events"));

    auto* prompt = new QLabel(QStringLiteral("Read the new events of these clocks:"), this);
    prompt->setObjectName(QStringLiteral("lblPrompt"));
    mList = new QListWidget(this);
    mList->setObjectName(QStringLiteral("lstClocks"));
    for (const ReaderPtr& clock : mClocks) {
        auto* item = new QListWidgetItem(ShownText(clock->Name()), mList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }

    auto* all = new QPushButton(QStringLiteral("Select &All"), this);
    all->setObjectName(QStringLiteral("cmdSelectAll"));
    auto* none = new QPushButton(QStringLiteral("Select &None"), this);
    none->setObjectName(QStringLiteral("cmdSelectNone"));
    mCollect = new QPushButton(QStringLiteral("&Collect"), this);
    mCollect->setObjectName(QStringLiteral("cmdCollect"));
    mCollect->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch(1);
    buttons->addWidget(mCollect);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(mList, 1);
    layout->addLayout(buttons);
    resize(380, 320);

    connect(all, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(none, &QPushButton::clicked, this, [this] { SetAll(false); });
    connect(mCollect, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(mList, &QListWidget::itemChanged, this, &frmCollectEvents::UpdateCollect);
    UpdateCollect();
}

std::vector<frmCollectEvents::ReaderPtr> frmCollectEvents::Chosen() const
{
    std::vector<ReaderPtr> chosen;
    for (int row = 0; row < mList->count(); ++row)
        if (mList->item(row)->checkState() == Qt::Checked)
            chosen.push_back(mClocks[static_cast<std::size_t>(row)]);
    return chosen;
}

void frmCollectEvents::Choose(const QStringList& names)
{
    for (int row = 0; row < mList->count(); ++row)
        mList->item(row)->setCheckState(names.contains(mList->item(row)->text()) ? Qt::Checked : Qt::Unchecked);
}

void frmCollectEvents::SetAll(bool checked)
{
    for (int row = 0; row < mList->count(); ++row)
        mList->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void frmCollectEvents::UpdateCollect()
{
    mCollect->setEnabled(!Chosen().empty());
}

} // namespace zel::ui
