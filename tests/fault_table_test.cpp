// Every file of data/ broken in every usual way (missing, empty, cut short in its header or
// half way, bytes flipped, a folder in its place, and unreadable where the test is not root),
// each in a data/ of its own beside intact copies, and korvel-capture run over it up to a time
// at which the demo uses that file. The demo must go on to that time and end normally with
// what the user would have been told; the table of what they see is written to
// build/tests/fault-table.md (docs/reliability.md shows it).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <sstream>

#include "platform/image_file.h"
#include "support/temp_dir.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct DataFile {
  const char* path;  // under data/
  double at;         // a timeline time at which the demo uses it
};

// Models and shader files are run on to the later windows that use them.
const DataFile kFiles[] = {
    {"korvel.mp3", 12},
    {"v2.avi", 10},
    {"arial.bmp", 10},
    {"map.tga", 12},
    {"velmira.tga", 12},
    {"darkenv2.tga", 12},
    {"darkenv1.tga", 38},
    {"bgrnd1b.tga", 57},
    {"square24.tga", 46},
    {"seafloor.tga", 66},
    {"heightmap.tga", 66},
    {"models/tolvan.tvk", 85},
    {"models/spike4.tvk", 85},
    {"models/cuber.tvk", 85},
    {"models/fish1.tvk", 66},
    {"shaders/simple_mesh.fx", 85},
    {"shaders/cartooner.fx", 85},
};

enum class Fault { Missing, Empty, CutInHeader, CutHalfWay, BytesFlipped, Folder, Unreadable };

const char* faultName(Fault f) {
  switch (f) {
    case Fault::Missing:
      return "missing";
    case Fault::Empty:
      return "empty";
    case Fault::CutInHeader:
      return "cut after 12 bytes";
    case Fault::CutHalfWay:
      return "cut half way";
    case Fault::BytesFlipped:
      return "64 bytes flipped";
    case Fault::Folder:
      return "a folder";
    case Fault::Unreadable:
      return "unreadable";
  }
  return "";
}

std::vector<char> bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A data/ of links to the real files, but for `broken`, written with `fault`.
void buildTree(const fs::path& data, const std::string& broken, Fault fault) {
  const fs::path real = KORVEL_DATA;
  fs::create_directories(data);
  for (const auto& entry : fs::recursive_directory_iterator(real)) {
    const fs::path relative = fs::relative(entry.path(), real);
    if (entry.is_directory()) {
      fs::create_directories(data / relative);
    } else if (relative != broken) {
      fs::create_symlink(entry.path(), data / relative);
    }
  }
  const fs::path target = data / broken;
  std::vector<char> bytes = bytesOf(real / broken);
  auto write = [&](size_t length) {
    std::ofstream(target, std::ios::binary).write(bytes.data(), std::streamsize(length));
  };
  switch (fault) {
    case Fault::Missing:
      break;
    case Fault::Empty:
      write(0);
      break;
    case Fault::CutInHeader:
      write(std::min<size_t>(12, bytes.size()));
      break;
    case Fault::CutHalfWay:
      write(bytes.size() / 2);
      break;
    case Fault::BytesFlipped: {
      std::mt19937 rng(uint32_t(bytes.size()));
      for (int i = 0; i < 64 && !bytes.empty(); ++i) {
        bytes[rng() % bytes.size()] ^= char(1 + rng() % 255);
      }
      write(bytes.size());
      break;
    }
    case Fault::Folder:
      fs::create_directories(target);
      break;
    case Fault::Unreadable:
      write(bytes.size());
      fs::permissions(target, fs::perms::none);
      break;
  }
}

struct Outcome {
  std::string file, fault;
  int status = -1;
  bool stillWritten = false;
  double brightness = 0;  // mean of the still's channels, 0 to 255
  std::vector<std::string> messages;
  std::string log;
};

