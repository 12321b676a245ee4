// Window classes, registered messages and windows. A window here is a
// record: its class's procedure, its styles, placement, text and parent; it
// draws nothing itself (its X11 side, where one is asked for, is
// screen_window.cpp's). Window procedures may re-enter any of these functions, so
// the table's lock is always let go before one is called.
#include <unistd.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "window_registry.h"

namespace platform {

WindowTable &window_table() {
  static WindowTable *table = new WindowTable();
  return *table;
}

} // namespace platform

namespace {

using platform::Window;
using platform::window_table;
using platform::WindowClass;
using platform::WindowTable;

// Class and message names are case-insensitive, as on Windows.
std::u16string fold(LPCWSTR name) {
  std::u16string key(name);
  for (char16_t &c : key)
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  return key;
}

// A name may also be given as an atom (MAKEINTATOM): a "pointer" below 0x10000.
bool is_atom(LPCWSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF;
}

// Class names and registered messages share one atom table, as on Windows.
ATOM intern(WindowTable &table, const std::u16string &key) {
  auto found = table.atoms.find(key);
  if (found != table.atoms.end())
    return found->second;
  if (table.next_atom == 0)
    return 0; // the range 0xC000-0xFFFF is used up
  ATOM atom = table.next_atom++;
  table.atoms.emplace(key, atom);
  return atom;
}

WindowClass *find_class(WindowTable &table, LPCWSTR name) {
  if (name == nullptr)
    return nullptr;
  if (is_atom(name)) {
    auto atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
    for (auto &[key, cls] : table.classes)
      if (cls.atom == atom)
        return &cls;
    return nullptr;
  }
  auto found = table.classes.find(fold(name));
  return found == table.classes.end() ? nullptr : &found->second;
}

Window *find_window(WindowTable &table, HWND handle) {
  auto found = table.windows.find(handle);
  return found == table.windows.end() ? nullptr : &found->second;
}

// Looks a window up for a caller that only reads or writes its record.
template <class Action>
auto with_window(HWND handle, decltype(std::declval<Action>()(std::declval<Window &>())) failed,
                 Action action) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  Window *window = find_window(table, handle);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return failed;
  }
  return action(*window);
}

// Owned popups and overlapped windows are top-level, like unowned ones.
bool is_child(const Window &window) {
  return (window.style & WS_CHILD) != 0 && window.parent != nullptr;
}

int copy_text(const std::u16string &text, LPWSTR out, int capacity) {
  if (out == nullptr || capacity <= 0)
    return 0;
  int length = static_cast<int>(std::min<std::size_t>(text.size(), capacity - 1));
  std::copy_n(text.data(), length, out);
  out[length] = 0;
  return length;
}

// A child of `parent` whose destruction has not begun yet, or null.
HWND live_child(HWND parent) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  for (auto &[handle, window] : table.windows)
    if (window.parent == parent && !window.destroying)
      return handle;
  return nullptr;
}

// WM_DESTROY goes to the window while its children still exist, then the
// children are destroyed, then the window gets WM_NCDESTROY and is gone.
// `sendDestroy` is false for a window whose WM_NCCREATE refused creation.
BOOL destroy(HWND handle, bool sendDestroy) {
  WindowTable &table = window_table();
  {
    std::lock_guard lock(table.mutex);
    Window *window = find_window(table, handle);
    if (window == nullptr || window->destroying) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    window->destroying = true;
  }
  if (sendDestroy)
    SendMessageW(handle, WM_DESTROY, 0, 0);
  while (HWND child = live_child(handle))
    destroy(child, true);
  SendMessageW(handle, WM_NCDESTROY, 0, 0);
  platform::screen_window_destroyed(handle);
  std::lock_guard lock(table.mutex);
  auto found = table.windows.find(handle);
  DWORD thread = found->second.thread;
  table.windows.erase(found);
  platform::forget_window_messages(table, handle, thread);
  return TRUE;
}

} // namespace

