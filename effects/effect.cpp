#include "effects/effect.h"

#include <cstddef>

namespace korvel {

int EffectList::add(Effect* effect) {
  effects.push_back(effect);
  ++count;
  return 0;
}

int EffectList::render(int index, float time) {
  Effect* effect = effects[std::size_t(index)];
  effect->render(time - effect->times()->start);
  return 0;
}

void EffectList::releaseAll() {
  for (Effect* effect : effects) {
    effect->release();
  }
  effects.clear();
  effects.shrink_to_fit();
}

}  // namespace korvel
