#include "sim/physics/robotdesc.h"

namespace sim {

const std::array<JointNames, kJointCount> kJointNames = {{
    {"hj1", "he1"},   {"hj2", "he2"},   {"llj1", "lle1"}, {"rlj1", "rle1"}, {"llj2", "lle2"},
    {"rlj2", "rle2"}, {"llj3", "lle3"}, {"rlj3", "rle3"}, {"llj4", "lle4"}, {"rlj4", "rle4"},
    {"llj5", "lle5"}, {"rlj5", "rle5"}, {"llj6", "lle6"}, {"rlj6", "rle6"}, {"laj1", "lae1"},
    {"raj1", "rae1"}, {"laj2", "lae2"}, {"raj2", "rae2"}, {"laj3", "lae3"}, {"raj3", "rae3"},
    {"laj4", "lae4"}, {"raj4", "rae4"},
}};

int JointByPerceptor(const std::string& name) {
    for (int j = 0; j < kJointCount; ++j)
        if (name == kJointNames[j].perceptor) return j;
    return -1;
}

int JointByEffector(const std::string& name) {
    for (int j = 0; j < kJointCount; ++j)
        if (name == kJointNames[j].effector) return j;
    return -1;
}

}  // namespace sim
