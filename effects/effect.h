// The animated effects behind one small interface, and the list that picks one by the beat's
// scene variant. The list holds effects without owning them; the same effect may be listed
// twice, and releasing twice must free nothing twice.
#pragma once

#include <vector>

#include "platform/d3d9.h"

namespace korvel {

struct EffectTimes {
  float start = 0;  // subtracted by EffectList::render from the time it is given
  float end = 0;    // stored; nothing reads it
};

class Effect {
 public:
  virtual int init(IDirect3DDevice9* device) = 0;
  virtual int render(float time) = 0;
  // Frees everything and clears the handles, so a second call does nothing.
  virtual void release() = 0;
  virtual EffectTimes* times() { return &times_; }
  virtual void setTimes(const EffectTimes& times) { times_ = times; }

 protected:
  // Not virtual: owners destroy effects through their concrete types, after release().
  ~Effect() = default;

 private:
  EffectTimes times_;
};

class EffectList {
 public:
  // The device is kept, as the list's owner hands it over; no list operation uses it.
  explicit EffectList(IDirect3DDevice9* device) : device_(device) {}

  int add(Effect* effect);
  // Entry `index` (below the number of entries) at time − its start.
  int render(int index, float time);
  // Releases every entry in order (one listed twice, twice), then empties the list.
  void releaseAll();
  int size() const { return count; }

  int count = 0;
  std::vector<Effect*> effects;

 private:
  IDirect3DDevice9* device_;
};

}  // namespace korvel
