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
    for (const char* name : {"Grass.tga", "grass.tga", "GRASS2.TGA", "TREE.tga", "Tree.tga", "tREE.tga", "music/VOPA.mp3"})
        testsupport::writeBytes(dir + "/" + name, testsupport::Bytes(name, name + std::strlen(name)));
    // Asked-for name, the file read ("" when none).
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"grass.tga", "grass.tga"}, {"Grass.tga", "Grass.tga"}, {"grass2.tga", "GRASS2.TGA"}, {"gRaSs2.TgA", "GRASS2.TGA"},
        {"grass2.tg", ""},                           // same letters, not the same name
        {"tree.TGA", "TREE.tga"},                    // "TREE" < "Tree" < "tREE" in byte order
        {"music//vopa.mp3", "music/VOPA.mp3"}, {"MUSIC//vopa.mp3", ""},   // the folder is taken as given
        {"absent.tga", ""}, {"sub", ""},             // a folder is not a data file
        {"nowhere//x.tga", ""}};
    for (const auto& [asked, found] : cases) {
        testsupport::Bytes bytes = {1, 2, 3};
        EXPECT_EQ(platform::readWholeFile(dir + "//" + asked, bytes), *found != '\0') << asked;
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), found) << asked;
        EXPECT_EQ(platform::resolveDataPath(dir + "//" + asked).empty(), *found == '\0') << asked;
    }
    EXPECT_EQ(platform::resolveDataPath(dir + "/"), "");
    EXPECT_EQ(platform::resolveDataPath(""), "");
    std::filesystem::remove_all(dir);
}

TEST(DataFileTest, WholeFileReadsEveryByte) {
    const std::string dir = testsupport::makeTempDir();
    testsupport::Bytes big(200000);
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = std::uint8_t(i * 7 + i / 251);
    testsupport::writeBytes(dir + "/big.bin", big);
    testsupport::writeBytes(dir + "/empty.bin", {});
    testsupport::Bytes bytes = {9};
    EXPECT_TRUE(platform::readWholeFile(dir + "//BIG.BIN", bytes));
    EXPECT_TRUE(bytes == big);
    EXPECT_TRUE(platform::readWholeFile(dir + "//empty.bin", bytes));
    EXPECT_TRUE(bytes.empty());
    std::FILE* file = platform::openDataFile(dir + "//Big.Bin");
    ASSERT_NE(file, nullptr);
    std::uint8_t head[3] = {};
    EXPECT_EQ(std::fread(head, 1, 3, file), 3u);
    EXPECT_TRUE(std::equal(head, head + 3, big.begin()));
    std::fclose(file);
    EXPECT_EQ(platform::openDataFile(dir + "//absent.bin"), nullptr);
    std::filesystem::remove_all(dir);
}

}  // namespace
