// Saved playlists on the engine, against SQLite's own floor in the same run.
//
// Saving: SaveCurPlaylist and UpdatePlaylistbyIndex of the current playlist
// at 1,000, 10,000 and 100,000 tracks, each timed to the end of its commit
// (the messages that commit the turn are dispatched inside the loop), next
// to SQLite inserting the same rows into the same table in one transaction
// with one prepared statement (BM_SqliteInsertFloor). Both must grow
// linearly.
//
// Editing: insertions and removals in a saved playlist of 1,000 to 100,000
// tracks, through the control (BM_EditSavedPlaylist) and the database's
// share alone (BM_StoreEditAtOnePlace), which must cost the same per edit
// at every length.
//
// Listing: GetPLCollectionCount, GetPLCollectionNamebyIndex and
// GetPlaylistNumByName with 1,000 saved playlists of 1,000 tracks each.
#include "control_backends.h"
#include "engine/library/entry_order.h"
#include "engine/library/library_store.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <random>
#include <string>

namespace {

using bench_backends::Backend;
using bench_backends::ControlKind;
using bench_backends::DrainMessages;
using bench_backends::PlayerOf;
using bench_support::Text;

Backend *EngineWithPlaylist(benchmark::State &state, long length) {
  Backend *backend = bench_backends::UseBackendOrSkip(ControlKind::Engine, state);
  if (backend != nullptr && backend->playlistLength != length &&
      !bench_backends::PrepareCurrentPlaylist(*backend, length, 0, false)) {
    state.SkipWithError("the current playlist could not be made");
    return nullptr;
  }
  return backend;
}

long saves = 0; // names of saved playlists stay unique within the program

void BM_SaveCurPlaylist(benchmark::State &state) {
  const long length = long(state.range(0));
  Backend *backend = EngineWithPlaylist(state, length);
  if (backend == nullptr)
    return;
  for (auto _ : state) {
    const auto name = Text("saved " + std::to_string(++saves));
    if (PlayerOf(*backend).SaveCurPlaylist(name.c_str()) < 0)
      state.SkipWithError("SaveCurPlaylist failed");
    DrainMessages(); // the turn commits here
  }
  state.SetComplexityN(length);
  state.SetItemsProcessed(state.iterations() * length);
}

void BM_UpdatePlaylistbyIndex(benchmark::State &state) {
  const long length = long(state.range(0));
  Backend *backend = EngineWithPlaylist(state, length);
  if (backend == nullptr)
    return;
  const auto name = Text("updated " + std::to_string(++saves));
  if (PlayerOf(*backend).SaveCurPlaylist(name.c_str()) < 0)
    state.SkipWithError("SaveCurPlaylist failed");
  DrainMessages();
  long count = 0;
  PlayerOf(*backend).GetPLCollectionCount(&count);
  for (auto _ : state) {
    if (PlayerOf(*backend).UpdatePlaylistbyIndex(count - 1) < 0)
      state.SkipWithError("UpdatePlaylistbyIndex failed");
    DrainMessages();
  }
  state.SetComplexityN(length);
  state.SetItemsProcessed(state.iterations() * length);
}

// The same rows into the same table, the same durability, as SQLite does it
// alone: one transaction, one prepared statement.
void BM_SqliteInsertFloor(benchmark::State &state) {
  const long length = long(state.range(0));
  const std::string path = (bench_backends::Scratch().folder() / "floor.db").string();
  sqlite3 *db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
               "CREATE TABLE IF NOT EXISTS playlist_entries (id INTEGER PRIMARY KEY,"
               " playlist_id INTEGER NOT NULL, position INTEGER NOT NULL, url TEXT NOT NULL);"
               "CREATE INDEX IF NOT EXISTS entries_in_order ON playlist_entries"
               " (playlist_id, position);",
               nullptr, nullptr, nullptr);
  std::vector<std::string> urls;
  for (long i = 0; i < length; ++i) {
    const auto path16 = bench_backends::TrackPath(i);
    urls.emplace_back(path16.begin(), path16.end());
  }
  sqlite3_stmt *insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO playlist_entries (playlist_id, position, url) VALUES (?,?,?)",
                     -1, &insert, nullptr);
  long playlist = 0;
  for (auto _ : state) {
    ++playlist;
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (long i = 0; i < length; ++i) {
      sqlite3_bind_int64(insert, 1, playlist);
      sqlite3_bind_int64(insert, 2, std::int64_t(i) << 20);
      sqlite3_bind_text(insert, 3, urls[std::size_t(i)].data(), int(urls[std::size_t(i)].size()),
                        SQLITE_TRANSIENT);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      state.SkipWithError("the floor's commit failed");
  }
  sqlite3_finalize(insert);
  sqlite3_close(db);
  state.SetComplexityN(length);
  state.SetItemsProcessed(state.iterations() * length);
}

