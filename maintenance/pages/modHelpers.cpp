#include "pages/modHelpers.h"

#include "MessageBox.h"
#include "ReadOnlySite.h"
#include "pages/frmMessage.h"

#include "zel/Error.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QPainter>
#include <QSvgRenderer>
#include <QTableView>

#include <exception>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitClockPageResourcesOnce()
{
    Q_INIT_RESOURCE(clockpage);
}

namespace zel::ui {

QTableView* MakeRowTable(QWidget* parent, const char* name, QAbstractItemModel* model)
{
    auto* table = new QTableView(parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

void InitClockPageResources()
{
    static const bool done = (InitClockPageResourcesOnce(), true);
    (void)done;
}

QPixmap RenderPicture(const QString& resource, const QSize& size)
{
    InitClockPageResources();
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return picture;
}

bool RunCommand(QWidget* parent, const std::function<void()>& command, const QString& title)
{
    QString description;
    try {
        command();
        return true;
    } catch (const zel::Error& error) {
        description = ErrorMessageText(error);
    } catch (const std::exception& error) {
        description = QString::fromLocal8Bit(error.what());
    }
    if (description.isEmpty())
        description = QStringLiteral("The command failed.");
    ShowMessage(parent, description, title, MsgIcon::Exclamation);
    return false;
}

void RunWithWaitWindow(const QString& caption, const QString& text, const std::function<void()>& command)
{
    // No owner: the window is a top-level of its own, as the clock pages have always shown it.
    auto window = std::make_unique<frmMessage>(nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->SetShowCancel(false);
    window->setWindowTitle(caption);
    window->SetText(text);
    window->show();
    // Let the window appear before the clock command blocks the thread; clicks wait until later.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    window->SetText(text);
    command(); // the window goes with `window` also when this raises
}

} // namespace zel::ui
