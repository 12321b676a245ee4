#include "engine/library/library_store.h"

#include <com.h>
#include <sys/stat.h>

#include "engine/library/entry_order.h"
#include "engine/library/library_status.h"

#include "database_rows.h"
#include "generated_media.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

namespace {

using engine::LibraryStore;
using Attributes = std::map<std::u16string, std::u16string>;

std::u16string Number(long n) {
  std::string digits = std::to_string(n);
  return {digits.begin(), digits.end()};
}
using test_media::IntegrityCheck;

// Restores an environment variable when the test ends.
class EnvironmentOverride {
public:
  EnvironmentOverride(const char *name, const char *value) : name_(name) {
    if (const char *old = std::getenv(name))
      old_ = old, hadOld_ = true;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~EnvironmentOverride() {
    if (hadOld_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char *name_;
  std::string old_;
  bool hadOld_ = false;
};

TEST(LibraryStore, DefaultPathFollowsTheEnvironment) {
  EnvironmentOverride home("HOME", "/home/listener");
  {
    EnvironmentOverride library("AUDIOPLAYER_LIBRARY", "/tmp/elsewhere/lib.db");
    EnvironmentOverride data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(LibraryStore::DefaultPath(), "/tmp/elsewhere/lib.db");
  }
  EnvironmentOverride library("AUDIOPLAYER_LIBRARY", nullptr);
  {
    EnvironmentOverride data("XDG_DATA_HOME", "/data");
    EXPECT_EQ(LibraryStore::DefaultPath(), "/data/audioplayer/library.db");
  }
  EnvironmentOverride data("XDG_DATA_HOME", "");
  EXPECT_EQ(LibraryStore::DefaultPath(), "/home/listener/.local/share/audioplayer/library.db");
}

// What the store's calls give, for tests that only want the value.
std::unique_ptr<LibraryStore> Opened(const std::string &path) {
  std::int32_t status = 1;
  auto store = LibraryStore::Open(path, &status);
  EXPECT_EQ(status, S_OK) << path;
  return store;
}
std::optional<LibraryStore::Item> ItemOf(LibraryStore &store, std::int64_t id) {
  std::optional<LibraryStore::Item> item;
  store.GetItem(id, &item);
  return item;
}
std::optional<LibraryStore::Item> ItemAt(LibraryStore &store, const std::u16string &url) {
  std::optional<LibraryStore::Item> item;
  store.FindItemByUrl(url, &item);
  return item;
}
std::int64_t Added(LibraryStore &store, const std::u16string &url, const Attributes &attributes) {
  std::int64_t id = 0;
  EXPECT_EQ(store.AddItem(url, attributes, {}, &id), S_OK);
  return id;
}
std::vector<std::int64_t> AllItems(LibraryStore &store) {
  std::vector<std::int64_t> ids;
  EXPECT_EQ(store.AllItems(&ids), S_OK);
  return ids;
}
std::vector<std::int64_t> ByAttribute(LibraryStore &store, const std::u16string &name,
                                      const std::u16string &value) {
  std::vector<std::int64_t> ids;
  EXPECT_EQ(store.ItemsByAttribute(name, value, &ids), S_OK);
  return ids;
}
std::int64_t Created(LibraryStore &store, const std::u16string &name) {
  std::int64_t id = 0;
  EXPECT_EQ(store.CreatePlaylist(name, &id), S_OK);
  return id;
}
std::vector<std::int64_t> Playlists(LibraryStore &store) {
  std::vector<std::int64_t> ids;
  EXPECT_EQ(store.PlaylistIds(&ids), S_OK);
  return ids;
}
std::vector<std::int64_t> Named(LibraryStore &store, const std::u16string &name) {
  std::vector<std::int64_t> ids;
  EXPECT_EQ(store.PlaylistsByName(name, &ids), S_OK);
  return ids;
}
std::optional<LibraryStore::SavedPlaylist> PlaylistOf(LibraryStore &store, std::int64_t id) {
  std::optional<LibraryStore::SavedPlaylist> playlist;
  store.GetPlaylist(id, &playlist);
  return playlist;
}
std::vector<std::u16string> Urls(LibraryStore &store, std::int64_t id) {
  std::vector<LibraryStore::Entry> entries;
  EXPECT_EQ(store.PlaylistEntries(id, &entries), S_OK);
  std::vector<std::u16string> urls;
  for (auto &entry : entries)
    urls.push_back(entry.url);
  return urls;
}

TEST(LibraryStore, OpenCreatesPrivateFoldersAndFileAndNamesEachFailure) {
  test_support::TempFolder folder;
  const std::string nested = folder.File("a/b/c/library.db");
  EXPECT_NE(Opened(nested), nullptr);
  struct stat info {};
  ASSERT_EQ(::stat(nested.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the library is the user's alone";
  ASSERT_EQ(::stat(folder.File("a/b").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  std::int32_t status = S_OK;
  const std::string garbage = folder.File("garbage.db");
  const std::string junk(4096, 'x');
  test_support::WriteFile(garbage, junk);
  EXPECT_EQ(LibraryStore::Open(garbage, &status), nullptr);
  EXPECT_EQ(status, engine::kLibraryCorrupt);
  std::ifstream kept(garbage, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), junk)
      << "a file that is not a library is never overwritten";
  EXPECT_EQ(LibraryStore::Open("", &status), nullptr);
  EXPECT_EQ(status, engine::kLibraryCannotOpen);
  EXPECT_EQ(LibraryStore::Open(folder.path().string(), &status), nullptr); // a folder
  EXPECT_EQ(status, engine::kLibraryCannotOpen);
  test_support::WriteFile(folder.File("file"), "x");
  EXPECT_EQ(LibraryStore::Open(folder.File("file/library.db"), &status), nullptr);
  EXPECT_EQ(status, engine::kLibraryCannotOpen); // its folder is a file
}

TEST(LibraryStore, ItemsAreAddedFoundEditedAndRemovedAndPersistAcrossReopen) {
  test_support::TempFolder folder;
  const std::string db = folder.File("library.db");
  const std::string song = folder.File("song.wav");
  test_support::WriteFile(song, "not really audio, but the user's file all the same");
  const std::u16string songUrl(song.begin(), song.end());
  const std::u16string title = u"Caf\u00e9 \u2013 \u65e5\u672c \U0001F3B5";
  std::int64_t songId = 0, otherId = 0, thirdId = 0;
  {
    auto store = Opened(db);
    ASSERT_NE(store, nullptr);
    songId = Added(*store, songUrl, {{u"Title", title}, {u"Author", u"A"}, {u"Empty", u""}});
    std::int64_t twice = 0;
    EXPECT_EQ(store->AddItem(songUrl, {}, {}, &twice), engine::kLibraryNotFound)
        << "a URL is in the library once";
    otherId = Added(*store, u"/music/other.mp3", {{u"Author", u"A"}});
    thirdId = Added(*store, u"/music/third.mp3", {{u"Author", u"B"}});
    EXPECT_EQ(store->AddItem(u"", {}, {}, &twice), E_INVALIDARG);

    auto found = ItemAt(*store, songUrl);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id, songId);
    EXPECT_EQ(found->url, songUrl);
    EXPECT_EQ(found->attributes, (Attributes{{u"Title", title}, {u"Author", u"A"}}));

    EXPECT_EQ(store->SetItemAttribute(songId, u"Author", u"Changed"), S_OK);
    EXPECT_EQ(store->SetItemAttribute(songId, u"WM/Genre", u"Ambient"), S_OK);
    EXPECT_EQ(store->SetItemAttribute(songId, u"Title", u""), S_OK); // an empty value removes
    EXPECT_EQ(store->SetItemAttribute(987654, u"Title", u"x"), engine::kLibraryNotFound);
    EXPECT_EQ(store->SetItemAttribute(987654, u"Title", u""), engine::kLibraryNotFound);
    EXPECT_EQ(store->SetItemAttribute(songId, u"", u"x"), E_INVALIDARG);

    EXPECT_EQ(ByAttribute(*store, u"Author", u"A"), (std::vector<std::int64_t>{otherId}));
    EXPECT_EQ(store->RemoveItem(otherId), S_OK);
    EXPECT_EQ(store->RemoveItem(otherId), engine::kLibraryNotFound);
    EXPECT_FALSE(ItemAt(*store, u"/music/other.mp3"));
    EXPECT_FALSE(ItemOf(*store, otherId));
  }
  auto store = Opened(db);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(AllItems(*store), (std::vector<std::int64_t>{songId, thirdId}));
  auto song1 = ItemOf(*store, songId);
  ASSERT_TRUE(song1);
  EXPECT_EQ(song1->attributes, (Attributes{{u"Author", u"Changed"}, {u"WM/Genre", u"Ambient"}}));
  EXPECT_TRUE(ByAttribute(*store, u"Author", u"A").empty());
  EXPECT_TRUE(ByAttribute(*store, u"Title", title).empty());

  // Read again from a changed file: the file's attributes are replaced, the
  // host's own edits (Author, WM/Genre above) stay.
  EXPECT_EQ(store->RefreshItem(songId, {{u"Author", u"From file"}, {u"Title", u"New"}}, {7, 8}),
            S_OK);
  song1 = ItemOf(*store, songId);
  EXPECT_EQ(song1->attributes,
            (Attributes{{u"Author", u"Changed"}, {u"WM/Genre", u"Ambient"}, {u"Title", u"New"}}));
  EXPECT_EQ(song1->stamp.size, 7);
  EXPECT_EQ(song1->stamp.modified, 8);
  EXPECT_EQ(store->RefreshItem(987654, {}, {}), engine::kLibraryNotFound);

  EXPECT_EQ(store->RemoveItem(songId), S_OK);
  EXPECT_TRUE(std::filesystem::exists(song)) << "removing from the library keeps the file";
  // Re-adding gives a fresh item without the old attributes.
  const std::int64_t again = Added(*store, songUrl, {});
  EXPECT_NE(again, songId);
  EXPECT_TRUE(ItemOf(*store, again)->attributes.empty());
}

TEST(LibraryStore, PlaylistsKeepOrderNamesEntriesAndAttributesAcrossReopen) {
  test_support::TempFolder folder;
  const std::string db = folder.File("library.db");
  std::int64_t first = 0, second = 0, third = 0;
  const std::vector<std::u16string> urls = {u"/m/3.mp3", u"/m/1.mp3", u"/m/2.mp3", u"/m/1.mp3"};
  {
    auto store = Opened(db);
    ASSERT_NE(store, nullptr);
    first = Created(*store, u"Party");
    second = Created(*store, u"Quiet");
    third = Created(*store, u"Party"); // names may repeat
    EXPECT_EQ(Playlists(*store), (std::vector<std::int64_t>{first, second, third}));
    EXPECT_EQ(Named(*store, u"Party"), (std::vector<std::int64_t>{first, third}));
    EXPECT_TRUE(Named(*store, u"party").empty());

    EXPECT_EQ(store->SetPlaylistItems(
                  first, {u"/m/old.mp3", u"/m/older.mp3", u"/m/x.mp3", u"/m/y.mp3", u"/m/z.mp3"}),
              S_OK);
    EXPECT_EQ(store->SetPlaylistItems(first, urls), S_OK); // replaces, shorter
    EXPECT_EQ(store->SetPlaylistItems(third, {u"/m/t.mp3"}), S_OK);
    EXPECT_EQ(store->SetPlaylistItems(987654, urls), engine::kLibraryNotFound);
    EXPECT_EQ(store->SetPlaylistAttribute(first, u"Genre", u"Dance"), S_OK);
    EXPECT_EQ(store->SetPlaylistAttribute(first, u"Mood", u"Loud"), S_OK);
    EXPECT_EQ(store->SetPlaylistAttribute(first, u"Mood", u""), S_OK);
    EXPECT_EQ(store->SetPlaylistAttribute(987654, u"Genre", u"x"), engine::kLibraryNotFound);
    EXPECT_EQ(store->RenamePlaylist(second, u"Party"), S_OK);
    EXPECT_EQ(store->RenamePlaylist(987654, u"x"), engine::kLibraryNotFound);
    // Set aside: kept, but no longer listed.
    EXPECT_EQ(store->SetPlaylistDeleted(third, true), S_OK);
  }
  auto store = Opened(db);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(Named(*store, u"Party"), (std::vector<std::int64_t>{first, second}));
  EXPECT_EQ(Playlists(*store), (std::vector<std::int64_t>{first, second}));
  EXPECT_TRUE(PlaylistOf(*store, third)->deleted);
  EXPECT_EQ(store->SetPlaylistDeleted(third, false), S_OK);
  EXPECT_EQ(Named(*store, u"Party"), (std::vector<std::int64_t>{first, second, third}));
  auto playlist = PlaylistOf(*store, first);
  ASSERT_TRUE(playlist);
  EXPECT_EQ(playlist->name, u"Party");
  EXPECT_FALSE(playlist->deleted);
  EXPECT_EQ(Urls(*store, first), urls);
  EXPECT_EQ(playlist->attributes, (Attributes{{u"Genre", u"Dance"}}));
  EXPECT_TRUE(Urls(*store, second).empty());

  EXPECT_EQ(store->DeletePlaylist(first), S_OK);
  EXPECT_EQ(store->DeletePlaylist(first), engine::kLibraryNotFound);
  EXPECT_FALSE(PlaylistOf(*store, first));
  EXPECT_TRUE(Urls(*store, first).empty()) << "entries go with their playlist";
  EXPECT_EQ(Playlists(*store), (std::vector<std::int64_t>{second, third}));
  // A playlist made after a deletion comes last and starts empty.
  const std::int64_t fourth = Created(*store, u"New");
  EXPECT_EQ(Playlists(*store), (std::vector<std::int64_t>{second, third, fourth}));
  EXPECT_TRUE(Urls(*store, fourth).empty());
  EXPECT_TRUE(PlaylistOf(*store, fourth)->attributes.empty());
  EXPECT_EQ(Urls(*store, third), (std::vector<std::u16string>{u"/m/t.mp3"}));
}

// Entry edits row by row, against a plain list doing the same edits: random
// insertions (many at one place, so that neighbours are renumbered),
// removals and moves, checked against the database after reopening.
TEST(LibraryStore, EntryEditsKeepTheOrderOfAPlainList) {
  test_support::TempFolder folder;
  const std::string db = folder.File("library.db");
  std::vector<std::u16string> model;
  std::int64_t playlist = 0;
  {
    auto store = Opened(db);
    ASSERT_NE(store, nullptr);
    playlist = Created(*store, u"edited");
    std::vector<LibraryStore::Entry> rows; // what a saved playlist's record keeps
    std::mt19937 random(7);
    auto insert = [&](std::size_t index, const std::u16string &url) {
      std::vector<std::int64_t> keys;
      for (auto &row : rows)
        keys.push_back(row.key);
      const engine::EntryKeyPlan plan = engine::PlanEntryInsert(keys, index);
      std::vector<std::pair<std::int64_t, std::int64_t>> rekeys;
      for (std::size_t at = 0; at < plan.rekeyed.size(); ++at) {
        rows[plan.first + at].key = plan.rekeyed[at];
        rekeys.emplace_back(rows[plan.first + at].row, plan.rekeyed[at]);
      }
      if (!rekeys.empty()) {
        ASSERT_EQ(store->RekeyEntries(rekeys), S_OK);
      }
      LibraryStore::Entry entry{0, plan.key, url};
      ASSERT_EQ(store->InsertEntry(playlist, plan.key, url, &entry.row), S_OK);
      rows.insert(rows.begin() + long(index), entry);
      model.insert(model.begin() + long(index), url);
    };
    for (int step = 0; step < 3000; ++step) {
      const std::u16string url = u"/m/" + Number(step);
      const int what = int(random() % 10);
      if (what < 4 || model.empty()) {
        insert(random() % (model.size() + 1), url);
      } else if (what < 7) {
        insert(model.size() / 3, url); // the same place again and again
      } else if (what < 9) {
        const std::size_t index = random() % model.size();
        ASSERT_EQ(store->RemoveEntry(rows[index].row), S_OK);
        rows.erase(rows.begin() + long(index));
        model.erase(model.begin() + long(index));
      } else {
        const std::size_t from = random() % model.size();
        const LibraryStore::Entry moving = rows[from];
        rows.erase(rows.begin() + long(from));
        const std::u16string movingUrl = model[from];
        model.erase(model.begin() + long(from));
        insert(random() % (model.size() + 1), movingUrl);
        // The inserted row stands for the moved one: drop the old row.
        ASSERT_EQ(store->RemoveEntry(moving.row), S_OK);
      }
      for (std::size_t at = 1; at < rows.size(); ++at)
        ASSERT_LT(rows[at - 1].key, rows[at].key) << "keys out of order at step " << step;
    }
    EXPECT_EQ(Urls(*store, playlist), model);
    EXPECT_EQ(store->ClearEntries(playlist), S_OK);
    EXPECT_TRUE(Urls(*store, playlist).empty());
    EXPECT_EQ(store->SetPlaylistItems(playlist, model), S_OK);
    EXPECT_EQ(store->ClearEntries(987654), engine::kLibraryNotFound);
    EXPECT_EQ(store->RemoveEntry(987654), engine::kLibraryNotFound);
  }
  EXPECT_EQ(Urls(*Opened(db), playlist), model);
}

TEST(LibraryStore, ABatchIsKeptWholeOrUndoneWhole) {
  test_support::TempFolder folder;
  const std::string db = folder.File("library.db");
  auto store = Opened(db);
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(store->BeginBatch(), S_OK);
  const std::int64_t undone = Created(*store, u"undone");
  ASSERT_EQ(store->SetPlaylistItems(undone, {u"/a", u"/b"}), S_OK);
  Added(*store, u"/undone", {{u"Title", u"x"}});
  // A change that fails inside the batch undoes itself only.
  EXPECT_EQ(store->SetPlaylistItems(987654, {u"/c"}), engine::kLibraryNotFound);
  EXPECT_EQ(Urls(*store, undone), (std::vector<std::u16string>{u"/a", u"/b"}));
  store->RollbackBatch();
  EXPECT_TRUE(Playlists(*store).empty());
  EXPECT_TRUE(AllItems(*store).empty());

  ASSERT_EQ(store->BeginBatch(), S_OK);
  const std::int64_t kept = Created(*store, u"kept");
  ASSERT_EQ(store->SetPlaylistItems(kept, {u"/a", u"/b"}), S_OK);
  // Another connection sees nothing before the commit.
  EXPECT_TRUE(Playlists(*Opened(db)).empty());
  ASSERT_EQ(store->CommitBatch(), S_OK);
  EXPECT_EQ(Playlists(*Opened(db)), (std::vector<std::int64_t>{kept}));
  // After the commit library.db alone is complete: a copy without the WAL
  // holds the playlist.
  std::filesystem::copy_file(db, folder.File("copy.db"));
  auto copy = Opened(folder.File("copy.db"));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Urls(*copy, kept), (std::vector<std::u16string>{u"/a", u"/b"}));
}

// A library written by the first version: entries keyed by index, the
// set-aside mark as an attribute.
TEST(LibraryStore, OpensALibraryOfTheFirstVersion) {
  test_support::TempFolder folder;
  const std::string db = folder.File("library.db");
  sqlite3 *handle = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &handle), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(handle, R"sql(
    CREATE TABLE items (id INTEGER PRIMARY KEY AUTOINCREMENT, url TEXT NOT NULL UNIQUE);
    CREATE TABLE item_attributes (item_id INTEGER NOT NULL REFERENCES items(id) ON DELETE CASCADE,
      name TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY (item_id, name));
    CREATE TABLE playlists (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,
      position INTEGER NOT NULL);
    CREATE INDEX playlists_by_name ON playlists (name);
    CREATE TABLE playlist_entries (playlist_id INTEGER NOT NULL REFERENCES playlists(id)
      ON DELETE CASCADE, position INTEGER NOT NULL, url TEXT NOT NULL,
      PRIMARY KEY (playlist_id, position));
    CREATE TABLE playlist_attributes (playlist_id INTEGER NOT NULL REFERENCES playlists(id)
      ON DELETE CASCADE, name TEXT NOT NULL, value TEXT NOT NULL,
      PRIMARY KEY (playlist_id, name));
    INSERT INTO items (url) VALUES ('/m/a.mp3');
    INSERT INTO item_attributes VALUES (1, 'Title', 'A');
    INSERT INTO playlists (name, position) VALUES ('Old', 1), ('Aside', 2);
    INSERT INTO playlist_entries VALUES (1, 1, '/m/b'), (1, 0, '/m/a'), (1, 2, '/m/c');
    INSERT INTO playlist_attributes VALUES (2, 'IsDeleted', '1'), (1, 'Genre', 'Old');
    PRAGMA user_version = 1;)sql",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(handle);

  auto store = Opened(db);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(Playlists(*store), (std::vector<std::int64_t>{1}));
  EXPECT_EQ(Urls(*store, 1), (std::vector<std::u16string>{u"/m/a", u"/m/b", u"/m/c"}));
  EXPECT_EQ(PlaylistOf(*store, 1)->attributes, (Attributes{{u"Genre", u"Old"}}));
  EXPECT_TRUE(PlaylistOf(*store, 2)->deleted);
  EXPECT_TRUE(PlaylistOf(*store, 2)->attributes.empty());
  EXPECT_EQ(ItemAt(*store, u"/m/a.mp3")->attributes, (Attributes{{u"Title", u"A"}}));
}

// Root writes to files whatever their mode, so a read-only file system
// stands in for a read-only file there.
TEST(LibraryStore, AReadOnlyLibraryIsReadAndRefusesChangesByName) {
  test_support::TempFolder folder;
  const bool root = ::geteuid() == 0;
  const std::string place = root ? folder.File("readonly") : folder.path().string();
  if (root) {
    std::filesystem::create_directory(place);
    if (::system(("mount -t tmpfs -o size=4m tmpfs " + place).c_str()) != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  const std::string db = place + "/library.db";
  {
    auto store = Opened(db);
    ASSERT_NE(store, nullptr);
    Created(*store, u"kept");
  }
  if (root)
    ASSERT_EQ(::system(("mount -o remount,ro " + place).c_str()), 0);
  else
    ::chmod(db.c_str(), 0400);
  {
    auto store = Opened(db);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(Playlists(*store).size(), 1u);
    std::int64_t id = 0;
    EXPECT_EQ(store->CreatePlaylist(u"refused", &id), engine::kLibraryReadOnly);
  }
  if (root)
    ::system(("umount " + place).c_str());
}

TEST(LibraryStore, ALockHeldPastTheWaitIsReportedAsBusy) {
  test_support::TempFolder folder;
  const std::string db = folder.File("library.db");
  auto holder = Opened(db);
  ASSERT_NE(holder, nullptr);
  ASSERT_EQ(holder->BeginBatch(), S_OK); // another process's write, say
  Created(*holder, u"held");
  std::int32_t status = S_OK;
  auto waiting = LibraryStore::Open(db, &status, 100);
  ASSERT_NE(waiting, nullptr);
  std::int64_t id = 0;
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(waiting->CreatePlaylist(u"waits", &id), engine::kLibraryBusy);
  // The wait is 100 ms; the bound is thirty times that, so that only a wait
  // without a bound fails.
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(3))
      << "the wait is bounded";
  ASSERT_EQ(holder->CommitBatch(), S_OK);
  EXPECT_EQ(waiting->CreatePlaylist(u"waits", &id), S_OK);
}

} // namespace
