// The media library and the saved playlists as a program using the control
// sees them: the control's own objects, edited one call at a time, read
// back by a new control over the same database file.
#include "control_client.h"
#include "database_rows.h"
#include "engine/control/live_objects.h"
#include "engine/library/library_status.h"
#include "engine_host.h"
#include "support/ole_text.h"

#include <atlbase.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using engine_host::Wide;
using Strings = std::vector<std::string>;

CComBSTR Bstr(const std::string &text) {
  return CComBSTR(Wide(text).c_str());
}

std::string Shown(BSTR text) {
  return test_support::Utf8(test_support::U16(text));
}

template <class Object> std::string Info(Object *object, const std::string &attribute) {
  CComBSTR value;
  EXPECT_GE(object->getItemInfo(Bstr(attribute), &value), 0) << attribute;
  return Shown(value);
}

Strings Urls(IWMPPlaylist *playlist) {
  Strings urls;
  long count = 0;
  EXPECT_EQ(playlist->get_count(&count), S_OK);
  for (long i = 0; i < count; ++i) {
    CComPtr<IWMPMedia> media;
    CComBSTR url;
    EXPECT_EQ(playlist->get_Item(i, &media), S_OK);
    EXPECT_EQ(media->get_sourceURL(&url), S_OK);
    urls.push_back(Shown(url));
  }
  return urls;
}

class LibraryObjects : public ::testing::Test {
protected:
  void SetUp() override {
    test_support::UseFolder(folder);
    Reopen();
  }
  void TearDown() override {
    Close();
    EXPECT_EQ(engine::LiveObjects(), 0);
  }

  void Close() {
    playlists.Release();
    library.Release();
    control.reset();
  }
  // A new control over the library, the last one gone first: what the same
  // program started again sees.
  void Reopen() {
    Close();
    control = std::make_unique<control_client::Control>();
    ASSERT_TRUE(control->Make());
    ASSERT_EQ(control->player->get_playlistCollection(&playlists), S_OK);
    ASSERT_EQ(control->player->get_mediaCollection(&library), S_OK);
  }

  CComPtr<IWMPMedia> Media(const std::string &url) {
    CComPtr<IWMPMedia> media;
    EXPECT_EQ(control->player->newMedia(Bstr(url), &media), S_OK) << url;
    return media;
  }
  CComPtr<IWMPPlaylist> Created(const std::string &name) {
    CComPtr<IWMPPlaylist> playlist;
    EXPECT_EQ(playlists->newPlaylist(Bstr(name), &playlist), S_OK) << name;
    return playlist;
  }
  // The saved playlists of that name (of all, for none), in the library's order.
  std::vector<CComPtr<IWMPPlaylist>> Saved(const char *name = nullptr) {
    CComPtr<IWMPPlaylistArray> array;
    std::vector<CComPtr<IWMPPlaylist>> found;
    if ((name ? playlists->getByName(Bstr(name), &array) : playlists->getAll(&array)) != S_OK)
      return found;
    long count = 0;
    array->get_count(&count);
    for (long i = 0; i < count; ++i) {
      CComPtr<IWMPPlaylist> playlist;
      EXPECT_EQ(array->Item(i, &playlist), S_OK);
      found.push_back(playlist);
    }
    return found;
  }
  Strings Names() {
    Strings names;
    for (auto &playlist : Saved()) {
      CComBSTR name;
      playlist->get_name(&name);
      names.push_back(Shown(name));
    }
    return names;
  }

  test_support::TempFolder folder;
  std::unique_ptr<control_client::Control> control;
  CComPtr<IWMPPlaylistCollection> playlists;
  CComPtr<IWMPMediaCollection> library;
};

