// wavelark: renders a tune directory into a stereo 44100 Hz WAV file.
#include "driver/options.h"
#include "driver/render.h"

int main(int argc, char** argv) {
    const settings run = readoptions(argc, argv);
    return render(run);
}
