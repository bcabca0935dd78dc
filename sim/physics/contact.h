// The contacts of robots, ball and pitch. Three models, chosen per world:
//
// kSlip (the default): friction without a limit but soft, as the league's standard server has
// it: two surfaces slide past each other at kSlipPerNewton m/s per newton of tangential force
// on a foot, whatever its load. MuJoCo has no slip law of its own; an elliptic cone with a
// friction coefficient far beyond any load, a constant impedance (so the softness does not
// change with the penetration) and a small impratio makes its soft friction constraint
// creep at a speed proportional to the force, which is that law. The foot box of a standing
// robot rests on four contacts, so each contact is calibrated at four times the foot's slip.
//
// kCoulomb: the first build's friction 1.2 with a pyramidal cone (no slip below 1.2 times the
// load but MuJoCo's own creep of about 1e-3 m/s per N, free sliding above it). For comparison.
//
// kGrip: an elliptic cone with friction 3 and no added slip. For comparison.
#pragma once

#include <string>

namespace sim {

enum class ContactModel { kSlip, kCoulomb, kGrip };

// "slip" / "coulomb" / "grip".
const char* ContactModelName(ContactModel contacts);
bool ParseContactModel(const std::string& name, ContactModel& contacts);

constexpr double kSlipPerNewton = 5e-3;  // m/s of sliding per N of tangential force on a foot

// The attributes of the world's <option> (cone, impratio) and of every shape's default <geom>
// (condim, friction, softness) for the contact model.
std::string ContactOptionAttributes(ContactModel contacts);
std::string ContactGeomAttributes(ContactModel contacts);

}  // namespace sim
