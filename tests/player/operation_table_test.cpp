// The back end's operations as one table: per operation, what it answers
// with each of the control calls it makes failing in turn (one call at a
// time, leaking nothing, making no call after it but where the rule allows,
// and working again once the control does), and what it answers before the
// player is created. Creation and teardown are swept the same way.
#include "engine/generated_media.h"
#include "player/wmp9_audio_player.h"
#include "support/proxied_player.h"
#include "engine/disc_image.h"

#include <atlbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using control_proxy::Answer;
using test_support::kRefused;
using test_support::Notification;
using test_support::Text;
using Methods = std::vector<std::string>;

// What an operation answers when one of its calls fails.
enum class Outcome {
  Passed,      // the failing status (E_FAIL for a missing object): the rule
  Fixed,       // a status of its own
  Unchanged,   // what it answers when nothing fails: the failure is ignored
  LastDecides, // each call's status replaces the one before: Passed for the last call
  Open,        // left to the implementation
};
// What it does after the failing call.
enum class After {
  Stops,  // nothing: the rule
  GoesOn, // its later calls, or some of them
  Undoes, // only the removal of the saved playlist it had made
};
enum Answers { kFailures = 1, kNull = 2, kAny = kFailures | kNull };

// An exception to the rule for the calls of one method (all of them, or its
// n-th), for failures, a missing object, or both.
struct Rule {
  std::string method; // "*" for any call
  std::size_t occurrence;
  Outcome outcome;
  HRESULT fixed;
  After after;
  int answers;
};

Rule Ignored(std::string method, std::size_t occurrence = 0) {
  return {std::move(method), occurrence, Outcome::Unchanged, S_OK, After::GoesOn, kAny};
}
Rule Gives(std::string method, HRESULT status, int answers = kAny) {
  return {std::move(method), 0, Outcome::Fixed, status, After::Stops, answers};
}
// A search that goes on past the failing call and finds nothing.
Rule FindsNothing(std::string method, std::size_t occurrence, HRESULT status) {
  return {std::move(method), occurrence, Outcome::Fixed, status, After::GoesOn, kAny};
}
Rule LastCounts(std::string method) {
  return {std::move(method), 0, Outcome::LastDecides, S_OK, After::GoesOn, kAny};
}
Rule PassedAfterUndo(std::string method) {
  return {std::move(method), 0, Outcome::Passed, S_OK, After::Undoes, kAny};
}
Rule PassedAfterFinishing(std::string method) {
  return {std::move(method), 0, Outcome::Passed, S_OK, After::GoesOn, kAny};
}
Rule LeftOpen(std::string method) {
  return {std::move(method), 0, Outcome::Open, S_OK, After::GoesOn, kAny};
}

// One row of the table: an operation, the exceptions to the failure rule,
// and what it answers on a player that is not created, where it must not
// ask the control anything (none: it asks, and answers as a created player
// would).
struct Operation {
  const char *name;
  std::function<long(CAudioPlayer &)> run;
  std::vector<Rule> rules;
  std::optional<long> uncreated = E_FAIL;
  std::function<void(CAudioPlayer &)> arrange = nullptr; // beyond the common set-up
  // The calls in the order the host relies on, where it does: a read of the
  // record stops at the first failure and leaves the fields before it.
  Methods order = {};
};

struct Expected {
  std::optional<long> status; // none: left open
  After after;
};

// The failures every call is made to answer, and the missing object for
// the calls that hand one back.
const HRESULT kFailingStatuses[] = {E_FAIL, HRESULT(0xC00D1199), HRESULT(0x80040201),
                                    E_OUTOFMEMORY};
const std::set<std::string> kObjectGetters = {
    "IClassFactory.CreateInstance",     "IConnectionPointContainer.FindConnectionPoint",
    "IWMPPlayer4.get_controls",         "IWMPPlayer4.get_settings",
    "IWMPPlayer4.get_mediaCollection",  "IWMPPlayer4.get_playlistCollection",
    "IWMPPlayer4.get_cdromCollection",  "IWMPPlayer4.get_currentPlaylist",
    "IWMPPlayer4.newPlaylist",          "IWMPPlayer4.newMedia",
    "IWMPControls.currentItem",         "IWMPPlaylist.get_Item",
    "IWMPMediaCollection.add",          "IWMPPlaylistCollection.getAll",
    "IWMPPlaylistCollection.getByName", "IWMPPlaylistCollection.newPlaylist",
    "IWMPPlaylistArray.item",           "IWMPCdromCollection.getByDriveSpecifier",
    "IWMPCdrom.get_Playlist",
};

std::vector<Answer> AnswersFor(const std::string &method) {
  std::vector<Answer> answers;
  for (HRESULT status : kFailingStatuses)
    answers.push_back({status, false});
  if (kObjectGetters.count(method))
    answers.push_back({S_OK, true});
  return answers;
}

Expected Expect(const std::vector<Rule> &rules, const Methods &made, std::size_t failing,
                std::size_t occurrence, Answer answer, long unfailed) {
  long passed = answer.null ? E_FAIL : answer.status;
  for (const Rule &rule : rules) {
    if ((rule.method != "*" && rule.method != made[failing]) ||
        (rule.occurrence != 0 && rule.occurrence != occurrence) ||
        !(rule.answers & (answer.null ? kNull : kFailures)))
      continue;
    switch (rule.outcome) {
    case Outcome::Passed:
      return {passed, rule.after};
    case Outcome::Fixed:
      return {rule.fixed, rule.after};
    case Outcome::Unchanged:
      return {unfailed, rule.after};
    case Outcome::LastDecides:
      return {failing + 1 == made.size() ? passed : unfailed, rule.after};
    case Outcome::Open:
      return {std::nullopt, rule.after};
    }
  }
  return {passed, After::Stops};
}

std::string Hex(long status) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", unsigned(status));
  return buffer;
}

