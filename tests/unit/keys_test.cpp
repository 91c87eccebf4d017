// Key tables, the key file and the lookup.
#include "ui/keys.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Keys {
  kv::KeyBindings b;
  kv::Settings s;
  explicit Keys(const std::string& file = "") {
    kv::SetSettingsDefaults(s, {"C:\\kv\\", 1024, 768});
    kv::SetUpKeyTables(b, s);
    kv::ApplyKeyFile(b, s, file.data(), file.size());
  }
  int Look(int key, int table) const { return kv::LookUpKey(b, key, table); }
};

TEST(KeyTables, CommandTableHasEveryEntryOnce) {
  ASSERT_EQ(kv::kCommandCount, 67u);
  for (size_t i = 0; i < kv::kCommandCount; ++i)
    for (size_t j = i + 1; j < kv::kCommandCount; ++j) EXPECT_NE(kv::kCommands[i].number, kv::kCommands[j].number);
  EXPECT_STREQ(kv::FindCommand(40008)->name, "OpenDat");
  EXPECT_EQ(kv::FindCommand(40002), nullptr);
}

TEST(KeyTables, DefaultsWithoutAKeyFile) {
  Keys k;
  for (int table = 0; table < kv::kKeyTables; ++table) {
    EXPECT_EQ(k.Look('Q', table), 40001) << table;
    EXPECT_EQ(k.Look('W', table), 40012);
    EXPECT_EQ(k.Look('Z', table), 40012);
    EXPECT_EQ(k.Look('C', table), 0);
    EXPECT_EQ(k.Look('V', table), 0);
    EXPECT_EQ(k.Look('1', table), 0);
    EXPECT_EQ(k.Look(13, table), 0);
  }
  EXPECT_EQ(k.Look('A', 0), 40047);
  EXPECT_EQ(k.Look('X', 0), 40063);
  EXPECT_EQ(k.s.listColors[0], 0x000000u);
  EXPECT_EQ(k.s.listColors[1], 0xFFFFFFu);
  EXPECT_EQ(k.s.listColors[3], 0xF0F0F0u);
  EXPECT_EQ(k.s.listColors[4], kv::kColorUnset);
}

TEST(KeyFile, PaneSectionBindsOnlyThatPane) {
  Keys k("[LIST]\r\n{ER}=OpenDat\r\n[DEFAULT]\r\nC=Exit\r\n");
  EXPECT_EQ(k.Look(13, kv::kKeysList), 40008);
  EXPECT_EQ(k.Look(13, kv::kKeysTree), 0);
  EXPECT_EQ(k.Look(13, kv::kKeysDefault), 0);
  // An unbound key of a pane falls back to the whole-program table.
  EXPECT_EQ(k.Look('C', kv::kKeysView), 40001);
}

TEST(KeyFile, CommandWordsMatchByPrefix) {
  Keys k("[DEFAULT]\nS=ListSort\nT=ListSort3\nU=Exit ; quit at once\nV=NoSuchCommand\nW=\n");
  EXPECT_EQ(k.Look('S', 0), 40115);  // the first ListSort command
  EXPECT_EQ(k.Look('T', 0), 40118);
  EXPECT_EQ(k.Look('U', 0), 40001);
  EXPECT_EQ(k.Look('V', 0), 0) << "an unknown word changes nothing";
  EXPECT_EQ(k.Look('W', 0), 40012) << "an empty word changes nothing";
  // Only the start of a name binds nothing: "E" is not Exit, "Clo" not
  // CloseAll; the letters keep their defaults.
  Keys partial("[DEFAULT]\nA=E\nB=Clo\nC=ListSor\n");
  EXPECT_EQ(partial.Look('A', 0), Keys("").Look('A', 0));
  EXPECT_EQ(partial.Look('B', 0), Keys("").Look('B', 0));
  EXPECT_EQ(partial.Look('C', 0), 0);
}

TEST(KeyFile, LowerCaseAndMalformedLinesBindNothing) {
  Keys k("[DEFAULT]\nc=Exit\nC =Exit\n{UP} =Exit\n;C=Exit\n#C=Exit\n[UNKNOWN]\nC=Exit\n");
  EXPECT_EQ(k.Look('C', 0), 0);
  EXPECT_EQ(k.Look(38, 0), 0);
}

TEST(KeyFile, SpecialKeysAndHardwareButtons) {
  Keys k("[DATA]\r\n{F1}=Reopen\r\n{SP}=<PAGEDOWN>\r\n{F8}=CloseDat\r\n");
  EXPECT_EQ(k.Look(112, kv::kKeysView), 40027);
  EXPECT_EQ(k.Look(32, kv::kKeysView), 54);
  EXPECT_EQ(k.b.hardwareKeys, (1u << 0) | (1u << 7));
}

TEST(KeyFile, PopupMenusSeparatorsLaunchersAndLimits) {
  std::string file = "[DATA_POPUP]\nReopen\n-\n@Browser.lnk\n@my.tool.lnk\n";
  for (int i = 0; i < 7; ++i) file += "@extra" + std::to_string(i) + ".lnk\n";
  file += "[LIST_POPUP]\n";
  for (int i = 0; i < 25; ++i) file += "OpenDat\n";
  Keys k(file);
  const kv::PopupMenu& view = kv::PopupItems(k.b, 3);
  ASSERT_EQ(view.count, 10);  // Reopen, separator, 8 launchers
  EXPECT_EQ(view.items[0].number, 40027);
  EXPECT_STREQ(view.items[0].text, "更新");
  EXPECT_EQ(view.items[1].number, -1);
  EXPECT_EQ(view.items[2].number, 40120);
  EXPECT_STREQ(view.items[2].text, "Browser");
  EXPECT_STREQ(view.items[3].text, "my.tool");
  EXPECT_EQ(view.items[9].number, 40127) << "the ninth launcher is ignored";
  EXPECT_STREQ(kv::LauncherName(k.b, 40121), "my.tool");
  EXPECT_STREQ(kv::LauncherName(k.b, 40128), "");
  EXPECT_EQ(kv::PopupItems(k.b, 2).count, 20) << "the 21st item is ignored";
}

TEST(KeyFile, ColoursOverrideTheSettings) {
  Keys k("[DATA_COLOR]\nBak=0x000000\nTxt=16777215\nUdl=0x123456\nNew=red\nXyz=0x1\n"
         "[LIST_COLOR]\nTx3=0x0000ff\nBa2=0xABCDEF\n");
  EXPECT_EQ(k.s.ColorBak, 0x000000u);
  EXPECT_EQ(k.s.ColorTxt, 0xFFFFFFu);
  EXPECT_EQ(k.s.lineColor, 0x123456u);
  EXPECT_EQ(k.s.ColorNew, 0x0000FFu) << "a value must start with a digit";
  EXPECT_EQ(k.s.listColors[4], 0x0000FFu);
  EXPECT_EQ(k.s.listColors[3], 0xABCDEFu);
}

TEST(KeyFile, OverlongLineIsCutAndItsRestReadOnItsOwn) {
  std::string filler(256, ';');
  Keys k("[DEFAULT]\n" + filler + "C=Exit\n");
  EXPECT_EQ(k.Look('C', 0), 40001);
}

}  // namespace
