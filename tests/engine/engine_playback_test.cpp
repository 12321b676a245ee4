// The engine as a host sees it: real files played through the public
// interface, with the notifications arriving only while the host pumps
// its messages.
#include "control_client.h"
#include "engine_host.h"

#include <atlbase.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <numeric>
#include <set>
#include <vector>

namespace {

using namespace engine_host;

// Stops playback and lets the notifications it queued arrive, so that the
// next phase of a test hears only its own.
void StopAndForget(CAudioPlayer *player) {
  received.clear();
  EXPECT_GE(player->Stop(), 0);
  EXPECT_TRUE(PumpUntil([] { return !IndexesHeard(CN_PlayStateChange, PS_Stopped).empty(); }, 0.5));
  received.clear();
}

bool HeardMediaError() {
  return HeardCode(CN_MediaError);
}

using EnginePlayback = EngineHost;

// Whole local files follow each other without a gap (the playbin is told
// the next one before the current one ends), and so do the tracks of a
// sheet over one file (the stream plays on from one into the next), yet
// the host hears, item by item, what it hears when each is opened after
// the other ended: the end names the item that ended, then the next one
// opens and plays.
TEST_F(EnginePlayback, PlaysAPlaylistToItsEndWithEachItemsNotificationsInOrder) {
  const std::string files[] = {folder.File("first.wav"), folder.File("second.flac"),
                               folder.File("third.wav")};
  for (const std::string &file : files) {
    const bool flac = file.ends_with(".flac");
    ASSERT_TRUE(test_media::MakeAudioFile(
        file, flac ? test_media::Kind::Flac : test_media::Kind::Wav, 0.4));
    ASSERT_GE(player->AppendMusic(Text(file).c_str()), 0);
  }
  ASSERT_TRUE(test_media::MakeAudioFile(folder.File("album.wav"), test_media::Kind::Wav, 1.2));
  test_support::WriteFile(folder.File("album.cue"),
                          "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                          "  TRACK 02 AUDIO\n    INDEX 01 00:00:30\n"
                          "  TRACK 03 AUDIO\n    INDEX 01 00:00:60\n");
  std::vector<Notification> expected;
  for (long index = 0; index < 3; ++index) {
    expected.insert(expected.end(), {{CN_PlayStateChange, PS_Transitioning, index},
                                     {CN_OpenStateChange, 8, index},
                                     {CN_OpenStateChange, 12, index},
                                     {CN_OpenStateChange, 13, index},
                                     {CN_PlayStateChange, PS_Playing, index},
                                     {CN_PlayStateChange, PS_MediaEnded, index}});
  }
  expected.push_back({CN_PlayStateChange, PS_Stopped, 2});

  for (const char *list : {"files", "sheet"}) {
    if (std::string(list) == "sheet") {
      ASSERT_GE(player->SetCurPlaylist(Text(folder.File("album.cue")).c_str()), 0);
      DispatchWaiting(); // the playlist's change
      received.clear();
    }
    ASSERT_GE(player->Play(), 0);
    // Nothing reaches the host until it pumps its messages.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(received.empty()) << list;
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 3)) << list;
    std::vector<Notification> states;
    for (const Notification &n : received)
      if (std::get<0>(n) == CN_PlayStateChange || std::get<0>(n) == CN_OpenStateChange)
        states.push_back(n);
    EXPECT_EQ(states, expected) << list;
  }
}

