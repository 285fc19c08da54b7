// The camera's projection: GLM's perspective with the field of view taken as
// radians, and look-at from the eye to the target.
#include <gtest/gtest.h>

#include <cmath>

#include "render/Camera.h"

namespace {

glm::vec3 toNdc(Camera& camera, glm::vec3 point)
{
    const glm::vec4 clip = camera.getTransform() * glm::vec4(point, 1.0f);
    return glm::vec3(clip) / clip.w;
}

} // namespace

TEST(Camera, FieldOfViewIsHandedToGlmAsRadians)
{
    Camera camera(45.0f, 1.0f, 0.01f, 100.0f);
    camera.setPosition(0.0f, 0.0f, 4.0f);
    camera.setTarget(0.0f, 0.0f, 0.0f);
    EXPECT_EQ(camera.getPosition(), glm::vec3(0.0f, 0.0f, 4.0f));

    // At distance 3 the view reaches 3 * tan(22.5 rad) = 1.67 units from the
    // axis, not 3 * tan(22.5 degrees) = 1.24.
    const float edge = 3.0f * std::tan(22.5f);
    EXPECT_NEAR(edge, 1.674f, 0.001f);
    EXPECT_NEAR(toNdc(camera, glm::vec3(edge, 0.0f, 1.0f)).x, 1.0f, 1e-4f);
    EXPECT_NEAR(toNdc(camera, glm::vec3(0.0f, -edge, 1.0f)).y, -1.0f, 1e-4f);

    // The quad's corner lies far outside clip space.
    const glm::vec3 corner = toNdc(camera, glm::vec3(15.0f, 15.0f, 1.0f));
    EXPECT_GT(corner.x, 8.0f);
    EXPECT_GT(corner.y, 8.0f);
}

TEST(Camera, PassCameraSeesTheQuadFromBehindMirrored)
{
    Camera camera(45.0f, 2.0f, 0.01f, 1100.0f);
    camera.setPosition(0.0f, 0.0f, -0.1f);
    camera.setTarget(0.0f, 0.0f, 0.0f);
    // Looking along +z, world +x appears on the left of the screen.
    const glm::vec3 right = toNdc(camera, glm::vec3(0.1f, 0.0f, 1.0f));
    EXPECT_LT(right.x, 0.0f);
    EXPECT_GT(right.z, -1.0f);
    EXPECT_LT(right.z, 1.0f);
}
