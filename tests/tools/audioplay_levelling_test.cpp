// Loudness levelling as a listener hears it: each file at the gain its
// ReplayGain tags give, or where it has none at the loudness measured when
// it was last played whole, judged by ffmpeg's own EBU R128 meter on what
// audioplay recorded.
#ifdef AUDIOPLAY_TOOL

#include "engine/database_rows.h"
#include "engine/generated_media.h"
#include "support/command_output.h"
#include "support/write_watch.h"
#include "tools/tool_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using namespace tool_run;
using test_support::CommandOutput;
using test_support::Quoted;

namespace {

void ForgetMeasures(const test_support::TempFolder &folder) {
  for (const char *suffix : {"", "-wal", "-shm"})
    std::filesystem::remove(folder.File(std::string("library.db") + suffix));
}

struct Meter {
  double lufs = NAN;
  double peakDb = NAN; // sample peak, dBFS
};

// ffmpeg's ebur128 filter over `seconds` of the file from `start` (all of
// it when `seconds` is 0).
Meter FfmpegMeter(const std::string &path, double start = 0, double seconds = 0) {
  const std::string trim = seconds > 0 ? "atrim=start=" + std::to_string(start) +
                                             ":duration=" + std::to_string(seconds) + ","
                                       : "";
  const std::string said = CommandOutput("ffmpeg -nostats -hide_banner -i " + Quoted(path) +
                                         " -af " + trim + "ebur128=peak=sample -f null - 2>&1");
  Meter meter;
  const auto summary = said.rfind("Summary:");
  if (summary == std::string::npos)
    return meter;
  for (auto [key, value] : {std::pair{"I:", &meter.lufs}, {"Peak:", &meter.peakDb}})
    if (const auto at = said.find(key, summary); at != std::string::npos)
      *value = std::atof(said.c_str() + at + std::strlen(key));
  return meter;
}

// What the library keeps of a file's loudness: NAN when nothing.
double StoredLufs(const test_support::TempFolder &folder, const std::string &path) {
  const auto rows = test_media::Column(folder.File("library.db"),
                                       "SELECT lufs FROM loudness WHERE url = '" + path + "'");
  return rows.empty() ? NAN : std::atof(rows[0].c_str());
}

// Made by ffmpeg: `seconds` of `signal` (a lavfi source) at 48 kHz, `gain`
// dB on it, encoded as `encoding`.
bool Make(const std::string &path, const std::string &signal, double gain,
          const std::string &encoding, const std::string &metadata = "", int seconds = 4) {
  return std::system(("ffmpeg -v error -y -f lavfi -i '" + signal +
                      ":d=" + std::to_string(seconds) + "' -af volume=" + std::to_string(gain) +
                      "dB -ar 48000 -ac 2 " + encoding + " " + metadata + " " + Quoted(path))
                         .c_str()) == 0;
}

std::string Listed(const std::vector<std::string> &files) {
  std::string listed;
  for (const std::string &file : files)
    listed.append(" '").append(file).append("'");
  return listed;
}

} // namespace

