#include "engine/library/library_store.h"

#include "generated_media.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace {

using engine::LibraryStore;
using Attributes = std::map<std::u16string, std::u16string>;

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

TEST(LibraryStore, OpenCreatesFoldersAndRefusesWhatIsNotADatabase) {
  test_media::TempFolder folder;
  const std::string nested = folder.File("a/b/c/library.db");
  EXPECT_NE(LibraryStore::Open(nested), nullptr);
  EXPECT_TRUE(std::filesystem::exists(nested));

  const std::string garbage = folder.File("garbage.db");
  test_media::WriteFile(garbage, std::string(4096, 'x'));
  EXPECT_EQ(LibraryStore::Open(garbage), nullptr);
  EXPECT_EQ(LibraryStore::Open(""), nullptr);
  EXPECT_EQ(LibraryStore::Open(folder.path().string()), nullptr); // a folder
}

TEST(LibraryStore, ItemsAreAddedFoundEditedAndRemovedAndPersistAcrossReopen) {
  test_media::TempFolder folder;
  const std::string db = folder.File("library.db");
  const std::string song = folder.File("song.wav");
  test_media::WriteFile(song, "not really audio, but the user's file all the same");
  const std::u16string songUrl(song.begin(), song.end());
  const std::u16string title = u"Caf\u00e9 \u2013 \u65e5\u672c \U0001F3B5";
  std::int64_t songId = 0, otherId = 0, thirdId = 0;
  {
    auto store = LibraryStore::Open(db);
    ASSERT_NE(store, nullptr);
    auto added = store->AddItem(songUrl, {{u"Title", title}, {u"Author", u"A"}, {u"Empty", u""}});
    ASSERT_TRUE(added);
    songId = *added;
    EXPECT_FALSE(store->AddItem(songUrl, {})) << "a URL is in the library once";
    otherId = store->AddItem(u"/music/other.mp3", {{u"Author", u"A"}}).value_or(0);
    thirdId = store->AddItem(u"/music/third.mp3", {{u"Author", u"B"}}).value_or(0);
    EXPECT_FALSE(store->AddItem(u"", {}));

    auto found = store->FindItemByUrl(songUrl);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->id, songId);
    EXPECT_EQ(found->url, songUrl);
    EXPECT_EQ(found->attributes, (Attributes{{u"Title", title}, {u"Author", u"A"}}));

    EXPECT_TRUE(store->SetItemAttribute(songId, u"Author", u"Changed"));
    EXPECT_TRUE(store->SetItemAttribute(songId, u"WM/Genre", u"Ambient"));
    EXPECT_TRUE(store->SetItemAttribute(songId, u"Title", u"")); // an empty value removes
    EXPECT_FALSE(store->SetItemAttribute(987654, u"Title", u"x"));
    EXPECT_FALSE(store->SetItemAttribute(songId, u"", u"x"));

    EXPECT_EQ(store->ItemsByAttribute(u"Author", u"A"), (std::vector<std::int64_t>{otherId}));
    EXPECT_TRUE(store->RemoveItem(otherId));
    EXPECT_FALSE(store->RemoveItem(otherId));
    EXPECT_FALSE(store->FindItemByUrl(u"/music/other.mp3"));
    EXPECT_FALSE(store->GetItem(otherId));
  }
  auto store = LibraryStore::Open(db);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->AllItems(), (std::vector<std::int64_t>{songId, thirdId}));
  auto song1 = store->GetItem(songId);
  ASSERT_TRUE(song1);
  EXPECT_EQ(song1->attributes, (Attributes{{u"Author", u"Changed"}, {u"WM/Genre", u"Ambient"}}));
  EXPECT_TRUE(store->ItemsByAttribute(u"Author", u"A").empty());
  EXPECT_TRUE(store->ItemsByAttribute(u"Title", title).empty());

  EXPECT_TRUE(store->RemoveItem(songId));
  EXPECT_TRUE(std::filesystem::exists(song)) << "removing from the library keeps the file";
  // Re-adding gives a fresh item without the old attributes.
  auto again = store->AddItem(songUrl, {});
  ASSERT_TRUE(again);
  EXPECT_NE(*again, songId);
  EXPECT_TRUE(store->GetItem(*again)->attributes.empty());
}

