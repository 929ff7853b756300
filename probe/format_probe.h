// One format probed: the capture run of TEST, without drawing, waiting for the whole buffer and timing it.
#pragma once

#include "platform/wave_in/WaveInApi.h"
#include "platform/wave_in/wave_types.h"
#include "probe/signal_figures.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct FormatProbe {
    WAVEFORMATEX format{};
    MMRESULT open = MMSYSERR_NOERROR;
    // The queueing's result; nothing when the header could not be prepared.
    std::optional<MMRESULT> buffer;
    bool started = false;
    // The buffer handed to the device, and the whole frames of it a full recording fills.
    std::uint32_t bufferBytes = 0;
    std::uint32_t bytesExpected = 0;
    std::uint32_t bytesRecorded = 0;
    // From the moment the device has started recording; nothing when no data came, or the buffer was not
    // filled by the deadline.
    std::optional<double> firstDataMs;
    std::optional<double> fullBufferMs;
    SignalFigures signal;
    Verdict verdict = Verdict::noData;

    // Opened, queued and recorded its whole buffer.
    bool recordedBuffer() const;
};

// Opens device `deviceId` with `format`, records `bufferBytes` bytes, waits for them as TEST does (up to
// the recording's duration plus a second from the start) and measures what came.
FormatProbe probe_format(WaveInApi& device, unsigned deviceId, const WAVEFORMATEX& format,
                         std::uint32_t bufferBytes);

// How many formats are probed at once, each on a stream of its own.
inline constexpr std::size_t kStreamsAtOnce = 12;

// Probes every format as probe_format() does, several at once: a sound server delivers its first data
// 50-100 ms after a start, and the waits overlap. A format whose open found the device busy while others
// were probed is probed again alone at the end, so that a device taking one stream at a time gives the
// results it gives one format after the other. `device` must take requests from several threads.
// `done(n)` is called on the caller's thread with the count of formats done, 0 first, then each time the
// count grows; a format to be probed again counts once its second probe is done.
std::vector<FormatProbe> probe_formats(WaveInApi& device, unsigned deviceId,
                                       const std::vector<WAVEFORMATEX>& formats, std::uint32_t bufferBytes,
                                       const std::function<void(std::size_t)>& done = {});