// Five untagged files from about -30 to -8 LUFS, of noise and tones, in
// five formats: the first play measures each (as ffmpeg does, within
// 0.3 LU) and plays it as it is; from the second on, each is heard at
// -18 LUFS. Played to a point and stopped, or started past its beginning,
// a file is not measured; changed on disk, it is measured again.
TEST(AudioplayLevelling, AFileWithoutTagsIsPlayedAtTheLoudnessMeasuredWhenItLastPlayed) {
  test_support::TempFolder folder;
  struct Source {
    const char *name, *signal, *encoding;
    double gain;
  };
  const Source sources[] = {
      {"pink.flac", "anoisesrc=c=pink:a=0.5:seed=1", "-c:a flac", -9},
      {"brown.mp3", "anoisesrc=c=brown:a=0.5:seed=2", "-c:a libmp3lame -b:a 192k", -2},
      {"tone.opus", "sine=f=220", "-c:a libopus -b:a 128k", 0},
      {"white.ogg", "anoisesrc=c=white:a=0.3:seed=3", "-c:a libvorbis", -2},
      {"high.m4a", "sine=f=1000", "-c:a aac -b:a 192k", 13},
  };
  std::vector<std::string> files;
  std::vector<double> measured;
  for (const Source &source : sources) {
    files.push_back(folder.File(source.name));
    ASSERT_TRUE(Make(files.back(), source.signal, source.gain, source.encoding));
    measured.push_back(FfmpegMeter(files.back()).lufs);
  }
  EXPECT_LT(*std::min_element(measured.begin(), measured.end()), -28);
  EXPECT_GT(*std::max_element(measured.begin(), measured.end()), -10);

  const std::string recorded = folder.File("out.wav");
  const std::string play = "--quiet --volume 100 --level track --output-file " + Quoted(recorded);
  for (int time = 0; time < 2; ++time) {
    const ToolRun run = RunTool(folder, play + Listed(files));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const Meter heard = FfmpegMeter(recorded, 4.0 * double(i) + 0.2, 3.6);
      EXPECT_NEAR(heard.lufs, time == 0 ? measured[i] : -18, 0.5)
          << files[i] << ", play " << time + 1;
      EXPECT_NEAR(StoredLufs(folder, files[i]), measured[i], 0.3) << files[i];
    }
  }

  // Changed on disk: measured anew, and played at the new measure.
  ASSERT_TRUE(Make(files[0], sources[0].signal, -3, sources[0].encoding));
  const double changed = FfmpegMeter(files[0]).lufs;
  for (int time = 0; time < 2; ++time)
    ASSERT_EQ(RunTool(folder, play + " " + Quoted(files[0])).exitCode, 0);
  EXPECT_NEAR(StoredLufs(folder, files[0]), changed, 0.3);
  EXPECT_NEAR(FfmpegMeter(recorded, 0.2, 3.6).lufs, -18, 0.5);

  // Started past its beginning, or stopped before its end: nothing kept.
  const std::string sought = folder.File("sought.flac"), stopped = folder.File("stopped.flac");
  ASSERT_TRUE(Make(sought, sources[0].signal, -9, "-c:a flac"));
  ASSERT_TRUE(Make(stopped, sources[0].signal, -9, "-c:a flac", "", 30));
  EXPECT_EQ(RunTool(folder, play + " --start 1 " + Quoted(sought)).exitCode, 0);
  const SignalledRun run =
      RunAndSignal(folder, "--quiet --level track " + Quoted(stopped), Said("(Playing)"), SIGINT);
  EXPECT_TRUE(run.signalled) << run.output;
  EXPECT_TRUE(std::isnan(StoredLufs(folder, sought)));
  EXPECT_TRUE(std::isnan(StoredLufs(folder, stopped)));

  // --info says what levelling applies and where it comes from.
  const std::string info =
      RunTool(folder, "--info " + Quoted(files[1]) + " " + Quoted(sought)).output;
  char expected[64];
  std::snprintf(expected, sizeof expected, "Track gain: %+.2f dB (measured: %.2f LUFS",
                -18 - StoredLufs(folder, files[1]), StoredLufs(folder, files[1]));
  EXPECT_NE(info.find(expected), std::string::npos) << info;
  ASSERT_NE(info.find(sought), std::string::npos) << info;
  EXPECT_EQ(info.find("Track gain", info.find(sought)), std::string::npos) << info;
}

