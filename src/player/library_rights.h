// The control's "LibraryRights" preference, which the player keeps at 0x24.
#pragma once

// Makes sure HKCU\Software\Microsoft\MediaPlayer\Preferences holds
// "LibraryRights" = 0x24. Never fails: a registry problem skips it.
void EnsureLibraryRights();
