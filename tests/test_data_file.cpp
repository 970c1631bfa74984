// Data files: exact name first, then the file name without regard to letter
// case in the folder given; whole-file reads.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/data_file.h"
#include "support/paths.h"

namespace {

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir = testsupport::makeTempDir(); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void write(const std::string& relative, const std::string& text) {
        std::ofstream(dir + "/" + relative, std::ios::binary) << text;
    }
    std::string read(const std::string& path) {
        std::vector<std::uint8_t> bytes;
        if (!platform::readWholeFile(path, bytes)) return "<none>";
        return std::string(bytes.begin(), bytes.end());
    }

    std::string dir;
};

TEST_F(DataFileTest, ExactNameWinsOverOtherCases) {
    write("Grass.tga", "upper");
    write("grass.tga", "lower");
    EXPECT_EQ(read(dir + "//grass.tga"), "lower");
    EXPECT_EQ(read(dir + "//Grass.tga"), "upper");
}

TEST_F(DataFileTest, FileNameMatchesInAnyLetterCase) {
    write("GRASS.TGA", "grass");
    EXPECT_EQ(platform::resolveDataPath(dir + "//grass.tga"), dir + "//GRASS.TGA");
    EXPECT_EQ(read(dir + "//grass.tga"), "grass");
    EXPECT_EQ(read(dir + "//gRaSs.TgA"), "grass");
    EXPECT_EQ(read(dir + "//grass.tg"), "<none>");   // same letters, not the same name
}

TEST_F(DataFileTest, FolderIsTakenAsGiven) {
    std::filesystem::create_directory(dir + "/music");
    write("music/VOPA.mp3", "tune");
    EXPECT_EQ(read(dir + "//music//vopa.mp3"), "tune");
    EXPECT_EQ(read(dir + "//MUSIC//vopa.mp3"), "<none>");
}

TEST_F(DataFileTest, SeveralMatchesPickTheFirstByName) {
    write("TREE.tga", "a");
    write("Tree.tga", "b");
    write("tREE.tga", "c");
    EXPECT_EQ(read(dir + "//tree.TGA"), "a");   // "TREE" < "Tree" < "tREE" in byte order
}

TEST_F(DataFileTest, MissingFilesAndFoldersGiveNothing) {
    std::filesystem::create_directory(dir + "/Sub");
    std::vector<std::uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(platform::readWholeFile(dir + "//absent.tga", bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(platform::openDataFile(dir + "//absent.tga"), nullptr);
    EXPECT_EQ(platform::resolveDataPath(dir + "//sub"), "");   // a folder is not a data file
    EXPECT_EQ(platform::resolveDataPath(dir + "/nowhere//x.tga"), "");
    EXPECT_EQ(platform::resolveDataPath(dir + "/"), "");
    EXPECT_EQ(platform::resolveDataPath(""), "");
}

TEST_F(DataFileTest, WholeFileReadsEveryByte) {
    std::string big(200000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7 + i / 251);
    write("big.bin", big);
    write("empty.bin", "");
    EXPECT_EQ(read(dir + "//BIG.BIN"), big);
    std::vector<std::uint8_t> bytes = {9};
    EXPECT_TRUE(platform::readWholeFile(dir + "//empty.bin", bytes));
    EXPECT_TRUE(bytes.empty());

    std::FILE* file = platform::openDataFile(dir + "//Big.Bin");
    ASSERT_NE(file, nullptr);
    char head[3] = {0, 0, 0};
    EXPECT_EQ(std::fread(head, 1, 3, file), 3u);
    EXPECT_EQ(std::string(head, 3), big.substr(0, 3));
    std::fclose(file);
}

}  // namespace
