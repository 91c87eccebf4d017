// The posting request apart from the HTTP client: where a post goes, the
// form bodies of the first and the confirming request, the cookies to send
// back, and what the server's answer page means. post_win.cpp drives WinINet
// with them.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kv {

inline constexpr char kPostAgent[] = "Monazilla/1.00 (Kurovel/0.48)";
inline constexpr char kPostScript[] = "/test/bbs.cgi";
inline constexpr char kPostFirstCookie[] = "Cookie: NAME=&MAIL=;\r\n";
inline constexpr int64_t kPostTimeBehind = 60;      // the first form's time is this far behind the clock
inline constexpr size_t kPostBodySpare = 9216;      // body buffer: message x 3 + this
inline constexpr size_t kPostAnswerBuffer = 8192;   // the answer is read into this many bytes less one
inline constexpr size_t kPostEncodeInputMax = 32767;
inline constexpr size_t kPostEncodeOutputMax = 32765;
inline constexpr size_t kPostTitleMax = 60;         // replyTitle: bytes of the page title kept
inline constexpr size_t kPostTextMax = 120;         // replyText: bytes of the page text kept
inline constexpr size_t kPostNameMax = 128;         // name and mail fields, terminator included

// Texts of the posting subsystem.
inline constexpr char kTextBadPostUrl[] = "URLが無効です";
inline constexpr char kTextPostFailed[] = "書き込み失敗しました";
inline constexpr char kTextPostOk[] = "ok";
inline constexpr char kTextPostTooLong[] = "本文が長すぎます。書き込みは送られていません。";
inline constexpr char kSubmitFirst[] = "書き込む";
inline constexpr char kSubmitConfirm[] = "全責任を負うことを承諾して書き込む";

// The server's answer markers, in one place.
struct PostMarkers {
  const char* acceptedTitle;  // the title of a success page begins with it
  const char* acceptedPage;   // or the page itself begins with this
  const char* confirmWord;    // found in the title of the cookie confirmation page
};
extern const PostMarkers kPostMarkers;

// Where a post goes. The address is first turned into the thread's log
// address; the board must be a plain name and the key a number.
struct PostTarget {
  char host[260];   // as in the address, with ":port" when it names one
  char server[260]; // the host alone, for the connection
  uint16_t port;    // named in the address, else the job's port, else 80
  char board[64];
  char key[24];
};
bool PostTargetOf(const char* address, uint32_t jobPort, PostTarget* out);

// "http://host/test/read.cgi/board/key/" and the confirmation's
// "http://host/test/bbs.cgi?bbs=board&key=key".
void PostRefererOf(const PostTarget& t, char* out, size_t cap);
void ConfirmRefererOf(const PostTarget& t, char* out, size_t cap);

// The agent string; a non-empty extra header line rides behind it
// ("\r\n" + line), so that it goes out as a header of its own.
void PostAgentOf(const char* postHead, char* out, size_t cap);

// The extra header line as a header of its own: its first line, ended by
// CR LF; empty when there is none.
void PostHeadLine(const char* postHead, char* out, size_t cap);

// Seconds since 1970-01-01 00:00 UTC of a UTC calendar time (the real
// Gregorian calendar).
struct CivilTime {
  int year, month, day, hour, minute, second;
};
int64_t UnixTimeOf(const CivilTime& t);

// Whether the message can be sent: the form takes at most 32767 bytes of it
// and at most 32765 encoded.
bool MessageFitsForm(const char* message, size_t length);

// Bytes the body buffer of a job gets for a message of this length.
size_t PostBodyCapacity(size_t messageLength);

struct PostFields {
  const char* name;
  const char* mail;
  const char* message;
  size_t messageLength;
  const char* board;
  const char* key;
  int64_t time;
  const char* postData;  // appended to the first body as it stands
};

// One hidden input of a confirmation form beyond the fields the program
// fills itself. Values are entity-decoded.
inline constexpr int kHiddenFieldMax = 16;
struct HiddenField {
  char name[64];
  char value[512];
};

// A page of the posting script, classified.
enum class PostOutcome {
  Accepted,  // the post was written
  Confirm,   // the cookie confirmation page
  Rejected,  // an error page, or anything else
};
struct PostAnswer {
  PostOutcome outcome;
  bool hasTitle;
  char title[64];   // at most 60 bytes, never half a character
  char text[128];   // the page text, at most 120 bytes
  // Confirmation pages only:
  bool hasTime;     // a hidden "time" made of digits only
  char time[24];
  int32_t extraCount;
  HiddenField extras[kHiddenFieldMax];
  bool formTooLarge;  // a hidden input did not fit: the form cannot be answered
};
void ClassifyPostAnswer(const char* page, size_t length, PostAnswer* out);

// The first body: submit, FROM, mail, MESSAGE, bbs, key, time, then
// postData. The confirming body: subject, FROM, mail, MESSAGE, bbs, time
// (from the page), key, submit, then the page's other hidden inputs. Both
// return the length written, or 0 when a value would have to be cut (the
// message too long for the form, or the buffer too small): nothing is then
// to be sent.
size_t BuildFirstBody(const PostFields& f, char* out, size_t cap);
size_t BuildConfirmBody(const PostFields& f, const PostAnswer& page, char* out, size_t cap);

// Cookies the server set with an answer, from its raw header block.
inline constexpr int kCookieMax = 8;
struct CookieJar {
  int32_t count;
  struct {
    char name[64];
    char value[256];
  } items[kCookieMax];
};
void TakeSetCookies(const char* rawHeaders, size_t length, CookieJar* jar);
// "Cookie: NAME=v; MAIL=v; other=v\r\n": the cookies set, NAME and MAIL
// always among them (empty when the server set none).
size_t ConfirmCookieHeader(const CookieJar& jar, char* out, size_t cap);

}  // namespace kv
