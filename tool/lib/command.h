// Subcommand registry of quandor-tool. Each cmd_*.cpp registers its commands with a static
// Registration object; main.cpp looks them up by name.
#pragma once
#include <string>
#include <vector>

namespace quandor::tool {

// Exit statuses: 0 success, 1 bad input (a song or text refused, a file unreadable), 2 bad usage.
constexpr int kOk = 0;
constexpr int kBadInput = 1;
constexpr int kBadUsage = 2;

struct Command {
  const char* name;
  const char* summary;                               // one line for the overview
  const char* usage;                                 // the full --help text
  int (*run)(const std::vector<std::string>& args);  // arguments after the command name
};

std::vector<Command>& Commands();

struct Registration {
  explicit Registration(const Command& c) { Commands().push_back(c); }
};

}  // namespace quandor::tool
