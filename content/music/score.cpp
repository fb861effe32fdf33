#include "content/music/score.h"

#include <stk/FreeVerb.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "content/music/dsp.h"
#include "content/music/instruments.h"

namespace korvel::music {

namespace {

// ---- Harmony -------------------------------------------------------------------------------

// MIDI notes of the chords, voiced for the pads (middle register).
const std::map<std::string, std::vector<int>> kChords = {
    {"Am", {57, 60, 64, 69}}, {"F", {53, 57, 60, 65}},  {"C", {55, 60, 64, 67}},
    {"G", {55, 59, 62, 67}},  {"Dm", {50, 57, 62, 65}}, {"E", {52, 56, 59, 64}},
    {"Em", {52, 55, 59, 64}}};

// One chord a bar.
const std::vector<std::string> kMain = {"Am", "F", "C", "G"};
const std::vector<std::string> kDeep = {"Dm", "Am", "F", "E"};

// The bass plays each chord's root in the second octave (C2 to B2), named by its first letter.
int bassRoot(const std::string& chord) {
  static const std::map<char, int> steps = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                            {'G', 7}, {'A', 9}, {'B', 11}};
  return 36 + steps.at(chord[0]);
}

// ---- The lead's tune -----------------------------------------------------------------------

// Four bars over Am F C G, as note names with lengths in sixteenths ("-" rests).
const char* const kTune =
    "E5:3 C5:3 A4:2 B4:2 C5:3 D5:2 E5:1 "
    "F5:3 E5:3 C5:2 A4:6 -:2 "
    "G5:3 E5:3 C5:2 D5:2 E5:3 G5:2 E5:1 "
    "D5:3 B4:3 G4:2 B4:4 D5:4";

struct TuneNote {
  int note;    // MIDI, or -1 for a rest
  int length;  // sixteenths
};

std::vector<TuneNote> parseTune(const char* text) {
  static const std::map<char, int> steps = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                            {'G', 7}, {'A', 9}, {'B', 11}};
  std::vector<TuneNote> tune;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    size_t colon = word.find(':');
    int length = std::stoi(word.substr(colon + 1));
    if (word[0] == '-') {
      tune.push_back({-1, length});
      continue;
    }
    int octave = word[1] - '0';
    tune.push_back({12 * (octave + 1) + steps.at(word[0]), length});
  }
  return tune;
}

// ---- Time ----------------------------------------------------------------------------------

size_t at(int bar, double beat) {
  return size_t(std::llround((double(bar) * 4.0 + beat) * double(kBeatSamples)));
}
size_t sixteenths(double count) {
  return size_t(std::llround(count * double(kBeatSamples) / 4.0));
}

// ---- The arrangement -----------------------------------------------------------------------

constexpr int kGroove = 0, kLayers = 16, kPeak = 26, kUndersea = 31, kRise = 39, kDrop = 42,
              kFinale = 52, kEnd = 66, kTotalBars = 69;

struct Buses {
  Bus drums, music, delaySend, reverbSend;
  explicit Buses(size_t frames)
      : drums(frames), music(frames), delaySend(frames), reverbSend(frames) {}
};

