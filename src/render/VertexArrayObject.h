// An indexed triangle mesh on the GPU, bound to a program's "s_vPosition" and
// "texCoord" attributes and drawn with the camera and object uniforms.
//
// Main thread, GL context current. The mesh owns its vertex array and two
// buffers and deletes them when it goes away; it is move-only. It does not
// own the arrays it was made from and reads them only while constructing.
#pragma once

#include <GL/glew.h>
#include <glm/glm.hpp>

#include "platform/ConsoleSink.h"
#include "render/Camera.h"
#include "render/GlName.h"
#include "render/ShaderProgram.h"

class VertexArrayObject {
public:
    // Uploads `vertexCount` xyz positions followed by `texCoordCount` uv pairs
    // (texCoords may be null with a count of 0) into one buffer and
    // `indexCount` indices into another. Writes the mesh's creation report
    // to `console`'s account with `serial`, the number its maker gives it (start-up numbers its
    // meshes 0, 1, ... in the order it makes them).
    VertexArrayObject(int serial, const float* positions, const float* texCoords, const GLuint* indices,
                      int vertexCount, int texCoordCount, int indexCount, ConsoleSink& console);

    // Makes `program` the one draw uses and points the attributes it declares
    // at this mesh's buffers. Call again whenever the program changes.
    void bindAttributes(const ShaderProgram& program);

    // Draws the whole mesh with the program of the last bindAttributes,
    // setting "transform", "cameraPosition", "obj_position", "obj_rotation".
    void draw(Camera camera);

    // Sent as "obj_position"; starts at (0, 0, 0).
    void setPosition(float x, float y, float z);
    // Sent unchanged as "obj_rotation"; starts at (1, 1, 1, 1).
    void setRotation(float x, float y, float z, float w);

    GLuint getVertexArray() const { return vertexArray.get(); }
    GLuint getVertexBuffer() const { return vertexBuffer.get(); }
    GLuint getIndexBuffer() const { return indexBuffer.get(); }

private:
    bool hasTexCoords;
    GlName vertexArray;
    GlName vertexBuffer;
    GlName indexBuffer;
    GLint positionLocation = -1;
    GLint texCoordLocation = -1;
    int vertexCount;
    int indexCount;
    int texCoordCount;
    GLuint programId = 0;
    glm::vec3 position{0.0f, 0.0f, 0.0f};
    glm::vec4 rotation{1.0f, 1.0f, 1.0f, 1.0f};
};
