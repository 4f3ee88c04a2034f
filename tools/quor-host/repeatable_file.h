// What libsndfile writes differently on every run, set to fixed values in a
// finished file, so that identical renders give identical bytes: the time
// stamp of the PEAK chunk in WAV and AIFF, and the random serial number of
// Ogg streams (taken from the samples instead). Multichannel WAV also loses
// the loudspeaker layout libsndfile guesses from the channel count alone
// (four channels as quadraphony): a plug-in's outputs name no speakers.
#pragma once

#include <cstdint>

// False, with errno set, when the file could not be changed.
bool MakeRepeatable(int descriptor, int sndfileFormat, int channels, std::uint32_t serial);
