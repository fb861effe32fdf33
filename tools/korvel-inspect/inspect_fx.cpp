#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "commands.h"
#include "output.h"
#include "platform/d3d9.h"
#include "platform/d3dx.h"
#include "platform/fx_file.h"
#include "platform/offscreen_device.h"

namespace korvel::inspect {

namespace {

const char* typeName(platform::FxParameterType type) {
  switch (type) {
    case platform::FxParameterType::Matrix:
      return "float4x4";
    case platform::FxParameterType::Vector:
      return "float4";
    case platform::FxParameterType::Float:
      return "float";
    default:
      return "texture";
  }
}

Json describe(const platform::FxDescription& fx) {
  Json out;
  out["parameters"] = Json::array();
  for (const auto& p : fx.parameters) {
    out["parameters"].push_back(
        {{"name", textOf(p.name)}, {"type", typeName(p.type)}, {"count", p.count}});
  }
  out["techniques"] = Json::array();
  for (const auto& t : fx.techniques) {
    Json technique{{"name", textOf(t.name)}, {"passes", Json::array()}};
    for (const auto& p : t.passes) {
      Json states = Json::object();
      for (const auto& [state, value] : p.states) {
        states[platform::fxStateName(state)] = value;
      }
      technique["passes"].push_back({{"name", textOf(p.name)}, {"states", states}});
    }
    out["techniques"].push_back(technique);
  }
  return out;
}

// Compiles the file as the demo does, on a small headless device; empty when it compiles.
std::string compileErrors(const std::string& path) {
  platform::OffscreenDevice offscreen(16, 16);
  IDirect3DDevice9* device = offscreen.device;
  if (!device) {
    return path + ": cannot compile: no OpenGL 3.3 device could be made on this machine";
  }
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  std::string text;
  if (FAILED(D3DXCreateEffectFromFileA(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                       &errors))) {
    text = errors ? static_cast<const char*>(errors->GetBufferPointer()) : path + ": error";
  }
  if (errors) {
    errors->Release();
  }
  if (effect) {
    effect->Release();
  }
  return text;
}

}  // namespace

void addFxCommand(CLI::App& app, Command* run) {
  auto* command = app.add_subcommand(
      "fx", "Parse and compile a shader file (.fx) as the demo does, on a headless device");
  auto file = std::make_shared<std::string>();
  command->add_option("FILE", *file, "the shader file")->required();
  command->callback([=] {
    *run = [=] {
      std::ifstream in(*file, std::ios::binary);
      if (!in) {
        std::cerr << *file << ": error: cannot open the file\n";
        return 1;
      }
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      auto fx = platform::parseFx(text.str(), *file, &error);
      if (!fx) {
        std::cerr << error << "\n";
        return 1;
      }
      error = compileErrors(*file);
      if (!error.empty()) {
        std::cerr << error << "\n";
        return 1;
      }
      print(describe(*fx));
      return 0;
    };
  });
}

}  // namespace korvel::inspect
