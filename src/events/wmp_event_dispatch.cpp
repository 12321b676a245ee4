#include "events/wmp_event_dispatch.h"

#include <wmpids.h>

#include "events/media_error_identity.h"

void CWMPEventDispatch::SetPlayer(CAudioPlayer *target) {
  if (target != nullptr)
    player = target;
}

void CWMPEventDispatch::OpenStateChange(long state) {
  if (player)
    player->CallAudioProc(CN_OpenStateChange, state, 0);
}

void CWMPEventDispatch::PlayStateChange(long state) {
  if (player)
    player->CallAudioProc(CN_PlayStateChange, state, 0);
}

void CWMPEventDispatch::Error() {
  if (player)
    player->CallAudioProc(CN_Error, 0, 0);
}

void CWMPEventDispatch::MediaError(IDispatch *media) {
  // The host gets the item's identity in 32 bits, never a reference.
  if (player == nullptr)
    return;
  ScopedMediaErrorItem delivering(media);
  player->CallAudioProc(CN_MediaError, MediaIdentity(media), 0);
}

void CWMPEventDispatch::CurrentPlaylistChange(WMPPlaylistChangeEventType change) {
  ForwardPlaylistChange(long(change));
}

void CWMPEventDispatch::ForwardPlaylistChange(long change) {
  if (player)
    player->CallAudioProc(CN_CurrentPlaylistChange, change, 0);
}

void CWMPEventDispatch::Click(short button, short /*shift*/, long x, long y) {
  // Only the left button is a click for the host.
  if (player && button == 1)
    player->CallAudioProc(CN_Click, x, y);
}

namespace {

// Dispatch arguments arrive last first: element 0 is the last argument.
// Integers are read whatever their width, so a control that sends a short
// where a long is published is still understood.
long AsLong(const VARIANT &value) {
  switch (value.vt) {
  case VT_I2:
  case VT_BOOL:
    return value.iVal;
  case VT_I1:
  case VT_UI1:
    return value.bVal;
  case VT_UI2:
    return long(USHORT(value.iVal));
  default:
    return value.lVal;
  }
}
short AsShort(const VARIANT &value) {
  return short(AsLong(value));
}
double AsDouble(const VARIANT &value) {
  return value.vt == VT_R8 ? value.dblVal : value.vt == VT_R4 ? value.fltVal : AsLong(value);
}
BSTR AsText(const VARIANT &value) {
  return value.vt == VT_BSTR ? value.bstrVal : nullptr;
}
IDispatch *AsDispatch(const VARIANT &value) {
  return value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN ? value.pdispVal : nullptr;
}
// Converting a value beyond the published kinds to the enumeration is
// undefined; the one method that takes it ignores it anyway.
WMPPlaylistChangeEventType AsPlaylistChange(const VARIANT &value) {
  const long kind = AsLong(value);
  return kind >= wmplcUnknown && kind <= wmplcLast ? WMPPlaylistChangeEventType(kind)
                                                   : wmplcUnknown;
}

// How many arguments each published event takes, so that a short argument
// array is never read past its end.
UINT ArgumentCount(DISPID member) {
  switch (member) {
  case DISPID_WMPCOREEVENT_SCRIPTCOMMAND:
  case DISPID_WMPCOREEVENT_POSITIONCHANGE:
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONATTRIBUTESTRINGADDED:
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONATTRIBUTESTRINGREMOVED:
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONPLAYLISTSETASDELETED:
  case DISPID_WMPCOREEVENT_MODECHANGE:
  case DISPID_WMPCOREEVENT_PLAYLISTCHANGE:
  case DISPID_WMPOCXEVENT_KEYDOWN:
  case DISPID_WMPOCXEVENT_KEYUP:
    return 2;
  case DISPID_WMPCOREEVENT_WARNING:
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONATTRIBUTESTRINGCHANGED:
    return 3;
  case DISPID_WMPOCXEVENT_CLICK:
  case DISPID_WMPOCXEVENT_DOUBLECLICK:
  case DISPID_WMPOCXEVENT_MOUSEDOWN:
  case DISPID_WMPOCXEVENT_MOUSEMOVE:
  case DISPID_WMPOCXEVENT_MOUSEUP:
    return 4;
  case DISPID_WMPCOREEVENT_STATUSCHANGE:
  case DISPID_WMPCOREEVENT_NEWSTREAM:
  case DISPID_WMPCOREEVENT_ERROR:
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONCHANGE:
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONCHANGE:
  case DISPID_WMPOCXEVENT_SWITCHEDTOPLAYERAPPLICATION:
  case DISPID_WMPOCXEVENT_SWITCHEDTOCONTROL:
  case DISPID_WMPOCXEVENT_PLAYERDOCKEDSTATECHANGE:
  case DISPID_WMPOCXEVENT_PLAYERRECONNECT:
    return 0;
  default:
    return 1;
  }
}

} // namespace

HRESULT CWMPEventDispatch::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *,
                                  EXCEPINFO *, UINT *) {
  if (params == nullptr)
    return E_POINTER;
  if (params->cNamedArgs != 0)
    return DISP_E_NONAMEDARGS;
  if (params->cArgs >= ArgumentCount(member) && (params->cArgs == 0 || params->rgvarg != nullptr))
    DispatchEvent(member, params->rgvarg + params->cArgs);
  // The control expects this answer whether or not a method ran.
  return DISP_E_MEMBERNOTFOUND;
}

