// A made-up file system with drive letters for tests of the listing: drives with and without
// media, directories whose search or entry fails, and items in a chosen search order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "selector/listing.h"

namespace quandor {

struct ScriptedItem {
  std::string name;
  bool isDirectory = false;
};

struct ScriptedDirectory {
  std::string path;                 // "C:\" for a root, "C:\SONGS" below it
  std::vector<ScriptedItem> items;  // in search order; "." and ".." only where listed here
  bool searchFails = false;         // the search finds nothing at all
  bool enterFails = false;          // changing into it is refused
};

struct ScriptedSystem {
  std::vector<ScriptedDirectory> directories;
  uint32_t answeringDrives = 0;      // bit n-1 set: drive n answers the free-space query
  std::string current;               // the current directory
  std::string driveCurrent[26];      // each drive's own current directory ("" = its root)
  std::vector<std::string> changes;  // every directory change asked for, in order
  int searches = 0;                  // FindFirst calls
  std::string lastPattern;           // pattern and mask of the last search
  uint8_t lastMask = 0;
};

extern ScriptedSystem Scripted;  // the scripted platform's whole state (owned here)
extern const SelectorPlatform ScriptedPlatform;

// Empty file system, no drives, no current directory.
void ResetScripted();

// The directory with this path, or nullptr.
ScriptedDirectory* FindScriptedDirectory(const std::string& path);

}  // namespace quandor
