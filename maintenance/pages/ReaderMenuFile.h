#pragma once

#include "pages/ReaderPanel.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zel::ui {

// The "Clock Menu Program" panel of the Clock Setup tab: a menu file of 1 to 4096 bytes (padded
// with zeros to 4096) is sent to the connected clock as function-key data. A file name that is
// empty, or names no readable file, an empty file or one longer than 4096 bytes (the clock would
// get only part of the program) is refused with a message before anything is sent.
class ReaderMenuFile : public ReaderPanel {
    Q_OBJECT
public:
    static constexpr int MenuProgramSize = 4096;

    explicit ReaderMenuFile(QWidget* parent = nullptr);

    // Asks for the file behind "..." and returns its full path, or an empty text when the
    // administrator cancels. By default the file-open dialog "Load Menu File".
    using FileChooser = std::function<QString(QWidget* parent)>;
    void SetFileChooser(FileChooser chooser);

    // Reads the menu program from `fileName` by the rule zelctl follows too
    // (zel::workflows::MenuProgram): 4096 bytes, zero after the end of a shorter file. Returns
    // false (with the reason in `problem`) for a name that is empty or names no readable file, an
    // empty file and a file longer than 4096 bytes.
    static bool ReadMenuProgram(const QString& fileName, QByteArray& program, QString& problem);

protected:
    void ReaderConnected() override;
    void ReaderDisconnected() override;

private:
    void cmdMenuFileBrowse_Click();
    void cmdSendMenuFile_Click();
    void SetStatus(const QString& text);

    QGroupBox* mFrame;
    QLabel* mFileLabel;
    QLineEdit* mFileName;
    QPushButton* mBrowse;
    QPushButton* mSend;
    QLabel* mStatusLabel;
    QLabel* mStatus;
    FileChooser mChooser;
};

} // namespace zel::ui
