// LoadedDemo (see LoadedDemo.h). Main thread.
#include "app/LoadedDemo.h"

void LoadedDemo::releaseGlObjects()
{
    quads.reset();
    antiAliasProgram.reset();
    renderTargets.reset();
    spectrumTexture = SpectrumTexture();
    demo = DemoContent();
}
