// The media library and the saved playlists as the engine's objects see
// them: records over engine::LibraryStore, with one record per stored item
// and per saved playlist for as long as anything holds it, so that the
// library's objects stay identical across calls and edits show everywhere.
//
// One library per process, shared by every engine: opened at
// LibraryStore::DefaultPath() when the first engine asks for it and closed
// when the last holder lets go. A library that cannot be opened answers
// every question with the status that says why (library_status.h).
//
// Turns. The reads made on a thread between two dispatches of its messages
// share one snapshot, and its changes are one transaction: the first change of a turn begins it and
// asks the thread's turn owner (its engine) to commit when the thread next
// dispatches messages. So a host operation that makes many changes (saving
// a playlist of 100,000 items) reaches the disk whole or not at all, at the
// cost of one commit. If a change or the commit fails, the whole turn is
// rolled back, the records are read again from the database, and the owner
// hears the failure (the engine raises the control's error event). Changes
// made on a thread without an owner commit one by one. Changes made on
// several threads at once share the open turn.
//
// Methods may be called from any thread; the records handed out belong to
// the caller's thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/library/library_store.h"
#include "engine/library/media_item.h"
#include "engine/library/playlist_data.h"
#include "engine/library/tag_write_queue.h"

namespace engine {

class MediaLibrary : public std::enable_shared_from_this<MediaLibrary> {
public:
  // Whoever commits the turns of one thread.
  class TurnOwner {
  public:
    // Called once per turn, at its first change: commit (CommitTurn) when
    // the thread next dispatches messages.
    virtual void CommitWanted() = 0;
    // The turn's changes were rolled back.
    virtual void TurnFailed(std::int32_t status) = 0;

  protected:
    ~TurnOwner() = default;
  };

  static std::shared_ptr<MediaLibrary> Shared();
  MediaLibrary(std::unique_ptr<LibraryStore> store, std::int32_t openStatus);
  ~MediaLibrary(); // commits an open turn

  // S_OK, or why the database could not be opened.
  std::int32_t OpenStatus() const { return openStatus_; }
  // The database file ("" when it could not be opened).
  std::string Path() const;

  // ---- turns ----
  // Makes `owner` the committer of the calling thread's turns.
  void Attach(TurnOwner *owner);
  // Commits the turn `owner` holds, then forgets it.
  void Detach(TurnOwner *owner);
  void CommitTurn(TurnOwner *owner);

  // ---- media items ----
  // The library's record for `url` (read again if its file changed), or
  // null when the library lacks it.
  std::shared_ptr<MediaItem> Find(const std::u16string &url);
  // The library's record for `url`, entering the file (its attributes read
  // once) when it is new. A local file that does not exist is refused with
  // 0x80070002, a folder with kNotAFile, a FIFO, device or socket with
  // kNotRegularFile; a file that cannot be read for attributes enters with
  // its URL alone. `entered`, when given, tells whether the file was new.
  std::int32_t Add(const std::u16string &url, std::shared_ptr<MediaItem> *out,
                   bool *entered = nullptr);
  // Reads the item's attributes again when its file's size or modification
  // time differs from when they were read.
  void Revalidate(MediaItem &item);
  // What a network stream said of itself while it played (its tags and
  // length; a network item has no file to read): entered in the library
  // like a file's attributes, with the host's edits over them, and copied
  // into `item`, the record the caller plays. Local files are left alone.
  std::int32_t StoreStreamAttributes(MediaItem &item,
                                     const std::map<std::u16string, std::u16string> &streamed);
  // Forgets the item; the user's file is never touched.
  std::int32_t Remove(MediaItem &item);
  std::int32_t All(std::vector<std::shared_ptr<MediaItem>> *items);
  std::int32_t ByAttribute(const std::u16string &name, const std::u16string &value,
                           std::vector<std::shared_ptr<MediaItem>> *items);
  // `toFile`: an attribute the file carries, to be written there too
  // (QueueFileTag); kept as pending until the file holds it.
  std::int32_t StoreItemAttribute(std::int64_t id, const std::u16string &name,
                                  const std::u16string &value, bool toFile = false);
  // ---- edits that reach the file ----
  // Asks for the item's file attribute `name` (title, author, ...) to be
  // written into its local file, off the caller's thread; see tag_writer.h
  // for what is kept and when a file is left alone (the edit stays here).
  // An edit not written before the process ended is written when its item
  // is next looked up.
  void QueueFileTag(std::int64_t id, const std::u16string &name);
  // Waits, at most `bound`, for the file writes asked so far.
  void WaitForFileTags(std::chrono::milliseconds bound);
  // The queue's work: writes the attributes as the library holds them now,
  // provided the file is as it was when its attributes were read, then
  // takes the new file's stamp and attributes, so that the write is not
  // taken for another program's change.
  void WriteFileTags(std::int64_t id, const std::set<std::u16string> &names);
  // ---- loudness measured as files played ----
  // The measure kept for the local file at `url`, when the file is still
  // as it was measured; `now` gets what the file is now, the stamp a new
  // measure of it is stored with (none for what is not a local file).
  std::optional<LoudnessMeasure> LoudnessOf(const std::u16string &url,
                                            std::optional<LibraryStore::FileStamp> *now);
  std::int32_t StoreLoudness(const std::u16string &url, LibraryStore::FileStamp stamp,
                             const LoudnessMeasure &measure);
  // The library's record when it has `url`, else a new record.
  std::shared_ptr<MediaItem> ItemForUrl(const std::u16string &url);

