// The library's records over the store, and its turns.
#include "engine/library/media_library.h"

#include <com.h>
#include <sys/stat.h>

#include <glib.h>

#include <algorithm>

#include "engine/media/attribute_reader.h"
#include "engine/media/tag_properties.h"
#include "engine/media/tag_writer.h"
#include "engine/library/entry_order.h"
#include "engine/library/library_status.h"
#include "engine/text/com_text.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

const std::int32_t kFileNotFound = std::int32_t(0x80070002);

bool IsLocalPath(const std::u16string &url) {
  return url.find(u"://") == std::u16string::npos || url.rfind(u"file://", 0) == 0;
}

std::string LocalPathOf(const std::u16string &url) {
  return Utf8Of(url.rfind(u"file://", 0) == 0 ? url.substr(7) : url);
}

// What the file at a local URL is now: S_OK with its stamp for a regular
// file, else why it cannot be media. Never opens the file, so a FIFO cannot
// block here.
std::int32_t StatLocalFile(const std::u16string &url, LibraryStore::FileStamp *stamp) {
  struct stat info {};
  if (::stat(LocalPathOf(url).c_str(), &info) != 0)
    return kFileNotFound;
  if (S_ISDIR(info.st_mode))
    return kNotAFile;
  if (!S_ISREG(info.st_mode))
    return kNotRegularFile;
  stamp->size = info.st_size;
  stamp->modified = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  return S_OK;
}

long NumberOf(const std::map<std::u16string, std::u16string> &attributes, const char16_t *name) {
  auto found = attributes.find(name);
  return found == attributes.end() ? 0 : std::atol(Utf8Of(found->second).c_str());
}

// The attributes a file gives, in the library's form. A read that gave up
// (`unsure`) is kept without the file's stamp, so that the file is read
// again when next asked for, not judged for good by one timeout.
std::map<std::u16string, std::u16string> ReadForLibrary(const std::u16string &url,
                                                        LibraryStore::FileStamp *stamp) {
  FileAttributes read;
  if (!ReadFileAttributes(url, read))
    read.text[u"SourceURL"] = url;
  if (read.unsure)
    *stamp = LibraryStore::FileStamp{};
  if (read.width)
    read.text[u"WM/VideoWidth"] = Utf16Of(std::to_string(read.width));
  if (read.height)
    read.text[u"WM/VideoHeight"] = Utf16Of(std::to_string(read.height));
  return read.text;
}

// Fills a record from what the store holds.
// Takes the stored record's text: it is made for this and dropped after.
void Fill(MediaItem &item, LibraryStore::Item &&stored) {
  item.url = std::move(stored.url);
  item.attributes = std::move(stored.attributes);
  item.attributesRead = true; // read when it entered the library
  item.duration = std::atof(Utf8Of(item.Attribute(u"Duration").value_or(u"0")).c_str());
  item.width = NumberOf(item.attributes, u"WM/VideoWidth");
  item.height = NumberOf(item.attributes, u"WM/VideoHeight");
  item.fileSize = stored.stamp.size;
  item.fileModified = stored.stamp.modified;
}

} // namespace

std::shared_ptr<MediaLibrary> MediaLibrary::Shared() {
  static std::mutex mutex;
  static std::weak_ptr<MediaLibrary> shared;
  std::lock_guard lock(mutex);
  auto library = shared.lock();
  if (!library) {
    std::int32_t status = S_OK;
    auto store = LibraryStore::Open(LibraryStore::DefaultPath(), &status);
    library = std::make_shared<MediaLibrary>(std::move(store), status);
    shared = library;
  }
  return library;
}

MediaLibrary::MediaLibrary(std::unique_ptr<LibraryStore> store, std::int32_t openStatus)
    : store_(std::move(store)), openStatus_(store_ ? S_OK : openStatus) {
  if (!store_ && SUCCEEDED(openStatus_))
    openStatus_ = kLibraryCannotOpen;
}

