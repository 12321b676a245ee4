// The registry over its one file: Windows status codes and sizes, the file
// re-read at every call, atomic replacement and survival of a corrupt file.
#include "temp_folder.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr LSTATUS kErrorKeyDeleted = 1018;

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

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> FilesIn(const std::string &folder) {
  std::vector<std::string> names;
  if (DIR *dir = opendir(folder.c_str())) {
    while (dirent *entry = readdir(dir))
      if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
        names.push_back(entry->d_name);
    closedir(dir);
  }
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

TEST_F(PlatformRegistry, MissingKeyIsNotFound) {
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(Open(u"Software\\Nobody", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_TRUE(FilesIn(folder_).empty()); // reading never writes
}

TEST_F(PlatformRegistry, CreateMakesIntermediateKeysAndReportsDisposition) {
  DWORD disposition = 0;
  HKEY key = Create(u"Software\\Vendor\\App", &disposition);
  EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  HKEY middle = nullptr;
  EXPECT_EQ(Open(u"Software\\Vendor", &middle), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(middle), ERROR_SUCCESS);

  key = Create(u"SOFTWARE\\vendor\\aPP", &disposition);
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  // Relative to an open key, with a trailing backslash.
  HKEY vendor = nullptr, app = nullptr;
  ASSERT_EQ(Open(u"software\\VENDOR", &vendor), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExW(vendor, u"App\\", 0, KEY_READ, &app), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(app), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(vendor), ERROR_SUCCESS);

  // The key keeps the spelling it was created with.
  EXPECT_NE(ReadFile(file_).find("[Software\\Vendor\\App]"), std::string::npos);
}

TEST_F(PlatformRegistry, ValuesSurviveInTheFile) {
  HKEY key = Create(u"Software\\Microsoft\\MediaPlayer\\Preferences");
  SetDword(key, u"LibraryRights", 0x24);
  const char16_t text[] = u"C:\\Music";
  ASSERT_EQ(
      RegSetValueExW(key, u"Folder", 0, REG_SZ, reinterpret_cast<const BYTE *>(text), sizeof text),
      ERROR_SUCCESS);
  const BYTE blob[] = {0, 1, 0, 0xFF};
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Empty", 0, REG_NONE, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  // Another file with the same text must read the same: nothing lives only in memory.
  std::string copy = folder_ + "/copy";
  test_support::WriteFile(copy, ReadFile(file_));
  setenv("AUDIOPLAYER_REGISTRY", copy.c_str(), 1);

  ASSERT_EQ(Open(u"software\\microsoft\\mediaplayer\\preferences", &key, KEY_READ), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(Query(key, u"libraryrights", &type), (std::vector<BYTE>{0x24, 0, 0, 0}));
  EXPECT_EQ(type, DWORD(REG_DWORD));
  auto folder = Query(key, u"Folder", &type);
  ASSERT_TRUE(folder);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(folder->size(), sizeof text);
  EXPECT_EQ(std::memcmp(folder->data(), text, sizeof text), 0);
  EXPECT_EQ(Query(key, u"", &type), (std::vector<BYTE>{0, 1, 0, 0xFF}));
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(Query(key, u"Empty", &type), std::vector<BYTE>{});
  EXPECT_EQ(type, DWORD(REG_NONE));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, SeesChangesMadeByAnotherProcess) {
  HKEY key = Create(u"Software\\Shared");
  SetDword(key, u"Count", 1);
  // Another process rewrites the file while this handle is open.
  test_support::WriteFile(file_, "audioplayer registry 1\n"
                                 "[Software\\Shared]\n"
                                 "\"Count\"=4:02000000\n"
                                 "[Software\\Shared\\Child]\n");
  EXPECT_EQ(Query(key, u"Count"), (std::vector<BYTE>{2, 0, 0, 0}));
  HKEY child = nullptr;
  EXPECT_EQ(RegOpenKeyExW(key, u"child", 0, KEY_READ, &child), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, QueryFollowsWindowsSizeRules) {
  HKEY key = Create(u"Software\\Sizes");
  const BYTE data[] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(RegSetValueExW(key, u"Six", 0, REG_BINARY, data, sizeof data), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Six", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, DWORD(REG_BINARY));

  BYTE small[4] = {9, 9, 9, 9};
  size = sizeof small;
  type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Six", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, DWORD(REG_BINARY));

  BYTE large[10] = {};
  size = sizeof large;
  EXPECT_EQ(RegQueryValueExW(key, u"SIX", nullptr, nullptr, large, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(std::memcmp(large, data, 6), 0);
  EXPECT_EQ(large[6], 0);

  // Only the type: both data and size may be null.
  type = 0;
  EXPECT_EQ(RegQueryValueExW(key, u"Six", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_BINARY));

  size = 99;
  EXPECT_EQ(RegQueryValueExW(key, u"Seven", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, u"Six", nullptr, nullptr, large, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, ValueNamesIgnoreCaseAndKeepTheirSpelling) {
  HKEY key = Create(u"Software\\Case");
  SetDword(key, u"Volume", 1);
  SetDword(key, u"VOLUME", 2);
  EXPECT_EQ(Query(key, u"volume"), (std::vector<BYTE>{2, 0, 0, 0}));
  EXPECT_NE(ReadFile(file_).find("\"Volume\"=4:02000000"), std::string::npos);
  SetDword(key, u"Épée", 3);
  EXPECT_EQ(Query(key, u"éPÉE"), (std::vector<BYTE>{3, 0, 0, 0}));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, OddNamesRoundTrip) {
  const char16_t keyName[] = u"Software\\Odd]Key [\u4e2d%";
  const char16_t valueName[] = {u'a',   u'"',   u'\\',  u'%', u'\n', u'=',
                                0xD83C, 0xDFB5, 0xDC00, u'z', 0};
  HKEY key = Create(keyName);
  SetDword(key, valueName, 7);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  std::string copy = folder_ + "/copy";
  test_support::WriteFile(copy, ReadFile(file_));
  setenv("AUDIOPLAYER_REGISTRY", copy.c_str(), 1);
  ASSERT_EQ(Open(keyName, &key), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, valueName), (std::vector<BYTE>{7, 0, 0, 0}));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, DeletesValuesAndKeys) {
  HKEY key = Create(u"Software\\Doomed\\Leaf");
  SetDword(key, u"Gone", 1);
  EXPECT_EQ(RegDeleteValueW(key, u"GONE"), ERROR_SUCCESS);
  EXPECT_FALSE(Query(key, u"Gone"));
  EXPECT_EQ(RegDeleteValueW(key, u"Gone"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Doomed"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Doomed\\Leaf"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Doomed\\Leaf"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(u"Software\\Doomed\\Leaf", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open(u"Software\\Doomed", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(file_).find("Leaf"), std::string::npos);
}

TEST_F(PlatformRegistry, HandleOfADeletedKey) {
  HKEY key = Create(u"Software\\Brief");
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Brief"), ERROR_SUCCESS);
  DWORD value = 1;
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_DWORD, reinterpret_cast<BYTE *>(&value), 4),
            kErrorKeyDeleted);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, HandlesAreChecked) {
  HKEY key = Create(u"Software\\Handles");
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  int notAKey = 0;
  HKEY bogus = reinterpret_cast<HKEY>(&notAKey);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegSetValueExW(bogus, u"x", 0, REG_NONE, nullptr, 0), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyExW(bogus, u"x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, ReadOnlyHandleCannotWrite) {
  RegCloseKey(Create(u"Software\\ReadOnly"));
  HKEY key = nullptr;
  ASSERT_EQ(Open(u"Software\\ReadOnly", &key, KEY_READ), ERROR_SUCCESS);
  DWORD value = 1;
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_DWORD, reinterpret_cast<BYTE *>(&value), 4),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(PlatformRegistry, WritesAtomicallyLeavingNoTemporaryFiles) {
  HKEY key = Create(u"Software\\Atomic");
  for (DWORD i = 0; i < 20; ++i)
    SetDword(key, u"Step", i);
  EXPECT_EQ(RegDeleteValueW(key, u"Step"), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(FilesIn(folder_), std::vector<std::string>{"registry"});
  EXPECT_EQ(ReadFile(file_).rfind("audioplayer registry 1\n", 0), 0u);
}

// A reader holding the old file keeps reading the old registry whole: the
// change went to a new file renamed over it, never into the old one.
TEST_F(PlatformRegistry, ReplacesTheFileInsteadOfRewritingIt) {
  HKEY key = Create(u"Software\\Atomic");
  SetDword(key, u"Step", 1);
  const std::string before = ReadFile(file_);
  std::ifstream reader(file_, std::ios::binary);
  struct stat first {};
  ASSERT_EQ(stat(file_.c_str(), &first), 0);

  SetDword(key, u"Step", 2);
  struct stat second {};
  ASSERT_EQ(stat(file_.c_str(), &second), 0);
  EXPECT_NE(first.st_ino, second.st_ino);
  std::stringstream old;
  old << reader.rdbuf();
  EXPECT_EQ(old.str(), before);
  EXPECT_NE(ReadFile(file_).find("\"Step\"=4:02000000"), std::string::npos);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
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

  key = Create(u"Software\\Fresh");
  SetDword(key, u"v", 5);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  ASSERT_EQ(Open(u"Software\\Fresh", &key), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, u"v"), (std::vector<BYTE>{5, 0, 0, 0}));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// Keys nest at most 512 deep, as on Windows: a file of deeper keys (here a
// 2 MB chain that would overflow the stack of any recursive walk) is a
// damaged file and reads as empty, and creating a deeper key is refused.
TEST_F(PlatformRegistry, KeysNestNoDeeperThanWindowsAllows) {
  std::string deep = "audioplayer registry 1\n[a";
  while (deep.size() < 2'000'000)
    deep += "\\a";
  deep += "]\n";
  test_support::WriteFile(file_, deep);
  HKEY key = nullptr;
  EXPECT_EQ(Open(u"a\\a", &key), ERROR_FILE_NOT_FOUND);

  std::u16string path = u"Deep";
  for (int level = 1; level < 512; ++level)
    path += u"\\k";
  key = Create(path.c_str()); // 512 levels: allowed
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  HKEY deeper = nullptr;
  EXPECT_NE(RegCreateKeyExW(HKEY_CURRENT_USER, (path + u"\\x").c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &deeper, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(deeper, nullptr);
  ASSERT_EQ(Open(path.c_str(), &key), ERROR_SUCCESS) << "the file of 512 levels reads back";
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
