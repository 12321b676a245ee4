// The event sink's dispatch face, Invoke, with arbitrary parameter blocks.
// Input layout, read from the front (missing bytes read as 0):
//   byte 0     flags: 1 null block, 2 named arguments (4: two of them),
//              8 no player set, 16 no argument array
//   byte 1     even: the event id is a published one (5001 + n % 1512),
//              odd: it is n itself
//   bytes 2-5  n, little-endian
//   byte 6     the argument count, modulo 9
//   then per argument, element 0 first: its VARTYPE (2 bytes) and the 8
//   bytes of its value (a BSTR is made of them as 4 units)
// The argument array holds exactly the count given, so that reading past it
// is caught.
//
// Checked: Invoke's status; nothing reaches the player with a null block,
// named arguments, too few arguments or no player; the six events that
// matter reach it with their code and, for 32-bit integers, their values.
#include "events/media_error_identity.h"
#include "events/wmp_event_dispatch.h"

#include <wmpids.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void Require(bool condition) {
  if (!condition)
    std::abort();
}

struct Forwarded {
  CallNotify code;
  long first, second;
};

// A player that only records what the sink hands it.
class RecordingPlayer : public CAudioPlayer {
public:
  void CallAudioProc(CallNotify code, long first, long second) override {
    received.push_back({code, first, second});
  }
  std::vector<Forwarded> received;
};

class Input {
public:
  Input(const std::uint8_t *data, std::size_t size) : data(data), size(size) {}
  template <typename T> T Read() {
    unsigned char bytes[sizeof(T)] = {};
    for (unsigned char &byte : bytes)
      byte = at < size ? data[at++] : 0;
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

private:
  const std::uint8_t *data;
  std::size_t size;
  std::size_t at = 0;
};

// The argument array as the control would build it; owns its BSTRs.
class Arguments {
public:
  Arguments(Input &input, UINT count) : values(count) {
    for (VARIANT &value : values) {
      VariantInit(&value);
      value.vt = input.Read<VARTYPE>();
      const auto bits = input.Read<std::uint64_t>();
      std::memcpy(&value.llVal, &bits, sizeof bits);
      if (value.vt == VT_BSTR) {
        OLECHAR text[4];
        std::memcpy(text, &bits, sizeof text);
        value.bstrVal = SysAllocStringLen(text, 4);
      }
    }
  }
  ~Arguments() {
    for (VARIANT &value : values)
      if (value.vt == VT_BSTR)
        SysFreeString(value.bstrVal);
  }
  Arguments(const Arguments &) = delete;
  Arguments &operator=(const Arguments &) = delete;

  VARIANT *Array() { return values.empty() ? nullptr : values.data(); }
  // The event's argument at `position`, counted from its first.
  const VARIANT &Argument(std::size_t position) const {
    return values[values.size() - 1 - position];
  }

private:
  std::vector<VARIANT> values;
};

// How many arguments the events that reach the player take; -1 for the
// events that do not.
int ForwardedArguments(DISPID member) {
  switch (member) {
  case DISPID_WMPCOREEVENT_OPENSTATECHANGE:
  case DISPID_WMPCOREEVENT_PLAYSTATECHANGE:
  case DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE:
  case DISPID_WMPCOREEVENT_MEDIAERROR:
    return 1;
  case DISPID_WMPCOREEVENT_ERROR:
    return 0;
  case DISPID_WMPOCXEVENT_CLICK:
    return 4;
  default:
    return -1;
  }
}

CallNotify CodeOf(DISPID member) {
  switch (member) {
  case DISPID_WMPCOREEVENT_OPENSTATECHANGE:
    return CN_OpenStateChange;
  case DISPID_WMPCOREEVENT_PLAYSTATECHANGE:
    return CN_PlayStateChange;
  case DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE:
    return CN_CurrentPlaylistChange;
  case DISPID_WMPCOREEVENT_MEDIAERROR:
    return CN_MediaError;
  case DISPID_WMPCOREEVENT_ERROR:
    return CN_Error;
  default:
    return CN_Click;
  }
}

void CheckForwarded(DISPID member, const Arguments &args, const std::vector<Forwarded> &received) {
  if (member == DISPID_WMPOCXEVENT_CLICK) {
    // Only a left click counts; its button is known when sent as a short.
    const VARIANT &button = args.Argument(0);
    if (received.empty()) {
      Require(button.vt != VT_I2 || button.iVal != 1);
      return;
    }
    Require(received.size() == 1 && received[0].code == CN_Click);
    Require(button.vt != VT_I2 || button.iVal == 1);
    Require(args.Argument(2).vt != VT_I4 || received[0].first == args.Argument(2).lVal);
    Require(args.Argument(3).vt != VT_I4 || received[0].second == args.Argument(3).lVal);
    return;
  }
  Require(received.size() == 1 && received[0].code == CodeOf(member) && received[0].second == 0);
  if (member == DISPID_WMPCOREEVENT_ERROR) {
    Require(received[0].first == 0);
    return;
  }
  const VARIANT &first = args.Argument(0);
  if (member == DISPID_WMPCOREEVENT_MEDIAERROR)
    Require(first.vt != VT_DISPATCH || received[0].first == MediaIdentity(first.pdispVal));
  else
    Require(first.vt != VT_I4 || received[0].first == first.lVal);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Input input(data, size);
  const auto flags = input.Read<std::uint8_t>();
  const bool nullBlock = flags & 1, noPlayer = flags & 8, noArray = flags & 16;
  const UINT namedCount = flags & 2 ? (flags & 4 ? 2 : 1) : 0;
  const bool published = input.Read<std::uint8_t>() % 2 == 0;
  const auto n = input.Read<std::uint32_t>();
  const DISPID member = published ? DISPID(5001 + n % 1512) : DISPID(n);
  const UINT count = input.Read<std::uint8_t>() % 9;
  Arguments args(input, count);

  std::vector<DISPID> namedIds(namedCount, DISPID(0));
  DISPPARAMS params{noArray ? nullptr : args.Array(), namedIds.empty() ? nullptr : namedIds.data(),
                    count, namedCount};

  RecordingPlayer player;
  ATL::CComObject<CWMPEventDispatch> *sink = nullptr;
  Require(ATL::CComObject<CWMPEventDispatch>::CreateInstance(&sink) == S_OK);
  CComPtr<IWMPEvents> hold(sink);
  if (!noPlayer)
    sink->SetPlayer(&player);

  _WMPOCXEvents *face = sink;
  const HRESULT status = face->Invoke(member, IID_NULL, 0, DISPATCH_METHOD,
                                      nullBlock ? nullptr : &params, nullptr, nullptr, nullptr);
  if (nullBlock) {
    Require(status == E_POINTER && player.received.empty());
    return 0;
  }
  if (namedCount != 0) {
    Require(status == DISP_E_NONAMEDARGS && player.received.empty());
    return 0;
  }
  Require(status == DISP_E_MEMBERNOTFOUND);
  const int needed = ForwardedArguments(member);
  if (noPlayer || needed < 0 || int(count) < needed || (count != 0 && noArray)) {
    Require(player.received.empty());
    return 0;
  }
  CheckForwarded(member, args, player.received);
  return 0;
}
