#include "behavior/naobehavior.h"

eState NaoBehavior::mState = S_NON;
