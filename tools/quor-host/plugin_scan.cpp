#include "quor-host/plugin_scan.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "quor-host/plugin.h"
#include "quor-host/plugin_search.h"

namespace {

constexpr int kTimeoutMilliseconds = 10000;

// The id the file's effect reports, or none when it does not load.
std::optional<VstInt32> IdInChild(const std::string& path) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) {
    close(ends[0]);
    close(ends[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(ends[0]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    try {
      HostContext context;
      const Plugin plugin(path, context);
      const VstInt32 id = plugin.Effect().uniqueID;
      if (write(ends[1], &id, sizeof id) != sizeof id) _exit(1);
    } catch (...) {
    }
    _exit(0);  // no destructors: the plug-in may not survive them
  }
  close(ends[1]);
  std::optional<VstInt32> id;
  pollfd waiting{ends[0], POLLIN, 0};
  if (poll(&waiting, 1, kTimeoutMilliseconds) > 0) {
    VstInt32 value = 0;
    if (read(ends[0], &value, sizeof value) == sizeof value) id = value;
  }
  close(ends[0]);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return id;
}

}  // namespace

std::optional<std::string> FindPluginById(VstInt32 uniqueId) {
  for (const auto& file : PluginFiles()) {
    if (IdInChild(file.string()) == uniqueId) return file.string();
  }
  return std::nullopt;
}