Outcome runCase(const DataFile& file, Fault fault, const fs::path& root) {
  Outcome out;
  out.file = file.path;
  out.fault = faultName(fault);
  const fs::path dir = root / (std::string(file.path) + "-" + std::to_string(int(fault)));
  buildTree(dir / "data", file.path, fault);
  std::ostringstream command;
  command << "cd '" << dir.string() << "' && LIBGL_ALWAYS_SOFTWARE=1 " KORVEL_CAPTURE
          << " --size 64x48 --fps 30 --until " << file.at << " --png-at " << file.at
          << " --png-dir . 2> stderr.txt";
  const int status = std::system(command.str().c_str());
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream err(dir / "stderr.txt");
  std::string line;
  while (std::getline(err, line)) {
    out.log += line + "\n";
    if (!line.empty() && line.rfind("korvel-capture:", 0) != 0 &&
        std::find(out.messages.begin(), out.messages.end(), line) == out.messages.end()) {
      out.messages.push_back(line);
    }
  }
  char still[64];
  std::snprintf(still, sizeof still, "t%07.3f.png", file.at);
  std::vector<uint8_t> pixels;
  unsigned w = 0, h = 0;
  out.stillWritten = platform::readPicture((dir / still).string(), &pixels, &w, &h);
  double sum = 0;
  for (size_t i = 0; i < pixels.size(); i += 4) {
    sum += pixels[i] + pixels[i + 1] + pixels[i + 2];
  }
  out.brightness = pixels.empty() ? 0 : sum / (pixels.size() / 4 * 3);
  return out;
}

// For a Markdown table cell: bars escaped, and the bytes a damaged file puts into a message
// (anything but printable ASCII) written as \xNN.
std::string escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '|') {
      out += "\\|";
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out;
}

TEST(FaultTableTest, EveryBrokenDataFileLeavesTheDemoRunningWithAMessage) {
  testing::TempDir temp;
  std::vector<Fault> faults = {Fault::Missing,    Fault::Empty,        Fault::CutInHeader,
                               Fault::CutHalfWay, Fault::BytesFlipped, Fault::Folder};
  // Permissions mean nothing to root, who reads every file.
  if (geteuid() != 0) {
    faults.push_back(Fault::Unreadable);
  }
  std::vector<std::future<Outcome>> running;
  for (const DataFile& file : kFiles) {
    for (Fault fault : faults) {
      running.push_back(
          std::async(std::launch::deferred, runCase, file, fault, fs::path(temp.path("cases"))));
    }
  }
  // Two at a time, in order.
  std::vector<Outcome> outcomes;
  for (size_t i = 0; i < running.size(); i += 2) {
    auto second = i + 1 < running.size()
                      ? std::async(std::launch::async, [&, i] { return running[i + 1].get(); })
                      : std::future<Outcome>();
    outcomes.push_back(running[i].get());
    if (second.valid()) {
      outcomes.push_back(second.get());
    }
  }

  std::ofstream table(fs::path(KORVEL_DATA).parent_path() / "tests" / "fault-table.md");
  table << "| file | broken | exit | what the user sees |\n|---|---|---|---|\n";
  for (const Outcome& o : outcomes) {
    std::string seen;
    for (const auto& m : o.messages) {
      seen += (seen.empty() ? "" : "<br>") + escaped(m);
    }
    table << "| " << o.file << " | " << o.fault << " | " << o.status << " | "
          << (seen.empty() ? "nothing: the demo goes on without it" : seen) << " |\n";

    SCOPED_TRACE(o.file + ", " + o.fault + ":\n" + o.log);
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.stillWritten) << "the demo reached the time that uses the file";
    EXPECT_EQ(o.log.find("Sanitizer"), std::string::npos);
    EXPECT_EQ(o.log.find("runtime error"), std::string::npos);
    EXPECT_GT(o.brightness, 0.5) << "the rest of the demo still draws";
    // A file that is not there or has nothing in it is always reported, but for the picture
    // loaded through D3DX alone, which fails silently as D3DX does.
    const bool unreadable =
        o.fault == faultName(Fault::Missing) || o.fault == faultName(Fault::Empty) ||
        o.fault == faultName(Fault::CutInHeader) || o.fault == faultName(Fault::Folder);
    if (unreadable && o.file != "velmira.tga") {
      EXPECT_FALSE(o.messages.empty()) << "the user is told";
    }
  }
}

}  // namespace
}  // namespace korvel
