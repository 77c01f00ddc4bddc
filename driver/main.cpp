// wavelark: renders a tune directory into a stereo 44100 Hz WAV file.
#include <iostream>
#include <new>

#include "driver/options.h"
#include "driver/render.h"
#include "renderer/wavelark.h"

int main(int argc, char** argv) {
    const settings run = readoptions(argc, argv);
    try {
        return render(run);
    } catch (const std::bad_alloc&) {
        // Unwinding has removed the temporary file; the output is untouched.
        std::cerr << "wavelark: out of memory" << std::endl;
        return fatalstatus;
    }
}
