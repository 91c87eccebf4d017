// Which entries are formatted, which are written literally, and the cut.
#include "core/eventlog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Captured {
  kv::EventKind kind;
  char level;
  std::string text;
};
std::vector<Captured> g_seen;

void Capture(const kv::EventEntry& e) { g_seen.push_back({e.kind, e.level, std::string(e.text, e.length)}); }

class EventLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen.clear();
    previous_ = kv::SetEventSink(Capture);
  }
  void TearDown() override { kv::SetEventSink(previous_); }
  kv::EventSink previous_;
};

TEST_F(EventLogTest, ClassifiesEntries) {
  kv::WriteEventLogEmpty();
  kv::WriteEventLog('i', "Content-Length: %d", 42);
  std::string long_format(241, 'f');
  kv::WriteEventLog('i', "%s", "x");
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[0].kind, kv::EventKind::Empty);
  EXPECT_EQ(g_seen[1].kind, kv::EventKind::Line);
  EXPECT_EQ(g_seen[1].text, "Content-Length: 42");
}

TEST_F(EventLogTest, RawAndOverlongFormatsAreNotFormatted) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-security"
  kv::WriteEventLog('d', "GET /%s 100%");
  kv::WriteEventLog('D', "%d%%");
  std::string f240(240, 'f'), f241(241, 'f');
  kv::WriteEventLog('i', f240.c_str());
  kv::WriteEventLog('i', (f241 + "%s").c_str());
#pragma GCC diagnostic pop
  ASSERT_EQ(g_seen.size(), 4u);
  EXPECT_EQ(g_seen[0].kind, kv::EventKind::Raw);
  EXPECT_EQ(g_seen[0].text, "GET /%s 100%");
  EXPECT_EQ(g_seen[1].text, "%d%%");
  EXPECT_EQ(g_seen[2].kind, kv::EventKind::Line);
  EXPECT_EQ(g_seen[3].kind, kv::EventKind::Raw);
  EXPECT_EQ(g_seen[3].text, f241 + "%s");
}

TEST_F(EventLogTest, MessageIsCutToItsBufferAtACharacter) {
  std::string text = "a";
  while (text.size() < 400) text += "字";
  kv::WriteEventLog('i', "%s", text.c_str());
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].text.size(), 259u);  // "a" and 129 two-byte characters
  EXPECT_EQ(g_seen[0].text, text.substr(0, 259));
}

TEST(EventLine, TimeStampLevelAndLineEnd) {
  char out[300];
  size_t n = kv::FormatEventLine({2026, 1, 2, 3, 4, 5}, '@', "UA", 2, out, sizeof out);
  EXPECT_EQ(std::string(out, n), "2026-01-02 03:04:05 @ UA\r\n");
  char tiny[26];
  n = kv::FormatEventLine({2026, 1, 2, 3, 4, 5}, 'i', "message", 7, tiny, sizeof tiny);
  EXPECT_LT(n, sizeof tiny);
  EXPECT_EQ(std::string(tiny, n), "2026-01-02 03:04:05 i m\r\n");
}

}  // namespace
