// Reading and writing the attributes of one media object into and out of
// tagMediaInfo, for the four media information operations. The caller
// obtains the media object and resets the record (ResetMediaInfo); these
// fill the fields whose bits are in `mask` and nothing else.
//
// Each returns the status of the last control call it made, or `status`
// when it made none.
#pragma once

#include <audioplayer.h>
#include <windows.h>
#include <wmp.h>

#include <cstdint>

// A media file's attributes for GetMusicInfo, by its attribute names
// ("Title", ...): any success of a read fills the field; the first failing
// read stops the sequence and is returned, with the fields read before it
// left filled.
HRESULT ReadFileInfo(IWMPMedia *media, std::uint32_t mask, tagMediaInfo *info, HRESULT status);

// A playlist item's attributes for GetCurPlaylistMusicInfo, by its
// attribute names ("Name", ...): only an exact S_OK fills a field; a failing
// read leaves its field zero and the sequence goes on.
HRESULT ReadItemInfo(IWMPMedia *media, std::uint32_t mask, tagMediaInfo *info, HRESULT status);

// The seven writable text fields of `info` selected by its mask, written to
// a playlist item for SetCurPlaylistMusicInfo. A refused write does not
// stop the others; E_OUTOFMEMORY at once when a string cannot be made.
HRESULT WriteItemInfo(IWMPMedia *media, const tagMediaInfo *info, HRESULT status);
