#include "platform/wave_in/linux/alsa_capture_check.h"

#include <alsa/asoundlib.h>

int try_alsa_capture_open(const std::string& pcmName) {
    snd_pcm_t* pcm = nullptr;
    const int error = snd_pcm_open(&pcm, pcmName.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (error < 0)
        return error;
    snd_pcm_close(pcm);
    return 0;
}
