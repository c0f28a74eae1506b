#include "MissingDatabaseDialog.h"

#include "MessageBox.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zel::ui {

MissingDatabaseDialog::MissingDatabaseDialog(const QString& fileName, const QString& folder, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMissingDatabase"));
    setWindowTitle(AppTitle());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    mLblMessage = new QLabel(MessageText(fileName, folder), this);
    mLblMessage->setObjectName(QStringLiteral("lblMessage"));
    mLblMessage->setWordWrap(true);
    mLblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mLblMessage->setMinimumWidth(380);

    mCmdCreate = new QPushButton(tr("&Create"), this);
    mCmdCreate->setObjectName(QStringLiteral("cmdCreate"));
    mCmdQuit = new QPushButton(tr("&Quit"), this);
    mCmdQuit->setObjectName(QStringLiteral("cmdQuit"));
    mCmdQuit->setDefault(true);
    // Enter presses the focused button: the focus starts on the default, Quit.
    mCmdQuit->setFocus();
    connect(mCmdCreate, &QPushButton::clicked, this, &QDialog::accept);
    connect(mCmdQuit, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(mLblMessage, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(mCmdCreate);
    buttons->addWidget(mCmdQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

QString MissingDatabaseDialog::MessageText(const QString& fileName, const QString& folder)
{
    return tr("The site database file \"%1\" was not found in the folder \"%2\".\n\n"
              "Create a new, empty site database there? It will hold the site's users, clocks and "
              "channels.")
        .arg(fileName, QDir::toNativeSeparators(folder));
}

bool MissingDatabaseDialog::Ask(const QString& fileName, const QString& folder, QWidget* parent)
{
    MissingDatabaseDialog dialog(fileName, folder, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace zel::ui
