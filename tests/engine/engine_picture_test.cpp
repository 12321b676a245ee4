// A media file's cover as a host gets it (AudioPlayerPictureOf): the picture
// another program embedded, byte for byte, in each format that embeds one;
// else the image beside the file; else none.
#include "engine_host.h"
#include "ffmpeg_files.h"
#include "support/write_watch.h"

#include <audioplayer_picture.h>

#include <filesystem>
#include <tuple>

namespace {

using namespace engine_host;
using namespace ffmpeg_files;

struct Found {
  long status;
  std::string path;
  std::string mimeType;
  long long bytes;
  int embedded;
};

Found PictureOf(const std::string &media) {
  AudioPlayerPicture picture{};
  const long status = AudioPlayerPictureOf(Text(media).c_str(), &picture);
  return {status, Ascii(picture.path), picture.mimeType, picture.bytes, picture.embedded};
}

TEST(EnginePicture, TheCoverAFileEmbedsElseTheImageBesideIt) {
  test_support::TempFolder folder;
  test_support::UseFolder(folder);
  std::filesystem::create_directories(folder.path() / "songs");
  std::filesystem::create_directories(folder.path() / "beside");
  std::vector<std::string> embedding;
  for (const Format &format : kFormats)
    if (format.cover) {
      embedding.push_back(folder.File("songs/song." + std::string(format.extension)));
      ASSERT_TRUE(MakeWithFfmpeg(folder, format, embedding.back()));
    }
  // Where ffmpeg embeds none, mutagen does, as taggers keep them: Ogg in a
  // Vorbis comment, WavPack in an APE tag (as foobar2000 does too). Each
  // script has `song`, the file, and `cover`, the image's bytes.
  const std::tuple<const char *, const char *, const char *> tagged[] = {
      {"ogg", "-c:a libvorbis",
       "from mutagen.flac import Picture\nfrom mutagen.oggvorbis import OggVorbis\n"
       "picture = Picture()\npicture.type, picture.mime, picture.data = 3, \"image/png\", cover\n"
       "song = OggVorbis(song)\n"
       "song[\"metadata_block_picture\"] = [base64.b64encode(picture.write()).decode()]\n"},
      {"wv", "-c:a wavpack",
       "from mutagen.apev2 import APEValue, BINARY\nfrom mutagen.wavpack import WavPack\n"
       "song = WavPack(song)\nsong.add_tags() if song.tags is None else None\n"
       "song.tags[\"Cover Art (Front)\"] = APEValue(b\"cover.png\\0\" + cover, BINARY)\n"},
  };
  for (const auto &[extension, encoding, script] : tagged) {
    embedding.push_back(folder.File(std::string("songs/song.") + extension));
    ASSERT_TRUE(MakeWithFfmpeg(folder, {extension, encoding, false}, embedding.back()));
    ASSERT_EQ(
        std::system((std::string("/usr/bin/python3 -c 'import base64, sys\n"
                                 "song, cover = sys.argv[1], open(sys.argv[2], \"rb\").read()\n") +
                     script + "song.save()' " + Quoted(embedding.back()) + " " +
                     Quoted(folder.File("cover.png")))
                        .c_str()),
        0)
        << extension;
  }
  // Matroska attaches it as a file, as ffmpeg and mkvmerge do.
  const std::string matroska = folder.File("songs/song.mka");
  const std::string attach =
      "-c:a flac -attach " + Quoted(folder.File("cover.png")) + " -metadata:s:t mimetype=image/png";
  ASSERT_TRUE(MakeWithFfmpeg(folder, {"mka", attach.c_str(), false}, matroska));
  embedding.push_back(matroska);

  const std::string cover = ReadFile(folder.File("cover.png"));
  std::string shared;
  test_support::WriteWatch watch(embedding);
  ASSERT_TRUE(watch.Watching());
  for (const std::string &media : embedding) {
    SCOPED_TRACE(media);
    const Found found = PictureOf(media);
    ASSERT_EQ(found.status, S_OK);
    EXPECT_EQ(found.embedded, 1);
    EXPECT_EQ(found.mimeType, "image/png");
    EXPECT_EQ(found.bytes, (long long)cover.size());
    EXPECT_TRUE(ReadFile(found.path) == cover);
    EXPECT_EQ(found.path.rfind(folder.File("cache/audioplayer/pictures/"), 0), 0u);
    EXPECT_EQ(found.path, shared.empty() ? found.path : shared) << "one image for one picture";
    shared = found.path;
  }
  EXPECT_TRUE(watch.Told().empty()) << "a file opened for writing to read its picture";

  const std::string plain = folder.File("beside/plain.wav");
  ASSERT_TRUE(MakeWithFfmpeg(folder, {"wav", "-c:a pcm_s16le", false}, plain));
  EXPECT_EQ(PictureOf(plain).status, S_FALSE);
  test_support::WriteFile(folder.File("beside/Folder.jpg"), "\xFF\xD8\xFF a picture");
  const Found beside = PictureOf(plain + "#t=0.2"); // a part of the file: the file's
  EXPECT_EQ(beside.status, S_OK);
  EXPECT_EQ(beside.embedded, 0);
  EXPECT_EQ(beside.path, folder.File("beside/Folder.jpg"));
  EXPECT_EQ(beside.mimeType, "image/jpeg");
  // Windows Media Player's own names, in any case; a better name written
  // later is seen.
  std::filesystem::copy_file(plain, folder.File("songs/plain.wav"));
  test_support::WriteFile(folder.File("songs/AlbumArtSmall.jpg"), "\xFF\xD8\xFF small");
  test_support::WriteFile(folder.File("songs/AlbumArt_{7A3B}_Large.JPG"), "\xFF\xD8\xFF large");
  EXPECT_EQ(PictureOf(folder.File("songs/plain.wav")).path,
            folder.File("songs/AlbumArt_{7A3B}_Large.JPG"));
  test_support::WriteFile(folder.File("songs/Cover.Png"), "\x89PNG a cover");
  const Found named = PictureOf(folder.File("songs/plain.wav"));
  EXPECT_EQ(named.path, folder.File("songs/Cover.Png"));
  EXPECT_EQ(named.mimeType, "image/png");

  EXPECT_EQ(PictureOf(folder.File("gone.mp3")).status, long(std::int32_t(0x80070002)));
  AudioPlayerPicture picture;
  EXPECT_EQ(AudioPlayerPictureOf(nullptr, &picture), E_INVALIDARG);
  EXPECT_EQ(AudioPlayerPictureOf(Text(plain).c_str(), nullptr), E_INVALIDARG);
}

} // namespace