// What one bar plays, by section.
void playBar(Buses& b, int bar, const std::vector<TuneNote>& tune) {
  const bool groove = bar < kUndersea || (bar >= kDrop && bar < kEnd);
  const bool undersea = bar >= kUndersea && bar < kDrop;
  const std::string& chord = undersea ? kDeep[size_t(bar % 4)] : kMain[size_t(bar % 4)];
  const uint32_t seed = uint32_t(bar) * 101u;

  // Drums.
  if (groove) {
    const bool full = bar >= kLayers;
    for (int beat = 0; beat < 4; ++beat) {
      b.drums.mix(kick(0.95f), at(bar, beat));
      if ((beat == 1 || beat == 3) && bar >= 4) {
        Bus sound = clap(0.55f, seed + uint32_t(beat));
        b.drums.mix(sound, at(bar, beat));
        b.reverbSend.mix(sound, at(bar, beat), 0.33f);
      }
      bool openHats = bar >= kPeak && bar < kUndersea;
      b.drums.mix(hat(openHats ? 0.22f : 0.3f, openHats, seed + 11u * uint32_t(beat)),
                  at(bar, beat + 0.5));
      if (full && bar >= 20) {  // sixteenths from the squares on
        b.drums.mix(hat(0.1f, false, seed + 13u * uint32_t(beat)), at(bar, beat + 0.25));
        b.drums.mix(hat(0.12f, false, seed + 17u * uint32_t(beat)), at(bar, beat + 0.75));
      }
    }
    if (bar == kLayers || bar == kPeak || bar == kDrop || bar == kFinale) {
      b.drums.mix(crash(0.3f, seed), at(bar, 0));
    }
  }
  if (undersea) {
    // A soft, muffled pulse on every beat: the school's heart.
    for (int beat = 0; beat < 4; ++beat) {
      b.drums.mix(kick(0.5f, true), at(bar, beat));
    }
  }

  // Bass: three rolling sixteenths after each kick, the last an octave up.
  if (groove && bar >= 8) {
    const float brightness = bar >= kLayers ? 1.0f : 0.25f + 0.09f * float(bar - 8);
    const float level = bar >= kLayers ? 0.42f : 0.32f;
    for (int beat = 0; beat < 4; ++beat) {
      for (int s = 1; s < 4; ++s) {
        int note = bassRoot(chord) + (s == 3 ? 12 : 0);
        b.music.mix(bassNote(sixteenths(0.8), note, level, brightness), at(bar, beat + s * 0.25));
      }
    }
  }
  if (undersea && bar < kRise) {
    b.music.mix(bassNote(sixteenths(14), bassRoot(chord) - 12, 0.25f, 0.05f), at(bar, 0));
  }

  // Pads.
  const std::vector<int>& notes = kChords.at(chord);
  if (undersea) {
    Bus pad = padChord(at(bar, 0), sixteenths(16), notes, 0.8f, 700.0f, 0.5f);
    b.music.mix(pad, at(bar, 0));
    b.reverbSend.mix(pad, at(bar, 0), 0.6f);
  } else if (bar >= 8 && bar < kEnd) {
    float cutoff = bar >= kDrop ? 3200.0f : bar >= kLayers ? 2200.0f : 1200.0f;
    std::vector<int> voiced = notes;
    if (bar >= kFinale) {
      voiced.push_back(notes[1] + 12);  // the finale opens the chord upwards
    }
    Bus pad = padChord(at(bar, 0), sixteenths(16), voiced, 0.55f, cutoff, 0.15f);
    b.music.mix(pad, at(bar, 0));
    b.reverbSend.mix(pad, at(bar, 0), 0.6f);
  }

  // Arpeggio: the chord's notes up and down in sixteenths, an octave above the pad.
  if (bar < kEnd) {
    static const int order[8] = {0, 1, 2, 3, 2, 1, 3, 2};
    float cutoff = undersea ? 900.0f + 500.0f * std::sin(float(bar) * 0.9f)
                            : std::min(6000.0f, 900.0f + 350.0f * float(bar));
    float level = undersea ? 0.14f : bar < 4 ? 0.08f : 0.12f;
    for (int s = 0; s < 16; ++s) {
      int note = notes[size_t(order[s % 8])] + 12;
      float pan = (s % 2 ? 0.5f : -0.5f);
      Bus sound = pluck(sixteenths(0.9), note, level, cutoff, pan);
      b.music.mix(sound, at(bar, s * 0.25));
      b.delaySend.mix(sound, at(bar, s * 0.25), 0.6f);
    }
  }
  if (undersea) {  // bubbles drifting up at places the bar's seed picks
    for (int i = 0; i < 5; ++i) {
      uint32_t h = uint32_t(noise(uint32_t(bar * 7 + i), 77) * 1e6f);
      double beat = double(h % 16) * 0.25;
      b.music.mix(bubble(76 + int(h % 12), 0.05f, noise(uint32_t(i), uint32_t(bar))),
                  at(bar, beat));
    }
  }

  // Lead: the tune over the peak, the drop and (an octave up) the finale.
  if ((bar >= kPeak && bar < kUndersea) || (bar >= kDrop && bar < kEnd)) {
    int shift = bar >= kFinale ? 12 : 0;
    int step = 0;
    int phraseBar = (bar - kPeak) % 4;
    for (const TuneNote& n : tune) {
      int barOfNote = step / 16;
      if (barOfNote == phraseBar && n.note >= 0) {
        size_t start = at(bar, double(step % 16) * 0.25);
        size_t length = sixteenths(n.length - 0.2);
        Bus sound = leadNote(length, n.note + shift, 0.35f);
        b.music.mix(sound, start);
        b.delaySend.mix(sound, start, 0.57f);
        b.reverbSend.mix(sound, start, 0.43f);
      }
      step += n.length;
    }
  }

  // Builds and hits.
  if (bar == kRise) {
    b.music.mix(riser(at(kDrop, -0.25) - at(bar, 0), 0.35f, 5), at(bar, 0));
  }
  if (bar >= kRise && bar < kDrop) {  // a snare roll that tightens into the drop
    double step = bar == kDrop - 1 ? 0.25 : 0.5;
    for (double beat = 0; beat < 4 - 0.01; beat += step) {
      if (bar == kDrop - 1 && beat >= 3.5) {
        break;  // a breath before the drop
      }
      float rise = float(bar - kRise) / 3.0f + float(beat) / 12.0f;
      b.drums.mix(clap(0.15f + 0.35f * rise, seed + uint32_t(beat * 8)), at(bar, beat));
    }
  }
  if (bar == kDrop) {
    Bus hit = impact(0.7f, 21);
    b.drums.mix(hit, at(bar, 0));
    b.reverbSend.mix(hit, at(bar, 0), 0.43f);
  }
  if (bar == kEnd) {
    b.drums.mix(kick(1.0f), at(bar, 0));
    b.drums.mix(impact(0.8f, 31), at(bar, 0));
    b.drums.mix(crash(0.4f, 33), at(bar, 0));
    Bus chord = padChord(at(bar, 0), sixteenths(12), kChords.at("Am"), 0.7f, 2500.0f, 0.1f);
    b.music.mix(chord, at(bar, 0));
    b.reverbSend.mix(chord, at(bar, 0), 1.15f);
    b.reverbSend.mix(leadNote(sixteenths(8), 81, 0.3f), at(bar, 0));
  }
}

