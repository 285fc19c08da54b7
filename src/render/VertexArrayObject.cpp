// VertexArrayObject: upload once, rebind per program, draw with four uniforms.
//
// Main thread, GL context current.
#include "render/VertexArrayObject.h"

#include <cstdint>

#include <glm/gtc/type_ptr.hpp>

#include "platform/ConsoleSink.h"
#include "render/PlayerUniforms.h"

VertexArrayObject::VertexArrayObject(int serial, const float* positions, const float* texCoords, const GLuint* indices,
                                     int vertexCount, int texCoordCount, int indexCount, ConsoleSink& console)
    : hasTexCoords(texCoords != nullptr), vertexCount(vertexCount), indexCount(indexCount),
      texCoordCount(texCoords != nullptr ? texCoordCount : 0)
{
    console.out() << "\n[\n Vertex Array Object: " << serial << "\n";

    vertexArray = GlName::generate(GlName::Kind::VertexArray);
    glBindVertexArray(vertexArray.get());

    console.out() << " Number of vertices: " << vertexCount << "\n"
                  << " Number of indices: " << indexCount << "\n"
                  << " Number of texture coordinates: " << this->texCoordCount << "\n"
                  << "]\n";

    // Positions first, then the texture coordinates, each tightly packed.
    const GLsizeiptr positionBytes = static_cast<GLsizeiptr>(vertexCount) * 3 * sizeof(float);
    const GLsizeiptr texCoordBytes = static_cast<GLsizeiptr>(this->texCoordCount) * 2 * sizeof(float);
    vertexBuffer = GlName::generate(GlName::Kind::Buffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, positionBytes + texCoordBytes, nullptr, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, positionBytes, positions);
    if (texCoordBytes > 0)
        glBufferSubData(GL_ARRAY_BUFFER, positionBytes, texCoordBytes, texCoords);

    // The element buffer binding is recorded in the vertex array.
    indexBuffer = GlName::generate(GlName::Kind::Buffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer.get());
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount) * sizeof(GLuint), indices,
                 GL_STATIC_DRAW);
}

void VertexArrayObject::bindAttributes(const ShaderProgram& program)
{
    programId = program.getProgramId();
    positionLocation = glGetAttribLocation(programId, "s_vPosition");
    texCoordLocation = glGetAttribLocation(programId, "texCoord");

    // Bound first, so the pointers below are recorded in this mesh's array.
    glBindVertexArray(vertexArray.get());
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    // An attribute the program does not declare is left alone rather than
    // handed to GL as index -1.
    if (positionLocation >= 0)
        glVertexAttribPointer(static_cast<GLuint>(positionLocation), 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    if (texCoordLocation >= 0) {
        const std::uintptr_t offset = static_cast<std::uintptr_t>(vertexCount) * 3 * sizeof(float);
        glVertexAttribPointer(static_cast<GLuint>(texCoordLocation), 2, GL_FLOAT, GL_FALSE, 0,
                              reinterpret_cast<const void*>(offset));
    }
}

void VertexArrayObject::draw(Camera camera)
{
    glUseProgram(programId);
    const glm::mat4 transform = camera.getTransform();
    glUniformMatrix4fv(glGetUniformLocation(programId, uniforms::kTransform.name), 1, GL_FALSE,
                       glm::value_ptr(transform));
    const glm::vec3 eye = camera.getPosition();
    glUniform3f(glGetUniformLocation(programId, uniforms::kCameraPosition.name), eye.x, eye.y, eye.z);
    glUniform3f(glGetUniformLocation(programId, uniforms::kObjectPosition.name), position.x, position.y, position.z);
    glUniform4f(glGetUniformLocation(programId, uniforms::kObjectRotation.name), rotation.x, rotation.y, rotation.z,
                rotation.w);

    glBindVertexArray(vertexArray.get());
    if (positionLocation >= 0)
        glEnableVertexAttribArray(static_cast<GLuint>(positionLocation));
    if (hasTexCoords && texCoordLocation >= 0)
        glEnableVertexAttribArray(static_cast<GLuint>(texCoordLocation));
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, nullptr);
}

void VertexArrayObject::setPosition(float x, float y, float z)
{
    position = glm::vec3(x, y, z);
}

void VertexArrayObject::setRotation(float x, float y, float z, float w)
{
    rotation = glm::vec4(x, y, z, w);
}
