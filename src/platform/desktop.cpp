#include "platform/desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

extern char** environ;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<char*> ArgvOf(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv)
    pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

std::string UserFolder(const std::string& key, const std::string& fallback) {
  const std::string home = HomeFolder();
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  std::ifstream file(config + "/user-dirs.dirs");
  const std::string prefix = "XDG_" + key + "_DIR=\"";
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string value = line.substr(prefix.size());
    if (const auto quote = value.find('"'); quote != std::string::npos) value.resize(quote);
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return home + "/" + fallback;
}

std::string DataHomeFolder() {
  const std::string data = Env("XDG_DATA_HOME");
  return !data.empty() && data[0] == '/' ? data : HomeFolder() + "/.local/share";
}

std::string ConfigHomeFolder() {
  const std::string config = Env("XDG_CONFIG_HOME");
  return !config.empty() && config[0] == '/' ? config : HomeFolder() + "/.config";
}

std::string SystemDataFolder() {
  const std::string dirs = Env("XDG_DATA_DIRS");
  const std::string first = dirs.substr(0, dirs.find(':'));
  return !first.empty() && first[0] == '/' ? first : "/usr/local/share";
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : "";
  const std::string path = Env("PATH");
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    const std::string folder = path.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = end + 1;
  }
  return {};
}

bool SpawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) return false;
  // Everything the children use is made before the fork: between fork and
  // exec only async-signal-safe calls are allowed in a threaded process.
  std::vector<char*> args = ArgvOf(argv);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    // The grandchild runs the program; the child leaves at once, so the
    // program belongs to init and nobody has to wait for it.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execve(program.c_str(), args.data(), environ);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::optional<int> RunAndWait(const std::vector<std::string>& argv, std::string* output,
                              const std::function<bool()>& cancelled) {
  if (argv.empty()) return std::nullopt;
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) return std::nullopt;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::vector<char*> args = ArgvOf(argv);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return std::nullopt;
  }
  bool ended = false;
  for (bool open = true; open;) {
    pollfd fd{pipeFds[0], POLLIN, 0};
    if (poll(&fd, 1, 200) > 0) {
      char buffer[4096];
      const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
      if (n > 0) {
        if (output && output->size() < (1u << 20))
          output->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        open = false;
      }
    }
    if (open && cancelled && cancelled()) {
      kill(pid, SIGTERM);
      ended = true;
      open = false;
    }
  }
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (ended || !WIFEXITED(status)) return std::nullopt;
  return WEXITSTATUS(status);
}

std::string OpenerArgument(const std::string& url) {
  // No web address starts with '-': such a text, "http" in it or not, is a
  // file, so that it cannot pass for an option.
  return !url.empty() && url[0] == '-' ? "./" + url : url;
}
