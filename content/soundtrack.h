// The soundtrack, data/korvel.mp3: the score rendered, mastered and encoded with LAME
// (stereo, 44.1 kHz, 192 kbit/s, with the tag that lets the decoder drop the encoder's delay,
// so the first kick is the first sample decoded).
#pragma once

#include <string>
#include <vector>

#include "content/music/master.h"

namespace korvel::content {

// The mastered track, interleaved stereo at 44,100 Hz.
std::vector<float> renderSoundtrack(music::MasterReport* report = nullptr);

bool writeSoundtrack(const std::string& path, std::string* error);

}  // namespace korvel::content
