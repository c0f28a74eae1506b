#include "MainDataTestSupport.h"
#include "SiteTest.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataErrors.h"
#include "zel/data/DataSource.h"
#include "zel/data/DirChnlDescription.h"
#include "zel/data/EthChnlDescription.h"
#include "zel/data/MdmChnlDescription.h"

#include <gtest/gtest.h>

using namespace zel::data;
using namespace zel::data::test;

namespace {

class ChannelDescriptionTest : public SiteTest {
protected:
    void WithChannels(const std::function<void(ChannelDescriptionList&)>& body)
    {
        WithOpenDatabase(mPath, [&](DataSource& ds) { body(*ds.GetChannelDescriptionList()); });
    }
};

template <typename Kind> std::shared_ptr<Kind> As(const std::shared_ptr<IChannelDescription>& channel)
{
    auto kind = std::dynamic_pointer_cast<Kind>(channel);
    EXPECT_TRUE(kind) << "wrong kind: " << channel->ToString();
    return kind;
}

} // namespace

TEST_P(ChannelDescriptionTest, AddStoresEachKindWithItsDefaults)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        int listChanged = 0;
        auto sub = channels.ListChanged().Subscribe([&] { ++listChanged; });
        auto modem = As<MdmChnlDescription>(channels.Add(ModemChannel, "Site B"));
        auto direct = As<DirChnlDescription>(channels.Add(DirectChannel, "Line 1"));
        auto ethernet = As<EthChnlDescription>(channels.Add(EthernetChannel, "Office"));
        EXPECT_EQ(listChanged, 3);
        for (const auto& channel : channels) {
            EXPECT_GT(channel->DatabaseID(), 0);
            EXPECT_FALSE(channel->IsDirty());
            auto base = std::static_pointer_cast<ChannelDescriptionBase>(channel);
            EXPECT_FALSE(base->IsNew());
            EXPECT_FALSE(base->IsDeleted());
        }
        EXPECT_EQ(Sql("SELECT Name, Type, Port, quote(BitRate), quote(Location) FROM Channels ORDER BY ID;",
                      "SELECT Name, Type, Port, coalesce(BitRate::text, 'NULL'), coalesce(quote_literal(Location), "
                      "'NULL') FROM Channels ORDER BY ID;"),
                  "Site B|Modem|1|9600|''\n"
                  "Line 1|Direct|1|9600|NULL\n"
                  "Office|Ethernet|0|NULL|''\n");
        EXPECT_EQ(modem->ToString(), "{Name: Site B, Type: Modem, Phone Number: , ComPort: 1, Bit Rate: 9600}");
        EXPECT_EQ(direct->ToString(), "{Name: Line 1, Type: Direct, ComPort: 1, Bit Rate: 9600}");
        EXPECT_EQ(ethernet->ToString(), "{Name: Office, Type: Ethernet, IP Address: , IP Port: 0}");
        EXPECT_EQ(ethernet->ChannelType(), EthernetChannel);
        // The empty name is not refused by Add.
        EXPECT_NO_THROW(channels.Add(DirectChannel, ""));
    });
}

TEST_P(ChannelDescriptionTest, AddRefusesATakenNameOrAnUnknownKindBeforeAnyRow)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        channels.Add(ModemChannel, "Site B");
        int listChanged = 0;
        auto sub = channels.ListChanged().Subscribe([&] { ++listChanged; });
        EXPECT_EQ(ErrorTextOf([&] { channels.Add(DirectChannel, "SITE b"); }),
                  "The channel name 'SITE b' already exists.");
        EXPECT_EQ(ErrorNumberOf([&] { channels.Add(static_cast<ChannelTypeEnum>(3), "Fax"); }), errc::InvalidArgument);
        EXPECT_EQ(ErrorNumberOf([&] { channels.Add(static_cast<ChannelTypeEnum>(-1), "Fax"); }), errc::InvalidArgument);
        EXPECT_EQ(listChanged, 0);
        EXPECT_EQ(channels.Count(), 1);
        EXPECT_FALSE(channels.Contains("Fax"));
        EXPECT_EQ(Sql("SELECT count(*) FROM Channels;"), "1\n");
    });
}

