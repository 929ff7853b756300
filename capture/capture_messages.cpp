#include "capture/capture_messages.h"

namespace {

constexpr std::string_view kUnknownError = "Erreur Inconnue ";
constexpr std::string_view kNoDriver = "No device driver is present.";
constexpr std::string_view kNoMemory = "Unable to allocate or lock memory.";

} // namespace

std::string_view open_message(MMRESULT result) {
    switch (result & 0xFFFFu) {
    case MMSYSERR_NOERROR:
        return "Successful                                                 ";
    case MMSYSERR_BADDEVICEID:
        return "Specified device identifier is out of range.";
    case MMSYSERR_ALLOCATED:
        return "Specified resource is already allocated.";
    case MMSYSERR_NODRIVER:
        return kNoDriver;
    case MMSYSERR_NOMEM:
        return kNoMemory;
    case WAVERR_BADFORMAT:
        return "Attempted to open with an unsupported waveform-audio format.";
    default:
        return kUnknownError;
    }
}

std::string_view buffer_message(MMRESULT result) {
    switch (result) {
    case MMSYSERR_NOERROR:
        return "Reussi  buffer";
    case MMSYSERR_INVALHANDLE:
        return "Specified device handle is invalid.";
    case MMSYSERR_NODRIVER:
        return kNoDriver;
    case MMSYSERR_NOMEM:
        return kNoMemory;
    case WAVERR_UNPREPARED:
        return "The buffer pointed to by the pwh parameter hasn't been prepared.";
    default:
        return kUnknownError;
    }
}
