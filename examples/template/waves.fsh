#version 330 core
// Pass 0: coloured waves over the scene's image. Change a number, save, and
// the player shows the result.

uniform vec2 iResolution;   // window size in pixels
uniform float iGlobalTime;  // music time in seconds
uniform float fft;          // the spectrum value the fft_sampling_index track picks
uniform float speed;        // the track "speed" (tracks/speed.txt)
uniform sampler2D tex0;     // the scene's first texture, image.png

out vec4 fragColor;

void main()
{
    vec2 uv = gl_FragCoord.xy / iResolution;   // 0..1, (0, 0) at the bottom left
    // Images have their top row at t = 0, so flip t to see them upright.
    vec3 image = texture(tex0, vec2(uv.x, 1.0 - uv.y) * 2.0).rgb;

    float t = iGlobalTime * speed;
    float wave = sin(uv.x * 10.0 + t) + sin(uv.y * 7.0 - t * 1.3) + sin((uv.x + uv.y) * 5.0 + t * 0.7);
    vec3 colour = 0.5 + 0.5 * cos(wave + vec3(0.0, 2.1, 4.2));
    fragColor = vec4(mix(colour, image, 0.35) * (1.0 + 2.0 * fft), 1.0);
}
