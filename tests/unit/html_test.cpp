#include "reader/html.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/reader_util.h"

using readertest::Fixture;
using readertest::View;
using Lines = std::vector<std::string>;

namespace {

std::string Clean(const std::string& s) {
  std::vector<char> out(s.size() + 1);
  size_t n = kv::CleanCopy(out.data(), out.size(), s.data(), s.size());
  EXPECT_EQ(out[n], 0);
  return std::string(out.data(), n);
}

void Page(View& v, const std::string& html, const char* url = "hhtm://h.example/dir/page.html") {
  kv::ViewBuildOptions o;
  o.pageUrl = url;
  v->title[0] = '?';
  ASSERT_TRUE(kv::LoadThreadIntoView(*v, o, html.data(), html.size(), &v.result));
  readertest::ExpectSoundIndex(v);
}

// Text of each page block, without header and trailing empty line.
std::vector<std::string> Blocks(const View& v) {
  std::vector<std::string> out;
  for (int n = 1; n < v->postCount; ++n) {
    std::string p = v.post(n);
    size_t h = p.find("\r\n");
    out.push_back(p.substr(h + 2, p.size() - h - 2 - 4));
  }
  return out;
}

TEST(FieldCleaner, EntitiesAsTheTableSaysAndNoOthers) {
  EXPECT_EQ(Clean("&quot;&amp;&lt;&gt;&nbsp;&ensp;&emsp;&thinsp;&copy;&apos;&laquo;&raquo;"), "\"&<>     (c)'≪≫");
  EXPECT_EQ(Clean("a&thinsp;b&nbsp;c"), "a  b c");
  // Numeric references and other letter cases stay as they are.
  EXPECT_EQ(Clean("&#12354;&QUOT;&Amp;&amp"), "&#12354;&QUOT;&Amp;&amp");
  EXPECT_EQ(Clean("&"), "&");
  EXPECT_EQ(kv::DecodeEntity("thinsp;", 7), 7);
  EXPECT_EQ(kv::DecodeEntity("thinsp", 6), -1);
  EXPECT_EQ(kv::DecodeEntity("copy;x", 2), -1);
}

TEST(FieldCleaner, BoldTagsBlanksAndPairs) {
  EXPECT_EQ(Clean("名無し</b>◆abc<b>"), "名無し◆abc");
  EXPECT_EQ(Clean("<B>x</B>"), "<B>x</B>");  // only the lower-case tags servers write
  EXPECT_EQ(Clean("</b"), "");
  EXPECT_EQ(Clean("a    \r\nb  \r\nc   \r\nd \r\n"), "a\r\nb\r\nc \r\nd \r\n");
  // A lead byte before a byte below 0x40 is a broken character of its own:
  // the markup after it still counts.
  EXPECT_EQ(Clean("\x81&amp;"), "\x81&");
  EXPECT_EQ(Clean("\x81<b>"), "\x81");
  EXPECT_EQ(Clean("表&amp;ソ"), "表&ソ");

  char small[6];
  EXPECT_EQ(kv::CleanCopy(small, sizeof small, "ああああ"), 4u);
  EXPECT_STREQ(small, "ああ");
  EXPECT_EQ(kv::CleanCopy(small, 1, "abc"), 0u);
}

TEST(PageConverter, ThePageInEveryCharsetReadsTheSame) {
  View sjis;
  Page(sjis, Fixture("page_sjis.html"));
  const Lines expected = {"テスト ページ", "見出し",
                          "本文 です。\r\n二行目&終わり\r\n\r\n\r\n(http://h.example/a/b.html)\r\nリンク"};
  EXPECT_EQ(Blocks(sjis), expected);
  EXPECT_EQ(sjis.lines(1)[0], "\t1\t----\t\t}DATE ID:");
  EXPECT_STREQ(sjis->title, "テスト ページ");
  for (const char* name : {"page_euc.html", "page_utf8.html", "page_utf7.html", "page_jis.html"}) {
    View v;
    Page(v, Fixture(name));
    EXPECT_EQ(Blocks(v), expected) << name;
    EXPECT_STREQ(v->title, "テスト ページ") << name;
  }
  // A declaration after "</head" declares nothing: the bytes stay.
  View late;
  Page(late, Fixture("page_late_charset.html"));
  EXPECT_EQ(Blocks(late), (Lines{"x", "本文"}));
}

TEST(PageConverter, LongParagraphsSplitAfterThirtyOneBreaks) {
  std::string html = "<html><body><p>";
  for (int i = 1; i <= 40; ++i) html += "行" + std::to_string(i) + (i < 40 ? "<br>\n" : "");
  html += "</p></body></html>";
  View v;
  Page(v, html);
  std::vector<std::string> b = Blocks(v);
  ASSERT_EQ(b.size(), 2u);
  // The block takes breaks while it holds 30 or fewer: 31 breaks, so its
  // text runs to the 32nd line; the break after it is not kept.
  EXPECT_EQ(b[0].substr(0, 5), "行1\r\n");
  EXPECT_EQ(b[0].substr(b[0].size() - 6), "\r\n行32");
  EXPECT_EQ(b[1].substr(0, 4), "行33");
  EXPECT_EQ(b[1].substr(b[1].size() - 8), "行40\r\n\r\n");
}

TEST(PageConverter, BlanksTagsAndBlockEnds) {
  View v;
  Page(v,
       "<html><head><style>p{}</style><title>\tT\r\n</title></head><BODY>a b  c\t\r\nd"
       "<script>x</script><!-- <br> --><style>y</STYLE>e</div>"
       "<ul><li>一</li><li>二</li></ul></table>"
       "<h2>h</h2>f</blockquote>g<p class=g>i</body>never");
  EXPECT_EQ(Blocks(v), (Lines{"T", "ab cde", "一\r\n二\r\n", "h", "f", "g", "i"}));

  View noBody;
  Page(noBody, "<html><title>only</title>text without a body");
  EXPECT_EQ(Blocks(noBody), (Lines{"only"}));

  // Six NUL bytes end the page.
  View z;
  Page(z, std::string("<html><body>a", 13) + std::string(6, '\0') + "b</body>");
  EXPECT_EQ(Blocks(z), (Lines{"a"}));
}

TEST(PageConverter, LinkLinesAndAdvertisementLinks) {
  View v;
  Page(v,
       "<html><body>"
       "<A HREF=\"/a/b.html\">x</A>"
       "<a href=./c.html>y</a>"
       "<a href=\"http://other.example/z\">z</a>"
       "<a href=\"/img/arrow.gif\">矢印</a>"
       "<A HREF=\"http://px.a8.net/svt/ejp?a8mat=1\">広告</A>"
       "</body>");
  ASSERT_EQ(v->postCount, 2);
  EXPECT_EQ(v.lines(1), (Lines{"\t1\t----\t\t}DATE ID:", "", "(http://h.example/a/b.html)", "x",
                               "(http://h.example/dir/./c.html)", "y", "(http://other.example/z)", "z矢印広告", ""}));

  for (int i = 0; i < kv::kAdvertisementPrefixCount; ++i) {
    std::string a = std::string("HREF=\"") + kv::kAdvertisementPrefixes[i] + "x\">";
    EXPECT_EQ(kv::IsAdvertisementLink(a.data(), a.size()), 1) << a;
  }
  const char* plain = "href = \"/a.html\"";
  EXPECT_EQ(kv::IsAdvertisementLink(plain, strlen(plain)), 0);
  const char* spaced = "HREF =\t\"/event.ng/x";
  EXPECT_EQ(kv::IsAdvertisementLink(spaced, strlen(spaced)), 1);
  EXPECT_EQ(kv::IsAdvertisementLink("HREF=\"/img", 10), 0);
}

TEST(PageConverter, AbsoluteLinks) {
  auto abs = [](const char* page, const char* target) {
    char out[260];
    kv::MakeAbsoluteLink(page, target, strlen(target), out, sizeof out);
    return std::string(out);
  };
  EXPECT_EQ(abs("hhtm://h/x/y.html", "/a/b.html"), "http://h/a/b.html");
  EXPECT_EQ(abs("hhtm://h/x/y.html", "../c.html"), "http://h/x/../c.html");
  EXPECT_EQ(abs("hhtm://h/x/y.html", "http://o/p"), "http://o/p");
  EXPECT_EQ(abs("hhtm://h/x/y.html", "#top"), "http://h/x/y.html#top");
  // A bare name stands in the page's folder; other schemes and "//" hosts
  // are not paths on the page's server.
  EXPECT_EQ(abs("hhtm://h/x/y.html", "c.html"), "http://h/x/c.html");
  EXPECT_EQ(abs("hhtm://h", "./c.html"), "http://h/./c.html");
  EXPECT_EQ(abs("hhtm://h", "/c.html"), "http://h/c.html");
  EXPECT_EQ(abs("hhtm://h/x/", "https://s/t"), "https://s/t");
  EXPECT_EQ(abs("hhtm://h/x/", "mailto:a@b"), "mailto:a@b");
  EXPECT_EQ(abs("hhtm://h/x/", "//cdn.example/i.js"), "http://cdn.example/i.js");
  // A page that came over https links over https.
  EXPECT_EQ(abs("hhtms://h/x/y.html", "/a/b.html"), "https://h/a/b.html");
  EXPECT_EQ(abs("hhtms://h/x/y.html", "c.html"), "https://h/x/c.html");
  EXPECT_EQ(abs("hhtms://h/x/", "//cdn.example/i.js"), "https://cdn.example/i.js");
  std::string longPage = "hhtm://h/" + std::string(300, 'p');
  std::string r = abs(longPage.c_str(), std::string(300, 't').c_str());
  EXPECT_EQ(r.size(), 259u);
}

TEST(PageConverter, BoundsOfBlocksAndTheIndex) {
  // A block near its limit takes no link that would overrun it.
  std::string html = "<html><body>" + std::string(7930, 'x') + "<a href=\"" + std::string(241, 'p') + "\">";
  html += std::string(300, 'y') + "</body>";
  View v;
  Page(v, html, ("hhtm://h/" + std::string(240, 'q') + "/").c_str());
  ASSERT_EQ(v->postCount, 2);
  std::string b = Blocks(v)[0];
  EXPECT_LE(b.size(), 8192u);
  EXPECT_EQ(b.find('('), std::string::npos);
  EXPECT_EQ(b.substr(0, 7930), std::string(7930, 'x'));
  EXPECT_EQ(b.size(), 7930u + 246u);  // text is taken while the block holds 8175 bytes or fewer

  // More blocks than the index holds: the page stops at 5000.
  std::string many = "<html><body>";
  for (int i = 0; i < 6000; ++i) many += std::string(60, 'b') + "</div>";
  View m;
  Page(m, many);
  EXPECT_EQ(m->postCount, 5001);
}

TEST(PageConverter, TitleOnlyWhenUnknown) {
  View v;
  kv::ViewBuildOptions o;
  strcpy(v->title, "既知");
  std::string html = "<html><title>新しい &amp; 題</title><body>x</body>";
  kv::LoadThreadIntoView(*v, o, html.data(), html.size(), &v.result);
  EXPECT_STREQ(v->title, "既知");
  EXPECT_FALSE(v.result.titleChanged);
  View w;
  w->title[0] = '?';
  kv::LoadThreadIntoView(*w, o, html.data(), html.size(), &w.result);
  EXPECT_STREQ(w->title, "新しい & 題");
  EXPECT_TRUE(w.result.titleChanged);
}

}  // namespace
