// The game's sounds: nine effects and three looping tunes, synthesised from oscillators, noise and filters.
//
// Everything is rendered in floating point at 22050 Hz stereo, then faded to silence at
// both ends (no clicks), scaled to a fixed peak and written as 16-bit samples. Effects
// peak at -1.5 dBFS or lower; the tunes share one loudness well under the effects.
#include <algorithm>
#include <cmath>
#include <vector>

#include "assets.h"
#include "picture_io.h"

namespace {

const float RATE = (float)WAV_RATE;
const float TAU = 2 * PI;

struct Track {
    std::vector<float> left, right;
    size_t frames() const { return left.size(); }
};

Track newTrack(float seconds) {
    Track track;
    size_t n = (size_t)std::lround(seconds * RATE);
    track.left.assign(n, 0.0f);
    track.right.assign(n, 0.0f);
    return track;
}

float fromDb(float db) { return std::pow(10.0f, db / 20.0f); }

// Loudness of a track as its RMS level in dBFS over both sides.
float rmsDb(const Track& track) {
    double sum = 0;
    for (size_t i = 0; i < track.frames(); i++)
        sum += (double)track.left[i] * track.left[i] + (double)track.right[i] * track.right[i];
    double mean = sum / std::max<size_t>(1, track.frames() * 2);
    return (float)(10 * std::log10(std::max(mean, 1e-20)));
}
float peakOf(const Track& track) {
    float peak = 1e-9f;
    for (size_t i = 0; i < track.frames(); i++) peak = std::max(peak, std::max(std::fabs(track.left[i]), std::fabs(track.right[i])));
    return peak;
}

// Fades both ends to exact silence, scales the loudest sample to the peak level and
// rounds to 16-bit interleaved samples.
Sound finish(Track& track, float peakDb, float fadeMs = 4.0f) {
    size_t n = track.frames();
    size_t fade = std::min(n / 2, (size_t)(fadeMs / 1000 * RATE));
    for (size_t i = 0; i < fade; i++) {
        float g = 0.5f - 0.5f * std::cos(PI * i / fade);
        track.left[i] *= g;
        track.right[i] *= g;
        track.left[n - 1 - i] *= g;
        track.right[n - 1 - i] *= g;
    }
    if (n > 0) {
        track.left[0] = track.right[0] = track.left[n - 1] = track.right[n - 1] = 0;
    }
    float gain = fromDb(peakDb) / peakOf(track);
    Sound sound(n * 2);
    for (size_t i = 0; i < n; i++) {
        sound[i * 2] = (int16_t)std::lround(track.left[i] * gain * 32767.0f);
        sound[i * 2 + 1] = (int16_t)std::lround(track.right[i] * gain * 32767.0f);
    }
    return sound;
}

// Adds a mono voice to both sides, panned with constant power (-1 left .. 1 right).
void put(Track& track, size_t at, float value, float pan = 0) {
    if (at >= track.frames()) return;
    float angle = (pan + 1) * PI / 4;
    track.left[at] += value * std::cos(angle) * 1.41421356f;
    track.right[at] += value * std::sin(angle) * 1.41421356f;
}

// White noise from a fixed seed, in [-1, 1].
struct Noise {
    Random random;
    explicit Noise(uint32_t seed) : random(seed) {}
    float next() { return random.uniform() * 2 - 1; }
};

// A state-variable filter (trapezoidal), usable with a cutoff that moves per sample.
struct Filter {
    float ic1 = 0, ic2 = 0;
    float low = 0, band = 0, high = 0;
    void run(float x, float cutoff, float q) {
        cutoff = std::min(cutoff, RATE * 0.45f);
        float g = std::tan(PI * cutoff / RATE), k = 1 / q;
        float a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
        float v3 = x - ic2;
        float v1 = a1 * ic1 + a2 * v3;
        float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2 * v1 - ic1;
        ic2 = 2 * v2 - ic2;
        low = v2;
        band = v1;
        high = x - k * v1 - v2;
    }
};

float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1;
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return t * t + t + t + 1;
    }
    return 0;
}
float sawWave(float phase, float dt) { return 2 * phase - 1 - polyBlep(phase, dt); }
float squareWave(float phase, float dt, float width = 0.5f) {
    float second = phase + (1 - width);
    second -= std::floor(second);
    return (phase < width ? 1.0f : -1.0f) + polyBlep(phase, dt) - polyBlep(second, dt);
}

