#include <pulse/pulseaudio.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/base/dispatch.h"
#include "platform/audio_hardware.h"
#include "platform/linux/pulse_connection.h"

namespace orvak::platform {

namespace {

std::string prop(const pa_proplist* list, const char* key) {
  const char* v = list != nullptr ? pa_proplist_gets(list, key) : nullptr;
  return v != nullptr ? v : "";
}

OutputDevice describeSink(const pa_sink_info& info) {
  OutputDevice d;
  d.id = info.index;
  d.name = info.description != nullptr ? info.description : "";
  d.bus = prop(info.proplist, PA_PROP_DEVICE_BUS);
  const std::string form = prop(info.proplist, PA_PROP_DEVICE_FORM_FACTOR);
  bool port = false;
  if (info.active_port != nullptr) {
    const pa_sink_port_info& p = *info.active_port;
    port = p.type == PA_DEVICE_PORT_TYPE_HEADPHONES || p.type == PA_DEVICE_PORT_TYPE_HEADSET ||
           (p.name != nullptr && std::strstr(p.name, "headphone") != nullptr);
  }
  d.headphonesPort = port || form == "headphone" || form == "headset";
  return d;
}

// Reads the default sink on `context`; `done` gets it (or nothing) on the loop's thread.
void readDefaultSink(pa_context* context, std::function<void(std::optional<OutputDevice>)> done) {
  using Done = std::function<void(std::optional<OutputDevice>)>;
  auto* holder = new Done(std::move(done));
  pa_operation* op = pa_context_get_server_info(
      context,
      [](pa_context* c, const pa_server_info* server, void* user) {
        auto* d = static_cast<Done*>(user);
        if (server == nullptr || server->default_sink_name == nullptr || *server->default_sink_name == 0) {
          (*d)(std::nullopt);
          delete d;
          return;
        }
        pa_operation* inner = pa_context_get_sink_info_by_name(
            c, server->default_sink_name,
            [](pa_context*, const pa_sink_info* info, int eol, void* user2) {
              // One call with the sink, then one marking the end (or only the end, on error).
              auto* d2 = static_cast<Done*>(user2);
              if (eol != 0) {
                if (*d2) (*d2)(std::nullopt);
                delete d2;
                return;
              }
              if (*d2 && info != nullptr) {
                (*d2)(describeSink(*info));
                *d2 = nullptr;
              }
            },
            d);
        if (inner == nullptr) {
          (*d)(std::nullopt);
          delete d;
          return;
        }
        pa_operation_unref(inner);
      },
      holder);
  if (op == nullptr) {
    (*holder)(std::nullopt);
    delete holder;
    return;
  }
  pa_operation_unref(op);
}

// Watches on a loop thread of its own; lives for the process.
class Watcher {
 public:
  Watcher(const std::string& clientName, std::function<void()> onChange) : onChange_(std::move(onChange)) {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) return;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), clientName.c_str());
    if (context_ == nullptr) return;
    pa_context_set_state_callback(context_, &Watcher::stateChanged, this);
    pa_context_set_subscribe_callback(context_, &Watcher::event, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
    pa_threaded_mainloop_start(loop_);
  }
  ~Watcher() {
    if (loop_ != nullptr) pa_threaded_mainloop_stop(loop_);
    if (context_ != nullptr) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    if (loop_ != nullptr) pa_threaded_mainloop_free(loop_);
  }
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;

 private:
  static void stateChanged(pa_context* c, void* user) {
    auto* self = static_cast<Watcher*>(user);
    if (pa_context_get_state(c) != PA_CONTEXT_READY) return;
    self->refresh(false);
    pa_operation* op = pa_context_subscribe(
        c, static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK), nullptr, nullptr);
    if (op != nullptr) pa_operation_unref(op);
  }
  static void event(pa_context*, pa_subscription_event_type_t, uint32_t, void* user) {
    static_cast<Watcher*>(user)->refresh(true);
  }
  // Sink events come for volume changes too: report only a different device or port.
  void refresh(bool report) {
    readDefaultSink(context_, [this, report](std::optional<OutputDevice> d) {
      const std::string key = d ? std::to_string(d->id) + "|" + d->name + "|" + (d->headphonesPort ? "h" : "-") : "";
      if (report && key != last_) {
        auto cb = onChange_;
        dispatch::main().async([cb] { cb(); });
      }
      last_ = key;
    });
  }

  std::function<void()> onChange_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  std::string last_;
};

class PulseAudioHardware final : public AudioHardware {
 public:
  explicit PulseAudioHardware(std::string clientName) : clientName_(std::move(clientName)) {}

  std::optional<OutputDevice> defaultOutput() override {
    pulse::Connection connection(clientName_);
    if (!connection.ok()) return std::nullopt;
    std::optional<OutputDevice> result;
    bool answered = false;
    readDefaultSink(connection.context(), [&](std::optional<OutputDevice> d) {
      result = std::move(d);
      answered = true;
    });
    connection.runUntil([&] { return answered; });
    return result;
  }

  std::vector<RecordingProcess> recordingProcesses() override {
    std::vector<RecordingProcess> result;
    pulse::Connection connection(clientName_);
    if (!connection.ok()) return result;
    pa_operation* op = pa_context_get_source_output_info_list(
        connection.context(),
        [](pa_context*, const pa_source_output_info* info, int eol, void* user) {
          if (eol != 0 || info == nullptr || info->corked != 0) return;
          RecordingProcess p;
          const std::string pid = prop(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
          p.pid = pid.empty() ? 0 : std::atoi(pid.c_str());
          p.binary = prop(info->proplist, PA_PROP_APPLICATION_PROCESS_BINARY);
          p.appName = prop(info->proplist, PA_PROP_APPLICATION_NAME);
          static_cast<std::vector<RecordingProcess>*>(user)->push_back(std::move(p));
        },
        &result);
    if (!connection.await(op)) result.clear();
    return result;
  }

  void watch(std::function<void()> onChange) override {
    std::lock_guard lock(mutex_);
    // Watchers are never removed, as callers install theirs once.
    watchers_.push_back(std::make_unique<Watcher>(clientName_, std::move(onChange)));
  }

 private:
  std::string clientName_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Watcher>> watchers_;
};

}  // namespace

std::unique_ptr<AudioHardware> makePulseAudioHardware(std::string clientName) {
  return std::make_unique<PulseAudioHardware>(std::move(clientName));
}

AudioHardware& audioHardware() {
  static auto* hardware = makePulseAudioHardware("Orvak").release();
  return *hardware;
}

}  // namespace orvak::platform
