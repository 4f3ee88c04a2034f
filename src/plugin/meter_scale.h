// Made by tools/make-artwork/make_artwork.py, which prints these marks on the
// meter faces: each level in dBFS of a steady 1000 Hz sine at 48000 Hz and the
// mean meter value the needle settles at for it. Do not edit.
#pragma once

struct MeterMark {
  double mDb;
  double mValue;
};

inline constexpr double kMeterToneHz = 1000;
inline constexpr double kMeterToneRate = 48000;

// Track meters; the sine in both channels of the track.
inline constexpr MeterMark kTrackMeterMarks[] = {
    {-20, 0.12794771107551417}, {-15, 0.22752678016719541}, {-10, 0.40460618840377593},
    {-8, 0.50936901235069321},  {-7, 0.57152143190704408},  {-6, 0.64125759362878787},
    {-5, 0.71950285401276637},  {-4, 0.80729548012526009},  {-3, 0.90580042677510275},
};

// Master meters; the sine in the channel.
inline constexpr MeterMark kMasterMeterMarks[] = {
    {-20, 0.063973855537757085}, {-10, 0.20230309420188797}, {-7, 0.28576071595352204},
    {-5, 0.35975142700638318},   {-4, 0.40364774006263004},  {-3, 0.45290021338755138},
    {-2, 0.50816239737812752},   {-1, 0.5701675876405855},   {0, 0.6397385553775724},
    {1, 0.71779846506211475},    {2, 0.80538312426930425},   {3, 0.90365472821354353},
};
