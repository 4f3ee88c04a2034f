// What the desktop offers a plug-in beyond its window: the user's folders
// as the XDG conventions name them, and programs started without a shell
// (the URL opener, dialog helpers).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

std::string HomeFolder();
// A folder of ~/.config/user-dirs.dirs ("DESKTOP", "MUSIC"), else the
// fallback under the home folder.
std::string UserFolder(const std::string& key, const std::string& fallback);
// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHomeFolder();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHomeFolder();
// The first of $XDG_DATA_DIRS, else /usr/local/share.
std::string SystemDataFolder();

// The program's absolute path from $PATH; empty when there is none.
std::string FindProgram(const std::string& name);

// Starts the program with these arguments (argv[0] is the program's name)
// and does not wait for it; no shell sees the arguments, and no child is
// left for the host to reap. False when it could not be started.
bool SpawnDetached(const std::vector<std::string>& argv);

// Runs the program and waits for it, its standard output collected; ends
// it early when `cancelled` says so (asked a few times a second). The exit
// status, none when it could not run or was ended.
std::optional<int> RunAndWait(const std::vector<std::string>& argv, std::string* output,
                              const std::function<bool()>& cancelled);

// What xdg-open is given for an editor's OpenURL: web addresses as they
// are, file paths so that they cannot pass for an option.
std::string OpenerArgument(const std::string& url);
