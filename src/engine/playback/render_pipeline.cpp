#include "engine/playback/render_pipeline.h"

#include <gst/gst.h>

#include <cstring>
#include <vector>

#include "engine/playback/decoder_choice.h"

namespace engine {

namespace {

// What stays from item to item; the rest is the item's reading and decoding.
struct Kept {
  GstElement *input;  // the converter before the filter, which takes the decoded stream
  GstElement *filter; // may be null
  GstElement *volume;
  GstElement *output;

  bool Holds(GstElement *element) const {
    return element == input || element == filter || element == volume || element == output;
  }
};

const char kKeptName[] = "audioplayer-render-kept";
const char kDecoderName[] = "audioplayer-render-decoder";

Kept *KeptIn(GstElement *pipeline) {
  return static_cast<Kept *>(g_object_get_data(G_OBJECT(pipeline), kKeptName));
}

// Whether the pad's caps (or, before they are set, what it can give) are
// of a type whose name starts with `prefix`.
bool Gives(GstPad *pad, const char *prefix) {
  GstCaps *caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr)
    caps = gst_pad_query_caps(pad, nullptr);
  const bool gives =
      caps != nullptr && !gst_caps_is_empty(caps) &&
      g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), prefix);
  if (caps != nullptr)
    gst_caps_unref(caps);
  return gives;
}

bool InputLinked(GstElement *input) {
  GstPad *sink = gst_element_get_static_pad(input, "sink");
  const bool linked = gst_pad_is_linked(sink);
  gst_object_unref(sink);
  return linked;
}

void FailForNoAudio(GstElement *element) {
  GST_ELEMENT_ERROR(element, STREAM, WRONG_TYPE, ("No audio stream"), (nullptr));
}

// The decoder's first raw audio stream goes to the filter; the others,
// and any picture, are left unlinked (their demuxer goes on while one of
// its streams is linked).
void OnDecodedPad(GstElement *, GstPad *pad, gpointer input) {
  GstPad *sink = gst_element_get_static_pad(GST_ELEMENT(input), "sink");
  if (!gst_pad_is_linked(sink) && Gives(pad, "audio/x-raw"))
    gst_pad_link(pad, sink);
  gst_object_unref(sink);
}

void OnDecodedAll(GstElement *decoder, gpointer input) {
  if (!InputLinked(GST_ELEMENT(input)))
    FailForNoAudio(decoder);
}

void ConnectDecoder(GstElement *decoder, GstElement *input) {
  g_signal_connect(decoder, "pad-added", G_CALLBACK(OnDecodedPad), input);
  g_signal_connect(decoder, "no-more-pads", G_CALLBACK(OnDecodedAll), input);
}

// The stream is framed already: decodebin would plug a parser again
// (FLAC's), which costs a quarter of the decoding.
gint SkipParsers(GstElement *, GstPad *, GstCaps *, GstElementFactory *factory, gpointer) {
  constexpr gint kTry = 0, kSkip = 2; // GstAutoplugSelectResult
  return gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_PARSER) ? kSkip : kTry;
}

// decodebin's choice of audio decoder for `caps` (the highest rank among
// those that may take them, but those passed over), with a reference, where
// it takes every stream the caps can be as it is; null where it may not (an
// MP3's caps before its parser, which do not say the stream is framed).
GstElementFactory *DecoderFor(GstCaps *caps) {
  static GList *const decoders = gst_element_factory_list_get_elements(
      GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO, GST_RANK_MARGINAL);
  GList *taking = gst_element_factory_list_filter(decoders, caps, GST_PAD_SINK, FALSE);
  taking = g_list_sort(taking, gst_plugin_feature_rank_compare_func);
  GList *at = taking;
  while (at != nullptr && PassedOver(GST_ELEMENT_FACTORY(at->data), caps))
    at = at->next;
  auto *first = at ? GST_ELEMENT_FACTORY(at->data) : nullptr;
  auto *chosen = first && gst_element_factory_can_sink_all_caps(first, caps)
                     ? GST_ELEMENT_FACTORY(gst_object_ref(first))
                     : nullptr;
  gst_plugin_feature_list_free(taking);
  return chosen;
}

bool Decodable(GstCaps *caps) {
  GstElementFactory *decoder = DecoderFor(caps);
  if (decoder != nullptr)
    gst_object_unref(decoder);
  return decoder != nullptr;
}

