// The log update's portable half: reading-script addresses, the page
// conversion, EUC-JP, the plan of every kind of job and the post-fetch rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/store.h"
#include "core/text.h"
#include "net/job.h"
#include "net/update.h"
#include "reader/charset.h"

namespace {

using kv::PlanAction;
using kv::ResumeKind;

// One post of a reading-script page in the shape the regional and rental
// services send (Shift_JIS here; the rental one arrives in EUC-JP).
std::string PagePost(int n, const std::string& mail, const std::string& body) {
  std::string who = mail.empty() ? "<font color=\"#008800\"><b>名無しさん</b></font>"
                                 : "<a href=\"mailto:" + mail + "\"><b>名無しさん</b></a>";
  return "<dt><a name=\"" + std::to_string(n) + "\">" + std::to_string(n) + "</a> 名前：" + who +
         " 投稿日：2024/01/02(火) 03:04:05 ID:abc<dd> " + body + " <br><br>\n";
}

std::string Line(int n, const std::string& mail, const std::string& body) {
  return "名無しさん<>" + mail + "[" + std::to_string(n) + "]<>2024/01/02(火) 03:04:05 ID:abc<> " + body + " \r\n";
}

std::string Convert(const std::string& page, int held, size_t spare = 4096) {
  std::vector<char> buf(page.size() + spare, 0);
  memcpy(buf.data(), page.data(), page.size());
  size_t n = kv::htmlToDat(buf.data(), page.size(), buf.size(), held);
  EXPECT_LE(n + kv::kHtmlToDatTrailer, buf.size());
  for (size_t i = 0; i < kv::kHtmlToDatTrailer; ++i) EXPECT_EQ(buf[n + i], 0) << "trailer byte " << i;
  return std::string(buf.data(), n);
}

TEST(HtmlToDat, ResumedPageSkipsPostOneAndFillsGapsWithPlaceholders) {
  // Requested from post 51 with 50 held; posts 54 and 55 were deleted.
  std::string page = "<html><head><title>表示テスト</title></head><body><dl>\n" + PagePost(1, "", "一番") +
                     PagePost(51, "sage", "五十一 表ソ") + PagePost(52, "", "52") + PagePost(53, "", "53 <br> 二行") +
                     PagePost(56, "age", "56") + "</dl><!-- <dt>99 <dd>not a post -->\n</body></html>\n";
  EXPECT_EQ(Convert(page, 50), Line(51, "sage", "五十一 表ソ") + Line(52, "", "52") + Line(53, "", "53 <br> 二行") +
                                   "_<><>_<>_\r\n_<><>_<>_\r\n" + Line(56, "age", "56"));
}

TEST(HtmlToDat, FreshPageAndTheRulesForPostOne) {
  // Nothing held: posts 1, 2, 3 in order.
  std::string page = PagePost(1, "", "a") + PagePost(2, "", "b") + PagePost(3, "", "c");
  EXPECT_EQ(Convert(page, 0), Line(1, "", "a") + Line(2, "", "b") + Line(3, "", "c"));
  // With one post held the page repeats post 1; a gap right after it
  // keeps its placeholders, so post 5 is the fifth line.
  std::string resumed = PagePost(1, "", "a") + PagePost(5, "", "e") + PagePost(6, "", "f");
  const std::string gap = "_<><>_<>_\r\n";
  EXPECT_EQ(Convert(resumed, 1), gap + gap + gap + Line(5, "", "e") + Line(6, "", "f"));
  // A fresh page whose posts 2 and 3 are gone.
  EXPECT_EQ(Convert(PagePost(1, "", "a") + PagePost(4, "", "d"), 0), Line(1, "", "a") + gap + gap + Line(4, "", "d"));
  // A gap right after the posts held: post 1 shown above the range does not
  // reset the numbering, so 53 lands on line 53 and is not stored again by
  // the next update (which asks from 54).
  EXPECT_EQ(Convert(PagePost(1, "", "a") + PagePost(53, "", "x") + PagePost(54, "", "y"), 50),
            gap + gap + Line(53, "", "x") + Line(54, "", "y"));
  EXPECT_EQ(Convert(PagePost(1, "", "a") + PagePost(54, "", "y"), 54), "");
  // A post already held again is dropped.
  EXPECT_EQ(Convert(PagePost(3, "", "c") + PagePost(4, "", "d"), 3), Line(4, "", "d"));
}

TEST(HtmlToDat, TagCaseBodyEndAndMarkupOutsidePosts) {
  std::string page =
      "<DL><DT>7 名前：<B>ななし</B> 投稿日：<i>今日</i><DD>本文<BR><BR>\n"
      "<dt> 8 名前：<b>x</b> 投稿日：y<dd><br><br>\n"  // a body of exactly 8 bytes keeps them
      "<dt>9 名前：<b>z</b> 投稿日：w<dd>end<dt>10 名前：<b>q</b> 投稿日：r<dd>last";
  EXPECT_EQ(Convert(page, 6),
            "ななし<>[7]<>今日<>本文\r\nx<>[8]<>y<><br><br>\r\nz<>[9]<>w<>end\r\nq<>[10]<>r<>last\r\n");
}

TEST(HtmlToDat, OutputNeverPassesItsCapacity) {
  // A forged number asks for an endless run of placeholders.
  std::string page = PagePost(1, "", "a") + PagePost(2, "", "b") + PagePost(999999999, "", "c");
  std::vector<char> buf(page.size() + 200, 'x');
  memcpy(buf.data(), page.data(), page.size());
  size_t n = kv::htmlToDat(buf.data(), page.size(), buf.size(), 0);
  ASSERT_LE(n + 8, buf.size());
  std::string out(buf.data(), n);
  EXPECT_EQ(out.rfind(Line(1, "", "a") + Line(2, "", "b"), 0), 0u);
  EXPECT_EQ(out.substr(out.size() - 2), "\r\n");  // only whole lines
  EXPECT_EQ(kv::htmlToDat(buf.data(), 4, 7, 0), 0u);  // no room even for the trailer
}

TEST(HtmlToDat, StopsAtTheEndSentinel) {
  std::string page = PagePost(1, "", "a") + std::string(6, '\0') + PagePost(2, "", "b");
  EXPECT_EQ(Convert(page, 0), Line(1, "", "a"));
}

TEST(EucToSjis, StandardMappingHalfWidthKanaAndInPlace) {
  const char euc[] = "\xA5\xC6\xA5\xB9\xA5\xC8\xC9\xBD\xA5\xBD\xA1\xC1\x8E\xB1\x8E\xB2\xB4\xC1\xBB\xFA\x41";
  const char sjis[] = "テスト表ソ～ｱｲ漢字A";
  size_t len = sizeof euc - 1;
  EXPECT_EQ(kv::eucToSjis(euc, nullptr, len), strlen(sjis));
  char buf[64];
  memcpy(buf, euc, len);
  size_t n = kv::eucToSjis(buf, buf, len);
  EXPECT_EQ(std::string(buf, n), sjis);
  // A lone first byte at the end, and a single shift without its byte, are dropped.
  EXPECT_EQ(kv::eucToSjis("A\xA5", buf, 2), 1u);
  EXPECT_EQ(kv::eucToSjis("A\x8E", buf, 2), 1u);
  // Three-byte sequences are not recognised: 0x8F pairs with the next byte.
  EXPECT_EQ(kv::eucToSjis("\x8F\xA1\xA1", buf, 3), 2u);
}

TEST(ReadingScriptUrls, RegionalAndRental) {
  char a[260] = "http://jbbs.example/board/dat/1234567890.dat";
  EXPECT_TRUE(kv::readPlUrl(a, sizeof a, 50));
  EXPECT_STREQ(a, "http://jbbs.example/bbs/read.pl?BBS=board&KEY=1234567890&START=51");
  char b[260] = "http://host:8080/x/dat";
  EXPECT_FALSE(kv::readPlUrl(b, sizeof b, 3));
  EXPECT_STREQ(b, "http://host:8080/x/dat");

  char c[260] = "http://rental.example/game/12345/dat/1111.dat";
  EXPECT_TRUE(kv::readCgiUrl(c, sizeof c, 0));
  EXPECT_STREQ(c, "http://rental.example/bbs/read.cgi/game/12345/1111/1-");
  char d[260] = "http://rental.example/bbs/read.cgi/game/12345/1111/l50";
  EXPECT_TRUE(kv::readCgiUrl(d, sizeof d, 9));
  EXPECT_STREQ(d, "http://rental.example/bbs/read.cgi/game/12345/1111/10-");
  char e[260] = "http://rental.example/game/12345/";
  EXPECT_FALSE(kv::readCgiUrl(e, sizeof e, 1));
  // A long address is cut at the buffer, never written past it.
  char f[260];
  std::string longHost = "http://" + std::string(240, 'h') + "/b/dat/1.dat";
  kv::CopyText(f, longHost.c_str());
  kv::readPlUrl(f, sizeof f, 1);
  EXPECT_LT(strlen(f), sizeof f);
}

TEST(LogScans, LineCountNulBytesAndAddresses) {
  // A lead byte's trail is never taken for a line end or a NUL.
  const char log[] = "a<>\r\n\x81\r\nb\r\n\0\0\0\0\0\0c\r\n";
  EXPECT_EQ(kv::CountCrLf(log, sizeof log - 1), 2);
  char nul[] = "x\0y\x81\0z";
  kv::ReplaceNulBytes(nul, 6);
  EXPECT_EQ(std::string(nul, 6), std::string("x\x01y\x81\0z", 6));

  EXPECT_TRUE(kv::IsLocalAcquiredAddress("http://h/b/acquired.txt"));
  EXPECT_FALSE(kv::IsLocalAcquiredAddress("acquired.txt"));  // 12 characters
  EXPECT_FALSE(kv::IsLocalAcquiredAddress("http://h/b/subject.txt"));
  EXPECT_TRUE(kv::IsLocalFileAddress("\\logs\\a.dat"));
  EXPECT_TRUE(kv::IsLocalFileAddress("C:\\a.dat"));
  EXPECT_FALSE(kv::IsLocalFileAddress("http://h/"));
}

kv::UpdatePlan Plan(const char* url, int32_t readType, kv::BoardType board, bool exists = false, uint32_t size = 0,
                    int32_t posts = 0, bool offline = false, bool noMerge = false) {
  kv::UpdateFacts f{url, readType, board, offline, noMerge, exists, size, posts};
  kv::UpdatePlan p;
  kv::PlanUpdate(f, &p);
  return p;
}

TEST(UpdatePlan, EveryKindOfJob) {
  const char* log = "http://h/b/dat/1.dat";
  EXPECT_EQ(Plan("", 2, kv::Board2ch).action, PlanAction::FailEmpty);
  EXPECT_EQ(Plan("http://h/b/acquired.txt", 1, kv::Board2ch).action, PlanAction::FailAcquired);
  EXPECT_EQ(Plan(log, 2, kv::Board2ch, true, 500, 0, true).action, PlanAction::OfflineLoad);
  EXPECT_EQ(Plan(log, 2, kv::Board2ch, false, 0, 0, true).action, PlanAction::OfflineMissing);

  // 80 bytes are fetched whole; 81 resume from byte 80.
  kv::UpdatePlan p = Plan(log, 2, kv::Board2ch, true, 80);
  EXPECT_EQ(p.action, PlanAction::Fetch);
  EXPECT_EQ(p.resume, ResumeKind::None);
  EXPECT_EQ(p.keepLength, 0u);
  p = Plan(log, 2, kv::Board2ch, true, 81);
  EXPECT_EQ(p.resume, ResumeKind::ThreadLog);
  EXPECT_EQ(p.resumeOffset, 81u);
  EXPECT_EQ(p.keepLength, 81u);
  EXPECT_STREQ(p.requestUrl, log);
  // Pages are never resumed.
  EXPECT_EQ(Plan("http://h/index.html", 0, kv::BoardPlain, true, 5000).resume, ResumeKind::None);

  // Regional: the script, no range, the local log kept in front.
  p = Plan("http://r/board/dat/77.dat", 2, kv::BoardRegional, true, 4000, 50);
  EXPECT_STREQ(p.requestUrl, "http://r/bbs/read.pl?BBS=board&KEY=77&START=51");
  EXPECT_TRUE(p.converted);
  EXPECT_EQ(p.resume, ResumeKind::None);
  EXPECT_EQ(p.keepLength, 4000u);
  EXPECT_EQ(p.postsHeld, 50);
  EXPECT_EQ(Plan("http://r/board/dat/77.dat", 2, kv::BoardRegional, true, 4000, 50, false, true).keepLength, 0u);

  // Rental: logs through read.cgi, lists as given and converted whole.
  p = Plan("http://j/cat/9/dat/5.dat", 2, kv::BoardRental, true, 300, 3);
  EXPECT_STREQ(p.requestUrl, "http://j/bbs/read.cgi/cat/9/5/4-");
  EXPECT_TRUE(p.converted);
  EXPECT_FALSE(p.eucList);
  p = Plan("http://j/cat/9/subject.txt", 1, kv::BoardRentalCategory);
  EXPECT_STREQ(p.requestUrl, "http://j/cat/9/subject.txt");
  EXPECT_EQ(p.boardType, kv::BoardPlain);
  EXPECT_TRUE(p.eucList);
  EXPECT_FALSE(p.converted);
  // The title lookup fetches the same index: converted too, so the stored
  // index is never raw EUC-JP.
  p = Plan("http://j/cat/9/subject.txt", 3, kv::BoardRental);
  EXPECT_STREQ(p.requestUrl, "http://j/cat/9/subject.txt");
  EXPECT_TRUE(p.eucList);
  EXPECT_FALSE(p.converted);
  p = Plan("http://j/cat/9/", 1, kv::BoardRental);
  EXPECT_STREQ(p.requestUrl, "http://j/cat/9/");
  EXPECT_TRUE(p.eucList);
  EXPECT_FALSE(p.converted);
  EXPECT_TRUE(kv::NeedsPostCount("http://j/cat/9/dat/5.dat", kv::BoardRental));
  EXPECT_FALSE(kv::NeedsPostCount("http://j/cat/9/subject.txt", kv::BoardRental));
  EXPECT_FALSE(kv::NeedsPostCount(log, kv::Board2ch));
}

TEST(ConvertFetched, RentalLogAfterTheKeptPostsAndNulBytes) {
  std::string kept = Line(1, "", "a");
  // The script answer in EUC-JP: post 1 again, then post 2 with a NUL in it.
  const char euc[] =
      "<dt>1 \xCC\xBE\xC1\xB0\xA1\xA7<b>x</b> \xC5\xEA\xB9\xC6\xC6\xFC\xA1\xA7" "d<dd>a\n"
      "<dt>2 \xCC\xBE\xC1\xB0\xA1\xA7<b>\xA5\xC6</b> \xC5\xEA\xB9\xC6\xC6\xFC\xA1\xA7" "d<dd>b\0c<br><br>\n";
  std::string all = kept + std::string(euc, sizeof euc - 1);
  std::vector<char> buf(all.size() + 2048, 0);
  memcpy(buf.data(), all.data(), all.size());
  kv::UpdatePlan p = Plan("http://j/cat/9/dat/5.dat", 2, kv::BoardRental, true, kept.size(), 1);
  size_t n = kv::ConvertFetched(buf.data(), all.size(), buf.size(), kept.size(), 2, p);
  EXPECT_EQ(std::string(buf.data(), n), kept + std::string("テ<>[2]<>d<>b\x01" "c\r\n"));
  EXPECT_EQ(buf[n], 0);

  // A rental list is converted as a whole; a 2ch log only loses its NULs.
  const char list[] = "5.cgi,\xA5\xC6\xA5\xB9\xA5\xC8(3)\n";
  std::vector<char> lbuf(list, list + sizeof list);
  kv::UpdatePlan lp = Plan("http://j/cat/9/subject.txt", 1, kv::BoardRental);
  n = kv::ConvertFetched(lbuf.data(), sizeof list - 1, lbuf.size(), 0, 1, lp);
  EXPECT_EQ(std::string(lbuf.data(), n), "5.cgi,テスト(3)\n");
  char dat[] = "a<>b<>c<>\0<>\n";
  kv::UpdatePlan dp = Plan("http://h/b/dat/1.dat", 2, kv::Board2ch);
  n = kv::ConvertFetched(dat, sizeof dat - 1, sizeof dat, 0, 2, dp);
  EXPECT_EQ(std::string(dat, n), "a<>b<>c<>\x01<>\n");
}

TEST(ExpandStoredLog, WhatTheWriterStoredAndBrokenContainers) {
  // A log as the store writes it: a container, compressing to about half.
  std::string log;
  uint32_t seed = 3;
  while (log.size() < 20000) {
    log += "名無しさん<>sage<>2024/01/01<> ";
    for (int k = 0; k < 40; ++k) {
      seed = seed * 1103515245 + 12345;
      log += static_cast<char>('0' + (seed >> 16) % 70);
    }
    log += " <>\n";
  }
  kv::StoreBytes stored;
  kv::PlanStoreBytes(log.data(), log.size(), 6, true, &stored);
  ASSERT_NE(stored.owned, nullptr);
  kv::ExpandedLog e;
  ASSERT_TRUE(kv::ExpandStoredLog(stored.data, stored.length, &e));
  EXPECT_FALSE(e.broken);
  EXPECT_EQ(std::string(e.data, e.length), log);
  EXPECT_EQ(e.capacity, 5 * stored.length + 1040);
  EXPECT_EQ(e.data[e.length], 0);
  delete[] e.data;

  std::string damaged(stored.data, stored.length);
  for (size_t i = 40; i < damaged.size(); i += 7) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
  ASSERT_TRUE(kv::ExpandStoredLog(damaged.data(), damaged.size(), &e));
  EXPECT_TRUE(e.broken);
  EXPECT_NE(e.zlibError, 0);
  EXPECT_EQ(std::string(e.data, e.length), std::string(kv::kDataErrorLog, kv::kDataErrorLength));
  delete[] e.data;
  // Cut inside its header.
  ASSERT_TRUE(kv::ExpandStoredLog(stored.data, 10, &e));
  EXPECT_TRUE(e.broken);
  delete[] e.data;
}

}  // namespace
