#include "EditorTestSupport.h"

#include "editors/EditCommandBar.h"
#include "editors/ItemListUI.h"
#include "editors/ListBoxView.h"

#include "zel/data/DataSource.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace zel::ui::test {

std::vector<EditorTestFactory>& EditorTests()
{
    static std::vector<EditorTestFactory> tests;
    return tests;
}

TestSite& TestSite::Instance()
{
    static TestSite site;
    return site;
}

TestSite::TestSite()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zeleditors-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    mFolder = pattern;
    mPath = mFolder + "/zel.mdb";
    zel::data::DataSource::CreateDatabase(mPath);
    zel::data::DataSource().OpenDatabase(mPath);
}

TestSite::~TestSite()
{
    std::error_code ignored;
    std::filesystem::remove_all(mFolder, ignored);
}

std::shared_ptr<zel::data::UserDescriptionList> TestSite::Users() const
{
    return zel::data::DataSource().GetUserDescriptionList();
}

std::shared_ptr<zel::data::ReaderDescriptionList> TestSite::Clocks() const
{
    return zel::data::DataSource().GetReaderDescriptionList();
}

std::shared_ptr<zel::data::ChannelDescriptionList> TestSite::Channels() const
{
    return zel::data::DataSource().GetChannelDescriptionList();
}

void TestSite::Reset()
{
    auto users = Users();
    for (const auto& user : users->Items())
        users->Remove(user->UserID());
    users->Save();
    auto clocks = Clocks();
    for (const auto& clock : clocks->Items())
        clocks->Remove(clock->Name());
    clocks->Save();
    auto channels = Channels();
    for (const auto& channel : channels->Items())
        channels->Remove(channel->Name());
    channels->Save();
    Settle();
}

namespace {

// Loads the file on a thread of its own, as a newly started program would.
std::vector<std::string> LoadOnFreshThread(const std::string& path, int which)
{
    std::vector<std::string> result;
    std::exception_ptr failure;
    std::thread reader([&] {
        try {
            zel::data::DataSource source;
            source.OpenDatabase(path);
            if (which == 0)
                for (const auto& user : *source.GetUserDescriptionList())
                    result.push_back(user->ToString());
            else if (which == 1)
                for (const auto& clock : *source.GetReaderDescriptionList())
                    result.push_back(clock->ToString());
            else
                for (const auto& channel : *source.GetChannelDescriptionList())
                    result.push_back(channel->ToString());
        } catch (...) {
            failure = std::current_exception();
        }
    });
    reader.join();
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

} // namespace

std::vector<std::string> TestSite::StoredUsers() const
{
    return LoadOnFreshThread(mPath, 0);
}
std::vector<std::string> TestSite::StoredClocks() const
{
    return LoadOnFreshThread(mPath, 1);
}
std::vector<std::string> TestSite::StoredChannels() const
{
    return LoadOnFreshThread(mPath, 2);
}

void Settle()
{
    QCoreApplication::processEvents();
}

void Press(EditCommandBar* bar, const char* buttonName)
{
    auto* button = bar->findChild<QPushButton*>(QString::fromLatin1(buttonName));
    QVERIFY2(button, buttonName);
    button->click();
}

void ClickLine(ItemListUI* list, int row)
{
    auto* box = list->CurrentBox();
    const QRect rect = box->visualRect(list->Model()->index(row));
    QVERIFY2(rect.isValid(), "the line is not laid out");
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, rect.center());
}

int LineOf(ItemListUI* list, const QString& text)
{
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->List(i) == text)
            return i;
    return -1;
}

void SetText(QWidget* parent, const char* name, const QString& text)
{
    auto* box = parent->findChild<QLineEdit*>(QString::fromLatin1(name));
    QVERIFY2(box, name);
    box->setText(text);
}

QString Text(QWidget* parent, const char* name)
{
    if (auto* box = parent->findChild<QLineEdit*>(QString::fromLatin1(name)))
        return box->text();
    if (auto* combo = parent->findChild<QComboBox*>(QString::fromLatin1(name)))
        return combo->currentText();
    return QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

void ChooseText(QWidget* parent, const char* name, const QString& text)
{
    auto* combo = parent->findChild<QComboBox*>(QString::fromLatin1(name));
    QVERIFY2(combo, name);
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->activated(index); // as when the administrator picks it
}

} // namespace zel::ui::test
