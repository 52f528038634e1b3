// The file selector's data side: the entry table of directories, songs and drives for the
// current directory, its order, directory changes and the start directory. Main thread only.
#pragma once
#include <cstdint>
#include <string>

namespace quandor {

// One selector entry.
struct dirrec {
  uint8_t isdir;      // 1: directory or drive (opening it changes directory); 0: song
  std::string name;   // as the search returns it (".." included); a drive is "A:"
  std::string label;  // the text shown in the list, at most 78 characters
};

constexpr int kEntryTableSize = 1057;
constexpr int kMaxListedFiles = 1023;  // directories and songs; drives come on top
constexpr uint8_t kDirectoryBit = 0x10;
constexpr uint8_t kSearchEverything = 0x3F;

// One step of a directory search: the item found and the platform's own search state.
struct DirSearch {
  std::string name;
  uint8_t attributes = 0;  // only kDirectoryBit is used
  void* handle = nullptr;  // owned by the platform between FindFirst and FindClose
};

// The operating system as the selector needs it. Swapped for a scripted one in tests.
struct SelectorPlatform {
  // Starts a search of the current directory; false when nothing can be found at all.
  bool (*FindFirst)(const char* pattern, uint8_t mask, DirSearch& search);
  // Next item; false at the end.
  bool (*FindNext)(DirSearch& search);
  void (*FindClose)(DirSearch& search);
  // Free-space query of drive number 1 (A) to 26 (Z); false for no drive or no medium.
  bool (*DriveAnswers)(int drive);
  // The current directory with its drive; false when it cannot be told.
  bool (*GetCurrentDirectory)(std::string& path);
  // 0 on success, else the system's error number. A drive name "X:" selects that drive.
  int (*SetCurrentDirectory)(const std::string& path);
};

extern const SelectorPlatform PosixPlatform;  // Linux: no drive letters
extern const SelectorPlatform* Platform;      // the operations in use (owned here)

extern dirrec* EntryTable;          // kEntryTableSize entries from SelectorInit to SelectorDone
extern uint16_t EntryCount;         // valid entries at the front of EntryTable
extern uint8_t DriveCount;          // drive letters listed, A being 1
extern std::string StartDirectory;  // current directory at SelectorInit, restored at the end

// Probes the drives, allocates the table, records the start directory, reads the listing and
// puts the selector screen's position to the top.
void SelectorInit();
// Changes back to StartDirectory (fatal on failure) and frees the table.
void SelectorDone();
// Rebuilds the table for the current directory.
void ReadListing();
// Changes to name; a failure is dropped and leaves the current directory as it was.
void ChangeDirectory(const std::string& name);
void SortEntries(int first, int last);
bool EntryBefore(const dirrec& a, const dirrec& b);

// Frees the table and puts every listing value back to its program-start value (the POSIX
// platform, no entries). No platform call.
void ResetListing();

}  // namespace quandor
