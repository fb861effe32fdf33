// The generated soundtrack as the demo plays it: decoded by our own decoder, its drums on the
// beat clock's grid from sample 0, its lowest band breathing with the kick where the layers
// show it, mastered to its loudness without clipping.
#include <aubio/aubio.h>
#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "audio/music_stream.h"
#include "content/music/score.h"
#include "platform/audio_system.h"
#include "platform/offline_host.h"

namespace korvel {
namespace {

std::string trackPath() {
  return (std::filesystem::path(KORVEL_DATA) / "korvel.mp3").string();
}

class SoundtrackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::StreamInfo info;
    samples_ = new std::vector<float>;
    ASSERT_TRUE(platform::decodeMp3(trackPath().c_str(), 44100, samples_, &info));
  }
  static void TearDownTestSuite() {
    delete samples_;
    samples_ = nullptr;
  }
  static const std::vector<float>& samples() { return *samples_; }
  static double barSeconds(int bar) { return bar * 4 * music::kBeatSeconds; }

 private:
  static std::vector<float>* samples_;
};
std::vector<float>* SoundtrackTest::samples_ = nullptr;

TEST_F(SoundtrackTest, TheFirstKickIsTheFirstSampleAndTheTrackOutlastsTheDemo) {
  size_t first = 0;
  while (first < samples().size() / 2 && std::fabs(samples()[2 * first]) < 0.02f) {
    ++first;
  }
  EXPECT_LT(first, 44u) << "the first kick starts " << first << " samples late";
  // The demo ends 125 s into its timeline, which started the pre-roll's length earlier.
  double seconds = double(samples().size() / 2) / 44100.0;
  EXPECT_GT(seconds, 125.0 - music::prerollSeconds(150));
  // It fades to silence, so looping back to the first kick does not click.
  for (size_t i = samples().size() - 2 * 4410; i < samples().size(); ++i) {
    ASSERT_LT(std::fabs(samples()[i]), 0.002f) << i;
  }
}

TEST_F(SoundtrackTest, DrumOnsetsFallOnTheBeatGrid) {
  const uint_t window = 1024, hop = 256;
  aubio_onset_t* onset = new_aubio_onset("hfc", window, hop, 44100);
  aubio_onset_set_threshold(onset, 0.5f);
  fvec_t* input = new_fvec(hop);
  fvec_t* found = new_fvec(1);
  std::vector<double> onsets;
  const size_t frames = samples().size() / 2;
  for (size_t start = 0; start + hop <= frames; start += hop) {
    for (uint_t i = 0; i < hop; ++i) {
      input->data[i] = 0.5f * (samples()[2 * (start + i)] + samples()[2 * (start + i) + 1]);
    }
    aubio_onset_do(onset, input, found);
    if (found->data[0] != 0) {
      onsets.push_back(aubio_onset_get_last_s(onset));
    }
  }
  del_fvec(found);
  del_fvec(input);
  del_aubio_onset(onset);

  // In the groove, the layers and the drop, every beat starts with a kick the detector finds,
  // within a few milliseconds of the grid that starts at 0.
  const auto& sections = music::sections();
  int checked = 0, onGrid = 0;
  for (const auto& section : sections) {
    if (section.name != "Groove" && section.name != "Layers" && section.name != "Drop") {
      continue;
    }
    for (int beat = section.firstBar * 4; beat < (section.firstBar + section.bars) * 4; ++beat) {
      double time = beat * music::kBeatSeconds;
      auto nearest = std::min_element(onsets.begin(), onsets.end(), [&](double a, double b) {
        return std::fabs(a - time) < std::fabs(b - time);
      });
      ++checked;
      onGrid += nearest != onsets.end() && std::fabs(*nearest - time) < 0.008;
    }
  }
  EXPECT_GT(checked, 100);
  EXPECT_GE(onGrid, checked * 95 / 100) << onGrid << " of " << checked << " beats";
}

TEST_F(SoundtrackTest, TheLowestBandIsHighOnKicksAndLowBetweenThemUnderTheLayers) {
  platform::OfflineHost offline;
  MusicStream music;
  music.init();
  music.loadStream(trackPath().c_str());
  ASSERT_NE(music.stream, 0u);
  music.initSpectrum(1024);
  music.play();
  double now = 0;
  auto bassAt = [&](double seconds) {
    offline.clock.advanceSeconds(seconds - now);
    now = seconds;
    return music.getSpectrum()[0];
  };
  // The layers show from 37 s to 54.75 s of the timeline: bars 16 to 25 of the music. Read
  // as the demo does, once a frame at 60 fps: the highest value in the first 150 ms of each
  // beat, against the value just before the next kick.
  double onKicks = 0, between = 0;
  int beats = 0;
  for (int beat = 16 * 4; beat < 26 * 4; ++beat) {
    double time = beat * music::kBeatSeconds;
    float peak = 0;
    for (int frame = 0; frame < 9; ++frame) {
      peak = std::max(peak, bassAt(time + frame / 60.0));
    }
    onKicks += peak;
    between += bassAt(time + music::kBeatSeconds - 1 / 60.0);
    ++beats;
  }
  onKicks /= beats;
  between /= beats;
  EXPECT_GT(onKicks, 0.15) << "the layers would hardly dim";
  EXPECT_LT(onKicks, 0.5) << "every layer would wrap";
  EXPECT_GT(onKicks, 3 * between);
}

TEST_F(SoundtrackTest, LoudnessAndPeaksAreMastered) {
  ebur128_state* state = ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
  ebur128_add_frames_float(state, samples().data(), samples().size() / 2);
  double loudness = 0, peak = 0;
  ebur128_loudness_global(state, &loudness);
  for (unsigned channel = 0; channel < 2; ++channel) {
    double p = 0;
    ebur128_true_peak(state, channel, &p);
    peak = std::max(peak, p);
  }
  ebur128_destroy(&state);
  EXPECT_NEAR(loudness, -14.0, 1.0);
  EXPECT_LE(20 * std::log10(peak), -1.0);
}

}  // namespace
}  // namespace korvel