extern "C" {

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW *wc) {
  if (wc == nullptr || wc->lpfnWndProc == nullptr || wc->lpszClassName == nullptr ||
      is_atom(wc->lpszClassName) || wc->lpszClassName[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  std::u16string key = fold(wc->lpszClassName);
  if (table.classes.count(key) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  ATOM atom = intern(table, key);
  if (atom == 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  WindowClass &cls = table.classes[key];
  cls.info = *wc;
  cls.name = wc->lpszClassName;
  cls.atom = atom;
  return atom;
}

// Classes are known by name alone: any instance finds them, which is how a
// CS_GLOBALCLASS class behaves on Windows.
BOOL WINAPI GetClassInfoExW(HINSTANCE /*instance*/, LPCWSTR className, WNDCLASSEXW *wc) {
  if (wc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  WindowClass *cls = find_class(table, className);
  if (cls == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *wc = cls->info;
  wc->cbSize = sizeof(WNDCLASSEXW);
  // The caller's name outlives our copy's use; ours goes with the class.
  wc->lpszClassName = className;
  return cls->atom;
}

BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE /*instance*/) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  WindowClass *cls = find_class(table, className);
  if (cls == nullptr) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  std::u16string key = fold(cls->name.c_str());
  for (auto &[handle, window] : table.windows)
    if (window.class_key == key) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  table.classes.erase(key);
  return TRUE;
}

UINT WINAPI RegisterWindowMessageW(LPCWSTR name) {
  if (name == nullptr || is_atom(name) || name[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  ATOM atom = intern(table, fold(name));
  if (atom == 0)
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return atom;
}

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                            int x, int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param) {
  WindowTable &table = window_table();
  HWND handle;
  {
    std::lock_guard lock(table.mutex);
    WindowClass *cls = find_class(table, className);
    if (cls == nullptr) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (parent != nullptr && find_window(table, parent) == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    // The creating thread owns the window, so it needs a queue for its posts.
    platform::current_queue(table);
    handle = reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(0x10000 + 0x10 * ++table.windows_created));
    Window window{fold(cls->name.c_str()),
                  cls->name,
                  cls->info.lpfnWndProc,
                  instance,
                  menu,
                  parent,
                  GetCurrentThreadId(),
                  style,
                  exStyle,
                  RECT{x, y, x + width, y + height},
                  windowName ? std::u16string(windowName) : std::u16string()};
    table.windows.emplace(handle, std::move(window));
  }
  CREATESTRUCTW create{
      param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  if (!SendMessageW(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
    destroy(handle, false);
    return nullptr;
  }
  if (!IsWindow(handle))
    return nullptr; // its procedure destroyed it
  if (SendMessageW(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return IsWindow(handle) ? handle : nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
  return destroy(window, true);
}

// Only the tests call this: they read back with it what the back end did.
BOOL WINAPI EnumThreadWindows(DWORD thread, WNDENUMPROC callback, LPARAM data) {
  std::vector<HWND> found;
  {
    WindowTable &table = window_table();
    std::lock_guard lock(table.mutex);
    for (const auto &[handle, window] : table.windows)
      if (window.thread == thread && !is_child(window) && !window.destroying)
        found.push_back(handle);
  }
  // The callback runs unlocked and may destroy windows: each is checked again.
  for (HWND handle : found)
    if (IsWindow(handle) && !callback(handle, data))
      return FALSE;
  return !found.empty();
}

BOOL WINAPI IsWindow(HWND window) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  return find_window(table, window) != nullptr;
}

// Visible means WS_VISIBLE on the window and on every parent it is a child of.
BOOL WINAPI IsWindowVisible(HWND window) {
  WindowTable &table = window_table();
  std::lock_guard lock(table.mutex);
  for (Window *w = find_window(table, window); w != nullptr;) {
    if ((w->style & WS_VISIBLE) == 0)
      return FALSE;
    if ((w->style & WS_CHILD) == 0 || w->parent == nullptr)
      return TRUE;
    w = find_window(table, w->parent);
  }
  return FALSE;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  const bool show = command != SW_HIDE;
  int was = with_window(window, -1, [&](Window &w) {
    bool visible = (w.style & WS_VISIBLE) != 0;
    w.style = show ? (w.style | WS_VISIBLE) : (w.style & ~static_cast<DWORD>(WS_VISIBLE));
    return visible ? 1 : 0;
  });
  if (was < 0)
    return FALSE;
  if (was != static_cast<int>(show)) {
    SendMessageW(window, WM_SHOWWINDOW, show, 0);
    platform::screen_visibility_changed(window);
  }
  return was;
}

// Only the tests call this: they read back with it what the back end did.
// A child's parent, or a popup's owner; an overlapped window has neither,
// even when it was created with an owner.
HWND WINAPI GetParent(HWND window) {
  return with_window(window, HWND{}, [](Window &w) {
    return is_child(w) || (w.style & WS_POPUP) != 0 ? w.parent : nullptr;
  });
}

// A host moves the player's window as its own layout changes; the
// window's X11 side follows. Nothing is drawn here, so `repaint` has no use.
BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL /*repaint*/) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (!with_window(window, false, [&](Window &w) {
        w.placement = RECT{x, y, x + width, y + height};
        return true;
      }))
    return FALSE;
  SendMessageW(window, WM_SIZE, 0, LPARAM((height & 0xFFFF) << 16 | (width & 0xFFFF)));
  platform::screen_window_moved(window);
  return TRUE;
}

// The window's place (a screen window takes it).
BOOL WINAPI GetWindowRect(HWND window, RECT *rect) {
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return with_window(window, BOOL{FALSE}, [&](Window &w) {
    *rect = w.placement;
    return TRUE;
  });
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
  return with_window(window, LONG_PTR{0}, [&](Window &w) -> LONG_PTR {
    switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w.style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w.ex_style);
    case GWLP_USERDATA:
      return w.user_data;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  });
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  return with_window(window, LONG_PTR{0}, [&](Window &w) -> LONG_PTR {
    LONG_PTR previous;
    switch (index) {
    case GWL_STYLE:
      previous = static_cast<LONG>(w.style);
      w.style = static_cast<DWORD>(value);
      return previous;
    case GWL_EXSTYLE:
      previous = static_cast<LONG>(w.ex_style);
      w.ex_style = static_cast<DWORD>(value);
      return previous;
    case GWLP_USERDATA:
      previous = w.user_data;
      w.user_data = value;
      return previous;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  });
}

LONG WINAPI GetWindowLongW(HWND window, int index) {
  return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

// Only the tests call this: they read back with it what the back end did.
int WINAPI GetWindowTextW(HWND window, LPWSTR text, int capacity) {
  return with_window(window, 0, [&](Window &w) { return copy_text(w.text, text, capacity); });
}

int WINAPI GetClassNameW(HWND window, LPWSTR name, int capacity) {
  return with_window(window, 0, [&](Window &w) { return copy_text(w.class_name, name, capacity); });
}

// Only the tests call this: they read back with it what the back end did.
DWORD WINAPI GetWindowThreadProcessId(HWND window, DWORD *process) {
  DWORD thread = with_window(window, DWORD{0}, [](Window &w) { return w.thread; });
  if (thread != 0 && process != nullptr)
    *process = static_cast<DWORD>(getpid());
  return thread;
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  switch (message) {
  case WM_NCCREATE:
    return TRUE;
  case WM_CLOSE:
    DestroyWindow(window);
    return 0;
  }
  return 0;
}

// Sent messages are direct calls, on the calling thread, even for a window
// of another thread; nothing here needs them marshalled.
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = with_window(window, WNDPROC{}, [](Window &w) { return w.procedure; });
  return procedure ? procedure(window, message, wParam, lParam) : 0;
}

LRESULT WINAPI DispatchMessageW(const MSG *msg) {
  if (msg == nullptr || msg->hwnd == nullptr)
    return 0; // thread messages have no procedure
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

} // extern "C"
