#include "events/media_error_identity.h"

namespace {
thread_local ScopedMediaErrorItem *innermost = nullptr;
} // namespace

ScopedMediaErrorItem::ScopedMediaErrorItem(IDispatch *item) : media(item), outer(innermost) {
  innermost = this;
}

ScopedMediaErrorItem::~ScopedMediaErrorItem() {
  innermost = outer;
}

long MediaIdentity(IDispatch *media) {
  return long(LONG(reinterpret_cast<UINT_PTR>(media)));
}

IDispatch *ResolveMediaIdentity(long identity) {
  // Even where the identity is the address itself, only an item being
  // delivered is known to be alive: any other value a host passes is no
  // item at all.
  for (ScopedMediaErrorItem *delivery = innermost; delivery != nullptr;
       delivery = delivery->outer) {
    if (delivery->media != nullptr && MediaIdentity(delivery->media) == identity)
      return delivery->media;
  }
  return nullptr;
}