// ---- editing a saved playlist ----------------------------------------------

constexpr long kEdits = 200;

// Edits of a saved playlist of `length` tracks through the control's own
// playlist object, kEdits per turn, all at the same place (the worst case
// for the order keys: neighbours must be renumbered now and then), then
// the same number removed; the commit is timed too. The cost per edit must
// not grow with the length.
void BM_EditSavedPlaylist(benchmark::State &state) {
  const long length = long(state.range(0));
  Backend *backend = EngineWithPlaylist(state, length);
  if (backend == nullptr)
    return;
  const auto name = Text("edited " + std::to_string(++saves));
  if (PlayerOf(*backend).SaveCurPlaylist(name.c_str()) < 0)
    state.SkipWithError("SaveCurPlaylist failed");
  DrainMessages();
  CComPtr<IWMPPlaylistCollection> collection;
  CComPtr<IWMPPlaylistArray> found;
  CComPtr<IWMPPlaylist> saved;
  CComPtr<IWMPMedia> media;
  CComBSTR savedName(bench_backends::AsOle(name));
  CComBSTR url(bench_backends::AsOle(bench_backends::TrackPath(length)));
  if (FAILED(backend->direct->get_playlistCollection(&collection)) ||
      FAILED(collection->getByName(savedName, &found)) || FAILED(found->Item(0, &saved)) ||
      FAILED(backend->direct->newMedia(url, &media))) {
    state.SkipWithError("the saved playlist could not be reached");
    return;
  }
  for (auto _ : state) {
    for (long edit = 0; edit < kEdits; ++edit)
      saved->insertItem(length / 2, media);
    for (long edit = 0; edit < kEdits; ++edit)
      saved->removeItem(media);
    DrainMessages();
  }
  long count = 0;
  saved->get_count(&count);
  if (count != length)
    state.SkipWithError("the edits did not all happen");
  state.SetComplexityN(length);
  state.SetItemsProcessed(state.iterations() * 2 * kEdits);
}

