// A host's edits of the file attributes reach the file itself, as other
// programs read it (ffprobe, mutagen) and a fresh library does, with the
// audio and every other tag kept; whatever moment the process dies at, a
// file holds its old tags or its new ones, whole, and gets the library's
// edits in the end.
#include "engine_host.h"
#include "ffmpeg_files.h"
#include "killed_child.h"

#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <set>
#include <string_view>

namespace {

using namespace engine_host;
using namespace ffmpeg_files;
using test_support::CommandOutput;
using test_support::Quoted;

// The edits, with ffprobe's name of each tag.
struct Edit {
  InfoType type;
  const char *value;
  const char *probed;
};
constexpr Edit kEdits[] = {
    {INFO_TITLE, "New Title", "title"},
    {INFO_AUTHOR, "New Author", "artist"},
    {INFO_ALBUM, "New Album", "album"},
    {INFO_GENRE, "New Genre", "genre"},
    {INFO_ALBUMARTIST, "New Band", "album_artist"},
    {INFO_COMPOSER, "New Composer", "composer"},
};

std::string MutagenTitle(const std::string &path) {
  return CommandOutput(
      "/usr/bin/python3 -c 'import mutagen, sys\n"
      "tags = mutagen.File(sys.argv[1], easy=True).tags\n"
      "print(str((tags.get(\"title\") or tags.get(\"Title\") or tags.get(\"TIT2\"))[0]), "
      "end=\"\")' " +
      Quoted(path));
}

std::string TitleOf(CAudioPlayer *player, const std::string &path) {
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE;
  EXPECT_EQ(player->GetMusicInfo(Text(path).c_str(), &info), S_OK) << path;
  return Ascii(info.szTitle);
}

TEST(EngineTagWrite, AnEditReachesTheFileAsOtherProgramsAndAFreshLibraryReadIt) {
  test_support::TempFolder folder, fresh;
  test_support::UseFolder(folder);
  std::map<std::string, std::string> audio; // by path
  for (const Format &format : kFormats) {
    const std::string path = folder.File(std::string("song.") + format.extension);
    ASSERT_TRUE(MakeWithFfmpeg(folder, format, path)) << path;
    audio[path] = DecodedAudio(path);
  }
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  for (const auto &[path, decoded] : audio)
    for (const Edit &edit : kEdits)
      EXPECT_EQ(player->SetMusicInfo(Text(path).c_str(), Text(edit.value).c_str(), edit.type),
                S_OK);
  DestroyPlayer(player); // waits for the writes

  for (const Format &format : kFormats) {
    const std::string path = folder.File(std::string("song.") + format.extension);
    SCOPED_TRACE(path);
    const auto tags = ProbedTags(path);
    for (const Edit &edit : kEdits) {
      if (std::string_view(format.unprobed).find(edit.probed) == std::string_view::npos) {
        EXPECT_EQ(tags.count(edit.probed) ? tags.at(edit.probed) : "", edit.value) << edit.probed;
      }
    }
    EXPECT_EQ(tags.count("date") ? tags.at("date") : "", "1999");
    EXPECT_EQ(HasCover(path), format.cover);
    EXPECT_EQ(DecodedAudio(path), audio[path]);
    EXPECT_EQ(MutagenTitle(path), "New Title");
    EXPECT_FALSE(std::filesystem::exists(
        folder.File(std::string(".song.") + format.extension + ".new-tags." + format.extension)));
  }
  // The MP3's ID3v1 tag, 128 bytes at its end, follows its ID3v2 tag.
  const std::string mp3 = ReadFile(folder.File("song.mp3"));
  ASSERT_GT(mp3.size(), 128u);
  EXPECT_EQ(mp3.substr(mp3.size() - 128, 12), "TAGNew Title");

  // Two artists, as mutagen writes them (WAV, ASF and AIFF aside: mutagen
  // has no such tag for them), are both read: all the values of an APE item too.
  const std::set<std::string> twice = {"mp3", "flac", "m4a", "ogg", "opus", "wv", "spx", "oga"};
  for (const std::string &extension : twice)
    ASSERT_EQ(std::system(("/usr/bin/python3 -c 'import mutagen, sys\n"
                           "f = mutagen.File(sys.argv[1], easy=True)\n"
                           "f[\"artist\"] = [\"piman\", \"jzig\"]\nf.save()' " +
                           Quoted(folder.File("song." + extension)))
                              .c_str()),
              0);
  test_support::UseFolder(fresh);
  player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  for (const auto &[path, decoded] : audio) {
    EXPECT_EQ(TitleOf(player, path), "New Title") << path;
    tagMediaInfo info{};
    info.dwMask = INFO_AUTHOR;
    EXPECT_EQ(player->GetMusicInfo(Text(path).c_str(), &info), S_OK);
    EXPECT_EQ(Ascii(info.szAuthor),
              twice.count(path.substr(path.rfind('.') + 1)) ? "piman, jzig" : "New Author")
        << path;
  }
  DestroyPlayer(player);
}

// A read-only file, and one in a format the tag library cannot write: the
// file keeps its bytes, the library keeps the edit.
TEST(EngineTagWrite, AFileThatCannotBeWrittenKeepsItsBytesAndTheLibraryTheEdit) {
  test_support::TempFolder folder;
  test_support::UseFolder(folder);
  const std::string readOnly = folder.File("read-only.flac"), matroska = folder.File("song.mka");
  ASSERT_TRUE(MakeWithFfmpeg(folder, {"flac", "-c:a flac", false}, readOnly));
  ASSERT_TRUE(MakeWithFfmpeg(folder, {"mka", "-c:a flac", false}, matroska));
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  const std::map<std::string, std::string> before{{readOnly, ReadFile(readOnly)},
                                                  {matroska, ReadFile(matroska)}};
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  for (const auto &[path, bytes] : before)
    EXPECT_EQ(player->SetMusicInfo(Text(path).c_str(), Text("New Title").c_str(), INFO_TITLE),
              S_OK);
  DestroyPlayer(player);
  player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  for (const auto &[path, bytes] : before) {
    EXPECT_TRUE(ReadFile(path) == bytes) << path;
    EXPECT_EQ(TitleOf(player, path), "New Title") << path;
  }
  DestroyPlayer(player);
  for (const auto &entry : std::filesystem::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().filename().string().find(".new-tags"), std::string::npos);
}

// ---- A process killed while it edits ---------------------------------------
//
// The child is this test binary run again with kEditingChild naming the
// folder: it retitles its files over and over, pumping its messages, until
// it is killed.

constexpr const char *kEditingChild = "ENGINE_TAG_WRITE_EDITING_CHILD";
constexpr const char *kKilled[] = {"mp3", "flac", "m4a"};

std::string KilledFile(const test_support::TempFolder &folder, const char *extension) {
  return folder.File(std::string("song.") + extension);
}

int RunEditingChild(const std::string &folder) {
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  if (player == nullptr || !test_media::MarkProgress('R'))
    return 2;
  for (long n = 0;; ++n)
    for (const char *extension : kKilled) {
      const std::string path = folder + "/song." + extension;
      // Lengths that change by kilobytes: a tag that no longer fits its
      // room moves the audio after it, as an in-place save would.
      const std::string title = "Title " + std::to_string(n) + std::string(n * 997 % 5000, '.');
      if (player->SetMusicInfo(Text(path).c_str(), Text(title).c_str(), INFO_TITLE) != S_OK)
        return 3;
      DispatchWaiting();
      if (!test_media::MarkProgress('E'))
        return 4;
    }
}

TEST(EngineTagWrite, AFileKilledInTheMiddleOfAnEditHoldsItsOldTagsOrItsNewOnes) {
  if (const char *folder = std::getenv(kEditingChild))
    std::exit(RunEditingChild(folder));
  test_support::TempFolder folder;
  test_support::UseFolder(folder);
  std::map<std::string, std::string> audio;
  for (const char *extension : kKilled) {
    const Format format = *std::find_if(std::begin(kFormats), std::end(kFormats), [&](auto &f) {
      return std::string(f.extension) == extension;
    });
    const std::string path = KilledFile(folder, extension);
    ASSERT_TRUE(MakeWithFfmpeg(folder, format, path, 30, true));
    audio[path] = DecodedAudio(path);
  }
  constexpr int kRounds = 12;
  std::mt19937 random(20261209);
  std::set<std::string> titles; // what the files were found holding
  int kills = 0;
  for (int round = 0; round < kRounds; ++round) {
    const auto child = test_media::RunAndKill(
        kEditingChild, folder.path().string(),
        std::chrono::milliseconds(std::uniform_int_distribution(0, 50)(random)),
        std::uniform_int_distribution(1, 40)(random));
    ASSERT_TRUE(child.started);
    kills += child.killed;
    for (const auto &[path, decoded] : audio) {
      SCOPED_TRACE(path);
      const auto tags = ProbedTags(path);
      ASSERT_EQ(tags.count("title"), 1u);
      const std::string &title = tags.at("title");
      EXPECT_TRUE(title == "Old Title" || title.rfind("Title ", 0) == 0) << title;
      EXPECT_EQ(tags.count("date") ? tags.at("date") : "", "1999");
      EXPECT_EQ(DecodedAudio(path), decoded);
      titles.insert(title);
    }
  }
  EXPECT_EQ(kills, kRounds);
  EXPECT_GT(titles.size(), 2u) << "the edits reached the files between the kills";
  // Nothing the library took is lost to the file: the edits the killed
  // process left unwritten are written once their items are looked up
  // again, and a copy a killed write left is replaced, leaving none.
  int left = 0;
  for (const auto &entry : std::filesystem::directory_iterator(folder.path()))
    left += entry.path().filename().string().find(".new-tags") != std::string::npos;
  long status = -1;
  CAudioPlayer *player = NewPlayer(&status);
  ASSERT_NE(player, nullptr);
  std::map<std::string, std::string> held;
  for (const auto &[path, decoded] : audio)
    held[path] = TitleOf(player, path);
  DestroyPlayer(player);                   // waits for the writes
  for (const auto &[path, title] : held) { // the record holds the first 424 units
    EXPECT_EQ(title.rfind("Title ", 0), 0u) << path;
    EXPECT_EQ(ProbedTags(path)["title"].substr(0, 424), title) << path;
  }
  for (const auto &entry : std::filesystem::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().filename().string().find(".new-tags"), std::string::npos);
  std::printf("%d kills, %zu titles found, %d copies left by them\n", kills, titles.size(), left);
}

} // namespace
