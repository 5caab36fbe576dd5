// Physics.h - the rigid-body physics interface the world is written against.
//
// A thin C-style layer over Bullet, grouped as the world uses it: the world
// (create, destroy, fixed steps), material groups with begin / per-contact /
// end pair callbacks, bodies with force and transform callbacks, collision
// shapes, joints and ray queries. Every handle is opaque; all calls happen on
// the game thread, and callbacks run synchronously inside PhysicsUpdate and
// PhysicsWorldRayCast.
//
// Matrices are 16 floats in the engine's layout: row-major, points are column
// vectors, translation in elements 3, 7 and 11. Vectors are 3 floats.
//
// Depends on: Bullet (LinearMath, BulletCollision, BulletDynamics) only.
#pragma once

#include <cstdint>

struct PhysicsWorld;
struct PhysicsBody;
struct PhysicsCollision;
struct PhysicsJoint;
struct PhysicsMaterial;  // the material pair being processed inside contact callbacks
struct PhysicsContact;   // one contact point of that pair

// ---- world ----------------------------------------------------------------

PhysicsWorld* PhysicsCreate();
void PhysicsDestroy(PhysicsWorld* world);
// A dynamic body whose box leaves the extent is frozen: it stops moving and
// gets no callbacks until it is placed back inside (PhysicsBodySetMatrix).
void PhysicsSetWorldSize(PhysicsWorld* world, const float* mins, const float* maxs);
// One step of `timestep` seconds: force callbacks of awake bodies, collision
// detection with the material callbacks, solving, transform callbacks of the
// bodies that moved.
void PhysicsUpdate(PhysicsWorld* world, float timestep);
// Number of PhysicsUpdate calls since creation.
uint64_t PhysicsGetStepCount(const PhysicsWorld* world);
int PhysicsGetBodyCount(const PhysicsWorld* world);

// ---- materials ------------------------------------------------------------

using PhysicsContactBegin = int (*)(PhysicsMaterial* material, PhysicsBody* body0,
                                    PhysicsBody* body1);
using PhysicsContactProcess = int (*)(PhysicsMaterial* material, PhysicsContact* contact);
using PhysicsContactEnd = void (*)(PhysicsMaterial* material);

// Group 0 is the default group every body starts in; created ids start at 1.
// Returns 0 when no more groups can be made.
int PhysicsMaterialCreateGroupID(PhysicsWorld* world);
// Forgets every created group and pair; bodies keep their number but fall back
// to the default contact handling.
void PhysicsMaterialDestroyAllGroupID(PhysicsWorld* world);
// Callbacks for the unordered pair (id0, id1); any may be null. Returning 0
// from begin drops the pair's contacts for this step, from process that contact.
void PhysicsMaterialSetCollisionCallback(PhysicsWorld* world, int id0, int id1, void* userData,
                                         PhysicsContactBegin begin, PhysicsContactProcess process,
                                         PhysicsContactEnd end);
void* PhysicsMaterialGetMaterialPairUserData(const PhysicsMaterial* material);
// The normal points from body 1 towards body 0 of the pair's begin call.
void PhysicsMaterialGetContactPositionAndNormal(const PhysicsMaterial* material, float* position,
                                                float* normal);
void PhysicsMaterialSetContactElasticity(PhysicsMaterial* material, float elasticity);
// Friction directions 0 and 1 are the two tangent directions; others are
// ignored. Bullet has one coefficient for both directions (their mean is
// used) and no separate static one: the kinetic coefficient decides.
void PhysicsMaterialSetContactStaticFrictionCoef(PhysicsMaterial* material, float coef, int index);
void PhysicsMaterialSetContactKineticFrictionCoef(PhysicsMaterial* material, float coef, int index);
void PhysicsMaterialSetContactFrictionState(PhysicsMaterial* material, int state, int index);

// ---- collision shapes -----------------------------------------------------
// Reference counted: created with one reference, each body adds its own, so
// the creator releases its reference once the body exists. Offsets are
// optional matrices placing the shape in the body frame. Equal primitives
// (same kind, size and offset) are one shared shape.

