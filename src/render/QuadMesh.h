// The one shape the player draws: a 30 x 30 quad at z = 1 facing the z axis,
// as two triangles. Start-up builds the screen quad and the eight pass quads
// from these arrays. Constant data, no owner.
#pragma once

#include <GL/glew.h>

inline constexpr int kQuadVertexCount = 4;
inline constexpr int kQuadTexCoordCount = 4;
inline constexpr int kQuadIndexCount = 6;

// x, y, z per vertex.
inline constexpr float kQuadPositions[kQuadVertexCount * 3] = {
    15.0f, 15.0f, 1.0f, 15.0f, -15.0f, 1.0f, -15.0f, -15.0f, 1.0f, -15.0f, 15.0f, 1.0f,
};

// s, t per vertex.
inline constexpr float kQuadTexCoords[kQuadTexCoordCount * 2] = {
    1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f,
};

inline constexpr GLuint kQuadIndices[kQuadIndexCount] = {0, 1, 2, 3, 2, 0};
