technique T

