// The registry's in-memory tree and the one file that holds it. The API in
// registry.cpp loads the tree, applies one call and saves it back.
#pragma once

#include <wintypes.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

struct Value {
  std::u16string name; // as first written
  DWORD type = 0;
  std::vector<BYTE> data;
};

// How deep keys may nest, as on Windows. The limit also bounds every walk
// of the tree, which recurses: a file of deeper keys is a damaged file.
constexpr std::size_t kMaxKeyDepth = 512;

struct Key {
  std::u16string name; // as first created
  // Both maps are keyed by the folded name: lookups ignore case.
  std::map<std::u16string, Value> values;
  std::map<std::u16string, std::unique_ptr<Key>> subkeys;
};

// Upper-cases a name for comparison. Windows folds all of Unicode; this
// covers ASCII, Latin-1, Greek and Cyrillic, which is what key and value
// names hold in practice.
std::u16string Fold(std::u16string_view name);

// The text form of the tree; documented in registry_format.cpp.
std::string Serialize(const Key &root);
// False when the text is not a registry file; *root is then left empty.
bool Parse(std::string_view text, Key *root);

// AUDIOPLAYER_REGISTRY, else $XDG_CONFIG_HOME/audioplayer/registry, else
// $HOME/.config/audioplayer/registry.
std::string FilePath();
// A missing, unreadable or corrupt file loads as an empty registry.
void Load(const std::string &path, Key *root);
// Replaces the file atomically; false if it could not be written.
bool Save(const std::string &path, const Key &root);

} // namespace platform::registry
