// audioplayer on Linux: the picture of a media file, its cover, for a host
// to show beside the track (or to hand to the desktop, as MPRIS's
// mpris:artUrl).
//
// The picture is the one the file embeds: ID3v2 APIC (MP3, WAV, AIFF),
// FLAC PICTURE, MP4 covr, Vorbis and Opus METADATA_BLOCK_PICTURE, ASF
// WM/Picture; the front cover when there are several, else the first. A file
// that embeds none has the image beside it, if there is one: cover, folder
// or front, .jpg, .jpeg or .png (lower case, capitalised or upper case).
// An embedded picture is extracted once into
// $XDG_CACHE_HOME/audioplayer/pictures (else ~/.cache/audioplayer/pictures)
// under its content's SHA-256: files that embed the same picture share one
// image, and an edited picture gets a new name, never a stale one.
//
//   AudioPlayerPicture picture;
//   if (AudioPlayerPictureOf(path, &picture) == 0) // S_OK
//     show_image_file(picture.path);               // UTF-16, as the paths given
//
// A part of a file named as a CUE sheet's tracks are ("album.flac#t=...")
// has its file's picture. The call reads the file's tags on the calling
// thread (as GetMusicInfo does for a file new to the library).
#pragma once

#include "audioplayer.h"

struct AudioPlayerPicture {
  unsigned short path[4096]; // the image file, UTF-16, NUL-terminated
  char mimeType[32];         // "image/jpeg", "image/png", "image/gif", ...
  long long bytes;           // the image's size
  int embedded;              // 1: extracted from the file's tags; 0: beside it
};

// S_OK (0) with `picture` filled; S_FALSE (1) when the file has no picture;
// E_INVALIDARG for a null argument; 0x80070002 when `mediaPath` names no
// file; 0x8007007A when the image's path does not fit `path`; the I/O error
// when an embedded picture cannot be extracted (0x80070005: the cache
// folder cannot be written).
extern "C" PLATFORM_HOST_API long AudioPlayerPictureOf(const unsigned short *mediaPath,
                                                       AudioPlayerPicture *picture);