PhysicsCollision* PhysicsCreateNull(PhysicsWorld* world);
PhysicsCollision* PhysicsCreateSphere(PhysicsWorld* world, float rx, float ry, float rz,
                                      const float* offset);
PhysicsCollision* PhysicsCreateBox(PhysicsWorld* world, float dx, float dy, float dz,
                                   const float* offset);
// Capsule and cylinder lie along the body's x axis; height is the full length.
PhysicsCollision* PhysicsCreateCapsule(PhysicsWorld* world, float radius, float height,
                                       const float* offset);
PhysicsCollision* PhysicsCreateCylinder(PhysicsWorld* world, float radius, float height,
                                        const float* offset);
// `count` points of `strideBytes` each; null for fewer than 4 points.
PhysicsCollision* PhysicsCreateConvexHull(PhysicsWorld* world, int count, const float* points,
                                          int strideBytes, const float* offset);
// Static triangle mesh, built between Begin and End.
PhysicsCollision* PhysicsCreateTreeCollision(PhysicsWorld* world);
void PhysicsTreeCollisionBeginBuild(PhysicsCollision* tree);
void PhysicsTreeCollisionAddFace(PhysicsCollision* tree, int vertexCount, const float* vertices,
                                 int strideBytes, int faceAttribute);
void PhysicsTreeCollisionEndBuild(PhysicsCollision* tree, int optimize);
void PhysicsReleaseCollision(PhysicsWorld* world, PhysicsCollision* collision);
// Volume enclosed by the shape (0 for meshes and empty shapes).
float PhysicsCollisionGetVolume(const PhysicsCollision* collision);

// ---- bodies ---------------------------------------------------------------

using PhysicsTransformCallback = void (*)(PhysicsBody* body, const float* matrix);
using PhysicsForceCallback = void (*)(PhysicsBody* body);
// Returns the fluid plane (a, b, c, d): points with a*x + b*y + c*z < d are submerged.
using PhysicsBuoyancyPlane = void (*)(void* context, float* plane);

// A new body is static (no mass) at the identity, in group 0, awake; it takes
// part from the next step or ray cast on, once it has been placed.
PhysicsBody* PhysicsCreateBody(PhysicsWorld* world, PhysicsCollision* collision);
// Also destroys every joint attached to the body (the joint handles stay valid but dead).
void PhysicsDestroyBody(PhysicsWorld* world, PhysicsBody* body);
void PhysicsBodySetUserData(PhysicsBody* body, void* userData);
void* PhysicsBodyGetUserData(const PhysicsBody* body);
// Mass 0 makes the body static again.
void PhysicsBodySetMassMatrix(PhysicsBody* body, float mass, float ixx, float iyy, float izz);
float PhysicsBodyGetMass(const PhysicsBody* body);
// Moving a static body wakes the bodies it touches before or after the move,
// so that resting bodies ride along or are pushed away.
void PhysicsBodySetMatrix(PhysicsBody* body, const float* matrix);
void PhysicsBodyGetMatrix(const PhysicsBody* body, float* matrix);
void PhysicsBodySetTransformCallback(PhysicsBody* body, PhysicsTransformCallback callback);
void PhysicsBodySetForceAndTorqueCallback(PhysicsBody* body, PhysicsForceCallback callback);
// Squared speeds below which the body counts as resting. Bullet sleeps on
// time, not frames: see kPhysicsSleepSeconds.
void PhysicsBodySetFreezeTreshold(PhysicsBody* body, float linearSpeedSq, float angularSpeedSq,
                                  int frames);