TEST_P(ChannelDescriptionTest, SettersCheckTheirRanges)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        auto direct = As<DirChnlDescription>(channels.Add(DirectChannel, "Line 1"));
        auto modem = As<MdmChnlDescription>(channels.Add(ModemChannel, "Site B"));
        auto ethernet = As<EthChnlDescription>(channels.Add(EthernetChannel, "Office"));

        EXPECT_EQ(ErrorTextOf([&] { ethernet->SetIPPort(0); }), "Invalid port number");
        EXPECT_EQ(ErrorTextOf([&] { ethernet->SetIPPort(65536); }), "Invalid port number");
        EXPECT_FALSE(ethernet->IsDirty());
        ethernet->SetIPPort(65535);
        EXPECT_EQ(ethernet->IPPort(), 65535);

        for (auto setPort : {std::function<void(int)>([&](int p) { direct->SetComPort(p); }),
                             std::function<void(int)>([&](int p) { modem->SetComPort(p); })}) {
            EXPECT_EQ(ErrorTextOf([&] { setPort(0); }), "Invalid port number");
            EXPECT_EQ(ErrorTextOf([&] { setPort(9); }), "Invalid port number");
            EXPECT_NO_THROW(setPort(8));
        }
        EXPECT_EQ(ErrorTextOf([&] { direct->SetBitRate(0); }), "Invalid bit rate.");
        EXPECT_EQ(ErrorTextOf([&] { modem->SetBitRate(-5); }), "Invalid bit rate.");
        EXPECT_EQ(direct->BitRate(), 9600);
        direct->SetBitRate(1);
        modem->SetPhoneNumber("555 0142");
        modem->SetBitRate(9600); // unchanged, still dirty
        EXPECT_EQ(direct->ComPort(), 8);
        EXPECT_EQ(modem->ToString(), "{Name: Site B, Type: Modem, Phone Number: 555 0142, ComPort: 8, Bit Rate: 9600}");
    });
}

TEST_P(ChannelDescriptionTest, RenamingIgnoresLetterCaseAndFollowsTheKeyRules)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        auto siteB = As<MdmChnlDescription>(channels.Add(ModemChannel, "Site B"));
        channels.Add(DirectChannel, "Line 1");
        siteB->SetName("SITE B");
        EXPECT_EQ(siteB->Name(), "Site B");
        EXPECT_FALSE(siteB->IsDirty());
        EXPECT_EQ(ErrorTextOf([&] { siteB->SetName(""); }), "Channel name cannot be empty.");
        EXPECT_EQ(ErrorTextOf([&] { siteB->SetName("LINE 1"); }), "The channel name 'LINE 1' already exists.");
        EXPECT_EQ(siteB->Name(), "Site B");
        EXPECT_FALSE(siteB->IsDirty());
        siteB->SetName("Site C");
        EXPECT_TRUE(siteB->IsDirty());
        EXPECT_EQ(channels.Item(2), siteB);
        EXPECT_EQ(channels.Item("site c"), siteB);
        EXPECT_FALSE(channels.Contains("Site B"));
    });
}

TEST_P(ChannelDescriptionTest, SaveWritesTheRowAndRaisesListItemChanged)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        auto office = As<EthChnlDescription>(channels.Add(EthernetChannel, "Office"));
        channels.Add(DirectChannel, "Line 1");
        std::vector<std::string> senders;
        auto sub = channels.ListItemChanged().Subscribe(
            [&](std::shared_ptr<IChannelDescription> sender) { senders.push_back(sender->Name()); });
        office->SetIPAddress("10.0.0.7");
        office->SetIPPort(3001);
        EXPECT_TRUE(channels.IsDirty());
        channels.Save();
        EXPECT_EQ(senders, std::vector<std::string>{"Office"});
        EXPECT_FALSE(channels.IsDirty());
        EXPECT_EQ(Sql("SELECT Port, Location, Type FROM Channels WHERE Name = 'Office';"), "3001|10.0.0.7|Ethernet\n");
    });
    WithChannels([&](ChannelDescriptionList& channels) {
        auto office = As<EthChnlDescription>(channels.Item("OFFICE"));
        EXPECT_EQ(office->IPAddress(), "10.0.0.7");
        EXPECT_EQ(office->IPPort(), 3001);
    });
}

TEST_P(ChannelDescriptionTest, RemoveWorksForEveryKindAndTheRowGoesAtSave)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        std::vector<std::shared_ptr<IChannelDescription>> all{
            channels.Add(DirectChannel, "D"), channels.Add(ModemChannel, "M"), channels.Add(EthernetChannel, "E")};
        int listChanged = 0;
        auto sub = channels.ListChanged().Subscribe([&] { ++listChanged; });
        for (const char* name : {"d", "M", "e"})
            channels.Remove(name);
        EXPECT_EQ(listChanged, 3);
        EXPECT_EQ(channels.Count(), 0);
        EXPECT_TRUE(channels.IsDirty());
        EXPECT_EQ(channels.GetByDatabaseID(all[0]->DatabaseID()), nullptr);
        EXPECT_EQ(ErrorNumberOf([&] { channels.Remove("D"); }), errc::InvalidArgument);
        EXPECT_EQ(Sql("SELECT count(*) FROM Channels;"), "3\n");
        channels.Save();
        EXPECT_EQ(Sql("SELECT count(*) FROM Channels;"), "0\n");
        for (const auto& channel : all)
            EXPECT_TRUE(std::static_pointer_cast<ChannelDescriptionBase>(channel)->IsNew());
        EXPECT_FALSE(channels.IsDirty());
        channels.Save();
        EXPECT_EQ(Sql("SELECT count(*) FROM Channels;"), "0\n");
    });
}

