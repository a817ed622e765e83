#include "foundation/meta_block.h"

#include "foundation/config_keys.h"
#include "platform/clock.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace oxl
{
namespace
{

std::vector<std::pair<std::string, std::string>> entriesOf(const pugi::xml_node& meta)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (const pugi::xml_node& info : meta.children())
    {
        EXPECT_STREQ(info.name(), "info");
        EXPECT_STREQ(info.first_attribute().name(), "name");
        EXPECT_STREQ(info.first_attribute().next_attribute().name(), "value");
        entries.emplace_back(info.attribute("name").value(), info.attribute("value").value());
    }
    return entries;
}

TEST(MetaBlock, WrittenBlockHasTheFiveEntriesInOrder)
{
    plat::FixedUtcClock clock(1759838400); // 7 October 2025, 12:00 UTC
    pugi::xml_document doc;

    ASSERT_TRUE(gf_writeMeta(doc));

    const pugi::xml_node meta = doc.child("meta");
    ASSERT_TRUE(meta);
    const std::vector<std::pair<std::string, std::string>> expected = {{"author", "Ordalis_P3D"},
                                                                       {"version", "11.0.4"},
                                                                       {"date", "Okt 07, 2025"},
                                                                       {"copyright", gMetaCopyright.value()},
                                                                       {"P3D", "v5/v6"}};
    EXPECT_EQ(entriesOf(meta), expected);
    EXPECT_FALSE(gMetaCopyright.value().empty());
}

TEST(MetaBlock, RoundTripThroughAFileWithSeveralTopLevelElements)
{
    test::TempFolder folder;
    const auto file = folder / "airport.xml";
    {
        pugi::xml_document doc;
        ASSERT_TRUE(gf_writeMeta(doc));
        doc.append_child("parkpositions").append_child("parkpos").append_attribute("id").set_value("A1");
        ASSERT_TRUE(doc.save_file(file.c_str()));
    }
    pugi::xml_document loaded;
    ASSERT_TRUE(loaded.load_file(file.c_str()));

    EXPECT_TRUE(gf_readMeta(loaded, gMetaAuthor));
    EXPECT_EQ(gMetaAuthor.value(), "Ordalis_P3D");
    EXPECT_TRUE(gf_readMeta(loaded, gMetaVersion));
    EXPECT_EQ(gMetaVersion.value(), "11.0.4");
    EXPECT_TRUE(gf_readMeta(loaded, gMetaDate));
    EXPECT_FALSE(gMetaDate.value().empty());
    // "MSFS" is never written.
    EXPECT_FALSE(gf_readMeta(loaded, gMetaMsfs));
}

TEST(MetaBlock, FileWithoutMetaClearsTheEntry)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<liveries><liv title=\"A\"/></liveries>"));
    gMetaAuthor.set("left over");

    EXPECT_FALSE(gf_readMeta(doc, gMetaAuthor));
    EXPECT_EQ(gMetaAuthor.value(), "");
}

TEST(MetaBlock, EntryWithoutValueReadsAsEmpty)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<meta><info name=\"author\"/></meta>"));
    gMetaAuthor.set("left over");

    EXPECT_TRUE(gf_readMeta(doc, gMetaAuthor));
    EXPECT_EQ(gMetaAuthor.value(), "");
}

TEST(MetaBlock, MetaBelowTheRootIsNotFound)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string("<root><meta><info name=\"author\" value=\"x\"/></meta></root>"));
    EXPECT_FALSE(gf_readMeta(doc, gMetaAuthor));
}

TEST(MetaBlock, QueryErrorIsLoggedAndKeepsTheValue)
{
    test::LogCapture log;
    StringParameter broken("it's", "kept");
    pugi::xml_document doc;
    ASSERT_TRUE(gf_writeMeta(doc));

    EXPECT_FALSE(gf_readMeta(doc, broken));

    EXPECT_EQ(broken.value(), "kept");
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST(MetaBlock, WritesOnlyIntoElementsAndDocuments)
{
    pugi::xml_document doc;
    pugi::xml_node text = doc.append_child(pugi::node_pcdata);
    EXPECT_FALSE(gf_writeMeta(text));
    EXPECT_FALSE(gf_writeMeta(pugi::xml_node()));

    pugi::xml_node element = doc.append_child("file");
    EXPECT_TRUE(gf_writeMeta(element));
    EXPECT_EQ(element.last_child().name(), std::string("meta"));
}

TEST(BoolValueAttribute, AppendsOrSets)
{
    pugi::xml_document doc;
    pugi::xml_node stand = doc.append_child("parkpos");

    EXPECT_TRUE(gf_setBoolValueAttribute(stand, "heli", true));
    EXPECT_STREQ(stand.attribute("heli").value(), "true");
    EXPECT_TRUE(gf_setBoolValueAttribute(stand, "heli", false));
    EXPECT_STREQ(stand.attribute("heli").value(), "false");
    EXPECT_EQ(std::distance(stand.attributes().begin(), stand.attributes().end()), 1);

    EXPECT_FALSE(gf_setBoolValueAttribute(doc, "heli", true));
}

} // namespace
} // namespace oxl
