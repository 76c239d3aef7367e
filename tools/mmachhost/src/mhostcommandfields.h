// The public fields of every machine command class: parameters the factory copied and results
// the machine fills in (values, data, the size of an image FIFO). MHostTimedCommand copies them
// between itself and the command it wraps, so that whoever reads or writes them on the wrapper
// sees what the real command sees. A class without fields of its own uses the MMachCommand one.
#pragma once

#include "mmachcommands.h"

inline void MHostCommandFields_Copy(MMachCommand& to, const MMachCommand& from) { to.output = from.output; }

// Classes whose fields are their axes.
template <class C>
requires requires(C& c) { c.axes; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.axes = from.axes;
}

inline void MHostCommandFields_Copy(MMachGetCommand& to, const MMachGetCommand& from) {
  to.output = from.output;
  to.axes = from.axes;
  to.values = from.values;
}

// Classes whose fields are a movement, a circle, a cone or a polygon.
template <class C>
requires requires(C& c) { c.movement; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.movement = from.movement;
}
template <class C>
requires requires(C& c) { c.circle; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.circle = from.circle;
}
template <class C>
requires requires(C& c) { c.cone; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.cone = from.cone;
}
template <class C>
requires requires(C& c) { c.poly; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.poly = from.poly;
}

// Component transfer: receive and send.
template <class C>
requires requires(C& c) { c.component; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.component = from.component;
  to.data = from.data;
}

inline void MHostCommandFields_Copy(MMachSetCommand& to, const MMachSetCommand& from) {
  to.output = from.output;
  to.values = from.values;
}

inline void MHostCommandFields_Copy(MMachWobbleCommand& to, const MMachWobbleCommand& from) {
  to.output = from.output;
  to.parameters = from.parameters;
}

inline void MHostCommandFields_Copy(MMachProbeOffsetCommand& to, const MMachProbeOffsetCommand& from) {
  to.output = from.output;
  to.destination = from.destination;
}

inline void MHostCommandFields_Copy(MMachProbesystemDefineCommand& to, const MMachProbesystemDefineCommand& from) {
  to.output = from.output;
  to.info = from.info;
}

// Probe-system load and delete.
template <class C>
requires requires(C& c) { c.id; }
void MHostCommandFields_Copy(C& to, const C& from) {
  to.output = from.output;
  to.name = from.name;
  to.id = from.id;
}

inline void MHostCommandFields_Copy(MMachImagefifoCreateCommand& to, const MMachImagefifoCreateCommand& from) {
  to.output = from.output;
  to.machine = from.machine;
  to.name = from.name;
  to.size = from.size;
  to.wide = from.wide;
}

inline void MHostCommandFields_Copy(MMachImagefifoDeleteCommand& to, const MMachImagefifoDeleteCommand& from) {
  to.output = from.output;
  to.machine = from.machine;
  to.name = from.name;
}

inline void MHostCommandFields_Copy(MMachImagefifoSelectCommand& to, const MMachImagefifoSelectCommand& from) {
  to.output = from.output;
  to.name = from.name;
}