// The database's share of the same edits: the store's rows and keys as the
// library keeps them, without the in-memory lists (whose insertion and
// removal move the pointers after the place, and whose removeItem looks
// for the item from the start).
void BM_StoreEditAtOnePlace(benchmark::State &state) {
  const long length = long(state.range(0));
  const std::string path =
      (bench_backends::Scratch().folder() / ("edits-" + std::to_string(length) + ".db")).string();
  std::int32_t status = 0;
  auto store = engine::LibraryStore::Open(path, &status);
  std::int64_t playlist = 0;
  std::vector<engine::LibraryStore::Entry> entries;
  std::vector<std::u16string> urls;
  for (long i = 0; i < length; ++i) {
    const auto path16 = bench_backends::TrackPath(i);
    urls.emplace_back(path16.begin(), path16.end());
  }
  if (!store || FAILED(store->CreatePlaylist(u"edits", &playlist)) ||
      FAILED(store->SetPlaylistItems(playlist, urls, &entries))) {
    state.SkipWithError("the store could not be made");
    return;
  }
  std::vector<std::int64_t> keys, rows;
  for (auto &entry : entries) {
    keys.push_back(entry.key);
    rows.push_back(entry.row);
  }
  // Only the store's calls are timed: the lists' own moves are left out.
  const std::size_t place = std::size_t(length / 2);
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    Clock::duration database{};
    auto timed = [&](auto call) {
      const auto began = Clock::now();
      call();
      database += Clock::now() - began;
    };
    timed([&] { store->BeginBatch(); });
    for (long edit = 0; edit < kEdits; ++edit) {
      const engine::EntryKeyPlan plan = engine::PlanEntryInsert(keys, place);
      std::vector<std::pair<std::int64_t, std::int64_t>> rekeys;
      for (std::size_t at = 0; at < plan.rekeyed.size(); ++at) {
        keys[plan.first + at] = plan.rekeyed[at];
        rekeys.emplace_back(rows[plan.first + at], plan.rekeyed[at]);
      }
      std::int64_t row = 0;
      timed([&] {
        if (!rekeys.empty())
          store->RekeyEntries(rekeys);
        store->InsertEntry(playlist, plan.key, urls[0], &row);
      });
      keys.insert(keys.begin() + long(place), plan.key);
      rows.insert(rows.begin() + long(place), row);
    }
    for (long edit = 0; edit < kEdits; ++edit) {
      timed([&] { store->RemoveEntry(rows[place]); });
      keys.erase(keys.begin() + long(place));
      rows.erase(rows.begin() + long(place));
    }
    std::int32_t committed = S_OK;
    timed([&] { committed = store->CommitBatch(); });
    if (FAILED(committed))
      state.SkipWithError("the commit failed");
    state.SetIterationTime(std::chrono::duration<double>(database).count());
  }
  state.SetComplexityN(length);
  state.SetItemsProcessed(state.iterations() * 2 * kEdits);
}

// ---- listing ---------------------------------------------------------------

constexpr long kPlaylists = 1000;
constexpr long kTracksEach = 1000;

// 1,000 saved playlists of 1,000 tracks, made once.
Backend *EngineWithLibrary(benchmark::State &state) {
  static bool made = false;
  Backend *backend = EngineWithPlaylist(state, kTracksEach);
  if (backend == nullptr || made)
    return backend;
  for (long n = 0; n < kPlaylists; ++n) {
    const auto name = Text("listed " + std::to_string(n));
    if (PlayerOf(*backend).SaveCurPlaylist(name.c_str()) < 0) {
      state.SkipWithError("the saved playlists could not be made");
      return nullptr;
    }
    DrainMessages();
  }
  made = true;
  return backend;
}

void BM_GetPLCollectionCount(benchmark::State &state) {
  Backend *backend = EngineWithLibrary(state);
  if (backend == nullptr)
    return;
  long count = 0;
  for (auto _ : state)
    PlayerOf(*backend).GetPLCollectionCount(&count);
  if (count < kPlaylists)
    state.SkipWithError("fewer saved playlists than made");
}

void BM_GetPLCollectionNamebyIndex(benchmark::State &state) {
  Backend *backend = EngineWithLibrary(state);
  if (backend == nullptr)
    return;
  std::mt19937 random(1);
  unsigned short name[425];
  for (auto _ : state)
    if (PlayerOf(*backend).GetPLCollectionNamebyIndex(long(random() % kPlaylists), name) < 0)
      state.SkipWithError("GetPLCollectionNamebyIndex failed");
}

void BM_GetPlaylistNumByName(benchmark::State &state) {
  Backend *backend = EngineWithLibrary(state);
  if (backend == nullptr)
    return;
  std::mt19937 random(2);
  long count = 0;
  for (auto _ : state) {
    const auto name = Text("listed " + std::to_string(random() % kPlaylists));
    if (PlayerOf(*backend).GetPlaylistNumByName(name.c_str(), &count) < 0 || count != 1)
      state.SkipWithError("GetPlaylistNumByName did not find the playlist");
  }
}

// Minimum times keep the 100,000-track runs to a few iterations each.
BENCHMARK(BM_SqliteInsertFloor)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(BM_SaveCurPlaylist)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(BM_UpdatePlaylistbyIndex)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(BM_EditSavedPlaylist)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreEditAtOnePlace)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Complexity()
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK(BM_GetPLCollectionCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetPLCollectionNamebyIndex)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetPlaylistNumByName)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
