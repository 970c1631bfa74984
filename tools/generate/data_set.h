#pragma once
// generateDataSet: writes the complete data folder the demo reads,
// ROOT/data/ (textures, nine models) and ROOT/data/music/vopa.mp3.
// Deterministic: the same generator writes byte-identical files.
#include <functional>
#include <string>
#include <vector>

namespace gen {

struct GenerateOptions {
    // The synthesized soundtrack (when the synthesizer is built in) or a
    // few seconds of placeholder music.
    bool placeholderMusic = false;
    // Called before each file with its path relative to ROOT and how many
    // files come before it and in all.
    std::function<void(const std::string& file, int index, int total)> progress;
};

bool generateDataSet(const std::string& root, const GenerateOptions& options, std::string* error);

// The placeholder soundtrack: `seconds` of a soft chord, as MP3.
bool writePlaceholderMusic(const std::string& path, double seconds, std::string* error);

// Every file generateDataSet writes, relative to ROOT ("data/wt.tga", ...).
std::vector<std::string> dataSetFiles();

}  // namespace gen
