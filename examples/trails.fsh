// Scene "ink", second pass: trails. A feedback pass: it reads its own
// picture of the frame before ("previous"), drifted upwards and drawn in
// towards the centre, fading, and lays this frame's ink over it. The
// player keeps two pictures for it and starts them black at the start, on
// a seek and when the window's size changes. Written in the shader sites'
// convention, as ink.fsh.
//   iChannel0  this frame's ink ("pass:0")
//   iChannel1  this pass's own picture of the frame before ("previous")
// Its output is read with linear filtering ("filter": "linear"), so the
// drift by less than a pixel a frame moves smoothly.

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 ink = texture(iChannel0, uv).rgb;

    // By the seconds since the frame before, so the trails look the same at
    // any frame rate, and stand still while the music is paused.
    vec2 drifted = (uv - 0.5) * (1.0 - 0.2 * iTimeDelta) + 0.5 - vec2(0.0, 0.08 * iTimeDelta);
    vec3 trail = texture(iChannel1, drifted).rgb * exp(-2.5 * iTimeDelta);

    fragColor = vec4(max(ink, trail), 1.0);
}
