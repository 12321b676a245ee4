// The Reg* functions over the registry file. Every call re-reads the file, so
// processes and tests sharing it see each other's changes, and a call that
// changes anything writes the file back before returning. Handles are heap
// records naming a key by its path; the key itself is looked up afresh on
// each use.
#include <winreg.h>

#include <algorithm>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "registry_store.h"

namespace reg = platform::registry;

namespace {

constexpr LSTATUS kErrorBadPathname = 161;
constexpr LSTATUS kErrorKeyDeleted = 1018;
constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kMaximumAllowed = 0x02000000;

struct KeyHandle {
  std::vector<std::u16string> path; // folded names below HKEY_CURRENT_USER
  REGSAM access;
};

struct Registry {
  std::mutex mutex;
  std::set<KeyHandle *> handles;
};

// Never destroyed: handles may be closed from late static destructors.
Registry &State() {
  static Registry *state = new Registry;
  return *state;
}

REGSAM Effective(REGSAM access) {
  if (access & (kGenericAll | kMaximumAllowed))
    access |= KEY_ALL_ACCESS;
  if (access & kGenericRead)
    access |= KEY_READ;
  if (access & kGenericWrite)
    access |= KEY_WRITE;
  return access;
}

// The handle's record, or null for a handle this process does not hold.
// HKEY_CURRENT_USER stands for the root with every right.
const KeyHandle *Find(Registry &state, HKEY key) {
  static const KeyHandle root{{}, KEY_ALL_ACCESS};
  if (key == HKEY_CURRENT_USER)
    return &root;
  auto *record = reinterpret_cast<KeyHandle *>(key);
  return state.handles.count(record) != 0 ? record : nullptr;
}

reg::Key *Walk(reg::Key *key, const std::vector<std::u16string> &path) {
  for (const std::u16string &name : path) {
    auto found = key->subkeys.find(name);
    if (found == key->subkeys.end())
      return nullptr;
    key = found->second.get();
  }
  return key;
}

// Splits "a\b\c" into names; a single trailing backslash is allowed.
bool Split(LPCWSTR subKey, std::vector<std::u16string> *names) {
  names->clear();
  if (subKey == nullptr || subKey[0] == 0)
    return true;
  std::u16string_view rest(subKey);
  if (rest.back() == u'\\')
    rest.remove_suffix(1);
  while (true) {
    std::size_t slash = rest.find(u'\\');
    std::u16string_view name = rest.substr(0, slash);
    if (name.empty())
      return false;
    names->emplace_back(name);
    if (slash == std::u16string_view::npos)
      return true;
    rest.remove_prefix(slash + 1);
  }
}

std::vector<std::u16string> Folded(const std::vector<std::u16string> &names) {
  std::vector<std::u16string> folded;
  for (const std::u16string &name : names)
    folded.push_back(reg::Fold(name));
  return folded;
}

HKEY NewHandle(Registry &state, std::vector<std::u16string> path, REGSAM access) {
  auto *record = new KeyHandle{std::move(path), Effective(access)};
  state.handles.insert(record);
  return reinterpret_cast<HKEY>(record);
}

std::u16string ValueName(LPCWSTR name) {
  return reg::Fold(name != nullptr ? name : u"");
}

// Writes the changed tree back; the change counts only once it is on disk.
LSTATUS Commit(const reg::Key &root) {
  return reg::Save(reg::FilePath(), root) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

} // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, HKEY *result) {
  if (result == nullptr)
    return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Registry &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const KeyHandle *base = Find(state, key);
  if (base == nullptr)
    return ERROR_INVALID_HANDLE;
  std::vector<std::u16string> names;
  if (!Split(subKey, &names))
    return kErrorBadPathname;

