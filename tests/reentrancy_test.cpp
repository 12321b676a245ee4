// A host that calls back into the player from inside its notifications,
// for thousands of events: operations that make the control raise another
// event at once, nested notifications inside the player's own lookups, and
// the host's own CallAudioProc. Every notification must pair with the event
// that caused it, carry that event's values, arrive once, and leave nothing
// alive behind.
#include "player_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

using test_support::Notification;
using test_support::Text;

constexpr int kEvents = 5000;
// The host moves the control only from the outermost notification (so an
// operation's own answer stays predictable) and only looks, or hands the
// player a state change itself, from the next levels; notifications this
// deep get no reaction.
constexpr std::size_t kReactionDepth = 4;
// The control raises nothing from inside a call past this depth.
constexpr std::size_t kRaiseDepth = 5;

// Host: the host's own CallAudioProc with code 7; HostState: with code 1.
enum class Kind {
  PlayState,
  OpenState,
  Click,
  Error,
  PlaylistChange,
  MediaError,
  Silent,
  Host,
  HostState
};

struct Event {
  Event(Kind kind, long first = 0, long second = 0, std::optional<std::size_t> item = {})
      : kind(kind), first(first), second(second), item(item) {}
  Kind kind;
  long first;                      // state, button, change kind, or the host's first parameter
  long second;                     // y, or the host's second parameter
  std::optional<std::size_t> item; // MediaError: an index of the current playlist, or a stranger
};

// An event on its way: what the host should hear of it, and what it heard.
struct InFlight {
  std::optional<Notification> expected;
  std::optional<Notification> heard;
  int deliveries = 0;
};

class Reentrancy : public PlayerTest {
protected:
  void TearDown() override {
    control.clearScript(); // the hooks refer to this fixture
    notifications.reaction = nullptr;
    PlayerTest::TearDown();
  }

  std::uint32_t Random(std::uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % range;
  }

  std::vector<scripted::Media> &Items() { return control.model().currentPlaylist->items; }

  // The first place of `item` in the current playlist, as the control's
  // identity test finds it.
  std::optional<long> FirstPlaceOf(const scripted::Media &item) {
    for (std::size_t i = 0; i < Items().size(); ++i)
      if (Items()[i] == item)
        return long(i);
    return std::nullopt;
  }
  std::optional<long> CurrentIndex() {
    auto current = control.model().currentItem;
    if (!current || *current >= Items().size())
      return std::nullopt;
    return FirstPlaceOf(Items()[*current]);
  }

  // What the host must hear of `event`, judged from the control's state as
  // the event is raised.
  std::optional<Notification> ExpectedOf(const Event &event) {
    auto with = [](long code, long first, long second) {
      return Notification{kCookie, code, first, second};
    };
    switch (event.kind) {
    case Kind::PlayState:
    case Kind::HostState:
    case Kind::OpenState: {
      std::optional<long> index = CurrentIndex();
      if (!index)
        return std::nullopt;
      bool open = event.kind == Kind::OpenState;
      long limit = open ? 21 : 12;
      long state = event.first >= 1 && event.first <= limit ? event.first : 0;
      return with(open ? CN_OpenStateChange : CN_PlayStateChange, state, *index);
    }
    case Kind::Click:
      return event.first == 1 ? std::optional(with(CN_Click, 10, event.second)) : std::nullopt;
    case Kind::Error:
      return with(CN_Error, 0, 0);
    case Kind::PlaylistChange:
      return with(CN_CurrentPlaylistChange, event.first, 0);
    case Kind::MediaError: {
      if (!event.item || *event.item >= Items().size())
        return std::nullopt;
      std::optional<long> index = FirstPlaceOf(Items()[*event.item]);
      return with(CN_MediaError, 0, *index); // the identity is known once raised
    }
    case Kind::Silent:
      return std::nullopt;
    case Kind::Host:
      return with(CN_Reserved7, event.first, event.second);
    }
    return std::nullopt;
  }

