#pragma once
// The soundtrack's score: tempo, chord progressions, patterns, melodies and
// the sections they play in, written as data, and the note list they expand
// to. Times are in seconds from the start of the track, which is also demo
// time 0.

#include "tools/synth/drums.h"

#include <string>
#include <vector>

namespace synth {

constexpr double kTempo = 120.0;                 // beats per minute
constexpr double kBeatSeconds = 60.0 / kTempo;   // every timeline boundary falls on a beat
constexpr double kTrackSeconds = 341.0;          // the timeline ends at 340 s

// The melodic tracks of the mix.
enum Track { Pad, Bass, Arp, Lead, Bell, Riser, Stab, kTrackCount };

struct NoteEvent {
    double time;       // seconds
    double duration;   // seconds until the release starts
    double pitch;      // MIDI note number
    float velocity;    // 0 .. 1
    double brightness; // cutoff scale of the patch
};

struct DrumEvent {
    double time;
    Drum drum;
    float velocity;
};

// A stretch of the score with one arrangement. Bars count from `start`; a
// section that is not a whole number of bars ends inside its last bar.
struct Section {
    const char* name;
    double start, end;  // seconds
};

// A point of the master gain curve; the gain is linear between points.
struct GainPoint {
    double time;
    double gain;
};

struct Score {
    std::vector<Section> sections;
    std::vector<NoteEvent> notes[kTrackCount];
    std::vector<DrumEvent> drums;
    std::vector<GainPoint> masterGain;
};

// Expands the written score. Always the same result.
Score composeScore();

// Master gain at `time` from the curve (0 outside it).
double gainAt(const std::vector<GainPoint>& curve, double time);

// Parsers of the score's notation, exposed for tests.
// A chord name: root letter, optional '#' or 'b', optional 'm', optional '7'
// ("Am", "F", "G7", "C#m"). Gives pitch classes from the root (0 = C), or an
// empty list when the name is not a chord.
std::vector<int> chordPitchClasses(const std::string& name);
// A melody: tokens "E5/4" (note E in octave 5 held four sixteenths) or "r/2"
// (rest), separated by blanks. Gives (start step, length, MIDI pitch) with
// rests left out; an unreadable token ends the melody.
struct MelodyNote {
    int step;
    int length;
    int pitch;
};
std::vector<MelodyNote> parseMelody(const std::string& text);

}  // namespace synth