MediaLibrary::~MediaLibrary() {
  if (store_)
    store_->CommitBatch(); // nobody is left to hear a failure
}

std::string MediaLibrary::Path() const {
  return store_ ? store_->Path() : std::string();
}

// ---- turns -----------------------------------------------------------------

void MediaLibrary::Attach(TurnOwner *owner) {
  std::lock_guard lock(mutex_);
  owners_.emplace_back(std::this_thread::get_id(), owner);
}

void MediaLibrary::Detach(TurnOwner *owner) {
  std::lock_guard lock(mutex_);
  CommitTurn(owner);
  std::erase_if(owners_, [owner](const auto &entry) { return entry.second == owner; });
}

void MediaLibrary::CommitTurn(TurnOwner *owner) {
  std::lock_guard lock(mutex_);
  if (!store_ || turnOwner_ != owner || owner == nullptr)
    return;
  turnOwner_ = nullptr;
  if (std::int32_t status = store_->CommitBatch(); FAILED(status)) {
    Resync();
    owner->TurnFailed(status);
  }
}

MediaLibrary::TurnOwner *MediaLibrary::OwnerHere() const {
  TurnOwner *owner = nullptr;
  for (auto &[thread, candidate] : owners_)
    if (thread == std::this_thread::get_id())
      owner = candidate; // the latest on this thread
  return owner;
}

// The turn's owner is asked once to end it, whether it began with a read or
// a change.
void MediaLibrary::OpenTurn(TurnOwner *owner) {
  if (turnOwner_ != nullptr)
    return;
  turnOwner_ = owner;
  owner->CommitWanted();
}

std::int32_t MediaLibrary::JoinTurn() {
  if (store_->InBatch())
    return S_OK;
  TurnOwner *owner = OwnerHere();
  if (owner == nullptr)
    return S_OK; // each change commits by itself
  if (std::int32_t status = store_->BeginBatch(); FAILED(status))
    return status;
  OpenTurn(owner);
  return S_OK;
}

// Reads of a turn share one snapshot: SQLite then locks the file once per
// turn, not once per statement.
void MediaLibrary::JoinReadTurn() {
  if (store_->InBatch() || store_->InRead())
    return;
  if (TurnOwner *owner = OwnerHere(); owner && SUCCEEDED(store_->BeginRead()))
    OpenTurn(owner);
}

void MediaLibrary::FailTurn(std::int32_t status) {
  if (!store_->InBatch())
    return; // a change of its own: it undid itself
  store_->RollbackBatch();
  TurnOwner *owner = turnOwner_;
  turnOwner_ = nullptr;
  Resync();
  if (owner)
    owner->TurnFailed(status);
}

template <class Operation> std::int32_t MediaLibrary::Write(Operation operation) {
  std::lock_guard lock(mutex_);
  if (!store_)
    return openStatus_;
  if (std::int32_t status = JoinTurn(); FAILED(status))
    return status;
  std::int32_t status = operation(*store_);
  if (IsDatabaseFailure(status))
    FailTurn(status);
  return status;
}

void MediaLibrary::Resync() {
  ++resyncs_;
  for (auto at = items_.begin(); at != items_.end();) {
    auto item = at->second.lock();
    std::optional<LibraryStore::Item> stored;
    if (item && SUCCEEDED(store_->GetItem(at->first, &stored)) && stored) {
      Fill(*item, std::move(*stored));
      ++at;
      continue;
    }
    if (item)
      item->libraryId.reset(); // holders keep a plain record of the file
    at = items_.erase(at);
  }
  for (auto at = playlists_.begin(); at != playlists_.end();) {
    auto playlist = at->second.lock();
    std::optional<LibraryStore::SavedPlaylist> stored;
    if (playlist && SUCCEEDED(store_->GetPlaylist(at->first, &stored)) && stored) {
      playlist->name = stored->name;
      playlist->deleted = stored->deleted;
      playlist->attributes = stored->attributes;
      if (playlist->itemsRead)
        LoadItems(*playlist);
      ++at;
      continue;
    }
    if (playlist) {
      playlist->savedId.reset(); // holders keep an unsaved playlist
      playlist->storedRows.clear();
      playlist->storedKeys.clear();
    }
    at = playlists_.erase(at);
  }
}

