#include "quor-host/input_routing.h"

#include "quor-host/host_error.h"
#include "quor-host/text.h"

namespace {
constexpr int kTrackChannels = 2;
}  // namespace

std::vector<Stem> ListStems(const std::vector<std::string>& files,
                            const std::vector<TrackFile>& tracks) {
  std::vector<Stem> stems;
  for (const std::string& file : files)
    stems.push_back({file, std::nullopt});
  for (const TrackFile& placed : tracks)
    stems.push_back({placed.path, placed.track});
  return stems;
}

Routing RouteStems(const std::vector<Stem>& stems, const std::vector<int>& fileChannels,
                   int pluginInputs) {
  Routing routing;
  routing.feeds.resize(static_cast<std::size_t>(pluginInputs));
  int nextTrack = 1;
  for (std::size_t s = 0; s < stems.size(); ++s) {
    const int channels = fileChannels[s];
    const int track = stems[s].track.value_or(nextTrack);
    const int widthInTracks = (std::max(channels, kTrackChannels) + 1) / kTrackChannels;
    if (!stems[s].track) nextTrack = track + widthInTracks;
    routing.tracks.push_back(track);

    const int first = (track - 1) * kTrackChannels;
    const int needed = channels == 1 ? std::min(kTrackChannels, pluginInputs - first) : channels;
    if (needed < 1 || first + needed > pluginInputs) {
      throw HostError(stems[s].path +
                      Format(" on track %d holds %d channel%s from input %d on; the plug-in "
                             "takes %d",
                             track, channels, channels == 1 ? "" : "s", first + 1, pluginInputs));
    }
    for (int i = 0; i < needed; ++i) {
      auto& feed = routing.feeds[static_cast<std::size_t>(first + i)];
      if (feed) {
        throw HostError(Format("input %d (track %d) is fed by both ", first + i + 1, track) +
                        stems[feed->stem].path + " and " + stems[s].path);
      }
      feed = InputFeed{s, channels == 1 ? 0 : i};
    }
  }
  return routing;
}
