#include "platform/fx_file.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

namespace korvel::platform {

namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// The same white space that splits words: a line of form feeds or vertical tabs is blank.
constexpr const char* kSpace = " \t\r\n\v\f";

std::string trim(const std::string& s) {
  size_t begin = s.find_first_not_of(kSpace);
  if (begin == std::string::npos) {
    return "";
  }
  size_t end = s.find_last_not_of(kSpace);
  return s.substr(begin, end - begin + 1);
}

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) {
    out.push_back(w);
  }
  return out;
}

// Render states a pass may set, with the kind of value each takes.
enum class ValueKind { Bool, Number, Cull, Compare, Blend, BlendOp };

struct StateInfo {
  D3DRENDERSTATETYPE state;
  ValueKind kind;
};

const std::map<std::string, StateInfo>& stateTable() {
  static const std::map<std::string, StateInfo> table = {
      {"zenable", {D3DRS_ZENABLE, ValueKind::Bool}},
      {"zwriteenable", {D3DRS_ZWRITEENABLE, ValueKind::Bool}},
      {"zfunc", {D3DRS_ZFUNC, ValueKind::Compare}},
      {"cullmode", {D3DRS_CULLMODE, ValueKind::Cull}},
      {"alphablendenable", {D3DRS_ALPHABLENDENABLE, ValueKind::Bool}},
      {"srcblend", {D3DRS_SRCBLEND, ValueKind::Blend}},
      {"destblend", {D3DRS_DESTBLEND, ValueKind::Blend}},
      {"blendop", {D3DRS_BLENDOP, ValueKind::BlendOp}},
      {"alphatestenable", {D3DRS_ALPHATESTENABLE, ValueKind::Bool}},
      {"alpharef", {D3DRS_ALPHAREF, ValueKind::Number}},
      {"alphafunc", {D3DRS_ALPHAFUNC, ValueKind::Compare}},
      {"lighting", {D3DRS_LIGHTING, ValueKind::Bool}},
      {"fogenable", {D3DRS_FOGENABLE, ValueKind::Bool}},
      {"colorwriteenable", {D3DRS_COLORWRITEENABLE, ValueKind::Number}},
  };
  return table;
}

const std::map<std::string, DWORD>& valueNames(ValueKind kind) {
  static const std::map<std::string, DWORD> booleans = {{"true", TRUE}, {"false", FALSE}};
  static const std::map<std::string, DWORD> culls = {
      {"none", D3DCULL_NONE}, {"cw", D3DCULL_CW}, {"ccw", D3DCULL_CCW}};
  static const std::map<std::string, DWORD> compares = {{"never", D3DCMP_NEVER},
                                                        {"less", D3DCMP_LESS},
                                                        {"equal", D3DCMP_EQUAL},
                                                        {"lessequal", D3DCMP_LESSEQUAL},
                                                        {"greater", D3DCMP_GREATER},
                                                        {"notequal", D3DCMP_NOTEQUAL},
                                                        {"greaterequal", D3DCMP_GREATEREQUAL},
                                                        {"always", D3DCMP_ALWAYS}};
  static const std::map<std::string, DWORD> blends = {
      {"zero", D3DBLEND_ZERO},           {"one", D3DBLEND_ONE},
      {"srccolor", D3DBLEND_SRCCOLOR},   {"invsrccolor", D3DBLEND_INVSRCCOLOR},
      {"srcalpha", D3DBLEND_SRCALPHA},   {"invsrcalpha", D3DBLEND_INVSRCALPHA},
      {"destalpha", D3DBLEND_DESTALPHA}, {"invdestalpha", D3DBLEND_INVDESTALPHA},
      {"destcolor", D3DBLEND_DESTCOLOR}, {"invdestcolor", D3DBLEND_INVDESTCOLOR}};
  static const std::map<std::string, DWORD> blendOps = {{"add", D3DBLENDOP_ADD},
                                                        {"subtract", D3DBLENDOP_SUBTRACT},
                                                        {"revsubtract", D3DBLENDOP_REVSUBTRACT},
                                                        {"min", D3DBLENDOP_MIN},
                                                        {"max", D3DBLENDOP_MAX}};
  static const std::map<std::string, DWORD> empty;
  switch (kind) {
    case ValueKind::Bool:
      return booleans;
    case ValueKind::Cull:
      return culls;
    case ValueKind::Compare:
      return compares;
    case ValueKind::Blend:
      return blends;
    case ValueKind::BlendOp:
      return blendOps;
    default:
      return empty;
  }
}

