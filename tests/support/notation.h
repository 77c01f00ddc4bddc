// Helpers for tests of the channel reader and its commands: a renderer built
// on channel texts in a scratch folder, a way to run a channel's events one
// after another, and the exact diagnostic line as a death-test pattern.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "renderer/wavelark.h"
#include "support/scratch.h"

namespace testing_support {

// Writes a tune of square-wave channels, channel i holding channels[i].
inline std::filesystem::path writetune(const scratchdir& dir,
                                       const std::vector<std::string>& channels) {
    std::string index = std::to_string(channels.size());
    for (std::size_t c = 0; c < channels.size(); ++c) index += " 0";
    return dir.tune("tune", index + "\n", channels);
}

// A renderer on the tune at `path`, reading its channels as the render loop
// would, but without rendering frames.
inline std::unique_ptr<wavelark> opentune(const std::filesystem::path& path, bool loop = false) {
    return std::make_unique<wavelark>(path.c_str(), loop);
}

inline std::unique_ptr<wavelark> loadtune(const scratchdir& dir,
                                          const std::vector<std::string>& channels,
                                          bool loop = false) {
    return opentune(writetune(dir, channels), loop);
}

// Lets channel ch read up to its `events`-th event, as if every event ended
// the moment it began; the state of the last event started stays in place.
inline void readevents(wavelark& w, int ch, int events) {
    for (int e = 0; e < events; ++e) {
        w.playing[ch] = false;
        w.readcommands(ch);
    }
}

// For a death test: loads the tune, sends standard output (where notation
// errors go) to standard error (what the test's pattern sees) and reads
// channel ch to its end. Exits with status 0 when no error stopped it.
[[noreturn]] inline void readtoend(const std::filesystem::path& path, int ch) {
    std::fflush(stdout);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    const auto w = opentune(path);
    // Bounded, so that a reader stuck on one character fails the test.
    for (int calls = 0; calls < 10000 && w->good[ch]; ++calls) {
        w->playing[ch] = false;
        w->readcommands(ch);
    }
    std::fflush(stdout);
    std::exit(0);
}

// A pattern that matches exactly `text`, every character taken literally.
inline std::string literal(const std::string& text) {
    std::string pattern;
    for (const char c : text) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) pattern += '\\';
        pattern += c;
    }
    return pattern;
}

// The whole output of a run that stops with this notation error.
inline std::string errorline(const std::string& message, int character, int line, int channel) {
    std::string text = "ERROR: ";
    text += message;
    text += " at character " + std::to_string(character);
    text += " of line " + std::to_string(line);
    text += " of channel " + std::to_string(channel);
    text += '\n';
    std::string pattern = "^";
    pattern += literal(text);
    pattern += '$';
    return pattern;
}

// A one-channel notation text and the error it must stop with.
struct notationerror {
    std::string text;
    std::string message;
    int character;
    int line;
};

// Checks that each text, alone in channel 0, stops the run with exactly its
// error line and status 1.
template <class cases>
void expectnotationerrors(const scratchdir& dir, const cases& errors) {
    for (const notationerror& c : errors) {
        SCOPED_TRACE(c.text);
        const auto tune = writetune(dir, {c.text});
        EXPECT_EXIT(readtoend(tune, 0), ::testing::ExitedWithCode(1),
                    errorline(c.message, c.character, c.line, 0));
    }
}

}  // namespace testing_support
