// audioplayer on Linux: what loudness levelling knows of a media file, for
// a host to show beside the track: the gains its tags carry, and the
// loudness the engine measured when it last played the file whole with
// levelling on (AUDIOPLAYER_LEVELLING, audioplayer.h).
//
//   AudioPlayerLoudness loudness;
//   if (AudioPlayerLoudnessOf(path, &loudness) == 0 && loudness.measured) // S_OK
//     show_lufs(loudness.measuredLufs);
//
// Gains are in dB towards ReplayGain 2.0's -18 LUFS (an Opus R128 gain,
// towards -23 LUFS, counts 5 dB more); peaks are linear, full scale 1. The
// call reads the file's tags and the media library on the calling thread.
#pragma once

#include "audioplayer.h"

struct AudioPlayerLoudness {
  int hasTrackGain, hasAlbumGain; // 1: the tags give it
  double trackGainDb, trackPeak;  // 0 where not tagged
  double albumGainDb, albumPeak;
  int measured;        // 1: measured on an earlier play, and the file unchanged since
  double measuredLufs; // integrated loudness (EBU R128); levelling applies -18 - this
  double measuredPeak; // the highest sample
};

// S_OK (0) with `loudness` filled; S_FALSE (1) when the file has neither a
// gain tag nor a measure; E_INVALIDARG for a null argument; 0x80070002 when
// `mediaPath` names no file.
extern "C" PLATFORM_HOST_API long AudioPlayerLoudnessOf(const unsigned short *mediaPath,
                                                        AudioPlayerLoudness *loudness);
