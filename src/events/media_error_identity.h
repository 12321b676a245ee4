// The media error notification carries its item as a 32-bit value. Where
// addresses are wider, the sink keeps the item of the event being delivered
// here so that the player can turn that value back into the item.
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
  IDispatch *media;
  ScopedMediaErrorItem *outer;
};

// The 32-bit identity of an item, as the host sees it.
long MediaIdentity(IDispatch *media);

// The item a 32-bit identity stands for: the pointer itself where
// addresses are 32 bits, else an item being delivered on this thread;
// null when none matches.
IDispatch *ResolveMediaIdentity(long identity);
