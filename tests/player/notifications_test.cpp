// Host notifications: the control's events, raised on the sinks the player
// connected, as the host's callback receives them.
#include "support/proxied_player.h"

#include <gtest/gtest.h>
#include <variant_values.h>
#include <wmpids.h>

#include <cstdint>
#include <vector>

namespace {

using control_proxy::Answer;
using test_support::kRefused;
using test_support::Notification;
using test_support::Text;
using Received = std::vector<Notification>;

class Notifications : public CreatedPlayer {
protected:
  void SetUp() override {
    CreatedPlayer::SetUp();
    AppendFiles({"a.wav", "b.wav", "c.wav", "d.wav"});
    Heard();
  }
  Received Heard() { return test_support::TakeReceived(notifications); }
  void PlayState(long state) {
    Raise([&](IWMPEvents *events) { events->PlayStateChange(state); });
  }
  // Raises an event on the sinks' dispatch face; Invoke's answer.
  HRESULT Dispatch(DISPID id, DISPPARAMS *params) {
    HRESULT status = E_NOINTERFACE;
    for (IUnknown *sink : control.Sinks())
      if (CComPtr<_WMPOCXEvents> face; SUCCEEDED(sink->QueryInterface(&face)) && face)
        status = face->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, params, nullptr, nullptr, nullptr);
    return status;
  }
  // `args` in declaration order: dispatch stores them last first.
  HRESULT Invoke(DISPID id, std::vector<VARIANT> args, UINT named = 0) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID namedIds[1] = {0};
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), named ? namedIds : nullptr,
                      UINT(reversed.size()), named};
    return Dispatch(id, &params);
  }
};

long Identity(IWMPMedia *media) {
  return long(std::int32_t(std::uint32_t(reinterpret_cast<std::uintptr_t>(media))));
}

// Which of the control's events the host hears, on the sink's direct face
// and on its dispatch face alike, and with which numbers.
TEST_F(Notifications, SixEventsReachTheHostOnEitherFaceOfTheSink) {
  ASSERT_EQ(player->SetPlayListIndex(2), S_OK);
  CComPtr<IWMPMedia> item = EngineItem(1);
  Heard();
  Raise([&](IWMPEvents *events) {
    events->OpenStateChange(13);
    events->PlayStateChange(3);
    events->Error();
    events->CurrentPlaylistChange(wmplcMove);
    events->Click(1, 4, 10, 20);
    events->Click(2, 0, 11, 21); // other buttons are no click for the host
    events->Click(4, 0, 12, 22);
    events->Click(0, 1, 13, 23);
    events->MediaError(item);
    // Events near those that the host does not hear of.
    events->EndOfStream(0);
    events->PlaylistChange(item, wmplcAppend);
    events->MediaChange(item);
    events->CurrentItemChange(item);
    events->DoubleClick(1, 0, 10, 20);
    events->MouseDown(1, 0, 10, 20);
    events->MouseUp(1, 0, 10, 20);
  });
  EXPECT_EQ(Heard(), (Received{{kCookie, 2, 13, 2},
                               {kCookie, 1, 3, 2},
                               {kCookie, 4, 0, 0},
                               {kCookie, 9, long(wmplcMove), 0},
                               {kCookie, 8, 10, 20},
                               {kCookie, 5, Identity(item), 1}}));
  // The item's number names it only while its own event is delivered.
  player->CallAudioProc(CN_MediaError, Identity(item), 0);
  EXPECT_EQ(Heard(), Received{});

  EXPECT_EQ(Dispatch(DISPID_WMPCOREEVENT_PLAYSTATECHANGE, nullptr), E_POINTER);
  EXPECT_EQ(Invoke(DISPID_WMPCOREEVENT_PLAYSTATECHANGE, {VariantI4(3)}, 1), DISP_E_NONAMEDARGS);
  EXPECT_EQ(Heard(), Received{});
  // Every event, heard or not, and any identifier, gets the same answer.
  struct Case {
    DISPID id;
    std::vector<VARIANT> args;
    Received heard;
  };
  const std::vector<Case> cases = {
      {DISPID_WMPCOREEVENT_OPENSTATECHANGE, {VariantI4(21)}, {{kCookie, 2, 21, 2}}},
      {DISPID_WMPCOREEVENT_PLAYSTATECHANGE, {VariantI4(3)}, {{kCookie, 1, 3, 2}}},
      {DISPID_WMPCOREEVENT_ERROR, {}, {{kCookie, 4, 0, 0}}},
      {DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE,
       {VariantI4(wmplcDelete)},
       {{kCookie, 9, long(wmplcDelete), 0}}},
      // A kind beyond the published ones still reaches the host unchanged.
      {DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE, {VariantI4(1280)}, {{kCookie, 9, 1280, 0}}},
      {DISPID_WMPCOREEVENT_MEDIAERROR, {VariantDispatch(item)}, {{kCookie, 5, Identity(item), 1}}},
      {DISPID_WMPCOREEVENT_MEDIAERROR, {TypedVariant(VT_EMPTY)}, {}},
      // button, shift, x, y: the button is the last element, y the first.
      {DISPID_WMPOCXEVENT_CLICK,
       {VariantI2(1), VariantI2(5), VariantI4(-7), VariantI4(300)},
       {{kCookie, 8, -7, 300}}},
      {DISPID_WMPOCXEVENT_CLICK, {VariantI2(2), VariantI2(0), VariantI4(1), VariantI4(2)}, {}},
      {DISPID_WMPOCXEVENT_CLICK, {VariantI2(4), VariantI2(1), VariantI4(1), VariantI4(2)}, {}},
      {DISPID_WMPOCXEVENT_DOUBLECLICK,
       {VariantI2(1), VariantI2(0), VariantI4(1), VariantI4(2)},
       {}},
      // Identifiers of no event of this interface.
      {0, {VariantI4(3)}, {}},
      {-1, {}, {}},
      // Too few arguments: the event is not read past the array's end.
      {DISPID_WMPCOREEVENT_PLAYSTATECHANGE, {}, {}},
      {DISPID_WMPOCXEVENT_CLICK, {VariantI2(1), VariantI2(0)}, {}},
      {DISPID_WMPCOREEVENT_MEDIAERROR, {}, {}},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Invoke(c.id, c.args), DISP_E_MEMBERNOTFOUND) << c.id;
    EXPECT_EQ(Heard(), c.heard) << c.id;
  }
}

