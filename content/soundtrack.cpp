#include "content/soundtrack.h"

#include "content/mp3_writer.h"
#include "content/music/score.h"

namespace korvel::content {

std::vector<float> renderSoundtrack(music::MasterReport* report) {
  std::vector<float> track = music::renderScore();
  music::MasterReport result = music::master(track);
  if (report) {
    *report = result;
  }
  return track;
}

bool writeSoundtrack(const std::string& path, std::string* error) {
  Mp3Settings settings;
  settings.bitrateKbps = 192;
  settings.quality = 5;  // LAME's standard: at 192 kbit/s no better to hear, twice as fast as 2
  return writeMp3(path, renderSoundtrack(), settings, error);
}

}  // namespace korvel::content