TEST_F(EnginePlayback, PositionVolumeAndSeekingFollowTheHost) {
  const std::string tone = folder.File("tone.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(tone, test_media::Kind::Wav, 2.0));
  ASSERT_GE(player->PlaySingleFile(Text(tone).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 0); }, 1));

  EXPECT_GE(player->SetVol(30), 0);
  long volume = -1;
  EXPECT_GE(player->GetVol(&volume), 0);
  EXPECT_EQ(volume, 30);

  EXPECT_GE(player->SetPos(1.5), 0);
  EXPECT_LT(player->SetPos(60), 0); // past the item's duration
  double position = -1;
  PumpUntil([&] { return player->GetPos(&position) >= 0 && position >= 1.5; }, 0.5);
  EXPECT_GE(position, 1.5);
  EXPECT_LE(position, 2.1);

  PlayState state = PS_Undefined;
  EXPECT_GE(player->Pause(), 0);
  PumpUntil([&] { return player->GetPlayState(&state) >= 0 && state == PS_Paused; }, 0.5);
  EXPECT_EQ(state, PS_Paused);

  // Paused, the position stands still; resumed, it goes on from there.
  double paused = -1, later = -1;
  EXPECT_GE(player->GetPos(&paused), 0);
  PumpFor(0.3);
  EXPECT_GE(player->GetPos(&later), 0);
  EXPECT_NEAR(later, paused, 0.02);
  received.clear();
  EXPECT_GE(player->Resume(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 0); }, 0.5));
  double resumed = -1;
  EXPECT_GE(player->GetPos(&resumed), 0);
  EXPECT_GE(resumed, paused - 0.02) << "resumed from where it paused, not from the start";
  PumpUntil([&] { return player->GetPos(&later) >= 0 && later > paused + 0.1; }, 0.5);
  EXPECT_GT(later, paused + 0.1);
  EXPECT_GE(player->Stop(), 0);
}

// The position and the wall clock read together: retried while the thread
// was held up between the two readings, so that load cannot skew them.
std::pair<double, double> PositionAndTime(CAudioPlayer *player) {
  using Clock = std::chrono::steady_clock;
  for (;;) {
    const auto before = Clock::now();
    double position = -1;
    EXPECT_GE(player->GetPos(&position), 0);
    const auto after = Clock::now();
    if (after - before < std::chrono::milliseconds(10))
      return {position, std::chrono::duration<double>(after.time_since_epoch()).count()};
  }
}

// The rate changes while the item plays, there and back: from each change
// on the position moves that many times as fast as the clock, the item
// playing on without an error.
TEST_F(EnginePlayback, TheRateScalesHowFastThePositionMoves) {
  const std::string tone = folder.File("tone.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(tone, test_media::Kind::Wav, 10.0));
  ASSERT_GE(player->PlaySingleFile(Text(tone).c_str()), 0);
  double position = 0;
  ASSERT_TRUE(PumpUntil([&] { return player->GetPos(&position) >= 0 && position > 0.2; }, 1));
  for (double rate : {2.0, 1.0}) {
    ASSERT_GE(player->SetRate(rate), 0);
    const double changed = PositionAndTime(player).first;
    ASSERT_TRUE(
        PumpUntil([&] { return player->GetPos(&position) >= 0 && position > changed + 0.2; }, 1));
    const auto [from, began] = PositionAndTime(player);
    PumpUntil([&, from = from] { return player->GetPos(&position) >= 0 && position > from + 1.5; },
              2);
    const auto [to, ended] = PositionAndTime(player);
    ASSERT_LT(to, 9.9) << "still playing";
    EXPECT_NEAR((to - from) / (ended - began), rate, 0.3) << rate;
  }
  EXPECT_FALSE(HeardMediaError());
  EXPECT_FALSE(HeardCode(CN_Error));
}

// A seek slider or arrow keys: each seek is relative to the position the
// one before set, with no message pumped in between.
TEST_F(EnginePlayback, GetPosReportsTheSeekJustMadeSoThatRelativeSeeksAddUp) {
  const std::string tone = folder.File("long.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(tone, test_media::Kind::Wav, 12.0));
  ASSERT_GE(player->PlaySingleFile(Text(tone).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 0); }, 1));

  double position = -1;
  ASSERT_GE(player->SetPos(2), 0);
  ASSERT_GE(player->GetPos(&position), 0);
  EXPECT_DOUBLE_EQ(position, 2);
  for (int step = 0; step < 2; ++step) {
    ASSERT_GE(player->GetPos(&position), 0);
    ASSERT_GE(player->SetPos(position + 4), 0);
  }
  const auto sought = std::chrono::steady_clock::now();
  ASSERT_GE(player->GetPos(&position), 0);
  EXPECT_DOUBLE_EQ(position, 10);
  PlayState state = PS_Undefined;
  EXPECT_GE(player->GetPlayState(&state), 0);
  EXPECT_EQ(state, PS_Playing) << "still playing while the seeks complete";
  // Once the pipeline is there, the position moves on from the target: by
  // no more than the time that has passed since the seeks.
  PumpUntil([&] { return player->GetPos(&position) >= 0 && position > 10.05; }, 0.5);
  const double since =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - sought).count();
  EXPECT_GT(position, 10.05);
  EXPECT_LT(position, 10.2 + since);
}

