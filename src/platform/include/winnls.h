// Code-page conversion. CP_ACP is Windows-1252 unless AUDIOPLAYER_ACP names
// another supported code page; CP_UTF8 is real UTF-8 with surrogate pairs.
#pragma once

#include "wintypes.h"

#define CP_ACP 0
#define CP_UTF8 65001
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define WC_NO_BEST_FIT_CHARS 0x00000400

extern "C" {
PLATFORM_HOST_API int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide,
                                                 int wideLength, LPSTR bytes, int byteCapacity,
                                                 LPCSTR defaultChar, LPBOOL usedDefaultChar);
PLATFORM_HOST_API int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR bytes,
                                                 int byteLength, LPWSTR wide, int wideCapacity);
UINT WINAPI GetACP();
}
