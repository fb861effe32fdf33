// Command-line parsing with the exit statuses every tool here keeps: 0 success (and --help),
// 1 a file that does not read, 2 a usage error.
#pragma once

#include <CLI/CLI.hpp>

namespace korvel::tools {

constexpr int kUsageError = 2;

// -1 when the command line parsed and the tool goes on; otherwise the status to exit with,
// after CLI11 has printed the help or the error.
inline int parseCommandLine(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
    return -1;
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kUsageError;
  }
}

}  // namespace korvel::tools
