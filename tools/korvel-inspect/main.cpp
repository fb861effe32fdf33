// korvel-inspect: shows what the demo's readers make of an asset file, as JSON.
#include "cli_status.h"
#include "commands.h"
#include "platform/offline_host.h"

int main(int argc, char** argv) {
  // No screen and no sound card: messages of the readers go to standard error, never to a
  // dialog, and nothing is played aloud.
  korvel::platform::OfflineHost offline;
  offline.windows.echo = true;

  CLI::App app("Shows what the demo's readers make of an asset file, as one JSON object.",
               "korvel-inspect");
  app.require_subcommand(1);
  korvel::inspect::Command run;
  korvel::inspect::addTgaCommand(app, &run);
  korvel::inspect::addTvkCommand(app, &run);
  korvel::inspect::addMp3Command(app, &run);
  korvel::inspect::addAviCommand(app, &run);
  korvel::inspect::addFxCommand(app, &run);
  if (int status = korvel::tools::parseCommandLine(app, argc, argv); status >= 0) {
    return status;
  }
  int status = run ? run() : korvel::tools::kUsageError;
  return status;
}
