#include "midi/library_noise.h"

#include <fluidsynth.h>

#include <mutex>

#ifdef CANTELO_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace cantelo {

namespace {

thread_local BackendErrorCapture* t_capture = nullptr;

void fluidLog(int level, const char* message, void*) {
    if (level <= FLUID_ERR && t_capture && message) t_capture->append(message);
}

#ifdef CANTELO_HAVE_ALSA
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

} // namespace

void quietBackendLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, fluidLog, nullptr);
#ifdef CANTELO_HAVE_ALSA
        snd_lib_error_set_handler(quietAlsa);
#endif
    });
}

BackendErrorCapture::BackendErrorCapture() : m_outer(t_capture) {
    quietBackendLibraries();
    t_capture = this;
}

BackendErrorCapture::~BackendErrorCapture() {
    t_capture = m_outer;
}

void BackendErrorCapture::append(const char* message) {
    if (!m_text.empty()) m_text += "; ";
    m_text += message;
}

} // namespace cantelo
