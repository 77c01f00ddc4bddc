// Loading a tune directory: channels.txt, the channel files and every
// channel's starting state.
#include <cstring>
#include <filesystem>
#include <iostream>

#include "generators/phasecache.h"
#include "renderer/wavelark.h"

namespace {

constexpr int highestwavetype = 4;

[[noreturn]] void missingfile(const std::string& path) {
    std::cerr << "ERROR- Failed to find file " << path << '\n';
    failrun();
}

[[noreturn]] void badindex(const std::string& what, const std::string& path) {
    std::cerr << "ERROR- " << what << " in file " << path << '\n';
    failrun();
}

}  // namespace

void wavelark::openchannel(std::array<std::ifstream, maxchannels>& files, int channel,
                           const std::string& path) {
    std::ifstream& file = files[channel];
    file.clear();
    // A directory opens like a file here but never yields a character; it is
    // as missing as no file at all.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) missingfile(path);
    file.open(path, std::ios::binary);
    if (!file.is_open()) missingfile(path);
}

std::string wavelark::channelpath(int ch) const {
    return std::string(tunedir.data()) + "/channel" + std::to_string(ch) + ".wlk";
}

// Reads the channel count and one wave type per channel. A count or wave
// type that is missing or no integer, and a negative count, stop the run:
// the tune's shape would otherwise be guesswork.
void wavelark::readindex(const std::string& path) {
    std::error_code ignored;
    std::ifstream index;
    if (!std::filesystem::is_directory(path, ignored)) index.open(path);
    if (!index.is_open()) missingfile(path);

    int count = 0;
    if (!(index >> count)) badindex("Missing or unreadable channel count", path);
    if (count < 0) badindex("Negative channel count " + std::to_string(count), path);
    if (count > maxchannels) {
        std::cerr << "Too many channels- " << count << " requested, " << maxchannels
                  << "supported.\n";
        count = maxchannels;
    }
    numchannels = count;
    wavetype.assign(numchannels, 0);
    for (int c = 0; c < numchannels; ++c) {
        if (!(index >> wavetype[c]))
            badindex("Missing or unreadable wave type for channel " + std::to_string(c), path);
        if (wavetype[c] > highestwavetype) {
            std::cerr << "Requested wave type undefined.  Substituting square wave.\n";
            wavetype[c] = 0;
        }
    }
}

void wavelark::resetchannel(int ch) {
    linenum[ch] = 0;
    charnum[ch] = 0;
    notes[ch] = freshnote;
    unitlen[ch] = samplerate;
    pan[ch] = 0.5f;
    octave[ch] = 3;
    duration[ch] = samplerate;
    playing[ch] = false;
    resting[ch] = true;
    partner[ch] = -1;
}

wavelark::wavelark(const char* dir, bool loop) {
    if (std::strlen(dir) > maxdirlen) {
        std::cout << "Directory path too long.  Please restrict to 256 characters or fewer.\n";
        failrun();
    }
    std::strcpy(tunedir.data(), dir);

    readindex(std::string(dir) + "/channels.txt");

    curchar.assign(numchannels, 0);
    linenum.assign(numchannels, 0);
    charnum.assign(numchannels, 0);
    notes.assign(numchannels, notespec{});
    unitlen.assign(numchannels, 0);
    pan.assign(numchannels, 0.0f);
    octave.assign(numchannels, 0);
    duration.assign(numchannels, 0);
    playing.assign(numchannels, false);
    resting.assign(numchannels, true);
    good.assign(numchannels, false);
    partner.assign(numchannels, -1);

    preparemixer();

    for (int c = 0; c < numchannels; ++c) openchannel(channelfile, c, channelpath(c));

    anygood = false;
    for (int c = 0; c < numchannels; ++c) {
        // The first character, read like every later one; the counters
        // start at 0 again below.
        advance(c);
        resetchannel(c);
        anygood = anygood || good[c];
    }
    active = anygood;
    this->loop = loop;
}

wavelark::~wavelark() {
    for (int c = 0; c < numchannels; ++c)
        if (channelfile[c].is_open()) channelfile[c].close();
}
