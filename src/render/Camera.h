// The camera value a mesh draw takes its "transform" and "cameraPosition" from.
//
// A plain value built on the stack for each draw; it owns nothing. Any thread,
// though only the GL thread uses it.
#pragma once

#include <glm/glm.hpp>

class Camera {
public:
    // GLM's right-handed perspective with clip depth -1..1. `fovy` is in
    // radians, as GLM takes it, and is handed over unchanged. The aspect must
    // be finite and non-zero.
    Camera(float fovy, float aspect, float zNear, float zFar);

    void setPosition(float x, float y, float z);
    void setTarget(float x, float y, float z);
    glm::vec3 getPosition() const { return position; }

    // projection * view * model, with view looking from the position at the
    // target (up is +y) and model the identity.
    glm::mat4 getTransform();

private:
    glm::mat4 projection{1.0f};
    glm::mat4 view{1.0f};
    glm::mat4 model{1.0f};
    glm::vec3 position{0.0f};
    glm::vec3 target{0.0f};
};