// Attack from silence, then an exponential decay with time constant `decay`.
float strike(float t, float attack, float decay) {
    if (t < 0) return 0;
    return (t < attack ? t / attack : 1.0f) * std::exp(-std::max(0.0f, t - attack) / decay);
}
// Attack, sustain until `length`, linear release to silence.
float hold(float t, float attack, float length, float release) {
    if (t < 0 || t > length + release) return 0;
    float a = t < attack ? t / attack : 1.0f;
    return t <= length ? a : a * (1 - (t - length) / release);
}

float midiHz(float note) { return 440.0f * std::pow(2.0f, (note - 69) / 12); }

// ==== Effects ============================================================================

// The intro's bang: a falling low thump, a burst of filtered noise and a scatter of
// crackle, all dying away within a second.
Sound explosion() {
    Track track = newTrack(1.15f);
    Noise noiseL(11), noiseR(12), crackle(13);
    Filter rumbleL, rumbleR, crack;
    float phase = 0;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        float pitch = 32 + 70 * std::exp(-t / 0.12f);
        phase += pitch / RATE;
        float thump = std::sin(TAU * phase) * strike(t, 0.004f, 0.28f);
        float cutoff = 180 + 3200 * std::exp(-t / 0.09f);
        rumbleL.run(noiseL.next(), cutoff, 0.7f);
        rumbleR.run(noiseR.next(), cutoff * 0.93f, 0.7f);
        float body = strike(t, 0.003f, 0.22f);
        float sparks = crackle.random.uniform() < 0.012f * std::exp(-t / 0.35f) ? crackle.next() * 3 : 0.0f;
        crack.run(sparks, 2500, 1.5f);
        float tail = 1 - smooth(0.85f, 1.15f, t);
        float mono = (thump * 1.1f + crack.band * 0.5f) * tail;
        track.left[i] = mono + rumbleL.low * body * 1.6f * tail;
        track.right[i] = mono + rumbleR.low * body * 1.6f * tail;
    }
    return finish(track, -1.5f);
}

// A menu page turn: a short woody click with a bright tick on top.
Sound menuClick() {
    Track track = newTrack(0.12f);
    Noise noise(21);
    Filter body;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        body.run(noise.next() * strike(t, 0.0005f, 0.006f), 2200, 6);
        float knock = std::sin(TAU * 760 * t) * strike(t, 0.001f, 0.018f);
        float tick = std::sin(TAU * 1900 * t) * strike(t - 0.012f, 0.001f, 0.012f) * 0.5f;
        put(track, i, body.band * 1.5f + knock + tick);
    }
    return finish(track, -3.0f);
}

// The pointer comes onto an item: a soft rising blip.
Sound menuBlip() {
    Track track = newTrack(0.09f);
    float phase = 0;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        phase += (620 + 380 * smooth(0.0f, 0.05f, t)) / RATE;
        float envelope = std::sin(PI * t / 0.09f);
        put(track, i, (std::sin(TAU * phase) + 0.15f * std::sin(2 * TAU * phase)) * envelope * envelope);
    }
    return finish(track, -6.0f);
}

// A modal strike: partials with their own frequencies, levels and decay times.
struct Partial {
    float hz, level, decay;
};
void modes(Track& track, const Partial* partials, int count, float start, float pan = 0, float pitchDrop = 0) {
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE - start;
        if (t < 0) continue;
        float bend = 1 - pitchDrop * (1 - std::exp(-t / 0.02f));
        float v = 0;
        for (int p = 0; p < count; p++)
            v += partials[p].level * std::sin(TAU * partials[p].hz * bend * t) * strike(t, 0.0015f, partials[p].decay);
        put(track, i, v, pan);
    }
}