TEST_P(ChannelDescriptionTest, AChannelWhoseRowVanishedFailsToSaveAndStaysDirty)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        auto line = As<DirChnlDescription>(channels.Add(DirectChannel, "Line 1"));
        Sql("DELETE FROM Channels;");
        line->SetComPort(2);
        // A shared site says that another user removed the row.
        EXPECT_EQ(ErrorNumberOf([&] { channels.Save(); }),
                  OnServer() ? errc::RowChangedByAnother : errc::NoCurrentRecord);
        EXPECT_TRUE(line->IsDirty());
    });
}

TEST_P(ChannelDescriptionTest, LoadReadsTypeWithoutLetterCaseAndRefusesBadRows)
{
    Sql("INSERT INTO Channels (Name, Type, Port, Location) VALUES ('Office', 'ETHERNET', 3001, '10.0.0.7');"
        "INSERT INTO Channels (ID, Name, Type, Port, BitRate) VALUES (70000, 'Line', 'direct', 12, 0);");
    WithChannels([&](ChannelDescriptionList& channels) {
        ASSERT_EQ(channels.Count(), 2);
        auto office = As<EthChnlDescription>(channels.Item(1));
        EXPECT_EQ(office->IPPort(), 3001);
        // Stored values are taken as they are, without the setters' range tests.
        auto line = As<DirChnlDescription>(channels.GetByDatabaseID(70000));
        EXPECT_EQ(line->ComPort(), 12);
        EXPECT_EQ(line->BitRate(), 0);
        EXPECT_FALSE(line->IsDirty());
    });
    struct Case {
        const char* values;
        long number;
    };
    int file = 0;
    for (const auto& c :
         {Case{"('A', 'Fax', 1, 1, '')", errc::TypeMismatch}, Case{"('A', NULL, 1, 1, '')", errc::InvalidUseOfNull},
          Case{"('A', 'Modem', 1, 1, NULL)", errc::InvalidUseOfNull},
          Case{"('A', 'Direct', 1, NULL, NULL)", errc::InvalidUseOfNull},
          Case{"('A', 'Direct', 1e10, 1, NULL)", errc::Overflow},
          Case{"('A', 'Direct', 1, 1, NULL), ('a', 'Modem', 1, 1, '')", errc::DuplicateKey}}) {
        // Files without the NOT NULL constraints and key indexes (older or hand-made ones).
        auto path = OlderDatabase(mFolder, "bad" + std::to_string(++file) + ".mdb");
        SqliteCli(path,
                  "INSERT INTO Channels (Name, Type, Port, BitRate, Location) VALUES " + std::string(c.values) + ";");
        WithOpenDatabase(path, [&](DataSource& ds) {
            EXPECT_EQ(ErrorNumberOf([&] { ds.GetChannelDescriptionList(); }), c.number) << c.values;
        });
    }
}

TEST_P(ChannelDescriptionTest, ItemFindsAnyLetterCaseAndChecksPositions)
{
    WithChannels([&](ChannelDescriptionList& channels) {
        auto siteB = channels.Add(ModemChannel, "Site B");
        EXPECT_EQ(channels.Item("sItE b"), siteB);
        EXPECT_TRUE(channels.Contains("SITE B"));
        EXPECT_EQ(channels.GetByDatabaseID(siteB->DatabaseID()), siteB);
        EXPECT_EQ(ErrorNumberOf([&] { channels.Item("nothing"); }), errc::InvalidArgument);
        EXPECT_EQ(ErrorNumberOf([&] { channels.Item(0); }), errc::SubscriptOutOfRange);
        EXPECT_EQ(ErrorNumberOf([&] { channels.Item(2); }), errc::SubscriptOutOfRange);
    });
}

INSTANTIATE_TEST_SUITE_P(Engines, ChannelDescriptionTest, ::testing::Values(Engine::Sqlite, Engine::Postgres),
                         EngineName);
