// make_song.cpp — writes the saver's song, sound/vexlar_theme.mid: a Standard
// MIDI file (format 1, 480 ticks per quarter note) of our own, composed here
// note by note.
//
// The piece: E minor, 116 beats a minute, 4/4, 52 bars (about 1 min 48 s),
// General MIDI instruments — a pulsing synth bass ostinato, a warm pad, a
// sawtooth arpeggio, a square-wave lead, glassy crystal figures that fall like
// the code on the screen, and the electronic drum kit on channel 10. Sections:
// intro (pad and falling bells, soft hats), build (bass pulse, four-to-the-
// floor, the arpeggio fading in), main A (everything but the lead), main B
// (the lead theme), a breakdown (long bass notes, pad, bells, a snare roll),
// the return (theme and full drums), and a four-bar turnaround that thins out
// and ends on the dominant, B7, so the loop falls back into the intro's E
// minor. Every note ends by the last bar line, where all tracks end, so the
// loop has no gap and nothing hangs over it.
//
// Deterministic: no clock, no randomness; a rerun writes the same bytes.
// Usage: make_song [resource-dir]   (prints a check of the result)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kTicksPerQuarter = 480;
constexpr int kStep = kTicksPerQuarter / 4;  // a sixteenth note
constexpr int kBar = 16 * kStep;
constexpr int kBars = 52;
constexpr int kEnd = kBars * kBar;
constexpr int kBeatsPerMinute = 116;

// ---- MIDI events and tracks --------------------------------------------------------
struct Event {
  int tick;
  int order;  // at the same tick: set-up first, then note-offs, then note-ons
  std::vector<uint8_t> bytes;
};

struct Track {
  std::string name;
  int channel = 0;
  std::vector<Event> events;

  void Meta(int tick, uint8_t type, std::vector<uint8_t> data) {
    std::vector<uint8_t> b = {0xFF, type};
    AppendVarLen(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    events.push_back({tick, 0, std::move(b)});
  }
  void Control(uint8_t controller, uint8_t value) {
    events.push_back({0, 0, {static_cast<uint8_t>(0xB0 | channel), controller, value}});
  }
  void Program(uint8_t program) { events.push_back({0, 0, {static_cast<uint8_t>(0xC0 | channel), program}}); }
  void Note(int tick, int length, int pitch, int velocity) {
    int off = std::min(tick + length, kEnd);  // nothing sounds past the loop point
    if (tick < 0 || tick >= off) return;
    velocity = std::clamp(velocity, 1, 127);
    events.push_back({tick, 2, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(pitch),
                                static_cast<uint8_t>(velocity)}});
    events.push_back({off, 1, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(pitch), 64}});
  }

  static void AppendVarLen(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while (v >>= 7) tmp[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n) out.push_back(tmp[--n]);
  }

  std::vector<uint8_t> Chunk() {
    std::vector<uint8_t> trackName(name.begin(), name.end());
    std::vector<uint8_t> nameEvent = {0xFF, 0x03};
    AppendVarLen(nameEvent, static_cast<uint32_t>(trackName.size()));
    nameEvent.insert(nameEvent.end(), trackName.begin(), trackName.end());
    events.insert(events.begin(), {0, 0, nameEvent});  // the name comes first
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
      return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    int last = 0;
    for (const Event& e : events) {
      AppendVarLen(body, static_cast<uint32_t>(e.tick - last));
      body.insert(body.end(), e.bytes.begin(), e.bytes.end());
      last = e.tick;
    }
    // Every track ends exactly on the last bar line.
    AppendVarLen(body, static_cast<uint32_t>(kEnd - last));
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<uint8_t>(body.size() >> shift));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
  }
};

// ---- harmony ---------------------------------------------------------------------------
enum ChordName { Em, C, Am, B7, D };

