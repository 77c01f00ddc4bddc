// The renderer: one object per run, holding the tune's channel files and the
// whole per-channel state that the notation changes and the mixer reads.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// One stereo sample period of the 44100 Hz output. Unsigned 32-bit; wraps.
using frames = std::uint32_t;

inline constexpr int samplerate = 44100;
inline constexpr int maxchannels = 4;
inline constexpr std::size_t maxdirlen = 256;

namespace steps {
class phasecache;
}

class wavelark {
public:
    // The state one channel's generator carries from frame to frame.
    struct notespec {
        frames sample;           // frames of the current event rendered so far
        std::int32_t period;     // base length of one waveform cycle
        frames envrun;           // envelope step length, or tremolo width
        frames sweeprun;         // frames over which the sweep adds sweeprise, or vibrato width
        frames phase;            // position in the current cycle
        frames cycle;            // length of the current cycle
        float inflection;        // fraction of the cycle where the shape turns, 0..1
        std::int32_t sweeprise;  // sweep rise, or vibrato depth, in frames
        std::int8_t envrise;     // envelope rise, or tremolo depth, in level steps
        std::uint8_t volume;     // base level
        std::uint8_t level;      // current peak level after envelope or tremolo
        bool tremolo;            // envrise/envrun describe a tremolo, not an envelope
        bool vibrato;            // sweeprise/sweeprun describe a vibrato, not a sweep
        std::int32_t noisebit;   // the noise generator's current bit, 0 or 1
    };

    // A channel's note state before any command.
    static constexpr notespec freshnote{.sample = 0,
                                        .period = 100,
                                        .envrun = 1,
                                        .sweeprun = 1,
                                        .phase = 0,
                                        .cycle = 100,
                                        .inflection = 0.5f,
                                        .sweeprise = 0,
                                        .envrise = 0,
                                        .volume = 128,
                                        .level = 128,
                                        .tremolo = false,
                                        .vibrato = false,
                                        .noisebit = 1};

    // Loads the tune directory `dir` and readies every channel; on an error in
    // the directory prints one message and ends the process with status 1.
    wavelark(const char* dir, bool loop);
    // Closes the channel files that are still open.
    ~wavelark();
    wavelark(const wavelark&) = delete;
    wavelark& operator=(const wavelark&) = delete;

    // Fills buf with n 8-bit unsigned values: interleaved left/right frames,
    // zeros after the tune's last frame. An odd n stores only the left value
    // of the last frame; n <= 0 stores, reads and changes nothing. Ends the
    // process on a notation error.
    void parse8(std::uint8_t* buf, int n, float gain);
    // The same with n signed 16-bit values in the host's byte order.
    void parse16(std::int16_t* buf, int n, float gain);
    // True once the tune has ended; stays true.
    bool done() const { return !active; }

    // Clamps an integer to 0..255.
    static inline std::uint8_t tobyte(int value);

    // The five generators: each advances the note state by one frame and
    // returns one sample between 0 and the level.
    static std::uint8_t square(notespec& note);
    static std::uint8_t tri(notespec& note);
    static std::uint8_t noise(notespec& note);
    static std::uint8_t sine(notespec& note);
    static std::uint8_t ptri(notespec& note);
    // The same over `count` consecutive frames of one event: each frame's
    // sample goes to `samples` and the level after it to `levels`, and the
    // note's frame count advances by one per frame, as the mixer would. The
    // shaped generators keep their cycle's shape in `cache` (may be null).
    static void square(notespec& note, std::uint8_t* samples, std::uint8_t* levels, frames count);
    static void tri(notespec& note, steps::phasecache* cache, std::uint8_t* samples,
                    std::uint8_t* levels, frames count);
    static void noise(notespec& note, std::uint8_t* samples, std::uint8_t* levels, frames count);
    // Several noise channels (at most maxchannels) through the same frames:
    // they share one random sequence, drawn in the order given in each frame.
    static void noise(notespec* const* notes, std::uint8_t* const* samples,
                      std::uint8_t* const* levels, int channels, frames count);
    static void sine(notespec& note, steps::phasecache* cache, std::uint8_t* samples,
                     std::uint8_t* levels, frames count);
    static void ptri(notespec& note, steps::phasecache* cache, std::uint8_t* samples,
                     std::uint8_t* levels, frames count);

