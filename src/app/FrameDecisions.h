// The decisions of the frame loop and the keyboard as plain functions of
// plain values, so that they can be checked without a window, a GL context or
// a music stream. FrameLoop.cpp and Keyboard.cpp call them on the main thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>

#include "sync/data.h"

// One press of a seek key moves the music by this many bytes of 16-bit PCM
// (27500 frames, about 0.62 s, of 44.1 kHz stereo).
constexpr uint64_t kSeekStepBytes = 110000;

// The reload cursor runs through 0 .. kReloadCycle - 1.
constexpr uint32_t kReloadCycle = 64;

// The alarm when the demo falls into a row without a scene: two tones.
constexpr int kAlarmHighHz = 1100;
constexpr int kAlarmHighMs = 300;
constexpr int kAlarmLowHz = 880;
constexpr int kAlarmLowMs = 150;

enum class SeekDirection { Backwards, Forwards };

// What one frame shows, worked out from the clock and the sync tracks before
// anything is reported or drawn. Whatever drives the clock (the music, or
// an offline clock stepping frame by frame) gives the same frame.
struct FrameValues {
    double seconds = 0.0;   // the clock
    double row = 0.0;       // the sync row, with its fraction
    int sceneIndex = 0;     // track "scene" at the row, truncated toward zero
    float fftValue = 0.0f;  // the spectrum at the bin track "fft_sampling_index" picks
    float fstrValue = 0.0f; // track "fstr_val" at the row
};

namespace app {

// The frame at `seconds` and `row` (the row read from the same clock),
// with `spectrum` of `binCount` magnitudes there. A null track reads 0.
FrameValues frameValuesAt(double seconds, double row, const float* spectrum, int binCount, const SyncTrack* sceneTrack,
                          const SyncTrack* fftSamplingTrack, const SyncTrack* fstrTrack);

// `value` truncated toward zero. NaN and values outside int's range give
// INT32_MIN (what the x86 conversion instruction gives), never undefined
// behaviour: track values come from files.
int truncateToInt(double value);

// True when `sceneIndex`, taken as unsigned 32-bit, addresses one of
// `sceneCount` scenes; negative indices are therefore never found.
bool sceneExists(int sceneIndex, std::size_t sceneCount);

// The spectrum magnitude at the bin that `binTrackValue` selects (truncated
// toward zero); 0 for a bin outside 0 .. binCount - 1.
float spectrumValueAt(const float* spectrum, int binCount, double binTrackValue);

// The reload step's choice for a frame that draws its scene: advances
// `reloadCursor` to (cursor + 1) mod kReloadCycle and returns it when the
// scene has an entry of that index, else -1 (the frame examines nothing).
// So the first such frame examines entry 1, and entry 0 waits for the wrap.
int nextReloadEntry(uint32_t& reloadCursor, std::size_t entryCount);

// Brings `beepArmed` up to date for one frame and tells whether that frame
// sounds the alarm: a frame without its scene sounds it when armed and
// disarms it; a frame with its scene arms it again.
bool updateAlarm(bool& beepArmed, bool sceneFound);

// Where a seek key sends the music from `currentBytes`, in unsigned 64-bit
// arithmetic: backwards within the first step wraps around to a huge target,
// which the music stream refuses.
uint64_t seekTarget(uint64_t currentBytes, SeekDirection direction);

// True once `row` has reached `endRow`.
bool demoIsOver(double row, double endRow);

// The frame's three status lines, each flushed: the scene index, the seconds
// and "row" with the row, doubles in the stream's default format.
void writeFrameStatus(std::ostream& out, int sceneIndex, double seconds, double row);

} // namespace app