struct Chord {
  int pad[4];   // the pad's voicing, moving by steps between chords
  int root;     // the bass's root
  int arp[5];   // the arpeggio's tones, the last an octave above the first
  int seventh;  // the bass's passing seventh above the root, in semitones
};

const std::map<ChordName, Chord> kChords = {
    {Em, {{52, 55, 59, 62}, 40, {64, 67, 71, 74, 76}, 10}},  // Em7
    {C, {{52, 55, 59, 60}, 36, {60, 64, 67, 71, 72}, 11}},   // Cmaj7
    {Am, {{52, 55, 57, 60}, 33, {57, 60, 64, 67, 69}, 10}},  // Am7
    {B7, {{51, 54, 57, 59}, 35, {59, 63, 66, 69, 71}, 10}},  // B7, the way home
    {D, {{50, 54, 57, 62}, 38, {62, 66, 69, 72, 74}, 10}},   // D7
};

// One chord a bar, section by section.
std::vector<ChordName> ChordPlan() {
  const std::vector<ChordName> verse = {Em, Em, C, C, Am, Am, B7, B7};
  const std::vector<ChordName> breakdown = {C, C, D, D, Em, Em, B7, B7};
  std::vector<ChordName> plan;
  for (int section = 0; section < 4; ++section) plan.insert(plan.end(), verse.begin(), verse.end());
  plan.insert(plan.end(), breakdown.begin(), breakdown.end());
  plan.insert(plan.end(), verse.begin(), verse.end());
  plan.insert(plan.end(), {Em, C, Am, B7});  // turnaround: one chord a bar
  return plan;
}

enum Section { Intro, Build, MainA, MainB, Breakdown, Return, Outro };

Section SectionOf(int bar) {
  if (bar < 8) return Intro;
  if (bar < 16) return Build;
  if (bar < 24) return MainA;
  if (bar < 32) return MainB;
  if (bar < 40) return Breakdown;
  if (bar < 48) return Return;
  return Outro;
}

int At(int bar, int step) { return bar * kBar + step * kStep; }

// ---- the parts -----------------------------------------------------------------------------
// The pad holds each chord for as long as it lasts, so it never re-attacks
// inside a chord and sounds from the first tick to the last.
void WritePad(Track& t, const std::vector<ChordName>& plan) {
  int start = 0;
  for (int bar = 1; bar <= kBars; ++bar) {
    if (bar < kBars && plan[bar] == plan[start] && SectionOf(bar) == SectionOf(start)) continue;
    const Section s = SectionOf(start);
    const int velocity = s == Breakdown ? 82 : s == Intro || s == Outro ? 70 : 74;
    for (int pitch : kChords.at(plan[start]).pad) t.Note(start * kBar, (bar - start) * kBar, pitch, velocity);
    start = bar;
  }
}

// The driving ostinato: root, octave, seventh and fifth in sixteenths.
constexpr int kSeventh = -1;
struct BassStep {
  int step, interval, velocity;
};
const BassStep kDrive[] = {{0, 0, 100}, {2, 0, 78},  {3, 0, 70},   {4, 12, 90}, {6, 0, 78},
                           {7, 0, 68},  {8, 0, 96},  {10, 0, 78},  {11, 0, 70}, {12, 12, 88},
                           {13, kSeventh, 74}, {14, 0, 80}, {15, 7, 68}};

void BassDrive(Track& t, int bar, const Chord& chord) {
  for (const BassStep& s : kDrive) {
    const int interval = s.interval == kSeventh ? chord.seventh : s.interval;
    t.Note(At(bar, s.step), kStep - 20, chord.root + interval, s.velocity);
  }
}
void BassPulse(Track& t, int bar, int root, int velocity) {
  for (int step = 0; step < 16; step += 2) t.Note(At(bar, step), kStep + 40, root, step % 4 ? velocity - 12 : velocity);
}
void BassLong(Track& t, int bar, int root, int velocity) { t.Note(At(bar, 0), kBar, root, velocity); }

