#include "support/test_environment.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/path_rules.h"

namespace parvolind::testing {
namespace {
constexpr int kVariableCount = 4;
// XDG_DATA_HOME holds the trash.
const char* const kVariables[kVariableCount] = {"XDG_CONFIG_HOME", "XDG_STATE_HOME",
                                                "XDG_RUNTIME_DIR", "XDG_DATA_HOME"};

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

void UnsetVariable(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

// The file system's path of a UTF-8 path (also on Windows, where a narrow path would be taken
// in the ANSI code page).
std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// A new folder of the test's own below the system's temporary folder.
std::string MakeTemporaryFolder() {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder =
        base / ("parvolind-test-" + std::to_string(random() % 100000000u));
    if (std::filesystem::create_directory(folder, error)) {
      std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, error);
      return folder.string();
    }
  }
  return {};
}
}  // namespace

std::string NativeSeparators(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '/') c = kPathSeparator;
  }
  return native;
}

std::string AbsolutePath(std::string_view posix_path) {
  const std::string path = NativeSeparators(posix_path);
  return kPathSeparator == '/' ? path : "C:" + path;
}

std::vector<std::string> InHiveOrder(RegistryHive& hive, std::vector<std::string> names) {
  // One look at how the hive orders two values set against their name order.
  RegKey key = 0;
  if (hive.OpenKey("Software\\Orbelt\\OrderProbe", true, &key) != RegStatus::kOk) return names;
  hive.SetValue(key, "b", RegValue{RegType::kDword, std::string(4, '\0')});
  hive.SetValue(key, "a", RegValue{RegType::kDword, std::string(4, '\0')});
  std::string first;
  RegValue value;
  hive.EnumValue(key, 0, &first, &value);
  hive.CloseKey(key);
  hive.OpenKey("Software\\Orbelt", false, &key);
  hive.DeleteKey(key, "OrderProbe");
  hive.CloseKey(key);
  if (first == "a") {
    const auto fold = [](std::string text) {
      for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      }
      return text;
    };
    std::sort(names.begin(), names.end(),
              [&fold](const std::string& a, const std::string& b) { return fold(a) < fold(b); });
  }
  return names;
}

int64_t FakeClock::UtcNanoseconds() const {
  tm local{};
  local.tm_year = now_.year - 1900;
  local.tm_mon = now_.month - 1;
  local.tm_mday = now_.day;
  local.tm_hour = now_.hour;
  local.tm_min = now_.minute;
  local.tm_sec = now_.second;
  local.tm_isdst = -1;  // whichever offset the zone has at that moment
  return static_cast<int64_t>(mktime(&local)) * 1000000000 +
         static_cast<int64_t>(now_.millisecond) * 1000000;
}

TempDirTest::TempDirTest() : dir_(MakeTemporaryFolder()) {}

void TempDirTest::SetUp() {
  ASSERT_FALSE(dir_.empty());
  for (int i = 0; i < kVariableCount; ++i) {
    if (const char* value = std::getenv(kVariables[i])) {
      had_[i] = true;
      saved_[i] = value;
    }
    const std::string sub = PathOf("xdg/" + std::to_string(i));
    std::error_code error;
    std::filesystem::create_directories(FsPath(sub), error);
    std::filesystem::permissions(FsPath(sub), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, error);
    SetVariable(kVariables[i], sub);
  }
}

void TempDirTest::TearDown() {
  for (int i = 0; i < kVariableCount; ++i) {
    if (had_[i]) {
      SetVariable(kVariables[i], saved_[i]);
    } else {
      UnsetVariable(kVariables[i]);
    }
  }
}

TempDirTest::~TempDirTest() {
  if (dir_.empty()) return;
  DeleteRegistryHive(PathOf("registry.sqlite"));
  // A test may have left files read-only or folders without write permission.
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(
           dir_, std::filesystem::directory_options::skip_permission_denied, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    if (!it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(dir_, error);
}

std::string TempDirTest::PathOf(const std::string& relative) const {
  return NativeSeparators(dir_ + kPathSeparator + relative);
}

std::string TempDirTest::WriteFile(const std::string& relative, const std::string& content) const {
  const std::string text = PathOf(relative);
  const std::filesystem::path path = FsPath(text);
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return {};
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  file.close();
  if (!file) return {};
  return text;
}

std::unique_ptr<RegistryHive> TempDirTest::OpenTestHive() const {
  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenRegistryHive(PathOf("registry.sqlite"), &error);
  if (!hive) ADD_FAILURE() << error;
  return hive;
}

std::string TempDirTest::ReadFile(const std::string& path) {
  std::ifstream file(FsPath(path), std::ios::binary);
  if (!file) return {};
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace parvolind::testing
