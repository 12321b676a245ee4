// The media library and saved playlists as a host sees them: whole saves
// whatever moment the process dies at, a full disk or a damaged database
// reported by name, files that change on disk read again, paths that are
// not files refused.
#include "database_rows.h"
#include "engine/media/attribute_readers.h"
#include "engine/library/library_status.h"
#include "engine/library/media_library.h"
#include "engine_host.h"
#include "silent_listener.h"
#include "killed_child.h"
#include "support/command_output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <sstream>

namespace {

using namespace engine_host;

constexpr long kSavedItems = 20000;

// The number of entries of each saved playlist, by name.
std::map<std::string, long> SavedSizes(const std::string &db) {
  std::map<std::string, long> sizes;
  for (const std::string &row : test_media::Column(
           db, "SELECT p.name || '=' || COUNT(e.id) FROM playlists p "
               "LEFT JOIN playlist_entries e ON e.playlist_id = p.id GROUP BY p.id")) {
    const auto equals = row.rfind('=');
    sizes[row.substr(0, equals)] = std::stol(row.substr(equals + 1));
  }
  return sizes;
}

// A current playlist of kSavedItems: one real file first (the first item
// enters the library), then paths the library only names.
bool FillCurrentPlaylist(CAudioPlayer *player, const std::string &first) {
  if (player->AppendMusic(Text(first).c_str()) < 0)
    return false;
  for (long n = 1; n < kSavedItems; ++n)
    if (player->AppendMusic(Text("/music/album/track-" + std::to_string(n) + ".mp3").c_str()) < 0)
      return false;
  return true;
}

// ---- A process killed while it saves ---------------------------------------
//
// The child is this test binary run again with kSavingChild naming the first
// file: it saves its 20,000-item playlist under new names, one after the
// other, pumping its messages between saves, until it is killed.

constexpr const char *kSavingChild = "ENGINE_LIBRARY_TEST_SAVING_CHILD";

int RunSavingChild(const char *first) {
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  if (player == nullptr || !FillCurrentPlaylist(player, first))
    return 2;
  if (!test_media::MarkProgress('R'))
    return 3;
  const auto began = std::chrono::steady_clock::now();
  for (long n = 0;; ++n) {
    if (std::getenv("TIME_SAVES"))
      std::fprintf(stderr, "save %ld at %.3f s\n", n,
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    const std::string name = "save-" + std::to_string(::getpid()) + "-" + std::to_string(n);
    if (player->SaveCurPlaylist(Text(name).c_str()) < 0)
      return 4;
    DispatchWaiting(); // the save commits
    if (!test_media::MarkProgress('S'))
      return 5;
  }
}

TEST(EngineLibrary, ASaveIsWholeOrAbsentWhereverTheProcessDies) {
  if (const char *first = std::getenv(kSavingChild))
    ::_exit(RunSavingChild(first)); // this process is the child the test kills
  test_support::TempFolder folder;
  UseFolder(folder);
  const std::string first = folder.File("first.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(first, test_media::Kind::Wav, 0.2));
  const std::string db = folder.File("library.db");
  std::mt19937 random(20261207);
  std::size_t whole = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Killed at a random moment after its first save, most often in the
    // middle of a later one.
    const test_media::KilledChild child =
        test_media::RunAndKill(kSavingChild, first, std::chrono::milliseconds(random() % 1500), 1);
    ASSERT_TRUE(child.started) << "the child did not start";
    ASSERT_TRUE(child.killed) << "the child stopped by itself: " << child.exitCode;

    EXPECT_EQ(test_media::IntegrityCheck(db), "ok");
    const auto sizes = SavedSizes(db);
    for (const auto &[name, size] : sizes)
      EXPECT_EQ(size, kSavedItems) << name << " was saved in part";
    whole = sizes.size();
  }
  EXPECT_GE(whole, 6u) << "each round saved at least once before it was killed";
}

// ---- Failures, each by its name ------------------------------------------

TEST(EngineLibrary, AFullDiskLeavesNoPartOfASaveAndTheHostHearsIt) {
  test_support::TempFolder folder;
  const std::string mount = folder.File("small");
  std::filesystem::create_directory(mount);
  if (::geteuid() != 0 || ::system(("mount -t tmpfs -o size=256k tmpfs " + mount).c_str()) != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  UseFolder(folder);
  const std::string db = mount + "/library.db";
  setenv("AUDIOPLAYER_LIBRARY", db.c_str(), 1);
  received.clear();
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  const std::string first = folder.File("first.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(first, test_media::Kind::Wav, 0.2));
  ASSERT_TRUE(FillCurrentPlaylist(player, first));

  const long saved = player->SaveCurPlaylist(Text("too big").c_str());
  PumpUntil([] { return HeardCode(CN_Error); }, 0.5);
  // The disk fills while the save writes, or when its turn commits.
  EXPECT_TRUE(saved == engine::kLibraryFull || saved == 0) << std::hex << saved;
  EXPECT_TRUE(HeardCode(CN_Error)) << "the host hears that the turn was undone";
  long count = -1;
  EXPECT_GE(player->GetPLCollectionCount(&count), 0);
  EXPECT_EQ(count, 0);
  DestroyPlayer(player);
  EXPECT_TRUE(SavedSizes(db).empty());
  EXPECT_EQ(test_media::IntegrityCheck(db), "ok");
  ::system(("umount " + mount).c_str());
}

TEST(EngineLibrary, AnUnusableLibraryIsReportedNeverShownEmpty) {
  test_support::TempFolder folder;
  UseFolder(folder);
  const std::string db = folder.File("library.db");
  const std::string junk(8192, 'j');
  test_support::WriteFile(db, junk);
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  ASSERT_NE(player, nullptr) << "a damaged library never stops the player";
  long count = 0;
  EXPECT_EQ(player->GetPLCollectionCount(&count), engine::kLibraryCorrupt);
  EXPECT_EQ(player->GetPlaylistNumByName(Text("x").c_str(), &count), engine::kLibraryCorrupt);
  const std::string song = folder.File("song.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(song, test_media::Kind::Wav, 0.2));
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE;
  EXPECT_EQ(player->GetMusicInfo(Text(song).c_str(), &info), engine::kLibraryCorrupt);
  DestroyPlayer(player);
  EXPECT_EQ(test_support::ReadFile(db), junk) << "never overwritten";

  // A folder where the file should be.
  std::filesystem::remove(db);
  std::filesystem::create_directory(db);
  player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  EXPECT_EQ(player->GetPLCollectionCount(&count), engine::kLibraryCannotOpen);
  EXPECT_EQ(player->SaveCurPlaylist(Text("x").c_str()), engine::kLibraryCannotOpen);
  DestroyPlayer(player);
}

using EngineLibraryHost = EngineHost;

// The file size the library keeps of `url`, once the turn that stored it is
// committed; "none" when it keeps no record.
std::string StoredFileSize(const test_support::TempFolder &folder, const std::string &url) {
  const std::string query = "SELECT file_size FROM items WHERE url = '" + url + "'";
  std::vector<std::string> rows;
  PumpUntil(
      [&] { return (rows = test_media::Column(folder.File("library.db"), query)).size() == 1; },
      0.5);
  return rows.size() == 1 ? rows[0] : "none";
}

TEST_F(EngineLibraryHost, PathsThatAreNotFilesAreRefusedAndNeverStored) {
  const std::string fifo = folder.File("pipe.mp3");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string directory = folder.File("album.mp3");
  std::filesystem::create_directory(directory);
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE | INFO_DURATION;
  EXPECT_EQ(player->GetMusicInfo(Text(directory).c_str(), &info), engine::kNotAFile);
  EXPECT_EQ(player->GetMusicInfo(Text(fifo).c_str(), &info), engine::kNotRegularFile);
  EXPECT_EQ(player->GetMusicInfo(Text("/dev/null").c_str(), &info), engine::kNotRegularFile);
  EXPECT_EQ(player->GetMusicInfo(Text(folder.File("missing.mp3")).c_str(), &info),
            long(std::int32_t(0x80070002)));
  PumpFor(0.1); // the turn commits as the thread dispatches: nothing may have been stored
  EXPECT_EQ(test_media::Column(folder.File("library.db"), "SELECT COUNT(*) FROM items"),
            std::vector<std::string>{"0"});
}

// A file's audio rate is its stream's: the same FLAC with 300 kB of padding
// after its tags (as taggers leave room for later edits) reports the rate it
// did without, not one inflated by the bytes beside the audio; a VBR MP3
// without a Xing header, whose frames alone say their rates, has the length
// and average rate mutagen reads from the same frames with the header, not
// its first frame's.
TEST_F(EngineLibraryHost, AnAudioRateIsTheStreamsNotThatOfTheBytesBesideIt) {
  const std::string plain = folder.File("plain.flac"), padded = folder.File("padded.flac");
  ASSERT_TRUE(test_media::MakeAudioFile(plain, test_media::Kind::Flac, 1.0));
  std::filesystem::copy_file(plain, padded);
  ASSERT_EQ(::system(("metaflac --add-padding=300000 '" + padded + "'").c_str()), 0);
  for (const std::string &file : {plain, padded})
    ASSERT_EQ(player->AppendMusic(Text(file).c_str()), S_OK);
  const long rate = InfoAt(player, 0, INFO_AUDIOBITRATE).lAudioBitrate;
  EXPECT_GT(rate, 0);
  EXPECT_EQ(InfoAt(player, 1, INFO_AUDIOBITRATE).lAudioBitrate, rate);
  // What the file's size alone would give is well above it.
  EXPECT_LT(rate, long(std::filesystem::file_size(padded) * 8 / 2));

  const std::string headed = folder.File("headed.mp3"), bare = folder.File("bare.mp3");
  ASSERT_EQ(::system(("ffmpeg -v error -f lavfi -i anoisesrc=d=20:c=pink:a=0.3 -ac 2 -c:a "
                      "libmp3lame -q:a 2 '" +
                      headed + "' && ffmpeg -v error -i '" + headed + "' -c copy -write_xing 0 '" +
                      bare + "'")
                         .c_str()),
            0);
  std::istringstream judged(test_support::CommandOutput(
      "/usr/bin/python3 -c 'import mutagen.mp3, sys\n"
      "info = mutagen.mp3.MP3(sys.argv[1]).info\nprint(info.length, info.bitrate)' '" +
      headed + "'"));
  double length = 0, average = 0;
  ASSERT_TRUE(judged >> length >> average);
  ASSERT_EQ(player->AppendMusic(Text(bare).c_str()), S_OK);
  const tagMediaInfo mp3 = InfoAt(player, 2, INFO_AUDIOBITRATE | INFO_DURATION);
  EXPECT_NEAR(mp3.dDuration, length, 0.05);
  EXPECT_NEAR(double(mp3.lAudioBitrate), average, average / 100);
}

TEST_F(EngineLibraryHost, AFileRetaggedOrReplacedIsReadAgainKeepingTheHostsEdits) {
  const std::string song = folder.File("song.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(song, test_media::Kind::Wav, 0.5, R"(title="First")"));
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE | INFO_DURATION | INFO_ALBUM;
  ASSERT_EQ(player->GetMusicInfo(Text(song).c_str(), &info), 0);
  EXPECT_EQ(Ascii(info.szTitle), "First");
  EXPECT_NEAR(info.dDuration, 0.5, 0.01);
  ASSERT_EQ(player->SetMusicInfo(Text(song).c_str(), Text("Mine").c_str(), INFO_ALBUM), 0);
  // The edit reaches the file first (its own write, off this thread), so
  // that the other program's write below is the file's last.
  engine::MediaLibrary::Shared()->WaitForFileTags(std::chrono::seconds(60));

  // Another program writes a longer recording with another title; its
  // modification time moves on.
  const auto before = std::filesystem::last_write_time(song);
  ASSERT_TRUE(test_media::MakeAudioFile(song, test_media::Kind::Wav, 1.0, R"(title="Second")"));
  std::filesystem::last_write_time(song, before + std::chrono::seconds(2));
  info = tagMediaInfo{};
  info.dwMask = INFO_TITLE | INFO_DURATION | INFO_ALBUM;
  ASSERT_EQ(player->GetMusicInfo(Text(song).c_str(), &info), 0);
  EXPECT_EQ(Ascii(info.szTitle), "Second");
  EXPECT_NEAR(info.dDuration, 1.0, 0.01);
  EXPECT_EQ(Ascii(info.szAlbum), "Mine") << "what the host wrote wins over the file";

  // Unchanged files are not read again: the stored record answers, once
  // the turn that stored it has been committed.
  EXPECT_EQ(StoredFileSize(folder, song), std::to_string(std::filesystem::file_size(song)));
}

// A read that gave up (the discoverer's timeout) is no verdict on the file:
// the record is kept without the file's stamp, so the next question reads
// the file again. An HLS list whose segment is on a server that takes the
// connection and never answers makes the discoverer wait past its bound.
TEST_F(EngineLibraryHost, AReadThatTimedOutIsNotKeptAsTheFilesVerdict) {
  test_support::SilentListener silent;
  ASSERT_TRUE(silent.Listening());
  const std::string stream = folder.File("stream.m3u8");
  test_support::WriteFile(stream, "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n" +
                                      silent.Url("segment.ts") + "\n#EXT-X-ENDLIST\n");
  engine::SetDiscovererTimeout(1);
  tagMediaInfo info{};
  info.dwMask = INFO_DURATION;
  EXPECT_EQ(player->GetMusicInfo(Text(stream).c_str(), &info), 0);
  engine::SetDiscovererTimeout(5);
  EXPECT_EQ(StoredFileSize(folder, stream), "-1") << "kept as if the file had been read";
}

} // namespace
