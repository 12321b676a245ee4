// The control's "LibraryRights" preference, which creating a player keeps at
// 0x24: what is written, with which type and length, and what is left alone.
#include "support/proxied_player.h"

#include <sys/stat.h>
#include <windows.h>

#include <filesystem>

#include <optional>
#include <utility>
#include <vector>

namespace {

const OLECHAR kPreferences[] = OLESTR("Software\\Microsoft\\MediaPlayer\\Preferences");
const OLECHAR kValue[] = OLESTR("LibraryRights");

using Bytes = std::vector<BYTE>;
using Stored = std::pair<DWORD, Bytes>; // type, data

struct Case {
  const char *what;
  bool key;                     // the Preferences key exists beforehand
  std::optional<Stored> before; // the value beforehand
  std::optional<Stored> after;  // the value afterwards
  bool rewritten;               // the registry file was written
};

class LibraryRights : public ProxiedPlayer {
protected:
  void Seed(const Case &c) {
    std::filesystem::remove(folder.File("registry"));
    if (!c.key)
      return;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kPreferences, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (c.before) {
      EXPECT_EQ(RegSetValueExW(key, kValue, 0, c.before->first, c.before->second.data(),
                               DWORD(c.before->second.size())),
                ERROR_SUCCESS);
    }
    RegCloseKey(key);
  }

  // Whether the key exists, and the value if it does.
  std::pair<bool, std::optional<Stored>> Read() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPreferences, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return {false, std::nullopt};
    DWORD type = 0;
    BYTE data[64] = {};
    DWORD size = sizeof data;
    LSTATUS status = RegQueryValueExW(key, kValue, nullptr, &type, data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
      return {true, std::nullopt};
    return {true, Stored{type, Bytes(data, data + size)}};
  }

  // Changes with every write: the registry file is replaced on every write.
  unsigned long long WriteStamp() {
    struct stat info {};
    return stat(folder.File("registry").c_str(), &info) == 0 ? info.st_ino : 0;
  }
};

TEST_F(LibraryRights, KeptAt0x24) {
  const Stored wanted{REG_BINARY, {0x24, 0, 0, 0}};
  const std::vector<Case> cases = {
      {"no Preferences key: created empty", false, std::nullopt, std::nullopt, true},
      {"no value: written as 4 binary bytes", true, std::nullopt, wanted, true},
      {"already 0x24 as binary", true, wanted, wanted, false},
      {"already 0x24 as a DWORD", true, Stored{REG_DWORD, {0x24, 0, 0, 0}},
       Stored{REG_DWORD, {0x24, 0, 0, 0}}, false},
      {"another DWORD: rewritten with its type", true, Stored{REG_DWORD, {0x24, 1, 0, 0}},
       Stored{REG_DWORD, {0x24, 0, 0, 0}}, true},
      {"two bytes: rewritten in its length", true, Stored{REG_BINARY, {0x10, 0}},
       Stored{REG_BINARY, {0x24, 0}}, true},
      {"three bytes of 0x010024", true, Stored{REG_BINARY, {0x24, 0, 1}},
       Stored{REG_BINARY, {0x24, 0, 0}}, true},
      {"empty value", true, Stored{REG_BINARY, {}}, Stored{REG_BINARY, {}}, true},
      {"longer than 4 bytes: left alone", true, Stored{REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8}},
       Stored{REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8}}, false},
      {"longer, starting with 0x24: left alone", true, Stored{REG_BINARY, {0x24, 0, 0, 0, 0}},
       Stored{REG_BINARY, {0x24, 0, 0, 0, 0}}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Seed(c);
    unsigned long long before = WriteStamp();
    ASSERT_EQ(CreatePlayer(), S_OK);
    EXPECT_EQ(Read(), std::make_pair(true, c.after));
    EXPECT_EQ(WriteStamp() != before, c.rewritten);
    DestroyPlayer();
  }
}

TEST_F(LibraryRights, AFailedCreationBeforeTheControlLeavesTheRegistryAlone) {
  control.Answer("IClassFactory.CreateInstance", 0, E_OUTOFMEMORY);
  EXPECT_EQ(CreatePlayer(), E_OUTOFMEMORY);
  EXPECT_EQ(player, nullptr);
  EXPECT_FALSE(Read().first);
}

} // namespace