  // ---- saved playlists ----
  // Ids of the playlists not set aside, in library order; one query, no
  // playlist is read.
  std::int32_t PlaylistIds(std::vector<std::int64_t> *ids);
  std::int32_t PlaylistIdsNamed(const std::u16string &name, std::vector<std::int64_t> *ids);
  // The record of a saved playlist (its items are read when first needed).
  std::int32_t Playlist(std::int64_t id, std::shared_ptr<PlaylistData> *out);
  std::int32_t CreatePlaylist(const std::u16string &name, std::shared_ptr<PlaylistData> *out);
  std::int32_t DeletePlaylist(PlaylistData &playlist);
  std::int32_t SetDeleted(PlaylistData &playlist, bool deleted);

  // A saved playlist's edits, for PlaylistData: each stores the change and
  // keeps the record's stored rows in step; the record's items are the
  // caller's to change once the store took it.
  std::int32_t LoadItems(PlaylistData &playlist);
  std::int32_t StoreInsert(PlaylistData &playlist, std::size_t index, const MediaItem &item);
  std::int32_t StoreRemove(PlaylistData &playlist, std::size_t index);
  std::int32_t StoreMove(PlaylistData &playlist, std::size_t from, std::size_t to);
  std::int32_t StoreAssign(PlaylistData &playlist,
                           const std::vector<std::shared_ptr<MediaItem>> &items);
  std::int32_t StorePlaylistName(const PlaylistData &playlist, const std::u16string &name);
  std::int32_t StorePlaylistAttribute(const PlaylistData &playlist, const std::u16string &name,
                                      const std::u16string &value);

private:
  // Runs a change of the store within the calling thread's turn.
  template <class Operation> std::int32_t Write(Operation operation);
  TurnOwner *OwnerHere() const;
  void OpenTurn(TurnOwner *owner);
  std::int32_t JoinTurn();
  void JoinReadTurn();
  void FailTurn(std::int32_t status);
  // After a rollback: every live record as the database has it now.
  void Resync();

  std::int32_t StoreEntryAt(PlaylistData &playlist, std::size_t index, const std::u16string &url,
                            std::optional<std::int64_t> existingRow);
  std::shared_ptr<MediaItem> Record(LibraryStore::Item &&stored);
  std::shared_ptr<MediaItem> RecordById(std::int64_t id, std::int32_t *status);
  std::int32_t Records(const std::vector<std::int64_t> &ids,
                       std::vector<std::shared_ptr<MediaItem>> *items);

  std::recursive_mutex mutex_;
  std::unique_ptr<LibraryStore> store_;
  std::int32_t openStatus_;
  std::map<std::int64_t, std::weak_ptr<MediaItem>> items_;
  std::map<std::int64_t, std::weak_ptr<PlaylistData>> playlists_;
  std::vector<std::pair<std::thread::id, TurnOwner *>> owners_;
  TurnOwner *turnOwner_ = nullptr; // of the open turn
  std::uint64_t resyncs_ = 0;      // how often records were read again after a rollback
  TagWriteQueue tagWrites_;        // last: it goes first
};

} // namespace engine
