#include "ui/keys.h"

#include <cstring>

#include "core/eventlog.h"
#include "core/text.h"

namespace kv {

const CommandInfo kCommands[kCommandCount] = {
    {40047, "CloseAll", "全て閉じる"},
    {40017, "BrowserOpen", "ﾌﾞﾗｳｻﾞで開く"},
    {40021, "DeleteDat", "スレ削除"},
    {40019, "DlgWrite", "書き込む"},
    {40018, "DlgFind", "検索"},
    {40016, "UrlOpen", "URLを開く"},
    {40031, "HideTabBar", "ﾀﾌﾞﾊﾞｰ"},
    {40030, "Favorite", "お気に入り"},
    {40096, "DlgWebFind", "Web検索"},
    {40033, "HideAddresBar", "ｱﾄﾞﾚｽﾊﾞｰ"},
    {40035, "FocusList", "スレ一覧"},
    {40046, "AcquiredList", "既得スレ一覧"},
    {40049, "AcquiredAllList", "全既得スレ一覧"},
    {40014, "Offline", "ｵﾌﾗｲﾝ"},
    {40036, "DlgProxy", "ﾌﾟﾛｷｼ設定"},
    {40001, "Exit", "終了"},
    {40027, "Reopen", "更新"},
    {40032, "HideStatBar", "ｽﾃｰﾀｽﾊﾞｰ"},
    {40034, "FocusTree", "板一覧"},
    {40048, "PopupMenu", "ﾎﾟｯﾌﾟｱｯﾌﾟﾒﾆｭｰ"},
    {40063, "AACheck", "AA判定"},
    {40075, "HidePpcBar", "ﾊﾞｰ非表示"},
    {40012, "CloseDat", "スレ閉じる"},
    {40005, "DlgTree", "板一覧選択"},
    {40089, "DlgTest", "書込ｱﾆﾒ"},
    {40056, "TitleUrl", "ﾀｲﾄﾙとURL"},
    {40015, "RDIAL", "RDIAL起動"},
    {40057, "DlgMemo", "ﾒﾓ"},
    {40058, "DlgName", "名前ﾘｽﾄ"},
    {40105, "DlgMyword", "書込単語"},
    {40072, "DlgNgword", "NGワード"},
    {40099, "DlgRound", "巡回ﾘｽﾄ"},
    {40100, "DlgFile", "ﾀﾞｳﾝﾛｰﾄﾞ"},
    {40101, "DlgBbbsmenu", "板ﾘｽﾄ"},
    {40064, "DlgWritelog", "書込ﾛｸﾞ"},
    {40028, "Selm_Add", "お気に入りに追加"},
    {40029, "Selm_Edit", "お気に入りの整理[Selm]"},
    {40104, "Ravo_Edit", "追加した板の整理[Ravo]"},
    {40074, "UnderTabBar", "ﾀﾌﾞ下表示"},
    {40090, "AutoAjust", "自動ｻｲｽﾞ調整"},
    {40082, "CleanNgword", "透明あぼーん"},
    {40107, "LRKeyPage", "左右ｷｰでﾍﾟｰｼﾞ送り"},
    {40026, "RegetThread", "スレ再取得"},
    {40109, "AtCheckNet", "ﾈｯﾄ接続ﾁｪｯｸ"},
    {40108, "Mofta", "Mofta"},
    {40111, "PopupDlg", "情報ｳｲﾝﾄﾞｳ"},
    {40008, "OpenDat", "スレ開く"},
    {40114, "ListColum", "ｽﾚ一覧ｶﾗﾑ"},
    {40115, "ListSort0", "ｽﾚ一覧ｿｰﾄ No."},
    {40116, "ListSort1", "ｽﾚ一覧ｿｰﾄ ﾀｲﾄﾙ"},
    {40117, "ListSort2", "ｽﾚ一覧ｿｰﾄ 件数"},
    {40118, "ListSort3", "ｽﾚ一覧ｿｰﾄ 新規"},
    {40119, "ListSort4", "ｽﾚ一覧ｿｰﾄ datﾌｧｲﾙ"},
    {51, "<LINEUP>", "1行上"},
    {52, "<LINEDOWN>", "1行下"},
    {53, "<PAGEUP>", "1ページ上"},
    {54, "<PAGEDOWN>", "1ページ下"},
    {63, "<LEFT>", "左"},
    {64, "<RIGHT>", "右"},
    {55, "<CLOSE>", "閉じる"},
    {56, "<NEXT>", "次へ"},
    {57, "<PREV>", "戻る"},
    {58, "<CLICK>", "ｸﾘｯｸ"},
    {59, "<HOLD>", "ﾀｯﾌﾟ＆ﾎｰﾙﾄﾞ"},
    {60, "<DBLCK>", "ﾀﾞﾌﾞﾙｸﾘｯｸ"},
    {61, "<HOME>", "ﾎｰﾑ"},
    {62, "<END>", "ｴﾝﾄﾞ"},
};

namespace {

struct KeyName {
  const char* name;  // four characters
  int key;
};
const KeyName kKeyNames[] = {
    {"{UP}", 38}, {"{DN}", 40}, {"{LT}", 37}, {"{RT}", 39}, {"{ER}", 13}, {"{EC}", 27}, {"{TB}", 9},
    {"{BS}", 8},  {"{CK}", 1},  {"{HD}", 2},  {"{DK}", 4},  {"{SP}", 32}, {"{HM}", 36}, {"{ED}", 35},
    {"{F1}", 112}, {"{F2}", 113}, {"{F3}", 114}, {"{F4}", 115}, {"{F5}", 116}, {"{F6}", 117}, {"{F7}", 118},
    {"{F8}", 119},
};

// Letter defaults, the same in all five tables ("" = unbound).
const char* const kLetterDefaults[26] = {
    "CloseAll", "BrowserOpen", "",        "DeleteDat",    "DlgWrite", "DlgFind",         "UrlOpen",
    "HideTabBar", "Favorite",  "DlgWebFind", "HideAddresBar", "FocusList", "AcquiredList", "AcquiredAllList",
    "Offline",  "DlgProxy",    "Exit",    "Reopen",       "HideStatBar", "FocusTree",    "PopupMenu",
    "",         "CloseDat",    "AACheck", "",             "CloseDat",
};

int CommandNumberOf(const char* name) {
  for (const CommandInfo& c : kCommands)
    if (strcmp(c.name, name) == 0) return c.number;
  return 0;
}

// Whether the name goes on after the text only with digits: "ListSort"
// names the numbered family ListSort0..4, while "E" names no "Exit".
static bool OnlyDigitsAfter(const char* name, size_t from) {
  if (!name[from]) return false;
  for (const char* p = name + from; *p; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

// The key file's word for a command. Compared in table order; a name matches
// when it is a prefix of the text (so trailing blanks or remarks do not
// matter) or when the text is a numbered family's name without its digit
// (so "ListSort" means the first of the ListSort commands). A word that is
// only the start of a name binds nothing.
const CommandInfo* MatchCommand(const char* text) {
  size_t textLength = strlen(text);
  if (textLength == 0) return nullptr;
  for (const CommandInfo& c : kCommands) {
    size_t n = strlen(c.name);
    if (strncmp(text, c.name, n) == 0) return &c;
  }
  for (const CommandInfo& c : kCommands) {
    size_t n = strlen(c.name);
    if (textLength < n && strncmp(text, c.name, textLength) == 0 && OnlyDigitsAfter(c.name, textLength)) return &c;
  }
  return nullptr;
}

void Bind(KeyEntry* table, int key, int command) {
  for (int i = 0; i < kKeyTableSize && table[i].key; ++i) {
    if (table[i].key == key) {
      table[i].command = command;
      return;
    }
  }
}

enum class Section { None, Keys, Popup, ListColor, DataColor };

struct SectionName {
  const char* name;
  Section kind;
  int index;
};
// A section line is recognised by its start, so "[LIST] keys" is "[LIST]".
const SectionName kSections[] = {
    {"[DEFAULT]", Section::Keys, kKeysDefault},   {"[TREE_POPUP]", Section::Popup, 0},
    {"[TREE2_POPUP]", Section::Popup, 1},         {"[LIST_POPUP]", Section::Popup, 2},
    {"[DATA_POPUP]", Section::Popup, 3},          {"[LIST_COLOR]", Section::ListColor, 0},
    {"[DATA_COLOR]", Section::DataColor, 0},      {"[TREE2]", Section::Keys, kKeysTree2},
    {"[TREE]", Section::Keys, kKeysTree},         {"[LIST]", Section::Keys, kKeysList},
    {"[DATA]", Section::Keys, kKeysView},
};

void AddPopupItem(PopupMenu& m, int number, const char* text) {
  if (m.count >= kPopupItemsMax) return;
  PopupItem& item = m.items[m.count++];
  item.number = number;
  CopyText(item.text, text);
}

uint32_t ParseColorValue(const char* v) {
  if (v[1] == 'x') {
    uint32_t n = 0;
    for (const char* p = v + 2; *p; ++p) {
      int d = (*p >= '0' && *p <= '9') ? *p - '0' : (*p >= 'a' && *p <= 'f') ? *p - 'a' + 10
                                                  : (*p >= 'A' && *p <= 'F') ? *p - 'A' + 10 : -1;
      if (d < 0) break;
      n = n * 16 + static_cast<uint32_t>(d);
    }
    return n;
  }
  return static_cast<uint32_t>(ParseInt(v));
}

void ApplyColor(Section section, Settings& s, const char* line) {
  // Three letters, "=", and a value that starts with a digit.
  if (strlen(line) < 5 || line[3] != '=' || line[4] < '0' || line[4] > '9') return;
  uint32_t value = ParseColorValue(line + 4);
  if (section == Section::ListColor) {
    static const char* const kNames[6] = {"Txt", "Bak", "Tx2", "Ba2", "Tx3", "Ba3"};
    for (int i = 0; i < 6; ++i)
      if (strncmp(line, kNames[i], 3) == 0) s.listColors[i] = value;
    return;
  }
  struct {
    const char* name;
    uint32_t* field;
  } const view[] = {{"Txt", &s.ColorTxt}, {"Bak", &s.ColorBak}, {"New", &s.ColorNew}, {"Num", &s.ColorNum},
                    {"Nme", &s.ColorNme}, {"Nlk", &s.ColorNlk}, {"Tim", &s.ColorTim}, {"Udl", &s.lineColor}};
  for (const auto& v : view)
    if (strncmp(line, v.name, 3) == 0) *v.field = value;
}

void ApplyKeyLine(KeyBindings& b, int table, const char* line) {
  unsigned char c = static_cast<unsigned char>(line[0]);
  if (((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) && line[1] == '=') {
    if (const CommandInfo* cmd = MatchCommand(line + 2)) Bind(b.tables[table], c, cmd->number);
    return;
  }
  for (const KeyName& k : kKeyNames) {
    if (strncmp(line, k.name, 4) == 0 && line[4] == '=') {
      if (const CommandInfo* cmd = MatchCommand(line + 5)) {
        Bind(b.tables[table], k.key, cmd->number);
        if (k.key >= 112 && k.key <= 119) b.hardwareKeys |= 1u << (k.key - 112);
      }
      return;
    }
  }
}

void ApplyPopupLine(KeyBindings& b, PopupMenu& m, const char* line) {
  if (m.count >= kPopupItemsMax) return;
  if (line[0] == '-') {
    AddPopupItem(m, -1, "");
    return;
  }
  if (line[0] == '@') {
    if (b.launchers >= kLaunchersMax) return;
    // "@name.lnk" shows as "name": everything from the last "." goes.
    char name[64];
    CopyText(name, line + 1);
    if (char* dot = strrchr(name, '.')) *dot = 0;
    AddPopupItem(m, kFirstLauncher + b.launchers, name);
    ++b.launchers;
    return;
  }
  if (const CommandInfo* cmd = MatchCommand(line)) AddPopupItem(m, cmd->number, cmd->display);
}

}  // namespace

const CommandInfo* FindCommand(int number) {
  for (const CommandInfo& c : kCommands)
    if (c.number == number) return &c;
  return nullptr;
}

void SetUpKeyTables(KeyBindings& b, Settings& s) {
  memset(&b, 0, sizeof b);
  for (int t = 0; t < kKeyTables; ++t) {
    int i = 0;
    for (int letter = 0; letter < 26; ++letter) {
      const char* def = kLetterDefaults[letter];
      b.tables[t][i++] = {def[0] ? CommandNumberOf(def) : 0, 'A' + letter};
    }
    for (int digit = 0; digit < 10; ++digit) b.tables[t][i++] = {0, '0' + digit};
    for (const KeyName& k : kKeyNames) b.tables[t][i++] = {0, k.key};
  }
  const uint32_t colors[6] = {0x000000, 0xFFFFFF, 0x000000, 0xF0F0F0, kColorUnset, kColorUnset};
  memcpy(s.listColors, colors, sizeof colors);
}

void ApplyKeyFile(KeyBindings& b, Settings& s, const char* text, size_t length) {
  Section section = Section::None;
  int index = 0;
  size_t i = 0;
  while (i < length) {
    size_t start = i;
    while (i < length && text[i] != '\r' && text[i] != '\n' && text[i] != 0 && i - start < 256) ++i;
    char line[257];
    memcpy(line, text + start, i - start);
    line[i - start] = 0;
    if (i < length && (text[i] == '\r' || text[i] == '\n' || text[i] == 0)) {
      if (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n') ++i;
      ++i;
    }
    if (!line[0] || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      section = Section::None;
      for (const SectionName& n : kSections) {
        if (strncmp(line, n.name, strlen(n.name)) == 0) {
          section = n.kind;
          index = n.index;
          break;
        }
      }
      continue;
    }
    switch (section) {
      case Section::Keys:
        ApplyKeyLine(b, index, line);
        break;
      case Section::Popup:
        ApplyPopupLine(b, b.popups[index], line);
        break;
      case Section::ListColor:
      case Section::DataColor:
        ApplyColor(section, s, line);
        break;
      case Section::None:
        break;
    }
  }
}

int LookUpKey(const KeyBindings& b, int key, int table) {
  if (table < 0 || table >= kKeyTables) table = kKeysDefault;
  for (int pass = 0; pass < 2; ++pass) {
    const KeyEntry* t = b.tables[pass == 0 ? table : kKeysDefault];
    for (int i = 0; i < kKeyTableSize && t[i].key; ++i) {
      if (t[i].key != key) continue;
      if (t[i].command) {
        WriteEventLog('i', "KeyID key=%02X, id=%d", key, t[i].command);
        return t[i].command;
      }
      break;  // bound to nothing in this table
    }
    if (table == kKeysDefault) break;
  }
  return 0;
}

const PopupMenu& PopupItems(const KeyBindings& b, int menu) {
  if (menu < 0 || menu >= kPopupMenus) menu = 0;
  return b.popups[menu];
}

const char* LauncherName(const KeyBindings& b, int number) {
  for (const PopupMenu& m : b.popups)
    for (int i = 0; i < m.count; ++i)
      if (m.items[i].number == number) return m.items[i].text;
  return "";
}

}  // namespace kv
