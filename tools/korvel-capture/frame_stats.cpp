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

std::vector<const FrameCost*> framesIn(const std::vector<FrameCost>& all, int window) {
  std::vector<const FrameCost*> in;
  for (const auto& f : all) {
    if (window == 0 ? !f.playing
                    : std::find(f.windows.begin(), f.windows.end(), window) != f.windows.end()) {
      in.push_back(&f);
    }
  }
  return in;
}

}  // namespace

void FrameStats::print(std::FILE* out, const RunFacts& facts) const {
  std::fprintf(out, "\n%s, %dx%d at %.3g frames/s\n", machineDescription().c_str(), facts.width,
               facts.height, facts.fps);
  std::fprintf(out,
               "start-up to the first film frame %.2f s; %.1f s for %.1f s of demo (%.2f); "
               "peak resident %.0f MiB\n",
               facts.startupSeconds, facts.captureSeconds, facts.demoSeconds,
               facts.demoSeconds > 0 ? facts.captureSeconds / facts.demoSeconds : 0.0,
               double(facts.peakResidentKb) / 1024.0);
  std::fprintf(out, "%-7s %6s  %15s  %15s  %15s  %9s  %6s\n", "window", "frames", "own ms med/p99",
               "driver med/p99", "frame med/p99", "fill ms", "/fill");
  for (int w = 0; w <= 15; ++w) {
    auto in = framesIn(frames_, w);
    if (in.empty()) {
      continue;
    }
    const auto s = summarise(in, facts.fillRate);
    auto pair = [&](const char* key) {
      char text[32];
      std::snprintf(text, sizeof text, "%.2f/%.2f", s[key]["median"].get<double>(),
                    s[key]["p99"].get<double>());
      return std::string(text);
    };
    std::fprintf(out, "%-7s %6zu  %15s  %15s  %15s  %9.2f  %6.2f\n",
                 w == 0 ? "film" : std::to_string(w).c_str(), in.size(), pair("ownMs").c_str(),
                 pair("driverMs").c_str(), pair("wallMs").c_str(),
                 s.contains("fillBoundMs") ? s["fillBoundMs"].get<double>() : 0.0,
                 s.contains("wallOverBound") ? s["wallOverBound"].get<double>() : 0.0);
  }
}

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
    auto in = framesIn(frames_, w);
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
