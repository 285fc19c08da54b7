#version 140
// Pure red: the end-to-end tests look for it on screen.
out vec4 colour;
void main()
{
    colour = vec4(1.0, 0.0, 0.0, 1.0);
}
