// File downloads: the saved name, the partial file's record, when a partial
// is resumed, what an answer does to it, and the Player's arguments.
#include "net/download.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/address.h"
#include "net/fetch.h"

namespace kv {
namespace {

std::string NameOf(const char* address) {
  char out[260];
  return DownloadFileName(address, out, sizeof out) ? out : "<none>";
}

TEST(DownloadName, LastSegmentWithoutQueryOrFragment) {
  EXPECT_EQ(NameOf("http://127.0.0.1:8080/pod/ep.mp3?t=1"), "ep.mp3");
  EXPECT_EQ(NameOf("http://h/pod/ep.mp3#top"), "ep.mp3");
  EXPECT_EQ(NameOf("http://h/files/"), "index.htm");
  EXPECT_EQ(NameOf("http://h/files/readme"), "index.htm");
  EXPECT_EQ(NameOf("http://h"), "index.htm");
}

TEST(DownloadName, NoColonNoReservedDeviceNameNoTrailingDot) {
  EXPECT_EQ(NameOf("http://h/a/c:d.zip"), "c_d.zip");
  EXPECT_EQ(NameOf("http://h/a/x*y?.zip"), "index.htm");  // the query starts at "?": no "." left
  EXPECT_EQ(NameOf("http://h/a/x*y.zip"), "x_y.zip");
  EXPECT_EQ(NameOf("http://h/a/<x>|\"y\".mp3"), "_x___y_.mp3");
  EXPECT_EQ(NameOf("http://h/CON.mp3"), "_CON.mp3");
  EXPECT_EQ(NameOf("http://h/nul.txt"), "_nul.txt");
  EXPECT_EQ(NameOf("http://h/Aux.tar.gz"), "_Aux.tar.gz");
  EXPECT_EQ(NameOf("http://h/com1.zip"), "_com1.zip");
  EXPECT_EQ(NameOf("http://h/LPT9.wav"), "_LPT9.wav");
  EXPECT_EQ(NameOf("http://h/COM10.zip"), "COM10.zip");
  EXPECT_EQ(NameOf("http://h/CONSOLE.zip"), "CONSOLE.zip");
  EXPECT_EQ(NameOf("http://h/song.mp3."), "song.mp3_");
  EXPECT_EQ(NameOf("http://h/song.mp3 "), "song.mp3_");
}

TEST(DownloadName, ShiftJisTrailBytesAreKept) {
  // "表" is 95 5C and "ソ" is 83 5C; "ポ" is 83 7C: none of the trail bytes
  // may become "_".
  EXPECT_EQ(NameOf("http://h/d/表ソポ.mp3"), "表ソポ.mp3");
  EXPECT_EQ(NameOf("http://h/d/表:1.zip"), "表_1.zip");
}

TEST(DownloadName, TooLongIsNoName) {
  std::string address = "http://h/" + std::string(300, 'a') + ".zip";
  char out[260] = "x";
  EXPECT_FALSE(DownloadFileName(address.c_str(), out, sizeof out));
  EXPECT_EQ(out[0], 0);
  char small[8];
  EXPECT_FALSE(DownloadFileName("http://h/abcdefgh.zip", small, sizeof small));
}

TEST(DownloadPaths, FolderPartAndRecord) {
  DownloadPaths p;
  ASSERT_TRUE(MakeDownloadPaths("C:\\dl", "http://h/pod/ep.mp3?t=1", &p));
  EXPECT_STREQ(p.folder, "C:\\dl\\");
  EXPECT_STREQ(p.target, "C:\\dl\\ep.mp3");
  EXPECT_STREQ(p.part, "C:\\dl\\ep.mp3.part");
  EXPECT_STREQ(p.record, "C:\\dl\\ep.mp3.part.inf");
  ASSERT_TRUE(MakeDownloadPaths("\\", "http://h/a.zip", &p));
  EXPECT_STREQ(p.target, "\\a.zip");
  EXPECT_FALSE(MakeDownloadPaths("", "http://h/a.zip", &p));
  std::string folder = "C:\\" + std::string(250, 'f');
  EXPECT_FALSE(MakeDownloadPaths(folder.c_str(), "http://h/a.zip", &p));  // the record would not fit
}

TEST(PartRecord, RoundTripAndBrokenRecords) {
  char text[600];
  size_t n = FormatPartRecord("http://h/pod/ep.mp3", 123456, text, sizeof text);
  ASSERT_GT(n, 0u);
  PartRecord r;
  ASSERT_TRUE(ParsePartRecord(text, n, &r));
  EXPECT_STREQ(r.address, "http://h/pod/ep.mp3");
  EXPECT_EQ(r.fullSize, 123456);
  EXPECT_FALSE(ParsePartRecord(text, n - 1, &r));  // no line end after the size
  EXPECT_FALSE(ParsePartRecord("just some file\r\n", 16, &r));
  const char other[] = "KVPART1\r\nhttp://h/a\r\n12x\r\n";
  EXPECT_FALSE(ParsePartRecord(other, sizeof other - 1, &r));
  char tiny[16];
  EXPECT_EQ(FormatPartRecord("http://h/pod/ep.mp3", 1, tiny, sizeof tiny), 0u);
}

ResumeFacts Partial(int64_t size, int32_t date, bool ours) {
  ResumeFacts f{};
  f.partExists = true;
  f.partSize = size;
  f.partDateCode = date;
  f.todayDateCode = DateCode(2026, 12, 8);
  f.recordMatches = ours;
  return f;
}

TEST(Resume, OnlyTodaysPartialOfTheSameAddressLongerThan80Bytes) {
  ResumeDecision d = DecideResume(Partial(5000, DateCode(2026, 12, 8), true));
  EXPECT_TRUE(d.resume);
  EXPECT_EQ(d.offset, 5000u);
  // Yesterday's partial is fetched whole, even one byte short of complete.
  EXPECT_FALSE(DecideResume(Partial(5000, DateCode(2026, 12, 7), true)).resume);
  // The same day of another month is not today.
  EXPECT_FALSE(DecideResume(Partial(5000, DateCode(2026, 11, 8), true)).resume);
  // A file this program did not leave for this address is never appended to.
  EXPECT_FALSE(DecideResume(Partial(5000, DateCode(2026, 12, 8), false)).resume);
  EXPECT_FALSE(DecideResume(Partial(80, DateCode(2026, 12, 8), true)).resume);
  EXPECT_TRUE(DecideResume(Partial(81, DateCode(2026, 12, 8), true)).resume);
  ResumeFacts none{};
  none.todayDateCode = DateCode(2026, 12, 8);
  EXPECT_FALSE(DecideResume(none).resume);
}

TEST(FileAnswer, A206IsAppendedOnlyFromTheResumeOffset) {
  FileAnswerResult r = DecideFileAnswer({206, 5000, 3000, "bytes 5000-7999/8000"});
  EXPECT_EQ(r.answer, FileAnswer::Append);
  EXPECT_EQ(r.fullSize, 8000);
  EXPECT_EQ(DecideFileAnswer({206, 5000, 8000, "bytes 0-7999/8000"}).answer, FileAnswer::RangeMismatch);
  EXPECT_EQ(DecideFileAnswer({206, 5000, 2999, "bytes 5001-7999/8000"}).answer, FileAnswer::RangeMismatch);
  EXPECT_EQ(DecideFileAnswer({206, 5000, 3000, nullptr}).answer, FileAnswer::RangeMismatch);
  EXPECT_EQ(DecideFileAnswer({206, 0, 3000, "bytes 0-2999/3000"}).answer, FileAnswer::RangeMismatch);
  EXPECT_EQ(DecideFileAnswer({206, 5000, 3000, "bytes 5000-7999/*"}).fullSize, 8000);
}

TEST(FileAnswer, TheWholeFileRestartsThePartial) {
  FileAnswerResult r = DecideFileAnswer({200, 5000, 8000, nullptr});
  EXPECT_EQ(r.answer, FileAnswer::Restart);
  EXPECT_EQ(r.fullSize, 8000);
  EXPECT_EQ(DecideFileAnswer({200, 0, -1, nullptr}).fullSize, 0);  // read until the server closes
  EXPECT_EQ(DecideFileAnswer({404, 0, 100, nullptr}).answer, FileAnswer::Refused);
}

TEST(FileAnswer, PastTwoGigabytesIsRefused) {
  EXPECT_EQ(DecideFileAnswer({200, 0, 3000000000LL, nullptr}).answer, FileAnswer::TooLarge);
  EXPECT_EQ(DecideFileAnswer({200, 0, 0x7FFFFFFF, nullptr}).answer, FileAnswer::Restart);
  EXPECT_EQ(DecideFileAnswer({206, 5000, 2999995000LL, "bytes 5000-2999999999/3000000000"}).answer,
            FileAnswer::TooLarge);
}

TEST(FileAnswer, ContentRangeForms) {
  int64_t start = 0, total = 0;
  EXPECT_TRUE(ParseContentRange("bytes 10-19/20", &start, &total));
  EXPECT_EQ(start, 10);
  EXPECT_EQ(total, 20);
  EXPECT_FALSE(ParseContentRange("bytes */20", &start, &total));
  EXPECT_FALSE(ParseContentRange("bytes 10-9/20", &start, &total));
  EXPECT_FALSE(ParseContentRange("bytes 10-19/19", &start, &total));
  EXPECT_FALSE(ParseContentRange("items 1-2/3", &start, &total));
}

TEST(FileAnswer, CompleteFileAnswered416KeepsTheFile) {
  // The range at the end of a complete partial: the engine ends the job as a
  // changed log, before any byte is written.
  AnswerFacts f{416, true, ResumeKind::File, 0, 0, true, false};
  EXPECT_EQ(DecideAnswer(f), Answer::LogChanged);
  // A one-byte file is a file to read, not "no new data".
  AnswerFacts one{200, false, ResumeKind::None, 1, 1, true, false};
  EXPECT_EQ(DecideAnswer(one), Answer::ReadBody);
}

TEST(DownloadEnd, ACutShortDownloadIsAFailure) {
  EXPECT_TRUE(DownloadComplete(false, 8000, 8000));
  EXPECT_FALSE(DownloadComplete(false, 8000, 7999));  // the server closed early
  EXPECT_FALSE(DownloadComplete(true, 8000, 8000));   // a failed read
  EXPECT_FALSE(DownloadComplete(true, 0, 100));
  EXPECT_TRUE(DownloadComplete(false, 0, 100));  // no length: read until closed
}

TEST(Player, AddressIsQuotedAndItsQuotesEscaped) {
  char out[64];
  ASSERT_TRUE(PlayerArguments("http://h/a\"b.mp3", out, sizeof out));
  EXPECT_STREQ(out, "\"http://h/a%22b.mp3\"");
  ASSERT_TRUE(PlayerArguments("http://h/\" /evil \".mp3", out, sizeof out));
  EXPECT_EQ(std::string(out).find('"', 1), strlen(out) - 1);
  char small[8];
  EXPECT_FALSE(PlayerArguments("http://h/a.mp3", small, sizeof small));
  EXPECT_EQ(small[0], 0);
}

TEST(Player, ShownForSoundAndVideoWithAPlayer) {
  EXPECT_TRUE(ShowsPlayer(ClassifyAddress("http://h/ep.mp3"), true));
  EXPECT_FALSE(ShowsPlayer(ClassifyAddress("http://h/ep.mp3"), false));
  EXPECT_FALSE(ShowsPlayer(ClassifyAddress("http://h/a.zip"), true));
}

TEST(DownloadDialog, StartComesBackOnlyOnceTheWorkerEnded) {
  EXPECT_FALSE(DownloadControlsEnabled(true, -1));
  EXPECT_FALSE(DownloadControlsEnabled(false, 2));
  EXPECT_TRUE(DownloadControlsEnabled(false, -1));
  EXPECT_TRUE(DownloadControlsEnabled(false, 9));
}

}  // namespace
}  // namespace kv
