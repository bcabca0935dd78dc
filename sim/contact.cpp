#include "sim/contact.h"

namespace sim {

namespace {

// With a constant impedance d the friction rows' regulariser is (1 - d) / d times the foot
// body's inverse weight divided by impratio, and a row creeps at regulariser / b per newton
// (b = 2 / (d * 0.02 s), the default time constant): impratio 0.0692 gives 0.02 m/s per N and
// contact, 5e-3 per N on a foot resting on four.
constexpr const char* kSlipImpratio = "0.0692";

}  // namespace

const char* ContactModelName(ContactModel contacts) {
    switch (contacts) {
        case ContactModel::kCoulomb:
            return "coulomb";
        case ContactModel::kGrip:
            return "grip";
        case ContactModel::kSlip:
            break;
    }
    return "slip";
}

bool ParseContactModel(const std::string& name, ContactModel& contacts) {
    for (ContactModel c : {ContactModel::kSlip, ContactModel::kCoulomb, ContactModel::kGrip}) {
        if (name == ContactModelName(c)) {
            contacts = c;
            return true;
        }
    }
    return false;
}

std::string ContactOptionAttributes(ContactModel contacts) {
    switch (contacts) {
        case ContactModel::kCoulomb:
            return "cone=\"pyramidal\"";
        case ContactModel::kGrip:
            return "cone=\"elliptic\"";
        case ContactModel::kSlip:
            break;
    }
    return std::string("cone=\"elliptic\" impratio=\"") + kSlipImpratio + "\"";
}

std::string ContactGeomAttributes(ContactModel contacts) {
    switch (contacts) {
        case ContactModel::kCoulomb:
            return "condim=\"3\" friction=\"1.2 0.005 0.0001\"";
        case ContactModel::kGrip:
            return "condim=\"3\" friction=\"3 0.005 0.0001\"";
        case ContactModel::kSlip:
            break;
    }
    return "condim=\"3\" friction=\"10 0.005 0.0001\" solimp=\"0.95 0.95 0.001\"";
}

}  // namespace sim
