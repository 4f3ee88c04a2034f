// The host's commands, one entry each in the table in commands.cpp: adding a
// command is one entry there and its Run function. Each reports failures by
// throwing HostError (UsageError for a wrong command line).
#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "quor-host/command_line.h"

class Plugin;

struct Streams {
  std::ostream& out;  // the command's result
  std::ostream& err;  // warnings
};

// What an option means to one command where that differs from its entry in
// the option table (-o is render's output, but open's state file).
struct OptionNote {
  std::string_view name;   // "--output"
  std::string_view value;  // its value's name here
  std::string_view help;
};

struct CommandEntry {
  std::string_view name;       // one or two words: "info", "state save"
  std::string_view arguments;  // the positional arguments, e.g. "PLUGIN FILE"
  std::string_view summary;    // one line
  std::string_view description;
  std::span<const std::string_view> options;
  void (*run)(const Options& options, Streams& streams);
  std::span<const OptionNote> notes = {};

  // The option as this command describes it.
  OptionEntry Option(std::string_view optionName) const;
};

std::span<const CommandEntry> AllCommands();

// Each warning as a line of its own on the error stream.
void Warn(Streams& streams, const std::vector<std::string>& warnings);

// Loads --state, then applies the --set settings, as every command that
// loads a plug-in starts; returns the settings' warnings.
std::vector<std::string> ApplyStateOptions(const Plugin& plugin, const Options& options);

void RunInfo(const Options& options, Streams& streams);
void RunRender(const Options& options, Streams& streams);
void RunStateSave(const Options& options, Streams& streams);
void RunStateShow(const Options& options, Streams& streams);
void RunOpen(const Options& options, Streams& streams);
void RunScreenshot(const Options& options, Streams& streams);

// The whole command line after the program name; returns the exit code
// (0 success, 1 failure, 2 usage, 128 + the signal that interrupted it) and
// never lets an error escape. A plug-in that ends the program while a
// command runs (exit() in its entry point) makes it fail with a message
// instead of leaving status 0.
int RunQuorHost(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

// In a process forked to run a plug-in, whose end its parent judges.
void DropExitGuard();
