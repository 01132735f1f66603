// Small rules of the sensor routines, kept apart so that tests can call them.
#pragma once

namespace wm033 {

// Transition state of an on/off reading: 3 changed after a change, 2 changed after a quiet
// one, 1 quiet after a change, 0 quiet after a quiet one. States 1 and 2 are edges.
int OnOffTransition(bool changed, bool previous_changed);

}  // namespace wm033
