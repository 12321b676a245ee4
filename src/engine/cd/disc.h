// Audio CDs through libcdio: the machine's optical drives, and what the
// disc in a drive, or a disc image, holds.
//
// A drive specifier is a device path ("/dev/sr0"), a device name ("sr0",
// meaning /dev/sr0), or the path of a disc image libcdio reads (a .cue sheet
// with its .bin, a cdrdao .toc, a Nero .nrg), so that a CD can be used and
// tested without a drive.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/media/attribute_reader.h"

namespace engine {

struct DiscTrack {
  int number = 0;        // on the disc, from 1
  int audioNumber = 0;   // among the audio tracks, from 1: what cdda:// URLs count
  long firstSector = 0;  // logical sector where the track starts
  long sectors = 0;      // its length, 75 sectors a second
  std::u16string title;  // CD-Text; empty when the disc has none
  std::u16string artist; // CD-Text performer of the track, else of the disc
  double Seconds() const { return double(sectors) / 75; }
};

struct Disc {
  std::vector<DiscTrack> audio; // the audio tracks in disc order; data tracks left out
  std::u16string album;         // the disc's CD-Text title and performer, and
  std::u16string albumArtist;   // genre (else an image sheet's REM GENRE);
  std::u16string genre;         // empty when it has none
  std::u16string year;          // an image sheet's REM DATE
  // The table of contents as text, to tell discs apart: the number of tracks
  // and each track's start, then the lead-out's, in sectors counted from the
  // disc's start (the logical sector plus the 150 of the lead-in), upper-case
  // hexadecimal joined by "+": "3+96+E1+10E+12C" for tracks at 0, 75 and 120
  // with the lead-out at 150. Data tracks count here, as on the disc.
  std::u16string toc;
};

// The device path or image a specifier names, or nullopt when it names
// nothing there is.
std::optional<std::string> DiscDeviceOf(const std::u16string &specifier);

// Reads the disc: S_OK, 0x80070015 when there is no disc or it cannot be
// read (the device is not ready), 0x800706F9 when a file named as an image
// is none libcdio reads, 0x8007000D when the disc has no audio track.
std::int32_t ReadDisc(const std::string &device, Disc *disc);

// The optical drives libcdio finds, as device paths.
std::vector<std::string> OpticalDrives();

// The URL GStreamer's CD source plays a track from: "cdda://DEVICE#N", N
// the track's place among the audio tracks (cdiocddasrc counts no data
// track, so on a mixed-mode disc N is not the disc's track number).
std::u16string TrackUrl(const std::string &device, const DiscTrack &track);

// A track's attributes by the control's names: "Title" (CD-Text, else
// "Track N"), "Author", "Album", "AlbumArtist", "WM/Genre", "Duration",
// "TOC", "FileType" "cda", "WM/TrackNumber", "SourceURL".
std::map<std::u16string, std::u16string> TrackAttributes(const Disc &disc, const DiscTrack &track,
                                                         const std::string &device);

// The attributes of the track a cdda:// URL names, read from its disc;
// false when the URL is no such URL or its disc or track cannot be read.
// The media library reads CD tracks with it (OfferUrlReader).
bool ReadTrackAttributes(const std::u16string &url, FileAttributes &out);

} // namespace engine