constexpr std::uint32_t kEveryAttribute = 0x1FFFFF;
constexpr std::uint32_t kWrittenAttributes = 0x177; // the seven a playlist item takes
// What the operations that answer no status give for "nothing": no
// notification heard, no rate support.
constexpr long kNothing = S_FALSE;

class OperationTable : public ProxiedPlayer {
protected:
  // Media, a CD image and a playlist file in the test's folder, made once.
  void SetUp() override {
    ProxiedPlayer::SetUp();
    ASSERT_TRUE(test_media::MakeAudioFile(folder.File("a.wav"), test_media::Kind::Wav, 0.2));
    for (const char *name : {"b.wav", "c.wav", "x.wav", "y.wav", "m1.wav", "new.wav", "song.wav"})
      std::filesystem::copy_file(folder.File("a.wav"), folder.File(name));
    disc = test_media::MakeDiscImage(folder, "disc", {{10, "One"}, {10, "Two"}});
    test_support::WriteFile(folder.File("mix.m3u"), "m1.wav\n");
  }

  // A new player over a new library holding a saved playlist of two items,
  // with a current playlist of three items (the second current); then the
  // operation's own set-up.
  bool Arrange(const Operation &operation) {
    DestroyPlayer();
    control.Forget();
    for (const char *file :
         {"library.db", "library.db-wal", "library.db-shm", "library.db-journal"})
      std::filesystem::remove(folder.File(file));
    if (CreatePlayer() != S_OK)
      return false;
    for (const char *name : {"x.wav", "y.wav"})
      EXPECT_EQ(player->AppendMusic(Text(Path(name)).c_str()), S_OK);
    EXPECT_EQ(player->SaveCurPlaylist(Text(u"saved").c_str()), S_OK);
    EXPECT_EQ(player->ClearAllMusic(), S_OK);
    for (const char *name : {"a.wav", "b.wav", "c.wav"})
      EXPECT_EQ(player->AppendMusic(Text(Path(name)).c_str()), S_OK);
    EXPECT_EQ(player->SetPlayListIndex(1), S_OK);
    if (operation.arrange)
      operation.arrange(*player);
    control.ClearCalls();
    notifications.received.clear();
    return true;
  }

  // An answer for one call: the `occurrence`-th of `method`.
  void AnswerOne(const std::string &method, std::size_t occurrence, Answer answer) {
    control.Forget();
    control.Answer(method, occurrence, answer);
  }

  // The player with its protected creation step in reach.
  struct BackEndPlayer : CWMP9AudioPlayer {
    using CWMP9AudioPlayer::CreatePlayer;
  };

  // A player whose creation failed at its very last control call: it holds
  // every interface of the control but is not created, so any call it made
  // to the control would be recorded.
  std::unique_ptr<BackEndPlayer> NearlyCreatedPlayer() {
    control.Answer("IWMPPlayer4.put_stretchToFit", 0, {kRefused});
    auto idle = std::make_unique<BackEndPlayer>();
    RECT rect{0, 0, 320, 240};
    EXPECT_EQ(idle->CreatePlayer(nullptr, nullptr, &rect, nullptr, 0, 0,
                                 &test_support::RecordNotification, 1),
              kRefused);
    control.Forget();
    control.ClearCalls();
    return idle;
  }

  void ExpectNothingAlive(const std::string &where) {
    EXPECT_EQ(control_proxy::LiveProxies(), 0) << where;
    EXPECT_EQ(engine::LiveObjects(), 0) << where;
  }

  // What the host heard of one notification operation: S_OK for `wanted`
  // alone, kNothing for nothing.
  long Heard(const Notification &wanted) {
    std::vector<Notification> heard = test_support::TakeReceived(notifications);
    if (heard.empty())
      return kNothing;
    return heard == std::vector<Notification>{wanted} ? S_OK : E_UNEXPECTED;
  }

  // Runs `operation` once on its set-up with the `occurrence`-th call of
  // `made[failing]` giving `answer`, then checks the answer, the calls made,
  // the player's recovery and that nothing was left alive.
  void RunCase(const Operation &operation, const Methods &made, long unfailed, std::size_t failing,
               std::size_t occurrence, Answer answer, const Expected &expected) {
    std::string where = std::string(operation.name) + ", call " + std::to_string(failing + 1) +
                        " (" + made[failing] + " #" + std::to_string(occurrence) + ") answering " +
                        answer.Shown();
    if (!Arrange(operation)) {
      ADD_FAILURE() << where << ": no player";
      return;
    }
    AnswerOne(made[failing], occurrence, answer);
    long status = operation.run(*player);
    if (expected.status) {
      EXPECT_EQ(Hex(status), Hex(*expected.status)) << where << "\n" << control.Log();
    }
    Methods calls = control.Methods();
    Methods before(made.begin(), made.begin() + long(failing) + 1);
    if (expected.after == After::Stops) {
      EXPECT_EQ(calls, before) << where << ": the calls after the failing one";
    } else if (expected.after == After::Undoes) {
      before.push_back("IWMPPlaylistCollection.remove");
      EXPECT_EQ(calls, before) << where << ": the undo";
    } else {
      EXPECT_TRUE(calls.size() >= before.size() &&
                  std::equal(before.begin(), before.end(), calls.begin()))
          << where << ": the calls up to the failing one\n"
          << control.Log();
    }

    control.Forget();
    EXPECT_EQ(Hex(operation.run(*player)), Hex(unfailed)) << where << ": again, unfailed";
    long count = -1;
    EXPECT_GE(player->GetCurPlaylistCount(&count), 0) << where << ": counting afterwards";
    DestroyPlayer();
    ExpectNothingAlive(where);
  }

  // The operation unfailed: its answer and the calls it makes.
  bool Unfailed(const Operation &operation, long &status, Methods &made) {
    if (!Arrange(operation))
      return false;
    status = operation.run(*player);
    made = control.Methods();
    return true;
  }

