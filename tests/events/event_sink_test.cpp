// The event sink: which events reach the player's CallAudioProc and with
// which arguments, on both faces, and Invoke's answers.

#include "events/media_error_identity.h"
#include "events/wmp_event_dispatch.h"

#include <gtest/gtest.h>
#include <variant_values.h>
#include <wmpids.h>

#include <cstdint>
#include <tuple>
#include <vector>

namespace {

using Forwarded = std::tuple<long, long, long>; // code, first, second

// A player that only records what the sink hands it.
class RecordingPlayer : public CAudioPlayer {
public:
  void CallAudioProc(CallNotify code, long first, long second) override {
    received.emplace_back(long(code), first, second);
    if (code == CN_MediaError)
      resolvedMedia = ResolveMediaIdentity(first);
  }
  std::vector<Forwarded> received;
  IDispatch *resolvedMedia = nullptr;
};

using Sink = ATL::CComObject<CWMPEventDispatch>;

// A sink with one reference held, released when the holder goes.
struct HeldSink {
  HeldSink() {
    EXPECT_EQ(Sink::CreateInstance(&sink), S_OK);
    events = sink;
  }
  Sink *operator->() const { return sink; }
  Sink *sink = nullptr;
  CComPtr<IWMPEvents> events;
};

// Dispatch arguments are stored last first; `args` is in declaration order.
HRESULT InvokeEvent(Sink *sink, DISPID id, std::vector<VARIANT> args, UINT named = 0) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID namedIds[1] = {0};
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), named ? namedIds : nullptr,
                    UINT(reversed.size()), named};
  _WMPOCXEvents *face = sink;
  return face->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

// Any address stands for the media item: the sink never calls it.
IDispatch *const kMedia = reinterpret_cast<IDispatch *>(std::uintptr_t(0x12345678));

// Events near the forwarded ones that the host must not hear of.
void RaiseIgnoredEvents(IWMPEvents *sink) {
  sink->EndOfStream(0);
  sink->PlaylistChange(kMedia, wmplcAppend);
  sink->MediaChange(kMedia);
  sink->CurrentItemChange(kMedia);
  sink->DoubleClick(1, 0, 10, 20);
  sink->MouseDown(1, 0, 10, 20);
  sink->MouseUp(1, 0, 10, 20);
}

TEST(EventSink, DirectFaceForwardsSixEventsInArgumentOrder) {
  RecordingPlayer player;
  HeldSink sink;
  sink->SetPlayer(&player);
  IWMPEvents *events = sink.events;

  events->OpenStateChange(13);
  events->PlayStateChange(3);
  events->Error();
  events->CurrentPlaylistChange(wmplcMove);
  events->Click(1, 4, 10, 20);
  events->Click(2, 0, 11, 21); // other buttons are no click for the host
  events->Click(4, 0, 12, 22);
  events->Click(0, 1, 13, 23);
  events->MediaError(kMedia);
  EXPECT_EQ(player.received, (std::vector<Forwarded>{{CN_OpenStateChange, 13, 0},
                                                     {CN_PlayStateChange, 3, 0},
                                                     {CN_Error, 0, 0},
                                                     {CN_CurrentPlaylistChange, long(wmplcMove), 0},
                                                     {CN_Click, 10, 20},
                                                     {CN_MediaError, MediaIdentity(kMedia), 0}}));
  // The item's 32-bit identity leads back to it while it is delivered.
  EXPECT_EQ(player.resolvedMedia, kMedia);
  EXPECT_EQ(MediaIdentity(kMedia), 0x12345678);
  EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(kMedia)), nullptr); // and only then

  player.received.clear();
  RaiseIgnoredEvents(events);
  EXPECT_TRUE(player.received.empty());
}

