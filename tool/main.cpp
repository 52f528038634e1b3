// quandor-tool: renders, shows, builds and converts songs.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tool/lib/command.h"

namespace quandor::tool {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

namespace {
void Overview(FILE* out) {
  std::fprintf(out, "Usage: quandor-tool COMMAND [OPTIONS] ...\n\nCommands:\n");
  std::vector<Command> sorted = Commands();
  std::sort(sorted.begin(), sorted.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const Command& c : sorted) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fprintf(out, "\n'quandor-tool COMMAND --help' describes a command.\n");
}
}  // namespace

}  // namespace quandor::tool

int main(int argc, char** argv) {
  using namespace quandor::tool;
  if (argc < 2) {
    Overview(stderr);
    return kBadUsage;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    Overview(stdout);
    return kOk;
  }
  for (const Command& c : Commands()) {
    if (name != c.name) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
      std::fputs(c.usage, stdout);
      return kOk;
    }
    return c.run(args);
  }
  std::fprintf(stderr, "quandor-tool: unknown command '%s'\n", name.c_str());
  Overview(stderr);
  return kBadUsage;
}