// Ball on a wooden board: a dull low thud with a short knock.
Sound woodThud() {
    Track track = newTrack(0.3f);
    const Partial wood[] = {{118, 1.0f, 0.07f}, {262, 0.6f, 0.045f}, {431, 0.35f, 0.03f}, {705, 0.2f, 0.018f}};
    modes(track, wood, 4, 0, 0, 0.12f);
    Noise noise(31);
    Filter knock;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        knock.run(noise.next() * strike(t, 0.0005f, 0.008f), 1300, 1.2f);
        put(track, i, knock.low * 1.2f);
    }
    return finish(track, -1.5f);
}

// Ball on the racket: a hollow, springy "pock".
Sound racketPock() {
    Track track = newTrack(0.2f);
    const Partial strings[] = {{540, 1.0f, 0.03f}, {1190, 0.45f, 0.018f}, {2350, 0.2f, 0.009f}};
    modes(track, strings, 3, 0, 0, -0.06f);
    Noise noise(41);
    Filter snap;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        snap.run(noise.next() * strike(t, 0.0003f, 0.004f), 2800, 2.5f);
        put(track, i, snap.band * 2.0f);
    }
    return finish(track, -1.5f);
}

// The umpire's whistle: a bright pea-whistle trill with a breath of air.
Sound whistle() {
    Track track = newTrack(0.62f);
    Noise noise(51);
    Filter air;
    float phase = 0;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        float trill = std::sin(TAU * 27 * t);
        phase += (2850 + 70 * trill) / RATE;
        float envelope = hold(t, 0.025f, 0.5f, 0.09f);
        float tone = std::sin(TAU * phase) * (0.72f + 0.28f * trill) + 0.12f * std::sin(2 * TAU * phase);
        air.run(noise.next(), 2900, 3);
        put(track, i, (tone + air.band * 0.35f) * envelope);
    }
    return finish(track, -4.0f);
}

// Ball on a metal board: a falling FM zap over a metallic ring.
Sound metalZap() {
    Track track = newTrack(0.3f);
    const Partial ring[] = {{523, 0.35f, 0.12f}, {1187, 0.3f, 0.08f}, {2133, 0.2f, 0.05f}, {3071, 0.12f, 0.03f}};
    modes(track, ring, 4, 0, 0.15f);
    float carrier = 0, modulator = 0;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        float hz = 300 + 1700 * std::exp(-t / 0.035f);
        carrier += hz / RATE;
        modulator += hz * 1.414f / RATE;
        float index = 5 * std::exp(-t / 0.05f);
        float zap = std::sin(TAU * carrier + index * std::sin(TAU * modulator)) * strike(t, 0.001f, 0.06f);
        put(track, i, zap, -0.15f);
    }
    return finish(track, -1.5f);
}

// Ball on a neon bat: a quick falling laser ping with a faint echo.
Sound laserPing() {
    Track track = newTrack(0.26f);
    for (int echo = 0; echo < 2; echo++) {
        float start = echo * 0.065f, level = echo ? 0.3f : 1.0f;
        float phase = 0;
        for (size_t i = 0; i < track.frames(); i++) {
            float t = i / RATE - start;
            if (t < 0) continue;
            phase += (650 + 1850 * std::exp(-t / 0.03f)) / RATE;
            float v = std::sin(TAU * phase) + 0.3f * std::sin(2 * TAU * phase);
            put(track, i, v * strike(t, 0.001f, 0.045f) * level, echo ? 0.4f : 0.0f);
        }
    }
    return finish(track, -1.5f);
}