// ---- media items -----------------------------------------------------------

std::shared_ptr<MediaItem> MediaLibrary::Record(LibraryStore::Item &&stored) {
  const std::int64_t id = stored.id;
  auto &cached = items_[id];
  if (auto item = cached.lock())
    return item;
  auto item = std::make_shared<MediaItem>();
  Fill(*item, std::move(stored));
  item->libraryId = id;
  item->library = weak_from_this();
  cached = item;
  return item;
}

std::shared_ptr<MediaItem> MediaLibrary::RecordById(std::int64_t id, std::int32_t *status) {
  auto cached = items_.find(id);
  if (cached != items_.end())
    if (auto item = cached->second.lock())
      return item;
  std::optional<LibraryStore::Item> stored;
  *status = store_->GetItem(id, &stored);
  return stored ? Record(std::move(*stored)) : nullptr;
}

std::int32_t MediaLibrary::Records(const std::vector<std::int64_t> &ids,
                                   std::vector<std::shared_ptr<MediaItem>> *items) {
  items->clear();
  items->reserve(ids.size());
  for (std::int64_t id : ids) {
    std::int32_t status = S_OK;
    if (auto item = RecordById(id, &status))
      items->push_back(std::move(item));
    else if (FAILED(status))
      return status;
  }
  return S_OK;
}

std::shared_ptr<MediaItem> MediaLibrary::Find(const std::u16string &url) {
  std::lock_guard lock(mutex_);
  if (!store_)
    return nullptr;
  JoinReadTurn();
  std::optional<LibraryStore::Item> stored;
  store_->FindItemByUrl(url, &stored);
  if (!stored)
    return nullptr;
  const std::set<std::u16string> pending = std::move(stored->pendingTags);
  auto item = Record(std::move(*stored));
  Revalidate(*item);
  // Edits a process that ended too soon left for the file (the file may
  // have changed since: looked at above first).
  for (const std::u16string &name : pending)
    QueueFileTag(*item->libraryId, name);
  return item;
}

void MediaLibrary::Revalidate(MediaItem &item) {
  std::lock_guard lock(mutex_);
  if (!store_ || !item.libraryId || !IsLocalPath(item.url))
    return;
  LibraryStore::FileStamp now;
  if (FAILED(StatLocalFile(item.url, &now)) ||
      (now.size == item.fileSize && now.modified == item.fileModified))
    return; // unchanged, or gone: what was read stays
  const std::int64_t id = *item.libraryId;
  std::optional<LibraryStore::Item> stored;
  if (SUCCEEDED(store_->GetItem(id, &stored)) && stored && stored->stamp.size == now.size &&
      stored->stamp.modified == now.modified) {
    Fill(item, std::move(*stored)); // read again already (the library's own tag write)
    return;
  }
  const auto read = ReadForLibrary(item.url, &now);
  if (FAILED(Write([&](LibraryStore &store) { return store.RefreshItem(id, read, now); })))
    return;
  if (SUCCEEDED(store_->GetItem(id, &stored)) && stored)
    Fill(item, std::move(*stored)); // the file's attributes, with the host's edits over them
}