  std::vector<Operation> Operations();

  std::string disc;
  std::u16string listFile = Path("list.m3u");
};

std::vector<Operation> OperationTable::Operations() {
  // A flag getter's answer; E_UNEXPECTED when it read anything but the
  // control's false, or wrote the flag although the read failed.
  auto flag = [](CAudioPlayer &p, long (CAudioPlayer::*get)(int *)) {
    int value = 7;
    long status = (p.*get)(&value);
    return value != (SUCCEEDED(status) ? 0 : 7) ? E_UNEXPECTED : status;
  };
  // A number getter's answer; E_UNEXPECTED when a success read other than
  // `expected`.
  auto reads = []<class T>(long (CAudioPlayer::*get)(T *), T expected) {
    return [get, expected](CAudioPlayer &p) {
      T value{};
      long status = (p.*get)(&value);
      return SUCCEEDED(status) && value != expected ? E_UNEXPECTED : status;
    };
  };
  const Notification playing{kCookie, CN_PlayStateChange, PS_Playing, 1};
  const Notification opened{kCookie, CN_OpenStateChange, 13, 1};
  // The identity test runs item by item up to the current item, the second:
  // a failure at the first is no match there, at the second no match at all.
  // So is an entry the control gives as nothing; one it fails to give ends
  // the search with its status.
  auto onlyNull = [](Rule rule) {
    rule.answers = kNull;
    return rule;
  };
  const std::vector<Rule> search = {Ignored("IWMPMedia.get_isIdentical", 1),
                                    FindsNothing("IWMPMedia.get_isIdentical", 2, E_FAIL),
                                    onlyNull(Ignored("IWMPPlaylist.get_Item", 1)),
                                    onlyNull(FindsNothing("IWMPPlaylist.get_Item", 2, E_FAIL))};
  auto silentSearch = [&search] {
    std::vector<Rule> rules = search;
    for (Rule &rule : rules)
      if (rule.outcome == Outcome::Fixed)
        rule.fixed = kNothing;
    // An event whose item's index cannot be found is not news to the host.
    rules.push_back(Gives("*", kNothing));
    return rules;
  };

  return {
      {"GetMusicInfo",
       [this](CAudioPlayer &p) {
         tagMediaInfo info{};
         info.dwMask = kEveryAttribute;
         return p.GetMusicInfo(Text(Path("song.wav")).c_str(), &info);
       },
       {},
       E_FAIL,
       nullptr,
       {"IWMPMediaCollection.add(song.wav)", "IWMPMedia.getItemInfo(Title)",
        "IWMPMedia.getItemInfo(Album)", "IWMPMedia.getItemInfo(Author)",
        "IWMPMedia.getItemInfo(AlbumArtist)", "IWMPMedia.get_duration()",
        "IWMPMedia.getItemInfo(SourceURL)", "IWMPMedia.getItemInfo(WM/Genre)",
        "IWMPMedia.getItemInfo(WM/Composer)"}},
      {"SetMusicInfo",
       [this](CAudioPlayer &p) {
         return p.SetMusicInfo(Text(Path("song.wav")).c_str(), Text(u"New").c_str(), INFO_TITLE);
       },
       {}},
      // An attribute it does not write: the library's answer is all there is.
      {"SetMusicInfo, source URL",
       [this](CAudioPlayer &p) {
         return p.SetMusicInfo(Text(Path("song.wav")).c_str(), Text(u"New").c_str(),
                               INFO_SOURCEURL);
       },
       {Gives("IWMPMediaCollection.add", S_OK, kNull)}},
      {"PlaySingleFile",
       [this](CAudioPlayer &p) { return p.PlaySingleFile(Text(Path("new.wav")).c_str()); },
       {Ignored("IWMPPlaylist.get_count"), Ignored("IWMPMediaCollection.add")}},
      {"Play", [this](CAudioPlayer &p) { return p.Play(); }, {}},
      {"Pause", [this](CAudioPlayer &p) { return p.Pause(); }, {}},
      {"Resume", [this](CAudioPlayer &p) { return p.Resume(); }, {}},
      {"Stop", [this](CAudioPlayer &p) { return p.Stop(); }, {}},
      {"GotoBegin", [this](CAudioPlayer &p) { return p.GotoBegin(); }, {}},
      {"GotoEnd", [this](CAudioPlayer &p) { return p.GotoEnd(); }, {}},
      {"NextTrack", [this](CAudioPlayer &p) { return p.NextTrack(); }, {}},
      {"PrevTrack", [this](CAudioPlayer &p) { return p.PrevTrack(); }, {}},
      {"GetPos", reads(&CAudioPlayer::GetPos, 0.0), {}},
      {"SetPos",
       [this](CAudioPlayer &p) { return p.SetPos(0.1); },
       {Gives("IWMPControls.currentItem", E_FAIL), LeftOpen("IWMPMedia.get_duration")}},
      {"GetPlayState",
       [this](CAudioPlayer &p) {
         PlayState state = PS_Last; // left alone on failure
         long status = p.GetPlayState(&state);
         return state != (SUCCEEDED(status) ? PS_Undefined : PS_Last) ? E_UNEXPECTED : status;
       },
       {Gives("IWMPPlayer4.get_playState", E_FAIL)}},
      {"SetVol", [this](CAudioPlayer &p) { return p.SetVol(-7); }, {}},
      {"GetVol", reads(&CAudioPlayer::GetVol, 50L), {}},
      {"SetMute", [this](CAudioPlayer &p) { return p.SetMute(1); }, {}},
      {"GetMute", [flag](CAudioPlayer &p) { return flag(p, &CAudioPlayer::GetMute); }, {}},
      {"SetVisFullSrc", [this](CAudioPlayer &p) { return p.SetVisFullSrc(1); }, {}},
      {"GetVisFullSrc",
       [flag](CAudioPlayer &p) { return flag(p, &CAudioPlayer::GetVisFullSrc); },
       {}},
      {"EnableVis", [this](CAudioPlayer &p) { return p.EnableVis(1); }, {}},
      {"EnableErrorDialogs", [this](CAudioPlayer &p) { return p.EnableErrorDialogs(1); }, {}},
      // -1 when the rate can change, 0 for any failure: told apart here as
      // S_OK and kNothing.
      {"IsSupportSetRate",
       [this](CAudioPlayer &p) {
         int supported = p.IsSupportSetRate();
         return supported == -1 ? S_OK : supported == 0 ? kNothing : E_UNEXPECTED;
       },
       {Gives("IWMPSettings.get_isAvailable", kNothing)},
       std::nullopt},
      {"SetRate",
       [this](CAudioPlayer &p) { return p.SetRate(1.5); },
       {Gives("IWMPSettings.get_isAvailable", E_FAIL)},
       std::nullopt},
      {"SetLoop", [this](CAudioPlayer &p) { return p.SetLoop(1); }, {}},
      {"GetLoop", [flag](CAudioPlayer &p) { return flag(p, &CAudioPlayer::GetLoop); }, {}},
      {"SetShuffle", [this](CAudioPlayer &p) { return p.SetShuffle(1); }, {}},
      {"GetShuffle", [flag](CAudioPlayer &p) { return flag(p, &CAudioPlayer::GetShuffle); }, {}},
      {"PlayPlaylist",
       [this](CAudioPlayer &p) { return p.PlayPlaylist(Text(Path("mix.m3u")).c_str()); },
       {}},
      {"SetCurPlaylist",
       [this](CAudioPlayer &p) { return p.SetCurPlaylist(Text(Path("mix.m3u")).c_str()); },
       {}},
      {"AppendMusic",
       [this](CAudioPlayer &p) { return p.AppendMusic(Text(Path("new.wav")).c_str()); },
       {Ignored("IWMPPlaylist.get_count")}},
      {"AppendMusic to an empty playlist",
       [this](CAudioPlayer &p) { return p.AppendMusic(Text(Path("new.wav")).c_str()); },
       {Ignored("IWMPPlaylist.get_count"), Ignored("IWMPMediaCollection.add")},
       E_FAIL,
       [this](CAudioPlayer &p) { p.ClearAllMusic(); }},
      {"InsertMusic",
       [this](CAudioPlayer &p) { return p.InsertMusic(Text(Path("new.wav")).c_str(), 1); },
       {}},
      {"RemoveMusic", [this](CAudioPlayer &p) { return p.RemoveMusic(1); }, {}},
      {"MoveMusic", [this](CAudioPlayer &p) { return p.MoveMusic(0, 2); }, {}},
      {"ClearAllMusic", [this](CAudioPlayer &p) { return p.ClearAllMusic(); }, {}},
      {"ClearAllMusic after a CD",
       [this](CAudioPlayer &p) { return p.ClearAllMusic(); },
       {},
       E_FAIL,
       [this](CAudioPlayer &p) { p.SetCdromToCurPlaylist(Text(disc).c_str()); }},
      {"GetCurPlaylistMusicInfo",
       [this](CAudioPlayer &p) {
         tagMediaInfo info{};
         info.dwMask = kEveryAttribute;
         return p.GetCurPlaylistMusicInfo(1, &info);
       },
       {LastCounts("IWMPMedia.getItemInfo"), LastCounts("IWMPMedia.get_duration"),
        LastCounts("IWMPMedia.get_imageSourceWidth"),
        LastCounts("IWMPMedia.get_imageSourceHeight")},
       E_FAIL,
       nullptr,
       {"IWMPPlayer4.get_currentPlaylist()",
        "IWMPPlaylist.get_count()",
        "IWMPPlaylist.get_Item(1)",
        "IWMPMedia.getItemInfo(Name)",
        "IWMPMedia.getItemInfo(Album)",
        "IWMPMedia.getItemInfo(Author)",
        "IWMPMedia.getItemInfo(AlbumArtist)",
        "IWMPMedia.get_duration()",
        "IWMPMedia.get_imageSourceWidth()",
        "IWMPMedia.get_imageSourceHeight()",
        "IWMPMedia.getItemInfo(SourceURL)",
        "IWMPMedia.getItemInfo(WM/Genre)",
        "IWMPMedia.getItemInfo(WM/Composer)",
        "IWMPMedia.getItemInfo(TOC)",
        "IWMPMedia.getItemInfo(WMContentID)",
        "IWMPMedia.getItemInfo(FileType)",
        "IWMPMedia.getItemInfo(FourCC)",
        "IWMPMedia.getItemInfo(FormatTag)",
        "IWMPMedia.getItemInfo(VideoBitrate)",
        "IWMPMedia.getItemInfo(AudioBitrate)",
        "IWMPMedia.getItemInfo(Bitrate)",
        "IWMPMedia.getItemInfo(FrameRate)",
        "IWMPMedia.getItemInfo(Channels)"}},
      {"GetCurPlaylistMusicInfo, aspect ratio alone",
       [this](CAudioPlayer &p) {
         tagMediaInfo info{};
         info.dwMask = INFO_ASPECTRATIO;
         long status = p.GetCurPlaylistMusicInfo(1, &info);
         // 16:9, or nothing when a size could not be read.
         bool reduced = info.lAspectX == 16 && info.lAspectY == 9;
         return reduced || (info.lAspectX == 0 && info.lAspectY == 0) ? status : E_UNEXPECTED;
       },
       {LastCounts("IWMPMedia.get_imageSourceWidth"),
        LastCounts("IWMPMedia.get_imageSourceHeight")}},
      {"SetCurPlaylistMusicInfo",
       [this](CAudioPlayer &p) {
         tagMediaInfo info{};
         info.dwMask = kWrittenAttributes;
         info.szTitle[0] = info.szAlbum[0] = info.szAuthor[0] = info.szAlbumArtist[0] = 'x';
         info.szSourceURL[0] = info.szGenre[0] = info.szComposer[0] = 'x';
         return p.SetCurPlaylistMusicInfo(1, &info);
       },
       // No playlist or no item ends it with the getter's own success.
       {Gives("IWMPPlayer4.get_currentPlaylist", S_OK, kNull),
        Gives("IWMPPlaylist.get_Item", S_OK, kNull), LastCounts("IWMPMedia.setItemInfo")}},
      {"GetCurPlaylistCount", reads(&CAudioPlayer::GetCurPlaylistCount, 3L), {}},
      {"GetPlaylistNumByName",
       [this](CAudioPlayer &p) {
         long count = 0;
         long status = p.GetPlaylistNumByName(Text(u"saved").c_str(), &count);
         // -1 on every failure but the count's own, which writes what it will.
         bool counted =
             !control.Calls().empty() && control.Methods().back() == "IWMPPlaylistArray.get_count";
         return (SUCCEEDED(status) ? count != 1 : count != -1 && !counted) ? E_UNEXPECTED : status;
       },
       {}},
      {"GetPlaylistIndex",
       [this](CAudioPlayer &p) {
         long index = -2;
         long status = p.GetPlaylistIndex(&index);
         return (SUCCEEDED(status) ? index != 1 : index != -1) ? E_UNEXPECTED : status;
       },
       search},
      {"SaveCurPlaylist",
       [this](CAudioPlayer &p) { return p.SaveCurPlaylist(Text(u"mine").c_str()); },
       {PassedAfterUndo("IWMPPlaylist.get_count"), PassedAfterUndo("IWMPPlaylist.clear"),
        PassedAfterUndo("IWMPPlaylist.get_Item"), PassedAfterUndo("IWMPPlaylist.appendItem")}},
      {"UpdateCurPlaylistToFile",
       [this](CAudioPlayer &p) { return p.UpdateCurPlaylistToFile(Text(listFile).c_str()); },
       // An item the control cannot give, or whose URL it cannot, is left out.
       {Ignored("IWMPPlaylist.get_Item"), Ignored("IWMPMedia.get_sourceURL")}},
      {"PlaylistIndex", [this](CAudioPlayer &p) { return p.PlaylistIndex(2); }, {}},
      {"DeleteItemFromCollection",
       [this](CAudioPlayer &p) {
         return p.DeleteItemFromCollection(Text(Path("song.wav")).c_str());
       },
       {}},
      {"GetPLCollectionCount", reads(&CAudioPlayer::GetPLCollectionCount, 1L), {}},
      {"GetPLCollectionNamebyIndex",
       [this](CAudioPlayer &p) {
         unsigned short name[425];
         std::fill(std::begin(name), std::end(name), 0xAAAA); // untouched on failure
         long status = p.GetPLCollectionNamebyIndex(0, name);
         bool untouched = name[0] == 0xAAAA && name[424] == 0xAAAA;
         return (SUCCEEDED(status) ? Text(u"saved") != name : !untouched) ? E_UNEXPECTED : status;
       },
       {}},
      {"UpdatePlaylistbyIndex", [this](CAudioPlayer &p) { return p.UpdatePlaylistbyIndex(0); }, {}},
      {"SetCdromToCurPlaylist",
       [this](CAudioPlayer &p) { return p.SetCdromToCurPlaylist(Text(disc).c_str()); },
       {}},
      {"SetCdromToCurPlaylist again",
       [this](CAudioPlayer &p) { return p.SetCdromToCurPlaylist(Text(disc).c_str()); },
       {},
       E_FAIL,
       [this](CAudioPlayer &p) { p.SetCdromToCurPlaylist(Text(disc).c_str()); }},
      {"CallAudioProc(CN_PlayStateChange)",
       [this, playing](CAudioPlayer &p) {
         p.CallAudioProc(CN_PlayStateChange, PS_Playing, 99);
         return Heard(playing);
       },
       silentSearch(), kNothing},
      {"CallAudioProc(CN_OpenStateChange)",
       [this, opened](CAudioPlayer &p) {
         p.CallAudioProc(CN_OpenStateChange, 13, 0);
         return Heard(opened);
       },
       silentSearch(), kNothing},
      {"CallAudioProc(CN_MediaError), from the control's event",
       [this](CAudioPlayer &) {
         CComPtr<IWMPMedia> item = EngineItem(1);
         Raise([&](IWMPEvents *events) { events->MediaError(item); });
         const auto address = reinterpret_cast<std::uintptr_t>(static_cast<IWMPMedia *>(item));
         return Heard({kCookie, CN_MediaError, long(std::int32_t(std::uint32_t(address))), 1});
       },
       silentSearch(), kNothing},
      {"SetPlayListIndex", [this](CAudioPlayer &p) { return p.SetPlayListIndex(2); }, {}},
      {"PlayCurrent",
       [this](CAudioPlayer &p) { return p.PlayCurrent(); },
       // The position is read and put back whatever happens.
       {Ignored("IWMPControls.get_currentPosition"), Ignored("IWMPControls.put_currentPosition"),
        PassedAfterFinishing("IWMPControls.playItem")}},
  };
}

