#include "events/media_error_identity.h"

namespace {
thread_local ScopedMediaErrorItem *innermost = nullptr;
thread_local IDispatch *innermostMedia = nullptr;
} // namespace

ScopedMediaErrorItem::ScopedMediaErrorItem(IDispatch *item) : media(item), outer(innermost) {
  innermost = this;
  innermostMedia = media;
}

ScopedMediaErrorItem::~ScopedMediaErrorItem() {
  innermost = outer;
  innermostMedia = outer ? outer->media : nullptr;
}

long MediaIdentity(IDispatch *media) {
  return long(LONG(reinterpret_cast<UINT_PTR>(media)));
}

IDispatch *ResolveMediaIdentity(long identity) {
  if constexpr (sizeof(void *) == sizeof(LONG)) {
    return reinterpret_cast<IDispatch *>(UINT_PTR(ULONG(identity)));
  } else {
    // Only the innermost delivery can be asked about: the host callback of
    // an outer one has not run yet when a nested one is delivered.
    if (innermostMedia != nullptr && MediaIdentity(innermostMedia) == identity)
      return innermostMedia;
    return nullptr;
  }
}
