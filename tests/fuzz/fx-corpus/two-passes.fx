# Each pass adds a quarter of white.
parameter float4x4 Offset
parameter float4 Tint
parameter float Weights[4]
parameter texture Picture filter=point address=clamp
common
  float twice(float x) { return 2.0 * x; }
end
technique Add
  pass First
    state AlphaBlendEnable true
    state SrcBlend ONE
    state DestBlend ONE
    state CullMode NONE
    state ZFunc LessEqual
    state AlphaRef 0x80
    vertex
      void main() { gl_Position = mul(vec4(aPosition, 1.0), Offset); }
    end
    fragment
      void main() { fragColor = Tint * twice(Weights[1]) * texture(Picture, vec2(0.5)); }
    end
  end
  pass
    vertex
      void main() { gl_Position = vec4(aPosition, 1.0); }
    end
    fragment
      void main() { fragColor = Tint; }
    end
  end
end
