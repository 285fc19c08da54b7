#version 330 core
// The final pass: puts the last pass's picture ("finalTarget") into the
// window, and flashes white with the track "fstr_val" ("fstr").

uniform sampler2D finalTarget;
uniform vec2 iResolution;
uniform float fstr;

out vec4 fragColor;

void main()
{
    vec3 picture = texelFetch(finalTarget, ivec2(gl_FragCoord.xy), 0).rgb;
    fragColor = vec4(mix(picture, vec3(1.0), clamp(fstr, 0.0, 1.0)), 1.0);
}