void WriteBass(Track& t, const std::vector<ChordName>& plan) {
  for (int bar = 0; bar < kBars; ++bar) {
    const Chord& chord = kChords.at(plan[bar]);
    const int root = chord.root;
    switch (SectionOf(bar)) {
      case Intro:
        if (bar >= 4) BassLong(t, bar, root, 50 + 4 * (bar - 4));  // a drone growing into the build
        break;
      case Build:
        if (bar < 12) BassPulse(t, bar, root, 76);
        else BassDrive(t, bar, chord);
        break;
      case MainA:
      case MainB:
      case Return:
        BassDrive(t, bar, chord);
        break;
      case Breakdown:
        if (bar < 38) BassLong(t, bar, root, 72);
        else BassPulse(t, bar, root, 70 + 8 * (bar - 38));
        break;
      case Outro:
        if (bar < 50) BassDrive(t, bar, chord);
        else if (bar == 50) BassPulse(t, bar, root, 72);
        else BassLong(t, bar, root, 64);
        break;
    }
  }
}

// Up and down the chord, touching the octave once a bar.
const int kArpPattern[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 1, 2, 3};

void WriteArpeggio(Track& t, const std::vector<ChordName>& plan) {
  for (int bar = 0; bar < kBars; ++bar) {
    const Chord& chord = kChords.at(plan[bar]);
    const Section s = SectionOf(bar);
    int level = 0;  // 0: silent
    int every = 1;  // in sixteenths
    if (s == Build && bar >= 12) level = 44 + 5 * (bar - 12);
    if (s == MainA || s == MainB || s == Return) level = 64;
    if (s == Breakdown && bar >= 36) level = 46, every = 2;
    if (s == Outro && bar < 50) level = 58;
    if (!level) continue;
    for (int step = 0; step < 16; step += every) {
      const int accent = step % 4 == 0 ? 12 : 0;
      t.Note(At(bar, step), kStep - 30, chord.arp[kArpPattern[step]], level + accent);
    }
  }
}

// The theme, eight bars over Em Em C C Am Am B7 B7: a falling line answered
// by a rising one, twice, closing on the leading tone.
struct MelodyNote {
  int step, length, pitch;
};
const MelodyNote kTheme[] = {
    {0, 6, 71},   {6, 2, 69},   {8, 4, 67},   {12, 4, 64},                 // B A G E
    {16, 4, 67},  {20, 2, 69},  {22, 6, 71},  {28, 4, 74},                 // G A B D
    {32, 6, 76},  {38, 2, 74},  {40, 4, 71},  {44, 4, 67},                 // E D B G
    {48, 12, 64},                                                          // E
    {64, 6, 72},  {70, 2, 71},  {72, 4, 69},  {76, 4, 64},                 // C B A E
    {80, 4, 69},  {84, 2, 71},  {86, 6, 72},  {92, 4, 76},                 // A B C E
    {96, 6, 78},  {102, 2, 76}, {104, 4, 75}, {108, 4, 71},                // F# E D# B
    {112, 8, 75}, {120, 8, 71},                                            // D# B
};
// The second statement rises at the end instead: D# F# B.
const MelodyNote kThemeEnding[] = {{112, 4, 75}, {116, 4, 78}, {120, 8, 83}};

void WriteLead(Track& t) {
  for (int first : {24, 40}) {
    for (const MelodyNote& n : kTheme) {
      if (first == 40 && n.step >= 112) continue;
      const int velocity = n.length >= 6 ? 84 : 74;
      t.Note(first * kBar + n.step * kStep, n.length * kStep - 10, n.pitch, velocity);
    }
    if (first == 40)
      for (const MelodyNote& n : kThemeEnding) t.Note(first * kBar + n.step * kStep, n.length * kStep - 10, n.pitch, 80);
  }
}

