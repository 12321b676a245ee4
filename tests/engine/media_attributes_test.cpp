// What the control reads of a file, as a program using it asks its media
// item, judged by what ffprobe reads of the same file: tags, length,
// channels, rates and picture, over files as ffmpeg and GStreamer write them
// and named as their owners name them.
#include "control_client.h"
#include "engine/control/live_objects.h"
#include "ffmpeg_files.h"
#include "flac_blocks.h"
#include "generated_media.h"
#include "support/ole_text.h"
#include "support/proxied_player.h"

#include <atlbase.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

using Attributes = std::map<std::string, std::string>;
using test_media::Kind;
using test_support::CommandOutput;
using test_support::Quoted;

// The attributes a file's media item derives from it or reads of its tags.
constexpr const char *kRead[] = {"Title",     "Author",      "Album",    "AlbumArtist",
                                 "WM/Genre",  "WM/Composer", "Duration", "Channels",
                                 "FormatTag", "FourCC",      "Bitrate",  "AudioBitrate",
                                 "MediaType", "FileType",    "FileSize", "SourceURL"};
// The control's tag attributes, by ffprobe's names for them.
constexpr std::pair<const char *, const char *> kTagNames[] = {
    {"Title", "title"},    {"Author", "artist"},
    {"Album", "album"},    {"AlbumArtist", "album_artist"},
    {"WM/Genre", "genre"}, {"WM/Composer", "composer"}};

// What ffprobe reads of a file: its tags, its length, its first audio
// stream's channels and rate (0 where it tells none), its picture's size
// (not a cover's).
struct Probe {
  std::map<std::string, std::string> tags;
  double duration = 0;
  long channels = 0, audioRate = 0, width = 0, height = 0;
};

Probe Probed(const std::string &path) {
  std::istringstream lines(CommandOutput(
      "ffprobe -v error -show_entries format=duration:stream=codec_type,channels,bit_rate,width,"
      "height:stream_disposition=attached_pic -of flat " +
      Quoted(path)));
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(lines, line);)
    if (const std::size_t equals = line.find('='); equals != std::string::npos) {
      std::string value = line.substr(equals + 1);
      if (value.size() >= 2 && value.front() == '"')
        value = value.substr(1, value.size() - 2);
      values[line.substr(0, equals)] = value;
    }
  Probe probe{ffmpeg_files::ProbedTags(path), std::atof(values["format.duration"].c_str())};
  for (int i = 0; values.count("streams.stream." + std::to_string(i) + ".codec_type"); ++i) {
    auto value = [&](const std::string &key) {
      return std::atol(values["streams.stream." + std::to_string(i) + "." + key].c_str());
    };
    const std::string type = values["streams.stream." + std::to_string(i) + ".codec_type"];
    if (type == "audio" && probe.channels == 0) {
      probe.channels = value("channels");
      probe.audioRate = value("bit_rate");
    }
    if (type == "video" && probe.width == 0 && value("disposition.attached_pic") == 0) {
      probe.width = value("width");
      probe.height = value("height");
    }
  }
  return probe;
}

// A four-character code from the decimal of its 32-bit value, first
// character lowest.
std::string CodeOf(const std::string &decimal) {
  const auto value = std::uint32_t(std::strtoul(decimal.c_str(), nullptr, 10));
  std::string code;
  for (int shift = 0; shift < 32 && value != 0; shift += 8)
    code += char(value >> shift & 0xFF);
  return code;
}

class MediaAttributes : public ::testing::Test {
protected:
  void SetUp() override {
    test_support::UseFolder(folder);
    control = std::make_unique<control_client::Control>();
    ASSERT_TRUE(control->Make());
  }
  void TearDown() override {
    control.reset();
    EXPECT_EQ(engine::LiveObjects(), 0);
  }

  CComPtr<IWMPMedia> Media(const std::string &url) {
    CComPtr<IWMPMedia> media;
    EXPECT_EQ(control->player->newMedia(CComBSTR(Wide(url).c_str()), &media), S_OK) << url;
    return media;
  }
  // The attributes the item has, by name; those it lacks are absent.
  Attributes Read(const std::string &url) {
    Attributes read;
    CComPtr<IWMPMedia> media = Media(url);
    for (const char *name : kRead) {
      CComBSTR value;
      if (media && media->getItemInfo(CComBSTR(Wide(name).c_str()), &value) >= 0 &&
          value.Length() > 0)
        read[name] = test_support::Utf8(test_support::U16(value));
    }
    return read;
  }
  static std::u16string Wide(const std::string &text) { return {text.begin(), text.end()}; }
  // Runs ffmpeg in the folder, on names relative to it.
  bool Ffmpeg(const std::string &arguments) {
    return std::system(
               ("cd " + Quoted(folder.path().string()) + " && ffmpeg -v error -y " + arguments)
                   .c_str()) == 0;
  }