std::int32_t MediaLibrary::Add(const std::u16string &url, std::shared_ptr<MediaItem> *out,
                               bool *entered) {
  std::lock_guard lock(mutex_);
  out->reset();
  if (entered)
    *entered = false;
  if (!store_)
    return openStatus_;
  if (url.empty())
    return E_FAIL;
  if ((*out = Find(url)))
    return S_OK;
  LibraryStore::FileStamp stamp;
  if (IsLocalPath(url))
    if (std::int32_t status = StatLocalFile(url, &stamp); FAILED(status))
      return status;
  const auto read = ReadForLibrary(url, &stamp);
  std::int64_t id = 0;
  std::int32_t status =
      Write([&](LibraryStore &store) { return store.AddItem(url, read, stamp, &id); });
  if (FAILED(status))
    return status;
  *out = Record(LibraryStore::Item{id, url, read, stamp, {}});
  if (entered)
    *entered = true;
  return S_OK;
}

std::int32_t
MediaLibrary::StoreStreamAttributes(MediaItem &item,
                                    const std::map<std::u16string, std::u16string> &streamed) {
  std::lock_guard lock(mutex_);
  if (IsLocalPath(item.url))
    return S_OK;
  std::shared_ptr<MediaItem> record;
  if (std::int32_t status = Add(item.url, &record); FAILED(status))
    return status;
  std::map<std::u16string, std::u16string> read = streamed;
  read[u"SourceURL"] = item.url;
  const std::int64_t id = *record->libraryId;
  const LibraryStore::FileStamp none{};
  if (std::int32_t status =
          Write([&](LibraryStore &store) { return store.RefreshItem(id, read, none); });
      FAILED(status))
    return status;
  std::optional<LibraryStore::Item> stored;
  if (std::int32_t status = store_->GetItem(id, &stored); FAILED(status) || !stored)
    return FAILED(status) ? status : E_FAIL;
  Fill(*record, LibraryStore::Item(*stored));
  if (record.get() != &item)
    Fill(item, std::move(*stored)); // the playing record shows it at once
  return S_OK;
}

std::int32_t MediaLibrary::Remove(MediaItem &item) {
  std::lock_guard lock(mutex_);
  if (!item.libraryId)
    return E_INVALIDARG;
  const std::int64_t id = *item.libraryId;
  std::int32_t status = Write([&](LibraryStore &store) { return store.RemoveItem(id); });
  if (FAILED(status))
    return status;
  items_.erase(id);
  item.libraryId.reset(); // holders keep a plain record of the file
  return S_OK;
}

std::int32_t MediaLibrary::All(std::vector<std::shared_ptr<MediaItem>> *items) {
  std::lock_guard lock(mutex_);
  items->clear();
  if (!store_)
    return openStatus_;
  JoinReadTurn();
  std::vector<std::int64_t> ids;
  if (std::int32_t status = store_->AllItems(&ids); FAILED(status))
    return status;
  return Records(ids, items);
}

std::int32_t MediaLibrary::ByAttribute(const std::u16string &name, const std::u16string &value,
                                       std::vector<std::shared_ptr<MediaItem>> *items) {
  std::lock_guard lock(mutex_);
  items->clear();
  if (!store_)
    return openStatus_;
  JoinReadTurn();
  std::vector<std::int64_t> ids;
  if (std::int32_t status = store_->ItemsByAttribute(name, value, &ids); FAILED(status))
    return status;
  return Records(ids, items);
}

std::int32_t MediaLibrary::StoreItemAttribute(std::int64_t id, const std::u16string &name,
                                              const std::u16string &value, bool toFile) {
  return Write(
      [&](LibraryStore &store) { return store.SetItemAttribute(id, name, value, toFile); });
}

void MediaLibrary::QueueFileTag(std::int64_t id, const std::u16string &name) {
  tagWrites_.Add(shared_from_this(), id, name);
}

void MediaLibrary::WaitForFileTags(std::chrono::milliseconds bound) {
  tagWrites_.Wait(bound);
}