// A demuxer's stream is framed by its container: parsing it again (Vorbis's,
// Opus's, AAC's parser after their demuxer) costs a tenth of the decoding,
// so it goes to the decoder as it is, where a decoder takes it.
gboolean ParseFurther(GstElement *, GstPad *pad, GstCaps *caps, gpointer) {
  // parsebin asks with a pad of its own that stands for the element's.
  GstPad *own = GST_IS_GHOST_PAD(pad) ? gst_ghost_pad_get_target(GST_GHOST_PAD(pad))
                                      : GST_PAD(gst_object_ref(pad));
  GstElement *from = own ? gst_pad_get_parent_element(own) : nullptr;
  GstElementFactory *factory = from ? gst_element_get_factory(from) : nullptr;
  const gchar *kind = factory ? gst_element_factory_get_klass(factory) : nullptr;
  // A tag's demuxer (ID3, APE) gives the stream as the file has it.
  const bool demuxed = kind != nullptr && std::strstr(kind, "Demux") != nullptr &&
                       std::strstr(kind, "Metadata") == nullptr;
  if (from != nullptr)
    gst_object_unref(from);
  if (own != nullptr)
    gst_object_unref(own);
  return !(demuxed && Decodable(caps));
}

// The decoder for the parser's stream, not yet in the pipeline: the one a
// decodebin would take, made directly (decodebin's type finding and pads
// cost about a twentieth of decoding AAC), or a decodebin where that
// decoder may not take every stream the pad can give (an MP3 parser's,
// which can give any rate before its stream's caps are told).
GstElement *MakeDecoder(GstPad *pad, GstElement *input) {
  GstCaps *caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) // not told yet: what the parser can give
    caps = gst_pad_query_caps(pad, nullptr);
  GstElementFactory *factory = caps ? DecoderFor(caps) : nullptr;
  if (caps != nullptr)
    gst_caps_unref(caps);
  if (factory != nullptr) {
    GstElement *decoder = gst_element_factory_create(factory, nullptr);
    gst_object_unref(factory);
    return decoder;
  }
  GstElement *decoder = gst_element_factory_make("decodebin", nullptr);
  if (decoder != nullptr) {
    ConnectDecoder(decoder, input);
    g_signal_connect(decoder, "autoplug-select", G_CALLBACK(SkipParsers), nullptr);
  }
  return decoder;
}

// The parser's first audio stream gets a decoder of its own, unless it
// is raw already (a WAV file's).
void OnParsedPad(GstElement *parser, GstPad *pad, gpointer input) {
  if (g_object_get_data(G_OBJECT(parser), kDecoderName) != nullptr || !Gives(pad, "audio/"))
    return;
  if (Gives(pad, "audio/x-raw")) {
    g_object_set_data(G_OBJECT(parser), kDecoderName, input);
    OnDecodedPad(parser, pad, input);
    return;
  }
  GstElement *decoder = MakeDecoder(pad, GST_ELEMENT(input));
  GstObject *pipeline = gst_element_get_parent(parser);
  if (decoder == nullptr || pipeline == nullptr) {
    if (decoder != nullptr)
      gst_object_unref(gst_object_ref_sink(decoder));
    if (pipeline != nullptr)
      gst_object_unref(pipeline);
    return; // no-more-pads says so
  }
  g_object_set_data(G_OBJECT(parser), kDecoderName, decoder);
  gst_bin_add(GST_BIN(pipeline), decoder);
  if (GstPad *decoded = gst_element_get_static_pad(decoder, "src")) { // not decodebin's
    OnDecodedPad(decoder, decoded, input);
    gst_object_unref(decoded);
  }
  // Running before the parser's pad is linked to it: the parser pushes at
  // once, and a pad not yet active takes data with a critical warning.
  gst_element_sync_state_with_parent(decoder);
  GstPad *sink = gst_element_get_static_pad(decoder, "sink");
  gst_pad_link(pad, sink);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
}

void OnParsedAll(GstElement *parser, gpointer) {
  if (g_object_get_data(G_OBJECT(parser), kDecoderName) == nullptr)
    FailForNoAudio(parser);
}

void ReportMissing(GstElement *pipeline, const char *factory) {
  GError *error = g_error_new(GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN,
                              "No %s element to read the item", factory);
  gst_element_post_message(pipeline, gst_message_new_error(GST_OBJECT(pipeline), error, nullptr));
  g_error_free(error);
}

