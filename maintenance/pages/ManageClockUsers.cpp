#include "pages/ManageClockUsers.h"

#include "layout/Anchor.h"

#include <QPushButton>
#include <QTreeView>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 600;
constexpr int DesignHeight = 340;
constexpr int Margin = 8;
constexpr int ButtonWidth = 90;
constexpr int ButtonHeight = 26;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(left, DesignHeight - Margin - ButtonHeight, ButtonWidth, ButtonHeight);
    return button;
}

} // namespace

ManageClockUsers::ManageClockUsers(QWidget* parent) : QWidget(parent), mModel(nullptr)
{
    setObjectName(QStringLiteral("ManageClockUsers"));
    resize(DesignWidth, DesignHeight);

    mList = new QTreeView(this);
    mList->setObjectName(QStringLiteral("lvwClockUsers"));
    mList->setGeometry(Margin, Margin, DesignWidth - 2 * Margin, DesignHeight - 3 * Margin - ButtonHeight);

    mGetUsers = MakeButton(this, "cmdGetUsers", QStringLiteral("Get Users"), Margin);
    mImport = MakeButton(this, "cmdImport", QStringLiteral("Import"), Margin + (ButtonWidth + Margin));
    mRemove = MakeButton(this, "cmdRemove", QStringLiteral("Remove"), Margin + 2 * (ButtonWidth + Margin));
    mRemoveAll = MakeButton(this, "cmdRemoveAll", QStringLiteral("Remove All"), Margin + 3 * (ButtonWidth + Margin));
    mExport = MakeButton(this, "cmdExport", QStringLiteral("Export"), DesignWidth - Margin - ButtonWidth);

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mList, AnchorAll);
    mAnchor->Add(mExport, AnchorRight | AnchorBottom);
    mAnchor->Add(mGetUsers, AnchorBottom);
    mAnchor->Add(mImport, AnchorBottom);
    mAnchor->Add(mRemove, AnchorBottom);
    mAnchor->Add(mRemoveAll, AnchorBottom);

    SetButtonsEnabled(false);
}

ManageClockUsers::~ManageClockUsers() = default;

void ManageClockUsers::Initialize(ConnectionCenter* cc)
{
    mConnection = cc;
}

void ManageClockUsers::mConnection_Connected(std::shared_ptr<zel::support::IReader> r)
{
    mReader = std::move(r);
    SetButtonsEnabled(true);
}

void ManageClockUsers::mConnection_Disconnected()
{
    mReader.reset();
    SetButtonsEnabled(false);
}

void ManageClockUsers::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor->ReAnchor();
}

void ManageClockUsers::cmdGetUsers_Click() {}
void ManageClockUsers::cmdImport_Click() {}
void ManageClockUsers::cmdExport_Click() {}
void ManageClockUsers::cmdRemove_Click() {}
void ManageClockUsers::cmdRemoveAll_Click() {}

void ManageClockUsers::SetButtonsEnabled(bool enabled)
{
    for (auto* button : {mGetUsers, mImport, mExport, mRemove, mRemoveAll})
        button->setEnabled(enabled);
}

} // namespace zel::ui
