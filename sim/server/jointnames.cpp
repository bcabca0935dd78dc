#include "sim/server/jointnames.h"

#include <cstring>

const char* const kPerceptorNames[kWireJointCount] = {
    "hj1",  "hj2",  "llj1", "rlj1", "llj2", "rlj2", "llj3", "rlj3", "llj4", "rlj4", "llj5",
    "rlj5", "llj6", "rlj6", "laj1", "raj1", "laj2", "raj2", "laj3", "raj3", "laj4", "raj4",
};

const char* const kEffectorNames[kWireJointCount] = {
    "he1",  "he2",  "lle1", "rle1", "lle2", "rle2", "lle3", "rle3", "lle4", "rle4", "lle5",
    "rle5", "lle6", "rle6", "lae1", "rae1", "lae2", "rae2", "lae3", "rae3", "lae4", "rae4",
};

int EffectorIndex(const char* name) {
    for (int i = 0; i < kWireJointCount; ++i)
        if (std::strcmp(name, kEffectorNames[i]) == 0) return i;
    return -1;
}
