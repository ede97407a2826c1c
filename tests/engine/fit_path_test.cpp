#include "engine/fit_path.h"

#include <gtest/gtest.h>

namespace parvolind {
namespace {

int CharacterCount(std::string_view text) { return static_cast<int>(text.size()); }

std::string Fit(std::string_view path, int width) {
  return FitPathToWidth(path, width, CharacterCount);
}

TEST(FitPathTest, GivesWayDirectoryByDirectoryButNeverCutsTheName) {
  const std::string path = "/data/sub/deep/file.txt";  // 23 characters
  EXPECT_EQ(Fit(path, 23), path);
  EXPECT_EQ(Fit(path, 100), path);
  EXPECT_EQ(Fit(path, 22), "/.../sub/deep/file.txt");
  EXPECT_EQ(Fit(path, 21), "/.../deep/file.txt");
  EXPECT_EQ(Fit(path, 17), "/.../file.txt");
  EXPECT_EQ(Fit(path, 12), ".../file.txt");
  EXPECT_EQ(Fit(path, 11), "file.txt");
  EXPECT_EQ(Fit(path, 1), "file.txt");
  EXPECT_EQ(Fit(path, -100), "file.txt");
}

TEST(FitPathTest, DirectoryPathsRelativePathsAndDrives) {
  // A path ending in the separator has no name: in the end nothing is left of it.
  EXPECT_EQ(Fit("/home/user/docs/", 12), "/.../docs/");
  EXPECT_EQ(Fit("/home/user/docs/", 5), "/.../");
  EXPECT_EQ(Fit("/home/user/docs/", 4), ".../");
  EXPECT_EQ(Fit("/home/user/docs/", 3), "");
  // Without a leading separator the ellipsis stands first.
  EXPECT_EQ(Fit("data/sub/x", 9), ".../sub/x");
  EXPECT_EQ(Fit("data/sub/x", 8), ".../x");
  EXPECT_EQ(Fit("data/sub/x", 4), "x");
  // A drive stays until the directory part is down to "/.../".
  EXPECT_EQ(Fit("C:/data/x.txt", 12), "C:/.../x.txt");
  EXPECT_EQ(Fit("C:/data/x.txt", 11), ".../x.txt");
  EXPECT_EQ(Fit("C:/data/x.txt", 5), "x.txt");
  // A bare name and the root.
  EXPECT_EQ(Fit("name", 1), "name");
  EXPECT_EQ(Fit("/", 0), "");
  // Repeated separators still end.
  EXPECT_EQ(Fit("//x", 1), "x");
}

TEST(FitPathTest, MeasuresTheWholeTextWithTheGivenFunction) {
  // Wide letters: each 'W' counts 10, everything else 1.
  auto measure = [](std::string_view text) {
    int width = 0;
    for (char c : text) width += c == 'W' ? 10 : 1;
    return width;
  };
  EXPECT_EQ(FitPathToWidth("/WW/a/b.txt", 12, measure), "/.../a/b.txt");
}

}  // namespace
}  // namespace parvolind