TEST(LibraryStore, PlaylistsKeepOrderNamesEntriesAndAttributesAcrossReopen) {
  test_media::TempFolder folder;
  const std::string db = folder.File("library.db");
  std::int64_t first = 0, second = 0, third = 0;
  const std::vector<std::u16string> urls = {u"/m/3.mp3", u"/m/1.mp3", u"/m/2.mp3", u"/m/1.mp3"};
  {
    auto store = LibraryStore::Open(db);
    ASSERT_NE(store, nullptr);
    first = store->CreatePlaylist(u"Party").value_or(0);
    second = store->CreatePlaylist(u"Quiet").value_or(0);
    third = store->CreatePlaylist(u"Party").value_or(0); // names may repeat
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(store->PlaylistIds(), (std::vector<std::int64_t>{first, second, third}));
    EXPECT_EQ(store->PlaylistsByName(u"Party"), (std::vector<std::int64_t>{first, third}));
    EXPECT_TRUE(store->PlaylistsByName(u"party").empty());

    EXPECT_TRUE(store->SetPlaylistItems(
        first, {u"/m/old.mp3", u"/m/older.mp3", u"/m/x.mp3", u"/m/y.mp3", u"/m/z.mp3"}));
    EXPECT_TRUE(store->SetPlaylistItems(first, urls)); // replaces, shorter
    EXPECT_TRUE(store->SetPlaylistItems(third, {u"/m/t.mp3"}));
    EXPECT_FALSE(store->SetPlaylistItems(987654, urls));
    EXPECT_TRUE(store->SetPlaylistAttribute(first, u"Genre", u"Dance"));
    EXPECT_TRUE(store->SetPlaylistAttribute(first, u"Mood", u"Loud"));
    EXPECT_TRUE(store->SetPlaylistAttribute(first, u"Mood", u""));
    EXPECT_FALSE(store->SetPlaylistAttribute(987654, u"Genre", u"x"));
    EXPECT_TRUE(store->RenamePlaylist(second, u"Party"));
    EXPECT_FALSE(store->RenamePlaylist(987654, u"x"));
  }
  auto store = LibraryStore::Open(db);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->PlaylistsByName(u"Party"), (std::vector<std::int64_t>{first, second, third}));
  auto playlist = store->GetPlaylist(first);
  ASSERT_TRUE(playlist);
  EXPECT_EQ(playlist->name, u"Party");
  EXPECT_EQ(playlist->urls, urls);
  EXPECT_EQ(playlist->attributes, (Attributes{{u"Genre", u"Dance"}}));
  EXPECT_TRUE(store->GetPlaylist(second)->urls.empty());

  EXPECT_TRUE(store->DeletePlaylist(first));
  EXPECT_FALSE(store->DeletePlaylist(first));
  EXPECT_FALSE(store->GetPlaylist(first));
  EXPECT_EQ(store->PlaylistIds(), (std::vector<std::int64_t>{second, third}));
  // A playlist made after a deletion comes last and starts empty.
  auto fourth = store->CreatePlaylist(u"New");
  ASSERT_TRUE(fourth);
  EXPECT_EQ(store->PlaylistIds(), (std::vector<std::int64_t>{second, third, *fourth}));
  EXPECT_TRUE(store->GetPlaylist(*fourth)->urls.empty());
  EXPECT_TRUE(store->GetPlaylist(*fourth)->attributes.empty());
  EXPECT_EQ(store->GetPlaylist(third)->urls, (std::vector<std::u16string>{u"/m/t.mp3"}));
}

// ---- A process killed in the middle of changes ----------------------------
//
// The child is this test binary run again with kCrashChild naming the
// database. It makes changes in a fixed cycle until it is killed; cycle g
// (1, 2, ...) sets the playlist to generation g (1 + g % 7 entries, all
// naming g), then the playlist's "Generation" attribute to g, then the
// item's "Counter" to g, then adds item "extra g" and removes "extra g-1".
// Each step is one change, so every state on disk must be one between two
// steps of the cycle.

constexpr const char *kCrashChild = "LIBRARY_STORE_TEST_CRASH_CHILD";

std::u16string Number(long n) {
  const std::string text = std::to_string(n);
  return {text.begin(), text.end()};
}
long Parse(const std::u16string &text) {
  return std::strtol(std::string(text.begin(), text.end()).c_str(), nullptr, 10);
}
std::u16string Extra(long n) {
  return u"/extra/" + Number(n);
}
std::vector<std::u16string> Generation(long g) {
  std::vector<std::u16string> urls;
  for (long k = 0; k < 1 + g % 7; ++k)
    urls.push_back(u"/gen/" + Number(g) + u"/" + Number(k));
  return urls;
}
std::set<long> Extras(LibraryStore &store) {
  std::set<long> extras;
  for (std::int64_t id : store.AllItems()) {
    const std::u16string url = store.GetItem(id)->url;
    if (url.rfind(u"/extra/", 0) == 0)
      extras.insert(Parse(url.substr(7)));
  }
  return extras;
}

