#include "quor-host/help.h"

#include <sstream>
#include <vector>

#include "quor-host/output_format.h"
#include "quor-host/plugin_search.h"

namespace {

constexpr std::size_t kWidth = 79;

constexpr const char* kExitStatus =
    "0 when the command succeeded, 1 when it failed (the reason is one line on standard "
    "error), 2 when the command line is wrong, 128 + N when signal N stopped a render (130 for "
    "Ctrl-C, 143 for SIGTERM): the host then ends by that signal, so that a loop in the shell "
    "stops as well.";

std::string PluginSearchText() {
  return "PLUGIN is the path of a VST 2.4 shared object, or a bare name (QUOR, QUOR.so) "
         "looked up in the folders of " +
         SearchFolderDescription() + ", and their subfolders.";
}

std::string OutputFormatsText() {
  return "The output's extension chooses its format: " + SupportedFormatsText() +
         ". --bits chooses integer or float samples where the container has them.";
}

// Breaks text into lines of at most kWidth characters after the indent.
void Wrap(std::ostream& out, std::string_view text, std::size_t indent) {
  std::istringstream words{std::string(text)};
  std::string word;
  std::size_t column = 0;
  while (words >> word) {
    if (column > 0 && column + 1 + word.size() > kWidth) {
      out << '\n';
      column = 0;
    }
    if (column == 0) {
      out << std::string(indent, ' ') << word;
      column = indent + word.size();
    } else {
      out << ' ' << word;
      column += 1 + word.size();
    }
  }
  if (column > 0) out << '\n';
}

std::string OptionHeading(const OptionEntry& option) {
  std::string heading;
  if (!option.alias.empty()) heading += std::string(option.alias) + ", ";
  heading += option.name;
  // Appended piece by piece: GCC's -Wrestrict misreads "text" + string here.
  if (!option.value.empty()) {
    heading += option.valueOptional ? "[=" : " ";
    heading += option.value;
    if (option.valueOptional) heading += "]";
  }
  return heading;
}

std::string Synopsis(const CommandEntry& command) {
  std::string text = "quor-host ";
  text += command.name;
  if (!command.arguments.empty()) {
    text += " ";
    text += command.arguments;
  }
  if (command.options.size() > 1 || command.options.front() != "--help") text += " [OPTIONS]";
  return text;
}

// Roff takes backslashes, leading dots and quotes as requests; hyphens in
// option names must stay hyphens.
std::string Roff(std::string_view text) {
  std::string result;
  for (const char c : text) {
    if (c == '\\') {
      result += "\\e";
    } else if (c == '-') {
      result += "\\-";
    } else {
      result += c;
    }
  }
  if (!result.empty() && (result.front() == '.' || result.front() == '\'')) {
    result.insert(0, "\\&");
  }
  return result;
}

}  // namespace

const char* HostVersion() {
  return QUOR_HOST_VERSION;
}

void PrintOverview(std::ostream& out) {
  out << "quor-host " << HostVersion() << ": a command-line VST 2.4 host\n\nusage:\n";
  for (const CommandEntry& command : AllCommands())
    out << "  " << Synopsis(command) << '\n';
  out << "  quor-host help [COMMAND]\n  quor-host --version\n\ncommands:\n";
  for (const CommandEntry& command : AllCommands()) {
    std::string name(command.name);
    name.resize(std::max<std::size_t>(name.size(), 12), ' ');
    out << "  " << name << command.summary << '\n';
  }
  out << '\n';
  Wrap(out, PluginSearchText(), 0);
  out << '\n';
  Wrap(out, OutputFormatsText(), 0);
  out << '\n';
  Wrap(out, std::string("Exit status: ") + kExitStatus, 0);
  out << '\n';
  Wrap(out, "\"quor-host help COMMAND\" or \"quor-host COMMAND --help\" lists a command's options.",
       0);
}

void PrintCommandHelp(const CommandEntry& command, std::ostream& out) {
  out << "usage: " << Synopsis(command) << "\n\n";
  Wrap(out, command.description, 0);
  out << "\noptions:\n";
  for (const std::string_view name : command.options) {
    const OptionEntry option = command.Option(name);
    out << "  " << OptionHeading(option) << '\n';
    Wrap(out, option.help, 6);
    if (!option.defaultText.empty()) Wrap(out, "default: " + std::string(option.defaultText), 6);
  }
  if (command.options.back() != "--help") out << "  --help\n      show this help\n";
  if (command.name == "render" || command.name == "info") {
    out << '\n';
    Wrap(out, PluginSearchText(), 0);
  }
  if (command.name == "render") {
    out << '\n';
    Wrap(out, OutputFormatsText(), 0);
  }
}

void PrintManualPage(std::ostream& out) {
  out << ".TH QUOR\\-HOST 1 \"\" \"quor-host " << HostVersion() << "\" \"User Commands\"\n";
  out << ".SH NAME\nquor\\-host \\- a command\\-line VST 2.4 host for batch rendering\n";
  out << ".SH SYNOPSIS\n";
  for (const CommandEntry& command : AllCommands()) {
    const std::string head = "quor-host " + std::string(command.name);
    out << ".B " << Roff(head) << "\n"
        << Roff(Synopsis(command).substr(head.size() + 1)) << "\n.br\n";
  }
  out << ".B quor\\-host help\n[COMMAND]\n.br\n.B quor\\-host \\-\\-version\n";
  out << ".SH DESCRIPTION\n"
      << Roff(
             "quor-host loads VST 2.4 plug-ins for Linux through their binary interface and "
             "drives them from the command line: it lists them, renders audio and MIDI files "
             "through them and moves their state in and out of program and bank files.")
      << '\n';
  out << ".SH COMMANDS\n";
  for (const CommandEntry& command : AllCommands()) {
    out << ".SS " << Roff(std::string(command.name) + " " + std::string(command.arguments)) << '\n'
        << Roff(command.description) << '\n';
    for (const std::string_view name : command.options) {
      const OptionEntry option = command.Option(name);
      out << ".TP\n.B " << Roff(OptionHeading(option)) << '\n' << Roff(option.help);
      if (!option.defaultText.empty())
        out << Roff(" (default: " + std::string(option.defaultText) + ")");
      out << '\n';
    }
  }
  out << ".SH PLUG\\-IN SEARCH\n" << Roff(PluginSearchText()) << '\n';
  out << ".SH OUTPUT FORMATS\n" << Roff(OutputFormatsText()) << '\n';
  out << ".SH EXIT STATUS\n" << Roff(kExitStatus) << '\n';
  out << ".SH ENVIRONMENT\n.TP\n.B VST_PATH\n"
      << Roff("Folders, separated by colons, searched first for a plug-in named without a path.")
      << "\n.TP\n.B LXVST_PATH\n"
      << Roff("Folders searched next, as Linux hosts do.") << '\n';
}
