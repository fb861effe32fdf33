// The subcommands of korvel-inspect: each adds itself to the command line and, when chosen,
// prints one JSON object on standard output and gives the exit status.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace korvel::inspect {

using Command = std::function<int()>;

// `run` is set to the command's action when the subcommand is chosen.
void addTgaCommand(CLI::App& app, Command* run);
void addTvkCommand(CLI::App& app, Command* run);
void addMp3Command(CLI::App& app, Command* run);
void addAviCommand(CLI::App& app, Command* run);
void addFxCommand(CLI::App& app, Command* run);

}  // namespace korvel::inspect