// An album's measured tracks keep their differences (one gain for all, that
// of their combined loudness), and a quiet track with a loud peak is raised
// only as far as its peak leaves before full scale.
TEST(AudioplayLevelling, AnAlbumKeepsItsTracksDifferencesAndNoPeakIsPushedOverFullScale) {
  test_support::TempFolder folder;
  std::vector<std::string> album;
  const double gains[] = {-4, -10, -16};
  for (double gain : gains) {
    album.push_back(folder.File("track" + std::to_string(album.size()) + ".flac"));
    ASSERT_TRUE(Make(album.back(), "anoisesrc=c=pink:a=0.5:seed=4", gain, "-c:a flac",
                     "-metadata album=One"));
  }
  const std::string recorded = folder.File("out.wav");
  for (int time = 0; time < 2; ++time)
    ASSERT_EQ(RunTool(folder, "--quiet --volume 100 --level album --output-file " +
                                  Quoted(recorded) + Listed(album))
                  .exitCode,
              0);
  std::vector<double> sources, heard;
  for (std::size_t i = 0; i < album.size(); ++i) {
    sources.push_back(FfmpegMeter(album[i]).lufs);
    heard.push_back(FfmpegMeter(recorded, 4.0 * double(i) + 0.2, 3.6).lufs);
  }
  for (std::size_t i = 1; i < album.size(); ++i)
    EXPECT_NEAR(heard[i] - heard[0], sources[i] - sources[0], 0.2) << album[i];
  EXPECT_GT(heard[0], sources[0] + 1) << "the album as a whole is brought up";

  // Quiet noise with one click at almost full scale: the measure wants
  // 12 dB more, the peak leaves none.
  const std::string clicked = folder.File("clicked.wav");
  const std::string click = "aeval='if(eq(n,4800),0.99,val(ch))':c=same";
  ASSERT_TRUE(std::system(("ffmpeg -v error -y -f lavfi -i anoisesrc=c=pink:a=0.05:d=4 -af \"" +
                           click + "\" -ar 48000 -c:a pcm_s16le " + Quoted(clicked))
                              .c_str()) == 0);
  for (int time = 0; time < 2; ++time)
    ASSERT_EQ(RunTool(folder, "--quiet --volume 100 --level track --output-file " +
                                  Quoted(recorded) + " " + Quoted(clicked))
                  .exitCode,
              0);
  const Meter source = FfmpegMeter(clicked), played = FfmpegMeter(recorded);
  EXPECT_GT(source.peakDb, -0.2);
  EXPECT_LE(played.peakDb, source.peakDb + 0.05);
  EXPECT_LT(played.peakDb, -0.05) << "no sample pushed to full scale";
}

// Levelled, an album cut from one source stays gapless: each track's gain
// starts at its first sample, and a CUE sheet's parts of one file play on
// as one stream at the file's gain.
TEST(AudioplayLevelling, GaplessTracksChangeGainAtTheirBoundarySample) {
  test_support::TempFolder folder;
  const std::string source = folder.File("source.wav");
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i anoisesrc=d=3:c=pink:a=0.3:r=44100 -ac 2 " +
                         Quoted(source))
                            .c_str()),
            0);
  constexpr std::size_t kFrames = 3 * 44100, kTrack = kFrames / 3;
  const std::vector<double> original = LeftChannel(source);
  ASSERT_EQ(original.size(), kFrames);
  const double gains[] = {-3, -6, -9};
  std::vector<std::string> tracks;
  for (std::size_t track = 0; track < 3; ++track) {
    tracks.push_back(folder.File("track" + std::to_string(track) + ".flac"));
    ASSERT_EQ(std::system(("ffmpeg -v error -i " + Quoted(source) +
                           " -af atrim=start_sample=" + std::to_string(track * kTrack) +
                           ":end_sample=" + std::to_string((track + 1) * kTrack) +
                           " -metadata REPLAYGAIN_TRACK_GAIN=" + std::to_string(gains[track]) +
                           " -metadata REPLAYGAIN_TRACK_PEAK=0.5 " + Quoted(tracks.back()))
                              .c_str()),
              0);
  }
  const std::string whole = folder.File("whole.flac");
  ASSERT_EQ(std::system(("ffmpeg -v error -i " + Quoted(source) +
                         " -metadata REPLAYGAIN_TRACK_GAIN=-6 " + Quoted(whole))
                            .c_str()),
            0);
  test_support::WriteFile(folder.File("album.cue"),
                          "FILE \"whole.flac\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n"
                          "  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n");
  const std::string recorded = folder.File("out.wav");
  struct Case {
    std::string items;
    std::vector<double> gains; // per second of the source
  };
  const Case cases[] = {{Listed(tracks), {-3, -6, -9}},
                        {" " + Quoted(folder.File("album.cue")), {-6, -6, -6}}};
  // As a device hears it: the gain changes where one stream is handed over to the next.
  const Recording played = RecordingsTo(recorded)[1];
  for (const Case &c : cases) {
    const ToolRun run =
        RunTool(folder, "--quiet --volume 100 --level track" + played.arguments + c.items,
                played.environment);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::vector<double> heard = LeftChannel(recorded);
    ASSERT_EQ(heard.size(), kFrames) << c.items;
    std::size_t wrong = 0;
    // Within two steps of 16 bits and 0.2%: the volume element's
    // fixed-point gain; a gain one track late is 30% off.
    for (std::size_t i = 0; i < kFrames; ++i) {
      const double wanted = original[i] * std::pow(10, c.gains[i / kTrack] / 20);
      wrong += std::fabs(heard[i] - wanted) > 2.0 / 32768 + 0.002 * std::fabs(wanted);
    }
    EXPECT_EQ(wrong, 0u) << c.items;
  }
}