  // Raises `event` (or, for the host's kinds, calls CallAudioProc as a
  // host would) and checks what the host heard of it.
  void Raise(const Event &event) {
    inFlight.push_back({ExpectedOf(event), std::nullopt, 0});
    deepest = std::max(deepest, inFlight.size());
    if (inFlight.back().expected)
      ++expectedCount;
    ++raised;
    std::uintptr_t identity = 0;
    switch (event.kind) {
    case Kind::PlayState:
      control.raisePlayStateChange(event.first);
      break;
    case Kind::OpenState:
      control.raiseOpenStateChange(event.first);
      break;
    case Kind::Click:
      control.raiseClick(short(event.first), 0, 10, event.second);
      break;
    case Kind::Error:
      control.raiseError();
      break;
    case Kind::PlaylistChange:
      control.raiseCurrentPlaylistChange(event.first);
      break;
    case Kind::MediaError:
      identity = event.item && *event.item < Items().size()
                     ? control.raiseMediaError(*event.item)
                     : control.raiseMediaError(control.makeMedia(u"stranger.mp3"));
      break;
    case Kind::Silent:
      control.raiseDoubleClick(1, 0, 3, 4);
      control.raiseKeyDown(65, 0);
      control.raiseMouseMove(1, 0, 5, 6);
      break;
    case Kind::Host:
      player->CallAudioProc(CN_Reserved7, event.first, event.second);
      break;
    case Kind::HostState:
      player->CallAudioProc(CN_PlayStateChange, event.first, 99);
      break;
    }
    InFlight done = inFlight.back();
    inFlight.pop_back();
    if (done.expected && event.kind == Kind::MediaError)
      std::get<2>(*done.expected) = long(std::int32_t(std::uint32_t(identity)));
    EXPECT_EQ(done.deliveries, done.expected ? 1 : 0)
        << "event " << raised << " of kind " << int(event.kind) << " at depth "
        << inFlight.size() + 1;
    if (done.expected && done.heard) {
      EXPECT_EQ(*done.heard, *done.expected) << "event " << raised << " of kind " << int(event.kind)
                                             << " at depth " << inFlight.size() + 1;
    }
  }

  // The host's callback: pairs the notification with the innermost event
  // on its way, then reacts.
  void Received(CallNotify code, long second) {
    Notification heard = notifications.received.back();
    notifications.received.clear();
    ++receivedCount;
    if (inFlight.empty()) {
      ADD_FAILURE() << "a notification with no event: code " << long(code);
      return;
    }
    InFlight &event = inFlight.back();
    ++event.deliveries;
    event.heard = heard;
    std::size_t depth = inFlight.size();
    if (depth >= kReactionDepth)
      return;
    if (depth == 1 && (code == CN_PlayStateChange || code == CN_OpenStateChange)) {
      // Nothing of the player's holds a media item while the host runs.
      EXPECT_EQ(scripted::leakReport().find("IWMPMedia:"), std::string::npos)
          << scripted::leakReport();
    }
    React(code, second, depth == 1);
  }

  void React(CallNotify code, long second, bool outermost) {
    long count = -1;
    switch (code) {
    case CN_PlayStateChange:
    case CN_OpenStateChange: {
      // The index the host was given is the one it reads back.
      long index = -2;
      EXPECT_EQ(player->GetPlaylistIndex(&index), S_OK);
      EXPECT_EQ(index, second);
      if (outermost)
        Act();
      else if (Random(3) == 0)
        Raise({Kind::HostState, long(Random(15)) - 1});
      return;
    }
    case CN_MediaError:
      if (!outermost)
        return;
      // The host drops the item that failed, while there are a few left.
      if (Items().size() > 2) {
        EXPECT_EQ(player->RemoveMusic(second), S_OK);
      } else {
        EXPECT_EQ(player->NextTrack(), S_OK);
      }
      return;
    case CN_CurrentPlaylistChange:
      EXPECT_EQ(player->GetCurPlaylistCount(&count), S_OK);
      EXPECT_EQ(count, long(Items().size()));
      return;
    case CN_Click: {
      double seconds = -1;
      EXPECT_EQ(player->GetPos(&seconds), S_OK);
      return;
    }
    case CN_Error: {
      PlayState state = PS_Last;
      EXPECT_EQ(player->GetPlayState(&state), S_OK);
      return;
    }
    default:
      return;
    }
  }

  // One operation, most of which make the control raise an event at once.
  void Act() {
    auto count = std::uint32_t(Items().size());
    if (count == 0)
      return;
    switch (Random(12)) {
    case 0:
      EXPECT_EQ(player->NextTrack(), S_OK);
      break;
    case 1:
      EXPECT_EQ(player->PrevTrack(), S_OK);
      break;
    case 2:
      EXPECT_EQ(player->Play(), S_OK);
      break;
    case 3:
      EXPECT_EQ(player->Stop(), S_OK);
      break;
    case 4:
      EXPECT_EQ(player->PlaylistIndex(long(Random(count))), S_OK);
      break;
    case 5:
      EXPECT_EQ(player->SetPlayListIndex(long(Random(count))), S_OK);
      break;
    case 6:
      EXPECT_EQ(player->PlayCurrent(), S_OK);
      break;
    case 7:
      if (count < 8u) {
        EXPECT_EQ(player->AppendMusic(Text(u"added.mp3").c_str()), S_OK);
      }
      break;
    case 8:
      if (count > 2u) {
        EXPECT_EQ(player->RemoveMusic(long(Random(count))), S_OK);
      }
      break;
    case 9:
      if (Random(20) == 0) {
        EXPECT_EQ(player->ClearAllMusic(), S_OK);
      }
      break;
    case 10:
      Raise({Kind::Host, long(Random(1000)), -long(Random(1000))});
      break;
    default:
      break; // the host only looked
    }
  }

