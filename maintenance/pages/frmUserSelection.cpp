#include "pages/frmUserSelection.h"

#include "layout/Anchor.h"
#include "pages/DetailedUserListView.h"

#include <QPushButton>

namespace zel::ui {
namespace {

constexpr int DesignWidth = 480;
constexpr int DesignHeight = 360;
constexpr int Margin = 8;
constexpr int ButtonWidth = 80;
constexpr int ButtonHeight = 26;

} // namespace

frmUserSelection::frmUserSelection(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmUserSelection"));
    setWindowTitle(QStringLiteral("User Selection"));
    resize(DesignWidth, DesignHeight);

    mUserList = new DetailedUserListView(this);
    mUserList->setObjectName(QStringLiteral("DetailedUserListView1"));
    mUserList->SetSelectionFilter(0);
    mUserList->setGeometry(Margin, Margin, DesignWidth - 2 * Margin, DesignHeight - 3 * Margin - ButtonHeight);

    int top = DesignHeight - Margin - ButtonHeight;
    mSelectAll = new QPushButton(QStringLiteral("Select All"), this);
    mSelectAll->setObjectName(QStringLiteral("cmdSelectAll"));
    mSelectAll->setGeometry(Margin, top, ButtonWidth, ButtonHeight);
    mOK = new QPushButton(QStringLiteral("OK"), this);
    mOK->setObjectName(QStringLiteral("cmdOK"));
    mOK->setGeometry(DesignWidth - 2 * (Margin + ButtonWidth), top, ButtonWidth, ButtonHeight);
    mOK->setDefault(true);
    mCancel = new QPushButton(QStringLiteral("Cancel"), this);
    mCancel->setObjectName(QStringLiteral("cmdCancel"));
    mCancel->setGeometry(DesignWidth - Margin - ButtonWidth, top, ButtonWidth, ButtonHeight);

    mAnchor = std::make_unique<Anchor>();
    mAnchor->Add(mUserList, AnchorAll);
    mAnchor->Add(mSelectAll, AnchorBottom);
    mAnchor->Add(mOK, AnchorRight | AnchorBottom);
    mAnchor->Add(mCancel, AnchorRight | AnchorBottom);

    connect(mSelectAll, &QPushButton::clicked, this, &frmUserSelection::cmdSelectAll_Click);
    connect(mOK, &QPushButton::clicked, this, &frmUserSelection::cmdOK_Click);
    connect(mCancel, &QPushButton::clicked, this, &frmUserSelection::cmdCancel_Click);
}

frmUserSelection::~frmUserSelection() = default;

bool frmUserSelection::GetUserSelection(QWidget* OwnerForm, UserCollection& outList)
{
    frmUserSelection window(OwnerForm);
    window.exec();
    if (window.mCancelled)
        return false;
    outList = window.mUserList->GetSelected();
    return true;
}

void frmUserSelection::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    mAnchor->ReAnchor();
}

void frmUserSelection::cmdSelectAll_Click()
{
    mUserList->SelectAll();
}

void frmUserSelection::cmdOK_Click()
{
    mCancelled = false;
    accept();
}

void frmUserSelection::cmdCancel_Click()
{
    mCancelled = true;
    reject();
}

} // namespace zel::ui