// `end` points one past the first argument: end[-1] is the first argument,
// end[-2] the second, and so on.
void CWMPEventDispatch::DispatchEvent(DISPID member, const VARIANT *end) {
  auto arg = [end](int position) -> const VARIANT & { return end[-1 - position]; };
  switch (member) {
  case DISPID_WMPCOREEVENT_OPENSTATECHANGE:
    return OpenStateChange(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_STATUSCHANGE:
    return StatusChange();
  case DISPID_WMPCOREEVENT_PLAYSTATECHANGE:
    return PlayStateChange(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_AUDIOLANGUAGECHANGE:
    return AudioLanguageChange(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_ENDOFSTREAM:
    return EndOfStream(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_POSITIONCHANGE:
    return PositionChange(AsDouble(arg(0)), AsDouble(arg(1)));
  case DISPID_WMPCOREEVENT_MARKERHIT:
    return MarkerHit(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_DURATIONUNITCHANGE:
    return DurationUnitChange(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_SCRIPTCOMMAND:
    return ScriptCommand(AsText(arg(0)), AsText(arg(1)));
  case DISPID_WMPCOREEVENT_DISCONNECT:
    return Disconnect(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_BUFFERING:
    return Buffering(VARIANT_BOOL(AsLong(arg(0))));
  case DISPID_WMPCOREEVENT_NEWSTREAM:
    return NewStream();
  case DISPID_WMPCOREEVENT_ERROR:
    return Error();
  case DISPID_WMPCOREEVENT_WARNING:
    return Warning(AsLong(arg(0)), AsLong(arg(1)), AsText(arg(2)));
  case DISPID_WMPCOREEVENT_CDROMMEDIACHANGE:
    return CdromMediaChange(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_PLAYLISTCHANGE:
    return PlaylistChange(AsDispatch(arg(0)), AsPlaylistChange(arg(1)));
  case DISPID_WMPCOREEVENT_MEDIACHANGE:
    return MediaChange(AsDispatch(arg(0)));
  case DISPID_WMPCOREEVENT_CURRENTMEDIAITEMAVAILABLE:
    return CurrentMediaItemAvailable(AsText(arg(0)));
  case DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE:
    return ForwardPlaylistChange(AsLong(arg(0)));
  case DISPID_WMPCOREEVENT_CURRENTPLAYLISTITEMAVAILABLE:
    return CurrentPlaylistItemAvailable(AsText(arg(0)));
  case DISPID_WMPCOREEVENT_CURRENTITEMCHANGE:
    return CurrentItemChange(AsDispatch(arg(0)));
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONCHANGE:
    return MediaCollectionChange();
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONATTRIBUTESTRINGADDED:
    return MediaCollectionAttributeStringAdded(AsText(arg(0)), AsText(arg(1)));
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONATTRIBUTESTRINGREMOVED:
    return MediaCollectionAttributeStringRemoved(AsText(arg(0)), AsText(arg(1)));
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONATTRIBUTESTRINGCHANGED:
    return MediaCollectionAttributeStringChanged(AsText(arg(0)), AsText(arg(1)), AsText(arg(2)));
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONCHANGE:
    return PlaylistCollectionChange();
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONPLAYLISTADDED:
    return PlaylistCollectionPlaylistAdded(AsText(arg(0)));
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONPLAYLISTREMOVED:
    return PlaylistCollectionPlaylistRemoved(AsText(arg(0)));
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONPLAYLISTSETASDELETED:
    return PlaylistCollectionPlaylistSetAsDeleted(AsText(arg(0)), VARIANT_BOOL(AsLong(arg(1))));
  case DISPID_WMPCOREEVENT_MODECHANGE:
    return ModeChange(AsText(arg(0)), VARIANT_BOOL(AsLong(arg(1))));
  case DISPID_WMPCOREEVENT_MEDIAERROR:
    return MediaError(AsDispatch(arg(0)));
  case DISPID_WMPCOREEVENT_DOMAINCHANGE:
    return DomainChange(AsText(arg(0)));
  case DISPID_WMPCOREEVENT_OPENPLAYLISTSWITCH:
    return OpenPlaylistSwitch(AsDispatch(arg(0)));
  case DISPID_WMPOCXEVENT_SWITCHEDTOPLAYERAPPLICATION:
    return SwitchedToPlayerApplication();
  case DISPID_WMPOCXEVENT_SWITCHEDTOCONTROL:
    return SwitchedToControl();
  case DISPID_WMPOCXEVENT_PLAYERDOCKEDSTATECHANGE:
    return PlayerDockedStateChange();
  case DISPID_WMPOCXEVENT_PLAYERRECONNECT:
    return PlayerReconnect();
  case DISPID_WMPOCXEVENT_CLICK:
    return Click(AsShort(arg(0)), AsShort(arg(1)), AsLong(arg(2)), AsLong(arg(3)));
  case DISPID_WMPOCXEVENT_DOUBLECLICK:
    return DoubleClick(AsShort(arg(0)), AsShort(arg(1)), AsLong(arg(2)), AsLong(arg(3)));
  case DISPID_WMPOCXEVENT_KEYDOWN:
    return KeyDown(AsShort(arg(0)), AsShort(arg(1)));
  case DISPID_WMPOCXEVENT_KEYPRESS:
    return KeyPress(AsShort(arg(0)));
  case DISPID_WMPOCXEVENT_KEYUP:
    return KeyUp(AsShort(arg(0)), AsShort(arg(1)));
  case DISPID_WMPOCXEVENT_MOUSEDOWN:
    return MouseDown(AsShort(arg(0)), AsShort(arg(1)), AsLong(arg(2)), AsLong(arg(3)));
  case DISPID_WMPOCXEVENT_MOUSEMOVE:
    return MouseMove(AsShort(arg(0)), AsShort(arg(1)), AsLong(arg(2)), AsLong(arg(3)));
  case DISPID_WMPOCXEVENT_MOUSEUP:
    return MouseUp(AsShort(arg(0)), AsShort(arg(1)), AsLong(arg(2)), AsLong(arg(3)));
  default:
    return; // not an event of this interface
  }
}
