// Settings text: line splitting, defaults and the start-up rules.
#include "core/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/app.h"
#include "core/fontcheck.h"

namespace {

const char kProgram[] = "C:\\kv\\";
const kv::WorkArea kArea{1024, 740};

kv::Settings Load(const std::string& text) {
  kv::Settings s;
  kv::SetSettingsDefaults(s, {kProgram, 1024, 768});
  kv::ApplySettingsText(s, text.data(), text.size(), kProgram, kArea);
  return s;
}

TEST(SettingsText, AnyLineEndAndNulEndALine) {
  std::string text = "FontSize=12\rSetFntTL=10\nTreeWide=99\r\nListWide=77";
  text.push_back('\0');
  text += "TreeSele=5";
  kv::Settings s = Load(text);
  EXPECT_EQ(s.FontSize, 12);
  EXPECT_EQ(s.SetFntTL, 10);
  EXPECT_EQ(s.TreeWide, 99);
  EXPECT_EQ(s.ListWide, 77);
  EXPECT_EQ(s.TreeSele, 5);
}

TEST(SettingsText, CursorRuleFollowsTheLoadedBackground) {
  // Fixed to the default background before the file was read, the rule
  // would show as a stray line in every view with a dark ColorBak.
  kv::Settings s = Load("ColorBak=0x202020\r\n");
  EXPECT_EQ(s.ColorBak, 0x202020u);
  EXPECT_EQ(s.lineColor, kv::kColorUnset);  // drawn as ColorBak: not at all
}

TEST(SettingsText, OverlongLineIsCutAndTheRestReadAsTheNextLine) {
  // 256 bytes of the first line are kept; what follows them is a line of its own.
  std::string value(256 - 9, 'a');
  kv::Settings s = Load("BoadAddr=" + value + "FontSize=14\r\n");
  EXPECT_EQ(strlen(s.BoadAddr), value.size());
  EXPECT_EQ(s.FontSize, 14);
}

TEST(SettingsText, KeysAreExactAndCaseSensitive) {
  kv::Settings s = Load("fontsize=12\r\nFontSize =13\r\nFontSize12\r\n[Setup]\r\nFontSizeX=15\r\n");
  EXPECT_EQ(s.FontSize, 9);
}

TEST(SettingsText, TextValuesAreCutAtACharacterBoundary) {
  std::string name;
  while (name.size() < 70) name += "あ";
  kv::Settings s = Load("FontName=x" + name + "\r\nUserName=" + name + "\r\n");
  EXPECT_EQ(strlen(s.FontName), 63u);  // "x" and 31 two-byte characters
  EXPECT_EQ(strlen(s.UserName), 62u);
}

TEST(SettingsText, RelativeLogFolderIsResolvedAgainstTheProgramFolder) {
  EXPECT_STREQ(Load("ChFolder=log\\\r\n").ChFolder, "C:\\kv\\log\\");
  EXPECT_STREQ(Load("ChFolder=\r\n").ChFolder, "C:\\kv\\log\\");
  EXPECT_STREQ(Load("ChFolder=data\\\r\n").ChFolder, "C:\\kv\\data\\");
  EXPECT_STREQ(Load("ChFolder=ソ\r\n").ChFolder, "C:\\kv\\ソ\\");  // trail byte 0x5C is no separator
  EXPECT_STREQ(Load("ChFolder=\\Storage Card\\kv\\\r\n").ChFolder, "\\Storage Card\\kv\\");
}

TEST(SettingsText, WindowRectangleClamp) {
  kv::Settings s = Load("WindowPt=2000,900,5000,100\r\n");
  EXPECT_EQ(s.WindowPt.left, 1024 - 64);
  EXPECT_EQ(s.WindowPt.top, 740 - 64);
  EXPECT_EQ(s.WindowPt.width, 1024);
  EXPECT_EQ(s.WindowPt.height, 240);
  s = Load("WindowPt=5,6\r\n");  // missing numbers read as 0, then raised
  EXPECT_EQ(s.WindowPt.left, 5);
  EXPECT_EQ(s.WindowPt.width, 240);
}

TEST(SettingsText, SavedFileReadsBackTheSame) {
  kv::Settings s = Load("FontSize=14\r\nColorBak=0xabcdef\r\nWindowPt=1,2,300,400\r\nPostData=a=b&c=d\r\n"
                        "TreeOpen=0101\r\n");
  char text[kv::kSettingsTextMax];
  size_t n = kv::FormatSettingsText(s, kProgram, text, sizeof text);
  ASSERT_GT(n, 0u);
  kv::Settings t = Load(std::string(text, n));
  char again[kv::kSettingsTextMax];
  ASSERT_EQ(kv::FormatSettingsText(t, kProgram, again, sizeof again), n);
  EXPECT_EQ(memcmp(text, again, n), 0);
  EXPECT_NE(std::string(text, n).find("\r\nColorBak=0xabcdef\r\n"), std::string::npos);
}

TEST(SettingsText, TreeOpenKeepsAtMost128States) {
  kv::Settings s = Load("");
  EXPECT_EQ(strlen(s.TreeOpen), 150u);  // the default
  s = Load("TreeOpen=" + std::string(150, '1') + "\r\n");
  EXPECT_EQ(std::string(s.TreeOpen), std::string(128, '1'));
}

TEST(SettingsText, TooSmallOutputIsRefused) {
  kv::Settings s = Load("");
  char small[100];
  EXPECT_EQ(kv::FormatSettingsText(s, kProgram, small, sizeof small), 0u);
}

TEST(StartupRules, TreeTypeFollowsTheScreen) {
  kv::Settings s;
  kv::SetSettingsDefaults(s, {kProgram, 640, 480});
  EXPECT_EQ(s.TreeType, 1);  // default on screens up to 640 wide
  s.TreeType = 0;
  kv::ApplyScreenRules(s, false);
  EXPECT_EQ(s.TreeType, 0);  // 480..640 keeps the file's value
  s.screenWidth = 479;
  kv::ApplyScreenRules(s, false);
  EXPECT_EQ(s.TreeType, 1);
  s.screenWidth = 641;
  s.TreeType = 1;
  kv::ApplyScreenRules(s, false);
  EXPECT_EQ(s.TreeType, 0);
  s.screenWidth = 240;
  kv::ApplyScreenRules(s, true);
  EXPECT_EQ(s.TreeType, 0);  // the desktop build always uses the one-list tree
}

TEST(StartupRules, ClosingRectangleIsStoredOnlyWhenSane) {
  kv::WindowRect out{};
  EXPECT_TRUE(kv::SaneWindowRect({10, 20, 100, 50}, 1024, 768, &out));
  EXPECT_EQ(out.width, 240);
  EXPECT_EQ(out.height, 200);
  EXPECT_FALSE(kv::SaneWindowRect({-1, 0, 800, 480}, 1024, 768, &out));
  EXPECT_FALSE(kv::SaneWindowRect({960, 0, 300, 300}, 1024, 768, &out));   // not 64 px inside
  EXPECT_TRUE(kv::SaneWindowRect({959, 703, 300, 300}, 1024, 768, &out));
  EXPECT_FALSE(kv::SaneWindowRect({0, 0, 1024, 700}, 1024, 768, &out));    // maximised width
}

TEST(ProgramFolder, CutAfterTheLastSeparatorAndProgramDiskRewrite) {
  char out[260];
  kv::ProgramFolderOf("C:\\Program Files\\表\\Kvel32.exe", false, out, sizeof out);
  EXPECT_STREQ(out, "C:\\Program Files\\表\\");
  kv::ProgramFolderOf("C:\\ソ", false, out, sizeof out);
  EXPECT_STREQ(out, "C:\\") << "a trail byte is not a separator";
  kv::ProgramFolderOf("\\PROGRAM DISK\\Kvel\\Kvel.exe", true, out, sizeof out);
  EXPECT_STREQ(out, "\\Nand Disk\\Program Files\\Kvel\\");
  kv::ProgramFolderOf("\\Program Diskette\\Kvel.exe", true, out, sizeof out);
  EXPECT_STREQ(out, "\\Nand Disk\\Program Filesette\\") << "whatever follows the 13 characters is kept";
  kv::ProgramFolderOf("\\Program Disk\\Kvel.exe", false, out, sizeof out);
  EXPECT_STREQ(out, "\\Program Disk\\") << "the desktop build keeps its folder";
}

TEST(ProgramFolder, FolderWalkStepsOverTrailBytes) {
  std::string seen;
  kv::ForEachFolderOfPath("C:\\ソフト\\log\\x", [](const char* f, void* c) { *static_cast<std::string*>(c) += std::string(f) + "|"; }, &seen);
  EXPECT_EQ(seen, "C:|C:\\ソフト|C:\\ソフト\\log|");
}

TEST(DefaultBrowser, ProgramOfTheOpenCommand) {
  char out[260];
  kv::BrowserProgramOf("\"C:\\Program Files\\Web\\web.exe\" -url \"%1\"", out, sizeof out);
  EXPECT_STREQ(out, "C:\\Program Files\\Web\\web.exe");
  kv::BrowserProgramOf("C:\\web.exe %1", out, sizeof out);
  EXPECT_STREQ(out, "C:\\web.exe");
  std::string longer(300, 'a');
  kv::BrowserProgramOf(longer.c_str(), out, sizeof out);
  EXPECT_EQ(strlen(out), 250u);
}

TEST(FontChoice, KeepsOnlyFacesThatDrawJapanese) {
  kv::FontChoice c;
  kv::BeginFontChoice(c, "ＭＳ Ｐゴシック");
  EXPECT_FALSE(kv::OfferFontFamily(c, "Arial Greek", 161));
  EXPECT_FALSE(kv::OfferFontFamily(c, "Tahoma", 162));
  EXPECT_FALSE(kv::OfferFontFamily(c, "@IPAゴシック", 128)) << "vertical face";
  EXPECT_TRUE(kv::OfferFontFamily(c, "IPAゴシック", 128));
  EXPECT_FALSE(kv::OfferFontFamily(c, "IPAゴシック", 128)) << "the same family again";
  char out[64];
  kv::FinishFontChoice(c, out, sizeof out);
  EXPECT_STREQ(out, "IPAゴシック");
  // "MS UI Gothic" is preferred to other faces when the request is missing.
  EXPECT_TRUE(kv::OfferFontFamily(c, "MS UI Gothic", 0));
  kv::FinishFontChoice(c, out, sizeof out);
  EXPECT_STREQ(out, "MS UI Gothic");
}

TEST(FontChoice, RequestedFaceIsKeptWhateverItsCharacterSet) {
  kv::FontChoice c;
  kv::BeginFontChoice(c, "Courier New");
  EXPECT_TRUE(kv::OfferFontFamily(c, "IPAゴシック", 128));
  EXPECT_TRUE(kv::OfferFontFamily(c, "Courier New", 0));
  char out[64];
  kv::FinishFontChoice(c, out, sizeof out);
  EXPECT_STREQ(out, "Courier New");
  kv::BeginFontChoice(c, "");
  EXPECT_STREQ(c.requested, "MS UI Gothic");
  for (int i = 0; i < 5; ++i) kv::OfferFontFamily(c, ("Face" + std::to_string(i)).c_str(), 134);
  EXPECT_STREQ(c.slots[5], "Face2") << "at most six slots";
  kv::FinishFontChoice(c, out, sizeof out);
  EXPECT_STREQ(out, "Face0");
}

}  // namespace
