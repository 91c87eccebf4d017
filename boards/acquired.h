// The acquired list of a board: one row per locally stored thread with its
// title, the posts in the log and where the reader left it, kept in the
// board's acquired.txt. These work on lists.acquired, which the caller has
// loaded for the board (list_win.cpp does the file side).
#pragma once
#include <cstddef>
#include <cstdint>

#include "boards/threadlist.h"

namespace kv {

// "…/dat/<key>.dat" -> the board's index address "…/subject.txt" and key.
// False (nothing written) for an address without a key.
bool BoardOfThread(const char* threadUrl, char* board, size_t cap, int32_t* key);

struct AcquiredFiles {
  char list[260];       // acquired.txt
  char index[260];      // the local subject.txt read when acquired.txt is missing
  char datFolder[260];  // where the logs are, ends in "\"
};
// The files of a board (its index address) under logFolder; false when a
// name does not fit.
bool AcquiredFilesOf(const char* board, const char* logFolder, AcquiredFiles* out);

// Loading: empty the table, add one row per local log, then merge the file.
void BeginAcquiredLoad(ThreadLists& lists);
void AddScannedLog(ThreadLists& lists, int32_t key);
void FinishAcquiredLoad(ThreadLists& lists, const char* data, size_t length, const char* board);

// A thread opened (count -1 when the caller does not know it): the row,
// or -1 when the table is full.
int32_t RecordOpenedThread(ThreadLists& lists, int32_t key, const char* title, int32_t count, bool offline);
// A thread window closed; false when nothing changed.
bool UpdateOnClose(ThreadLists& lists, int32_t key, int32_t position, int32_t count);
// The resume position, -1 when the thread has no row.
int32_t ResumePositionOf(const ThreadLists& lists, int32_t key);
// Removes the thread's row; the rows after it move up. False when none.
bool RemoveAcquired(ThreadLists& lists, int32_t key);

// The bytes of acquired.txt for the table: "%d.dat<>%s (%d)<>%d\n" per row
// that has a key and a title. Returns the length, or 0 when cap is short.
size_t AcquiredFileCapacity(const ThreadTable& table);
size_t FormatAcquiredFile(const ThreadTable& table, char* out, size_t cap);

// The base address of a folder of the log folder ("host\board\" ->
// "http://host/board/") for the all-acquired list.
void AcquiredBaseOf(const char* relativeFolder, char* out, size_t cap);

}  // namespace kv