bool parseValue(ValueKind kind, const std::string& text, DWORD* value) {
  const auto& names = valueNames(kind);
  auto found = names.find(lower(text));
  if (found != names.end()) {
    *value = found->second;
    return true;
  }
  char* end = nullptr;
  unsigned long number = std::strtoul(text.c_str(), &end, 0);
  if (end && *end == '\0' && !text.empty()) {
    *value = DWORD(number);
    return true;
  }
  return false;
}

class Parser {
 public:
  Parser(const std::string& text, const std::string& source) : source_(source) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      lines_.push_back(line);
    }
  }

  std::optional<FxDescription> parse(std::string* error) {
    FxDescription effect;
    while (next()) {
      const auto& w = words_;
      const std::string keyword = lower(w[0]);
      if (keyword == "parameter") {
        if (!parameter(effect))
          break;
      } else if (keyword == "common") {
        if (w.size() != 1) {
          fail("'common' takes nothing after it");
          break;
        }
        if (!code(&effect.common))
          break;
      } else if (keyword == "technique") {
        if (!technique(effect))
          break;
      } else {
        fail("expected 'parameter', 'common' or 'technique', found '" + w[0] + "'");
        break;
      }
    }
    if (error_.empty() && effect.techniques.empty()) {
      line_ = int(lines_.size());
      fail("the effect has no technique");
    }
    if (!error_.empty()) {
      *error = error_;
      return std::nullopt;
    }
    return effect;
  }

 private:
  // Moves to the next line with words on it, skipping comments.
  bool next() {
    while (line_ < int(lines_.size())) {
      std::string text = trim(lines_[line_++]);
      if (text.empty() || text[0] == '#') {
        continue;
      }
      words_ = words(text);
      if (words_.empty()) {
        continue;
      }
      return true;
    }
    return false;
  }

  void fail(const std::string& what) {
    if (error_.empty()) {
      error_ = source_ + "(" + std::to_string(line_) + "): error: " + what;
    }
  }

  bool parameter(FxDescription& effect) {
    if (words_.size() < 3) {
      fail("a parameter needs a type and a name: parameter float4x4 World");
      return false;
    }
    FxParameter p;
    std::string type = lower(words_[1]);
    if (type == "float4x4" || type == "matrix") {
      p.type = FxParameterType::Matrix;
    } else if (type == "float4" || type == "vector") {
      p.type = FxParameterType::Vector;
    } else if (type == "float") {
      p.type = FxParameterType::Float;
    } else if (type == "texture") {
      p.type = FxParameterType::Texture;
    } else {
      fail("unknown parameter type '" + words_[1] + "' (float4x4, float4, float or texture)");
      return false;
    }
    std::string name = words_[2];
    size_t bracket = name.find('[');
    if (bracket != std::string::npos) {
      int count = std::atoi(name.c_str() + bracket + 1);
      if (name.back() != ']' || count < 1 || count > 256 || p.type == FxParameterType::Texture) {
        fail("bad array size in '" + name + "'");
        return false;
      }
      p.count = count;
      name = name.substr(0, bracket);
    }
    if (name.empty() || !(std::isalpha((unsigned char)name[0]) || name[0] == '_') ||
        !std::all_of(name.begin(), name.end(),
                     [](unsigned char c) { return std::isalnum(c) || c == '_'; })) {
      fail("'" + name + "' is not a parameter name");
      return false;
    }
    if (effect.parameter(name)) {
      fail("parameter '" + name + "' is declared twice");
      return false;
    }
    p.name = name;
    for (size_t i = 3; i < words_.size(); ++i) {
      std::string option = lower(words_[i]);
      if (p.type != FxParameterType::Texture) {
        fail("only texture parameters take options");
        return false;
      }
      if (option == "filter=linear") {
        p.filter = D3DTEXF_LINEAR;
      } else if (option == "filter=point") {
        p.filter = D3DTEXF_POINT;
      } else if (option == "address=wrap") {
        p.address = D3DTADDRESS_WRAP;
      } else if (option == "address=clamp") {
        p.address = D3DTADDRESS_CLAMP;
      } else if (option == "address=mirror") {
        p.address = D3DTADDRESS_MIRROR;
      } else {
        fail("unknown texture option '" + words_[i] + "'");
        return false;
      }
    }
    effect.parameters.push_back(p);
    return true;
  }

  bool technique(FxDescription& effect) {
    if (words_.size() != 2) {
      fail("a technique needs one name: technique TechniquePhongModel");
      return false;
    }
    FxTechnique technique{words_[1], {}};
    while (next()) {
      std::string keyword = lower(words_[0]);
      if (keyword == "end") {
        if (technique.passes.empty()) {
          fail("technique '" + technique.name + "' has no pass");
          return false;
        }
        effect.techniques.push_back(technique);
        return true;
      }
      if (keyword != "pass") {
        fail("expected 'pass' or 'end' in technique '" + technique.name + "', found '" + words_[0] +
             "'");
        return false;
      }
      if (!pass(technique)) {
        return false;
      }
    }
    fail("technique '" + technique.name + "' is not closed with 'end'");
    return false;
  }

  bool pass(FxTechnique& technique) {
    FxPass pass;
    pass.name = words_.size() > 1 ? words_[1] : "P" + std::to_string(technique.passes.size());
    while (next()) {
      std::string keyword = lower(words_[0]);
      if (keyword == "end") {
        if (pass.vertex.code.empty() || pass.fragment.code.empty()) {
          fail("pass '" + pass.name + "' needs a vertex and a fragment stage");
          return false;
        }
        technique.passes.push_back(pass);
        return true;
      }
      if (keyword == "state") {
        if (words_.size() != 3) {
          fail("a state needs a name and a value: state CullMode CCW");
          return false;
        }
        auto found = stateTable().find(lower(words_[1]));
        if (found == stateTable().end()) {
          fail("unknown render state '" + words_[1] + "'");
          return false;
        }
        DWORD value = 0;
        if (!parseValue(found->second.kind, words_[2], &value)) {
          fail("'" + words_[2] + "' is not a value of " + words_[1]);
          return false;
        }
        pass.states.emplace_back(found->second.state, value);
      } else if (keyword == "vertex" || keyword == "fragment") {
        if (!code(keyword == "vertex" ? &pass.vertex : &pass.fragment)) {
          return false;
        }
      } else {
        fail("expected 'state', 'vertex', 'fragment' or 'end' in pass '" + pass.name +
             "', found '" + words_[0] + "'");
        return false;
      }
    }
    fail("pass '" + pass.name + "' is not closed with 'end'");
    return false;
  }

  // GLSL lines up to a line that is only 'end'.
  bool code(FxShaderStage* stage) {
    int opened = line_;
    stage->firstLine = line_ + 1;
    stage->code.clear();
    while (line_ < int(lines_.size())) {
      const std::string& text = lines_[line_++];
      if (lower(trim(text)) == "end") {
        return true;
      }
      stage->code += text + "\n";
    }
    line_ = opened;
    fail("shader code is not closed with 'end'");
    return false;
  }

  std::string source_;
  std::vector<std::string> lines_;
  int line_ = 0;  // lines read so far: the 1-based number of the current line
  std::vector<std::string> words_;
  std::string error_;
};

}  // namespace

std::string fxStateName(D3DRENDERSTATETYPE state) {
  for (const auto& [name, info] : stateTable()) {
    if (info.state == state) {
      return name;
    }
  }
  return "";
}

const FxParameter* FxDescription::parameter(const std::string& name) const {
  for (const auto& p : parameters) {
    if (p.name == name) {
      return &p;
    }
  }
  return nullptr;
}

std::optional<FxDescription> parseFx(const std::string& text, const std::string& source,
                                     std::string* error) {
  return Parser(text, source).parse(error);
}

}  // namespace korvel::platform
