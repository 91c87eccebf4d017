#include "boards/patrol.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "boards/round.h"
#include "net/job.h"

namespace {

std::unique_ptr<kv::PatrolList> Parse(const std::string& file) {
  auto list = std::make_unique<kv::PatrolList>();
  kv::ParseRoundList(file.data(), file.size(), list.get());
  return list;
}

std::string Fetched(const kv::PatrolEntry& e) {
  char out[kv::kAddressMax];
  return kv::PatrolFetchAddress(e, out, sizeof out) ? out : "(none)";
}

TEST(PatrolList, LinesAreEntriesAfterTrimming) {
  // CR, blanks and tabs around a line (a file saved with CR LF, or indented
  // by hand) are not part of the address; comment lines stay comments even
  // when indented or holding an address; blank-only lines are no entries.
  auto l = Parse(
      "  # note,http://h/b/dat/9.dat\r\n\t;x,y\r\n   \r\n \tスレ一 , http://h/b/dat/1.dat \t\r\n"
      "名前だけ\r\nname,http://h/a,b\rlast,http://h/b/dat/2.dat");
  ASSERT_EQ(l->count, 4);
  EXPECT_STREQ(l->entries[0].name, "スレ一");
  EXPECT_STREQ(l->entries[0].address, "http://h/b/dat/1.dat");
  EXPECT_FALSE(l->entries[1].hasAddress);
  EXPECT_EQ(Fetched(l->entries[1]), "(none)");
  EXPECT_STREQ(l->entries[2].address, "http://h/a,b") << "split at the first comma only";
  EXPECT_STREQ(l->entries[3].address, "http://h/b/dat/2.dat");
  // The title/URL dialog counts the entries the same way.
  std::string file = "a,http://h/1\r\n   \r\n\t\r\n  ;c\r\n";
  EXPECT_EQ(kv::CountRoundEntries(file.data(), file.size()), 1);
  EXPECT_EQ(Parse("")->count, 0);
}

TEST(PatrolList, FiftiethEntryIsTheLast) {
  std::string file;
  for (int i = 1; i <= 51; ++i) file += "t" + std::to_string(i) + ",http://h/b/dat/" + std::to_string(i) + ".dat\r\n";
  auto l = Parse(file);
  ASSERT_EQ(l->count, 50);
  EXPECT_STREQ(l->entries[49].name, "t50");
  EXPECT_EQ(kv::CountRoundEntries(file.data(), file.size()), 50);
}

TEST(PatrolList, FetchAddress) {
  auto l = Parse(
      "a,http://h.example/test/read.cgi/news/1234567890/l50\r\nb,http://h.example/news/dat/5.dat\r\n"
      "c,\r\nd,http://h.example/" +
      std::string(300, 'x') + "\r\n");
  ASSERT_EQ(l->count, 4);
  // A reading-script address is patrolled as its log, never as a page.
  EXPECT_EQ(Fetched(l->entries[0]), "http://h.example/news/dat/1234567890.dat");
  EXPECT_EQ(kv::PatrolReadType("http://h.example/news/dat/1234567890.dat"), kv::kReadLog);
  EXPECT_EQ(Fetched(l->entries[1]), "http://h.example/news/dat/5.dat");
  EXPECT_EQ(Fetched(l->entries[2]), "(none)");
  // An address longer than an address is never fetched cut short.
  EXPECT_TRUE(l->entries[3].addressTooLong);
  EXPECT_EQ(Fetched(l->entries[3]), "(none)");
  // A long name is cut on a character boundary.
  auto n = Parse(std::string(255, 'a') + "表,http://h/1\r\n");
  EXPECT_EQ(std::string(n->entries[0].name), std::string(255, 'a'));
}

TEST(PatrolList, ResultsAndIcons) {
  // Nothing new on the server is the log up to date: fetched, not failed.
  EXPECT_EQ(kv::PatrolResultOf(false, true, false), kv::kPatrolUpdated);
  EXPECT_EQ(kv::PatrolResultOf(true, false, false), kv::kPatrolUpdated);
  EXPECT_EQ(kv::PatrolResultOf(false, false, false), kv::kPatrolFailed);
  EXPECT_EQ(kv::PatrolResultOf(true, false, true), kv::kPatrolFailed) << "stopped meanwhile";
  EXPECT_EQ(kv::PatrolIconOf(kv::kPatrolUpdated), 3);
  EXPECT_EQ(kv::PatrolIconOf(kv::kPatrolFailed), 5);
  EXPECT_EQ(kv::PatrolIconOf(kv::kPatrolRunning), 1);
  EXPECT_EQ(kv::PatrolIconOf(kv::kPatrolEmpty), 0);
  EXPECT_EQ(kv::PatrolIconOf(kv::kPatrolWaiting), 0);
}

TEST(PatrolList, AutomaticCheck) {
  EXPECT_EQ(kv::CycleChoiceFor(0), 0);
  EXPECT_EQ(kv::CycleChoiceFor(15), 1);
  EXPECT_EQ(kv::CycleChoiceFor(60), 3);
  EXPECT_EQ(kv::CycleChoiceFor(45), -1);
  EXPECT_EQ(kv::CycleChoiceFor(5), -1) << "\"15分毎\" does not start with \"5分毎\"";
  EXPECT_EQ(kv::CycleFromChoiceText("30分毎"), 30);
  EXPECT_EQ(kv::CycleFromChoiceText("なし"), 0);
  EXPECT_EQ(kv::DecidePatrolTimer(0, false), kv::PatrolTimerStep::Stop);
  EXPECT_EQ(kv::DecidePatrolTimer(30, false), kv::PatrolTimerStep::StartAndRearm);
  // A run still going when the interval ends is left to finish: starting
  // the busy job again would cancel it.
  EXPECT_EQ(kv::DecidePatrolTimer(15, true), kv::PatrolTimerStep::Rearm);
}

}  // namespace
