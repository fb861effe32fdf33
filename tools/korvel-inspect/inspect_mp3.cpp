#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "audio/music_stream.h"
#include "commands.h"
#include "output.h"
#include "platform/audio_system.h"
#include "platform/clock.h"
#include "platform/host.h"

namespace korvel::inspect {

namespace {
constexpr double kMaxSeconds = 1e9;
}  // namespace

void addMp3Command(CLI::App& app, Command* run) {
  auto* command = app.add_subcommand("mp3", "Decode an MP3 file as the demo's music stream does");
  auto file = std::make_shared<std::string>();
  auto at = std::make_shared<std::optional<double>>();
  command->add_option("FILE", *file, "the MP3 file")->required();
  command
      ->add_option("--spectrum-at", *at,
                   "also print the 1024 spectrum values heard at this many seconds of playback")
      ->check(CLI::Validator(
          [](const std::string& text) -> std::string {
            // Any finite time the music's clock can reach; the stream loops.
            double seconds = 0;
            try {
              seconds = std::stod(text);
            } catch (const std::exception&) {
              return "not a number: " + text;
            }
            if (!std::isfinite(seconds) || seconds < 0 || seconds > kMaxSeconds) {
              return "must be a number of seconds from 0 to 1e9, not " + text;
            }
            return "";
          },
          "SECONDS"));
  command->callback([=] {
    *run = [=] {
      // Nothing is heard: the playing position is what the option says, on a clock of its own.
      platform::VirtualClock playback;
      platform::Host host = platform::host();
      host.musicClock = &playback;
      platform::HostScope scope(host);
      auto& audio = platform::audioSystem();
      audio.init(0, 44100);
      MusicStream music;
      music.loadStream(file->c_str());
      if (music.stream == 0) {
        audio.free();
        return 1;
      }
      platform::StreamInfo info = audio.streamInfo(music.stream);
      Json out;
      out["durationSeconds"] = info.durationSeconds;
      out["sampleRate"] = info.sampleRate;
      out["channels"] = info.channels;
      if (at->has_value()) {
        music.initSpectrum(1024);
        music.play();
        playback.advanceSeconds(**at);
        const float* values = music.getSpectrum();
        out["spectrum"] = std::vector<float>(values, values + music.spectrumSize);
        music.shutdown();
      } else {
        audio.free();
      }
      print(out);
      return 0;
    };
  });
}

}  // namespace korvel::inspect