// Random insertions (many at one place, so that neighbours make room),
// removals and moves against a plain list doing the same, on a playlist
// read back from the library, and again after the next start.
TEST_F(LibraryObjects, EditsOfASavedPlaylistKeepTheOrderOfAPlainList) {
  Strings model = {"/m/a", "/m/b", "/m/c"};
  {
    auto playlist = Created("edited");
    for (const std::string &url : model)
      ASSERT_EQ(playlist->appendItem(Media(url)), S_OK);
  }
  Reopen();
  auto saved = Saved("edited");
  ASSERT_EQ(saved.size(), 1u);
  IWMPPlaylist *playlist = saved[0];
  ASSERT_EQ(playlist->moveItem(0, 2), S_OK); // before the items were read
  model = {"/m/b", "/m/c", "/m/a"};
  std::mt19937 random(7);
  for (int step = 0; step < 2000; ++step) {
    const int what = int(random() % 10);
    if (what < 7 || model.size() < 2) {
      const std::size_t at = what < 4 ? random() % (model.size() + 1) : model.size() / 3;
      const std::string url = "/m/" + std::to_string(step);
      ASSERT_EQ(playlist->insertItem(long(at), Media(url)), S_OK);
      model.insert(model.begin() + long(at), url);
    } else if (what < 9) {
      const std::size_t at = random() % model.size();
      CComPtr<IWMPMedia> media;
      ASSERT_EQ(playlist->get_Item(long(at), &media), S_OK);
      ASSERT_EQ(playlist->removeItem(media), S_OK);
      model.erase(model.begin() + long(at));
    } else {
      const std::size_t from = random() % model.size(), to = random() % model.size();
      ASSERT_EQ(playlist->moveItem(long(from), long(to)), S_OK);
      const std::string moving = model[from];
      model.erase(model.begin() + long(from));
      model.insert(model.begin() + long(to), moving);
    }
  }
  EXPECT_EQ(Urls(playlist), model);
  saved.clear();
  Reopen();
  saved = Saved("edited");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(Urls(saved[0]), model);
  EXPECT_EQ(saved[0]->clear(), S_OK);
  saved.clear();
  Reopen();
  EXPECT_TRUE(Urls(Saved("edited").at(0)).empty());
}

