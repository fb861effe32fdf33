// korvel-inspect: shows what the demo's readers make of an asset file, as JSON.
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
  CLI11_PARSE(app, argc, argv);
  int status = run ? run() : 2;
  return status;
}
