#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescriptionList.h"

#include "pages/ClockListView.h"
#include "pages/models/ReaderListModel.h"
#include "pages/models/SortProxy.h"
#include "pages/models/ViewSelection.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

#include <algorithm>

namespace zel::ui {
namespace {

constexpr int CaptionHeight = 18;
constexpr int CaptionGap = 2;

} // namespace

ClockListView::ClockListView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ClockListView"));
    mCaptionLabel = new QLabel(this);
    mCaptionLabel->setObjectName(QStringLiteral("lblCaption"));
    mCaptionLabel->setVisible(false);

    mList = new QTreeView(this);
    mList->setObjectName(QStringLiteral("lvwReaders"));
    mModel = new ReaderListModel(this);
    mProxy = new SortProxy(this);
    mProxy->Attach(mModel, mList);
    mList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mList->setSelectionBehavior(QAbstractItemView::SelectRows);

    connect(mModel, &QAbstractItemModel::modelAboutToBeReset, this, &ClockListView::RememberSelection);
    connect(mModel, &QAbstractItemModel::modelReset, this, &ClockListView::RestoreSelection);

    zel::data::DataSource site;
    mModel->SetLists(site.GetReaderDescriptionList(), site.GetChannelDescriptionList());
    FitColumns();
    LayoutControls();
}

ClockListView::~ClockListView() = default;

void ClockListView::SetCaption(const QString& caption)
{
    mCaption = caption;
    mCaptionLabel->setText(caption);
    mCaptionLabel->setVisible(!caption.isEmpty());
    LayoutControls();
}

void ClockListView::SelectAll()
{
    mList->selectAll();
}

void ClockListView::DeselectAll()
{
    mList->clearSelection();
}

ClockListView::ReaderCollection ClockListView::GetSelected() const
{
    ReaderCollection result("ClockListView");
    for (int sourceRow : SelectedSourceRows(mList, mProxy)) {
        auto reader = mModel->ReaderAt(sourceRow);
        if (!mModel->IsListed(reader) || result.Contains(reader->Name()))
            continue; // removed since the last refill
        result.Add(reader, reader->Name());
    }
    return result;
}

void ClockListView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutControls();
}

void ClockListView::LayoutControls()
{
    int top = 0;
    if (!mCaption.isEmpty()) {
        mCaptionLabel->setGeometry(0, 0, width(), CaptionHeight);
        top = CaptionHeight + CaptionGap;
    }
    mList->setGeometry(0, top, width(), std::max(0, height() - top));
}

void ClockListView::RememberSelection()
{
    mSelectedKeys = SelectedKeys(mList, mProxy, mModel);
}

void ClockListView::RestoreSelection()
{
    SelectKeys(mList, mProxy, mModel, mSelectedKeys);
    mSelectedKeys.clear();
    FitColumns();
}

void ClockListView::FitColumns()
{
    // A column grows to show its longest text (a channel's name), never narrower than designed;
    // the last one (Location) takes the room left.
    QHeaderView* header = mList->header();
    const QAbstractItemView* view = mList; // the measure is public there
    for (int column = 0; column + 1 < mModel->columnCount(); ++column)
        header->resizeSection(column, std::max(header->sectionSize(column), view->sizeHintForColumn(column)));
}

} // namespace zel::ui
