#include "tools/synth/score.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <sstream>

namespace synth {

namespace {

constexpr int kStepsPerBar = 16;
constexpr double kStepSeconds = kBeatSeconds / 4.0;
constexpr double kBarSeconds = kStepSeconds * kStepsPerBar;

// A pattern of one bar (or a melody of several) and its level 0 .. 1.
struct Layer {
    const char* pattern;
    float level;
};

// One row of the arrangement.
//   chords: names, each held `barsPerChord` bars, cycling from the section start.
//   bass: per sixteenth 'x' root, 'o' octave up, 'f' fifth, '-' hold, '.' rest.
//   arp: per sixteenth a digit indexing the chord's tones upwards, '.' rest.
//   lead, bell: melodies (see parseMelody), cycling; leadShift in semitones.
//   drums: per sixteenth 'x' full hit, 'o' soft hit, '.' rest.
//   brightness: cutoff scale at the section's start and end.
struct Arrangement {
    const char* name;
    double start, end;
    const char* chords;
    int barsPerChord;
    float pad;
    Layer bass, arp, lead, bell;
    int leadShift;
    Layer kick, snare, hats, openHats;
    double brightnessFrom, brightnessTo;
};

const char* const kGreetingTheme =
    "A4/4 C5/4 F5/6 E5/2 E5/4 D5/2 C5/2 G4/8 B4/4 D5/4 G5/6 F5/2 E5/12 r/4 "
    "A5/4 G5/2 F5/2 C5/4 F5/4 E5/4 D5/2 E5/2 G5/8 D5/4 B4/4 G4/4 B4/4 A4/16";
const char* const kForestRiff =
    "A4/2 C5/2 E5/2 A5/2 G5/2 E5/2 C5/2 E5/2 F4/2 A4/2 C5/2 F5/2 E5/2 C5/2 A4/2 C5/2 "
    "E4/2 G4/2 C5/2 E5/2 D5/2 C5/2 G4/2 C5/2 D4/2 G4/2 B4/2 D5/2 G5/4 F5/2 D5/2";
const char* const kEarthBells =
    "E5/8 r/8 C5/8 r/8 B4/8 r/8 G4/16 A4/8 C5/8 F5/16 E5/8 G5/8 C5/16";
const char* const kSpaceBells = "D6/4 r/12 A5/4 r/12 F5/4 r/12 C6/4 r/12";
const char* const kEndBells = "E6/8 r/8 A5/16 C6/8 B5/8 A5/16";

constexpr Layer kNone = {nullptr, 0.0f};

// Section changes sit on the demo's scene changes: 40.5, 80, 117, 160, 190,
// 234, 245, 275 s, with the lift at 134 s, the hit at 270 s and silence from
// 331 s.
const Arrangement kArrangement[] = {
    // Opening: pad alone, then a soft arpeggio and a held bass, growing.
    {"opening", 0.0, 16.0, "Am F C G", 2, 0.55f, kNone, kNone, kNone, kNone, 0,
     kNone, kNone, kNone, kNone, 0.25, 0.5},
    {"opening", 16.0, 32.0, "Am F C G", 2, 0.6f, {"x---------------", 0.5f},
     {"0.2.1.3.0.2.4.2.", 0.35f}, kNone, kNone, 0, kNone, kNone, kNone, kNone, 0.5, 0.8},
    {"opening", 32.0, 40.5, "Am F C G", 2, 0.65f, {"x-------x-------", 0.55f},
     {"0.2.1.3.0.2.4.2.", 0.45f}, kNone, kNone, 0, kNone, kNone, {"..o...o...o...o.", 0.2f},
     kNone, 0.8, 1.0},
    // Fog: the beat enters, darker chords.
    {"fog", 40.5, 56.5, "Am F C Em", 1, 0.45f, {"x..x..x.x..x..x.", 0.8f}, kNone, kNone,
     kNone, 0, {"x...x...x...x...", 0.9f}, kNone, {"..x...x...x...x.", 0.45f}, kNone, 0.45,
     0.6},
    {"fog", 56.5, 80.0, "Am F C Em", 1, 0.45f, {"x..x..x.x..x..x.", 0.8f},
     {"0123012301230123", 0.3f}, kNone, kNone, 0, {"x...x...x...x...", 0.9f},
     {"....x.......x...", 0.7f}, {"..x...x...x...x.", 0.5f}, kNone, 0.6, 0.9},
    // Greetings: the theme, everything open.
    {"greetings", 80.0, 117.0, "F C G Am", 1, 0.5f, {"x-.xx-.xx-.xx-.o", 0.8f},
     {"0123432101234321", 0.3f}, {kGreetingTheme, 0.75f}, kNone, 0,
     {"x...x...x...x...", 0.95f}, {"....x.......x...", 0.75f},
     {"o.x.o.x.o.x.o.xo", 0.45f}, {"......x.......x.", 0.25f}, 1.1, 1.3},
    // Space: arpeggios; the lift at 134 s.
    {"space", 117.0, 134.0, "Dm Bb F C", 2, 0.4f, {"x-------x-------", 0.3f},
     {"0123432101234321", 0.4f}, kNone, {kSpaceBells, 0.4f}, 0, kNone, kNone,
     {"..o...o...o...o.", 0.3f}, kNone, 0.6, 0.9},
    {"space", 134.0, 160.0, "Bb C Am Dm", 1, 0.5f, {"x.xox.xox.xox.xo", 0.8f},
     {"0123432101234321", 0.6f}, kNone, kNone, 0, {"x...x...x...x...", 0.95f},
     {"....x.......x...", 0.75f}, {"xoxoxoxoxoxoxoxo", 0.4f}, {"..x...x...x...x.", 0.25f},
     1.1, 1.2},
    // Earth: the breakdown.
    {"earth", 160.0, 190.0, "Am Em F C", 2, 0.45f, {"x---------------", 0.5f}, kNone, kNone,
     {kEarthBells, 0.5f}, 0, kNone, kNone, kNone, kNone, 0.45, 0.6},
    // Forest I: building up.
    {"forest I", 190.0, 206.0, "Am F C G", 1, 0.45f, {"x.x.x.x.x.x.x.x.", 0.65f},
     {"0.2.1.3.0.2.4.2.", 0.35f}, kNone, kNone, 0, kNone, kNone,
     {"..x...x...x...x.", 0.4f}, kNone, 0.5, 0.7},
    {"forest I", 206.0, 222.0, "Am F C G", 1, 0.5f, {"x.x.x.x.x.x.x.x.", 0.7f},
     {"0123012301230123", 0.4f}, kNone, kNone, 0, {"x...x...x...x...", 0.85f}, kNone,
     {"o.x.o.x.o.x.o.x.", 0.45f}, kNone, 0.7, 0.9},
    {"forest I", 222.0, 230.0, "Am F C G", 1, 0.5f, {"x.xox.xox.xox.xo", 0.75f},
     {"0123432101234321", 0.45f}, kNone, kNone, 0, {"x...x...x...x...", 0.9f},
     {"....x.......x...", 0.7f}, {"o.x.o.x.o.x.o.x.", 0.5f}, kNone, 0.9, 1.0},
    {"forest I", 230.0, 234.0, "F G", 1, 0.5f, {"x.x.x.x.x.x.x.x.", 0.75f},
     {"0123432101234321", 0.5f}, kNone, kNone, 0, {"x...x...x...x...", 0.9f},
     {"x.x.x.x.xxxxxxxx", 0.6f}, {"xxxxxxxxxxxxxxxx", 0.45f}, kNone, 1.0, 1.2},
    // Forest II: a short bridge out of the white-out, no beat.
    {"forest II", 234.0, 245.0, "F G Em Am", 1, 0.6f, {"x-------x-------", 0.55f},
     {"0123432101234321", 0.5f}, kNone, {kSpaceBells, 0.5f}, 0, kNone, kNone, kNone,
     kNone, 1.2, 1.2},
    // Forest III: full energy, a break before the hit at 270 s.
    {"forest III", 245.0, 269.0, "Am F C G", 1, 0.5f, {"xxoxxxoxxxoxxxox", 0.8f},
     {"0123432101234321", 0.45f}, {kForestRiff, 0.55f}, kNone, 0,
     {"x...x...x...x...", 1.0f}, {"....x.......x...", 0.8f},
     {"xoxoxoxoxoxoxoxo", 0.5f}, {"..x...x...x...x.", 0.3f}, 1.2, 1.4},
    {"forest III", 269.0, 270.0, "G", 1, 0.5f, kNone, kNone, kNone, kNone, 0, kNone, kNone,
     kNone, kNone, 1.4, 1.4},
    {"forest III", 270.0, 275.0, "Am F", 1, 0.5f, {"xxoxxxoxxxoxxxox", 0.85f},
     {"0123432101234321", 0.45f}, {kForestRiff, 0.55f}, kNone, 0,
     {"x...x...x...x...", 1.0f}, {"....x.......x...", 0.8f},
     {"xoxoxoxoxoxoxoxo", 0.5f}, {"..x...x...x...x.", 0.3f}, 1.4, 1.4},
    // Finale: the theme an octave up, then thinning out and fading.
    {"finale", 275.0, 307.0, "F C G Am", 1, 0.55f, {"x-.xx-.xx-.xx-.o", 0.85f},
     {"0123432101234321", 0.4f}, {kGreetingTheme, 0.7f}, kNone, 12,
     {"x...x...x...x...", 1.0f}, {"....x.......x...", 0.8f},
     {"o.x.o.x.o.x.o.xo", 0.5f}, {"......x.......x.", 0.3f}, 1.3, 1.5},
    {"finale", 307.0, 315.0, "F G Am Am", 1, 0.55f, {"x.x.x.x.x.x.x.x.", 0.7f},
     {"0123432101234321", 0.35f}, kNone, kNone, 0, {"x...x...x...x...", 0.8f}, kNone,
     {"..x...x...x...x.", 0.35f}, kNone, 1.2, 0.8},
    {"finale", 315.0, 331.0, "Am", 8, 0.6f, {"x---------------", 0.5f}, kNone, kNone,
     {kEndBells, 0.4f}, 0, kNone, kNone, kNone, kNone, 0.8, 0.4},
    {"silence", 331.0, kTrackSeconds, "", 1, 0.0f, kNone, kNone, kNone, kNone, 0, kNone,
     kNone, kNone, kNone, 1.0, 1.0},
};

// Crashes, risers and stabs that mark the changes.
const double kCrashes[] = {40.5, 80.0, 134.0, 190.0, 234.0, 245.0, 270.0, 275.0, 307.0};
const double kRisers[][2] = {{32.5, 40.5}, {76.0, 80.0}, {131.0, 134.0}, {226.0, 234.0},
                             {241.0, 245.0}, {266.0, 269.5}, {271.0, 275.0}};
struct ChordHit {
    double time;
    const char* chord;
};
const ChordHit kStabs[] = {{134.0, "Bb"}, {270.0, "Am"}};

// Note names are capitals only, so a lower-case letter can mean something else.
int noteLetter(char c) {
    switch (c) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    }
    return -1;
}

std::vector<std::string> words(const char* text) {
    std::vector<std::string> out;
    std::istringstream in(text ? text : "");
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

// Pitches of the chord's tones placed in [low, low + 12), sorted upwards.
std::vector<int> voicing(const std::string& chord, int low) {
    const std::vector<int> classes = chordPitchClasses(chord);
    std::vector<int> out;
    for (int pc : classes) out.push_back(low + ((pc - low) % 12 + 12) % 12);
    std::sort(out.begin(), out.end());
    return out;
}

float stepVelocity(char c) { return c == 'x' ? 1.0f : c == 'o' ? 0.6f : 0.0f; }

// The chord sounding at `bar` of a section.
std::string chordAt(const std::vector<std::string>& chords, int barsPerChord, int bar) {
    if (chords.empty()) return {};
    return chords[(bar / std::max(1, barsPerChord)) % chords.size()];
}

class Composer {
public:
    explicit Composer(Score& score) : score(score) {}

    void section(const Arrangement& a) {
        score.sections.push_back({a.name, a.start, a.end});
        const std::vector<std::string> chords = words(a.chords);
        const int bars = static_cast<int>(std::ceil((a.end - a.start) / kBarSeconds - 1e-9));
        for (int bar = 0; bar < bars; ++bar) {
            const std::string chord = chordAt(chords, a.barsPerChord, bar);
            const double barStart = a.start + bar * kBarSeconds;
            const double brightness =
                a.brightnessFrom + (a.brightnessTo - a.brightnessFrom) *
                                       (barStart - a.start) / std::max(1e-9, a.end - a.start);
            if (chord.empty()) continue;
            if (a.pad > 0.0f && bar % std::max(1, a.barsPerChord) == 0) {
                for (int pitch : voicing(chord, 55))
                    add(a, Pad, barStart, a.barsPerChord * kBarSeconds, pitch, a.pad, brightness);
            }
            if (a.bass.pattern) bassBar(a, barStart, chord, brightness);
            if (a.arp.pattern) arpBar(a, barStart, chord, brightness);
            drumBar(a, barStart, a.kick, Drum::Kick);
            drumBar(a, barStart, a.snare, Drum::Snare);
            drumBar(a, barStart, a.hats, Drum::ClosedHat);
            drumBar(a, barStart, a.openHats, Drum::OpenHat);
        }
        melody(a, Lead, a.lead, a.leadShift);
        melody(a, Bell, a.bell, 0);
    }

private:
    // Keeps a note inside its section: the next section brings its own.
    void add(const Arrangement& a, Track track, double time, double duration, double pitch,
             float velocity, double brightness) {
        if (time >= a.end - 1e-9) return;
        duration = std::min(duration, a.end - time);
        score.notes[track].push_back({time, duration, pitch, velocity, brightness});
    }

    void bassBar(const Arrangement& a, double barStart, const std::string& chord, double bright) {
        const std::vector<int> classes = chordPitchClasses(chord);
        const int root = 33 + ((classes[0] - 9) % 12 + 12) % 12;  // A1 .. G#2
        const char* p = a.bass.pattern;
        const int n = static_cast<int>(std::strlen(p));
        for (int i = 0; i < n && i < kStepsPerBar; ++i) {
            int pitch = root;
            if (p[i] == 'o') pitch = root + 12;
            else if (p[i] == 'f') pitch = root + 7;
            else if (p[i] != 'x') continue;
            int length = 1;
            while (i + length < n && p[i + length] == '-') ++length;
            add(a, Bass, barStart + i * kStepSeconds, length * kStepSeconds * 0.9, pitch,
                a.bass.level, bright);
        }
    }

    void arpBar(const Arrangement& a, double barStart, const std::string& chord, double bright) {
        const std::vector<int> tones = voicing(chord, 62);
        const char* p = a.arp.pattern;
        for (int i = 0; p[i] && i < kStepsPerBar; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(p[i]))) continue;
            const int index = p[i] - '0';
            const int pitch = tones[index % tones.size()] + 12 * (index / static_cast<int>(tones.size()));
            add(a, Arp, barStart + i * kStepSeconds, kStepSeconds * 0.6, pitch, a.arp.level, bright);
        }
    }

