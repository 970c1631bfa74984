#pragma once
// checkDataSet: what ROOT/data/ lacks or holds wrongly, judged with the
// engine's own readers (TGA decoder, 3DS reader, MP3 decoder).
//
// Problems (the demo would miss data): a file the program reads that is
// missing or unreadable, including every material map the models name.
// Warnings (the demo runs, but not as meant): textures whose sides are not
// powers of two, models lacking mesh names their scene animates, material
// keys that clash with keys the program loads itself, a soundtrack shorter
// than the 340 s timeline.
#include <string>
#include <vector>

namespace gen {

struct CheckReport {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
    int filesChecked = 0;
};

CheckReport checkDataSet(const std::string& root);

// The mesh names a model's scene animates; a trailing "*" marks a name
// prefix ("ba*": any mesh whose name begins with "ba"). Empty for a file
// that is not one of the nine models.
std::vector<std::string> expectedMeshNames(const std::string& modelFile);

}  // namespace gen