void MediaLibrary::WriteFileTags(std::int64_t id, const std::set<std::u16string> &names) {
  std::optional<LibraryStore::Item> stored;
  {
    std::lock_guard lock(mutex_);
    if (!store_ || FAILED(store_->GetItem(id, &stored)) || !stored || !IsLocalPath(stored->url))
      return;
  }
  std::map<std::u16string, std::u16string> wanted;
  for (const std::u16string &name : names) {
    wanted[name]; // absent: removed from the file too
    for (const auto &[key, value] : stored->attributes)
      if (SameName(key, name))
        wanted[name] = value;
  }
  const std::string path = LocalPathOf(stored->url);
  FileState written;
  const std::int32_t status =
      engine::WriteFileTags(path, wanted, {stored->stamp.size, stored->stamp.modified}, &written);
  // A file that can never take the edit keeps it in the library alone; one
  // that changed or could not be written now is tried again when its item
  // is next looked up.
  const bool lasting =
      status == kTagsAccessDenied || status == kTagsWriteProtected || status == kTagsBadFormat;
  if (SUCCEEDED(status) || lasting)
    Write([&](LibraryStore &store) {
      for (const auto &[name, value] : wanted)
        if (std::int32_t done = store.TagWritten(id, name, value); FAILED(done))
          return done;
      return S_OK;
    });
  if (FAILED(status)) {
    g_warning("the tags of %s stay in the media library alone%s: 0x%08X", path.c_str(),
              lasting ? "" : " for now", unsigned(status));
    return;
  }
  LibraryStore::FileStamp stamp{written.size, written.modified};
  if (stamp.size == stored->stamp.size && stamp.modified == stored->stamp.modified)
    return; // the file said so already
  const auto read = ReadForLibrary(stored->url, &stamp);
  Write([&](LibraryStore &store) { return store.RefreshItem(id, read, stamp); });
}

std::optional<LoudnessMeasure>
MediaLibrary::LoudnessOf(const std::u16string &url, std::optional<LibraryStore::FileStamp> *now) {
  now->reset();
  LibraryStore::FileStamp stamp;
  if (!IsLocalPath(url) || FAILED(StatLocalFile(url, &stamp)))
    return std::nullopt;
  *now = stamp;
  std::lock_guard lock(mutex_);
  if (!store_)
    return std::nullopt;
  JoinReadTurn();
  std::optional<LibraryStore::Loudness> stored;
  store_->FindLoudness(url, &stored);
  if (!stored || stored->stamp.size != stamp.size || stored->stamp.modified != stamp.modified)
    return std::nullopt; // never measured, or changed since: measured anew as it plays
  return stored->measure;
}

std::int32_t MediaLibrary::StoreLoudness(const std::u16string &url, LibraryStore::FileStamp stamp,
                                         const LoudnessMeasure &measure) {
  return Write([&](LibraryStore &store) { return store.PutLoudness(url, {stamp, measure}); });
}

std::shared_ptr<MediaItem> MediaLibrary::ItemForUrl(const std::u16string &url) {
  auto item = Find(url);
  return item ? item : MediaItem::ForUrl(url);
}

// ---- saved playlists -------------------------------------------------------

std::int32_t MediaLibrary::PlaylistIds(std::vector<std::int64_t> *ids) {
  std::lock_guard lock(mutex_);
  ids->clear();
  if (!store_)
    return openStatus_;
  JoinReadTurn();
  return store_->PlaylistIds(ids);
}

std::int32_t MediaLibrary::PlaylistIdsNamed(const std::u16string &name,
                                            std::vector<std::int64_t> *ids) {
  std::lock_guard lock(mutex_);
  ids->clear();
  if (!store_)
    return openStatus_;
  JoinReadTurn();
  return store_->PlaylistsByName(name, ids);
}