TEST_F(OperationTable, EveryOperationWithEachOfItsCallsFailingInTurn) {
  std::size_t cases = 0;
  std::size_t calls = 0;
  std::vector<Operation> operations = Operations();
  for (const Operation &operation : operations) {
    long unfailed = 0;
    Methods made;
    ASSERT_TRUE(Unfailed(operation, unfailed, made)) << operation.name;
    EXPECT_EQ(Hex(unfailed), Hex(S_OK)) << operation.name << " unfailed";
    if (!operation.order.empty()) {
      EXPECT_EQ(control.Calls(), operation.order) << operation.name;
    }
    calls += made.size();
    std::map<std::string, std::size_t> seen;
    for (std::size_t failing = 0; failing < made.size(); ++failing) {
      std::size_t occurrence = ++seen[made[failing]];
      for (Answer answer : AnswersFor(made[failing])) {
        Expected expected = Expect(operation.rules, made, failing, occurrence, answer, unfailed);
        RunCase(operation, made, unfailed, failing, occurrence, answer, expected);
        ++cases;
      }
    }
  }
  std::printf("[ fault injection ] %zu operations, %zu calls, %zu cases\n", operations.size(),
              calls, cases);
}

// A player that is not created refuses without asking the control, but
// for the rate, which it asks of the settings it already holds. One without
// even those, and the plain class whose bodies a back end overrides (a copy
// of it too), refuse everything, the rate included.
TEST_F(OperationTable, BeforeCreationTheControlIsNotAsked) {
  CWMP9AudioPlayer bare;
  CAudioPlayer plain, copy(plain);
  for (const Operation &operation : Operations()) {
    DestroyPlayer();
    auto idle = NearlyCreatedPlayer();
    long status = operation.run(*idle);
    EXPECT_EQ(Hex(status), Hex(operation.uncreated.value_or(S_OK))) << operation.name;
    EXPECT_EQ(control.Calls().empty(), operation.uncreated.has_value()) << operation.name;
    idle.reset();
    const bool asksTheRate = std::string(operation.name) == "IsSupportSetRate";
    // The plain class leaves out parameters alone, where the back end
    // writes -1 for an index it could not find.
    const bool writesMinusOne = std::string(operation.name) == "GetPlaylistNumByName" ||
                                std::string(operation.name) == "GetPlaylistIndex";
    for (CAudioPlayer *other : std::initializer_list<CAudioPlayer *>{&bare, &plain, &copy}) {
      if (other == &bare || !writesMinusOne) {
        EXPECT_EQ(Hex(operation.run(*other)),
                  Hex(operation.uncreated.value_or(asksTheRate ? kNothing : E_FAIL)))
            << operation.name;
      }
    }
  }
  long index = 0;
  EXPECT_EQ(plain.GetPlaylistIndex(&index), E_FAIL);
  EXPECT_EQ(plain.GetPlaylistNumByName(Text(u"saved").c_str(), &index), E_FAIL);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(plain.GetPlayWindow(), nullptr);
  EXPECT_EQ(plain.GetCurrentPlayerVer(), WV_None);
}

