// The engine's own leak accounting: every COM object the engine hands out
// is counted from construction to destruction, so a test (or a host that
// wants to check its reference handling) can assert that none is left.
#pragma once

namespace engine {

// How many of the engine's COM objects are alive in the process now: players,
// controls, settings, media, playlists, collections and connection points.
// The class factory is static and not counted. Safe from any thread.
long LiveObjects();

// Called by each object's constructor (+1) and destructor (-1).
void CountLiveObject(int delta);

} // namespace engine
