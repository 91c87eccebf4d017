// The feed branch of the list parser: items, enclosures, titles and links.
#include "boards/feed.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "boards/threadlist.h"

namespace kv {
namespace {

struct Lists {
  ThreadLists lists;
  Lists() { EXPECT_TRUE(CreateThreadLists(lists)); }
  ~Lists() { DestroyThreadLists(lists); }
  int32_t Parse(const std::string& doc, ParseMode mode = ParseMode::Replace, size_t holdBack = 0) {
    return ParseFeed(lists, doc.data(), doc.size(), mode, holdBack);
  }
  const ThreadRow& Row(int i) { return lists.current->rows[i]; }
  std::string Link(int i) { return Row(i).link ? Row(i).link : ""; }
};

// "表" and "ソ" in UTF-8 and in Shift_JIS.
const std::string kU8 = "\xE8\xA1\xA8\xE3\x82\xBD";
const std::string kSj = "\x95\x5C\x83\x5C";

TEST(Feed, ItemAndMp3EnclosureGiveTwoRows) {
  Lists l;
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>Channel</title>"
      "<item><title>A " +
      kU8 +
      "</title><link>http://h/a.htm?x=1&amp;y=2</link>"
      "<enclosure length=\"1234\" type='audio/mpeg' url='http://h/ep.mp3?t=1&amp;u=2' /></item>"
      "</channel></rss>";
  ASSERT_EQ(l.Parse(doc), 2);
  EXPECT_EQ(std::string(l.Row(0).title), "A " + kSj);
  EXPECT_EQ(l.Link(0), "http://h/a.htm?x=1&y=2");
  EXPECT_EQ(l.Row(0).key, 0);
  EXPECT_EQ(l.Row(0).state, 1);
  EXPECT_EQ(std::string(l.Row(1).title), "[mp3]A " + kSj);
  EXPECT_EQ(l.Link(1), "http://h/ep.mp3?t=1&u=2");
  EXPECT_EQ(l.Row(1).count, 1234);
}

TEST(Feed, EncodingDeclarationBomAndShiftJis) {
  Lists l;
  // No declaration, or a byte-order mark: UTF-8.
  ASSERT_EQ(
      l.Parse("\xEF\xBB\xBF<?xml version=\"1.0\"?><item><title>" + kU8 + "</title><link>http://h/1</link></item>"), 1);
  EXPECT_EQ(std::string(l.Row(0).title), kSj);
  ASSERT_EQ(l.Parse("<?xml version=\"1.0\" encoding=\"UTF-8\"?><item><title>" + kU8 +
                    "</title><link>http://h/1</link></item>"),
            1);
  EXPECT_EQ(std::string(l.Row(0).title), kSj);
  ASSERT_EQ(l.Parse("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><item><title>" + kSj +
                    "</title><link>http://h/1</link></item>"),
            1);
  EXPECT_EQ(std::string(l.Row(0).title), kSj);
}

TEST(Feed, CdataTitlesAndTheChannelTitleAndRss1ItemList) {
  Lists l;
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><rdf:RDF><channel><title>Chan</title>"
      "<items><rdf:Seq><rdf:li rdf:resource=\"http://h/1\"/></rdf:Seq></items></channel>"
      "<item rdf:about=\"http://h/1\"><title><![CDATA[One & <b>]]></title><link>http://h/1</link></item>"
      "</rdf:RDF>";
  ASSERT_EQ(l.Parse(doc), 1);
  EXPECT_STREQ(l.Row(0).title, "One & <b>");
}

TEST(Feed, CharacterReferencesInUtf8Titles) {
  Lists l;
  ASSERT_EQ(l.Parse("<?xml version=\"1.0\" encoding=\"utf-8\"?><item><title>&#x8868;&#12477;&#65;&amp;&#xD800;"
                    "</title><link>http://h/1</link></item>"),
            1);
  EXPECT_EQ(std::string(l.Row(0).title), kSj + "A&&#xD800;");
  // In a Shift_JIS document only ASCII references are decoded.
  ASSERT_EQ(l.Parse("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><item><title>&#x8868;&#65;</title>"
                    "<link>http://h/1</link></item>"),
            1);
  EXPECT_STREQ(l.Row(0).title, "&#x8868;A");
}

TEST(Feed, MissingTitleLinkOrOverlongAddress) {
  Lists l;
  std::string longLink = "http://h/" + std::string(260, 'a') + ".htm";
  std::string doc =
      "<item><link>http://h/no-title</link></item>"
      "<item><title>NoLink</title><enclosure url=\"http://h/file\"/></item>"
      "<item><title>Long</title><link>" +
      longLink + "</link></item>";
  ASSERT_EQ(l.Parse(doc), 1);
  EXPECT_STREQ(l.Row(0).title, "[htm]NoLink");
  EXPECT_EQ(l.Link(0), "http://h/file");
}

TEST(Feed, TitleCutOnACharacterBoundaryBeforeConversion) {
  Lists l;
  std::string title;
  for (int i = 0; i < 100; ++i) title += kU8.substr(0, 3);  // 300 bytes of "表"
  ASSERT_EQ(l.Parse("<item><title>" + title + "</title><link>http://h/1</link></item>"), 1);
  std::string got = l.Row(0).title;
  ASSERT_FALSE(got.empty());
  for (size_t i = 0; i < got.size(); i += 2) EXPECT_EQ(got.substr(i, 2), "\x95\x5C");
}

TEST(Feed, LabelsFromTheLastSegmentWithoutQuery) {
  char label[8];
  EnclosureLabel("http://h/pod/ep.mp3?t=1", label, sizeof label);
  EXPECT_STREQ(label, "mp3");
  EnclosureLabel("http://h.example/pod/episode", label, sizeof label);
  EXPECT_STREQ(label, "htm");
  EnclosureLabel("http://h/a.verylong", label, sizeof label);
  EXPECT_STREQ(label, "???");
}

TEST(Feed, AtomEntries) {
  Lists l;
  ASSERT_EQ(l.Parse("<?xml version=\"1.0\"?><feed><title>F</title><entry><title type=\"text\">E</title>"
                    "<link rel=\"enclosure\" href=\"http://h/e.ogg\" length=\"7\"/><link href=\"http://h/e.htm\"/>"
                    "</entry></feed>"),
            2);
  EXPECT_EQ(l.Link(0), "http://h/e.htm");
  EXPECT_STREQ(l.Row(1).title, "[ogg]E");
  EXPECT_EQ(l.Row(1).count, 7);
}

TEST(Feed, HeldBackBytesAreNotParsedAndRowsStopAt10000) {
  Lists l;
  std::string item = "<item><title>T</title><link>http://h/1</link></item>";
  EXPECT_EQ(l.Parse(item + item, ParseMode::Replace, 10), 1);
  std::string many;
  for (int i = 0; i < 5001; ++i)
    many += "<item><title>T</title><link>http://h/1</link><enclosure url=\"http://h/1.mp3\"/></item>";
  EXPECT_EQ(l.Parse(many), kThreadRows);
}

}  // namespace
}  // namespace kv
