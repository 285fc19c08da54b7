// tunesynth: renders the example demo's music and encodes it as Ogg Vorbis.
//
//   tunesynth OUT.ogg
//
// A small offline synthesizer of our own: drums made from swept sines and
// noise, a saw bass, a pad, an arpeggio and a lead, with a ping-pong delay,
// a reverb and kick side-chaining on the mix. The song is 80 seconds of
// 120 BPM in A minor, 40 bars of 2 s, arranged in sections that the example's
// scene track follows:
//
//   bars  0- 7   0-16 s  intro: pad and arpeggio, a soft kick from bar 4
//   bars  8-15  16-32 s  groove: drums and bass
//   bars 16-23  32-48 s  theme: the lead melody enters
//   bars 24-31  48-64 s  breakdown and build: pad and arpeggio, snare roll
//   bars 32-37  64-76 s  climax: everything, the theme an octave higher
//   bars 38-39  76-80 s  final chord ringing out
//
// Rendering is deterministic (a fixed noise seed), so every build makes the
// same tune. One thread; everything is owned by main's locals.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "OggWriter.h"

namespace {

constexpr int kSampleRate = 44100;
constexpr double kSongSeconds = 80.0;
constexpr double kBarSeconds = 2.0;               // 120 BPM, 4/4
constexpr double kStepSeconds = kBarSeconds / 16; // one sixteenth
constexpr double kPi = 3.14159265358979323846;
constexpr float kVorbisQuality = 0.4f;

// A stereo signal of the whole song's length.
struct Bus {
    std::vector<float> left;
    std::vector<float> right;

    explicit Bus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
};

// One note of a melody, on the sixteenth grid of its bar.
struct Note {
    int step;
    int length; // in sixteenths
    int midi;
};

// The chord of one bar: the bass note and three pad notes (MIDI numbers).
struct Chord {
    int bass;
    int tones[3];
};

// Deterministic white noise in -1..1 (xorshift32).
class Noise {
public:
    float next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return float(state_) / 2147483648.0f - 1.0f;
    }

private:
    uint32_t state_ = 0x9e3779b9u;
};

// Topology-preserving state-variable filter (lowpass, bandpass, highpass).
class Filter {
public:
    // cutoffHz is clamped below Nyquist; resonance 0.5 (flat) .. ~10 (ringing).
    void set(double cutoffHz, double resonance)
    {
        double fc = std::min(cutoffHz, kSampleRate * 0.45);
        double g = std::tan(kPi * fc / kSampleRate);
        k_ = 1.0 / resonance;
        a1_ = 1.0 / (1.0 + g * (g + k_));
        a2_ = g * a1_;
        a3_ = g * a2_;
    }
    void process(double in)
    {
        double v3 = in - ic2_;
        double v1 = a1_ * ic1_ + a2_ * v3;
        double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
        ic1_ = 2.0 * v1 - ic1_;
        ic2_ = 2.0 * v2 - ic2_;
        low = v2;
        band = v1;
        high = in - k_ * v1 - v2;
    }

    double low = 0.0, band = 0.0, high = 0.0;

private:
    double k_ = 2.0, a1_ = 0.0, a2_ = 0.0, a3_ = 0.0;
    double ic1_ = 0.0, ic2_ = 0.0;
};

// A delay line of fixed length, used by the reverb's combs and allpasses.
class DelayLine {
public:
    explicit DelayLine(size_t length) : buffer_(length, 0.0f) {}
    float read() const { return buffer_[position_]; }
    void write(float value)
    {
        buffer_[position_] = value;
        position_ = (position_ + 1) % buffer_.size();
    }

private:
    std::vector<float> buffer_;
    size_t position_ = 0;
};

double midiToHz(int midi)
{
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}
double stepTime(int bar, double step)
{
    return bar * kBarSeconds + step * kStepSeconds;
}
size_t toFrame(double seconds)
{
    return size_t(std::max(0.0, seconds) * kSampleRate);
}