// The arguments each operation refuses before it asks the control anything:
// a missing or empty path, a missing out parameter, a position before the
// start (or not a number).
TEST_F(OperationTable, GuardsRefuseWithoutAskingTheControl) {
  using Path = const unsigned short *;
  tagMediaInfo info{};
  long number = 0;
  const std::vector<std::pair<const char *, std::function<long(CAudioPlayer &, Path)>>> paths = {
      {"PlaySingleFile", [](CAudioPlayer &p, Path path) { return p.PlaySingleFile(path); }},
      {"PlayPlaylist", [](CAudioPlayer &p, Path path) { return p.PlayPlaylist(path); }},
      {"SetCurPlaylist", [](CAudioPlayer &p, Path path) { return p.SetCurPlaylist(path); }},
      {"AppendMusic", [](CAudioPlayer &p, Path path) { return p.AppendMusic(path); }},
      {"InsertMusic", [](CAudioPlayer &p, Path path) { return p.InsertMusic(path, 0); }},
      {"SaveCurPlaylist", [](CAudioPlayer &p, Path path) { return p.SaveCurPlaylist(path); }},
      {"UpdateCurPlaylistToFile",
       [](CAudioPlayer &p, Path path) { return p.UpdateCurPlaylistToFile(path); }},
      {"DeleteItemFromCollection",
       [](CAudioPlayer &p, Path path) { return p.DeleteItemFromCollection(path); }},
      {"SetCdromToCurPlaylist",
       [](CAudioPlayer &p, Path path) { return p.SetCdromToCurPlaylist(path); }},
      {"GetMusicInfo", [&](CAudioPlayer &p, Path path) { return p.GetMusicInfo(path, &info); }},
      {"SetMusicInfo",
       [](CAudioPlayer &p, Path path) { return p.SetMusicInfo(path, path, INFO_TITLE); }},
      {"GetPlaylistNumByName",
       [&](CAudioPlayer &p, Path path) { return p.GetPlaylistNumByName(path, &number); }},
  };
  const auto song = Text(u"song.mp3");
  struct Guard {
    const char *name;
    std::function<long(CAudioPlayer &)> run;
    long status = E_FAIL;
  };
  const std::vector<Guard> others = {
      {"GetPos", [](CAudioPlayer &p) { return p.GetPos(nullptr); }},
      {"SetPos before the start", [](CAudioPlayer &p) { return p.SetPos(-0.5); }},
      {"SetPos NaN", [](CAudioPlayer &p) { return p.SetPos(std::nan("")); }},
      {"GetPlayState", [](CAudioPlayer &p) { return p.GetPlayState(nullptr); }},
      {"GetVol", [](CAudioPlayer &p) { return p.GetVol(nullptr); }},
      {"GetMute", [](CAudioPlayer &p) { return p.GetMute(nullptr); }},
      {"GetVisFullSrc", [](CAudioPlayer &p) { return p.GetVisFullSrc(nullptr); }},
      {"GetLoop", [](CAudioPlayer &p) { return p.GetLoop(nullptr); }},
      {"GetShuffle", [](CAudioPlayer &p) { return p.GetShuffle(nullptr); }},
      {"GetPlaylistIndex", [](CAudioPlayer &p) { return p.GetPlaylistIndex(nullptr); }},
      {"GetMusicInfo", [&](CAudioPlayer &p) { return p.GetMusicInfo(song.c_str(), nullptr); }},
      {"GetCurPlaylistMusicInfo",
       [](CAudioPlayer &p) { return p.GetCurPlaylistMusicInfo(0, nullptr); }},
      {"SetCurPlaylistMusicInfo",
       [](CAudioPlayer &p) { return p.SetCurPlaylistMusicInfo(0, nullptr); }, E_INVALIDARG},
  };
  ASSERT_TRUE(Arrange({}));
  const auto empty = Text(u"");
  for (const auto &[name, run] : paths) {
    for (Path path : {Path(nullptr), empty.c_str()}) {
      control.ClearCalls();
      EXPECT_EQ(Hex(run(*player, path)), Hex(E_FAIL)) << name << (path ? " \"\"" : " null");
      EXPECT_EQ(control.Calls(), Methods{}) << name;
    }
  }
  for (const Guard &guard : others) {
    control.ClearCalls();
    EXPECT_EQ(Hex(guard.run(*player)), Hex(guard.status)) << guard.name;
    EXPECT_EQ(control.Calls(), Methods{}) << guard.name;
  }
}

