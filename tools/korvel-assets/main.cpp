// korvel-assets: generates the data/ tree the demo reads (textures, glyph sheet, shader
// files, models, the intro film) into a folder.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli_status.h"
#include "content/generate.h"

int main(int argc, char** argv) {
  CLI::App app(
      "Generates the demo's data/ tree: textures, glyph sheet, shader files, models "
      "and the intro film.",
      "korvel-assets");
  std::string outDir;
  bool quiet = false;
  app.add_option("OUTDIR", outDir, "the folder to write (made if missing)")->required();
  app.add_flag("--quiet", quiet, "print nothing but errors");
  if (int status = korvel::tools::parseCommandLine(app, argc, argv); status >= 0) {
    return status;
  }
  std::string error;
  bool ok = korvel::content::generateData(outDir, &error, [&](const std::string& name) {
    if (!quiet) {
      std::cerr << "korvel-assets: " << name << "\n";
    }
  });
  if (!ok) {
    std::cerr << "korvel-assets: " << error << "\n";
    return 1;
  }
  return 0;
}