TEST_F(LibraryObjects, NamesAttributesItemsAndWhatWasSetAsideOutliveTheControl) {
  const std::string song = folder.File("song.wav"), other = folder.File("other.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(song, test_media::Kind::Wav, 0.2, R"(title="Own")"));
  ASSERT_TRUE(test_media::MakeAudioFile(other, test_media::Kind::Wav, 0.2));
  {
    auto party = Created("Party"), quiet = Created("Quiet"), again = Created("Party");
    EXPECT_EQ(Saved("Party").size(), 2u) << "names may repeat";
    EXPECT_TRUE(Saved("party").empty());
    for (const char *url : {"/m/3.mp3", "/m/1.mp3", "/m/1.mp3"})
      ASSERT_EQ(party->appendItem(Media(url)), S_OK);
    EXPECT_EQ(party->setItemInfo(Bstr("Genre"), Bstr("Dance")), S_OK);
    EXPECT_EQ(party->setItemInfo(Bstr("Mood"), Bstr("Loud")), S_OK);
    EXPECT_EQ(party->setItemInfo(Bstr("Mood"), Bstr("")), S_OK); // an empty value removes
    EXPECT_EQ(quiet->put_name(Bstr("Party")), S_OK);
    EXPECT_EQ(again->appendItem(Media("/m/t.mp3")), S_OK);
    EXPECT_EQ(playlists->setDeleted(again, VARIANT_TRUE), S_OK);
    EXPECT_EQ(Saved("Party").size(), 2u) << "set aside: kept, but no longer listed";

    CComPtr<IWMPMedia> own, gone;
    ASSERT_EQ(library->add(Bstr(song), &own), S_OK);
    ASSERT_EQ(library->add(Bstr(other), &gone), S_OK);
    EXPECT_EQ(own->setItemInfo(Bstr("Author"), Bstr("Changed")), S_OK);
    EXPECT_EQ(own->setItemInfo(Bstr("WM/Genre"), Bstr("Ambient")), S_OK);
    // What is read from the file stays the file's, by any case of its name.
    for (const char *read :
         {"SourceURL", "FileType", "Duration", "Bitrate", "AudioBitrate", "VideoBitrate",
          "Channels", "FrameRate", "FormatTag", "FourCC", "MediaType", "FileSize", "bitrate",
          "SOURCEURL", "WM/VideoWidth", "WM/VideoHeight"})
      EXPECT_EQ(own->setItemInfo(Bstr(read), Bstr("1")), E_ACCESSDENIED) << read;
    EXPECT_EQ(own->setItemInfo(Bstr("Bitrates"), Bstr("1")), S_OK);
    EXPECT_EQ(library->remove(gone, VARIANT_FALSE), S_OK);
    EXPECT_EQ(library->remove(gone, VARIANT_FALSE), E_INVALIDARG);
  }
  // Once the turn is committed the database file alone holds it: a copy
  // made without its write-ahead log, as a backup would be, is complete.
  engine_host::DispatchWaiting();
  std::filesystem::copy_file(folder.File("library.db"), folder.File("copy.db"));
  EXPECT_EQ(test_media::Column(folder.File("copy.db"), "SELECT COUNT(*) FROM playlists"),
            Strings{"3"});
  Reopen();
  EXPECT_EQ(Names(), (Strings{"Party", "Party"}));
  auto party = Saved("Party");
  ASSERT_EQ(party.size(), 2u);
  EXPECT_EQ(Urls(party[0]), (Strings{"/m/3.mp3", "/m/1.mp3", "/m/1.mp3"}));
  EXPECT_EQ(Info(party[0].p, "Genre"), "Dance");
  EXPECT_EQ(Info(party[0].p, "Mood"), "");
  EXPECT_TRUE(Urls(party[1]).empty());
  EXPECT_EQ(test_media::Column(folder.File("library.db"), "SELECT COUNT(*) FROM playlists"),
            Strings{"3"});

  CComPtr<IWMPPlaylist> all, ambient;
  ASSERT_EQ(library->getAll(&all), S_OK);
  EXPECT_EQ(Urls(all), Strings{song});
  ASSERT_EQ(library->getByGenre(Bstr("Ambient"), &ambient), S_OK);
  ASSERT_EQ(Urls(ambient), Strings{song});
  CComPtr<IWMPMedia> own;
  ASSERT_EQ(ambient->get_Item(0, &own), S_OK);
  EXPECT_EQ(Info(own.p, "Author"), "Changed");
  EXPECT_EQ(Info(own.p, "Title"), "Own");
  EXPECT_TRUE(std::filesystem::exists(other)) << "forgetting an item keeps its file";

  EXPECT_EQ(playlists->remove(party[0]), S_OK);
  EXPECT_EQ(playlists->remove(party[0]), E_INVALIDARG);
  party.clear();
  Reopen();
  EXPECT_EQ(Names(), Strings{"Party"});
  auto last = Saved().at(0);
  EXPECT_TRUE(Urls(last).empty());

  // A playlist another program removed meanwhile: an edit of it says so.
  engine_host::DispatchWaiting();
  sqlite3 *writer = nullptr;
  ASSERT_EQ(sqlite3_open(folder.File("library.db").c_str(), &writer), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(writer, "DELETE FROM playlists", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(writer);
  EXPECT_EQ(last->put_name(Bstr("Gone")), engine::kLibraryNotFound);
}

// With no path of its own the library is the user's data file, private to
// the user: AUDIOPLAYER_LIBRARY, else XDG_DATA_HOME, else ~/.local/share.
TEST_F(LibraryObjects, TheLibraryIsAPrivateFileWhereTheEnvironmentSays) {
  Close();
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  unsetenv("AUDIOPLAYER_LIBRARY");
  struct Case {
    const char *data;
    std::string file;
  };
  for (const Case &where : {Case{"data", folder.File("data/audioplayer/library.db")},
                            Case{"", folder.File("home/.local/share/audioplayer/library.db")}}) {
    setenv("XDG_DATA_HOME", where.data[0] ? folder.File(where.data).c_str() : "", 1);
    setenv("HOME", folder.File("home").c_str(), 1);
    Reopen();
    Created("here");
    Close();
    struct stat info {};
    ASSERT_EQ(::stat(where.file.c_str(), &info), 0) << where.file;
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the library is the user's alone";
    ASSERT_EQ(::stat(std::filesystem::path(where.file).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
  }
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  test_support::UseFolder(folder);
}

// A library written by the first version: entries keyed by index, the
// set-aside mark as an attribute.
TEST_F(LibraryObjects, ALibraryOfTheFirstVersionOpensWithItsOrderAndWhatWasSetAside) {
  Close();
  sqlite3 *handle = nullptr;
  ASSERT_EQ(sqlite3_open(folder.File("library.db").c_str(), &handle), SQLITE_OK);
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
    INSERT INTO item_attributes VALUES (1, 'Author', 'A');
    INSERT INTO playlists (name, position) VALUES ('Old', 1), ('Aside', 2);
    INSERT INTO playlist_entries VALUES (1, 1, '/m/b'), (1, 0, '/m/a'), (1, 2, '/m/c');
    INSERT INTO playlist_attributes VALUES (2, 'IsDeleted', '1'), (1, 'Genre', 'Old');
    PRAGMA user_version = 1;)sql",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(handle);

  Reopen();
  EXPECT_EQ(Names(), Strings{"Old"});
  auto old = Saved("Old");
  ASSERT_EQ(old.size(), 1u);
  EXPECT_EQ(Urls(old[0]), (Strings{"/m/a", "/m/b", "/m/c"}));
  EXPECT_EQ(Info(old[0].p, "Genre"), "Old");
  EXPECT_EQ(Info(old[0].p, "IsDeleted"), "");
  CComPtr<IWMPPlaylist> byAuthor;
  ASSERT_EQ(library->getByAuthor(Bstr("A"), &byAuthor), S_OK);
  EXPECT_EQ(Urls(byAuthor), Strings{"/m/a.mp3"});
}

// A library the user may read but not write is read, and each change is
// refused by that name; one whose lock another program holds past the wait
// is busy, and usable once the lock goes. Root writes to files whatever
// their mode, so a read-only file system stands in for a read-only file.
TEST_F(LibraryObjects, AReadOnlyOrLockedLibraryIsReadAndRefusesChangesByName) {
  Created("kept");
  Close();
  const std::string db = folder.File("library.db");
  sqlite3 *other = nullptr;
  ASSERT_EQ(sqlite3_open(db.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  Reopen();
  EXPECT_EQ(Names(), Strings{"kept"});
  CComPtr<IWMPPlaylist> refused;
  EXPECT_EQ(playlists->newPlaylist(Bstr("waits"), &refused), engine::kLibraryBusy);
  ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(playlists->newPlaylist(Bstr("waits"), &refused), S_OK);
  refused.Release();
  Close();

  const bool root = ::geteuid() == 0;
  const std::string place = root ? folder.File("readonly") : folder.path().string();
  if (root) {
    std::filesystem::create_directory(place);
    if (::system(("mount -t tmpfs -o size=4m tmpfs " + place).c_str()) != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here";
    std::filesystem::copy_file(db, place + "/library.db");
    setenv("AUDIOPLAYER_LIBRARY", (place + "/library.db").c_str(), 1);
    ASSERT_EQ(::system(("mount -o remount,ro " + place).c_str()), 0);
  } else {
    ::chmod(db.c_str(), 0400);
  }
  Reopen();
  EXPECT_EQ(Names(), (Strings{"kept", "waits"}));
  EXPECT_EQ(playlists->newPlaylist(Bstr("refused"), &refused), engine::kLibraryReadOnly);
  Close();
  if (root)
    ::system(("umount " + place).c_str());
}

} // namespace
