parameter float4 Tint

technique T

  pass P

    vertex
      void main() { gl_Position = vec4(aPosition, 1.0); }
    end
    fragment
      void main() { fragColor = Tint; }
    end
  end
end
