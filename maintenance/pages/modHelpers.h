#pragma once

#include "zel/workflows/SiteChannels.h"

#include <QPixmap>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QAbstractItemModel;
class QTableView;
class QWidget;

namespace zel::ui {

// From a stored channel description to a runtime channel (see the clock workflows library).
using zel::workflows::CreateChannelForDescription;

// Runs one command of a page. A zel::Error (or any other std::exception) that it raises is shown
// to the administrator in a message box with its description (exclamation icon, `title` or the
// application title) instead of travelling on. Returns true when the command ended normally.
bool RunCommand(QWidget* parent, const std::function<void()>& command, const QString& title = {});

// Shows the wait window (no Cancel button) with `caption` and `text` while `command` runs; the
// window closes also when the command raises, and the error travels on.
void RunWithWaitWindow(const QString& caption, const QString& text, const std::function<void()>& command);

// A read-only table of whole rows over `model` (named `name`), as the pages that list many rows
// show them: rows selected whole, alternating colours, no wrapping, rows of one height (the view
// never measures rows it has not shown) and the last column stretched.
QTableView* MakeRowTable(QWidget* parent, const char* name, QAbstractItemModel* model);

// Makes the pictures of the Manage Clock page (":/clockpage/...") available; safe to call often.
void InitClockPageResources();
// A picture of the page's resources drawn at `size` (transparent where the picture is).
QPixmap RenderPicture(const QString& resource, const QSize& size);

} // namespace zel::ui
