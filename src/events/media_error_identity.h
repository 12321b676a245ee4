// The media error notification carries its item as a 32-bit value, valid
// only while the event is delivered. The sink keeps the items of the events
// being delivered here so that the player can turn that value back into
// the item, where addresses are wider than 32 bits as well as where a host
// passes a value that names no item.
#pragma once

#include <windows.h>

// Marks `media` as the item of the media error being delivered on this
// thread, for the lifetime of the object. Nests.
class ScopedMediaErrorItem {
public:
  explicit ScopedMediaErrorItem(IDispatch *media);
  ~ScopedMediaErrorItem();
  ScopedMediaErrorItem(const ScopedMediaErrorItem &) = delete;
  ScopedMediaErrorItem &operator=(const ScopedMediaErrorItem &) = delete;

private:
  friend IDispatch *ResolveMediaIdentity(long identity);

  IDispatch *media;
  ScopedMediaErrorItem *outer;
};

// The 32-bit identity of an item, as the host sees it.
long MediaIdentity(IDispatch *media);

// The item a 32-bit identity stands for: an item being delivered on this
// thread, innermost first; null when none matches.
IDispatch *ResolveMediaIdentity(long identity);