void PhysicsBodySetMaterialGroupID(PhysicsBody* body, int id);
int PhysicsBodyGetMaterialGroupID(const PhysicsBody* body);
void PhysicsBodySetContinuousCollisionMode(PhysicsBody* body, int state);
void PhysicsBodyGetAABB(const PhysicsBody* body, float* mins, float* maxs);
void PhysicsBodyGetVelocity(const PhysicsBody* body, float* velocity);
void PhysicsBodySetVelocity(PhysicsBody* body, const float* velocity);
void PhysicsBodyGetOmega(const PhysicsBody* body, float* omega);
// Changes the velocity of the body at `point` (world space) by `deltaVelocity`; wakes it.
void PhysicsAddBodyImpulse(PhysicsBody* body, const float* deltaVelocity, const float* point);
// Forces and torques only count inside the force callback.
void PhysicsBodyAddForce(PhysicsBody* body, const float* force);
void PhysicsBodyAddTorque(PhysicsBody* body, const float* torque);
float PhysicsBodyGetTotalVolume(const PhysicsBody* body);
// Weight plus the lift of the part of the shape below the plane, acting at
// that part's centre, plus viscous drag scaled by the submerged fraction.
// Callers use it instead of adding gravity. Only inside the force callback.
void PhysicsBodyAddBuoyancyForce(PhysicsBody* body, float fluidDensity, float linearViscosity,
                                 float angularViscosity, const float* gravity,
                                 PhysicsBuoyancyPlane plane, void* context);
void PhysicsBodySetLinearDamping(PhysicsBody* body, float damping);
void PhysicsBodySetAngularDamping(PhysicsBody* body, const float* damping);
void PhysicsBodySetAutoFreeze(PhysicsBody* body, int state);
bool PhysicsBodyIsSleeping(const PhysicsBody* body);
// True while the body is frozen for having left the world's extent.
bool PhysicsBodyIsOutsideWorld(const PhysicsBody* body);
void PhysicsWorldUnfreezeBody(PhysicsWorld* world, PhysicsBody* body);
PhysicsWorld* PhysicsBodyGetWorld(const PhysicsBody* body);

// Time a body must rest before it sleeps.
constexpr float kPhysicsSleepSeconds = 0.5f;

// ---- joints ---------------------------------------------------------------
// Pivots and pins are in world space. A null parent ties the child to the world.

PhysicsJoint* PhysicsConstraintCreateUpVector(PhysicsWorld* world, const float* pin,
                                              PhysicsBody* body);
PhysicsJoint* PhysicsConstraintCreateBall(PhysicsWorld* world, const float* pivot,
                                          PhysicsBody* child, PhysicsBody* parent);
// A zero angle leaves that limit off.
void PhysicsBallSetConeLimits(PhysicsJoint* joint, const float* pin, float maxConeAngle,
                              float maxTwistAngle);
PhysicsJoint* PhysicsConstraintCreateHinge(PhysicsWorld* world, const float* pivot,
                                           const float* pin, PhysicsBody* child,
                                           PhysicsBody* parent);
PhysicsJoint* PhysicsConstraintCreateUniversal(PhysicsWorld* world, const float* pivot,
                                               const float* pin0, const float* pin1,
                                               PhysicsBody* child, PhysicsBody* parent);
PhysicsJoint* PhysicsConstraintCreateSlider(PhysicsWorld* world, const float* pivot,
                                            const float* pin, PhysicsBody* child,
                                            PhysicsBody* parent);
// 0.9 and above: as hard as the solver makes it. Below, the joint gives under
// load like a spring that softens as the stiffness falls towards 0.
void PhysicsJointSetStiffness(PhysicsJoint* joint, float stiffness);
float PhysicsJointGetStiffness(const PhysicsJoint* joint);
// 1 lets the two joined bodies collide with each other.
void PhysicsJointSetCollisionState(PhysicsJoint* joint, int state);
int PhysicsJointGetCollisionState(const PhysicsJoint* joint);
// False once a joined body was destroyed (the joint is then inert).
bool PhysicsJointIsAlive(const PhysicsJoint* joint);
void PhysicsDestroyJoint(PhysicsWorld* world, PhysicsJoint* joint);

// ---- queries --------------------------------------------------------------

// Called for every body the segment crosses, in no set order, with the hit
// normal and the parameter t in [0, 1] along p0 -> p1. The return value is
// kept for the callback's signature; all crossings are reported regardless.
using PhysicsRayFilter = float (*)(PhysicsBody* body, const float* normal, int collisionId,
                                   void* userData, float t);
void PhysicsWorldRayCast(PhysicsWorld* world, const float* p0, const float* p1,
                         PhysicsRayFilter filter, void* userData);
