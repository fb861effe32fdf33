technique T
  pass P
