#ifndef SIM_SERVER_JOINTNAMES_H
#define SIM_SERVER_JOINTNAMES_H

// The 22 hinge joints in wire order: head, then the legs from the hip down (left and right
// interleaved), then the arms from the shoulder out. Perceptions list them in this order.
const int kWireJointCount = 22;

// Name in the hinge-joint perceptor (HJ).
extern const char* const kPerceptorNames[kWireJointCount];
// Name of the velocity effector.
extern const char* const kEffectorNames[kWireJointCount];

// Index of an effector name, or -1.
int EffectorIndex(const char* name);

#endif