    void drumBar(const Arrangement& a, double barStart, const Layer& layer, Drum drum) {
        if (!layer.pattern) return;
        for (int i = 0; layer.pattern[i] && i < kStepsPerBar; ++i) {
            const float v = stepVelocity(layer.pattern[i]);
            const double time = barStart + i * kStepSeconds;
            if (v > 0.0f && time < a.end - 1e-9) score.drums.push_back({time, drum, v * layer.level});
        }
    }

    void melody(const Arrangement& a, Track track, const Layer& layer, int shift) {
        if (!layer.pattern) return;
        const std::vector<MelodyNote> notes = parseMelody(layer.pattern);
        if (notes.empty()) return;
        const int cycle = notes.back().step + notes.back().length;
        const double brightness = (a.brightnessFrom + a.brightnessTo) * 0.5;
        for (double cycleStart = a.start; cycleStart < a.end; cycleStart += cycle * kStepSeconds) {
            for (const MelodyNote& n : notes)
                add(a, track, cycleStart + n.step * kStepSeconds, n.length * kStepSeconds * 0.92,
                    n.pitch + shift, layer.level, brightness);
        }
    }

    Score& score;
};

}  // namespace

std::vector<int> chordPitchClasses(const std::string& name) {
    if (name.empty()) return {};
    int root = noteLetter(name[0]);
    if (root < 0) return {};
    size_t i = 1;
    if (i < name.size() && (name[i] == '#' || name[i] == 'b')) {
        root += name[i] == '#' ? 1 : -1;
        ++i;
    }
    root = (root + 12) % 12;
    bool minor = false, seventh = false;
    if (i < name.size() && name[i] == 'm') {
        minor = true;
        ++i;
    }
    if (i < name.size() && name[i] == '7') {
        seventh = true;
        ++i;
    }
    if (i != name.size()) return {};
    std::vector<int> out = {root, (root + (minor ? 3 : 4)) % 12, (root + 7) % 12};
    if (seventh) out.push_back((root + 10) % 12);
    return out;
}