std::int32_t MediaLibrary::Playlist(std::int64_t id, std::shared_ptr<PlaylistData> *out) {
  std::lock_guard lock(mutex_);
  out->reset();
  if (!store_)
    return openStatus_;
  auto &cached = playlists_[id];
  if ((*out = cached.lock()))
    return S_OK;
  JoinReadTurn();
  std::optional<LibraryStore::SavedPlaylist> stored;
  std::int32_t status = store_->GetPlaylist(id, &stored);
  if (!stored) {
    playlists_.erase(id);
    return FAILED(status) ? status : kLibraryNotFound;
  }
  auto playlist = PlaylistData::Named(stored->name);
  playlist->attributes = std::move(stored->attributes);
  playlist->deleted = stored->deleted;
  playlist->savedId = id;
  playlist->library = weak_from_this();
  playlist->itemsRead = false; // read when first needed
  cached = playlist;
  *out = std::move(playlist);
  return S_OK;
}

std::int32_t MediaLibrary::CreatePlaylist(const std::u16string &name,
                                          std::shared_ptr<PlaylistData> *out) {
  std::lock_guard lock(mutex_);
  out->reset();
  std::int64_t id = 0;
  std::int32_t status = Write([&](LibraryStore &store) { return store.CreatePlaylist(name, &id); });
  return FAILED(status) ? status : Playlist(id, out);
}

std::int32_t MediaLibrary::DeletePlaylist(PlaylistData &playlist) {
  std::lock_guard lock(mutex_);
  if (!playlist.savedId)
    return E_INVALIDARG;
  const std::int64_t id = *playlist.savedId;
  playlist.Items(); // holders keep an unsaved playlist with the same items
  std::int32_t status = Write([&](LibraryStore &store) { return store.DeletePlaylist(id); });
  if (FAILED(status))
    return status;
  playlists_.erase(id);
  playlist.savedId.reset();
  playlist.storedRows.clear();
  playlist.storedKeys.clear();
  return S_OK;
}

std::int32_t MediaLibrary::SetDeleted(PlaylistData &playlist, bool deleted) {
  if (!playlist.savedId)
    return E_INVALIDARG;
  const std::int64_t id = *playlist.savedId;
  std::int32_t status =
      Write([&](LibraryStore &store) { return store.SetPlaylistDeleted(id, deleted); });
  if (SUCCEEDED(status))
    playlist.deleted = deleted;
  return status;
}

std::int32_t MediaLibrary::LoadItems(PlaylistData &playlist) {
  std::lock_guard lock(mutex_);
  if (!store_ || !playlist.savedId)
    return store_ ? E_INVALIDARG : openStatus_;
  JoinReadTurn();
  std::vector<LibraryStore::Entry> entries;
  std::int32_t status = store_->PlaylistEntries(*playlist.savedId, &entries);
  if (FAILED(status))
    return status;
  playlist.items.clear();
  playlist.storedRows.clear();
  playlist.storedKeys.clear();
  playlist.items.reserve(entries.size());
  playlist.storedRows.reserve(entries.size());
  playlist.storedKeys.reserve(entries.size());
  for (auto &entry : entries) {
    playlist.items.push_back(ItemForUrl(entry.url));
    playlist.storedRows.push_back(entry.row);
    playlist.storedKeys.push_back(entry.key);
  }
  playlist.itemsRead = true;
  return S_OK;
}

// The store's side of an insertion at `index` (of a new row for `url`, or
// of `existingRow` when moving): new keys for the neighbours the plan
// renumbers, then the row. The record's keys and rows follow the database.
std::int32_t MediaLibrary::StoreEntryAt(PlaylistData &playlist, std::size_t index,
                                        const std::u16string &url,
                                        std::optional<std::int64_t> existingRow) {
  const std::int64_t id = *playlist.savedId;
  auto &keys = playlist.storedKeys;
  auto &rows = playlist.storedRows;
  const EntryKeyPlan plan = PlanEntryInsert(keys, index);
  std::vector<std::pair<std::int64_t, std::int64_t>> rekeys;
  for (std::size_t at = 0; at < plan.rekeyed.size(); ++at)
    rekeys.emplace_back(rows[plan.first + at], plan.rekeyed[at]);
  std::int64_t row = existingRow.value_or(0);
  bool rekeyed = false;
  const std::uint64_t resyncs = resyncs_;
  std::int32_t status = Write([&](LibraryStore &store) {
    if (!rekeys.empty()) {
      if (std::int32_t moved = store.RekeyEntries(rekeys); FAILED(moved))
        return moved;
      rekeyed = true;
    }
    return existingRow ? store.MoveEntry(row, plan.key)
                       : store.InsertEntry(id, plan.key, url, &row);
  });
  if (resyncs != resyncs_)
    return status; // the whole turn was undone and the record read again
  if (rekeyed)
    std::copy(plan.rekeyed.begin(), plan.rekeyed.end(), keys.begin() + long(plan.first));
  if (FAILED(status))
    return status;
  keys.insert(keys.begin() + long(index), plan.key);
  rows.insert(rows.begin() + long(index), row);
  return S_OK;
}

