// korvel-inspect as scripts use it: JSON on standard output, the exit status, the reason on
// standard error.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "support/temp_dir.h"

namespace korvel {
namespace {

struct ToolRun {
  std::string out;
  int status;
};

ToolRun inspect(const std::string& arguments) {
  std::string command = std::string(KORVEL_INSPECT) + " " + arguments + " 2>/dev/null";
  ToolRun run{"", -1};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    return run;
  }
  std::array<char, 4096> buffer;
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
    run.out.append(buffer.data(), n);
  }
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(InspectToolTest, TgaPrintsTheReadersPixelsInMemoryOrder) {
  testing::TempDir dir;
  // 1 x 1, 32-bit: blue 10, green 20, red 30, alpha 40.
  std::string path =
      dir.write("one.tga", std::vector<unsigned char>{0, 0, 2, 0, 0, 0,  0, 0,  0,  0,  0,
                                                      0, 1, 0, 1, 0, 32, 0, 10, 20, 30, 40});
  ToolRun run = inspect("tga " + path);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(
      run.out,
      "{\"result\":1,\"width\":1,\"height\":1,\"bytesPerPixel\":4,\"pixels\":\"281e140a\"}\n");
  run = inspect("tga --no-pixels " + path);
  EXPECT_EQ(run.out, "{\"result\":1,\"width\":1,\"height\":1,\"bytesPerPixel\":4}\n");
  run = inspect("tga " + dir.path("missing.tga"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("\"result\":-1"), std::string::npos);
}

}  // namespace
}  // namespace korvel
