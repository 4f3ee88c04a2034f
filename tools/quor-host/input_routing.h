// Which input file feeds which of the plug-in's inputs. The inputs form
// tracks of two channels; a file goes on the track --track names, or on the
// track after the previous file named without one. A mono file feeds both
// channels of its track, a file of more channels as many inputs from its
// track on; inputs no file feeds get silence.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "quor-host/command_line.h"

struct Stem {
  std::string path;
  std::optional<int> track;  // from 1; none: after the previous one
};

// The positional files, then those placed by --track.
std::vector<Stem> ListStems(const std::vector<std::string>& files,
                            const std::vector<TrackFile>& tracks);

struct InputFeed {
  std::size_t stem;  // index into the stems
  int channel;       // of the file
};

struct Routing {
  std::vector<int> tracks;                      // the track of each stem
  std::vector<std::optional<InputFeed>> feeds;  // for each of the plug-in's inputs
};

// Throws HostError when a file needs inputs the plug-in lacks, or two files
// meet on one input.
Routing RouteStems(const std::vector<Stem>& stems, const std::vector<int>& fileChannels,
                   int pluginInputs);