// Falling figures high up, a sixteenth apart, fading as they fall.
const std::vector<int> kFallEmA = {95, 91, 88, 86, 83};  // B G E D B
const std::vector<int> kFallEmB = {100, 98, 95, 93, 91, 88};  // E D B A G E
const std::vector<int> kFallEmC = {91, 90, 88, 83};  // G F# E B
const std::vector<int> kFallOverC = {96, 91, 88, 84, 79};  // C G E C G (over C)
const std::vector<int> kFallOverAm = {93, 88, 84, 81, 76};  // A E C A E (over Am)
const std::vector<int> kFallOverB7 = {90, 87, 83, 81, 78};  // F# D# B A F# (over B7)
const std::vector<int> kFallOverD = {93, 90, 86, 81, 78};  // A F# D A F# (over D)

const std::vector<int>& FallFor(ChordName chord, int bar) {
  switch (chord) {
    case C: return kFallOverC;
    case Am: return kFallOverAm;
    case B7: return kFallOverB7;
    case D: return kFallOverD;
    case Em: break;
  }
  return bar % 3 == 0 ? kFallEmA : bar % 3 == 1 ? kFallEmB : kFallEmC;
}

void Fall(Track& t, int bar, int step, const std::vector<int>& notes, int velocity, int octave = 0) {
  for (size_t i = 0; i < notes.size(); ++i) {
    t.Note(At(bar, step + static_cast<int>(i)), 2 * kStep, notes[i] + octave, velocity - 5 * static_cast<int>(i));
  }
}

void WriteBells(Track& t, const std::vector<ChordName>& plan) {
  // Where in the bar each figure starts, varied so that the drops never fall
  // in step with the beat for long.
  const int offsets[8] = {8, 4, 10, 2, 6, 9, 3, 7};
  for (int bar = 0; bar < kBars; ++bar) {
    const Section s = SectionOf(bar);
    const std::vector<int>& fall = FallFor(plan[bar], bar);
    const int step = offsets[bar % 8];
    switch (s) {
      case Intro:
        Fall(t, bar, step, fall, 92);
        break;
      case Build:
      case MainA:
      case Return:
        if (bar % 2 == 1) Fall(t, bar, step, fall, 80);
        break;
      case MainB:
        if (bar % 4 == 3) Fall(t, bar, step, fall, 72);  // the lead has the foreground
        break;
      case Breakdown:
        Fall(t, bar, step, fall, 96);
        // An echo an octave lower, struck as the figure's last drop is released.
        Fall(t, bar, step + static_cast<int>(fall.size()) + 1, fall, 64, -12);
        break;
      case Outro:
        if (bar == 51) Fall(t, bar, 6, fall, 92);  // the last drops lead back to the intro
        else if (bar % 2 == 1) Fall(t, bar, step, fall, 80);
        break;
    }
  }
}

// ---- drums (General MIDI percussion, channel 10) -------------------------------------------
constexpr int kKick = 36, kClap = 39, kSnare = 40, kClosedHat = 42, kPedalHat = 44, kOpenHat = 46, kCrash = 49;

void Hit(Track& t, int bar, int step, int note, int velocity) { t.Note(At(bar, step), kStep / 2, note, velocity); }

void MainGroove(Track& t, int bar, bool fill, bool claps) {
  for (int step = 0; step < 16; step += 4) {
    if (!(fill && step == 12)) Hit(t, bar, step, kKick, 100);
  }
  if (claps) {
    Hit(t, bar, 4, kClap, 88);
    Hit(t, bar, 4, kSnare, 64);
    if (!fill) {
      Hit(t, bar, 12, kClap, 88);
      Hit(t, bar, 12, kSnare, 64);
    }
  }
  for (int step = 0; step < 16; ++step) {
    if (fill && step >= 12) continue;
    if (step % 4 == 2) Hit(t, bar, step, kOpenHat, 58);
    else Hit(t, bar, step, kClosedHat, step % 2 ? 34 : 46);
  }
  if (fill)
    for (int step = 12; step < 16; ++step) Hit(t, bar, step, kSnare, 64 + 10 * (step - 12));
}

