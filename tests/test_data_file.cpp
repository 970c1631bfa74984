// Data files: exact name first, then the file name in any letter case in
// the folder given (the first match by name); whole-file reads.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/data_file.h"
#include "support/paths.h"
#include "support/tool_files.h"

namespace {

TEST(DataFileTest, NamesResolveExactFirstThenInAnyLetterCaseWithinTheGivenFolder) {
    const std::string dir = testsupport::makeTempDir();
    std::filesystem::create_directories(dir + "/music");
    std::filesystem::create_directories(dir + "/Sub");
    for (const char* name : {"Grass.tga", "grass.tga", "GRASS2.TGA", "TREE.tga", "Tree.tga", "music/VOPA.mp3"})
        testsupport::writeBytes(dir + "/" + name, testsupport::Bytes(name, name + std::strlen(name)));
    testsupport::Bytes big(200000);   // a whole read takes every byte
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = std::uint8_t(i * 7 + i / 251);
    testsupport::writeBytes(dir + "/big.bin", big);
    // Asked-for name, the file read ("" when none).
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"grass.tga", "grass.tga"}, {"Grass.tga", "Grass.tga"}, {"gRaSs2.TgA", "GRASS2.TGA"},
        {"grass2.tg", ""},                           // same letters, not the same name
        {"tree.TGA", "TREE.tga"},                    // "TREE" < "Tree" in byte order
        {"music//vopa.mp3", "music/VOPA.mp3"}, {"MUSIC//vopa.mp3", ""},   // the folder is taken as given
        {"sub", ""}};                                // a folder is not a data file
    for (const auto& [asked, found] : cases) {
        testsupport::Bytes bytes = {1, 2, 3};
        EXPECT_EQ(platform::readWholeFile(dir + "//" + asked, bytes), *found != '\0') << asked;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), found) << asked;
        EXPECT_EQ(platform::resolveDataPath(dir + "//" + asked).empty(), *found == '\0') << asked;
    }
    testsupport::Bytes bytes;
    EXPECT_TRUE(platform::readWholeFile(dir + "//BIG.BIN", bytes) && bytes == big);
    std::FILE* file = platform::openDataFile(dir + "//Big.Bin");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(platform::openDataFile(dir + "//absent.bin"), nullptr);
    std::filesystem::remove_all(dir);
}

}  // namespace