// Ball out on the neon field: a two-tone synth alarm, three times.
Sound synthAlarm() {
    Track track = newTrack(0.92f);
    Filter tone;
    float phase = 0;
    for (size_t i = 0; i < track.frames(); i++) {
        float t = i / RATE;
        int step = (int)(t / 0.15f);
        float local = t - step * 0.15f;
        float hz = step % 2 == 0 ? 880.0f : 587.33f;
        phase += hz / RATE;
        phase -= std::floor(phase);
        float envelope = step < 6 ? hold(local, 0.004f, 0.13f, 0.012f) : 0.0f;
        tone.run(squareWave(phase, hz / RATE), 2400, 0.9f);
        put(track, i, tone.low * envelope);
    }
    return finish(track, -6.0f);
}

// ==== Music ==============================================================================

enum Instrument { PAD, KEYS, BELL, BASS, PLUCK, MARIMBA, ACID, LEAD, ARP, KICK, SNARE, CLAP, HAT, OPEN_HAT };

struct Note {
    float beat;    // start, in beats from the start of the tune
    float length;  // in beats
    float pitch;   // MIDI note number (drums ignore it)
    float level;
    Instrument instrument;
    float pan;
};

struct Song {
    float bpm;
    int bars;  // of four beats
    std::vector<Note> notes;
};