std::int32_t MediaLibrary::StoreInsert(PlaylistData &playlist, std::size_t index,
                                       const MediaItem &item) {
  std::lock_guard lock(mutex_);
  return StoreEntryAt(playlist, index, item.url, std::nullopt);
}

std::int32_t MediaLibrary::StoreRemove(PlaylistData &playlist, std::size_t index) {
  std::lock_guard lock(mutex_);
  const std::int64_t row = playlist.storedRows[index];
  std::int32_t status = Write([&](LibraryStore &store) { return store.RemoveEntry(row); });
  if (SUCCEEDED(status)) {
    playlist.storedRows.erase(playlist.storedRows.begin() + long(index));
    playlist.storedKeys.erase(playlist.storedKeys.begin() + long(index));
  }
  return status;
}

// A move is the row taken out and put back at `to` with a new key.
std::int32_t MediaLibrary::StoreMove(PlaylistData &playlist, std::size_t from, std::size_t to) {
  std::lock_guard lock(mutex_);
  auto &keys = playlist.storedKeys;
  auto &rows = playlist.storedRows;
  const std::int64_t row = rows[from], key = keys[from];
  rows.erase(rows.begin() + long(from));
  keys.erase(keys.begin() + long(from));
  const std::uint64_t resyncs = resyncs_;
  std::int32_t status = StoreEntryAt(playlist, to, std::u16string(), row);
  if (FAILED(status) && resyncs == resyncs_) {
    rows.insert(rows.begin() + long(from), row);
    keys.insert(keys.begin() + long(from), key);
  }
  return status;
}

std::int32_t MediaLibrary::StoreAssign(PlaylistData &playlist,
                                       const std::vector<std::shared_ptr<MediaItem>> &items) {
  std::lock_guard lock(mutex_);
  const std::int64_t id = *playlist.savedId;
  std::vector<std::u16string> urls;
  urls.reserve(items.size());
  for (auto &item : items)
    urls.push_back(item->url);
  std::vector<LibraryStore::Entry> entries;
  std::int32_t status =
      Write([&](LibraryStore &store) { return store.SetPlaylistItems(id, urls, &entries); });
  if (FAILED(status))
    return status;
  playlist.storedRows.clear();
  playlist.storedKeys.clear();
  for (auto &entry : entries) {
    playlist.storedRows.push_back(entry.row);
    playlist.storedKeys.push_back(entry.key);
  }
  return S_OK;
}

std::int32_t MediaLibrary::StorePlaylistName(const PlaylistData &playlist,
                                             const std::u16string &name) {
  const std::int64_t id = *playlist.savedId;
  return Write([&](LibraryStore &store) { return store.RenamePlaylist(id, name); });
}

std::int32_t MediaLibrary::StorePlaylistAttribute(const PlaylistData &playlist,
                                                  const std::u16string &name,
                                                  const std::u16string &value) {
  const std::int64_t id = *playlist.savedId;
  return Write([&](LibraryStore &store) { return store.SetPlaylistAttribute(id, name, value); });
}

} // namespace engine
