#pragma once

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ChannelTypeEnum.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace zel::ui {
class EditCommandBar;
class ItemListUI;
} // namespace zel::ui

namespace zel::ui::test {

// Several Qt Test classes share the executable: each file registers its class.
using EditorTestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<EditorTestFactory>& EditorTests();

template <typename T> struct RegisterEditorTest {
    RegisterEditorTest()
    {
        EditorTests().push_back([] { return std::make_unique<T>(); });
    }
};

#define ZEL_EDITOR_TEST(Class) static const zel::ui::test::RegisterEditorTest<Class> zelEditorTest##Class

// The site database of this test process: a new file in a temporary folder, opened once on the
// main thread (the library keeps one connection and one set of lists per thread). Reset()
// empties it through the lists, so every test case starts from an empty site.
class TestSite {
public:
    static TestSite& Instance();

    const std::string& Path() const { return mPath; }
    std::shared_ptr<zel::data::UserDescriptionList> Users() const;
    std::shared_ptr<zel::data::ReaderDescriptionList> Clocks() const;
    std::shared_ptr<zel::data::ChannelDescriptionList> Channels() const;

    void Reset();

    // What a restarted program would find in the file: the lists loaded by another thread.
    std::vector<std::string> StoredUsers() const;    // ToString() of each user
    std::vector<std::string> StoredClocks() const;   // ToString() of each clock
    std::vector<std::string> StoredChannels() const; // ToString() of each channel

private:
    TestSite();
    ~TestSite();
    std::string mFolder;
    std::string mPath;
};

// Lets the posted refills and refreshes run.
void Settle();

// Presses a button of the bar as the administrator would (a disabled button does nothing).
void Press(EditCommandBar* bar, const char* buttonName);

// Clicks line `row` of the visible list box with the mouse.
void ClickLine(ItemListUI* list, int row);

// The line of the list whose text is `text`, or -1.
int LineOf(ItemListUI* list, const QString& text);

// A text box / drop-down list below `parent` by name (fails the test when missing).
void SetText(QWidget* parent, const char* name, const QString& text);
QString Text(QWidget* parent, const char* name);
void ChooseText(QWidget* parent, const char* name, const QString& text);

} // namespace zel::ui::test
