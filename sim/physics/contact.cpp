#include "sim/physics/contact.h"

namespace sim {

namespace {

// The MJCF of each contact model: its name, the world's <option> attributes and every shape's
// default <geom> attributes.
//
// Slip: with a constant impedance d the friction rows' regulariser is (1 - d) / d times the foot
// body's inverse weight divided by impratio, and a row creeps at regulariser / b per newton
// (b = 2 / (d * 0.02 s), the default time constant): impratio 0.0692 gives 0.02 m/s per N and
// contact, 5e-3 per N on a foot resting on four.
struct ContactRow {
    ContactModel model;
    const char* name;
    const char* option;
    const char* geom;
};
constexpr ContactRow kContactRows[] = {
    {ContactModel::kSlip, "slip", R"(cone="elliptic" impratio="0.0692")",
     R"(condim="3" friction="10 0.005 0.0001" solimp="0.95 0.95 0.001")"},
    {ContactModel::kCoulomb, "coulomb", R"(cone="pyramidal")",
     R"(condim="3" friction="1.2 0.005 0.0001")"},
    {ContactModel::kGrip, "grip", R"(cone="elliptic")", R"(condim="3" friction="3 0.005 0.0001")"},
};

const ContactRow& RowOf(ContactModel contacts) {
    for (const ContactRow& row : kContactRows)
        if (row.model == contacts) return row;
    return kContactRows[0];
}

}  // namespace

const char* ContactModelName(ContactModel contacts) {
    return RowOf(contacts).name;
}

bool ParseContactModel(const std::string& name, ContactModel& contacts) {
    for (const ContactRow& row : kContactRows) {
        if (name == row.name) {
            contacts = row.model;
            return true;
        }
    }
    return false;
}

std::string ContactOptionAttributes(ContactModel contacts) {
    return RowOf(contacts).option;
}

std::string ContactGeomAttributes(ContactModel contacts) {
    return RowOf(contacts).geom;
}

}  // namespace sim