TEST(EventSink, InvokeAnswersAndArgumentOrder) {
  RecordingPlayer player;
  HeldSink sink;
  sink->SetPlayer(&player);
  _WMPOCXEvents *face = sink.sink;

  EXPECT_EQ(face->Invoke(DISPID_WMPCOREEVENT_PLAYSTATECHANGE, IID_NULL, 0, DISPATCH_METHOD, nullptr,
                         nullptr, nullptr, nullptr),
            E_POINTER);
  EXPECT_EQ(
      InvokeEvent(sink.sink, DISPID_WMPCOREEVENT_PLAYSTATECHANGE, {VariantI4(3)}, /*named=*/1),
      DISP_E_NONAMEDARGS);
  EXPECT_TRUE(player.received.empty());

  // Every event, forwarded or not, and any identifier, gets the same answer.
  struct Case {
    DISPID id;
    std::vector<VARIANT> args;
    std::vector<Forwarded> expected;
  };
  const std::vector<Case> cases = {
      {DISPID_WMPCOREEVENT_OPENSTATECHANGE, {VariantI4(21)}, {{CN_OpenStateChange, 21, 0}}},
      {DISPID_WMPCOREEVENT_PLAYSTATECHANGE, {VariantI4(3)}, {{CN_PlayStateChange, 3, 0}}},
      {DISPID_WMPCOREEVENT_ERROR, {}, {{CN_Error, 0, 0}}},
      {DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE,
       {VariantI4(wmplcDelete)},
       {{CN_CurrentPlaylistChange, long(wmplcDelete), 0}}},
      // A kind beyond the published ones still reaches the host unchanged.
      {DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE,
       {VariantI4(1280)},
       {{CN_CurrentPlaylistChange, 1280, 0}}},
      {DISPID_WMPCOREEVENT_MEDIAERROR,
       {VariantDispatch(kMedia)},
       {{CN_MediaError, MediaIdentity(kMedia), 0}}},
      // button, shift, x, y: the button is the last element, y the first.
      {DISPID_WMPOCXEVENT_CLICK,
       {VariantI2(1), VariantI2(5), VariantI4(-7), VariantI4(300)},
       {{CN_Click, -7, 300}}},
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
    player.received.clear();
    EXPECT_EQ(InvokeEvent(sink.sink, c.id, c.args), DISP_E_MEMBERNOTFOUND) << c.id;
    EXPECT_EQ(player.received, c.expected) << c.id;
  }

  // A media error's item is the dispatch pointer, and resolves while delivered.
  player.resolvedMedia = nullptr;
  InvokeEvent(sink.sink, DISPID_WMPCOREEVENT_MEDIAERROR, {VariantDispatch(kMedia)});
  EXPECT_EQ(player.resolvedMedia, kMedia);
  // A media error without an item forwards a null identity.
  player.received.clear();
  InvokeEvent(sink.sink, DISPID_WMPCOREEVENT_MEDIAERROR, {TypedVariant(VT_EMPTY)});
  EXPECT_EQ(player.received, (std::vector<Forwarded>{{CN_MediaError, 0, 0}}));
}

// Whatever the width of an address, a media error's identity names an item
// only while that item's event is delivered, nested ones included; any
// other value a host passes names nothing (it is never dereferenced).
TEST(MediaErrorIdentity, OnlyItemsBeingDeliveredResolve) {
  IDispatch *first = reinterpret_cast<IDispatch *>(std::uintptr_t(0x1000));
  IDispatch *second = reinterpret_cast<IDispatch *>(std::uintptr_t(0x2000));
  EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(first)), nullptr);
  {
    ScopedMediaErrorItem outer(first);
    {
      ScopedMediaErrorItem inner(second);
      EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(second)), second);
      EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(first)), first);
      EXPECT_EQ(ResolveMediaIdentity(1234), nullptr);
      EXPECT_EQ(ResolveMediaIdentity(0), nullptr);
    }
    EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(second)), nullptr);
    EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(first)), first);
  }
  EXPECT_EQ(ResolveMediaIdentity(MediaIdentity(first)), nullptr);
}

} // namespace