// Levelled by tags, each file is played at the gain its ReplayGain tags give
// for the mode, with the preamp on top, no more than its peak tag leaves
// before full scale, and no gain above 0 dB where there is no peak to tell.
TEST(AudioplayLevelling, EachFileIsPlayedAtTheGainItsTagsGive) {
  test_support::TempFolder folder;
  const std::string quiet = folder.File("quiet.flac"), hot = folder.File("hot.flac"),
                    plain = folder.File("plain.wav");
  const std::string gains = "replaygain-track-gain=-6.0206,replaygain-track-peak=0.8,"
                            "replaygain-album-gain=-12.0412,replaygain-album-peak=0.8";
  ASSERT_TRUE(test_media::MakeAudioFile(quiet, test_media::Kind::Flac, 0.5, gains));
  ASSERT_TRUE(test_media::MakeAudioFile(hot, test_media::Kind::Flac, 0.5,
                                        "replaygain-track-gain=3.0,replaygain-track-peak=0.9"));
  ASSERT_TRUE(test_media::MakeAudioFile(plain, test_media::Kind::Wav, 0.5));
  // Two tracks of one album and one of another, tagged as the quiet file.
  const std::string one = folder.File("one.flac"), again = folder.File("again.flac"),
                    other = folder.File("other.flac");
  for (const auto &[file, album] : {std::pair{one, "One"}, {again, "One"}, {other, "Two"}})
    ASSERT_TRUE(
        test_media::MakeAudioFile(file, test_media::Kind::Flac, 0.5, gains + ",album=" + album));
  auto samples = [](const std::string &bytes) {
    std::vector<double> out(bytes.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = Sample16(&bytes[2 * i]);
    return out;
  };
  const std::vector<double> source = samples(WavData(plain));
  const double limit = 0.99 / 0.9; // the hot file's peak leaves 0.83 dB of its 3 below 0.99
  struct Case {
    const char *options;
    std::vector<std::string> files;
    std::vector<double> gains; // each file's, as a factor
  };
  const std::vector<std::string> three = {quiet, hot, plain};
  // In order, the album's gain for a track beside one of its album; the
  // last is beside the other album's track only. Shuffled, the tracks', and
  // every item still plays once, whichever the shuffled order put first.
  const std::vector<std::string> albums = {one, again, other, one};
  const Case cases[] = {
      {"", three, {1, 1, 1}},
      {"--level off", three, {1, 1, 1}},
      {"--level track", three, {0.5, limit, 1}},
      {"--level album", three, {0.25, limit, 1}}, // the hot file has no album gain: its track's
      {"--level album --preamp 3", three, {0.25 * 1.41254, limit, 1}},
      {"--level track --preamp -6", three, {0.5 * 0.501187, 0.707946, 0.501187}},
      {"--level auto", albums, {0.25, 0.25, 0.5, 0.5}},
      {"--level auto --shuffle", albums, {0.5, 0.5, 0.5, 0.5}},
  };
  const std::string recorded = folder.File("out.wav");
  test_support::WriteWatch watch({quiet, hot, plain, one, again, other});
  ASSERT_TRUE(watch.Watching());
  for (const Case &c : cases) {
    ForgetMeasures(folder); // what one case measured must not level the next
    std::string files;
    for (const std::string &file : c.files)
      files += " '" + file + "'";
    ToolRun run = RunTool(folder, std::string("--quiet --volume 100 ") + c.options +
                                      " --output-file '" + recorded + "'" + files);
    EXPECT_EQ(run.exitCode, 0) << c.options << "\n" << run.output;
    const std::vector<double> heard = samples(WavData(recorded));
    ASSERT_EQ(heard.size(), c.files.size() * source.size()) << c.options;
    for (std::size_t file = 0; file < c.files.size(); ++file) {
      // The least-squares gain from the source to what was heard of it.
      double cross = 0, power = 0;
      for (std::size_t i = 0; i < source.size(); ++i) {
        cross += heard[file * source.size() + i] * source[i];
        power += source[i] * source[i];
      }
      EXPECT_NEAR(cross / power, c.gains[file], 0.005 * c.gains[file])
          << c.options << ", file " << file;
    }
  }
  // Reading their tags and gains and playing them opened none for writing.
  EXPECT_TRUE(watch.Told().empty());
  // Opus's own gain comment, towards -23 LUFS in Q7.8: -2822 is -11.02 dB
  // there, -6.02 towards ReplayGain's -18; and -6.02 dB as mutagen writes
  // it into an M4A's iTunes freeform atom (lower case), an MP3's ID3v2 TXXX
  // frame, a WavPack file's APE item and a WMA file's attribute. Each
  // judged against the same file played as decoded.
  const std::string opus = folder.File("r128.opus");
  ASSERT_TRUE(test_media::MakeAudioFile(opus, test_media::Kind::Opus, 0.5,
                                        "extended-comment=\"R128_TRACK_GAIN=-2822\""));
  std::vector<std::string> tagged = {opus};
  const std::pair<const char *, const char *> mutagenTagged[] = {
      {"itunes.m4a",
       "from mutagen.mp4 import MP4, MP4FreeForm; f = MP4(sys.argv[1]); "
       "f['----:com.apple.iTunes:replaygain_track_gain'] = [MP4FreeForm(b'-6.02 dB')]"},
      {"txxx.mp3", "from mutagen.id3 import ID3, TXXX; f = ID3(); "
                   "f.add(TXXX(encoding=3, desc='REPLAYGAIN_TRACK_GAIN', text=['-6.02 dB'])); "
                   "f.save(sys.argv[1]); f = ID3(sys.argv[1])"},
      {"ape.wv", "from mutagen.wavpack import WavPack; f = WavPack(sys.argv[1]); "
                 "f['REPLAYGAIN_TRACK_GAIN'] = '-6.02 dB'"},
      {"asf.wma", "from mutagen.asf import ASF; f = ASF(sys.argv[1]); "
                  "f['replaygain_track_gain'] = ['-6.02 dB']"},
  };
  for (const auto &[name, script] : mutagenTagged) {
    tagged.push_back(folder.File(name));
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=d=0.5 " + Quoted(tagged.back()) +
                           " && /usr/bin/python3 -c \"import sys; " + script + "; f.save()\" " +
                           Quoted(tagged.back()))
                              .c_str()),
              0)
        << name;
  }
  for (const std::string &file : tagged) {
    std::vector<double> decoded;
    for (const char *options : {"", "--level album"}) {
      ToolRun run = RunTool(folder, std::string("--quiet --volume 100 ") + options +
                                        " --output-file '" + recorded + "' '" + file + "'");
      EXPECT_EQ(run.exitCode, 0) << run.output;
      const std::vector<double> heard = LeftChannel(recorded);
      if (decoded.empty()) {
        decoded = heard;
        continue;
      }
      ASSERT_EQ(heard.size(), decoded.size()) << file;
      double cross = 0, power = 0;
      for (std::size_t i = 0; i < heard.size(); ++i) {
        cross += heard[i] * decoded[i];
        power += decoded[i] * decoded[i];
      }
      EXPECT_NEAR(cross / power, 0.5, 0.0025) << file;
    }
  }
  for (std::size_t i = 1; i < tagged.size(); ++i)
    EXPECT_NE(
        RunTool(folder, "--info " + Quoted(tagged[i])).output.find("Track gain: -6.02 dB (tag)"),
        std::string::npos)
        << tagged[i];
  const std::string info = RunTool(folder, "--info " + Quoted(quiet)).output;
  EXPECT_NE(info.find("Track gain: -6.02 dB (tag)"), std::string::npos) << info;
  EXPECT_NE(info.find("Album gain: -12.04 dB (tag)"), std::string::npos) << info;
  // --preamp alone, and a mode the engine does not have, are refused.
  EXPECT_EQ(RunTool(folder, "--preamp 3 '" + plain + "'").exitCode, 2);
  EXPECT_EQ(RunTool(folder, "--level loud '" + plain + "'").exitCode, 2);
}

#endif