// Band-limited step correction for the saw and pulse oscillators.
double polyBlep(double phase, double increment)
{
    if (phase < increment) {
        double t = phase / increment;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - increment) {
        double t = (phase - 1.0) / increment;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double sawWave(double phase, double increment)
{
    return 2.0 * phase - 1.0 - polyBlep(phase, increment);
}

double pulseWave(double phase, double increment)
{
    double shifted = std::fmod(phase + 0.5, 1.0);
    return (phase < 0.5 ? 1.0 : -1.0) + polyBlep(phase, increment) - polyBlep(shifted, increment);
}

// Adds a mono signal to the bus at `start` seconds with constant-power pan
// (-1 left .. 1 right). `voice(t)` gives the sample at t seconds into the sound.
template <typename Voice> void addSound(Bus& bus, double start, double duration, float gain, float pan, Voice voice)
{
    size_t first = toFrame(start);
    size_t last = std::min(bus.frames(), toFrame(start + duration));
    float leftGain = gain * float(std::cos((pan + 1.0) * kPi / 4.0));
    float rightGain = gain * float(std::sin((pan + 1.0) * kPi / 4.0));
    for (size_t frame = first; frame < last; ++frame) {
        float sample = float(voice(double(frame - first) / kSampleRate));
        bus.left[frame] += sample * leftGain;
        bus.right[frame] += sample * rightGain;
    }
}

// Attack-release envelope of a held note: linear attack, exponential-ish release.
double holdEnvelope(double t, double length, double attack, double release)
{
    if (t < attack)
        return t / attack;
    if (t < length)
        return 1.0;
    return std::max(0.0, 1.0 - (t - length) / release);
}

// --- drums -----------------------------------------------------------------

void addKick(Bus& bus, double start, float gain)
{
    double phase = 0.0;
    Noise click;
    addSound(bus, start, 0.5, gain, 0.0f, [&](double t) {
        double frequency = 45.0 + 115.0 * std::exp(-t * 28.0);
        phase += frequency / kSampleRate;
        double body = std::sin(2.0 * kPi * phase) * std::exp(-t * 6.5) * std::min(1.0, t * 2000.0);
        return std::tanh(1.6 * body + click.next() * 0.25 * std::exp(-t * 350.0));
    });
}

void addSnare(Bus& bus, double start, float gain, Noise& noise)
{
    Filter colour;
    colour.set(2400.0, 0.8);
    double phase = 0.0;
    addSound(bus, start, 0.35, gain, 0.08f, [&](double t) {
        phase += (175.0 + 60.0 * std::exp(-t * 40.0)) / kSampleRate;
        double tone = std::sin(2.0 * kPi * phase) * std::exp(-t * 28.0);
        colour.process(noise.next());
        double rattle = (colour.band + 0.4 * colour.high) * std::exp(-t * 15.0);
        return 0.55 * tone + 0.9 * rattle;
    });
}

void addHat(Bus& bus, double start, float gain, bool open, Noise& noise)
{
    Filter air;
    air.set(7500.0, 0.7);
    double decay = open ? 9.0 : 55.0;
    addSound(bus, start, open ? 0.45 : 0.1, gain, 0.3f, [&](double t) {
        air.process(noise.next());
        return air.high * std::exp(-t * decay);
    });
}

void addCrash(Bus& bus, double start, float gain, Noise& noise)
{
    // Two independent noises give the cymbal its width.
    Filter leftAir, rightAir;
    leftAir.set(4200.0, 0.6);
    rightAir.set(4400.0, 0.6);
    addSound(bus, start, 3.0, gain, -1.0f, [&](double t) {
        leftAir.process(noise.next());
        return leftAir.high * std::exp(-t * 1.6);
    });
    addSound(bus, start, 3.0, gain, 1.0f, [&](double t) {
        rightAir.process(noise.next());
        return rightAir.high * std::exp(-t * 1.6);
    });
}

// Filtered noise sweeping upwards and swelling, leading into a section.
void addRiser(Bus& bus, double start, double duration, float gain, Noise& noise)
{
    Filter sweep;
    addSound(bus, start, duration, gain, 0.0f, [&](double t) {
        double progress = t / duration;
        sweep.set(300.0 * std::pow(25.0, progress), 2.5);
        sweep.process(noise.next());
        return sweep.band * progress * progress;
    });
}

// --- tonal voices -----------------------------------------------------------

void addBass(Bus& bus, double start, double length, int midi, float gain, double brightness)
{
    double increment = midiToHz(midi) / kSampleRate;
    double phase = 0.0, subPhase = 0.0;
    Filter lowpass;
    addSound(bus, start, length + 0.03, gain, 0.0f, [&](double t) {
        lowpass.set(180.0 + brightness * std::exp(-t * 14.0), 1.4);
        phase = std::fmod(phase + increment, 1.0);
        subPhase = std::fmod(subPhase + increment * 0.5, 1.0);
        lowpass.process(sawWave(phase, increment) + 0.6 * std::sin(2.0 * kPi * subPhase));
        return lowpass.low * holdEnvelope(t, length, 0.003, 0.03);
    });
}

void addPadNote(Bus& bus, double start, double length, int midi, float gain, double cutoff)
{
    // Three detuned saws spread across the stereo field.
    const double detuneCents[3] = {-9.0, 0.0, 8.0};
    const float pans[3] = {-0.7f, 0.0f, 0.7f};
    for (int voice = 0; voice < 3; ++voice) {
        double increment = midiToHz(midi) * std::pow(2.0, detuneCents[voice] / 1200.0) / kSampleRate;
        double phase = 0.31 * voice;
        Filter lowpass;
        lowpass.set(cutoff, 0.7);
        addSound(bus, start, length + 0.8, gain, pans[voice], [&](double t) {
            phase = std::fmod(phase + increment, 1.0);
            lowpass.process(sawWave(phase, increment));
            return lowpass.low * holdEnvelope(t, length, 0.5, 0.8);
        });
    }
}

void addPluck(Bus& bus, double start, int midi, float gain, double cutoff, float pan)
{
    double increment = midiToHz(midi) / kSampleRate;
    double phase = 0.0;
    Filter lowpass;
    addSound(bus, start, 0.4, gain, pan, [&](double t) {
        lowpass.set(cutoff * (0.4 + 2.0 * std::exp(-t * 18.0)), 1.8);
        phase = std::fmod(phase + increment, 1.0);
        lowpass.process(0.6 * pulseWave(phase, increment) + 0.4 * sawWave(phase, increment));
        return lowpass.low * std::exp(-t * 9.0) * std::min(1.0, t * 500.0);
    });
}

void addLead(Bus& bus, double start, double length, int midi, float gain)
{
    double base = midiToHz(midi);
    double phases[2] = {0.0, 0.5};
    const double detune[2] = {0.9965, 1.0035};
    Filter lowpass;
    addSound(bus, start, length + 0.15, gain, 0.0f, [&](double t) {
        // Vibrato fades in on held notes.
        double depth = std::min(1.0, std::max(0.0, (t - 0.2) * 3.0)) * 0.004;
        double frequency = base * (1.0 + depth * std::sin(2.0 * kPi * 5.5 * t));
        double sum = 0.0;
        for (int i = 0; i < 2; ++i) {
            double increment = frequency * detune[i] / kSampleRate;
            phases[i] = std::fmod(phases[i] + increment, 1.0);
            sum += sawWave(phases[i], increment);
        }
        lowpass.set(1800.0 + 2600.0 * std::exp(-t * 6.0), 1.2);
        lowpass.process(0.5 * sum);
        double envelope = holdEnvelope(t, length, 0.01, 0.12) * (0.75 + 0.25 * std::exp(-t * 4.0));
        return lowpass.low * envelope;
    });
}

// --- effects ----------------------------------------------------------------

// Ping-pong echo of `source` added into `target`.
void addPingPong(const Bus& source, Bus& target, double delaySeconds, float feedback, float mix)
{
    size_t delay = toFrame(delaySeconds);
    std::vector<float> left(source.frames(), 0.0f), right(source.frames(), 0.0f);
    for (size_t frame = delay; frame < source.frames(); ++frame) {
        size_t from = frame - delay;
        left[frame] = 0.5f * (source.left[from] + source.right[from]) + feedback * right[from];
        right[frame] = feedback * left[from];
    }
    for (size_t frame = 0; frame < source.frames(); ++frame) {
        target.left[frame] += mix * left[frame];
        target.right[frame] += mix * right[frame];
    }
}

// A Schroeder-Moorer reverb: eight damped combs and four allpasses per side,
// the right side's delays slightly longer for width. Adds the wet signal.
void addReverb(const Bus& send, Bus& target, float mix)
{
    const size_t combLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const size_t allpassLengths[4] = {556, 441, 341, 225};
    const size_t stereoSpread = 23;
    const float feedback = 0.84f, damping = 0.25f, allpassGain = 0.5f;

    for (int side = 0; side < 2; ++side) {
        const std::vector<float>& in = side == 0 ? send.left : send.right;
        std::vector<float>& out = side == 0 ? target.left : target.right;
        std::vector<DelayLine> combs, allpasses;
        for (size_t length : combLengths)
            combs.emplace_back(length + side * stereoSpread);
        for (size_t length : allpassLengths)
            allpasses.emplace_back(length + side * stereoSpread);
        float combMemory[8] = {};
        for (size_t frame = 0; frame < in.size(); ++frame) {
            float input = in[frame] * 0.015f;
            float wet = 0.0f;
            for (int c = 0; c < 8; ++c) {
                float delayed = combs[c].read();
                combMemory[c] = delayed * (1.0f - damping) + combMemory[c] * damping;
                combs[c].write(input + combMemory[c] * feedback);
                wet += delayed;
            }
            for (DelayLine& allpass : allpasses) {
                float delayed = allpass.read();
                allpass.write(wet + delayed * allpassGain);
                wet = delayed - wet;
            }
            out[frame] += mix * wet;
        }
    }
}

// Multiplies `bus` by a gain that dips after every kick (the "pumping" of
// side-chain compression), so bass and pad make room for the kick.
void duckUnderKicks(Bus& bus, const std::vector<double>& kickTimes, float depth)
{
    std::vector<float> gain(bus.frames(), 1.0f);
    for (double kick : kickTimes) {
        size_t first = toFrame(kick);
        size_t last = std::min(bus.frames(), toFrame(kick + 0.45));
        for (size_t frame = first; frame < last; ++frame) {
            double t = double(frame - first) / kSampleRate;
            float dip = 1.0f - depth * float(std::exp(-t * 9.0));
            gain[frame] = std::min(gain[frame], dip);
        }
    }
    for (size_t frame = 0; frame < bus.frames(); ++frame) {
        bus.left[frame] *= gain[frame];
        bus.right[frame] *= gain[frame];
    }
}

// --- the song ---------------------------------------------------------------

constexpr int kBars = 40;

const Chord kAm = {45, {57, 60, 64}};
const Chord kF = {41, {57, 60, 65}};
const Chord kC = {48, {55, 60, 64}};
const Chord kG = {43, {55, 59, 62}};
const Chord kEm = {40, {55, 59, 64}};
const Chord kE = {40, {56, 59, 64}};

const Chord& chordOfBar(int bar)
{
    static const Chord* const loop[4] = {&kAm, &kF, &kC, &kG};
    static const Chord* const breakdown[8] = {&kF, &kG, &kEm, &kAm, &kF, &kG, &kE, &kE};
    static const Chord* const climax[6] = {&kAm, &kF, &kC, &kG, &kF, &kG};
    if (bar < 24)
        return *loop[bar % 4];
    if (bar < 32)
        return *breakdown[bar - 24];
    if (bar < 38)
        return *climax[bar - 32];
    return kAm;
}

// The theme: eight bars over Am F C G Am F C G.
const std::vector<Note> kTheme[8] = {
    {{0, 3, 69}, {3, 3, 72}, {6, 2, 76}, {8, 2, 74}, {10, 2, 72}, {12, 2, 71}, {14, 2, 72}},
    {{0, 6, 69}, {6, 2, 65}, {8, 2, 69}, {10, 4, 72}, {14, 2, 69}},
    {{0, 3, 67}, {3, 3, 72}, {6, 2, 76}, {8, 4, 79}, {12, 2, 76}, {14, 2, 74}},
    {{0, 6, 74}, {6, 2, 71}, {8, 8, 67}},
    {{0, 3, 76}, {3, 3, 74}, {6, 2, 72}, {8, 2, 74}, {10, 2, 76}, {12, 4, 81}},
    {{0, 6, 77}, {6, 2, 76}, {8, 4, 72}, {12, 4, 69}},
    {{0, 3, 76}, {3, 3, 79}, {6, 2, 79}, {8, 4, 76}, {12, 2, 74}, {14, 2, 72}},
    {{0, 4, 71}, {4, 4, 74}, {8, 8, 69}},
};

// Long notes for the first half of the breakdown (F G Em Am).
const std::vector<Note> kBreakdownLead[4] = {
    {{0, 8, 72}, {8, 8, 69}},
    {{0, 8, 71}, {8, 8, 74}},
    {{0, 16, 71}},
    {{0, 8, 72}, {8, 4, 76}, {12, 4, 74}},
};

// The climax's six bars: the theme's Am F C G, then F (second half's) and a
// rising G into the final chord.
const std::vector<Note>& climaxBar(int index)
{
    static const std::vector<Note> risingG = {{0, 4, 71}, {4, 4, 74}, {8, 4, 79}, {12, 4, 83}};
    if (index < 4)
        return kTheme[index];
    if (index == 4)
        return kTheme[5];
    return risingG;
}

void playMelodyBar(Bus& lead, int bar, const std::vector<Note>& notes, int transpose, float gain)
{
    for (const Note& note : notes)
        addLead(lead, stepTime(bar, note.step), note.length * kStepSeconds * 0.92, note.midi + transpose, gain);
}

struct Mix {
    Bus drums, bass, pad, arp, lead, fx;
    std::vector<double> kickTimes;
    explicit Mix(size_t frames) : drums(frames), bass(frames), pad(frames), arp(frames), lead(frames), fx(frames) {}
};

void kick(Mix& mix, int bar, int step, float gain)
{
    double time = stepTime(bar, step);
    addKick(mix.drums, time, gain);
    mix.kickTimes.push_back(time);
}

void arrangeDrums(Mix& mix, Noise& noise)
{
    for (int bar = 0; bar < kBars; ++bar) {
        bool intro = bar < 8, breakdown = bar >= 24 && bar < 32, ending = bar >= 38;
        if (ending)
            break;
        for (int step = 0; step < 16; ++step) {
            double time = stepTime(bar, step);
            bool beat = step % 4 == 0, offbeat = step % 4 == 2;
            // kick
            if (intro) {
                if (bar >= 4 && step % 8 == 0)
                    kick(mix, bar, step, 0.55f);
            } else if (breakdown) {
                if (bar >= 30 && beat && !(bar == 31 && step == 12))
                    kick(mix, bar, step, 0.8f);
                else if (bar >= 28 && bar < 30 && step % 8 == 0)
                    kick(mix, bar, step, 0.7f);
            } else if (beat) {
                kick(mix, bar, step, 0.75f);
            }
            // snare: backbeat from the groove's second half, fills before sections
            bool backbeat = step == 4 || step == 12;
            if (!intro && !breakdown && bar >= 12 && backbeat)
                addSnare(mix.drums, time, 0.45f, noise);
            if ((bar == 15 || bar == 23 || bar == 37) && step >= 13)
                addSnare(mix.drums, time, 0.25f + 0.05f * (step - 12), noise);
            if (breakdown && bar >= 28) {
                int every = bar == 28 ? 4 : bar == 29 ? 2 : 1;
                bool beforeDrop = bar == 31 && step >= 12;
                float swell = 0.15f + 0.3f * float((bar - 28) * 16 + step) / 64.0f;
                if (step % every == 0 && !beforeDrop)
                    addSnare(mix.drums, time, swell, noise);
            }
            // hats
            if (intro && bar >= 4 && offbeat)
                addHat(mix.drums, time, 0.12f, false, noise);
            if (!intro && !(breakdown && bar < 28)) {
                if (offbeat && !breakdown)
                    addHat(mix.drums, time, 0.13f, true, noise);
                else
                    addHat(mix.drums, time, step % 2 ? 0.07f : 0.1f, false, noise);
            }
        }
    }
    for (int bar : {8, 16, 32})
        addCrash(mix.drums, stepTime(bar, 0), 0.22f, noise);
    addCrash(mix.drums, stepTime(38, 0), 0.3f, noise);
    kick(mix, 38, 0, 1.0f);
    addRiser(mix.fx, stepTime(7, 0), kBarSeconds, 0.5f, noise);
    addRiser(mix.fx, stepTime(15, 8), kBarSeconds / 2, 0.4f, noise);
    addRiser(mix.fx, stepTime(23, 8), kBarSeconds / 2, 0.4f, noise);
    addRiser(mix.fx, stepTime(28, 0), 3.75 * kBarSeconds, 0.7f, noise);
}

void arrangeBass(Mix& mix)
{
    for (int bar = 8; bar < 38; ++bar) {
        if (bar >= 24 && bar < 28)
            continue; // the breakdown drops the bass
        int root = chordOfBar(bar).bass;
        bool rolling = bar >= 16;
        for (int step = 0; step < 16; ++step) {
            if (bar == 31 && step >= 12)
                break;
            if (rolling) {
                // sixteenths around the kick, the octave on each beat's last sixteenth
                if (step % 4 == 0)
                    continue;
                int midi = step % 4 == 3 ? root + 12 : root;
                addBass(mix.bass, stepTime(bar, step), kStepSeconds * 0.8, midi, 0.34f, bar >= 32 ? 2600.0 : 1700.0);
            } else if (step % 4 == 2 || step == 15) {
                addBass(mix.bass, stepTime(bar, step), kStepSeconds * 1.6, root, 0.4f, 1400.0);
            }
        }
    }
    // the final chord's bass: one long note
    addBass(mix.bass, stepTime(38, 0), 2.5, 33, 0.45f, 900.0);
}

void arrangePadAndArp(Mix& mix)
{
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& chord = chordOfBar(bar);
        // pad: fades in over the intro, carries the breakdown, holds the last chord
        float padGain = bar < 3 ? 0.035f + 0.02f * bar : (bar >= 24 && bar < 32) ? 0.085f : 0.06f;
        double padCutoff = (bar >= 24 && bar < 32) ? 1400.0 + 250.0 * (bar - 24) : 1100.0;
        if (bar == 38) {
            for (int tone : chord.tones)
                addPadNote(mix.pad, stepTime(bar, 0), 3.0, tone, 0.09f, 2200.0);
            continue;
        }
        if (bar == 39)
            continue;
        for (int tone : chord.tones)
            addPadNote(mix.pad, stepTime(bar, 0), kBarSeconds - 0.05, tone, padGain, padCutoff);

        // arpeggio over the chord an octave up: up and down in sixteenths
        static const int pattern[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 2, 1, 3};
        int tones[4] = {chord.tones[0] + 12, chord.tones[1] + 12, chord.tones[2] + 12, chord.tones[0] + 24};
        double cutoff;
        float gain;
        if (bar < 8) {
            cutoff = 350.0 * std::pow(10.0, bar / 8.0);
            gain = 0.22f;
        } else if (bar < 24) {
            cutoff = 2200.0;
            gain = bar < 16 ? 0.14f : 0.1f;
        } else if (bar < 32) {
            cutoff = 900.0 * std::pow(6.0, (bar - 24) / 8.0);
            gain = 0.2f;
        } else {
            cutoff = 3200.0;
            gain = 0.11f;
        }
        for (int step = 0; step < 16; ++step) {
            if (bar == 31 && step >= 12)
                break;
            float pan = step % 2 ? 0.45f : -0.45f;
            addPluck(mix.arp, stepTime(bar, step), tones[pattern[step]], gain, cutoff, pan);
        }
    }
}

void arrangeLead(Mix& mix)
{
    for (int bar = 16; bar < 24; ++bar)
        playMelodyBar(mix.lead, bar, kTheme[bar - 16], 0, 0.28f);
    for (int bar = 24; bar < 28; ++bar)
        playMelodyBar(mix.lead, bar, kBreakdownLead[bar - 24], 0, 0.24f);
    for (int bar = 32; bar < 38; ++bar) {
        playMelodyBar(mix.lead, bar, climaxBar(bar - 32), 12, 0.2f);
        playMelodyBar(mix.lead, bar, climaxBar(bar - 32), 0, 0.15f);
    }
    addLead(mix.lead, stepTime(38, 0), 2.2, 81, 0.2f);
    addLead(mix.lead, stepTime(38, 0), 2.2, 69, 0.16f);
}

// Renders the whole song into one stereo bus, peak-normalised.
Bus renderSong()
{
    size_t frames = toFrame(kSongSeconds);
    Mix mix(frames);
    Noise noise;
    arrangeDrums(mix, noise);
    arrangeBass(mix);
    arrangePadAndArp(mix);
    arrangeLead(mix);

    duckUnderKicks(mix.bass, mix.kickTimes, 0.6f);
    duckUnderKicks(mix.pad, mix.kickTimes, 0.45f);
    duckUnderKicks(mix.arp, mix.kickTimes, 0.3f);

    Bus master(frames), reverbSend(frames);
    const Bus* buses[6] = {&mix.drums, &mix.bass, &mix.pad, &mix.arp, &mix.lead, &mix.fx};
    const float sends[6] = {0.12f, 0.0f, 0.5f, 0.35f, 0.4f, 0.3f};
    for (int b = 0; b < 6; ++b) {
        for (size_t frame = 0; frame < frames; ++frame) {
            master.left[frame] += buses[b]->left[frame];
            master.right[frame] += buses[b]->right[frame];
            reverbSend.left[frame] += sends[b] * buses[b]->left[frame];
            reverbSend.right[frame] += sends[b] * buses[b]->right[frame];
        }
    }
    addPingPong(mix.lead, master, 3.0 * kStepSeconds, 0.4f, 0.35f);
    addPingPong(mix.arp, master, 3.0 * kStepSeconds, 0.3f, 0.2f);
    addReverb(reverbSend, master, 2.5f);

    // Soft clipping, then a peak of -2 dBFS (the encoder overshoots a little) and a short fade at the very end.
    float peak = 0.0f;
    for (size_t frame = 0; frame < frames; ++frame) {
        master.left[frame] = std::tanh(master.left[frame]);
        master.right[frame] = std::tanh(master.right[frame]);
        peak = std::max({peak, std::fabs(master.left[frame]), std::fabs(master.right[frame])});
    }
    float scale = peak > 0.0f ? 0.8f / peak : 1.0f;
    size_t fadeStart = toFrame(kSongSeconds - 1.0);
    for (size_t frame = 0; frame < frames; ++frame) {
        float fade = frame < fadeStart ? 1.0f : float(frames - frame) / float(frames - fadeStart);
        master.left[frame] *= scale * fade;
        master.right[frame] *= scale * fade;
    }
    return master;
}

// Encodes the song as Ogg Vorbis (VBR at kVorbisQuality). False, with the
// partial file removed and one line on standard error, when that fails.
bool writeSong(const Bus& song, const char* path)
{
    OggWriterFormat format;
    format.sampleRate = kSampleRate;
    format.channels = 2;
    format.quality = kVorbisQuality;
    auto source = [&song](float** buffers, long first, int count) {
        std::memcpy(buffers[0], &song.left[size_t(first)], size_t(count) * sizeof(float));
        std::memcpy(buffers[1], &song.right[size_t(first)], size_t(count) * sizeof(float));
    };
    if (writeOggVorbis(path, format, long(song.frames()), source))
        return true;
    std::remove(path);
    std::fprintf(stderr, "tunesynth: %s: cannot write the tune\n", path);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: tunesynth OUT.ogg\n"
                     "Renders the example demo's 80-second tune and writes it as Ogg Vorbis.\n");
        return argc == 2 ? 0 : 2;
    }
    return writeSong(renderSong(), argv[1]) ? 0 : 1;
}