  test_support::TempFolder folder;
  std::unique_ptr<control_client::Control> control;
};

constexpr const char *kTags =
    "-metadata title=T\xC3\xABst -metadata artist=A1 -metadata album=\xE6\x97\xA5\xE6\x9C\xAC "
    "-metadata album_artist=AA -metadata genre=G -metadata composer=C";
constexpr const char *kGstreamerTags =
    R"(title="T1",artist="A1",album="Al",album-artist="AA",genre="G",composer="C")";

struct Row {
  const char *name;          // what the file is named
  const char *encoding;      // ffmpeg's inputs and options; empty: GStreamer's muxer
  const char *formatTag;     // the codec's registered WAVE format tag
  const char *fourCC = "";   // a video file's codec
  const char *unprobed = ""; // a tag ffprobe names otherwise
  bool rateProbed = true;    // false where ffprobe counts the padding in
};
#define TONE "-f lavfi -i sine=d=2 -ac 2 "
#define COVERED TONE "-i cover.png -map 0:a -map 1:v -c:v copy -disposition:v attached_pic "
#define FILM "-f lavfi -i testsrc=d=1:r=25 -f lavfi -i sine=d=1 -shortest "
const Row kRows[] = {
    {"tone.wav", TONE "-c:a pcm_s16le", "1"},
    {"float.wav", TONE "-c:a pcm_f32le", "3"},
    {"tone.flac", COVERED "-c:a flac", "61868", "", "", false},
    {"tone.ogg", TONE "-c:a libvorbis", "26447"},
    {"tone.opus", TONE "-c:a libopus", "28751"},
    {"cbr.mp3", COVERED "-c:a libmp3lame -write_id3v1 1", "85"},
    {"vbr.mp3", TONE "-c:a libmp3lame -q:a 2", "85"},
    {"tune.id3", TONE "-c:a libmp3lame -f mp3", "85"},
    {"v23.mp3", TONE "-c:a libmp3lame -id3v2_version 3", "85"},
    {"tagged.wav", TONE "-c:a pcm_s24le -write_id3v2 1", "1"},
    {"tone.m4a", COVERED "-c:a aac", "255"},
    {"surround.m4a", TONE "-ac 6 -c:a aac", "255"},
    {"alac.m4a", TONE "-c:a alac", "27745", "", "", false},
    {"tone.aiff", TONE "-c:a pcm_s16be", "1"},
    {"tone.mp2", TONE "-c:a mp2", "80"},
    {"flac.oga", TONE "-c:a flac", "61868", "", "", false},
    {"tone.tta", TONE "-c:a tta", "0"},
    {"book.m4b", TONE "-c:a aac -f ipod", "255"},
    {"audio.mp4", TONE "-c:a aac -f mp4", "255"},
    {"tone.aac", TONE "-c:a aac", "255"},
    {"tone.wma", TONE "-c:a wmav2", "353"},
    {"tone.wv", TONE "-c:a wavpack", "0"},
    {"voice.spx", TONE "-ac 1 -ar 16000 -c:a libspeex", "41225"},
    {"flac.mka", TONE "-c:a flac", "61868"},
    {"vorbis.mka", TONE "-c:a libvorbis", "26447"},
    {"muxed.m4a", "", "255"},
    {"film.mp4", FILM "-c:v libx264 -c:a aac", "255", "H264"},
    {"clip.avi", FILM "-c:v mpeg4 -c:a libmp3lame", "85", "MP4V", "album"},
};

