// The alarm's tone generator: a sine of a given pitch and length on the
// audio output. Main thread; blocks until the tone has ended.
//
// Each tone opens an output device of its own for its length, so the music
// (its position, its device) is never touched. Without an output device the
// call still waits the tone's length, in silence; so it does on SDL's dummy
// driver while the music holds that driver's only device.
#pragma once

namespace timeline {

// Plays a sine of `frequencyHz` for `durationMs` milliseconds and returns
// when it has ended. A duration of 0 or less returns at once; a frequency
// outside the audible range the output can carry waits in silence.
void playTone(int frequencyHz, int durationMs);

} // namespace timeline
