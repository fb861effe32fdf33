// tvk-convert: turns a model exported from a modelling program (OBJ, glTF 2.0 / GLB, FBX, ...)
// into a .tvk file the demo reads, with its materials and a camera record.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli_status.h"
#include "convert.h"

int main(int argc, char** argv) {
  CLI::App app("Converts a model (OBJ, glTF 2.0 / GLB, FBX, ...) into the demo's .tvk format.",
               "tvk-convert");
  korvel::convert::Options options;
  app.add_option("IN", options.input, "the model to convert")->required();
  app.add_option("OUT", options.output, "the .tvk file to write")->required();
  app.add_option("--scale", options.scale, "factor for every position (default 1)");
  app.add_option("--fov", options.fieldOfView,
                 "field of view of the camera record, in radians (default: the file's camera, "
                 "else 0.7854)");
  if (int status = korvel::tools::parseCommandLine(app, argc, argv); status >= 0) {
    return status;
  }

  std::string error, summary;
  if (!korvel::convert::convertModel(options, &summary, &error)) {
    std::cerr << "tvk-convert: " << error << "\n";
    return 1;
  }
  std::cout << summary << "\n";
  return 0;
}