// The indexes of the items heard playing, in order.
std::vector<long> PlayedIndexes() {
  return IndexesHeard(CN_PlayStateChange, PS_Playing);
}

TEST_F(EnginePlayback, LoopStartsAgainAndShuffleVisitsEveryItemBeforeRepeating) {
  for (const char *name : {"a.wav", "b.wav", "c.wav"}) {
    ASSERT_TRUE(test_media::MakeAudioFile(folder.File(name), test_media::Kind::Wav, 0.3));
    ASSERT_GE(player->AppendMusic(Text(folder.File(name)).c_str()), 0);
  }
  int loop = 0, shuffle = 1;
  EXPECT_GE(player->SetLoop(1), 0);
  EXPECT_GE(player->GetLoop(&loop), 0);
  EXPECT_EQ(loop, 1);

  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return PlayedIndexes().size() >= 4; }, 2));
  EXPECT_EQ(PlayedIndexes(), (std::vector<long>{0, 1, 2, 0})) << "in order, then from the top";
  StopAndForget(player);

  EXPECT_GE(player->SetShuffle(1), 0);
  EXPECT_GE(player->GetShuffle(&shuffle), 0);
  EXPECT_EQ(shuffle, 1);
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return PlayedIndexes().size() >= 3; }, 2));
  std::vector<long> first = PlayedIndexes();
  first.resize(3);
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, (std::vector<long>{0, 1, 2})) << "every item once before any repeats";
  StopAndForget(player);

  // Without loop, playback stops after the last item instead of starting over.
  EXPECT_GE(player->SetShuffle(0), 0);
  EXPECT_GE(player->SetLoop(0), 0);
  ASSERT_GE(player->PlaylistIndex(2), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 1));
  EXPECT_EQ(PlayedIndexes(), (std::vector<long>{2}));
}

// A file of random bytes after one that played fails alone: the item
// after it plays, in every one of many runs (the errors of its pipeline
// once stuck to the next items and failed them too, in most runs).
TEST_F(EnginePlayback, AnUndecodableFileFailsAloneAndTheItemsAfterItPlay) {
  const std::string corrupt = folder.File("corrupt.mp3");
  std::string noise(50000, '\0');
  unsigned state = 12345;
  for (char &byte : noise)
    byte = char((state = state * 1103515245u + 12345u) >> 16);
  test_support::WriteFile(corrupt, noise);
  const std::string first = folder.File("first.wav"), second = folder.File("second.wav");
  ASSERT_TRUE(test_media::MakeAudioFile(first, test_media::Kind::Wav, 0.1));
  ASSERT_TRUE(test_media::MakeAudioFile(second, test_media::Kind::Wav, 0.1));
  for (int run = 0; run < 20; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_GE(player->ClearAllMusic(), 0);
    for (const std::string &path : {first, corrupt, second})
      ASSERT_GE(player->AppendMusic(Text(path).c_str()), 0);
    received.clear();
    ASSERT_GE(player->Play(), 0);
    ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, 2); }, 1));
    EXPECT_EQ(IndexesHeard(CN_MediaError), std::vector<long>{1}); // once, for its own item
    EXPECT_EQ(PlayedIndexes(), (std::vector<long>{0, 2}));
  }
}

