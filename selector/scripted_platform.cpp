#include "selector/scripted_platform.h"

#include <cerrno>

namespace quandor {

ScriptedSystem Scripted;

namespace {

struct ScriptedSearch {
  const ScriptedDirectory* dir;
  size_t next;
};

bool IsDriveName(const std::string& name) {
  return name.size() == 2 && name[1] == ':' && name[0] >= 'A' && name[0] <= 'Z';
}

bool IsAbsolute(const std::string& path) {
  return path.size() >= 3 && path.compare(1, 2, ":\\") == 0;
}

std::string Parent(const std::string& path) {
  const size_t cut = path.rfind('\\');
  if (cut == std::string::npos || cut + 1 == path.size()) return "";  // a root has none
  return cut == 2 ? path.substr(0, 3) : path.substr(0, cut);
}

std::string Resolve(const std::string& name) {
  if (IsDriveName(name)) {
    const std::string& own = Scripted.driveCurrent[name[0] - 'A'];
    return own.empty() ? name + "\\" : own;
  }
  if (IsAbsolute(name)) return name;
  if (name == "..") return Parent(Scripted.current);
  if (name.empty()) return "";
  return Scripted.current.back() == '\\' ? Scripted.current + name : Scripted.current + "\\" + name;
}

bool Step(DirSearch& search) {
  auto* s = static_cast<ScriptedSearch*>(search.handle);
  if (s->next >= s->dir->items.size()) return false;
  const ScriptedItem& item = s->dir->items[s->next++];
  search.name = item.name;
  search.attributes = item.isDirectory ? kDirectoryBit : 0;
  return true;
}

void Close(DirSearch& search) {
  delete static_cast<ScriptedSearch*>(search.handle);
  search.handle = nullptr;
}

bool First(const char* pattern, uint8_t mask, DirSearch& search) {
  ++Scripted.searches;
  Scripted.lastPattern = pattern;
  Scripted.lastMask = mask;
  const ScriptedDirectory* dir = FindScriptedDirectory(Scripted.current);
  if (!dir || dir->searchFails) return false;
  search.handle = new ScriptedSearch{dir, 0};
  if (Step(search)) return true;
  Close(search);
  return false;
}

bool DriveAnswers(int drive) {
  return (Scripted.answeringDrives >> (drive - 1)) & 1;
}

bool Current(std::string& path) {
  if (Scripted.current.empty()) return false;
  path = Scripted.current;
  return true;
}

int Change(const std::string& name) {
  Scripted.changes.push_back(name);
  const std::string target = Resolve(name);
  const ScriptedDirectory* dir = FindScriptedDirectory(target);
  if (!dir) return ENOENT;
  if (dir->enterFails) return EACCES;
  Scripted.current = target;
  Scripted.driveCurrent[target[0] - 'A'] = target;
  return 0;
}

}  // namespace

const SelectorPlatform ScriptedPlatform = {First, Step, Close, DriveAnswers, Current, Change};

ScriptedDirectory* FindScriptedDirectory(const std::string& path) {
  for (ScriptedDirectory& d : Scripted.directories)
    if (d.path == path) return &d;
  return nullptr;
}

void ResetScripted() {
  Scripted = ScriptedSystem();
}

}  // namespace quandor
