#include "SiteQuestionDialog.h"

#include "MessageBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zel::ui {

SiteQuestionDialog::SiteQuestionDialog(const QString& objectName, QStyle::StandardPixmap icon, const QString& message,
                                       const QString& goOn, const QString& goOnName, int messageWidth, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(AppTitle());

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgIcon"));
    picture->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);

    auto* text = new QLabel(message, this);
    text->setObjectName(QStringLiteral("lblMessage"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setMinimumWidth(messageWidth);

    auto* accept = new QPushButton(goOn, this);
    accept->setObjectName(goOnName);
    // Over the main window (another site asked for from it) the open site stays: Cancel.
    const bool atStart = parent == nullptr;
    auto* quit = new QPushButton(atStart ? tr("&Quit") : tr("&Cancel"), this);
    quit->setObjectName(atStart ? QStringLiteral("cmdQuit") : QStringLiteral("cmdCancel"));
    quit->setDefault(true);
    // Enter presses the focused button: the focus starts on the default, Quit (or Cancel).
    quit->setFocus();
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(quit, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addWidget(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(accept);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

} // namespace zel::ui