// Each file's item says what ffprobe reads of it: the same tags, the same
// channels, its length within a frame and its rate within a few per cent;
// the codec by its registered tag, and for a video its picture and codec.
TEST_F(MediaAttributes, AFileReadsAsFfprobeReadsIt) {
  ASSERT_TRUE(Ffmpeg("-f lavfi -i color=red:s=16x16 -frames:v 1 cover.png"));
  for (const Row &row : kRows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder.File(row.name);
    ASSERT_TRUE(*row.encoding ? Ffmpeg(std::string(row.encoding) + " " + kTags + " " + row.name)
                              : test_media::MakeAudioFile(path, Kind::M4a, 2.0, kGstreamerTags));
    Probe probe = Probed(path);
    Attributes read = Read(path);
    const std::string name = row.name;
    if (probe.tags["title"].empty()) // the item is named by its file
      probe.tags["title"] = name.substr(0, name.find('.'));
    for (const auto &[attribute, probed] : kTagNames) {
      EXPECT_TRUE(row.unprobed == std::string(probed) || read[attribute] == probe.tags[probed])
          << attribute << ": " << read[attribute] << " against " << probe.tags[probed];
    }
    EXPECT_NEAR(std::atof(read["Duration"].c_str()), probe.duration, 0.05);
    EXPECT_EQ(std::atol(read["Channels"].c_str()), probe.channels);
    if (probe.audioRate > 0 && row.rateProbed) {
      EXPECT_NEAR(std::atof(read["AudioBitrate"].c_str()), probe.audioRate, 0.05 * probe.audioRate);
    }
    EXPECT_EQ(read["FormatTag"], row.formatTag);
    EXPECT_EQ(read["MediaType"], *row.fourCC ? "video" : "audio");
    EXPECT_EQ(CodeOf(read["FourCC"]), row.fourCC);
    EXPECT_EQ(read["FileType"], name.substr(name.find('.') + 1));
    EXPECT_EQ(read["FileSize"], std::to_string(std::filesystem::file_size(path)));
    EXPECT_EQ(read["SourceURL"], path);
    CComPtr<IWMPMedia> media = Media(path);
    long width = -1, height = -1;
    ASSERT_TRUE(media);
    EXPECT_EQ(media->get_imageSourceWidth(&width), S_OK);
    EXPECT_EQ(media->get_imageSourceHeight(&height), S_OK);
    EXPECT_EQ(width, probe.width);
    EXPECT_EQ(height, probe.height);
  }
}

