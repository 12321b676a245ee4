// audioplayer on Linux: waiting for the player's notifications from a main
// loop that is not GetMessageW's: GLib's (GTK), Qt's, or any loop built on
// poll, select or epoll.
//
// The player's notifications arrive while its thread dispatches that
// thread's messages (audioplayer.h). A host that runs another loop asks
// for the thread's message descriptor and watches it for reading: it is
// readable while the thread has messages waiting, and stops being readable
// once they are all taken. When it is readable, the host takes and
// dispatches every waiting message:
//
//   MSG message;
//   while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
//     DispatchMessageW(&message); // notifications run in here
//
// With GLib, on the thread that made the player:
//
//   g_unix_fd_add(AudioPlayerMessageFd(), G_IO_IN, [](int, GIOCondition, gpointer) {
//     MSG message;
//     while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
//       DispatchMessageW(&message);
//     return gboolean(G_SOURCE_CONTINUE);
//   }, nullptr);
//
// With Qt, a QSocketNotifier(AudioPlayerMessageFd(), QSocketNotifier::Read)
// whose activated signal runs the same two lines.
//
// The loop then sleeps until the player has something to say: nothing
// polls, no timer is needed. WM_QUIT (PostQuitMessage) counts as a message
// too; a host that takes it ends its loop as it sees fit.
#pragma once

#include "audioplayer.h"

// The calling thread's message descriptor: call it on the thread that made
// the player (each thread has its own). The descriptor belongs to the
// library and stays open for as long as the thread lives: never close it,
// read it or write it; only wait on it. -1 when the system cannot make one
// (errno says why).
extern "C" PLATFORM_HOST_API int AudioPlayerMessageFd();
