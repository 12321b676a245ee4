// Whether a stream comes from a broadcast: its HTTP response named a
// station (icy-name, icy-metaint, ice-audio-info: the headers Icecast,
// Shoutcast and the radio servers after them send). A stream without a
// length from anything else is a file served without one (chunked, or to
// the close of the connection), whose end is its end.
#pragma once

typedef struct _GstElement GstElement;
typedef struct _GstEvent GstEvent;
typedef struct _GstStructure GstStructure;

namespace engine {

// Looks at the response headers the pipeline's HTTP source passed on with
// its data; false where there is none or they name no station.
bool ComesFromStation(GstElement *pipeline);

// The response headers of an HTTP source's "http-headers" event, the
// caller's to free; null for any other event.
GstStructure *ResponseHeadersOf(GstEvent *event);

} // namespace engine
