// The registry over its one file, as the preference a host sets
// ("LibraryRights") depends on it: atomic replacement, survival of a corrupt
// file, where the file is by default, and concurrent writers. How Windows
// treats other names and deeper keys is not the library's to test: the
// player uses one key and one value name.
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::optional<std::string> SavedEnv(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void RestoreEnv(const char *name, const std::optional<std::string> &value) {
  if (value)
    setenv(name, value->c_str(), 1);
  else
    unsetenv(name);
}

using test_support::ReadFile;

std::vector<std::string> FilesIn(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

class PlatformRegistry : public ::testing::Test {
protected:
  void SetUp() override {
    savedRegistry_ = SavedEnv("AUDIOPLAYER_REGISTRY");
    savedConfig_ = SavedEnv("XDG_CONFIG_HOME");
    savedHome_ = SavedEnv("HOME");
    file_ = folder_ + "/registry";
    setenv("AUDIOPLAYER_REGISTRY", file_.c_str(), 1);
  }

  void TearDown() override {
    RestoreEnv("AUDIOPLAYER_REGISTRY", savedRegistry_);
    RestoreEnv("XDG_CONFIG_HOME", savedConfig_);
    RestoreEnv("HOME", savedHome_);
  }

  HKEY Create(const char16_t *path, DWORD *disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, disposition),
              ERROR_SUCCESS);
    return key;
  }

  LSTATUS Open(const char16_t *path, HKEY *key, REGSAM access = KEY_ALL_ACCESS) {
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, key);
  }

  void SetDword(HKEY key, const char16_t *name, DWORD value) {
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                             sizeof value),
              ERROR_SUCCESS);
  }

  // The value's bytes, or nullopt when the query fails.
  std::optional<std::vector<BYTE>> Query(HKEY key, const char16_t *name, DWORD *type = nullptr) {
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
      return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key, name, nullptr, type, data.data(), &size) != ERROR_SUCCESS)
      return std::nullopt;
    data.resize(size);
    return data;
  }

  test_support::TempFolder scratch_;
  std::string folder_ = scratch_.path().string();
  std::string file_;
  std::optional<std::string> savedRegistry_, savedConfig_, savedHome_;
};

TEST_F(PlatformRegistry, WritesAtomicallyLeavingNoTemporaryFiles) {
  HKEY key = Create(u"Software\\Atomic");
  for (DWORD i = 0; i < 20; ++i)
    SetDword(key, u"Step", i);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"registry"});
  EXPECT_EQ(ReadFile(file_).rfind("audioplayer registry 1\n", 0), 0u);
}

TEST_F(PlatformRegistry, CorruptFileReadsEmptyAndIsKeptUntilAChange) {
  const std::string garbage = "\x01\x02 not a registry\n[Software\\X]\n\"v\"=zz\n";
  test_support::WriteFile(file_, garbage);
  HKEY key = nullptr;
  EXPECT_EQ(Open(u"Software\\X", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadFile(file_), garbage);

  // A half-valid file is still refused as a whole.
  const std::string broken =
      "audioplayer registry 1\n[Software\\X]\n\"v\"=4:0100000\n"; // odd hex count
  test_support::WriteFile(file_, broken);
  EXPECT_EQ(Open(u"Software\\X", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadFile(file_), broken);

  // Keys nested deeper than Windows allows (512): a 2 MB chain that would
  // overflow the stack of any recursive walk reads as a damaged file.
  std::string deep = "audioplayer registry 1\n[a";
  while (deep.size() < 2'000'000)
    deep += "\\a";
  test_support::WriteFile(file_, deep + "]\n");
  EXPECT_EQ(Open(u"a\\a", &key), ERROR_FILE_NOT_FOUND);

  key = Create(u"Software\\Fresh");
  SetDword(key, u"v", 5);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  ASSERT_EQ(Open(u"Software\\Fresh", &key), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, u"v"), (std::vector<BYTE>{5, 0, 0, 0}));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, DefaultLocationUnderConfigHome) {
  unsetenv("AUDIOPLAYER_REGISTRY");
  std::string config = folder_ + "/config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  RegCloseKey(Create(u"Software\\Where"));
  EXPECT_NE(ReadFile(config + "/audioplayer/registry").find("[Software\\Where]"),
            std::string::npos);

  unsetenv("XDG_CONFIG_HOME");
  std::string home = folder_ + "/home";
  setenv("HOME", home.c_str(), 1);
  RegCloseKey(Create(u"Software\\Home"));
  EXPECT_NE(ReadFile(home + "/.config/audioplayer/registry").find("[Software\\Home]"),
            std::string::npos);
}

// "v" then the writer's letter and the value's digit. Appended one unit at
// a time: `u"v" + std::u16string(...)` trips GCC 12's -Wrestrict at -O2 (a
// false positive in its inlined char_traits::copy).
std::u16string ValueName(int writer, int value) {
  std::u16string name = u"v";
  name += char16_t(u'a' + writer);
  name += char16_t(u'0' + value);
  return name;
}

TEST_F(PlatformRegistry, ConcurrentWritersLoseNothing) {
  RegCloseKey(Create(u"Software\\Threads"));
  std::thread threads[4];
  for (int t = 0; t < 4; ++t) {
    threads[t] = std::thread([this, t] {
      HKEY key = nullptr;
      ASSERT_EQ(Open(u"Software\\Threads", &key), ERROR_SUCCESS);
      for (int i = 0; i < 10; ++i) {
        SetDword(key, ValueName(t, i).c_str(), DWORD(t * 100 + i));
      }
      RegCloseKey(key);
    });
  }
  for (auto &thread : threads)
    thread.join();
  HKEY key = nullptr;
  ASSERT_EQ(Open(u"Software\\Threads", &key), ERROR_SUCCESS);
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 10; ++i) {
      DWORD expected = DWORD(t * 100 + i);
      auto bytes = Query(key, ValueName(t, i).c_str());
      ASSERT_TRUE(bytes) << t << " " << i;
      DWORD got = 0;
      std::memcpy(&got, bytes->data(), 4);
      EXPECT_EQ(got, expected);
    }
  }
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

} // namespace