// The kick's pull on everything but the drums: down on each groove beat, back within a beat.
float duckGain(size_t frame) {
  int beat = int(frame / kBeatSamples);
  int bar = beat / 4;
  bool groove = bar < kUndersea || (bar >= kDrop && bar <= kEnd);
  if (!groove) {
    return 1.0f;
  }
  float t = float(frame % kBeatSamples) / float(kRate);
  return 1.0f - 0.6f * std::exp(-t / 0.09f);
}

}  // namespace

const std::vector<Section>& sections() {
  static const std::vector<Section> list = {
      {"Groove", kGroove, kLayers - kGroove,
       "spinning models (cel, pulse, Phong), a white flash on every beat",
       "kick on every beat from the first sample, clap from bar 4, hats, an arpeggio opening up, "
       "rolling bass and pads from bar 8"},
      {"Layers", kLayers, kPeak - kLayers,
       "the stacked layers, dimmed by the bass; spinning squares from 45 s",
       "the bass steps forward, bright and loud; sixteenth hats from bar 20"},
      {"Peak", kPeak, kUndersea - kPeak, "the waving sheet from 56 s, squares and layers",
       "the lead's tune, open hats, everything"},
      {"Undersea", kUndersea, kDrop - kUndersea,
       "black flashes from 63 s, the fish school over the sea floor from 64.5 s",
       "no groove: a soft muffled pulse on the beat, filtered pads in D minor, a watery "
       "arpeggio through the delay, bubbles; a riser and a tightening snare roll from bar 39"},
      {"Drop", kDrop, kFinale - kDrop,
       "pillars, tube or squares, chosen on every beat; white flashes from 85.5 s",
       "impact and crash, then everything at full energy: kick, clap, rolling bass, lead, "
       "arpeggio, pads"},
      {"Finale", kFinale, kEnd - kFinale, "the tube alone from 100 s; the layers again 106-120 s",
       "the groove with the tune an octave up and wider pads"},
      {"End", kEnd, kTotalBars - kEnd, "the last seconds before 125 s",
       "a final hit: kick, impact, crash and an A minor chord ringing out into silence"},
  };
  return list;
}