  reg::Key root;
  reg::Load(reg::FilePath(), &root);
  reg::Key *parent = Walk(&root, base->path);
  if (parent == nullptr)
    return kErrorKeyDeleted;
  std::vector<std::u16string> relative = Folded(names);
  if (Walk(parent, relative) == nullptr)
    return ERROR_FILE_NOT_FOUND;

  std::vector<std::u16string> path = base->path;
  path.insert(path.end(), relative.begin(), relative.end());
  *result = NewHandle(state, std::move(path), access);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass,
                               DWORD options, REGSAM access, LPSECURITY_ATTRIBUTES security,
                               HKEY *result, LPDWORD disposition) {
  if (result == nullptr || subKey == nullptr)
    return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Registry &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const KeyHandle *base = Find(state, key);
  if (base == nullptr)
    return ERROR_INVALID_HANDLE;
  std::vector<std::u16string> names;
  if (!Split(subKey, &names) || base->path.size() + names.size() > reg::kMaxKeyDepth)
    return kErrorBadPathname;

  reg::Key root;
  reg::Load(reg::FilePath(), &root);
  reg::Key *current = Walk(&root, base->path);
  if (current == nullptr)
    return kErrorKeyDeleted;
  bool created = false;
  std::vector<std::u16string> path = base->path;
  for (const std::u16string &name : names) {
    std::u16string folded = reg::Fold(name);
    auto &child = current->subkeys[folded];
    if (!child) {
      if (!(base->access & KEY_CREATE_SUB_KEY))
        return ERROR_ACCESS_DENIED;
      child = std::make_unique<reg::Key>();
      child->name = name;
      created = true;
    }
    current = child.get();
    path.push_back(std::move(folded));
  }
  if (created) {
    LSTATUS status = Commit(root);
    if (status != ERROR_SUCCESS)
      return status;
  }
  if (disposition != nullptr)
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(state, std::move(path), access);
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr))
    return ERROR_INVALID_PARAMETER;
  Registry &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const KeyHandle *handle = Find(state, key);
  if (handle == nullptr)
    return ERROR_INVALID_HANDLE;
  if (!(handle->access & KEY_QUERY_VALUE))
    return ERROR_ACCESS_DENIED;

  reg::Key root;
  reg::Load(reg::FilePath(), &root);
  reg::Key *owner = Walk(&root, handle->path);
  if (owner == nullptr)
    return kErrorKeyDeleted;
  auto found = owner->values.find(ValueName(name));
  if (found == owner->values.end())
    return ERROR_FILE_NOT_FOUND;

  const reg::Value &value = found->second;
  DWORD needed = DWORD(value.data.size());
  if (type != nullptr)
    *type = value.type;
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    std::copy(value.data.begin(), value.data.end(), data);
  }
  if (size != nullptr)
    *size = needed;
  return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE *data,
                              DWORD size) {
  if (data == nullptr && size != 0)
    return ERROR_INVALID_PARAMETER;
  Registry &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const KeyHandle *handle = Find(state, key);
  if (handle == nullptr)
    return ERROR_INVALID_HANDLE;
  if (!(handle->access & KEY_SET_VALUE))
    return ERROR_ACCESS_DENIED;

  reg::Key root;
  reg::Load(reg::FilePath(), &root);
  reg::Key *owner = Walk(&root, handle->path);
  if (owner == nullptr)
    return kErrorKeyDeleted;
  std::u16string shown = name != nullptr ? name : u"";
  reg::Value &value = owner->values[reg::Fold(shown)];
  if (value.name.empty())
    value.name = shown; // an existing value keeps its spelling
  value.type = type;
  value.data.assign(data, data + size);
  return Commit(root);
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
  if (key == HKEY_CURRENT_USER)
    return ERROR_SUCCESS; // predefined, never really open
  Registry &state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  auto *record = reinterpret_cast<KeyHandle *>(key);
  if (state.handles.erase(record) == 0)
    return ERROR_INVALID_HANDLE;
  delete record;
  return ERROR_SUCCESS;
}

} // extern "C"