// Indexes into the current playlist of three items: the highest each
// operation lets through to the control (the count itself, where the
// control is left to refuse it), and its answer to one past that and to -1,
// given before the control is asked anything but the count.
TEST_F(OperationTable, IndexesOutsideThePlaylistAreRefusedAfterTheCount) {
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE;
  const auto path = Text(u"new.mp3");
  struct Case {
    const char *name;
    std::function<long(CAudioPlayer &, long)> run;
    long highest;
    long refusal = E_FAIL;
  };
  const std::vector<Case> cases = {
      {"InsertMusic", [&](CAudioPlayer &p, long i) { return p.InsertMusic(path.c_str(), i); }, 3},
      {"RemoveMusic", [](CAudioPlayer &p, long i) { return p.RemoveMusic(i); }, 3},
      {"MoveMusic from", [](CAudioPlayer &p, long i) { return p.MoveMusic(i, 0); }, 3},
      {"MoveMusic to", [](CAudioPlayer &p, long i) { return p.MoveMusic(0, i); }, 3},
      {"GetCurPlaylistMusicInfo",
       [&](CAudioPlayer &p, long i) { return p.GetCurPlaylistMusicInfo(i, &info); }, 3},
      {"SetCurPlaylistMusicInfo",
       [&](CAudioPlayer &p, long i) { return p.SetCurPlaylistMusicInfo(i, &info); }, 3},
      {"PlaylistIndex", [](CAudioPlayer &p, long i) { return p.PlaylistIndex(i); }, 2},
      {"SetPlayListIndex", [](CAudioPlayer &p, long i) { return p.SetPlayListIndex(i); }, 2,
       E_INVALIDARG},
  };
  for (const Case &c : cases) {
    for (long index : {-1L, c.highest + 1, c.highest}) {
      ASSERT_TRUE(Arrange({}));
      const long status = c.run(*player, index);
      const Methods made = control.Methods();
      const bool passed = !made.empty() && made.back() != "IWMPPlaylist.get_count";
      EXPECT_EQ(passed, index == c.highest) << c.name << "(" << index << ")\n" << control.Log();
      if (index != c.highest) {
        EXPECT_EQ(Hex(status), Hex(c.refusal)) << c.name << "(" << index << ")";
      }
    }
  }
}

