#include "selector/listing.h"

#include <new>
#include <utility>

#include "selector/selector.h"
#include "shell/fatal.h"
#include "textscreen/textscreen.h"

namespace quandor {

const SelectorPlatform* Platform = &PosixPlatform;
dirrec* EntryTable = nullptr;
uint16_t EntryCount = 0;
uint8_t DriveCount = 0;
std::string StartDirectory;

namespace {

constexpr size_t kDirectoryShown = 74;  // longer directory names are cut and get ".."
constexpr size_t kSongShown = 76;       // the same for song names

void Append(uint8_t isdir, const std::string& name, const std::string& label) {
  dirrec& e = EntryTable[EntryCount++];
  e.isdir = isdir;
  e.name = name;
  e.label = label;
}

std::string Shortened(const std::string& name, size_t shown) {
  return name.size() > shown ? name.substr(0, shown) + ".." : name;
}

bool IsSongName(const std::string& name) {
  const std::string tail = name.size() < 4 ? name : name.substr(name.size() - 4);
  return UpperText(tail) == ".SNG";
}

// Runs one whole search of the current directory, handing every item to visit.
template <typename Visit>
void SearchAll(Visit visit) {
  DirSearch search;
  if (!Platform->FindFirst("*", kSearchEverything, search)) return;
  do visit(search);
  while (Platform->FindNext(search));
  Platform->FindClose(search);
}

}  // namespace

void SelectorInit() {
  DriveCount = 26;
  while (DriveCount > 0 && !Platform->DriveAnswers(DriveCount)) --DriveCount;
  delete[] EntryTable;
  EntryTable = new (std::nothrow) dirrec[kEntryTableSize]();
  if (!EntryTable) ReportFatal(203);
  StartDirectory.clear();
  Platform->GetCurrentDirectory(StartDirectory);
  ReadListing();
  HighlightRow = 0;
  ScrollOffset = 0;
  LeaveCode = 0;
}

void SelectorDone() {
  int err = Platform->SetCurrentDirectory(StartDirectory);
  if (err != 0) ReportFatal(ErrnoToCode(err, true));
  delete[] EntryTable;
  EntryTable = nullptr;
  EntryCount = 0;
}

void ReadListing() {
  EntryCount = 0;
  SearchAll([](const DirSearch& item) {
    if (!(item.attributes & kDirectoryBit) || EntryCount >= kMaxListedFiles || item.name == ".")
      return;
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on "<" + std::string.
    std::string label(1, '<');
    label += Shortened(item.name, kDirectoryShown);
    label += '>';
    Append(1, item.name, label);
  });
  SearchAll([](const DirSearch& item) {
    if ((item.attributes & kDirectoryBit) || EntryCount >= kMaxListedFiles) return;
    if (!IsSongName(item.name)) return;
    Append(0, item.name, Shortened(item.name, kSongShown));
  });
  if (EntryCount > 0) SortEntries(0, EntryCount - 1);
  for (int drive = 1; drive <= DriveCount; ++drive) {
    const std::string letter(1, static_cast<char>('A' + drive - 1));
    Append(1, letter + ":", "<" + letter + ":>");
  }
}

void ChangeDirectory(const std::string& name) {
  std::string remembered;
  const bool known = Platform->GetCurrentDirectory(remembered);
  if (Platform->SetCurrentDirectory(name) != 0 && known) {
    // Dropped on purpose: the selector simply stays where it was.
    Platform->SetCurrentDirectory(remembered);
  }
}

bool EntryBefore(const dirrec& a, const dirrec& b) {
  if (a.isdir != b.isdir) return a.isdir > b.isdir;
  const std::string x = UpperText(a.label);
  const std::string y = UpperText(b.label);
  const size_t common = x.size() < y.size() ? x.size() : y.size();
  for (size_t k = 0; k < common; ++k) {
    const auto cx = static_cast<unsigned char>(x[k]);
    const auto cy = static_cast<unsigned char>(y[k]);
    if (cx != cy) return cx < cy;
  }
  return x.size() < y.size();
}

void SortEntries(int first, int last) {
  int i = first;
  int j = last;
  const dirrec pivot = EntryTable[(first + last) / 2];
  do {
    while (EntryBefore(EntryTable[i], pivot)) ++i;
    while (EntryBefore(pivot, EntryTable[j])) --j;
    if (i <= j) {
      std::swap(EntryTable[i], EntryTable[j]);
      ++i;
      --j;
    }
  } while (i <= j);
  if (first < j) SortEntries(first, j);
  if (i < last) SortEntries(i, last);
}

void ResetListing() {
  delete[] EntryTable;
  EntryTable = nullptr;
  EntryCount = 0;
  DriveCount = 0;
  StartDirectory.clear();
  Platform = &PosixPlatform;
}

}  // namespace quandor
