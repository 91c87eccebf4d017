#include "ui/bars.h"

#include <gtest/gtest.h>

namespace kv {

TEST(StatusLine, CountThenTheFirstLineOnly) {
  char out[64];
  StatusLine(2, "ok\r\n", out, sizeof out);
  EXPECT_STREQ(out, "(2) ok");
  StatusLine(0, "読込中\nsecond", out, sizeof out);
  EXPECT_STREQ(out, "(0) 読込中");
  char small[8];
  StatusLine(1, "長い状態の文字列", small, sizeof small);
  EXPECT_STREQ(small, "(1) 長");  // cut at a character boundary
}

}  // namespace kv