// A file URL reads as its path does; what is not a local media file reads
// as nothing, with nothing left of the file read before it. Attributes the
// file decides refuse a program's edit, by any case of their names.
TEST_F(MediaAttributes, OnlyLocalMediaIsReadAndWhatItDecidesIsReadOnly) {
  const std::string path = folder.File("a b.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(path, Kind::Wav, 0.2));
  const std::string url = "file://" + folder.path().string() + "/a%20b.wav";
  Attributes read = Read(url);
  EXPECT_EQ(read["FormatTag"], "1");
  EXPECT_EQ(read["SourceURL"], url);
  test_support::WriteFile(folder.File("notes.mp3"),
                          "these are not the sounds you are looking for\n");
  for (const std::string &other :
       {folder.File("notes.mp3"), folder.File("missing.wav"), folder.path().string(),
        std::string("http://example.invalid/a.mp3")}) {
    read = Read(other);
    EXPECT_EQ(read.count("FormatTag") + read.count("Duration") + read.count("MediaType"), 0u)
        << other;
  }
  CComPtr<IWMPMedia> media = Media(path);
  for (const char16_t *name : {u"bitrate", u"FILESIZE", u"Duration", u"formatTag"}) {
    VARIANT_BOOL readOnly = VARIANT_FALSE;
    EXPECT_EQ(media->isReadOnlyItem(CComBSTR(name), &readOnly), S_OK);
    EXPECT_EQ(readOnly, VARIANT_TRUE) << test_support::Utf8(name);
    EXPECT_LT(media->setItemInfo(CComBSTR(name), CComBSTR(u"1")), 0) << test_support::Utf8(name);
  }
  EXPECT_EQ(Read(path)["Duration"], "0.2");
  // Named by the URL: its file without the extension, or what is before a
  // closing slash (a station's root is its host).
  for (const auto &[other, name] : {std::pair{"http://example.invalid/a.mp3", "a"},
                                    {"http://127.0.0.1:8000/", "127.0.0.1:8000"},
                                    {"http://radio.example/live/", "live"}})
    EXPECT_EQ(Read(other)["Title"], name) << other;
}
// What an MP3's ID3v2 tag lacks comes from its ID3v1 tag (the album, as
// mutagen and the discoverer read it; the ID3v2 title wins over the ID3v1
// one); what TagLib loses past a damaged frame (a TYER of no size) comes
// from the discoverer; a file cut short keeps the tags before the cut.
TEST_F(MediaAttributes, WhatADamagedFileStillSaysIsRead) {
  using ffmpeg_files::ReadFile;
  ASSERT_TRUE(Ffmpeg(TONE "-metadata title='Version Two' two.mp3"));
  auto field = [](const std::string &text) { return (text + std::string(30, '\0')).substr(0, 30); };
  test_support::WriteFile(folder.File("two.mp3"), ReadFile(folder.File("two.mp3")) + "TAG" +
                                                      field("Version One") + field("Old Artist") +
                                                      field("Old Album") + "1999" + field("") +
                                                      char(17));
  Attributes read = Read(folder.File("two.mp3"));
  for (const auto &[name, value] : {std::pair{"Title", "Version Two"},
                                    {"Album", "Old Album"},
                                    {"Author", "Old Artist"},
                                    {"WM/Genre", "Rock"}})
    EXPECT_EQ(read[name], value) << name;

  ASSERT_TRUE(Ffmpeg(TONE "-write_id3v2 0 bare.mp3"));
  auto frame = [](const std::string &id, const std::string &text) {
    const std::string data = text.empty() ? "" : '\0' + text; // Latin-1, then the text
    return id + std::string{'\0', '\0', '\0', char(data.size()), '\0', '\0'} + data;
  };
  const std::string frames = frame("TIT2", "Kept Title") + frame("TYER", "") +
                             frame("TPE1", "Lost Artist") + frame("TALB", "Lost Album");
  test_support::WriteFile(folder.File("damaged.mp3"),
                          std::string("ID3\3\0\0\0\0\0", 9) + char(frames.size() + 16) + frames +
                              std::string(16, '\0') + ReadFile(folder.File("bare.mp3")));
  read = Read(folder.File("damaged.mp3"));
  EXPECT_EQ(read["Title"], "Kept Title");
  EXPECT_EQ(read["Author"], "Lost Artist");
  EXPECT_EQ(read["Album"], "Lost Album");
  EXPECT_EQ(read["FormatTag"], "85"); // still read by the tag library

  // An M4A cut short after its tags, its audio atom sized in 64 bits (as
  // mutagen's truncated-64bit.mp4 is): its artist is still read.
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=d=3 -c:a aac -metadata artist=Foobarella "
                     "-movflags faststart whole.m4a"));
  const std::string atoms = ReadFile(folder.File("whole.m4a"));
  std::string rewritten;
  for (std::size_t at = 0, size = 0; at + 8 <= atoms.size(); at += size) {
    size = 0;
    for (int i = 0; i < 4; ++i)
      size = size << 8 | static_cast<unsigned char>(atoms[at + i]);
    if (atoms.compare(at + 4, 4, "mdat") != 0) {
      rewritten += atoms.substr(at, size);
      continue;
    }
    rewritten += std::string("\0\0\0\1mdat", 8);
    test_media::AppendBigEndian(rewritten, size + 8, 8);
    rewritten += atoms.substr(at + 8, size - 8);
  }
  test_support::WriteFile(folder.File("cut.m4a"), rewritten.substr(0, 2000));
  EXPECT_EQ(Read(folder.File("cut.m4a"))["Author"], "Foobarella");

  // A FLAC whose picture of 17 MiB has its length in 24 bits, as ffmpeg
  // wrote it (16 MiB lost), before its comments: they are still read.
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=d=1 -c:a flac -metadata artist=Piman plain.flac"));
  std::string picture;
  for (std::uint64_t word : {3, 9})
    test_media::AppendBigEndian(picture, word, 4);
  picture += "image/png";
  for (std::uint64_t word : {0, 1, 1, 24, 0, (17 << 20) + 4})
    test_media::AppendBigEndian(picture, word, 4);
  test_support::WriteFile(folder.File("big-picture.flac"),
                          test_media::WithBlock(ReadFile(folder.File("plain.flac")), 6,
                                                picture + "\x89PNG" + std::string(17 << 20, '\0')));
  read = Read(folder.File("big-picture.flac"));
  EXPECT_EQ(read["Author"], "Piman");
  EXPECT_EQ(read["Duration"], "1");
}

} // namespace
