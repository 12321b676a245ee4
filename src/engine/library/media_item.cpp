// Media records: lazy attribute reading and attribute edits.
#include "engine/library/media_item.h"

#include <com.h>

#include <cstdlib>

#include "engine/media/attribute_reader.h"
#include "engine/media/tag_properties.h"
#include "engine/text/com_text.h"
#include "engine/library/media_library.h"

namespace engine {

namespace {

// The part of the URL after its last slash and before the last dot after
// it. A URL that ends in a slash (a station's root, a folder's) is named by
// what comes before it, its host where that is all.
std::u16string BaseName(std::u16string url) {
  while (url.size() > 1 && (url.back() == u'/' || url.back() == u'\\'))
    url.pop_back();
  std::size_t slash = url.find_last_of(u"/\\");
  std::u16string file = slash == std::u16string::npos ? url : url.substr(slash + 1);
  if (slash != std::u16string::npos && slash > 0 && url[slash - 1] == u'/' &&
      url.find(u"://") + 2 == slash)
    return file; // a host, whose dots are no extension's
  std::size_t dot = file.find_last_of(u'.');
  return dot == std::u16string::npos || dot == 0 ? file : file.substr(0, dot);
}

const char16_t kTitle[] = u"Title";

} // namespace

std::shared_ptr<MediaItem> MediaItem::ForUrl(const std::u16string &url) {
  auto item = std::make_shared<MediaItem>();
  item->url = url;
  item->attributes[u"SourceURL"] = url;
  return item;
}

void MediaItem::EnsureAttributes() {
  if (attributesRead)
    return;
  attributesRead = true;
  FileAttributes read;
  if (!ReadFileAttributes(url, read))
    return; // not a file we can read: it keeps its URL and name only
  for (auto &[name, value] : read.text)
    attributes.emplace(name, value); // what was set before reading wins
  if (duration <= 0)
    duration = read.duration; // a length known from loading the item is exact
  width = read.width;
  height = read.height;
}

std::u16string MediaItem::Name() {
  EnsureAttributes();
  auto title = attributes.find(kTitle);
  if (title != attributes.end() && !title->second.empty())
    return title->second;
  return listTitle.empty() ? BaseName(url) : listTitle;
}

std::optional<std::u16string> MediaItem::Attribute(const std::u16string &name) {
  if (SameName(name, u"Name") || SameName(name, kTitle))
    return Name();
  EnsureAttributes();
  for (auto &[key, value] : attributes)
    if (SameName(key, name))
      return value;
  return std::nullopt;
}

bool MediaItem::IsReadOnly(const std::u16string &name) {
  return IsDerivedAttribute(name) || SameName(name, u"WM/VideoWidth") ||
         SameName(name, u"WM/VideoHeight");
}

std::int32_t MediaItem::SetAttribute(const std::u16string &name, const std::u16string &value) {
  if (IsReadOnly(name))
    return E_ACCESSDENIED;
  EnsureAttributes();
  std::u16string key = SameName(name, u"Name") ? std::u16string(kTitle) : name;
  for (auto &[existing, stored] : attributes)
    if (SameName(existing, key))
      key = existing; // keep the spelling the item already has
  if (libraryId) {
    auto shared = library.lock();
    if (!shared)
      return E_FAIL;
    const TagProperty *tag = TagPropertyOf(key);
    if (std::int32_t status = shared->StoreItemAttribute(*libraryId, key, value, tag != nullptr);
        FAILED(status))
      return status;
    if (tag != nullptr)
      shared->QueueFileTag(*libraryId, key); // the file says it too, soon
  }
  if (value.empty())
    attributes.erase(key);
  else
    attributes[key] = value;
  return S_OK;
}

std::vector<std::u16string> MediaItem::AttributeNames() {
  EnsureAttributes();
  std::vector<std::u16string> names{u"Name"};
  for (auto &[key, value] : attributes)
    if (!SameName(key, kTitle))
      names.push_back(key);
  return names;
}

} // namespace engine