// Success codes other than S_OK where the operations tell them from S_OK,
// or where a success must not stop them.
TEST_F(OperationTable, OddSuccessCodesWhereTheyMatter) {
  struct Case {
    const char *operation;
    const char *method;
    long expected;
    After after;
  };
  const Case cases[] = {
      // The last call's own success comes back as it came.
      {"Play", "IWMPControls.play", S_FALSE, After::Stops},
      {"SetCurPlaylist", "IWMPPlayer4.put_currentPlaylist", S_FALSE, After::Stops},
      {"PlayPlaylist", "IWMPControls.play", S_FALSE, After::Stops},
      {"AppendMusic", "IWMPPlaylist.appendItem", S_FALSE, After::Stops},
      {"InsertMusic", "IWMPPlaylist.insertItem", S_FALSE, After::Stops},
      {"RemoveMusic", "IWMPPlaylist.removeItem", S_FALSE, After::Stops},
      {"MoveMusic", "IWMPPlaylist.moveItem", S_FALSE, After::Stops},
      {"ClearAllMusic", "IWMPPlayer4.put_currentPlaylist", S_FALSE, After::Stops},
      {"PlaylistIndex", "IWMPControls.playItem", S_FALSE, After::Stops},
      {"SetPlayListIndex", "IWMPControls.put_currentItem", S_FALSE, After::Stops},
      // A success of the clear itself goes on to the re-assignment.
      {"ClearAllMusic", "IWMPPlaylist.clear", S_OK, After::GoesOn},
      {"GetMute", "IWMPSettings.get_mute", S_OK, After::Stops},
      {"SetPos", "IWMPControls.currentItem", E_FAIL, After::Stops}, // and no item
      {"PlaySingleFile", "IWMPPlaylist.clear", S_OK, After::GoesOn},
      {"SetCdromToCurPlaylist", "IWMPPlayer4.put_currentPlaylist", S_FALSE, After::Stops},
      // Only an exact S_OK hands over the item.
      {"SetPlayListIndex", "IWMPPlaylist.get_Item", S_FALSE, After::Stops},
      {"PlayCurrent", "IWMPControls.currentItem", S_FALSE, After::Stops},
      // The width read as a success code leaves the width 0 and goes on.
      {"GetCurPlaylistMusicInfo", "IWMPMedia.get_imageSourceWidth", S_OK, After::GoesOn},
      // A file's reads take any success.
      {"GetMusicInfo", "IWMPMedia.getItemInfo", S_OK, After::GoesOn},
  };
  std::vector<Operation> operations = Operations();
  for (const Case &c : cases) {
    auto operation = std::find_if(operations.begin(), operations.end(), [&](const Operation &o) {
      return o.name == std::string(c.operation);
    });
    ASSERT_NE(operation, operations.end()) << c.operation;
    long unfailed = 0;
    Methods made;
    ASSERT_TRUE(Unfailed(*operation, unfailed, made));
    auto failing = std::find(made.begin(), made.end(), std::string(c.method));
    ASSERT_NE(failing, made.end()) << c.operation << " makes no " << c.method;
    RunCase(*operation, made, unfailed, std::size_t(failing - made.begin()), 1, {S_FALSE, false},
            {c.expected, c.after});
  }
}

