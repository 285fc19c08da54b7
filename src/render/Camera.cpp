// Camera: perspective and look-at through GLM. A value with no GL state.
#include "render/Camera.h"

#include <glm/gtc/matrix_transform.hpp>

Camera::Camera(float fovy, float aspect, float zNear, float zFar)
    : projection(glm::perspective(fovy, aspect, zNear, zFar))
{
}

void Camera::setPosition(float x, float y, float z)
{
    position = glm::vec3(x, y, z);
}

void Camera::setTarget(float x, float y, float z)
{
    target = glm::vec3(x, y, z);
}

glm::mat4 Camera::getTransform()
{
    view = glm::lookAt(position, target, glm::vec3(0.0f, 1.0f, 0.0f));
    model = glm::mat4(1.0f);
    return projection * view * model;
}
