#include "player/library_rights.h"

#include <windows.h>

namespace {

const DWORD kLibraryRights = 0x24;
const REGSAM kReadWriteAccess = 0x2001F;
const REGSAM kFullAccess = 0xF003F;

// Rewrites the value only when it is absent or differs; a value wider than
// our 4-byte buffer is left alone rather than cut.
void KeepValue(HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExW(key, OLESTR("LibraryRights"), nullptr, &type, nullptr, &size);
  if (status == ERROR_FILE_NOT_FOUND) {
    BYTE bytes[4] = {BYTE(kLibraryRights), 0, 0, 0}; // little-endian 0x24
    RegSetValueExW(key, OLESTR("LibraryRights"), 0, REG_BINARY, bytes, sizeof bytes);
    return;
  }
  if (status != ERROR_SUCCESS || size > sizeof(DWORD))
    return;

  BYTE bytes[4] = {0, 0, 0, 0};
  DWORD length = sizeof bytes;
  if (RegQueryValueExW(key, OLESTR("LibraryRights"), nullptr, &type, bytes, &length) !=
      ERROR_SUCCESS)
    return;
  DWORD value =
      DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
  if (value == kLibraryRights)
    return;
  BYTE wanted[4] = {BYTE(kLibraryRights), 0, 0, 0};
  RegSetValueExW(key, OLESTR("LibraryRights"), 0, type, wanted, length);
}

} // namespace

void EnsureLibraryRights() {
  const OLECHAR *path = OLESTR("Software\\Microsoft\\MediaPlayer\\Preferences");
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, kReadWriteAccess, &key);
  if (status == ERROR_FILE_NOT_FOUND) {
    // A fresh key is left empty: the control fills its own defaults.
    DWORD disposition = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, kFullAccess,
                        nullptr, &key, &disposition) == ERROR_SUCCESS)
      RegCloseKey(key);
    return;
  }
  if (status != ERROR_SUCCESS)
    return;
  KeepValue(key);
  RegCloseKey(key);
}
