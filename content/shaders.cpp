#include "content/shaders.h"

namespace korvel::content {

namespace {

// Shared by both files: the parameters the scenes set, and the sphere-map lookup.
const char* const kParameters = R"(parameter float4x4 World
parameter float4x4 View
parameter float4x4 Proj
parameter float4x4 ViewProj
parameter float4x4 WorldView
parameter float4x4 WVP
parameter float4x4 InvWVP
parameter float4x4 InvWorld
parameter float4x4 InvView
parameter float4   eyeVec
parameter float    fTime
parameter float4   lightVec
)";

const char* const kSphereMap = R"(
  // Sphere-map coordinates of the view ray reflected about a view-space normal. View space
  // looks along +z; the map was drawn looking along -z, top row up.
  vec2 sphereMapCoords(vec3 viewPosition, vec3 viewNormal) {
    vec3 r = reflect(normalize(viewPosition), normalize(viewNormal));
    r.z = -r.z;
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    return vec2(0.5 + r.x / m, 0.5 - r.y / m);
  }
  // Towards the light: from the point to a light position (w = 1), or a direction (w = 0).
  vec3 towardsLight(vec3 worldPosition) {
    return lightVec.w > 0.5 ? normalize(lightVec.xyz - worldPosition) : normalize(lightVec.xyz);
  }
)";

// A lit pass's vertex stage, which hands the fragment stage the surface in world and view
// space, and the opening of that fragment stage: the same in both files.
const char* const kLitStage = R"(    vertex
      out vec3 worldPosition;
      out vec3 worldNormal;
      out vec3 viewPosition;
      out vec3 viewNormal;
      out vec2 uv;
      out vec4 colour;
      void main() {
        vec4 world = mul(vec4(aPosition, 1.0), World);
        worldPosition = world.xyz;
        worldNormal = mul(vec4(aNormal, 0.0), World).xyz;
        viewPosition = mul(world, View).xyz;
        viewNormal = mul(vec4(worldNormal, 0.0), View).xyz;
        uv = aTexCoord;
        colour = aColor;
        gl_Position = mul(vec4(aPosition, 1.0), WVP);
      }
    end
    fragment
      in vec3 worldPosition;
      in vec3 worldNormal;
      in vec3 viewPosition;
      in vec3 viewNormal;
      in vec2 uv;
      in vec4 colour;
)";

}  // namespace

std::string simpleMeshFx() {
  std::string fx = "# Phong shading with a sphere-mapped reflection, for the centre piece.\n";
  fx += kParameters;
  fx +=
      "parameter texture  BaseTexture filter=linear address=wrap\n"
      "parameter texture  SphereMapTexture filter=linear address=clamp\n\n"
      "common";
  fx += kSphereMap;
  fx += R"(end

technique TechniquePhongModel
  pass Lit
    state ZEnable true
    state ZWriteEnable true
    state ZFunc LessEqual
    state CullMode CCW
    state AlphaBlendEnable false
)";
  fx += kLitStage;
  fx += R"(      void main() {
        vec3 n = normalize(worldNormal);
        vec3 l = towardsLight(worldPosition);
        vec3 v = normalize(eyeVec.xyz - worldPosition);
        vec3 h = normalize(l + v);
        float diffuse = max(dot(n, l), 0.0);
        float specular = pow(max(dot(n, h), 0.0), 48.0) * step(0.0, dot(n, l));
        // The base texture drifts slowly over the surface with time.
        vec3 base = texture(BaseTexture, uv * vec2(2.0, 1.0) + vec2(fTime * 0.02, 0.0)).rgb;
        base = base * 0.6 + 0.4;
        vec3 reflection = texture(SphereMapTexture, sphereMapCoords(viewPosition, viewNormal)).rgb;
        float facing = clamp(dot(n, v), 0.0, 1.0);
        float fresnel = 0.25 + 0.75 * pow(1.0 - facing, 3.0);
        // A band of light that runs along the surface.
        float shimmer = pow(0.5 + 0.5 * sin(fTime * 2.0 + worldPosition.y * 0.06 +
                                            worldPosition.x * 0.03), 12.0);
        // Ambient light from the sky of the sphere map, seen in the normal's direction.
        vec3 vn = normalize(viewNormal);
        vec3 sky = texture(SphereMapTexture, vec2(0.5 + vn.x * 0.45, 0.5 - vn.y * 0.45)).rgb;
        vec3 lit = colour.rgb * base * (0.1 + sky * 0.55 + 0.9 * diffuse);
        vec3 result = lit + reflection * fresnel * 0.75 + vec3(specular) * 0.8 +
                      vec3(0.4, 0.7, 1.0) * shimmer * (1.0 - facing) * 0.6;
        fragColor = vec4(result, 1.0);
      }
    end
  end
end
)";
  return fx;
}

std::string cartoonerFx() {
  std::string fx = "# Cel shading: an inked outline, three flat shades and a sky-coloured rim.\n";
  fx += kParameters;
  fx +=
      "parameter texture  ShadesTexture filter=point address=clamp\n"
      "parameter texture  BorderTexture filter=linear address=clamp\n\n"
      "common";
  fx += kSphereMap;
  fx += R"(end

technique TechniqueCelShading1
  pass Outline
    state ZEnable true
    state ZWriteEnable true
    state ZFunc LessEqual
    state CullMode CW
    state AlphaBlendEnable false
    vertex
      void main() {
        // Back faces pushed out along the normal, a little more on the beat's stretched axis.
        vec3 inflated = aPosition + normalize(aNormal) * 2.2;
        gl_Position = mul(vec4(inflated, 1.0), WVP);
      }
    end
    fragment
      void main() { fragColor = vec4(0.03, 0.02, 0.06, 1.0); }
    end
  end
  pass Shade
    state CullMode CCW
)";
  fx += kLitStage;
  fx += R"(      void main() {
        vec3 n = normalize(worldNormal);
        float light = clamp(dot(n, towardsLight(worldPosition)), 0.0, 1.0);
        float shade = texture(ShadesTexture, vec2(light * 0.97 + 0.015, 0.5)).r;
        vec3 v = normalize(eyeVec.xyz - worldPosition);
        float rim = smoothstep(0.55, 0.75, 1.0 - abs(dot(n, v)));
        vec3 sky = texture(BorderTexture, sphereMapCoords(viewPosition, viewNormal)).rgb;
        vec3 result = colour.rgb * (0.22 + 0.78 * shade) + sky * rim * 0.8;
        // A glint that travels with time on the brightest band.
        result += vec3(1.0) * step(0.99, shade) * 0.15 * (0.5 + 0.5 * sin(fTime * 4.0));
        fragColor = vec4(result, 1.0);
      }
    end
  end
end
)";
  return fx;
}

}  // namespace korvel::content