void WriteDrums(Track& t) {
  for (int bar = 0; bar < kBars; ++bar) {
    const Section s = SectionOf(bar);
    const int inSection = bar % 8;
    switch (s) {
      case Intro:
        if (bar >= 4)
          for (int step = 0; step < 16; step += 2) Hit(t, bar, step, kClosedHat, step % 4 ? 28 : 38);
        if (bar == 7)
          for (int step = 8; step < 16; ++step) Hit(t, bar, step, kSnare, 30 + 6 * (step - 8));
        break;
      case Build:
        for (int step = 0; step < 16; step += 4) Hit(t, bar, step, kKick, 92);
        for (int step = 0; step < 16; ++step) Hit(t, bar, step, kClosedHat, step % 2 ? 32 : 48);
        if (inSection >= 4) {
          Hit(t, bar, 4, kClap, 78);
          Hit(t, bar, 12, kClap, 78);
        }
        if (inSection == 7)
          for (int step = 8; step < 16; ++step) Hit(t, bar, step, kSnare, 50 + 7 * (step - 8));
        break;
      case MainA:
      case MainB:
      case Return:
        if (inSection == 0 && s != MainB) Hit(t, bar, 0, kCrash, 76);
        MainGroove(t, bar, inSection == 7, true);
        break;
      case Breakdown:
        if (inSection < 4) {
          for (int step = 0; step < 16; step += 4) Hit(t, bar, step, kPedalHat, 34);
        } else if (inSection < 6) {
          Hit(t, bar, 0, kKick, 70);
          for (int step = 0; step < 16; step += 2) Hit(t, bar, step, kClosedHat, 40);
        } else if (inSection == 6) {
          for (int step = 0; step < 16; step += 4) Hit(t, bar, step, kKick, 84);
          for (int step = 0; step < 16; step += 2) Hit(t, bar, step, kSnare, 40 + 3 * step);
        } else {
          for (int step = 0; step < 16; step += 4) Hit(t, bar, step, kKick, 90);
          for (int step = 0; step < 16; ++step) Hit(t, bar, step, kSnare, 56 + 4 * step);
        }
        break;
      case Outro:
        if (bar == 48) {
          MainGroove(t, bar, false, true);
        } else if (bar == 49) {
          MainGroove(t, bar, false, false);
        } else if (bar == 50) {
          Hit(t, bar, 0, kKick, 86);
          Hit(t, bar, 8, kKick, 78);
          for (int step = 0; step < 16; step += 2) Hit(t, bar, step, kClosedHat, step % 4 ? 32 : 42);
        } else {
          for (int step = 0; step < 16; step += 2) Hit(t, bar, step, kClosedHat, step % 4 ? 26 : 34);
        }
        break;
    }
  }
}

// ---- the file ------------------------------------------------------------------------------
Track Instrument(const char* name, int channel, int program, int volume, int pan, int reverb, int chorus) {
  Track t;
  t.name = name;
  t.channel = channel;
  t.Program(static_cast<uint8_t>(program));
  t.Control(7, static_cast<uint8_t>(volume));
  t.Control(10, static_cast<uint8_t>(pan));
  t.Control(91, static_cast<uint8_t>(reverb));
  t.Control(93, static_cast<uint8_t>(chorus));
  return t;
}

struct Check {
  int notes = 0;
  int lastOff = 0;
  bool overlaps = false;
};