int prerollFrames(int filmFrames) {
  // As the timeline runs it: float steps, the frame index truncated, the music starting on
  // the pass after the frame index reaches the film's length.
  const float step = float(filmFrames) / 27.995998f;
  float position = 0;
  int videoFrame = 0, frames = 0;
  while (videoFrame < filmFrames) {
    position = step * 0.1f + position;
    videoFrame = int(position - float(filmFrames - 1));
    ++frames;
  }
  return frames;
}

double prerollSeconds(int filmFrames) {
  return prerollFrames(filmFrames) / 60.0;
}

std::vector<float> renderScore() {
  const size_t frames = at(kTotalBars, 0);
  Buses b(frames);
  const std::vector<TuneNote> tune = parseTune(kTune);
  for (int bar = 0; bar <= kEnd; ++bar) {
    playBar(b, bar, tune);
  }

  // A dotted-eighth ping-pong delay on its send, ducked with the music.
  const float delay = float(kBeatSamples) * 0.75f;
  DelayLine left(size_t(delay) + 4), right(size_t(delay) + 4);
  Filter darkenL, darkenR;
  for (size_t i = 0; i < frames; ++i) {
    float l = left.read(delay), r = right.read(delay);
    left.write(b.delaySend.left[i] + darkenR.next(r, 3500.0f, 0.0f) * 0.45f);
    right.write(darkenL.next(l, 3500.0f, 0.0f) * 0.45f);
    b.music.add(i, l * 0.6f, r * 0.6f);
    b.reverbSend.add(i, l * 0.2f, r * 0.2f);
  }

  stk::Stk::setSampleRate(kRate);
  stk::FreeVerb reverb;
  reverb.setRoomSize(0.82);
  reverb.setDamping(0.45);
  reverb.setWidth(1.0);
  reverb.setEffectMix(1.0);

  std::vector<float> out(frames * 2);
  for (size_t i = 0; i < frames; ++i) {
    float duck = duckGain(i);
    float wetL = float(reverb.tick(b.reverbSend.left[i], b.reverbSend.right[i], 0));
    float wetR = float(reverb.lastOut(1));
    out[2 * i] = b.drums.left[i] + b.music.left[i] * duck + wetL * 0.5f;
    out[2 * i + 1] = b.drums.right[i] + b.music.right[i] * duck + wetR * 0.5f;
  }
  // The tail fades to silence, so the loop back to the first kick cannot click.
  const size_t fade = at(kTotalBars, 0) - at(kEnd + 1, 2);
  for (size_t i = 0; i < fade; ++i) {
    float g = float(fade - i) / float(fade);
    size_t f = frames - fade + i;
    out[2 * f] *= g * g;
    out[2 * f + 1] *= g * g;
  }
  return out;
}

}  // namespace korvel::music
