#version 330 core
// The one vertex shader of the example, used by every pass and by the final
// anti-aliasing pass. The player draws one large quad per pass; the camera
// ("transform") makes it cover the whole window, so the fragment shaders work
// in window pixels (gl_FragCoord) and ignore the quad's own coordinates.

in vec3 s_vPosition;   // quad corner
in vec2 texCoord;      // quad texture coordinate (spans only a sliver on screen)

uniform mat4 transform;      // projection * view * model of the pass camera
uniform vec3 obj_position;   // the quad's offset, (0, 0, 0) in every pass

out vec2 quadCoord;

void main()
{
    quadCoord = texCoord;
    gl_Position = transform * vec4(s_vPosition + obj_position, 1.0);
}
