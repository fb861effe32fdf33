#include "audio/music_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/audio_system.h"
#include "platform/offline_host.h"
#include "support/mp3_fixture.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

// Hands out a chosen raw spectrum and remembers the volume.
class FakeAudio : public platform::AudioSystem {
 public:
  bool init(int, int) override { return true; }
  bool start() override { return true; }
  void stop() override { stopped = true; }
  void free() override {}
  uint32_t createStream(const char* path) override { return path && *path == 'g' ? 7 : 0; }
  platform::StreamInfo streamInfo(uint32_t) override { return {}; }
  bool play(uint32_t, bool) override { return true; }
  int getVolume() override { return volume; }
  bool setVolume(int v) override {
    volume = v;
    return true;
  }
  int fftMagnitudes(uint32_t, float* out, int size) override {
    ++fetches;
    for (int i = 0; i < size / 2 && i < int(raw.size()); ++i) {
      out[i] = raw[size_t(i)];
    }
    return size / 2;
  }

  std::vector<float> raw;
  int volume = 40;
  int fetches = 0;
  bool stopped = false;
};

// The smoother as written out step by step, to compare against.
std::vector<float> referenceSmooth(const std::vector<float>& spectrum, int points) {
  const int size = int(spectrum.size());
  std::vector<float> out(spectrum.size(), 0.0f);
  if (points < 4)
    points = 4;
  unsigned step = unsigned(size) / unsigned(points);
  auto average = [&](int start, int n) {
    float sum = 0;
    for (int j = 0; j < n; ++j)
      sum += spectrum[size_t((start + j) % size)];
    return sum / float(n);
  };
  for (unsigned d = 0; d < unsigned(size); d += step) {
    float f[4];
    for (unsigned k = 0; k < 4; ++k)
      f[k] = average(int((d + k * step) % unsigned(size)), int(step));
    for (unsigned i = 0; i < step; ++i) {
      float t = float(i) / float(step), t2 = t * t, t3 = t2 * t;
      float h00 = 2 * t3 - 3 * t2 + 1, h01 = -2 * t3 + 3 * t2;
      float h10 = t3 - 2 * t2 + t, h11 = t3 - t2;
      float v =
          h00 * f[1] + h01 * f[2] + h10 * ((f[2] - f[0]) * 0.5f) + h11 * ((f[3] - f[1]) * 0.5f);
      out[size_t((d + i) % unsigned(size))] = std::fabs(v);
    }
  }
  for (float& v : out)
    if (v > 1.0f)
      v = 1.0f;
  return out;
}

class MusicStreamTest : public ::testing::Test {
 protected:
  void start(int size) {
    music.init();
    music.loadStream("good.mp3");
    music.initSpectrum(size);
    music.play();
  }
  platform::OfflineHost offline;
  platform::OfflineWindowSystem& system = offline.windows;
  FakeAudio audio;
  platform::HostScope withFakeAudio{[this] {
    platform::Host host = offline.preset();
    host.audio = &audio;
    return host;
  }()};
  MusicStream music;
};

TEST_F(MusicStreamTest, SpectrumIsTheNextBinClampedAndPositive) {
  start(1024);
  struct {
    float bin1, expected;
  } cases[] = {{0.3f, 0.3f}, {2.5f, 1.0f}, {-0.4f, 0.4f}};
  for (const auto& c : cases) {
    audio.raw.assign(512, 0.0f);
    audio.raw[0] = 0.75f;
    audio.raw[1] = c.bin1;
    const float* s = music.getSpectrum();
    EXPECT_FLOAT_EQ(s[0], c.expected);
    EXPECT_FLOAT_EQ(s[1023], 0.75f);  // the constant term, one step down and wrapped
  }
}

TEST_F(MusicStreamTest, SmootherMatchesItsDefinitionOnRandomSpectra) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> value(-1.5f, 1.5f);
  for (int size : {1024, 512, 2048, 1000}) {
    for (int points : {size, 2, 4, 64, 100}) {
      MusicStream local;
      local.initSpectrum(size);
      for (float& v : local.spectrum)
        v = value(rng);
      std::vector<float> expected = referenceSmooth(local.spectrum, points);
      local.smoothSpectrum(points);
      ASSERT_EQ(local.smoothed, expected) << size << " " << points;
    }
  }
  // Two points work as four.
  MusicStream a, b;
  a.initSpectrum(64);
  b.initSpectrum(64);
  for (int i = 0; i < 64; ++i)
    a.spectrum[size_t(i)] = b.spectrum[size_t(i)] = float(i % 5) / 4;
  a.smoothSpectrum(2);
  b.smoothSpectrum(4);
  EXPECT_EQ(a.smoothed, b.smoothed);
}

TEST_F(MusicStreamTest, OtherSizesFetchNothingAndOnlySmoothAgain) {
  start(1000);
  audio.raw.assign(500, 0.9f);
  music.spectrum[1] = 0.5f;
  const float* s = music.getSpectrum();
  EXPECT_EQ(audio.fetches, 0);
  EXPECT_FLOAT_EQ(s[0], 0.5f);
}

TEST_F(MusicStreamTest, VolumeComesBackAfterShutdown) {
  start(1024);
  EXPECT_EQ(audio.volume, 100);
  EXPECT_EQ(music.savedVolume, 40);
  music.shutdown();
  EXPECT_EQ(audio.volume, 40);
  EXPECT_TRUE(audio.stopped);
}