// One note of an instrument, added into a track from frame `at` on.
void playNote(Track& track, size_t at, float seconds, const Note& note, uint32_t seed) {
    const float hz = midiHz(note.pitch), dt = hz / RATE;
    Noise noise(seed);
    Filter filter, filter2;
    float phase = 0, phase2 = 0.37f, phase3 = 0.71f, drumPhase = 0;
    float release = 0.05f;
    switch (note.instrument) {
    case PAD: release = 0.9f; break;
    case KEYS: release = 0.25f; break;
    case BELL: release = 1.2f; break;
    case LEAD: release = 0.12f; break;
    default: break;
    }
    float total = seconds + release;
    if (note.instrument == KICK) total = 0.32f;
    if (note.instrument == SNARE || note.instrument == CLAP) total = 0.22f;
    if (note.instrument == HAT) total = 0.05f;
    if (note.instrument == OPEN_HAT) total = 0.2f;
    if (note.instrument == BELL || note.instrument == MARIMBA) total = std::max(total, 1.0f);
    size_t frames = (size_t)(total * RATE);
    for (size_t i = 0; i < frames; i++) {
        float t = i / RATE, v = 0;
        switch (note.instrument) {
        case PAD: {  // three detuned saws through a soft low-pass
            phase += dt * 0.997f;
            phase2 += dt * 1.004f;
            phase3 += dt * 0.5f;
            phase -= std::floor(phase);
            phase2 -= std::floor(phase2);
            phase3 -= std::floor(phase3);
            float raw = sawWave(phase, dt) + sawWave(phase2, dt) + 0.5f * sawWave(phase3, dt * 0.5f);
            filter.run(raw, 900 + 500 * std::sin(TAU * 0.15f * t), 0.7f);
            v = filter.low * 0.35f * hold(t, 0.7f, seconds, release);
            break;
        }
        case KEYS: {  // electric piano: a sine with a fading FM bark
            float index = 1.6f * std::exp(-t / 0.25f);
            v = std::sin(TAU * hz * t + index * std::sin(TAU * hz * t)) * strike(t, 0.003f, 0.9f) *
                hold(t, 0.0f, seconds, release);
            break;
        }
        case BELL: {  // a soft bell: sine with an inharmonic shimmer
            v = (std::sin(TAU * hz * t) + 0.25f * std::sin(TAU * hz * 2.76f * t) * std::exp(-t / 0.3f)) *
                strike(t, 0.004f, 0.9f) * (t < seconds ? 1.0f : std::max(0.0f, 1 - (t - seconds) / release));
            break;
        }
        case BASS: {  // round bass: a sine with a little grit
            float s = std::sin(TAU * hz * t);
            v = std::tanh(1.8f * s) * 0.8f * hold(t, 0.01f, seconds, 0.06f);
            break;
        }
        case PLUCK: {  // bouncy square bass, short and filtered
            phase += dt;
            phase -= std::floor(phase);
            filter.run(squareWave(phase, dt), 300 + 2200 * std::exp(-t / 0.05f), 1.1f);
            v = filter.low * strike(t, 0.002f, 0.12f) * hold(t, 0.0f, seconds, 0.03f);
            break;
        }
        case MARIMBA: {  // wooden bar: fundamental and a quickly fading fourth harmonic
            v = (std::sin(TAU * hz * t) + 0.35f * std::sin(TAU * hz * 3.98f * t) * std::exp(-t / 0.03f)) *
                strike(t, 0.002f, 0.22f);
            break;
        }
        case ACID: {  // driving saw bass through a resonant sweep
            phase += dt;
            phase -= std::floor(phase);
            filter.run(sawWave(phase, dt), 180 + 1900 * std::exp(-t / 0.06f) * note.level, 2.8f);
            v = filter.low * 0.8f * hold(t, 0.003f, seconds, 0.02f);
            break;
        }
        case LEAD: {  // saw lead with a slow vibrato
            float vibrato = 1 + 0.004f * std::sin(TAU * 5.5f * t) * smooth(0.15f, 0.4f, t);
            phase += dt * vibrato;
            phase2 += dt * vibrato * 1.005f;
            phase -= std::floor(phase);
            phase2 -= std::floor(phase2);
            filter.run(sawWave(phase, dt) + sawWave(phase2, dt), 2400, 0.8f);
            v = filter.low * 0.5f * hold(t, 0.01f, seconds, release);
            break;
        }
        case ARP: {  // narrow pulse, plucked
            phase += dt;
            phase -= std::floor(phase);
            filter.run(squareWave(phase, dt, 0.3f), 800 + 3500 * std::exp(-t / 0.04f), 1.4f);
            v = filter.low * 0.6f * strike(t, 0.002f, 0.09f) * hold(t, 0.0f, seconds, 0.03f);
            break;
        }
        case KICK: {
            drumPhase += (45 + 95 * std::exp(-t / 0.03f)) / RATE;
            v = std::sin(TAU * drumPhase) * strike(t, 0.002f, 0.16f) * (1 - smooth(0.25f, 0.32f, t));
            break;
        }
        case SNARE: {
            filter.run(noise.next(), 3200, 0.8f);
            v = (filter.band * 1.2f * strike(t, 0.001f, 0.07f) + std::sin(TAU * 185 * t) * 0.5f * strike(t, 0.001f, 0.04f)) *
                (1 - smooth(0.17f, 0.22f, t));
            break;
        }
        case CLAP: {
            float bursts = strike(t, 0.001f, 0.006f) + strike(t - 0.012f, 0.001f, 0.006f) + strike(t - 0.024f, 0.001f, 0.06f);
            filter.run(noise.next(), 1300, 1.6f);
            v = filter.band * 2.2f * bursts * (1 - smooth(0.17f, 0.22f, t));
            break;
        }
        case HAT:
        case OPEN_HAT: {
            float x = noise.next();
            filter.run(x, 7000, 0.7f);
            filter2.run(filter.high, 9000, 0.8f);
            float decay = note.instrument == HAT ? 0.012f : 0.06f;
            v = filter2.band * 0.9f * strike(t, 0.0005f, decay) * (1 - smooth(total * 0.8f, total, t));
            break;
        }
        }
        put(track, at + i, v * note.level * (note.instrument == ACID ? 0.6f : 1.0f), note.pan);
    }
}

