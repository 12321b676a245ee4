// The audio outputs GStreamer's device monitor sees, for --list-devices,
// and the output a --device or --output-file option names.
#pragma once

#include <string>

// Prints "pulse:NAME  Description" (or alsa:DEVICE) a line per output the
// system has; returns the exit status (1 when none is found).
int ListOutputDevices();

// The AUDIOPLAYER_SINK value for a --device argument: "pulse:..." and
// "alsa:..." as they are, a bare name as a PulseAudio sink's.
std::string DeviceOutput(const std::string &device);
