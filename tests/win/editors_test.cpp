// The editors' "保存終了" on real files: written in one step, the old file
// kept whole when writing fails or the list is empty.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/file_win.h"
#include "editors/board_tree/ravo.h"
#include "editors/editor_win.h"
#include "editors/favourites/selm.h"
#include "tests/win/win_test_util.h"

using kvtest::ReadFileBytes;
using kvtest::TempFolder;
using kvtest::WriteFileBytes;

namespace {

TEST(EditorSave, ReplacesInOneStepAndKeepsTheFileOnFailure) {
  TempFolder folder;
  std::string path = folder.file("Favorite.htm");
  const std::string before = "<a href=\"http://h/b/dat/1.dat\">old</a><br><br>\r\n";
  ASSERT_TRUE(WriteFileBytes(path, before));
  auto list = std::make_unique<kv::EditorList>();
  kv::ClearEditorList(*list, kv::kFavouritesEditorRows);

  // An empty list writes nothing.
  EXPECT_EQ(kv::SaveEditorFile(false, *list, path.c_str()), kv::EditorSaveResult::EmptyList);
  EXPECT_EQ(ReadFileBytes(path), before);

  kv::InsertEntry(*list, -1, kv::MakeEntry("new", "http://h/b/dat/2.dat", ""));
  // It used to delete the file first and then report success whatever
  // happened: now a failure leaves the old file as it was.
  for (kv::FileFault f : {kv::FileFault::Create, kv::FileFault::Write, kv::FileFault::Replace}) {
    kv::SetFileFaultForTest(f, 10);
    EXPECT_EQ(kv::SaveEditorFile(false, *list, path.c_str()), kv::EditorSaveResult::Failed);
    kv::SetFileFaultForTest(kv::FileFault::None);
    EXPECT_EQ(ReadFileBytes(path), before);
  }

  ASSERT_EQ(kv::SaveEditorFile(false, *list, path.c_str()), kv::EditorSaveResult::Saved);
  std::string text(kv::SelmFileCap(1), '\0');
  text.resize(kv::FormatSelmFile(*list, text.data(), text.size()));
  EXPECT_EQ(ReadFileBytes(path), text);

  // A missing board file is created.
  std::string tree = folder.file("TreeList.htm");
  kv::ClearEditorList(*list, kv::kBoardEditorRows);
  kv::InsertEntry(*list, -1, kv::MakeEntry("Cat", "■", "tag"));
  ASSERT_EQ(kv::SaveEditorFile(true, *list, tree.c_str()), kv::EditorSaveResult::Saved);
  EXPECT_EQ(ReadFileBytes(tree),
            "<HTML><HEAD></HEAD><BODY>\r\n\r\n\r\n<BR><BR><B>Cat</B><BR>\r\n\r\n</BODY></HTML>\r\n");
}

}  // namespace