// Creation with each of its calls failing: the status (but for the two
// steps that tolerate it), no player, and nothing left of the control.
TEST_F(OperationTable, CreationWithEachOfItsCallsFailingInTurn) {
  control.ClearCalls();
  ASSERT_EQ(CreatePlayer(), S_OK);
  EXPECT_EQ(control.Calls(),
            (Methods{"IClassFactory.CreateInstance(null, IUnknown)",
                     "IWMPPlayer4.put_enableContextMenu(0)", "IWMPPlayer4.get_controls()",
                     "IWMPPlayer4.get_settings()", "IWMPSettings.put_autoStart(0)",
                     "IWMPSettings.put_enableErrorDialogs(-1)", "IWMPPlayer4.get_mediaCollection()",
                     "IWMPPlayer4.get_playlistCollection()", "IWMPPlayer4.get_cdromCollection()",
                     "IConnectionPointContainer.FindConnectionPoint(IWMPEvents)",
                     "IConnectionPoint.Advise(IWMPEvents)", "IWMPPlayer4.put_stretchToFit(1)"}));
  const Methods made = control.Methods();
  DestroyPlayer();
  const std::vector<Rule> rules = {Ignored("IWMPSettings.put_enableErrorDialogs"),
                                   // The events face missing, the dispatch face is used.
                                   Ignored("IConnectionPointContainer.FindConnectionPoint", 1)};
  const std::set<std::string> teardown = {"IConnectionPoint.Unadvise", "IWMPPlayer4.close"};

  // `before`: the calls up to the failing one, when it is recorded.
  auto check = [&](const std::string &where, long expected, std::optional<Methods> before) {
    control.ClearCalls();
    long status = CreatePlayer();
    EXPECT_EQ(Hex(status), Hex(expected)) << where << "\n" << control.Log();
    EXPECT_EQ(player == nullptr, expected < 0) << where;
    Methods calls = control.Methods();
    // A failed creation let go of the sink's connection at once.
    if (expected < 0) {
      EXPECT_TRUE(control.Sinks().empty()) << where << "\n" << control.Log();
    }
    if (expected < 0 && before) {
      EXPECT_TRUE(calls.size() >= before->size() &&
                  std::equal(before->begin(), before->end(), calls.begin()))
          << where << "\n"
          << control.Log();
      for (std::size_t later = before->size(); later < calls.size(); ++later)
        EXPECT_TRUE(teardown.count(calls[later])) << where << ": then " << calls[later];
    }
    DestroyPlayer();
    ExpectNothingAlive(where);
    control.Forget();
    EXPECT_EQ(CreatePlayer(), S_OK) << where << ": again, unfailed";
    DestroyPlayer();
  };

  std::size_t cases = 0;
  std::map<std::string, std::size_t> seen;
  for (std::size_t failing = 0; failing < made.size(); ++failing) {
    std::size_t occurrence = ++seen[made[failing]];
    for (Answer answer : AnswersFor(made[failing])) {
      Expected expected = Expect(rules, made, failing, occurrence, answer, S_OK);
      AnswerOne(made[failing], occurrence, answer);
      check("creation, call " + std::to_string(failing + 1) + " (" + made[failing] + " #" +
                std::to_string(occurrence) + ") answering " + answer.Shown(),
            *expected.status, Methods(made.begin(), made.begin() + long(failing) + 1));
      ++cases;
    }
    // A success code other than S_OK carries on, unless the call owed an
    // object (the events face's lookup has the dispatch face to fall back on).
    bool owed = kObjectGetters.count(made[failing]) &&
                Expect(rules, made, failing, occurrence, {E_FAIL, false}, S_OK).status != S_OK;
    AnswerOne(made[failing], occurrence, {S_FALSE, false});
    check("creation, " + made[failing] + " answering S_FALSE", owed ? E_FAIL : S_OK, std::nullopt);
  }
  // The interface queries, which the control does not record as calls.
  for (const char *query : {"IWMPPlayer4.QueryInterface(IWMPPlayer4)",
                            "IWMPPlayer4.QueryInterface(IConnectionPointContainer)"}) {
    for (HRESULT status : kFailingStatuses) {
      control.Forget();
      control.Answer(query, 0, {status});
      check(std::string("creation, ") + query + " answering " + Hex(status), status, std::nullopt);
      ++cases;
    }
  }
  std::printf("[ fault injection ] creation: %zu calls, %zu cases\n", made.size(), cases);
}

// Teardown ignores what its calls answer and still lets go of everything.
TEST_F(OperationTable, TeardownWithEachOfItsCallsFailing) {
  ASSERT_EQ(CreatePlayer(), S_OK);
  control.ClearCalls();
  DestroyPlayer();
  EXPECT_EQ(control.Calls(), (Methods{"IConnectionPoint.Unadvise(1)", "IWMPPlayer4.close()"}));
  const Methods made = control.Methods();
  for (const std::string &method : made) {
    for (HRESULT status : kFailingStatuses) {
      ASSERT_EQ(CreatePlayer(), S_OK);
      control.Answer(method, 0, {status});
      DestroyPlayer();
      control.Forget();
      ExpectNothingAlive(method + " answering " + Hex(status));
    }
  }
}

} // namespace
