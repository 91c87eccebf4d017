// The patrol list round.txt: one entry per line, a name, a comma and an
// address (split at the first comma); "#" and ";" lines and empty lines are
// no entries; at most 50 entries are read.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/address.h"

namespace kv {

inline constexpr int32_t kMaxRoundEntries = 50;
inline constexpr char kRoundFile[] = "round.txt";

// The entries a round.txt holds (counted as ParseRoundList reads them: at
// most 50).
int32_t CountRoundEntries(const char* data, size_t length);

// The line of a new entry: the title with its commas as "." (a comma would
// end the name early), both cut at a line end and stripped of blanks at
// either end, and a reading-script address as its log address, so that the
// patrol brings the log up to date. out (cap >= 600) gets "title,url" CR LF.
// Returns its length; 0 when the address is empty.
size_t RoundLine(const char* title, const char* url, char* out, size_t cap);

enum class RoundAppend { Added, Full, Empty, NoRoom };
// round.txt with the entry added: the old bytes (CR LF first when they do
// not end with it) and the line. Full when the file already holds 50
// entries. *written gets the new length.
RoundAppend AppendRoundEntry(const char* old, size_t oldLength, const char* title, const char* url, char* out,
                             size_t cap, size_t* written);
// The room AppendRoundEntry needs.
inline size_t RoundFileSizeWith(size_t oldLength) { return oldLength + 2 + 600 + 1; }

inline constexpr size_t kPatrolNameMax = 256;

// One entry of round.txt, in file order. result is a PatrolStatus value
// (0 not yet fetched, 1 no address, 2 fetched, 3 failed, 4 being fetched).
struct PatrolEntry {
  char name[kPatrolNameMax];  // text before the first comma (cut on a character)
  char address[kAddressMax];  // text after it, as written in the file
  bool hasAddress;            // the line had a comma
  bool addressTooLong;        // the address did not fit: never fetched cut
  int32_t result;
};

struct PatrolList {
  int32_t count;
  PatrolEntry entries[kMaxRoundEntries];
};

// Reads round.txt's bytes: one entry a line (LF, CR LF or CR), the line's
// CR and the blanks around it trimmed; empty lines and lines starting with
// "#" or ";" are no entries; name and address split at the first comma,
// each without blanks at its ends; at most 50 entries, later lines are
// ignored. Returns the count.
int32_t ParseRoundList(const char* data, size_t length, PatrolList* out);

// The address the patrol fetches for an entry: a reading-script address as
// its log address, anything else as written. False (out empty) when the
// entry has nothing to fetch or the address does not fit out.
bool PatrolFetchAddress(const PatrolEntry& entry, char* out, size_t cap);

}  // namespace kv