// Renders a tune twice over and keeps the second pass, so the notes and echoes that
// ring over the loop point are already there at the start: the loop is seamless.
Sound renderSong(const Song& song, float echoBeats, float echoFeedback, float echoLevel) {
    const float loudnessDb = -20.0f, peakCeilingDb = -3.0f;
    const float beatSeconds = 60.0f / song.bpm;
    const float loopSeconds = song.bars * 4 * beatSeconds;
    const size_t loopFrames = (size_t)std::lround(loopSeconds * RATE);
    Track dry = newTrack(loopSeconds * 2 + 2), wet = newTrack(loopSeconds * 2 + 2);
    uint32_t seed = 1000;
    for (int pass = 0; pass < 2; pass++)
        for (const Note& note : song.notes) {
            size_t at = (size_t)std::lround((pass * loopSeconds + note.beat * beatSeconds) * RATE);
            bool echoed = note.instrument == ARP || note.instrument == BELL || note.instrument == LEAD;
            playNote(echoed ? wet : dry, at, note.length * beatSeconds, note, seed++);
        }
    // A ping-pong echo on the melodic voices.
    size_t delay = (size_t)std::lround(echoBeats * beatSeconds * RATE);
    std::vector<float> echoL(dry.frames(), 0.0f), echoR(dry.frames(), 0.0f);
    for (size_t i = delay; i < dry.frames(); i++) {
        echoL[i] = (wet.right[i - delay] + echoR[i - delay]) * echoFeedback;
        echoR[i] = (wet.left[i - delay] + echoL[i - delay]) * echoFeedback;
    }
    Track out = newTrack(loopSeconds);
    out.left.resize(loopFrames);
    out.right.resize(loopFrames);
    for (size_t i = 0; i < loopFrames; i++) {
        size_t j = loopFrames + i;
        out.left[i] = dry.left[j] + wet.left[j] + echoL[j] * echoLevel;
        out.right[i] = dry.right[j] + wet.right[j] + echoR[j] * echoLevel;
    }
    // Every tune gets the same loudness, well under the effects, unless its peak
    // would then pass the ceiling.
    float peakAtLoudness = 20 * std::log10(peakOf(out)) + (loudnessDb - rmsDb(out));
    return finish(out, std::min(peakAtLoudness, peakCeilingDb), 3.0f);
}

void add(Song& song, float beat, float length, float pitch, float level, Instrument instrument, float pan = 0) {
    song.notes.push_back(Note{beat, length, pitch, level, instrument, pan});
}

// The menu: calm, 80 beats a minute, eight bars of soft pads, piano arpeggios and a bell tune.
Song menuSong() {
    Song song{80, 8, {}};
    const int bass[8] = {50, 47, 43, 45, 50, 42, 43, 45};
    const int chords[8][4] = {{57, 61, 62, 66}, {57, 59, 62, 66}, {59, 62, 66, 67}, {57, 61, 64, 66},
                              {57, 61, 62, 66}, {52, 57, 61, 66}, {59, 62, 66, 69}, {57, 62, 64, 67}};
    const int arpeggio[8] = {0, 1, 2, 3, 2, 1, 3, 2};
    for (int bar = 0; bar < 8; bar++) {
        float at = bar * 4.0f;
        bool last = bar == 7;
        for (int v = 0; v < 4; v++) add(song, at, last ? 2.6f : 3.6f, chords[bar][v], 0.16f, PAD, -0.5f + v * 0.33f);
        add(song, at, 2.5f, bass[bar], 0.5f, BASS);
        if (!last) add(song, at + 3, 0.8f, bass[bar] + 7, 0.35f, BASS);
        for (int e = 0; e < (last ? 5 : 8); e++)
            add(song, at + e * 0.5f, 0.45f, chords[bar][arpeggio[e]] + 12, 0.16f, KEYS, e % 2 ? 0.35f : -0.35f);
    }
    // The bell tune: (bar, beat, length, note).
    const float tune[][4] = {{0, 0, 1.5f, 74}, {0, 1.5f, 0.5f, 76}, {0, 2, 2, 78},   {1, 0, 1, 76},
                             {1, 1, 1, 74},    {1, 2, 2, 71},       {2, 0, 1.5f, 74}, {2, 1.5f, 0.5f, 71},
                             {2, 2, 1, 69},    {2, 3, 1, 67},       {3, 0, 3, 69},   {4, 0, 1.5f, 78},
                             {4, 1.5f, 0.5f, 81}, {4, 2, 2, 81},    {5, 0, 1, 81},   {5, 1, 1, 78},
                             {5, 2, 2, 76},    {6, 0, 1.5f, 74},    {6, 1.5f, 0.5f, 76}, {6, 2, 1, 78},
                             {6, 3, 1, 79},    {7, 0, 1.5f, 76}};
    for (const auto& n : tune) add(song, n[0] * 4 + n[1], n[2], n[3], 0.3f, BELL, 0.1f);
    return song;
}

