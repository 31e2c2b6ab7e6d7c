// The catalog and its file in the state folder.
#include <gtest/gtest.h>

#include "catalog.h"
#include "test_support.h"

namespace qz::engine {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono;

Database UserDatabase(std::string name, int id) {
    Database database;
    database.name = std::move(name);
    database.id = id;
    database.created = sys_days(year(2024) / May / 1) + hours(10) + milliseconds(250);
    database.data = {database.name + "_data", "E:\\Db\\" + database.name + "_data.MDF"};
    database.log = {database.name + "_log", "E:\\Db\\" + database.name + "_log.LDF"};
    return database;
}

TEST(Catalog, AlwaysHoldsTheSystemDatabases) {
    Catalog catalog;
    for (const char *name : {"master", "tempdb", "model", "msdb"}) {
        const Database *found = catalog.Find(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_TRUE(found->system);
    }
    EXPECT_EQ(catalog.Find("MASTER")->id, 1);
    EXPECT_EQ(catalog.NextId(), 5);
}

TEST(Catalog, PutReplacesByNameIgnoringCaseAndKeepsTheId) {
    Catalog catalog;
    catalog.Put(UserDatabase("QUENTARO", 5));
    Database again = UserDatabase("quentaro", 9);
    again.data.path = "F:\\x.MDF";
    catalog.Put(again);
    const Database *found = catalog.Find("Quentaro");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, 5);
    EXPECT_EQ(found->data.path, "F:\\x.MDF");
    EXPECT_EQ(catalog.All().size(), 5u);
}

TEST(Catalog, NextIdFillsGaps) {
    Catalog catalog;
    catalog.Put(UserDatabase("a", 5));
    catalog.Put(UserDatabase("c", 7));
    EXPECT_EQ(catalog.NextId(), 6);
    EXPECT_TRUE(catalog.Remove("A"));
    EXPECT_FALSE(catalog.Remove("a"));
    EXPECT_EQ(catalog.NextId(), 5);
}

TEST(Catalog, TextRoundTripKeepsOddCharacters) {
    Catalog catalog;
    Database odd = UserDatabase("tab\there", 6);
    odd.data.path = "E:\\new\nline\\back\\slash.MDF";
    catalog.Put(odd);
    catalog.Put(UserDatabase("QUENTARO", 5));
    std::string text = catalog.Serialize();
    EXPECT_EQ(text.substr(0, text.find('\n')), "qzengine-catalog 1");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << "header and one line per user database";

    Catalog back = Catalog::Parse(text);
    ASSERT_EQ(back.All().size(), 6u);
    const Database *found = back.Find("tab\there");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->id, 6);
    EXPECT_EQ(found->data.path, odd.data.path);
    EXPECT_EQ(found->created, odd.created);
    EXPECT_FALSE(found->system);
}

TEST(Catalog, MalformedTextIsRefused) {
    EXPECT_THROW(Catalog::Parse(""), CatalogError);
    EXPECT_THROW(Catalog::Parse("something else\n"), CatalogError);
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\t5\n"), CatalogError);
    const std::string fields = "\t2024-05-01 10:00:00.000\td\tE:\\\\d.MDF\tl\tE:\\\\l.LDF\n";
    EXPECT_NO_THROW(Catalog::Parse("qzengine-catalog 1\nQ\t5" + fields));
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\t1" + fields), CatalogError) << "system ids";
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\tx" + fields), CatalogError);
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\t5" + fields + "q\t6" + fields), CatalogError);
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\t5" + fields + "R\t5" + fields), CatalogError);
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\t5\t2024-13-01 10:00:00.000\td\tp\tl\tp\n"), CatalogError);
    EXPECT_THROW(Catalog::Parse("qzengine-catalog 1\nQ\\x\t5" + fields), CatalogError) << "unknown escape";
}

TEST(CatalogFile, MissingFileIsAnEmptyCatalog) {
    testing::TempFolder folder;
    EXPECT_EQ(CatalogFile(folder / "catalog.txt").Load().All().size(), 4u);
}

TEST(CatalogFile, SavedCatalogLoadsAgainAndNoTemporaryStays) {
    testing::TempFolder folder;
    CatalogFile file(folder / "catalog.txt");
    Catalog catalog;
    catalog.Put(UserDatabase("QUENTARO", 5));
    file.Save(catalog);
    EXPECT_EQ(testing::FilesBelow(folder.Path()), std::vector<std::string>{"catalog.txt"});
    Catalog loaded = file.Load();
    ASSERT_NE(loaded.Find("QUENTARO"), nullptr);
    EXPECT_EQ(loaded.Find("QUENTARO")->log.path, "E:\\Db\\QUENTARO_log.LDF");
}

TEST(CatalogFile, UnwritableFolderThrows) {
    testing::TempFolder folder;
    CatalogFile file(folder / "missing" / "catalog.txt");
    EXPECT_THROW(file.Save(Catalog()), CatalogError);
}

TEST(CatalogTime, FormatAndParse) {
    TimePoint when = sys_days(year(2024) / May / 1) + hours(10) + minutes(2) + seconds(3) + milliseconds(45);
    EXPECT_EQ(FormatTime(when), "2024-05-01 10:02:03.045");
    EXPECT_EQ(ParseTime("2024-05-01 10:02:03.045"), when);
    EXPECT_FALSE(ParseTime("2024-05-01 10:02:03"));
    EXPECT_FALSE(ParseTime("2024-02-30 10:02:03.000"));
    EXPECT_FALSE(ParseTime("2024-05-01 10:02:03.000x"));
}

}  // namespace
}  // namespace qz::engine