    // Runs channel ch's commands until an event starts or its input ends.
    void readcommands(int ch);

    // Channel state. The notation commands write it, the mixer reads it;
    // every per-channel array has numchannels elements.
    int numchannels = 0;
    std::array<char, maxdirlen + 1> tunedir{};
    std::array<std::ifstream, maxchannels> channelfile;
    std::vector<std::int32_t> wavetype;
    bool loop = false;
    std::vector<char> curchar;
    std::vector<std::int32_t> linenum;
    std::vector<std::int32_t> charnum;
    std::vector<notespec> notes;
    std::vector<std::int32_t> unitlen;
    std::vector<float> pan;
    std::vector<std::int32_t> octave;
    std::vector<frames> duration;
    std::vector<bool> playing;
    std::vector<bool> resting;
    std::vector<bool> good;
    std::vector<std::int32_t> partner;
    bool active = false;
    bool anygood = false;

    // Whether the mixer may use the processor's 256-bit vector instructions
    // (the results are the same either way).
    static bool haswidevectors();
    bool widevectors = haswidevectors();

private:
    static void openchannel(std::array<std::ifstream, maxchannels>& files, int channel,
                            const std::string& path);
    std::string channelpath(int ch) const;
    void readindex(const std::string& path);
    void resetchannel(int ch);

    // Frame renderer and mixer (mixer.cpp).
    struct block {
        void* buf;
        int n;
        float gain;
        bool sixteen;
    };
    void parse(void* buf, int n, float gain, bool sixteen);
    void preparemixer();
    bool ringmodulating() const;
    frames steadyspan(frames room) const;
    void renderspan(frames span, const block& out, std::int64_t at);
    void generatespan(int ch, frames span);
    static std::uint8_t* spanbuffer(std::vector<std::uint8_t>& buffer, int ch);
    void mixspan16(frames span, const block& out, std::int64_t at);
    void mixspan8(frames span, const block& out, std::int64_t at);
    bool renderframe(std::vector<std::uint8_t>& cursample, const block& out, std::int64_t at);
    void ringmodulate(int ch, std::vector<std::uint8_t>& cursample);

    // The longest span rendered at once, in frames, and the mixer's working
    // buffers, sized once by the constructor.
    static constexpr frames spancapacity = 8192;
    std::vector<std::uint8_t> spansamples;
    std::vector<std::uint8_t> spanlevels;
    std::vector<steps::phasecache> shapes;

    // Channel reader (reader.cpp).
    void advance(int ch);
    std::int32_t readnumber(int ch);
    float readfraction(int ch, const char* message);
    void dispatch(int ch);
    void endofinput(int ch);
    void linebreak(int ch);
    void comment(int ch);
    [[noreturn]] void fail(int ch, const char* message) const;

    // Events (notecommands.cpp).
    void note(int ch, int semitone);
    void rawnote(int ch);
    void rest(int ch);
    void unitlength(int ch);
    void setoctave(int ch);
    void startevent(int ch, std::int32_t length);

    // Settings (paramcommands.cpp).
    struct modulation {
        std::int32_t rise;
        frames run;
        bool triangle;
    };
    modulation readmodulation(int ch, const char* message);
    void setvolume(int ch);
    void envelope(int ch);
    void sweep(int ch);
    void inflect(int ch);
    void setpan(int ch);
    void ringpartner(int ch);
};

// Lower-cases an ASCII capital; every other value passes unchanged.
char lcase(char x);

// Fatal notation error: prints "ERROR: ..." with the position on standard
// output and ends the process with status 1.
[[noreturn]] void bitch(const char* message, int line, int character, int channel);
// Positioned warning on standard output; the channel goes on.
void whine(const char* message, int line, int character, int channel);
// Ends the run after a fatal message, flushing the standard streams. Fuzzing
// builds (WAVELARK_FUZZ) throw `fatalrun` instead, so one process can go on
// to the next input.
[[noreturn]] void failrun();
struct fatalrun {};

// Exit status of every fatal error in the tune directory or the notation.
inline constexpr int fatalstatus = 1;