// The item's elements, added to the pipeline; what cannot be made is
// reported as a missing plugin.
void AddReading(GstElement *pipeline, Kept *kept, const std::string &uri) {
  gchar *path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  const char *const first = path ? "filesrc" : "uridecodebin";
  GstElement *source = gst_element_factory_make(first, nullptr);
  GstElement *parser = path ? gst_element_factory_make("parsebin", nullptr) : nullptr;
  if (source == nullptr || (path && parser == nullptr)) {
    for (GstElement *made : {source, parser})
      if (made != nullptr)
        gst_object_unref(gst_object_ref_sink(made));
    ReportMissing(pipeline, source ? "parsebin" : first);
    g_free(path);
    return;
  }
  gst_bin_add(GST_BIN(pipeline), source);
  if (path) {
    g_object_set(source, "location", path, nullptr);
    g_signal_connect(parser, "pad-added", G_CALLBACK(OnParsedPad), kept->input);
    g_signal_connect(parser, "no-more-pads", G_CALLBACK(OnParsedAll), nullptr);
    g_signal_connect(parser, "autoplug-continue", G_CALLBACK(ParseFurther), nullptr);
    gst_bin_add(GST_BIN(pipeline), parser);
    gst_element_link(source, parser);
  } else {
    g_object_set(source, "uri", uri.c_str(), nullptr);
    ConnectDecoder(source, kept->input);
  }
  g_free(path);
}

// A decoder that can give several formats takes the first that what follows
// it accepts, in that element's order, and the converter lists floats
// first: its answer is put in the asker's order, so that a decoder made
// directly gives its own first format (mpg123's 16-bit integers), as it
// does inside a decodebin, which negotiates before it links.
GstPadProbeReturn InAskersOrder(GstPad *, GstPadProbeInfo *info, gpointer) {
  GstQuery *query = GST_PAD_PROBE_INFO_QUERY(info);
  if (GST_QUERY_TYPE(query) != GST_QUERY_CAPS ||
      !(GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_PULL))
    return GST_PAD_PROBE_OK;
  GstCaps *filter = nullptr, *result = nullptr;
  gst_query_parse_caps(query, &filter);
  gst_query_parse_caps_result(query, &result);
  if (filter != nullptr && result != nullptr) {
    GstCaps *ordered = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
    gst_query_set_caps_result(query, ordered);
    gst_caps_unref(ordered);
  }
  return GST_PAD_PROBE_OK;
}

} // namespace

GstElement *MakeRenderPipeline(GstElement *filter, GstElement *output) {
  GstElement *input = gst_element_factory_make("audioconvert", nullptr);
  GstElement *volume = gst_element_factory_make("volume", nullptr);
  if (input == nullptr || volume == nullptr || output == nullptr) {
    for (GstElement *made : {input, volume, filter, output})
      if (made != nullptr)
        gst_object_unref(gst_object_ref_sink(made));
    return nullptr;
  }
  GstPad *taking = gst_element_get_static_pad(input, "sink");
  gst_pad_add_probe(taking, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, InAskersOrder, nullptr, nullptr);
  gst_object_unref(taking);
  GstElement *pipeline = gst_pipeline_new(nullptr);
  gst_object_ref_sink(pipeline);
  gst_bin_add_many(GST_BIN(pipeline), input, volume, output, nullptr);
  if (filter != nullptr) {
    gst_bin_add(GST_BIN(pipeline), filter);
    gst_element_link_many(input, filter, volume, nullptr);
  } else {
    gst_element_link(input, volume);
  }
  gst_element_link(volume, output);
  g_object_set_data_full(G_OBJECT(pipeline), kKeptName, new Kept{input, filter, volume, output},
                         [](gpointer kept) { delete static_cast<Kept *>(kept); });
  return pipeline;
}

void LoadIntoRender(GstElement *pipeline, const std::string &uri) {
  Kept *kept = KeptIn(pipeline);
  std::vector<GstElement *> last;
  GstIterator *children = gst_bin_iterate_elements(GST_BIN(pipeline));
  GValue child = G_VALUE_INIT;
  while (gst_iterator_next(children, &child) == GST_ITERATOR_OK) {
    auto *element = GST_ELEMENT(g_value_get_object(&child));
    if (!kept->Holds(element))
      last.push_back(GST_ELEMENT(gst_object_ref(element)));
    g_value_reset(&child);
  }
  g_value_unset(&child);
  gst_iterator_free(children);
  for (GstElement *element : last) {
    gst_element_set_state(element, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline), element);
    gst_object_unref(element);
  }
  AddReading(pipeline, kept, uri);
}

GstElement *RenderOutput(GstElement *pipeline) {
  return KeptIn(pipeline)->output;
}

void SetRenderVolume(GstElement *pipeline, double linear, bool mute) {
  g_object_set(KeptIn(pipeline)->volume, "volume", linear, "mute", gboolean(mute), nullptr);
}

} // namespace engine