// Tennis: bright and bouncy, 126 beats a minute in C major, twelve bars of marimba tune
// over an octave-jumping bass, offbeat chord stabs and a light kit.
Song tennisSong() {
    Song song{126, 12, {}};
    const int roots[12] = {48, 43, 45, 41, 48, 43, 41, 43, 45, 41, 48, 43};
    const int triads[12][3] = {{64, 67, 72}, {62, 67, 71}, {64, 69, 72}, {65, 69, 72}, {64, 67, 72}, {62, 67, 71},
                               {65, 69, 72}, {62, 67, 71}, {64, 69, 72}, {65, 69, 72}, {64, 67, 72}, {62, 67, 71}};
    const int tune[12][8] = {{76, 79, 84, 79, 76, 0, 74, 76}, {74, 0, 71, 74, 79, 0, 78, 79},
                             {76, 0, 72, 76, 81, 0, 79, 76}, {77, 76, 74, 72, 69, 0, 72, 0},
                             {76, 79, 84, 79, 76, 0, 74, 76}, {74, 0, 71, 74, 79, 81, 83, 0},
                             {84, 0, 81, 77, 81, 0, 79, 77}, {79, 0, 74, 71, 74, 0, 0, 0},
                             {72, 76, 81, 76, 72, 76, 81, 84}, {81, 77, 72, 77, 81, 84, 81, 77},
                             {79, 76, 72, 76, 79, 84, 79, 76}, {74, 79, 83, 79, 74, 0, 0, 0}};
    for (int bar = 0; bar < 12; bar++) {
        float at = bar * 4.0f;
        bool last = bar == 11;
        for (int e = 0; e < 8; e++) {
            float beat = at + e * 0.5f;
            if (!(last && e == 7)) add(song, beat, 0.35f, roots[bar] + (e % 2 ? 12 : 0), 0.55f, PLUCK);
            if (tune[bar][e]) add(song, beat, 0.45f, tune[bar][e], 0.55f, MARIMBA, 0.15f);
            if (e % 2 == 1 && !(last && e == 7))
                for (int v = 0; v < 3; v++) add(song, beat, 0.25f, triads[bar][v], 0.12f, KEYS, -0.3f + 0.3f * v);
            add(song, beat, 0.1f, 0, e % 2 ? 0.35f : 0.2f, HAT, 0.3f);
        }
        add(song, at, 0.5f, 0, 0.9f, KICK);
        add(song, at + 2, 0.5f, 0, 0.9f, KICK);
        if (bar % 2 == 1) add(song, at + 2.5f, 0.5f, 0, 0.6f, KICK);
        add(song, at + 1, 0.5f, 0, 0.55f, SNARE, -0.1f);
        add(song, at + 3, 0.5f, 0, last ? 0.45f : 0.55f, SNARE, -0.1f);
    }
    return song;
}