// Opening a FIFO waits for a writer that never comes: the engine never
// opens one, whether it stands in a playlist or alone.
TEST_F(EnginePlayback, AFifoRaisesItsMediaErrorAndTheNextItemPlays) {
  const std::string fifo = folder.File("pipe.wav"), good = folder.File("good.wav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_TRUE(test_media::MakeAudioFile(good, test_media::Kind::Wav, 0.3));
  ASSERT_GE(player->AppendMusic(Text(fifo).c_str()), 0);
  ASSERT_GE(player->AppendMusic(Text(good).c_str()), 0);
  ASSERT_GE(player->Play(), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Playing, 1); }, 1))
      << "the item after the FIFO plays";
  EXPECT_TRUE(HeardMediaError());
  StopAndForget(player);

  ASSERT_GE(player->PlaySingleFile(Text(fifo).c_str()), 0);
  ASSERT_TRUE(PumpUntil(HeardMediaError, 1));
  PlayState state = PS_Undefined;
  EXPECT_GE(player->GetPlayState(&state), 0);
  EXPECT_NE(state, PS_Playing);
}

// A playlist file naming `count` files that do not exist.
std::string MissingFilesPlaylist(const test_support::TempFolder &folder, long count) {
  const std::string list = folder.File("missing-" + std::to_string(count) + ".m3u");
  std::ofstream out(list);
  for (long i = 0; i < count; ++i)
    out << folder.File("gone-" + std::to_string(i) + ".mp3") << '\n';
  return list;
}

// Missing files fail at once, one media error each, without a pipeline or
// the open states of an item being loaded; with loop on, a pass in which
// nothing played ends playback. The control is watched directly here: the
// player's notification path adds its own walk of the playlist per event.
TEST_F(EnginePlayback, ARunOfMissingFilesEndsWithOneMediaErrorEachAndNothingElsePerItem) {
  constexpr long kItems = 20000;
  control_client::Control control;
  ASSERT_TRUE(control.Make());
  ASSERT_GE(control.settings->setMode(CComBSTR(u"loop"), VARIANT_TRUE), 0);
  const std::string list = MissingFilesPlaylist(folder, kItems);
  control.log.events.clear();
  ASSERT_GE(control.player->put_URL(CComBSTR(Wide(list).c_str())), 0);
  std::function<bool()> stopped = [&] {
    WMPPlayState state = wmppsUndefined;
    control.player->get_playState(&state);
    return state == wmppsStopped && control.log.Count(DISPID_WMPCOREEVENT_MEDIAERROR) > 0;
  };
  ASSERT_TRUE(PumpUntil(stopped, 12)) << control.log.Count(DISPID_WMPCOREEVENT_MEDIAERROR);
  PumpFor(0.1); // nothing more comes

  std::set<std::u16string> failed;
  for (const control_client::HeardEvent &event : control.log.events)
    if (event.id == DISPID_WMPCOREEVENT_MEDIAERROR) {
      EXPECT_TRUE(failed.insert(event.mediaUrl).second) << "one media error per item";
    }
  EXPECT_EQ(long(failed.size()), kItems);
  EXPECT_EQ(control.log.Count(DISPID_WMPCOREEVENT_OPENSTATECHANGE, wmposMediaOpening), 0);
  EXPECT_EQ(control.log.Count(DISPID_WMPCOREEVENT_PLAYSTATECHANGE, wmppsStopped), 1);
  // Per item: it becomes current, and it fails. A few more for the playlist.
  EXPECT_LE(long(control.log.events.size()), 2 * kItems + 10);

  // Through the player, each failed item is reported once at its own index.
  constexpr long kReported = 500;
  ASSERT_GE(player->SetLoop(1), 0);
  received.clear();
  ASSERT_GE(player->PlayPlaylist(Text(MissingFilesPlaylist(folder, kReported)).c_str()), 0);
  ASSERT_TRUE(PumpUntil([] { return Received(CN_PlayStateChange, PS_Stopped, kReported - 1); }, 6));
  std::vector<long> each(kReported);
  std::iota(each.begin(), each.end(), 0L);
  EXPECT_EQ(IndexesHeard(CN_MediaError), each);
  EXPECT_EQ(PlayedIndexes(), std::vector<long>{});
}

} // namespace
