#include "reader/idle.h"

#include <cstdlib>
#include <cstring>

#include "core/text.h"

namespace kv {

namespace {

// The pictures are this program's own characters. Each has two "%s" slots,
// one under the other, beside the mouth; the last two are too large for a
// remark (250 bytes or more) and are shown without one.
const char* const kPictures[kIdlePictures] = {
    // 0 a cat on a cushion
    "　　　／＼＿／＼\r\n"
    "　　 （ ＝・ω・＝）　＜ %s\r\n"
    "　　 （　 っ　っ　　　 %s\r\n"
    "　～～＼＿＿＿／～～\r\n",
    // 1 a round bird
    "　　　 ,,,\r\n"
    "　　（ ◎ ）>　＜ %s\r\n"
    "　　/）　 ）　　 %s\r\n"
    "　　 ＾＾\r\n",
    // 2 a small robot
    "　　 ┌┬┐\r\n"
    "　 ┌┴┴┴┐\r\n"
    "　 │□　□│　＜ %s\r\n"
    "　 │　＝　│　　 %s\r\n"
    "　 └┬─┬┘\r\n"
    "　　 ┘　└\r\n",
    // 3 a fish
    "　　　　 ＿＿\r\n"
    "　 ＜ﾟ）))彡　＜ %s\r\n"
    "　　　　￣￣　　 %s\r\n",
    // 4 a ghost
    "　　 ／￣￣＼\r\n"
    "　　|　・　・ |　＜ %s\r\n"
    "　　|　　o　 |　　 %s\r\n"
    "　　 ＼/＼/＼/\r\n",
    // 5 a rice ball
    "　　　 ／＼\r\n"
    "　　 ／ ＾＾＼　＜ %s\r\n"
    "　　/　 ▽　 ＼　　%s\r\n"
    "　 ｜■■■■｜\r\n",
    // 6 a snowman
    "　　　 ＿＿\r\n"
    "　　　|￣￣|\r\n"
    "　　 （ ･ ･ ）　＜ %s\r\n"
    "　　 （　 ○ ）　　 %s\r\n"
    "　　（　　 　 ）\r\n",
    // 7 a frog
    "　　 ◎ー◎\r\n"
    "　　（　▽　）　＜ %s\r\n"
    "　　 ｕ　 ｕ　　　 %s\r\n",
    // 8 a tea cup
    "　　　 ）　）\r\n"
    "　　（￣￣￣）｡o　＜ %s\r\n"
    "　　 ＼ ^^ ／　　　　%s\r\n"
    "　　　￣￣￣\r\n",
    // 9 a dog
    "　　∪￣￣∪\r\n"
    "　　（ ・ ｪ ・ ）　＜ %s\r\n"
    "　　 ｕ――ｕ　　　 %s\r\n",
    // 10 a moon
    "　　　　 ＿\r\n"
    "　　　 ／ ｜\r\n"
    "　　　｜ ･ ｜　＜ %s\r\n"
    "　　　｜ ▽｜　　 %s\r\n"
    "　　　 ＼ ｜\r\n"
    "　　　　 ￣\r\n",
    // 11 a cloud
    "　　　 ＿＿　 ＿＿\r\n"
    "　　（　 ･ ･　　 ）　＜ %s\r\n"
    "　　（＿＿ ﾛ ＿＿）　　 %s\r\n"
    "　　　 ; ; ; ; ;\r\n",
    // 12 a penguin
    "　　　 ／￣＼\r\n"
    "　　　| ･ ･ |　＜ %s\r\n"
    "　　 ／|　>　|＼　 %s\r\n"
    "　　　＼＿＿／\r\n"
    "　　　 凵　凵\r\n",
    // 13 a mushroom
    "　　 ,ｨ〃〃〃ヽ,\r\n"
    "　　（●　　 ●）\r\n"
    "　　　 |･ ･|　＜ %s\r\n"
    "　　　 |‐‐|　　 %s\r\n",
    // 14 a rabbit
    "　　　 ∩∩\r\n"
    "　　　（ ･x･）　＜ %s\r\n"
    "　　　 c(,,)(,,)　 %s\r\n",
    // 15 a clock
    "　　 ／￣￣￣＼\r\n"
    "　　| 12　　　 |\r\n"
    "　　|９ ･－　３ |　＜ %s\r\n"
    "　　|　　 ６　 |　　 %s\r\n"
    "　　 ＼＿＿＿／\r\n",
    // 16 a bear
    "　　 ●ー――●\r\n"
    "　　|　・　・　|　＜ %s\r\n"
    "　　|　　(_)　 |　　 %s\r\n"
    "　　 ＼＿＿＿／\r\n",
    // 17 an octopus
    "　　　／￣￣＼\r\n"
    "　　 （ ◎　◎ ）　＜ %s\r\n"
    "　　　＼ ｏ ／　　　 %s\r\n"
    "　　 ((((()))))\r\n",
    // 18 a paper lantern
    "　　　 ┬\r\n"
    "　　（三三三）\r\n"
    "　　（ ･ ▽ ･ ）　＜ %s\r\n"
    "　　（三三三）　　　%s\r\n"
    "　　　 ┴\r\n",
    // 19 a sleepy owl
    "　　　 ∧∧\r\n"
    "　　 （ －v－）　＜ %s\r\n"
    "　　 （|ミ|ミ|）　　%s\r\n"
    "　　　 ´￣`\r\n",
    // 20 a train, too large for a remark
    "　　　　　　　　　　 ＿＿＿＿＿＿＿＿＿＿＿＿＿＿＿＿＿\r\n"
    "　　　　　　　　　 ／|　□　□　□　□　□　□　□　|\r\n"
    "　　　　 o　o　 ／　 |　　　　　　　　　　　　　　　 |\r\n"
    "　　　　　　　 |＿＿＿|＿＿＿＿＿＿＿＿＿＿＿＿＿＿＿|\r\n"
    "　　　　　　 ～～(◎)(◎)～～～～～～～～～(◎)(◎)～～\r\n"
    "　　　 ガタン　ゴトン　　今日も各駅停車で参ります\r\n",
    // 21 a mountain view, too large for a remark
    "　　　　　　　　　　　　　 ／＼\r\n"
    "　　　　　　　　　　　　 ／　　＼　　　　　　 ／＼\r\n"
    "　　　　　　 ／＼　　 ／　 ＾＾ ＼　　　　 ／　　＼\r\n"
    "　　　　　 ／　　＼ ／　　　　　　＼　　 ／　　　　＼\r\n"
    "　　　　 ／　　　　＼　　　　　　　　＼／　　　　　　＼\r\n"
    "　～～～～～～～～～～～～～～～～～～～～～～～～～～\r\n"
    "　　　　　　　　　 スレッドを選ぶと、ここに表示されます\r\n",
};

struct CalendarDay {
  int month, day;
  const char* line;
};
const CalendarDay kCalendar[20] = {
    {1, 1, "あけましておめでと"},   {1, 4, "仕事始め、起きれたか？"},  {2, 11, "建国記念の日"},
    {2, 14, "チョコ期待age"},       {3, 14, "お返しの日だぞ"},          {4, 1, "今日は何を言っても許される"},
    {4, 29, "昭和の日"},            {5, 3, "憲法記念日"},               {5, 4, "みどりの日"},
    {5, 5, "こどもの日、柏餅うま"}, {7, 20, "夏休みまだ？"},            {8, 15, "終戦記念日"},
    {9, 15, "年寄りは大事にな"},    {10, 10, "体育の日だった日"},       {11, 3, "文化の日ってなにすんだ"},
    {11, 23, "勤労感謝の日、働け"}, {12, 23, "年末進行中"},             {12, 24, "俺が暖めてやるぜ"},
    {12, 25, "ケーキ半額待ち"},     {12, 31, "世話んなったな"},
};

const char* Greeting(int hour) {
  if (hour >= 2 && hour <= 5) return "こんな時間に…";
  if (hour >= 6 && hour <= 9) return "おはよう";
  if (hour >= 10 && hour <= 11) return "こんちわ";
  if (hour >= 12 && hour <= 13) return "ご飯まだ？";
  if (hour >= 14 && hour <= 17) return "こんちわ";
  if (hour >= 18 && hour <= 20) return "こんばんわ";
  return "今夜は寝かせないぜ";  // 21-23 and 0-1
}

// Slot 8 selects the special form; 6 and 7 are empty prefixes.
const char* const kFortunePrefixes[9] = {"大", "中", "小", "絶対", "どうみても", "超", "", "", ""};

const char* const kFortuneWords[22] = {
    "吉", "凶", "神", "愛", "萌", "晴", "雨", "鬱", "笑", "金", "恋", "末吉",
    "大漁", "雪", "嵐", "平和", "眠", "腹減", "祭", "虹", "微妙", "ｷﾀｰ",
};

// The fixed remarks, one for each remaining value of r; "%s" takes a word of
// kRemarkWords.
struct Remark {
  int r;
  const char* first;
  const char* second;
};
const Remark kRemarks[] = {
    {4, "スレ選んでくれ", ""},
    {5, "ここは何もないよ", "板を選んでね"},
    {6, "暇なのか？", ""},
    {7, "%sでも食べる？", ""},
    {8, "ROMってないで書けよ", ""},
    {9, "更新ボタン押した？", ""},
    {10, "今日も一日", "おつかれ"},
    {11, "ｷﾀ━━━━━━", "…と思ったら何もなかった"},
    {12, "%sが気になる", ""},
    {13, "sage進行でよろしく", ""},
    {14, "2げっと", "…できなかった"},
    {15, "あぼーんされた気分", ""},
    {16, "ｵﾚｵﾚ、ｵﾚだよ", ""},
    {17, "ねむい", "でも寝ない"},
    {18, "お茶でも", "いかが？"},
    {19, "ここだけの話", "何もないです"},
    {20, "%sなう", ""},
    {21, "週末は何してる？", ""},
    {22, "たまには外に出ようぜ", ""},
    {23, "よく来たな", ""},
    {24, "おまえのスレ", "どこ？"},
    {25, "画面が真っ白だと", "さみしいだろ"},
    {26, "%s最強説", ""},
    {27, "肩こってない？", "ストレッチしとけ"},
    {28, "マターリいこうぜ", ""},
    {29, "新着レス", "待ってる"},
    {30, "スクロールしても", "何も出ないぞ"},
    {31, "ネタが思いつかん", ""},
    {32, "今日の運勢は", "自分で決めろ"},
    {33, "%sが食べたい", ""},
    {34, "人生いろいろ", "スレもいろいろ"},
    {35, "ちゃんと寝てる？", ""},
    {36, "俺の出番", "これだけ？"},
    {37, "気になるスレ", "見つかった？"},
    {38, "読むだけでも", "楽しいよな"},
    {39, "書き込む前に", "深呼吸"},
    {40, "今日も平和", ""},
    {41, "%s祭り開催中", ""},
    {42, "ここ、空いてますよ", ""},
    {43, "何か用か？", ""},
    {44, "また来たのか", "うれしいぞ"},
    {51, "電池残ってる？", ""},
    {52, "わっしょい", "わっしょい"},
    {53, "オフラインでも", "読めるぞ"},
    {55, "がんばれ", "超がんばれ"},
    {57, "おまえを見てる", ""},
};
const char* const kRemarkWords[] = {"カレー", "ラーメン", "プリン", "猫", "寿司", "餃子", "そば", "たこ焼き"};

// The first "%s" of format replaced by word; no other conversion exists in
// these texts, but they are copied as bytes, never used as a format.
void FillOneSlot(const char* format, const char* word, char* out, size_t cap) {
  const char* slot = strstr(format, "%s");
  if (!slot) {
    CopyText(out, cap, format);
    return;
  }
  CopyTextN(out, cap, format, static_cast<size_t>(slot - format));
  AppendText(out, cap, word);
  AppendText(out, cap, slot + 2);
}

void Fortune(RandomDraw draw, char* out, size_t cap) {
  int p = draw(9);
  const char* word = kFortuneWords[draw(22)];
  if (p == 8)
    FormatText(out, cap, "今日の占い・・・【特%sつゆだくで】", word);
  else
    FormatText(out, cap, "今日の占い・・・【%s%s】", kFortunePrefixes[p], word);
}

}  // namespace

int LibraryRandom(int n) { return n > 0 ? rand() % n : 0; }

void MakeRemarkFor(int r, const RemarkClock& now, RandomDraw draw, char* first, size_t firstCap, char* second,
                   size_t secondCap) {
  if (firstCap) first[0] = 0;
  if (secondCap) second[0] = 0;
  switch (r) {
    case 0:
    case 45:
    case 54: {
      size_t n = FormatText(first, firstCap, "%d月 %d日　", now.month, now.day);
      for (const CalendarDay& d : kCalendar)
        if (d.month == now.month && d.day == now.day) AppendText(first + n, firstCap - n, d.line);
      return;
    }
    case 1:
    case 46:
      CopyText(first, firstCap, Greeting(now.hour));
      return;
    case 2:
    case 47:
    case 49:
      Fortune(draw, first, firstCap);
      return;
    case 3:
    case 48:
    case 50: {
      const char* a = kFortuneWords[draw(22)];
      const char* b = kFortuneWords[draw(22)];
      if (a == b)
        FormatText(first, firstCap, "心の天気予報・・・【%s】", a);
      else
        FormatText(first, firstCap, "心の天気予報・・・【%s のち %s】", a, b);
      return;
    }
    case 56:
      Fortune(draw, first, firstCap);
      CopyText(second, secondCap, "信じるか信じないかは君次第");
      return;
  }
  for (const Remark& m : kRemarks) {
    if (m.r != r) continue;
    const char* word = kRemarkWords[draw(static_cast<int>(sizeof kRemarkWords / sizeof kRemarkWords[0]))];
    FillOneSlot(m.first, word, first, firstCap);
    CopyText(second, secondCap, m.second);
    return;
  }
}

void MakeRemark(const RemarkClock& now, RandomDraw draw, char* first, size_t firstCap, char* second,
                size_t secondCap) {
  MakeRemarkFor(draw(kRemarkValues), now, draw, first, firstCap, second, secondCap);
}

size_t PictureLength(int i) { return (i >= 0 && i < kIdlePictures) ? strlen(kPictures[i]) : 0; }

size_t FillPicture(int i, const char* first, const char* second, char* out, size_t cap) {
  if (i < 0 || i >= kIdlePictures || cap == 0) return 0;
  const char* picture = kPictures[i];
  out[0] = 0;
  if (strlen(picture) >= 250) return CopyText(out, cap, picture);
  // The slots are found in the picture, not in the growing result, so a
  // remark that happens to hold "%s" is never taken for the second slot.
  const char* slot1 = strstr(picture, "%s");
  const char* slot2 = slot1 ? strstr(slot1 + 2, "%s") : nullptr;
  if (!slot2) return CopyText(out, cap, picture);
  CopyTextN(out, cap, picture, static_cast<size_t>(slot1 - picture));
  AppendText(out, cap, first);
  size_t n = strlen(out);
  CopyTextN(out + n, cap - n, slot1 + 2, static_cast<size_t>(slot2 - slot1 - 2));
  AppendText(out, cap, second);
  return AppendText(out, cap, slot2 + 2);
}

bool RefreshIdleMessage(IdleMessage& m, uint32_t nowMs, const RemarkClock& now, RandomDraw draw) {
  if (m.made && nowMs - m.refreshedAt <= 800) return false;
  char first[128], second[128];
  MakeRemark(now, draw, first, sizeof first, second, sizeof second);
  FillPicture(draw(kIdlePictures), first, second, m.text, sizeof m.text);
  m.refreshedAt = nowMs;
  m.made = true;
  return true;
}

}  // namespace kv