std::vector<MelodyNote> parseMelody(const std::string& text) {
    std::vector<MelodyNote> out;
    std::istringstream in(text);
    std::string token;
    int step = 0;
    while (in >> token) {
        const size_t slash = token.find('/');
        if (slash == std::string::npos || slash == 0 || slash + 1 >= token.size()) break;
        const std::string lengthText = token.substr(slash + 1);
        if (lengthText.size() > 3 ||
            !std::all_of(lengthText.begin(), lengthText.end(),
                         [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            break;
        const int length = std::stoi(lengthText);
        if (length <= 0) break;
        const std::string note = token.substr(0, slash);
        if (note == "r") {
            step += length;
            continue;
        }
        const int letter = noteLetter(note[0]);
        if (letter < 0) break;
        int pc = letter;
        size_t i = 1;
        if (i < note.size() && (note[i] == '#' || note[i] == 'b')) {
            pc += note[i] == '#' ? 1 : -1;
            ++i;
        }
        if (i + 1 != note.size() || !std::isdigit(static_cast<unsigned char>(note[i]))) break;
        const int octave = note[i] - '0';
        out.push_back({step, length, 12 * (octave + 1) + pc});
        step += length;
    }
    return out;
}

double gainAt(const std::vector<GainPoint>& curve, double time) {
    if (curve.empty() || time < curve.front().time || time > curve.back().time) return 0.0;
    for (size_t i = 1; i < curve.size(); ++i) {
        if (time <= curve[i].time) {
            const GainPoint& a = curve[i - 1];
            const GainPoint& b = curve[i];
            if (b.time - a.time <= 0.0) return b.gain;
            return a.gain + (b.gain - a.gain) * (time - a.time) / (b.time - a.time);
        }
    }
    return curve.back().gain;
}

Score composeScore() {
    Score score;
    Composer composer(score);
    for (const Arrangement& a : kArrangement) composer.section(a);
    for (double t : kCrashes) score.drums.push_back({t, Drum::Crash, 0.8f});
    for (const auto& r : kRisers)
        score.notes[Riser].push_back({r[0], r[1] - r[0], 60.0, 0.5f, 1.0});
    for (const ChordHit& s : kStabs) {
        std::vector<int> pitches = voicing(s.chord, 57);
        pitches.push_back(pitches.front() + 12);
        for (int pitch : pitches)
            score.notes[Stab].push_back({s.time, 0.6, static_cast<double>(pitch), 0.6f, 1.0});
    }
    // A fade-in under the picture's fade, growth through the opening, full
    // level from the beat's entry, silence by 331 s.
    score.masterGain = {{0.0, 0.0}, {3.0, 0.4}, {40.5, 0.75}, {40.5, 1.0},
                        {315.0, 1.0}, {331.0, 0.0}, {kTrackSeconds, 0.0}};
    for (auto& list : score.notes)
        std::stable_sort(list.begin(), list.end(),
                         [](const NoteEvent& a, const NoteEvent& b) { return a.time < b.time; });
    std::stable_sort(score.drums.begin(), score.drums.end(),
                     [](const DrumEvent& a, const DrumEvent& b) { return a.time < b.time; });
    return score;
}

}  // namespace synth
