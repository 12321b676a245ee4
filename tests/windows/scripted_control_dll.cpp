// scripted-control.dll: the scripted control for test hosts that do not link
// the test library, such as the Microsoft-ABI host. While a control started
// here lives, CoCreateInstance(CLSID_WindowsMediaPlayer) in this process
// builds scripted players (accepting every call, so creation succeeds) whose
// current playlist holds one known item.
#include "scripted/scripted_control.h"

extern "C" {

__declspec(dllexport) void *ScriptedControlStart() {
  auto *control = new scripted::Control;
  scripted::Media song = control->makeMedia(u"C:\\media\\song.wav", u"Song", 12.5);
  song->attributes[u"Name"] = u"Song";
  song->attributes[u"Author"] = u"Artist";
  song->attributes[u"Channels"] = u"2";
  control->model().currentPlaylist->items.push_back(song);
  return control;
}

__declspec(dllexport) void ScriptedControlStop(void *control) {
  delete static_cast<scripted::Control *>(control);
}

} // extern "C"
