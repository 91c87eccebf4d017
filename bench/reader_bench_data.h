// Generated thread logs and pages that look like what servers send: names
// with trips, IDs, anchors, entities, ASCII art and long bodies.
#pragma once
#include <cstdint>
#include <string>

namespace benchdata {

class Random {
 public:
  explicit Random(uint32_t seed) : s_(seed) {}
  uint32_t next(uint32_t n) {
    s_ = s_ * 1664525u + 1013904223u;
    return (s_ >> 8) % n;
  }

 private:
  uint32_t s_;
};

inline std::string ThreadLog(int posts) {
  static const char* const kNames[] = {"名無しさん", "名無しさん＠お腹いっぱい。", "風吹けば名無し",
                                       "名無しさん</b>◆Kurovel.Az<b>", "<b>固定ハンドル</b>"};
  static const char* const kLines[] = {
      "それは違うと思うけどな",
      "ソースは？ 表示が崩れてるぞ",
      "ワロタｗｗｗ",
      "&quot;引用&quot; &amp; そのまま貼るなよ",
      "　　 ∧＿∧",
      "　　（　´∀｀）＜　ぬるぽ",
      "　　（　　　　）",
      "ｷﾀ━━━━(ﾟ∀ﾟ)━━━━!!",
      "http://www.example.com/news/article/2024/0506.html",
      "長文になるけど、この件については前スレでも散々議論されていて結論は出ていないし、"
      "結局のところ各自が判断するしかないという話で落ち着いたはずなんだが、また蒸し返すのか",
  };
  Random r(12345);
  std::string log;
  for (int i = 1; i <= posts; ++i) {
    log += kNames[r.next(5)];
    log += "<>";
    log += r.next(3) ? "sage" : "";
    char date[96];
    snprintf(date, sizeof date, "<>2024/05/%02u(月) %02u:%02u:%02u.%02u ID:%c%c%c%c%c%c%c%c0<> ", 1 + r.next(28),
             r.next(24), r.next(60), r.next(60), r.next(100), 'A' + r.next(26), 'a' + r.next(26), '0' + r.next(10),
             'A' + r.next(26), 'a' + r.next(26), 'a' + r.next(26), 'A' + r.next(26), '0' + r.next(10));
    log += date;
    int lines = 1 + static_cast<int>(r.next(8));
    for (int k = 0; k < lines; ++k) {
      if (k > 0) log += " <br> ";
      if (i > 1 && r.next(4) == 0) {
        unsigned to = 1 + r.next(static_cast<uint32_t>(i - 1));
        log += "<a href=\"../test/read.cgi/news4vip/1714960000/" + std::to_string(to) +
               "\" target=\"_blank\">&gt;&gt;" + std::to_string(to) + "</a> ";
      }
      log += kLines[r.next(10)];
    }
    log += " <>";
    if (i == 1) log += "ベンチマーク用のスレッド Part1";
    log += "\n";
  }
  return log;
}

inline std::string Page(size_t bytes) {
  std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">"
      "<title>ベンチマーク用のページ</title><style>p { margin: 0 }</style></head><body>\n";
  Random r(777);
  int n = 0;
  while (page.size() < bytes) {
    ++n;
    page += "<h2>見出し " + std::to_string(n) + "</h2>\n<div class=\"entry\"><p>";
    int lines = 3 + static_cast<int>(r.next(12));
    for (int k = 0; k < lines; ++k) {
      page += "本文の行です。&nbsp;ここには  いろいろな  文章が入ります&amp;記号も。<br>\n";
      if (r.next(5) == 0) page += "<a href=\"/archives/" + std::to_string(n) + ".html\">関連記事</a><br>\n";
      if (r.next(9) == 0) page += "<a href=\"/img/arrow.gif\"><img src=\"/img/arrow.gif\"></a>\n";
    }
    page +=
        "</p>\n<!-- comment " + std::to_string(n) + " --><script>var x = " + std::to_string(n) + ";</script></div>\n";
  }
  page += "</body></html>\n";
  return page;
}

}  // namespace benchdata
