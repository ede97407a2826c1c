#include "engine/fit_path.h"

#include <gtest/gtest.h>

#include "support/test_environment.h"

namespace parvolind {
namespace {

int CharacterCount(std::string_view text) { return static_cast<int>(text.size()); }

// The cases hold on every platform, with its own separator for every '/'.
std::string P(std::string_view path) { return testing::NativeSeparators(path); }

std::string Fit(std::string_view path, int width) {
  return FitPathToWidth(P(path), width, CharacterCount);
}

TEST(FitPathTest, GivesWayDirectoryByDirectoryButNeverCutsTheName) {
  const std::string path = "/data/sub/deep/file.txt";  // 23 characters
  EXPECT_EQ(Fit(path, 23), P(path));
  EXPECT_EQ(Fit(path, 100), P(path));
  EXPECT_EQ(Fit(path, 22), P("/.../sub/deep/file.txt"));
  EXPECT_EQ(Fit(path, 21), P("/.../deep/file.txt"));
  EXPECT_EQ(Fit(path, 17), P("/.../file.txt"));
  EXPECT_EQ(Fit(path, 12), P(".../file.txt"));
  EXPECT_EQ(Fit(path, 11), P("file.txt"));
  EXPECT_EQ(Fit(path, 1), P("file.txt"));
  EXPECT_EQ(Fit(path, -100), P("file.txt"));
}

TEST(FitPathTest, DirectoryPathsRelativePathsAndDrives) {
  // A path ending in the separator has no name: in the end nothing is left of it.
  EXPECT_EQ(Fit("/home/user/docs/", 12), P("/.../docs/"));
  EXPECT_EQ(Fit("/home/user/docs/", 5), P("/.../"));
  EXPECT_EQ(Fit("/home/user/docs/", 4), P(".../"));
  EXPECT_EQ(Fit("/home/user/docs/", 3), P(""));
  // Without a leading separator the ellipsis stands first.
  EXPECT_EQ(Fit("data/sub/x", 9), P(".../sub/x"));
  EXPECT_EQ(Fit("data/sub/x", 8), P(".../x"));
  EXPECT_EQ(Fit("data/sub/x", 4), P("x"));
  // A drive stays until the directory part is down to "/.../".
  EXPECT_EQ(Fit("C:/data/x.txt", 12), P("C:/.../x.txt"));
  EXPECT_EQ(Fit("C:/data/x.txt", 11), P(".../x.txt"));
  EXPECT_EQ(Fit("C:/data/x.txt", 5), P("x.txt"));
  // A bare name and the root.
  EXPECT_EQ(Fit("name", 1), P("name"));
  EXPECT_EQ(Fit("/", 0), P(""));
  // Repeated separators still end.
  EXPECT_EQ(Fit("//x", 1), P("x"));
}

TEST(FitPathTest, MeasuresTheWholeTextWithTheGivenFunction) {
  // Wide letters: each 'W' counts 10, everything else 1.
  auto measure = [](std::string_view text) {
    int width = 0;
    for (char c : text) width += c == 'W' ? 10 : 1;
    return width;
  };
  EXPECT_EQ(FitPathToWidth(P("/WW/a/b.txt"), 12, measure), P("/.../a/b.txt"));
}

}  // namespace
}  // namespace parvolind
