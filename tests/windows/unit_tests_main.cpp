// The Windows test program stands in for a host that loaded audioplayer.dll.
// The library's objects are linked into it rather than loaded, so its entry
// point is called here as Windows' loader calls the DLL's: on the thread
// that runs the tests, which it makes a single-threaded apartment.
#include <gtest/gtest.h>
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_ATTACH, nullptr);
  int result = RUN_ALL_TESTS();
  DllMain(GetModuleHandleW(nullptr), DLL_PROCESS_DETACH, nullptr);
  return result;
}
