// The control's current playlist, fetched afresh for each operation: the
// player keeps no list of its own.
#pragma once

#include <atlbase.h>
#include <windows.h>
#include <wmp.h>

// The current playlist into `playlist`: the control's failure as it is,
// E_FAIL when it answers without one.
HRESULT GetCurrentPlaylist(IWMPPlayer4 *player, CComPtr<IWMPPlaylist> &playlist);

// The same, then its item count into `count` (left as it was when the
// control writes nothing); the first failing status stops it.
HRESULT GetCurrentPlaylistCount(IWMPPlayer4 *player, CComPtr<IWMPPlaylist> &playlist, long &count);

// The index ranges: editing admits the count itself (past the last item the
// control's own answer decides); playing or selecting needs an existing item.
inline bool IsEditIndex(long index, long count) {
  return index >= 0 && index <= count;
}
inline bool IsItemIndex(long index, long count) {
  return index >= 0 && index < count;
}

// The common start of the operations that take an index: the current
// playlist, whose count must admit `index`, else `refusal`.
HRESULT GetCurrentPlaylistAt(IWMPPlayer4 *player, long index, bool (*admits)(long, long),
                             HRESULT refusal, CComPtr<IWMPPlaylist> &playlist);