// The neon field: driving electronic, 136 beats a minute in A minor, sixteen bars of a
// sixteenth-note acid bass, four-to-the-floor kick, claps, hats, a pulse arpeggio and,
// in the second half, a saw lead.
Song neonSong() {
    Song song{136, 16, {}};
    const int roots[8] = {45, 41, 48, 43, 45, 41, 48, 43};
    const int chords[8][4] = {{57, 60, 64, 69}, {57, 60, 65, 69}, {55, 60, 64, 67}, {55, 59, 62, 67},
                              {57, 60, 64, 69}, {57, 60, 65, 69}, {55, 60, 64, 67}, {55, 59, 62, 67}};
    const int bassShape[16] = {0, 0, 12, 0, 0, 12, 0, 7, 0, 0, 12, 0, 10, 0, 12, 7};
    const int arpShape[16] = {0, 1, 2, 3, 2, 1, 2, 3, 0, 2, 1, 3, 2, 3, 1, 2};
    for (int bar = 0; bar < 16; bar++) {
        int chord = bar / 2;
        float at = bar * 4.0f;
        bool last = bar == 15;
        for (int beat = 0; beat < 4; beat++) {
            add(song, at + beat, 0.5f, 0, 1.0f, KICK);
            if (beat % 2 == 1) add(song, at + beat, 0.5f, 0, 0.55f, CLAP, 0.1f);
            if (!(last && beat == 3)) add(song, at + beat + 0.5f, 0.5f, 0, 0.3f, OPEN_HAT, -0.3f);
        }
        for (int s = 0; s < 16; s++) {
            float beat = at + s * 0.25f;
            if (!(last && s >= 14)) {
                float accent = (s % 4 == 2) ? 1.0f : 0.55f;
                add(song, beat, 0.2f, roots[chord] - 12 + bassShape[s] + 12, accent, ACID);
            }
            add(song, beat, 0.1f, 0, s % 2 ? 0.14f : 0.22f, HAT, 0.35f);
            if (bar % 4 >= 2 && !(last && s >= 12))
                add(song, beat, 0.2f, chords[chord][arpShape[s]] + 12, 0.32f, ARP, s % 2 ? 0.4f : -0.4f);
        }
        if (bar % 2 == 0)
            for (int v = 0; v < 4; v++)
                add(song, at, last ? 6.5f : 7.6f, chords[chord][v], 0.07f, PAD, -0.45f + 0.3f * v);
    }
    // Second half: the lead (bar, beat, length, note).
    const float lead[][4] = {{8, 0, 1, 76},     {8, 1, 0.5f, 74},  {8, 1.5f, 0.5f, 72}, {8, 2, 2, 69},
                             {9, 0, 1, 72},     {9, 1, 1, 74},     {9, 2, 2, 76},       {10, 0, 1, 77},
                             {10, 1, 0.5f, 76}, {10, 1.5f, 0.5f, 74}, {10, 2, 2, 72},   {11, 0, 1, 69},
                             {11, 1, 1, 72},    {11, 2, 2, 77},    {12, 0, 1, 79},      {12, 1, 0.5f, 76},
                             {12, 1.5f, 0.5f, 72}, {12, 2, 2, 67}, {13, 0, 1, 72},      {13, 1, 1, 76},
                             {13, 2, 2, 79},    {14, 0, 1, 74},    {14, 1, 0.5f, 71},   {14, 1.5f, 0.5f, 67},
                             {14, 2, 2, 74},    {15, 0, 1, 71},    {15, 1, 1, 74},      {15, 2, 1, 79}};
    for (const auto& n : lead) add(song, n[0] * 4 + n[1], n[2] * 0.9f, n[3], 0.28f, LEAD, 0.05f);
    return song;
}

}  // namespace

Sound makeExplosion() { return explosion(); }
Sound makeMenuClick() { return menuClick(); }
Sound makeMenuBlip() { return menuBlip(); }
Sound makeWoodThud() { return woodThud(); }
Sound makeRacketPock() { return racketPock(); }
Sound makeWhistle() { return whistle(); }
Sound makeMetalZap() { return metalZap(); }
Sound makeLaserPing() { return laserPing(); }
Sound makeSynthAlarm() { return synthAlarm(); }
Sound makeMenuMusic() { return renderSong(menuSong(), 0.75f, 0.35f, 0.5f); }
Sound makeTennisMusic() { return renderSong(tennisSong(), 0.75f, 0.3f, 0.35f); }
Sound makeNeonMusic() { return renderSong(neonSong(), 0.75f, 0.4f, 0.5f); }
