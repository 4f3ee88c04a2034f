#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "quor-host/commands.h"
#include "quor-host/help.h"
#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSignalBase = 128;

volatile std::sig_atomic_t commandRunning = 0;

extern "C" void OnExitDuringCommand() {
  if (commandRunning == 0) return;
  constexpr char kMessage[] =
      "quor-host: the plug-in ended the program before the command was done\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  _exit(kExitFailure);
}

class ExitGuard {
 public:
  ExitGuard() {
    [[maybe_unused]] static const int registered = std::atexit(OnExitDuringCommand);
    commandRunning = 1;
  }
  ~ExitGuard() { commandRunning = 0; }
  ExitGuard(const ExitGuard&) = delete;
  ExitGuard& operator=(const ExitGuard&) = delete;
};

std::size_t WordCount(std::string_view name) {
  return static_cast<std::size_t>(std::count(name.begin(), name.end(), ' ')) + 1;
}

// The command whose words open the arguments; also how many words it took.
const CommandEntry* FindCommand(std::span<const std::string> arguments) {
  for (const CommandEntry& command : AllCommands()) {
    const std::size_t words = WordCount(command.name);
    if (arguments.size() < words) continue;
    std::string joined;
    for (std::size_t i = 0; i < words; ++i)
      joined += (i > 0 ? " " : "") + arguments[i];
    if (joined == command.name) return &command;
  }
  return nullptr;
}

// The commands whose first word is `group` when it has more than one ("state"
// for "state save" and "state show"); none for a command of one word.
std::vector<const CommandEntry*> Subcommands(const std::string& group) {
  std::vector<const CommandEntry*> found;
  for (const CommandEntry& command : AllCommands())
    if (command.name.starts_with(group + " ")) found.push_back(&command);
  return found;
}

void UnknownCommand(std::span<const std::string> arguments) {
  if (!arguments.empty()) {
    if (const std::vector<const CommandEntry*> sub = Subcommands(arguments[0]); !sub.empty()) {
      std::string names;
      for (const CommandEntry* command : sub)
        names += (names.empty() ? "" : ", ") +
                 std::string(command->name.substr(arguments[0].size() + 1));
      throw UsageError("\"" + arguments[0] + "\" needs one of: " + names);
    }
  }
  // The first word is the command: what follows (a plug-in, a file) is not part of it.
  const std::string word = arguments.empty() ? "" : arguments[0];
  std::vector<std::string> words = {"help"};
  std::string names;
  for (const CommandEntry& command : AllCommands()) {
    const std::string first(command.name.substr(0, command.name.find(' ')));
    if (std::find(words.begin(), words.end(), first) == words.end()) words.push_back(first);
    names += (names.empty() ? "" : ", ") + std::string(command.name);
  }
  if (const auto nearest = Nearest(word, words)) {
    throw UsageError("unknown command \"" + word + "\"; did you mean \"" + *nearest + "\"?");
  }
  throw UsageError("unknown command \"" + word + "\"; the commands are " + names + " and help");
}

void Help(std::span<const std::string> topic, std::ostream& out) {
  if (topic.empty()) {
    PrintOverview(out);
  } else if (topic.size() == 1 && topic[0] == "--man") {
    PrintManualPage(out);
  } else if (const CommandEntry* command = FindCommand(topic)) {
    PrintCommandHelp(*command, out);
  } else if (const std::vector<const CommandEntry*> sub = Subcommands(topic[0]);
             topic.size() == 1 && !sub.empty()) {
    for (std::size_t i = 0; i < sub.size(); ++i) {
      if (i > 0) out << '\n';
      PrintCommandHelp(*sub[i], out);
    }
  } else {
    UnknownCommand(topic);
  }
}

}  // namespace

void DropExitGuard() {
  commandRunning = 0;
}

int RunQuorHost(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
  Streams streams{out, err};
  try {
    if (arguments.empty()) {
      PrintOverview(err);
      return kExitUsage;
    }
    const std::string& first = arguments[0];
    if (first == "--version") {
      out << "quor-host " << HostVersion() << '\n';
      return 0;
    }
    if (first == "help" || first == "--help" || first == "-h") {
      Help(arguments.subspan(1), out);
      return 0;
    }
    const CommandEntry* command = FindCommand(arguments);
    // "state --help" as "help state".
    if (command == nullptr && arguments.size() == 2 &&
        (arguments[1] == "--help" || arguments[1] == "-h") && !Subcommands(first).empty()) {
      Help(arguments.first(1), out);
      return 0;
    }
    if (command == nullptr) UnknownCommand(arguments);
    const Options options =
        ParseOptions(arguments.subspan(WordCount(command->name)), command->options);
    if (options.help) {
      PrintCommandHelp(*command, out);
      return 0;
    }
    const ExitGuard guard;
    command->run(options, streams);
  } catch (const UsageError& error) {
    err << "quor-host: " << error.what() << '\n';
    return kExitUsage;
  } catch (const Interrupted& error) {
    err << "quor-host: " << error.what() << '\n';
    return kExitSignalBase + error.Signal();
  } catch (const HostError& error) {
    err << "quor-host: " << error.what() << '\n';
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    err << "quor-host: out of memory\n";
    return kExitFailure;
  } catch (const std::exception& error) {
    err << "quor-host: " << error.what() << '\n';
    return kExitFailure;
  }
  return 0;
}
