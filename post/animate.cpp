#include "post/animate.h"

#include <cstring>

#include "core/text.h"

namespace kv {

namespace {

// Frames with a slot carry "@@" where a word goes; they are filled by
// replacing the marker, never used as a format.
constexpr char kSlot[] = "@@";

uint32_t Next(AnimationState& a) {
  a.random = a.random * 1103515245u + 12345u;
  return (a.random >> 16) & 0x7FFF;
}
int32_t Pick(AnimationState& a, int32_t n) { return static_cast<int32_t>(Next(a) % static_cast<uint32_t>(n)); }

void Picture(AnimationState& a, const char* art) { CopyText(a.picture, art); }

// The picture with its slot filled by word.
void PictureWith(AnimationState& a, const char* art, const char* word) {
  const char* at = strstr(art, kSlot);
  if (!at) {
    Picture(a, art);
    return;
  }
  CopyTextN(a.picture, sizeof a.picture, art, static_cast<size_t>(at - art));
  AppendText(a.picture, word);
  AppendText(a.picture, at + 2);
}

void Caption(AnimationState& a, const char* text) { CopyText(a.caption, text); }

// The growth rule: a caption of 90 bytes or more starts afresh, then the
// word is appended (never past 96 bytes, never half a character).
void Grow(AnimationState& a, const char* word) {
  if (strlen(a.caption) >= kCaptionRestartAt) a.caption[0] = 0;
  AppendText(a.caption, word);
}

bool Even(int32_t n) { return n % 2 == 0; }

// ---- The scenes ----------------------------------------------------------------

void A0(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　 ∧_∧\r\n　(　´･ω･)\r\n　(つ　旦O\r\n", "　 ∧_∧\r\n　(　･ω･`)\r\n　O旦と　)\r\n",
                                  "　 ∧_∧\r\n　(　　　)\r\n　(　　　)\r\n"};
  if (n == 0) return Picture(a, f[2]), Caption(a, "ﾀﾞﾚﾓｲﾅｲ･･ｶｷｺﾑﾅﾗ ｲﾏﾉｳﾁ\r\n");
  Picture(a, f[Even(n) ? 0 : 1]);
  Grow(a, "ﾗﾝﾀ ﾀﾝ､ ");
}

void A1(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　∧∧\r\n　(,,ﾟДﾟ)ﾉ\r\n", "　∧∧\r\n ヽ(ﾟДﾟ,,)\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "ぃょぅ、");
  Grow(a, "ぃょぅ、");
  Picture(a, f[Even(n) ? 1 : 0]);
}

void A2(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　∧∧\r\n　(ﾟДﾟ#)　≡≡≡□\r\n", "　∧∧\r\n　(#ﾟДﾟ)□≡≡≡\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "今、送るからな、待っとけ\r\n");
  Grow(a, "ｺﾞﾙｧ、");
  Picture(a, f[Even(n) ? 0 : 1]);
}

void A3(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　∧＿∧\r\n（　´∀｀）\r\n", "　∧＿∧\r\n（　´ー｀）\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "オマエモナー\r\n");
  if (n % 3 != 0) return Picture(a, f[0]), Grow(a, "モナー");
  Picture(a, f[1]);
  Grow(a, "ﾏﾀｰﾘ、");
}

void A4(AnimationState& a, int32_t n) {
  static const char* const f[] = {"＋　（・∀・）　＋\r\n", "　　（´･ω･`）\r\n", "＋　（ﾟ∀ﾟ）　＋\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "＋激しく書き込み＋\r\n");
  if (n % 3 == 1) return Picture(a, f[0]), Grow(a, "激しく、");
  if (n % 3 == 2) return Picture(a, f[2]), Grow(a, "激しく、");
  Picture(a, f[1]);
  Grow(a, "鬱、");
}

void A5(AnimationState& a, int32_t n) {
  static const char kArt[] = "　　_, ._\r\n　（　・ω・）\r\n　○={=}〇,\r\n";
  if (n == 0) {
    a.branch = Pick(a, 2);
    Picture(a, kArt);
    return Caption(a, a.branch ? "書き込むってよ\r\n" : "ﾄﾞｺﾄﾞｺ書くよ\r\n");
  }
  if (a.branch) {
    if (n == 1) return Caption(a, "……ほんとに？\r\n");
    if (n == 2) return Caption(a, "ほんとに。\r\n");
    return Grow(a, "…");
  }
  Grow(a, (n / 2) % 2 ? "ﾄﾞｺ" : "ﾄﾞﾝ");
}

void A6(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　 ∧∧\r\n　(*ﾟーﾟ)\r\n", "　 ∧∧\r\n　(　　)\r\n", "　 ∧∧\r\n　(;´Д`)\r\n",
                                  "　 ∧∧\r\n　(´Д`;)\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "ﾖﾝﾀﾞ？\r\n");
  if (n == 1 || n == 3) return Picture(a, f[1]), Caption(a, "");
  if (n == 2) return Picture(a, f[0]);
  Picture(a, f[Even(n) ? 2 : 3]);
  Grow(a, "ｳﾜｧｧｧｧｧﾝ､ ");
}

void A7(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　　（　´_ゝ`）\r\n", "　　（　´_ゝ`）ﾌｰﾝ\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "");
  Grow(a, "・・・");
  Picture(a, f[n % 3 != 0 ? 0 : 1]);
}

void A8(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　♪ ∧∧\r\n　ヽ(ﾟーﾟ)ﾉ\r\n", "　 ∧∧ ♪\r\n　ヾ(ﾟーﾟ)ﾉ\r\n"};
  static const char* const words[] = {"ｼﾃ♪", "ﾗｯｺ♯", "ｵﾗｵﾗ♭", "♪～"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "ﾀﾞｯｺ♪～");
  Grow(a, words[Pick(a, 4)]);
  Picture(a, f[Even(n) ? 1 : 0]);
}

void A9(AnimationState& a, int32_t n) {
  static const char kA[] = "　@@\r\n　(ﾟ∀ﾟ)ｷｺｷｺ\r\n";
  static const char kB[] = "\r\n　(ﾟ∀ﾟ)ｷｺｷｺ\r\n";
  static const char* const props[] = {"／■ヽ", "(((((()))", "∧ ∧", "  /）_/）", ""};
  if (n == 0) return PictureWith(a, kA, ""), Caption(a, "ｷｺｷｺ、");
  Grow(a, "ｷｺｷｺ、");
  if (Even(n)) return Picture(a, kB);
  PictureWith(a, kA, props[Pick(a, 5)]);
}

void A10(AnimationState& a, int32_t n) {
  static const char kA[] = "　 ∧_∧\r\n　( ﾟωﾟ )\r\n";
  static const char kB[] = "　 ∧_∧\r\n　( ﾟωﾟ ) < @@\r\n";
  static const char* const words[] = {"ｶﾞｯ", "ﾇﾙﾎﾟ", "ｵｰﾌﾟﾝ", "ﾃﾞﾑﾊﾟ", "ｺｰﾋｰ",
                                      "ﾁｬｰﾊﾝ", "ﾏﾀｰﾘ", "ｼｮﾎﾞｰﾝ", "ﾓｷｭ", "ﾎﾟﾏｰﾄﾞ"};
  if (n == 0) return Picture(a, kA), Caption(a, "");
  if (Even(n)) return Picture(a, kA);
  const char* word = words[Pick(a, 10)];
  Grow(a, word);
  PictureWith(a, kB, word);
}

void A11(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　[◎]_∧\r\n　(　・∀・)\r\n", "　[◎]*∧ ﾋﾟｶｯ\r\n　(　・∀・)\r\n"};
  if (n == 0) return Picture(a, f[0]), Caption(a, "こりゃﾌｫｰｶｽ間違いなし!!\r\n");
  Grow(a, "ﾊﾟｼｬｯ ");
  Picture(a, f[Even(n) ? 0 : 1]);
}

void A12(AnimationState& a, int32_t n) {
  static const char* const pics[] = {"（・∀・）",   "（・∀・）ﾉ", "ヽ（・∀・）", "（　・∀）",
                                     "（∀・　）", "（・∀・）？", "（・∀・）！", "（-∀-）"};
  static const char* const caps[] = {"呼んだ？", "呼んだよね？", "おーい", "あれ？", "こっちか",
                                     "やっぱり？", "いた！", "zzz"};
  Picture(a, pics[n % 8]);
  Caption(a, caps[n % 8]);
}

void A13(AnimationState& a, int32_t n) {
  static const char* const f[] = {"　♪ ∧＿∧\r\n　　（ ´∀｀）\r\n", "　 ∧＿∧ ♪\r\n　 （´∀｀ ）\r\n"};
  static const char* const lines[] = {"書き込み書き込み", "送信送信", "待ってて待ってて", "もうすぐもうすぐ",
                                      "ﾗﾗﾗﾗ"};
  if (n == 0) {
    a.branch = Pick(a, 5);
    return Picture(a, f[0]), Caption(a, "♪～♪～");
  }
  const char* line = lines[a.branch % 5];
  if (!Even(n)) return Picture(a, f[1]), Caption(a, line);
  Picture(a, f[0]);
  FormatText(a.caption, sizeof a.caption, "%s\r\n　%s", line, line);
  a.branch = (a.branch + 1) % 5;
}

void A14(AnimationState& a, int32_t n) {
  static const char* const lines[] = {"いち", "に", "さん", "し", "ご", "ろく", "しち", "はち", "きゅう", "じゅう"};
  int32_t k = n % 10;
  if (k == 0) Picture(a, "　(´ー`)　数えるよ\r\n");
  if (k == 8) Picture(a, "　(´∀`)　もう少し\r\n");
  if (!a.picture[0]) Picture(a, "　(´ー`)　数えるよ\r\n");
  Caption(a, lines[k]);
}

void A15(AnimationState& a, int32_t n) {
  static const char* const targets[] = {"ﾓﾅｰ", "ｷﾞｺ", "ｼｨ", "ﾓﾗｯｻﾝ", "ﾆﾗ茶", "ﾋｯｷｰ",
                                        "ﾚﾓﾅ", "ﾓﾗﾘ", "ｵﾆｷﾞﾘ", "ﾌｻｷﾞ", "俺"};
  static const char kAim[] = "　　　　　　　　@@\r\n　（　　　）=‐ ◎\r\n";
  switch (n % 6) {
    case 0:
      Picture(a, "　[電話]\r\n");
      return Caption(a, "G13型ﾄﾗｸﾀｰ買いたし\r\n　連絡を乞う。\r\n");
    case 1:
      Picture(a, "　（　　　）\r\n");
      return Caption(a, "……まかせろ。\r\n");
    case 2:
      Picture(a, "　（　　　）=‐\r\n");
      return Caption(a, "ﾀｰｹﾞｯﾄ発見\r\n");
    case 3: {
      a.branch = Pick(a, 11);
      PictureWith(a, kAim, targets[a.branch]);
      char text[64];
      FormatText(text, sizeof text, "標的：%s\r\n", targets[a.branch]);
      return Caption(a, text);
    }
    case 4:
      if (a.branch == 0) return Picture(a, "　（　　　）\r\n"), Caption(a, "俺には撃てない\r\n");
      if (a.branch == 10) return Picture(a, "　（　　　）？\r\n"), Caption(a, "俺？\r\n");
      {
        char digit[2] = {static_cast<char>('1' + Pick(a, 9)), 0};
        PictureWith(a, "　ﾀｰﾝ　@@発\r\n", digit);
      }
      return Caption(a, "");
    default:
      Picture(a, "");
      return Caption(a, "The END");
  }
}

void A16(AnimationState& a, int32_t n) {
  static const char* const pics[] = {"　 ||\r\n　（｀・ω・´）\r\n", "　 ―\r\n　（｀・ω・´）ｽﾊﾟｯ\r\n",
                                     "　 ||\r\n　（｀・ω・´）\r\n", "　 ―\r\n　（｀・ω・´）ｽﾊﾟｯ\r\n",
                                     "　 ||\r\n　（｀・ω・´）\r\n", "　 ―\r\n　（｀・ω・´）ｽﾊﾟｯ\r\n",
                                     "　 ||\r\n　（｀・ω・´）\r\n", "　 ―\r\n　（｀・ω・´）ｽﾊﾟｯ\r\n",
                                     "　 [羊羹]\r\n　（´・ω・｀）\r\n", ""};
  static const char* const caps[] = {"書込に鋼の救世主登場！\r\n", "スパッ\r\n", "再び鋼の救世主登場！\r\n",
                                     "スパッ\r\n", "三度鋼の救世主登場！\r\n", "スパッ\r\n",
                                     "四度鋼の救世主登場！\r\n", "スパッ\r\n", "ヨウカンドゾー\r\n", ""};
  int32_t k = (n / 2) % 10;
  Picture(a, pics[k]);
  Caption(a, caps[k]);
}

void A17(AnimationState& a, int32_t n) {
  if (Even(n)) return Picture(a, "　(　ﾟ∀ﾟ)o彡ﾟ\r\n"), Caption(a, "そーれ\r\n");
  Picture(a, "　(　ﾟ∀ﾟ)o彡ﾟ ﾟ\r\n");
  Caption(a, "もういっちょ\r\n");
}

void A18(AnimationState& a, int32_t n) {
  static const char* const caps[] = {"ｼﾞｰ", "ﾁﾗｯ", "ｼﾞｰｰｰ", "ﾁﾗﾁﾗｯ"};
  if (Even(n)) return Picture(a, "　|∀・)\r\n"), Caption(a, caps[(n / 2) % 4]);
  Picture(a, "　|　)\r\n");
  Caption(a, "\r\n\r\n");
}

void A19(AnimationState& a, int32_t n) {
  static const char* const replies[] = {"ﾊｲﾊｲ", "ﾜｶｯﾀﾖ", "ﾏｯﾃﾃ", "ｲﾏｲｸ"};
  Picture(a, "　 ∧∧\r\n　（´・ω・）\r\n　 ｕｕ\r\n");
  Caption(a, Even(n) ? "" : replies[(n % 8) / 2]);
}

void A20(AnimationState& a, int32_t n) {
  static const char* const pics[] = {"　( ´∀`)\r\n", "　( ´∀`)ﾎﾟ\r\n", "　(´∀` )\r\n", "　( ´∀`)\r\n",
                                     "　( ´∀`)ﾎﾟ\r\n"};
  int32_t k = n % 5;
  Picture(a, pics[k]);
  Caption(a, k == 1 || k == 4 ? "ぽ" : "");
}

void A21(AnimationState& a, int32_t n) {
  static const char* const rows[] = {"\r\n\r\nwwwwwwwwwwww", "\r\n\r\nvvvvvvvvvvvvvvv", "\r\n\r\n～～～～～～～～",
                                     "\r\n\r\n―――――――――"};
  static const char* const caps[] = {"草生える", "草刈り", "波打つ", "凪"};
  Picture(a, rows[n % 4]);
  Caption(a, caps[n % 4]);
}

void A22(AnimationState& a, int32_t n) {
  static const char* const pics[] = {"　(-_-)\r\n", "　(-_-)zzZ\r\n", "　(ﾟ-ﾟ)\r\n",
                                     "　(-_-)zzZ\r\n", "　(-_-)Zzz\r\n", "　(ﾟдﾟ)\r\n"};
  static const char* const caps[] = {"ねむい", "", "はっ", "", "", "寝てない寝てない"};
  Picture(a, pics[n % 6]);
  Caption(a, caps[n % 6]);
}

void A23(AnimationState& a, int32_t n) {
  static const char* const first[] = {"今日の天気は", "明日の予定は", "あの人の名前は", "冷蔵庫の中身は",
                                      "来週の運勢は", "昼ご飯は", "この書き込みは"};
  static const char* const second[] = {"晴れ", "未定", "忘れた", "空っぽ", "大吉", "カレー", "届く"};
  if (Even(n)) {
    a.branch = Pick(a, 7);
    return Picture(a, "　(・ω・)？\r\n"), Caption(a, first[a.branch]);
  }
  Picture(a, "　(・ω・)！\r\n");
  Caption(a, second[a.branch % 7]);
}

void A24(AnimationState& a, int32_t n) {
  static const char kA[] = "　┌───┐\r\n　│(・∀・)│\r\n　└───┘\r\n";
  static const char kB[] = "　┌───┐\r\n　│(・∀・)│ ﾋﾟﾝ\r\n　└───┘\r\n";
  int32_t k = n % 4;
  if (k == 0) return Picture(a, kA), Caption(a, "この顔にピンときたら１１０番か");
  Picture(a, k == 2 ? kA : kB);
  Caption(a, "");
}

void A25(AnimationState& a, int32_t n) {
  static const char* const caps[] = {"ﾏﾀﾞｶﾅｰ", "ﾏﾀﾞｶﾅｰﾏﾀﾞｶﾅｰ", "ﾏﾀﾞｶﾅｰ……", "ｷﾀｰ？"};
  if (Even(n)) return Picture(a, "　（・∀・ ）\r\n"), Caption(a, "");
  Picture(a, "　（ ・∀・）\r\n");
  Caption(a, caps[(n / 2) % 4]);
}

using Scene = void (*)(AnimationState&, int32_t);
constexpr Scene kScenes[kAnimationCount] = {A0,  A1,  A2,  A3,  A4,  A5,  A6,  A7,  A8,  A9,  A10, A11, A12,
                                            A13, A14, A15, A16, A17, A18, A19, A20, A21, A22, A23, A24, A25};

// The preview's word table: openings, names, places, actions.
constexpr const char* kOpenings[16] = {"昔々", "ある日", "気がつけば", "@いつの間にか", "夜更けに", "朝から",
                                       "突然", "@こっそり", "たまたま", "案の定", "なぜか", "久しぶりに",
                                       "今日も", "@ひょっこり", "雨の中", "休みの日に"};
constexpr const char* kNames[32] = {
    "ﾓﾅｰ",    "ｷﾞｺ",    "ｼｨ",     "ﾓﾗｯｻﾝ", "ﾚﾓﾅ",   "ﾓﾗﾘ",   "ﾆﾗ茶",  "ﾋｯｷｰ",   "ｵﾆｷﾞﾘ", "ﾌｻｷﾞ", "ｼﾞｻｸｼﾞｴﾝ",
    "ﾊﾞｶﾞｰ",  "ｵﾏｴﾓﾅ",  "ﾌﾟｰﾝ",  "ﾏﾀｰﾘ",  "ﾂｰ",    "ﾁﾋﾞｷﾞｺ", "ｼﾗﾈｰﾖ", "ｵﾏｴﾗ",   "ｲﾖｳ",   "ﾊｹﾞﾗｯｼｭ", "ﾓｹｹ",
    "ﾎﾟﾏｰﾄﾞ", "ﾇﾙﾎﾟ",   "ﾁｬｰﾊﾝ", "ｶﾞｯ",   "ﾃﾞﾑﾊﾟ", "ｺｰﾋｰ",  "ﾐｹﾈｺ",  "ｸﾏｰ",    "ｱﾋｬ",   "ﾜｯﾁｮｲ"};
constexpr const char* kPlaces[19] = {"駅前", "台所", "屋上", "公園", "コンビニ", "図書館", "海辺",
                                     "裏山", "会議室", "電車の中", "押入れ", "商店街", "田んぼ",
                                     "体育館", "ベランダ", "温泉", "砂漠", "月面", "夢の中"};
constexpr const char* kActions[22] = {"踊った", "寝た", "歌った", "泣いた", "笑った", "走った", "迷った",
                                      "食べた", "書き込んだ", "転んだ", "叫んだ", "釣りをした", "昼寝した",
                                      "待っていた", "数えた", "掃除した", "考え込んだ", "手を振った",
                                      "お茶を入れた", "空を見た", "拾った", "消えた"};

}  // namespace

