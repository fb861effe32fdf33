#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "assets/scene_file.h"
#include "commands.h"
#include "output.h"

namespace korvel::inspect {

namespace {

Json vec(const Vec3& v) {
  return Json::array({v.x, v.y, v.z});
}

Json material(const MaterialRecord& m) {
  Json out;
  out["ambient"] = vec(m.ambient);
  out["diffuse"] = vec(m.diffuse);
  out["specular"] = vec(m.specular);
  out["power"] = m.power;
  out["texture"] = textOf(m.textureName);
  out["subMaterials"] = Json::array();
  for (const auto& sub : m.subMaterials) {
    out["subMaterials"].push_back(material(sub));
  }
  return out;
}

Json object(const ObjectRecord& o) {
  Json out;
  out["name"] = textOf(o.name);
  out["material"] = o.materialIndex;
  out["vertices"] = Json::array();
  for (const auto& v : o.vertices) {
    out["vertices"].push_back({{"position", vec(v.position)}, {"normal", vec(v.normal)}});
  }
  out["faces"] = Json::array();
  for (const auto& f : o.faces) {
    Json face;
    face["vertices"] = {f.a, f.b, f.c};
    if (o.texVertices.empty()) {
      face["texCoords"] = nullptr;
    } else {
      face["texCoords"] = Json::array();
      for (int index : f.texVertices) {
        const TexVertex& t = o.texVertices[size_t(index)];
        face["texCoords"].push_back({t.u, t.v});
      }
    }
    out["faces"].push_back(face);
  }
  out["texCoords"] = Json::array();
  for (const auto& t : o.texVertices) {
    out["texCoords"].push_back({t.u, t.v});
  }
  return out;
}

const char* reason(int result) {
  return result == 1 ? "not a model file: it cannot be opened or does not start with the magic"
                     : "malformed model file: truncated, a bad count, or an index outside its "
                       "array";
}

}  // namespace

void addTvkCommand(CLI::App& app, Command* run) {
  auto* command = app.add_subcommand(
      "tvk", "Read a .tvk model as the demo does: load, scale, rebuild the normals");
  auto file = std::make_shared<std::string>();
  auto scale = std::make_shared<float>(1.0f);
  command->add_option("FILE", *file, "the model file")->required();
  command->add_option("--scale", *scale, "factor for the positions (default 1)");
  command->callback([=] {
    *run = [=] {
      SceneFile scene;
      int result = scene.load(file->c_str());
      scene.scalePositions(*scale);
      scene.recomputeNormals();
      Json out;
      out["result"] = result;
      out["materials"] = Json::array();
      for (const auto& m : scene.materials) {
        out["materials"].push_back(material(m));
      }
      out["objects"] = Json::array();
      for (const auto& o : scene.objects) {
        out["objects"].push_back(object(o));
      }
      out["cameras"] = Json::array();
      for (const auto& c : scene.cameras) {
        out["cameras"].push_back({{"fieldOfView", c.fieldOfView},
                                  {"near", c.nearDistance},
                                  {"far", c.farDistance},
                                  {"position", vec(c.position)},
                                  {"target", vec(c.target)}});
      }
      out["lights"] = Json::array();
      for (const auto& l : scene.lights) {
        out["lights"].push_back({{"kind", l.kind},
                                 {"colour", vec(l.colour)},
                                 {"intensity", l.intensity},
                                 {"position", vec(l.position)},
                                 {"target", vec(l.target)}});
      }
      print(out);
      if (result != 0) {
        std::cerr << *file << ": " << reason(result) << "\n";
        return 1;
      }
      return 0;
    };
  });
}

}  // namespace korvel::inspect
