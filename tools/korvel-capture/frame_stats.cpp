#include "frame_stats.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

namespace korvel::capture {

namespace {

double percentile(std::vector<double> values, double p) {
  if (values.empty()) {
    return 0;
  }
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
  return values[at];
}

nlohmann::ordered_json summarise(const std::vector<const FrameCost*>& frames, double fillRate) {
  std::vector<double> wall, own, driver, bound;
  for (const FrameCost* f : frames) {
    wall.push_back(f->wallMs);
    own.push_back(f->ownMs);
    driver.push_back(f->driverMs);
    if (fillRate > 0) {
      bound.push_back(double(f->pixels) / fillRate * 1e3);
    }
  }
  auto round3 = [](double v) { return std::round(v * 1000) / 1000; };
  nlohmann::ordered_json s;
  s["frames"] = frames.size();
  s["ownMs"] = {{"median", round3(percentile(own, 0.5))},
                {"p99", round3(percentile(own, 0.99))},
                {"max", round3(percentile(own, 1.0))}};
  s["driverMs"] = {{"median", round3(percentile(driver, 0.5))},
                   {"p99", round3(percentile(driver, 0.99))}};
  s["wallMs"] = {{"median", round3(percentile(wall, 0.5))},
                 {"p99", round3(percentile(wall, 0.99))}};
  if (!bound.empty()) {
    const double median = percentile(bound, 0.5);
    s["fillBoundMs"] = round3(median);
    s["wallOverBound"] = median > 0 ? round3(percentile(wall, 0.5) / median) : 0.0;
  }
  return s;
}

}  // namespace

long peakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string machineDescription() {
  std::ifstream cpu("/proc/cpuinfo");
  std::string line, model = "unknown processor";
  while (std::getline(cpu, line)) {
    if (line.rfind("model name", 0) == 0) {
      model = line.substr(line.find(':') + 2);
      break;
    }
  }
  return model + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores";
}

bool FrameStats::write(const std::string& path, const RunFacts& facts) const {
  nlohmann::ordered_json doc;
  doc["machine"] = machineDescription();
  doc["size"] = std::to_string(facts.width) + "x" + std::to_string(facts.height);
  doc["fps"] = facts.fps;
  doc["startupSeconds"] = facts.startupSeconds;
  doc["captureSeconds"] = facts.captureSeconds;
  doc["demoSeconds"] = facts.demoSeconds;
  doc["captureOverDemo"] = facts.demoSeconds > 0 ? facts.captureSeconds / facts.demoSeconds : 0;
  doc["peakResidentMiB"] = double(facts.peakResidentKb) / 1024.0;
  if (facts.fillRate > 0) {
    doc["fillRatePixelsPerSecond"] = facts.fillRate;
  }
  std::vector<const FrameCost*> all, film;
  for (const auto& f : frames_) {
    all.push_back(&f);
    if (!f.playing) {
      film.push_back(&f);
    }
  }
  doc["all"] = summarise(all, facts.fillRate);
  doc["film"] = summarise(film, facts.fillRate);
  nlohmann::ordered_json windows = nlohmann::ordered_json::object();
  for (int w = 1; w <= 15; ++w) {
    std::vector<const FrameCost*> in;
    for (const auto& f : frames_) {
      if (std::find(f.windows.begin(), f.windows.end(), w) != f.windows.end()) {
        in.push_back(&f);
      }
    }
    if (!in.empty()) {
      windows[std::to_string(w)] = summarise(in, facts.fillRate);
    }
  }
  doc["windows"] = windows;
  nlohmann::ordered_json frames = nlohmann::ordered_json::array();
  for (const auto& f : frames_) {
    nlohmann::ordered_json j;
    j["frame"] = f.frame;
    j["t"] = f.playing ? nlohmann::ordered_json(f.t) : nlohmann::ordered_json(nullptr);
    j["windows"] = f.windows;
    j["wallMs"] = f.wallMs;
    j["driverMs"] = f.driverMs;
    j["ownMs"] = f.ownMs;
    j["pixels"] = f.pixels;
    frames.push_back(std::move(j));
  }
  doc["frames"] = std::move(frames);
  std::ofstream out(path);
  out << doc.dump(1) << "\n";
  return bool(out);
}

}  // namespace korvel::capture