// Counts the notes and finds any note struck again before it was released.
Check CheckTrack(const Track& t) {
  Check c;
  std::map<int, int> sounding;
  std::vector<Event> events = t.events;
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  for (const Event& e : events) {
    const int kind = e.bytes[0] & 0xF0;
    if (kind == 0x90) {
      if (sounding[e.bytes[1]]++) c.overlaps = true;
      ++c.notes;
    } else if (kind == 0x80) {
      --sounding[e.bytes[1]];
      c.lastOff = std::max(c.lastOff, e.tick);
    }
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path dir = argc > 1 ? argv[1] : "resources";
  const std::vector<ChordName> plan = ChordPlan();
  if (static_cast<int>(plan.size()) != kBars) {
    std::fprintf(stderr, "the chord plan has %zu bars, not %d\n", plan.size(), kBars);
    return 1;
  }

  Track conductor;
  conductor.name = "Vexlar 3D theme";
  const uint32_t microsPerQuarter = (60000000 + kBeatsPerMinute / 2) / kBeatsPerMinute;
  conductor.Meta(0, 0x51, {static_cast<uint8_t>(microsPerQuarter >> 16), static_cast<uint8_t>(microsPerQuarter >> 8),
                           static_cast<uint8_t>(microsPerQuarter)});
  conductor.Meta(0, 0x58, {4, 2, 24, 8});  // 4/4
  conductor.Meta(0, 0x59, {1, 1});         // one sharp, minor: E minor
  const char* const sections[] = {"intro", "build", "main A", "main B", "breakdown", "return", "turnaround"};
  const int sectionBars[] = {0, 8, 16, 24, 32, 40, 48};
  for (int i = 0; i < 7; ++i) {
    std::string text = sections[i];
    conductor.Meta(sectionBars[i] * kBar, 0x06, std::vector<uint8_t>(text.begin(), text.end()));  // marker
  }

  // General MIDI programs, counted from 0.
  Track bass = Instrument("Synth bass", 0, 38, 104, 64, 20, 0);
  Track pad = Instrument("Warm pad", 1, 89, 60, 64, 70, 40);
  Track arp = Instrument("Saw arpeggio", 2, 81, 76, 44, 50, 20);
  Track lead = Instrument("Square lead", 3, 80, 96, 72, 60, 30);
  Track bells = Instrument("Crystal", 4, 98, 110, 88, 90, 30);
  Track drums = Instrument("Electronic kit", 9, 24, 100, 64, 30, 0);

  WritePad(pad, plan);
  WriteBass(bass, plan);
  WriteArpeggio(arp, plan);
  WriteLead(lead);
  WriteBells(bells, plan);
  WriteDrums(drums);

  std::vector<Track*> tracks = {&conductor, &bass, &pad, &arp, &lead, &bells, &drums};
  bool ok = true;
  for (Track* t : tracks) {
    if (t == &conductor) continue;
    Check c = CheckTrack(*t);
    std::printf("  %-15s %4d notes, last release at bar %.2f%s\n", t->name.c_str(), c.notes,
                static_cast<double>(c.lastOff) / kBar, c.overlaps ? ", OVERLAPPING NOTES" : "");
    if (c.overlaps || c.lastOff > kEnd) ok = false;
  }

  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, static_cast<uint8_t>(tracks.size()),
                               static_cast<uint8_t>(kTicksPerQuarter >> 8), static_cast<uint8_t>(kTicksPerQuarter)};
  for (Track* t : tracks) {
    std::vector<uint8_t> chunk = t->Chunk();
    file.insert(file.end(), chunk.begin(), chunk.end());
  }

  std::filesystem::create_directories(dir / "sound");
  const std::filesystem::path out = dir / "sound" / "vexlar_theme.mid";
  FILE* f = std::fopen(out.c_str(), "wb");
  if (!f || std::fwrite(file.data(), 1, file.size(), f) != file.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  const double seconds = kBars * 4 * (microsPerQuarter / 1e6);
  std::printf("wrote %s: %zu bytes, %d bars at %d bpm, %.2f s%s\n", out.c_str(), file.size(), kBars,
              kBeatsPerMinute, seconds, ok ? "" : " (CHECK FAILED)");
  return ok ? 0 : 1;
}
