// The posting request's platform-free half: where a post goes, the form
// bodies, the cookies sent back, what an answer page means; the write log's
// entry and address.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/text.h"
#include "post/animate.h"
#include "post/postform.h"
#include "post/writelog.h"

namespace {


kv::PostAnswer Classify(const std::string& page) {
  kv::PostAnswer a;
  kv::ClassifyPostAnswer(page.data(), page.size(), &a);
  return a;
}

std::string ConfirmPage(const std::string& inputs) {
  return "<html><head><title>■ 書き込み確認 ■</title></head><body>書き込み確認。<br>"
         "<form method=POST action=\"../test/bbs.cgi?guid=ON\">" +
         inputs + "<input type=submit value=\"上記全てを承諾して書き込む\" name=\"submit\"></form></body></html>";
}

kv::PostFields Fields(const char* message = "12") {
  return kv::PostFields{"kv", "sage", message, strlen(message), "news", "1000", 1136073540, ""};
}

TEST(PostTarget, LogAddressWithItsPort) {
  kv::PostTarget t;
  ASSERT_TRUE(kv::PostTargetOf("http://127.0.0.1:8123/news/dat/1700000001.dat", 0, &t));
  EXPECT_STREQ(t.host, "127.0.0.1:8123");
  EXPECT_STREQ(t.server, "127.0.0.1");
  EXPECT_EQ(t.port, 8123);
  EXPECT_STREQ(t.board, "news");
  EXPECT_STREQ(t.key, "1700000001");
  char referer[300];
  kv::PostRefererOf(t, referer, sizeof referer);
  EXPECT_STREQ(referer, "http://127.0.0.1:8123/test/read.cgi/news/1700000001/");
  ASSERT_TRUE(kv::PostTargetOf("http://example.test/news/dat/1700000001.dat", 0, &t));
  EXPECT_EQ(t.port, 80);
}

TEST(PostTarget, ReadingScriptAddressPostsTheThreadKey) {
  // Taken apart by hand, this address posted key=l50.
  kv::PostTarget t;
  ASSERT_TRUE(kv::PostTargetOf("http://example.test/test/read.cgi/news/1700000001/l50", 0, &t));
  EXPECT_STREQ(t.board, "news");
  EXPECT_STREQ(t.key, "1700000001");
}

TEST(PostTarget, RefusesWhatIsNoThreadOfAPlainBoard) {
  kv::PostTarget t;
  EXPECT_FALSE(kv::PostTargetOf("http://example.test/", 0, &t));
  EXPECT_FALSE(kv::PostTargetOf("hhtm://example.test/news/dat/1.dat", 0, &t));
  EXPECT_FALSE(kv::PostTargetOf("http://example.test/ne%26ws/dat/1700000001.dat", 0, &t));
  EXPECT_FALSE(kv::PostTargetOf("http://example.test:99999/news/dat/1700000001.dat", 0, &t));
  EXPECT_FALSE(kv::PostTargetOf("http://example.test:x/news/dat/1700000001.dat", 0, &t));
}

TEST(PostTime, RealCalendar) {
  EXPECT_EQ(kv::UnixTimeOf({2006, 1, 1, 0, 0, 0}), 1136073600);
  EXPECT_EQ(kv::UnixTimeOf({2026, 12, 8, 13, 0, 5}), 1796734805);
  EXPECT_EQ(kv::UnixTimeOf({2100, 3, 1, 0, 0, 0}), 4107542400);  // 2100 is no leap year
}

TEST(PostAgent, ExtraHeaderRidesOnTheAgent) {
  char agent[200];
  kv::PostAgentOf("", agent, sizeof agent);
  EXPECT_STREQ(agent, "Monazilla/1.00 (Kurovel/0.48)");
  kv::PostAgentOf("Cookie: hana=tobiku", agent, sizeof agent);
  EXPECT_STREQ(agent, "Monazilla/1.00 (Kurovel/0.48)\r\nCookie: hana=tobiku");
}

TEST(PostBody, FirstRequestLayout) {
  char body[512];
  kv::PostFields f = Fields("12");
  f.postData = "&hana=mogera";
  ASSERT_GT(kv::BuildFirstBody(f, body, sizeof body), 0u);
  EXPECT_STREQ(body,
               "submit=%8f%91%82%ab%8d%9e%82%de&FROM=kv&mail=sage&MESSAGE=%31%32&bbs=news&key=1000&time=1136073540"
               "&hana=mogera");
}

TEST(PostBody, TooLongMessageIsRefusedNotCut) {
  std::string fits(kv::kPostEncodeOutputMax / 3, '1');  // every digit takes three bytes
  EXPECT_TRUE(kv::MessageFitsForm(fits.data(), fits.size()));
  std::string over = fits + "1";
  EXPECT_FALSE(kv::MessageFitsForm(over.data(), over.size()));
  std::string letters(kv::kPostEncodeOutputMax, 'a');
  EXPECT_TRUE(kv::MessageFitsForm(letters.data(), letters.size()));
  std::string body(kv::PostBodyCapacity(over.size()), 0);
  kv::PostFields f = Fields();
  f.message = over.data(), f.messageLength = over.size();
  EXPECT_EQ(kv::BuildFirstBody(f, body.data(), body.size()), 0u);
  EXPECT_EQ(body[0], 0);
}

TEST(PostAnswer, SuccessAndErrorPages) {
  kv::PostAnswer ok = Classify(
      "<html><head><title>書きこみました。</title></head><body>書きこみが終わりました。<br><br>\n</body></html>");
  EXPECT_EQ(ok.outcome, kv::PostOutcome::Accepted);
  kv::PostAnswer err = Classify(
      "<html><head><title>ＥＲＲＯＲ！</title></head>\n<body><!-- 2ch_X:error -->\n<b>ＥＲＲＯＲ：本文がありません！"
      "</b><br>\t<p>ホスト</p></body></html>");
  EXPECT_EQ(err.outcome, kv::PostOutcome::Rejected);
  EXPECT_STREQ(err.title, "ＥＲＲＯＲ！");
  EXPECT_STREQ(err.text, "ＥＲＲＯＲ：本文がありません！\r\nホスト\r\n");
}

TEST(PostAnswer, TitleFoundAfterALongHead) {
  std::string head(700, ' ');
  kv::PostAnswer a = Classify("<html><head><script>" + head + "</script><TITLE>書きこみました。</TITLE></head></html>");
  EXPECT_EQ(a.outcome, kv::PostOutcome::Accepted);
}

TEST(PostAnswer, CutsEndOnACharacter) {
  // 59 ASCII bytes and then a two-byte character: the title keeps 59 bytes.
  std::string title(59, 'x');
  std::string text(119, 'y');
  kv::PostAnswer a = Classify("<html><head><title>" + title + "確認</title></head><body>" + text + "本文</body>");
  EXPECT_STREQ(a.title, title.c_str());
  EXPECT_STREQ(a.text, text.c_str());
  EXPECT_EQ(a.outcome, kv::PostOutcome::Rejected);  // the cut title no longer holds the word
}

TEST(PostAnswer, ConfirmationFieldsInEveryForm) {
  const char* forms[] = {
      "<input type=\"hidden\" name=\"time\" value=\"1796719908\">",
      "<input type=hidden name=time value=1796719908>",
      "<input value=\"1796719908\" name=\"time\" type=\"hidden\">",
      "<INPUT TYPE='hidden' NAME='time' VALUE='1796719908' />",
  };
  for (const char* form : forms) {
    kv::PostAnswer a = Classify(ConfirmPage("<input type=hidden name=subject value=\"\">" + std::string(form)));
    EXPECT_EQ(a.outcome, kv::PostOutcome::Confirm) << form;
    EXPECT_TRUE(a.hasTime) << form;
    EXPECT_STREQ(a.time, "1796719908") << form;
    EXPECT_EQ(a.extraCount, 0) << form;
  }
  // A time that is not all digits is no time.
  kv::PostAnswer bad = Classify(ConfirmPage("<input type=hidden name=time value=\"17967x\">"));
  EXPECT_FALSE(bad.hasTime);
  kv::PostAnswer none = Classify(ConfirmPage("<input type=hidden name=key value=1000>"));
  EXPECT_FALSE(none.hasTime);
  char body[256];
  EXPECT_EQ(kv::BuildConfirmBody(Fields(), none, body, sizeof body), 0u);
}

TEST(PostAnswer, ConfirmBodyCarriesTheOtherHiddenInputsDecoded) {
  kv::PostAnswer a = Classify(ConfirmPage(
      "<input type=\"hidden\" name=\"FROM\" value=\"&lt;b&gt;\">"
      "<input type=\"hidden\" name=\"time\" value=\"1796719908\">"
      "<input type=\"hidden\" name=\"kvtoken\" value=\"kv&lt;&#34;x&#34;&amp;1&gt;\">"
      "<input type=\"hidden\" name=\"yuki\" value=\"a>b\">"));
  ASSERT_EQ(a.outcome, kv::PostOutcome::Confirm);
  ASSERT_EQ(a.extraCount, 2);
  EXPECT_STREQ(a.extras[0].value, "kv<\"x\"&1>");
  EXPECT_STREQ(a.extras[1].value, "a>b");  // a quoted ">" does not end the tag
  char body[512];
  ASSERT_GT(kv::BuildConfirmBody(Fields("12"), a, body, sizeof body), 0u);
  EXPECT_STREQ(body,
               "subject=&FROM=kv&mail=sage&MESSAGE=%31%32&bbs=news&time=1796719908&key=1000"
               "&submit=%91%53%90%d3%94%43%82%f0%95%89%82%a4%82%b1%82%c6%82%f0%8f%b3%91%f8%82%b5%82%c4%8f%91%82%ab"
               "%8d%9e%82%de&kvtoken=kv%3c%22x%22%26%31%3e&yuki=a%3eb");
}

TEST(PostCookies, ConfirmationSendsBothCookiesTheServerSet) {
  const char raw[] =
      "HTTP/1.0 200 OK\r\nSet-Cookie: NAME=kv; expires=Thu, 31-Dec-2037 00:00:00 GMT; path=/\r\n"
      "set-cookie: MAIL=sage; path=/\r\nSet-Cookie: PON=kv127; path=/\r\nContent-Type: text/html\r\n\r\n";
  kv::CookieJar jar;
  kv::TakeSetCookies(raw, strlen(raw), &jar);
  char header[300];
  ASSERT_GT(kv::ConfirmCookieHeader(jar, header, sizeof header), 0u);
  EXPECT_STREQ(header, "Cookie: NAME=kv; MAIL=sage; PON=kv127\r\n");
  // A server that set none still gets both names.
  kv::TakeSetCookies("HTTP/1.0 200 OK\r\n\r\n", 19, &jar);
  kv::ConfirmCookieHeader(jar, header, sizeof header);
  EXPECT_STREQ(header, "Cookie: NAME=; MAIL=\r\n");
}

TEST(WriteLog, EntryHeadAndAddress) {
  char head[600];
  kv::FormatWriteLogHead({2026, 12, 8, 9, 5, 7}, "http://a.2ch.net/test/read.cgi/news/1/", "名前", "sage", head,
                         sizeof head);
  EXPECT_STREQ(head, "[2026-12-08 09:05:07]\r\nURL : http://a.2ch.net/test/read.cgi/news/1/\r\nName: 名前\r\n"
                     "Mail: sage\r\n");
  char address[260];
  kv::WriteLogAddressOf("http://news.5ch.net/news/dat/1700000001.dat", address);
  EXPECT_STREQ(address, "http://news.5ch.net/test/read.cgi/news/1700000001/l50");
  kv::WriteLogAddressOf("http://127.0.0.1:8123/news/dat/1700000001.dat", address);
  EXPECT_STREQ(address, "http://127.0.0.1:8123/news/dat/1700000001.dat");  // a plain board stays
  EXPECT_FALSE(kv::WriteLogRotates(50000));
  EXPECT_TRUE(kv::WriteLogRotates(50001));
}

TEST(PostAnimation, SameUptimeSameSceneAndCaptionsStayInBounds) {
  kv::AnimationState a{}, b{};
  kv::AnimateStart(a, -1, 26 * 1000 + 7, 1);
  kv::AnimateStart(b, -1, 26 * 5000 + 7, 2);
  EXPECT_EQ(a.number, 7);
  EXPECT_EQ(b.number, 7);
  kv::AnimateStart(a, 3, 0, 1);
  EXPECT_EQ(a.number, 3);
  // Every scene, long enough for every cycle and for growing captions to
  // start afresh: captions never pass 96 bytes, nothing is cut in half.
  for (int32_t scene = 0; scene < kv::kAnimationCount; ++scene) {
    kv::AnimateStart(a, scene, 0, static_cast<uint32_t>(scene));
    for (int step = 0; step < 300; ++step) {
      kv::AnimateStep(a);
      size_t n = strlen(a.caption);
      ASSERT_LE(n, kv::kCaptionMax) << scene;
      ASSERT_EQ(kv::SjisCutLength(a.caption, n, n), n) << scene;
      ASSERT_LT(strlen(a.picture), sizeof a.picture) << scene;
    }
    EXPECT_EQ(a.steps[scene], 300) << scene;
  }
  // The growth rule: the first scene's caption restarts once it reaches 90.
  kv::AnimateStart(a, 1, 0, 0);
  size_t previous = 0;
  bool restarted = false;
  for (int step = 0; step < 60; ++step) {
    kv::AnimateStep(a);
    size_t n = strlen(a.caption);
    if (n < previous) {
      EXPECT_GE(previous, kv::kCaptionRestartAt);
      restarted = true;
    }
    previous = n;
  }
  EXPECT_TRUE(restarted);
}

TEST(PostAnimation, PreviewSentenceFitsItsBuffer) {
  char text[257] = "";
  uint32_t random = 5;
  for (int tick = 0; tick < 500; ++tick) {
    kv::PreviewSentenceStep(tick % 5, &random, text, sizeof text);
    size_t n = strlen(text);
    ASSERT_LT(n, sizeof text);
    ASSERT_EQ(kv::SjisCutLength(text, n, n), n);
    if (tick % 5 == 3) {
      EXPECT_EQ(text[n - 2], "。"[0]);
    }
  }
}

}  // namespace