  // The control's own events when the host moves it, and events nested in
  // the player's lookup of the current item.
  void ScriptTheControl() {
    auto raising = [this](Event event) {
      return [this, event] {
        if (inFlight.size() < kRaiseDepth)
          Raise(event);
      };
    };
    control.onCall("IWMPControls.play", raising({Kind::PlayState, wmppsPlaying}));
    control.onCall("IWMPControls.stop", raising({Kind::PlayState, wmppsStopped}));
    control.onCall("IWMPControls.next", raising({Kind::OpenState, wmposPlaylistChanging}));
    control.onCall("IWMPControls.previous", raising({Kind::PlayState, wmppsTransitioning}));
    control.onCall("IWMPControls.playItem", raising({Kind::OpenState, wmposMediaOpening}));
    control.onCall("IWMPControls.put_currentItem", raising({Kind::PlayState, wmppsReady}));
    control.onCall("IWMPPlayer4.put_currentPlaylist", raising({Kind::PlaylistChange, 1}));
    // Only events whose reactions leave the current item alone, so the
    // lookup they interrupt still finds what the outer event expects.
    control.onCall("IWMPControls.currentItem", [this] {
      if (inFlight.size() >= kRaiseDepth || Random(9) != 0)
        return;
      const Event nested[] = {{Kind::Click, 1, 20}, {Kind::Error}, {Kind::PlaylistChange, 4}};
      ++inLookups;
      Raise(nested[Random(3)]);
    });
  }

  // A current playlist of five items, one of them twice.
  void Refill() {
    scripted::PlaylistRef list =
        control.setCurrentPlaylist(u"list", {u"a.mp3", u"b.mp3", u"c.mp3", u"d.mp3"});
    list->items.push_back(list->items[1]);
    control.model().currentItem = Random(5);
  }

  Event RandomEvent() {
    switch (Random(8)) {
    case 0:
    case 1:
      return {Kind::PlayState, long(Random(15)) - 1};
    case 2:
      return {Kind::OpenState, long(Random(24)) - 1};
    case 3:
      return {Kind::Click, long(1 + Random(2)), long(Random(500))};
    case 4:
      return {Kind::Error};
    case 5:
      return {Kind::PlaylistChange, long(Random(10))};
    case 6:
      return {Kind::MediaError, 0, 0, std::size_t(Random(std::uint32_t(Items().size() + 1)))};
    default:
      return {Kind::Silent};
    }
  }

  void Run(scripted::Face face) {
    ASSERT_EQ(CreatePlayer(), S_OK);
    ASSERT_EQ(control.advisedFace(), face);
    control.clearScript();
    notifications.reaction = [this](CallNotify code, long, long second) { Received(code, second); };
    ScriptTheControl();
    Refill();
    for (int i = 0; i < kEvents; ++i) {
      if (Items().size() < 2)
        Refill();
      Raise(RandomEvent());
      control.clearCalls();
      if (HasFailure())
        break; // one broken event is enough to read
    }
    EXPECT_TRUE(inFlight.empty());
    // Every event that should be heard was heard, once, and nothing else.
    EXPECT_EQ(receivedCount, expectedCount);
    std::printf("[ reentrancy ] %zu events raised (%d by the test, %zu inside the player's "
                "lookups), %zu notifications, nested %zu deep\n",
                raised, kEvents, inLookups, receivedCount, deepest);
    // The run did nest: inside operations, inside lookups, and deeper.
    EXPECT_GT(raised - std::size_t(kEvents) - inLookups, std::size_t(kEvents) / 10);
    EXPECT_GT(inLookups, std::size_t(kEvents) / 100);
    EXPECT_GE(deepest, std::size_t(4));
    control.clearScript();
    DestroyPlayer();
    EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
  }

  std::uint32_t seed = 20261207;
  std::vector<InFlight> inFlight;
  std::size_t raised = 0;
  std::size_t expectedCount = 0;
  std::size_t receivedCount = 0;
  std::size_t inLookups = 0; // events raised inside the player's lookup of the current item
  std::size_t deepest = 0;
};

TEST_F(Reentrancy, ThousandsOfEventsWithTheHostCallingBackThroughTheEventsFace) {
  Run(scripted::Face::Events);
}

TEST_F(Reentrancy, ThousandsOfEventsWithTheHostCallingBackThroughTheDispatchFace) {
  control.fail("IConnectionPointContainer.FindConnectionPoint.IWMPEvents", E_NOINTERFACE);
  Run(scripted::Face::Dispatch);
}

} // namespace
