// What every subcommand prints: one line of JSON, with names from files made printable.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace korvel::inspect {

using Json = nlohmann::ordered_json;

// Names in the asset formats are plain bytes: valid UTF-8 is kept, anything else is read as
// Latin-1, so every name prints (byte 0xE4 becomes "ä", written \u00e4 by the JSON).
std::string textOf(const std::string& bytes);

// One line on standard output, ASCII only.
void print(const Json& out);

}  // namespace korvel::inspect
