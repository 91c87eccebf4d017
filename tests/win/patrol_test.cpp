// The patrol dialog driven as the user does, against the board server: the
// list from round.txt, runs with their icons and logs, the automatic check,
// stopping.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boards/patrol_resource.h"
#include "boards/patrol_win.h"
#include "core/app.h"
#include "core/text.h"
#include "net/local_copy_win.h"
#include "tests/win/net_test_util.h"

using kvtest::BoardServer;
using kvtest::ReadFileBytes;
using kvtest::WriteFileBytes;

namespace {

const char kA[] = "/news/dat/1400000001.dat";
const char kB[] = "/news/dat/1400000002.dat";
const char kC[] = "/news/dat/1400000003.dat";

class Patrol : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new BoardServer();
    ASSERT_TRUE(server_->running());
    server_->Board("/news/");
  }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override {
    kvtest::LoopbackSettings(logs_.path());
    memcpy(savedFolder_, kv::g_programFolder, sizeof savedFolder_);
    kv::CopyText(kv::g_programFolder, program_.path().c_str());
    server_->Reset();
    server_->Thread(kA, 10);
    server_->Thread(kB, 10);
    server_->Thread(kC, 10);
    // The dialog looks at its run every 2 s; here more often.
    kv::SetPatrolClockForTest(0, 200);
  }
  void TearDown() override {
    if (HWND d = kv::PatrolDialog()) DestroyWindow(d);
    kv::SetPatrolClockForTest(0, 0);
    memcpy(kv::g_programFolder, savedFolder_, sizeof savedFolder_);
  }

  std::string url(const std::string& path) const { return server_->url(path); }
  std::string LocalFile(const std::string& path) const {
    char out[520];
    EXPECT_TRUE(kv::LocalFileOf(url(path).c_str(), out, sizeof out));
    return out;
  }
  // The dialog's timers run on this thread: messages are handled while
  // waiting.
  template <typename F>
  static bool PumpUntil(F condition, int timeoutMs = 30000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      if (condition()) return true;
      Sleep(20);
    }
    return condition();
  }
  static HWND Item(int id) { return GetDlgItem(kv::PatrolDialog(), id); }
  static void Press(int id) { SendMessageA(kv::PatrolDialog(), WM_COMMAND, id, 0); }
  static bool Idle() { return IsWindowEnabled(Item(IDC_PATROL_START)) != FALSE; }
  static int Rows() { return static_cast<int>(SendMessageA(Item(IDC_PATROL_LIST), LVM_GETITEMCOUNT, 0, 0)); }
  static int Icon(int row) {
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(Item(IDC_PATROL_LIST), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  static std::string Cell(int row, int column) {
    char buf[300] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessageA(Item(IDC_PATROL_LIST), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buf;
  }
  static std::string ButtonText(int id) {
    char buf[64] = "";
    GetWindowTextA(Item(id), buf, sizeof buf);
    return buf;
  }
  static void Choose(int index) {
    SendMessageA(Item(IDC_PATROL_CYCLE), CB_SETCURSEL, index, 0);
    SendMessageA(kv::PatrolDialog(), WM_COMMAND, MAKEWPARAM(IDC_PATROL_CYCLE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(IDC_PATROL_CYCLE)));
  }
  // Starts a run and waits for its end, as the polling shows it.
  bool RunOnce() {
    Press(IDC_PATROL_START);
    EXPECT_FALSE(Idle());
    return PumpUntil(Idle);
  }
  int RequestsFor(const std::string& path) const {
    int n = 0;
    for (const auto& r : server_->Requests())
      if (r.url.find(path) != std::string::npos) ++n;
    return n;
  }
  void WriteRound(const std::string& text) { ASSERT_TRUE(WriteFileBytes(program_.file("round.txt"), text)); }

  static BoardServer* server_;
  kvtest::TempFolder logs_, program_;
  char savedFolder_[260];
};

BoardServer* Patrol::server_ = nullptr;

TEST_F(Patrol, GrownUnchangedAndChangedThreadsAllEndFetched) {
  // The first entry is a reading-script address, the second has blanks
  // and a CR around it, one line is a comment and one has no address.
  WriteRound("A," + url("/test/read.cgi/news/1400000001/l50") + "\r\n  B," + url(kB) +
             " \r\n# no,http://127.0.0.1:1/x\r\nC," + url(kC) + "\r\nnothing\r\n");
  kv::OpenPatrolDialog();
  ASSERT_NE(kv::PatrolDialog(), nullptr);
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Cell(1, 0), "B");
  EXPECT_EQ(Cell(1, 1), url(kB));
  ASSERT_TRUE(RunOnce());
  for (const char* p : {kA, kB, kC}) EXPECT_EQ(ReadFileBytes(LocalFile(p)), server_->Get(p)) << p;
  EXPECT_EQ(RequestsFor("read.cgi"), 0) << "the reading page is patrolled as its log";

  server_->Append(kA, 5);
  server_->Abone(kC, 3);
  server_->Append(kC, 2);
  server_->ClearLog();
  ASSERT_TRUE(RunOnce());
  // Grown: appended by a range request. Unchanged: nothing new is up to
  // date, not a failure. Changed: fetched whole once, and stored.
  EXPECT_EQ(Icon(0), 3);
  EXPECT_EQ(Icon(1), 3);
  EXPECT_EQ(Icon(2), 3);
  EXPECT_EQ(Icon(3), 0);
  EXPECT_EQ(kv::PatrolEntries().entries[1].result, kv::kPatrolUpdated);
  for (const char* p : {kA, kB, kC}) EXPECT_EQ(ReadFileBytes(LocalFile(p)), server_->Get(p)) << p;
  for (const auto& r : server_->Requests()) {
    if (r.url.find(kC) != std::string::npos) continue;
    EXPECT_NE(r.range, "") << r.url;
  }

  // The list editor saved a new list: the idle dialog shows it at once.
  WriteRound("only," + url(kA) + "\r\n");
  kv::ReloadPatrolList();
  EXPECT_EQ(Rows(), 1);

  // Keys reach the dialog though the program's loop knows nothing of it:
  // Esc closes it.
  PostMessageA(Item(IDC_PATROL_LIST), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(PumpUntil([] { return kv::PatrolDialog() == nullptr; }, 10000));
}

TEST_F(Patrol, AutomaticCheckRunsOnItsIntervalAndNeverOverARun) {
  kv::g_settings.CycleTim = 15;
  WriteRound("A," + url(kA) + "\r\nB," + url(kB) + "\r\n");
  kv::OpenPatrolDialog();
  ASSERT_NE(kv::PatrolDialog(), nullptr);
  EXPECT_EQ(SendMessageA(Item(IDC_PATROL_CYCLE), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(ButtonText(IDC_PATROL_CLOSE), "待機");
  Choose(2);
  EXPECT_EQ(kv::g_settings.CycleTim, 30);

  // The interval ends while a slow run is going: the run is left alone
  // (starting the busy job again would cancel it).
  server_->Rule(kA, "trickle=128:100");
  Press(IDC_PATROL_START);
  ASSERT_FALSE(Idle());
  SendMessageA(kv::PatrolDialog(), WM_TIMER, kv::kPatrolCycleTimer, 0);
  ASSERT_TRUE(PumpUntil(Idle));
  EXPECT_EQ(Icon(0), 3);
  EXPECT_EQ(Icon(1), 3);
  EXPECT_EQ(RequestsFor(kA), 1);

  // "待機" hides the dialog; a run starts after the interval (30 minutes of
  // 40 ms here) and again after the next.
  kv::SetPatrolClockForTest(40, 200);
  server_->ClearLog();
  Press(IDC_PATROL_CLOSE);
  EXPECT_FALSE(IsWindowVisible(kv::PatrolDialog()));
  ASSERT_TRUE(PumpUntil([&] { return RequestsFor(kA) >= 2; }));

  // Stopping: no more automatic runs, then a run stopped on its first entry
  // marks it and the rest failed.
  kv::OpenPatrolDialog();
  EXPECT_TRUE(IsWindowVisible(kv::PatrolDialog()));
  Choose(0);
  EXPECT_EQ(ButtonText(IDC_PATROL_CLOSE), "閉じる");
  ASSERT_TRUE(PumpUntil(Idle));
  server_->Append(kA, 40);
  server_->Rule(kA, "trickle=16:200");
  Press(IDC_PATROL_START);
  Press(IDC_PATROL_STOP);
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Icon(0), 5);
  EXPECT_EQ(Icon(1), 5);
  // "閉じる" with no interval ends the dialog.
  Press(IDC_PATROL_CLOSE);
  EXPECT_EQ(kv::PatrolDialog(), nullptr);
}

}  // namespace