TEST_F(MusicStreamTest, MissingFileIsToldAndTheObjectStaysUsable) {
  std::string path = "missing/" + std::string(200, 'm') + ".mp3";
  music.init();
  music.loadStream(path.c_str());
  ASSERT_EQ(system.shown.size(), 1u);
  EXPECT_EQ(system.shown[0].text, "Error loading " + path);
  EXPECT_EQ(system.shown[0].caption, "Error");
  EXPECT_EQ(music.stream, 0u);
  music.initSpectrum(1024);
  music.play();
  EXPECT_EQ(music.getSpectrum()[0], 0.0f);
}

TEST(SdlAudioTest, DecodedSinePeaksInItsBinWithTheDocumentedScale) {
  testing::TempDir dir;
  // Bin 23 of a 1024-point transform at 44,100 Hz, half of full scale.
  const double frequency = 23 * 44100.0 / 1024;
  std::string path = dir.path("sine.mp3");
  ASSERT_TRUE(testing::writeSineMp3(path, frequency, 0.5, 2.0));
  // Silent, its playing position on the virtual clock.
  platform::OfflineHost offline;
  platform::SdlAudioSystem& audio = offline.audio;
  ASSERT_TRUE(audio.init(-1, 44100));
  uint32_t stream = audio.createStream(path.c_str());
  ASSERT_NE(stream, 0u);
  platform::StreamInfo info = audio.streamInfo(stream);
  EXPECT_EQ(info.sampleRate, 44100);
  EXPECT_EQ(info.channels, 2);
  EXPECT_NEAR(info.durationSeconds, 2.0, 0.03);

  ASSERT_TRUE(audio.play(stream, true));
  offline.clock.advanceSeconds(1.0);
  std::vector<float> magnitudes(512);
  ASSERT_EQ(audio.fftMagnitudes(stream, magnitudes.data(), 1024), 512);
  size_t peak = size_t(std::max_element(magnitudes.begin(), magnitudes.end()) - magnitudes.begin());
  EXPECT_EQ(peak, 23u);
  EXPECT_NEAR(magnitudes[23], 0.5f, 0.05f);
  EXPECT_LT(magnitudes[60], 0.01f);
  EXPECT_EQ(audio.createStream(dir.write("noise.mp3", std::string(4000, 'x')).c_str()), 0u);
}

// A clock that reads whatever the test sets, one count a second.
class SetClock : public platform::Clock {
 public:
  bool highResFrequency(int64_t* frequency) override {
    *frequency = 1;
    return true;
  }
  int64_t highResCounter() override { return count; }
  uint32_t tickCount() override { return 0; }
  int64_t count = 0;
};

TEST(SdlAudioSystemTest, ThePlayingPositionStaysInRangeWhateverTheClockSays) {
  testing::TempDir dir;
  std::string path = dir.path("sine.mp3");
  ASSERT_TRUE(testing::writeSineMp3(path, 440, 0.5, 0.5));
  platform::OfflineHost offline;
  SetClock clock;
  platform::Host host = offline.preset();
  host.musicClock = &clock;
  platform::HostScope scope(host);
  platform::SdlAudioSystem& audio = offline.audio;
  ASSERT_TRUE(audio.init(-1, 44100));
  uint32_t stream = audio.createStream(path.c_str());
  clock.count = 1000;
  ASSERT_TRUE(audio.play(stream, true));
  struct {
    int64_t count;
    int64_t frame;
  } cases[] = {
      {1001, 44100},
      {INT64_MAX, platform::SdlAudioSystem::kMaxHeardFrame},  // 9.2e18 s: would overflow
      {0, 0},                                                 // before the music started
  };
  std::vector<float> magnitudes(512);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    clock.count = c.count;
    EXPECT_EQ(audio.heardFrame(), c.frame);
    EXPECT_EQ(audio.fftMagnitudes(stream, magnitudes.data(), 1024), 512);
  }
}

TEST(SdlAudioSystemTest, WithoutASoundDeviceTheMusicPlaysSilentlyOnTheClockAfterOneLine) {
  testing::TempDir dir;
  std::string path = dir.path("sine.mp3");
  ASSERT_TRUE(testing::writeSineMp3(path, 440, 0.5, 2.0));
  const char* before = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = before ? before : "";
  setenv("SDL_AUDIODRIVER", "no-such-sound-card", 1);
  {
    platform::OfflineHost offline;
    std::string said;
    platform::Host host = offline.preset();
    host.diagnostics = [&](const std::string& text) { said += text; };
    platform::HostScope scope(host);
    platform::SdlAudioSystem audio(true);  // as the demo asks: with sound
    ASSERT_TRUE(audio.init(-1, 44100));
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("no sound device"), std::string::npos) << said;
    uint32_t stream = audio.createStream(path.c_str());
    ASSERT_TRUE(audio.play(stream, true));
    offline.clock.advanceSeconds(1.0);
    EXPECT_EQ(audio.heardFrame(), 44100) << "the timeline's clock goes on unchanged";
    audio.free();
  }
  if (before) {
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
}

}  // namespace
}  // namespace korvel