TEST_F(Notifications, AHostCallingCallAudioProcIsHeardAsTheControlWouldBe) {
  ASSERT_EQ(player->SetPlayListIndex(1), S_OK);
  player->CallAudioProc(CN_Reserved7, 5, 6);
  player->CallAudioProc(CN_Reserved0, -1, 2);
  player->CallAudioProc(CN_Reserved3, 5, 6);
  player->CallAudioProc(CN_Reserved6, 5, 6);
  player->CallAudioProc(CallNotify(10), 5, 6);
  player->CallAudioProc(CallNotify(-1), 5, 6);
  player->CallAudioProc(CN_PlayStateChange, 3, 99);
  player->CallAudioProc(CN_OpenStateChange, 30, 99);
  player->CallAudioProc(CN_Click, 1, 2);
  player->CallAudioProc(CN_CurrentPlaylistChange, 3, 4);
  player->CallAudioProc(CN_Error, 8, 9);
  player->CallAudioProc(CN_MediaError, 1234, 0); // no item of an event in delivery
  EXPECT_EQ(Heard(), (Received{{kCookie, 7, 5, 6},
                               {kCookie, 0, -1, 2},
                               {kCookie, 1, 3, 1},
                               {kCookie, 2, 0, 1},
                               {kCookie, 8, 1, 2},
                               {kCookie, 9, 3, 4},
                               {kCookie, 4, 8, 9}}));
}

TEST_F(Notifications, TheHostMayCallBackIntoThePlayerFromItsCallback) {
  ASSERT_EQ(player->SetPlayListIndex(2), S_OK);
  // A control that reports the stop from inside the call: nested inside
  // the first notification.
  control.OnCall("IWMPControls.stop", [this] { PlayState(1); });
  long indexSeen = -2;
  long objectsBefore = control_proxy::LiveProxies(), objectsDuring = -1;
  notifications.reaction = [&](CallNotify code, long first, long) {
    if (code == CN_PlayStateChange && first == PS_Playing) {
      objectsDuring = control_proxy::LiveProxies();
      player->GetPlaylistIndex(&indexSeen);
      player->Stop();
    }
  };
  PlayState(3);
  EXPECT_EQ(Heard(), (Received{{kCookie, 1, 3, 2}, {kCookie, 1, 1, 2}}));
  EXPECT_EQ(indexSeen, 2);
  // The player holds nothing of the lookup while the host runs.
  EXPECT_EQ(objectsDuring, objectsBefore);
  notifications.reaction = nullptr;

  // A notification nested inside the player's own lookup of the current
  // item does not disturb the one being built.
  control.Forget();
  bool raised = false;
  control.OnCall("IWMPControls.currentItem", [&] {
    if (!raised) {
      raised = true;
      Raise([](IWMPEvents *events) {
        events->Click(1, 0, 10, 20);
        events->CurrentPlaylistChange(WMPPlaylistChangeEventType(3));
      });
    }
  });
  Raise([](IWMPEvents *events) { events->OpenStateChange(13); });
  EXPECT_EQ(Heard(), (Received{{kCookie, 8, 10, 20}, {kCookie, 9, 3, 0}, {kCookie, 2, 13, 2}}));
}

} // namespace
