#include "output_devices.h"

#include <gst/gst.h>

#include <cstdio>
#include <cstring>

namespace {

// "pulse:NAME" or "alsa:DEVICE" for a device, from the sink element it makes.
std::string OutputName(GstDevice *device) {
  GstElement *sink = gst_device_create_element(device, nullptr);
  if (sink == nullptr)
    return {};
  gst_object_ref_sink(sink);
  std::string name;
  gchar *value = nullptr;
  GstElementFactory *factory = gst_element_get_factory(sink);
  const char *kind = factory ? GST_OBJECT_NAME(factory) : "";
  if (g_object_class_find_property(G_OBJECT_GET_CLASS(sink), "device"))
    g_object_get(sink, "device", &value, nullptr);
  if (value && std::strcmp(kind, "pulsesink") == 0)
    name = std::string("pulse:") + value;
  else if (value && std::strcmp(kind, "alsasink") == 0)
    name = std::string("alsa:") + value;
  g_free(value);
  gst_object_unref(sink);
  return name;
}

} // namespace

int ListOutputDevices() {
  if (!gst_init_check(nullptr, nullptr, nullptr))
    return 1;
  GstDeviceMonitor *monitor = gst_device_monitor_new();
  gst_device_monitor_add_filter(monitor, "Audio/Sink", nullptr);
  int listed = 0;
  if (gst_device_monitor_start(monitor)) {
    GList *devices = gst_device_monitor_get_devices(monitor);
    for (GList *item = devices; item != nullptr; item = item->next) {
      GstDevice *device = GST_DEVICE(item->data);
      const std::string name = OutputName(device);
      if (name.empty())
        continue;
      gchar *description = gst_device_get_display_name(device);
      std::printf("%s  %s\n", name.c_str(), description ? description : "");
      g_free(description);
      ++listed;
    }
    g_list_free_full(devices, gst_object_unref);
    gst_device_monitor_stop(monitor);
  }
  gst_object_unref(monitor);
  if (listed == 0)
    std::fprintf(stderr, "audioplay: no audio output found\n");
  return listed ? 0 : 1;
}

std::string DeviceOutput(const std::string &device) {
  if (device.rfind("pulse:", 0) == 0 || device.rfind("alsa:", 0) == 0)
    return device;
  return "pulse:" + device;
}
