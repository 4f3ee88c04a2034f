#include "quor-host/plugin_search.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMaxDepth = 3;

void AddList(std::vector<fs::path>& folders, const char* variable) {
  const char* value = std::getenv(variable);
  if (value == nullptr) return;
  const std::string list(value);
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t colon = std::min(list.find(':', start), list.size());
    if (colon > start) folders.emplace_back(list.substr(start, colon - start));
    start = colon + 1;
  }
}

// The files of a folder and its subfolders, sorted within each level so that
// the search is the same on every run; unreadable folders are passed over.
void CollectFiles(const fs::path& folder, int depth, std::vector<fs::path>& files) {
  std::error_code error;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  std::sort(entries.begin(), entries.end());
  std::vector<fs::path> subfolders;
  for (const fs::path& entry : entries) {
    if (fs::is_directory(entry, error)) {
      subfolders.push_back(entry);
    } else if (entry.extension() == ".so" && fs::is_regular_file(entry, error)) {
      files.push_back(entry);
    }
  }
  if (depth >= kMaxDepth) return;
  for (const fs::path& subfolder : subfolders)
    CollectFiles(subfolder, depth + 1, files);
}

}  // namespace

std::vector<fs::path> SearchFolders() {
  std::vector<fs::path> folders;
  AddList(folders, "VST_PATH");
  AddList(folders, "LXVST_PATH");
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    folders.push_back(fs::path(home) / ".vst");
    folders.push_back(fs::path(home) / ".lxvst");
  }
  for (const char* folder : {"/usr/local/lib/vst", "/usr/lib/vst", "/usr/lib/lxvst"})
    folders.emplace_back(folder);
  return folders;
}

std::string SearchFolderDescription() {
  return "$VST_PATH, $LXVST_PATH, ~/.vst, ~/.lxvst, /usr/local/lib/vst, /usr/lib/vst and "
         "/usr/lib/lxvst";
}

std::vector<fs::path> PluginFiles() {
  std::vector<fs::path> files;
  std::set<fs::path> seen;
  for (const fs::path& folder : SearchFolders()) {
    std::vector<fs::path> found;
    CollectFiles(folder, 0, found);
    for (const fs::path& file : found) {
      std::error_code error;
      const fs::path canonical = fs::weakly_canonical(file, error);
      if (seen.insert(error ? file : canonical).second) files.push_back(file);
    }
  }
  return files;
}

std::string ResolvePlugin(const std::string& name) {
  std::error_code error;
  if (name.find('/') != std::string::npos) return name;
  if (fs::is_regular_file(name, error)) return "./" + name;
  const std::string wanted = Lower(name);
  const std::string wantedSo = wanted.ends_with(".so") ? wanted : wanted + ".so";
  for (const fs::path& file : PluginFiles()) {
    if (Lower(file.filename().string()) == wantedSo) return file.string();
  }
  throw HostError("no plug-in \"" + name + "\" in the current folder or in " +
                  SearchFolderDescription());
}