void AnimateStart(AnimationState& a, int32_t requested, uint32_t uptimeMs, uint32_t seed) {
  a.number = requested >= 0 && requested < kAnimationCount ? requested
                                                           : static_cast<int32_t>(uptimeMs % kAnimationCount);
  a.steps[a.number] = 0;
  a.branch = 0;
  a.random = seed;
  a.picture[0] = 0;
  a.caption[0] = 0;
}

void AnimateStep(AnimationState& a) {
  if (a.number < 0 || a.number >= kAnimationCount) a.number = 0;
  int32_t& n = a.steps[a.number];
  if (n < 0) n = 0;
  kScenes[a.number](a, n);
  n = n >= 1000000 ? 0 : n + 1;
}

void PreviewSentenceStep(int32_t tick, uint32_t* random, char* text, size_t cap) {
  auto pick = [random](int32_t n) {
    *random = *random * 1103515245u + 12345u;
    return static_cast<int32_t>(((*random >> 16) & 0x7FFF) % static_cast<uint32_t>(n));
  };
  switch (tick % 5) {
    case 0: {
      text[0] = 0;
      const char* opening = kOpenings[pick(16)];
      if (opening[0] == '@') {
        AppendText(text, cap, kNames[pick(32)]);
        AppendText(text, cap, "と");
        ++opening;
      }
      AppendText(text, cap, opening);
      AppendText(text, cap, "、");
      return;
    }
    case 1:
      if (pick(10) < 4) {
        AppendText(text, cap, kNames[pick(32)]);
        AppendText(text, cap, "と");
      }
      AppendText(text, cap, kNames[pick(32)]);
      AppendText(text, cap, "が、");
      return;
    case 2:
      AppendText(text, cap, kPlaces[pick(19)]);
      AppendText(text, cap, "で、");
      return;
    case 3:
      AppendText(text, cap, kActions[pick(22)]);
      AppendText(text, cap, "。");
      return;
    default:
      return;
  }
}

}  // namespace kv
