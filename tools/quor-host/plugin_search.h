// Where plug-ins named without a path are looked for, in the order Linux
// hosts use: $VST_PATH, $LXVST_PATH, ~/.vst, ~/.lxvst, /usr/local/lib/vst,
// /usr/lib/vst, /usr/lib/lxvst, each with its subfolders.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

std::vector<std::filesystem::path> SearchFolders();
std::string SearchFolderDescription();

// A name with a slash, or one naming a file in the current folder, as it is;
// a bare name (with or without ".so") from the search folders. Throws
// HostError when there is none.
std::string ResolvePlugin(const std::string& name);

// Every shared object in the search folders, in search order.
std::vector<std::filesystem::path> PluginFiles();
