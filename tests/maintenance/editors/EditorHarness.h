#pragma once

#include "EditorTestSupport.h"
#include "MessageRecorder.h"

#include "editors/EditCommandBar.h"

#include <QTest>

#include <memory>

namespace zel::ui::test {

// One list editor on an emptied site, with its message boxes recorded. Start() in a test
// class's init(), Stop() in its cleanup().
template <typename EditorT> class EditorHarness {
public:
    template <typename Bind> void Start(Bind bind)
    {
        TestSite::Instance().Reset();
        mMessages = std::make_unique<MessageRecorder>();
        mEditor = std::make_unique<EditorT>();
        bind(*mEditor);
        mEditor->show();
    }

    void Stop()
    {
        mEditor.reset();
        mMessages.reset();
    }

    EditorT* Editor() const { return mEditor.get(); }
    EditCommandBar* Bar() const { return mEditor->CommandBar(); }
    MessageRecorder& Messages() const { return *mMessages; }

    // Clicks the line showing `name`.
    void Select(const QString& name)
    {
        const int line = LineOf(mEditor->ListUI(), name);
        QVERIFY2(line >= 0, qPrintable(name));
        ClickLine(mEditor->ListUI(), line);
    }

    // The text of the one message shown since the last call (and forgets it).
    QString TakeMessage()
    {
        if (mMessages->Count() != 1)
            return QStringLiteral("<%1 messages>").arg(mMessages->Count());
        const QString text = mMessages->Last().text;
        mMessages->Clear();
        return text;
    }

private:
    std::unique_ptr<EditorT> mEditor;
    std::unique_ptr<MessageRecorder> mMessages;
};

} // namespace zel::ui::test
