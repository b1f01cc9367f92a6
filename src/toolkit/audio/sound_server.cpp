#include "sound_server.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>

#include <chrono>

namespace tk::audio {

bool SoundServerAnswers(int timeout_ms) {
  pa_mainloop* loop = pa_mainloop_new();
  if (!loop) return false;
  pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "tamiro");
  bool ready = false;
  if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      const pa_context_state_t state = pa_context_get_state(context);
      if (state == PA_CONTEXT_READY) {
        ready = true;
        break;
      }
      if (!PA_CONTEXT_IS_GOOD(state)) break;
      // Wait for the server's answer at most 20 ms at a time.
      if (pa_mainloop_prepare(loop, 20000) < 0 || pa_mainloop_poll(loop) < 0 ||
          pa_mainloop_dispatch(loop) < 0) {
        break;
      }
    }
    pa_context_disconnect(context);
  }
  if (context) pa_context_unref(context);
  pa_mainloop_free(loop);
  return ready;
}

}  // namespace tk::audio