int RunCrashChild(const char *db) {
  auto store = LibraryStore::Open(db);
  if (!store)
    return 2;
  auto playlists = store->PlaylistsByName(u"crash");
  const std::int64_t playlist =
      playlists.empty() ? store->CreatePlaylist(u"crash").value_or(0) : playlists[0];
  auto item = store->FindItemByUrl(u"/counted");
  const std::int64_t itemId = item ? item->id : store->AddItem(u"/counted", {}).value_or(0);
  if (!playlist || !itemId)
    return 3;
  // Resume after the last whole cycle: finish its extras, then go on.
  long g = item ? Parse(item->attributes[u"Counter"]) : 0;
  for (long extra : Extras(*store)) {
    if (extra != g)
      store->RemoveItem(store->FindItemByUrl(Extra(extra))->id);
  }
  if (g > 0 && !store->FindItemByUrl(Extra(g)))
    store->AddItem(Extra(g), {});
  if (::write(1, "R", 1) != 1)
    return 4;
  while (true) {
    ++g;
    if (!store->SetPlaylistItems(playlist, Generation(g)) ||
        !store->SetPlaylistAttribute(playlist, u"Generation", Number(g)) ||
        !store->SetItemAttribute(itemId, u"Counter", Number(g)) || !store->AddItem(Extra(g), {}))
      return 5;
    if (auto previous = store->FindItemByUrl(Extra(g - 1)); previous)
      store->RemoveItem(previous->id);
  }
}

// Runs before main when the binary is started as the crash child.
[[maybe_unused]] const bool kIsCrashChild = [] {
  if (const char *db = std::getenv(kCrashChild))
    ::_exit(RunCrashChild(db));
  return false;
}();

std::string IntegrityCheck(const std::string &db) {
  sqlite3 *handle = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(handle, "PRAGMA integrity_check", -1, &statement, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
      result = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
  }
  sqlite3_close(handle);
  return result;
}

// Checks that the database holds a state between two steps of the cycle;
// returns the counter.
long CheckCycleState(const std::string &db) {
  EXPECT_EQ(IntegrityCheck(db), "ok");
  auto store = LibraryStore::Open(db);
  if (!store) {
    ADD_FAILURE() << "cannot reopen";
    return -1;
  }
  auto ids = store->PlaylistsByName(u"crash");
  auto item = store->FindItemByUrl(u"/counted");
  if (ids.size() != 1 || !item) {
    ADD_FAILURE() << "the set-up changes were lost";
    return -1;
  }
  auto playlist = store->GetPlaylist(ids[0]);
  const long generation = Parse(playlist->attributes[u"Generation"]);
  const long c = Parse(item->attributes[u"Counter"]);
  EXPECT_TRUE(c == generation || c == generation - 1) << c << " after " << generation;
  // The entries are one whole generation: the attribute's, or the next one
  // when the cycle stopped after its first step.
  if (playlist->urls != Generation(generation)) {
    if (generation == 0 && playlist->urls.empty())
      EXPECT_EQ(c, 0);
    else
      EXPECT_TRUE(playlist->urls == Generation(generation + 1) && c == generation)
          << "entries of no single generation, at generation " << generation;
  }
  const std::set<long> extras = Extras(*store);
  if (c < generation) {
    EXPECT_EQ(extras, c > 0 ? std::set<long>{c} : std::set<long>{});
  } else if (c > 0) {
    const std::set<long> before = c > 1 ? std::set<long>{c - 1} : std::set<long>{};
    const std::set<long> after{c};
    std::set<long> during = before;
    during.insert(c);
    EXPECT_TRUE(extras == before || extras == during || extras == after)
        << "extras out of step with counter " << c;
  }
  return c;
}

TEST(LibraryStore, KillingTheProcessMidChangeLeavesTheOldOrTheNewState) {
  test_media::TempFolder folder;
  const std::string db = folder.File("library.db");
  std::mt19937 random(20261206);
  long previous = 0;
  int progressed = 0;
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::dup2(ready[1], 1);
      ::setenv(kCrashChild, db.c_str(), 1);
      ::execl("/proc/self/exe", "library_store_crash_child", nullptr);
      ::_exit(127);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 60));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(started) << "the child did not start";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << WEXITSTATUS(status);

    const long counter = CheckCycleState(db);
    EXPECT_GE(counter, previous) << "a committed change was lost";
    progressed += counter > previous;
    previous = counter;
  }
  EXPECT_GE(progressed, 4) << "the child made too few changes to test anything";
}

} // namespace
