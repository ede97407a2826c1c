#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/registry_hive.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

constexpr char kKilledWriterHive[] = "PARVOLIND_KILLED_WRITER_HIVE";

// Started as a child of the test below, with the hive's path in the environment: changes the
// hive inside a transaction and ends the process hard, neither committing nor rolling back.
// Runs before main, so the child does nothing else.
const bool kRanAsKilledWriter = [] {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA(kKilledWriterHive, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  std::string error;
  std::unique_ptr<RegistryHive> hive = OpenRegistryHive(path, &error);
  if (!hive || hive->BeginTransaction() != RegStatus::kOk) ExitProcess(2);
  const RegValue text{RegType::kSz, std::string("neu\0", 4)};
  RegKey program = 0;
  RegKey jobs = 0;
  RegKey fresh = 0;
  hive->OpenKey("Software\\Orbelt\\Parvolind", false, &program);
  hive->OpenKey("Software\\Orbelt\\Parvolind\\Jobs", false, &jobs);
  if (hive->DeleteKey(jobs, "Alt") != RegStatus::kOk ||
      hive->OpenKey("Software\\Orbelt\\Parvolind\\Jobs\\Neu\\Tief", true, &fresh) !=
          RegStatus::kOk ||
      hive->SetValue(fresh, "Name", text) != RegStatus::kOk ||
      hive->SetValue(program, "BufferSize", text) != RegStatus::kOk ||
      hive->BeginTransaction() != RegStatus::kOk ||
      hive->SetValue(program, "Logfile", text) != RegStatus::kOk) {
    ExitProcess(3);
  }
  TerminateProcess(GetCurrentProcess(), 9);
  return true;
}();

class WindowsRegistryTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = OpenTestHive();
    ASSERT_TRUE(hive_);
  }

  RegKey Open(const std::string& path, bool create = false) {
    RegKey key = 0;
    EXPECT_EQ(hive_->OpenKey(path, create, &key), RegStatus::kOk) << path;
    return key;
  }

  std::string Read(RegKey key, const std::string& name) {
    RegValue value;
    if (hive_->QueryValue(key, name, &value) != RegStatus::kOk) return "<missing>";
    return value.data;
  }

  static RegValue Text(const std::string& text) { return {RegType::kSz, text + '\0'}; }

  // Runs this test program as the killed writer on the test's hive; its exit code.
  DWORD RunKilledWriter() {
    wchar_t self[MAX_PATH];
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return 0;
    std::wstring command = std::wstring(L"\"") + self + L"\" --gtest_list_tests";
    SetEnvironmentVariableA(kKilledWriterHive, PathOf("registry.sqlite").c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &child);
    SetEnvironmentVariableA(kKilledWriterHive, nullptr);
    if (!started) return 0;
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
  }

  std::unique_ptr<RegistryHive> hive_;
};

TEST_F(WindowsRegistryTest, TextsTravelAsUtf16AndKeyNamesKeepTheirCase) {
  const RegKey jobs = Open("\\Software\\Orbelt\\Parvolind\\Jobs", true);
  const RegKey job = Open("Software\\Orbelt\\Parvolind\\Jobs\\Bücher", true);
  ASSERT_EQ(hive_->SetValue(job, "Dir1", Text("C:\\Bücher\\Größe\\")), RegStatus::kOk);
  EXPECT_EQ(Read(job, "dir1"), std::string("C:\\Bücher\\Größe\\") + '\0');
  hive_->CloseKey(job);
  Open("Software\\Orbelt\\Parvolind\\Jobs\\alpha", true);
  Open("Software\\Orbelt\\Parvolind\\Jobs\\Zeta", true);

  std::string name;
  std::vector<std::string> names;
  for (uint32_t i = 0; hive_->EnumKey(jobs, i, &name) == RegStatus::kOk; ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Bücher", "Zeta"}));
  // Another spelling opens the same key; it still has values, so it cannot go as a tree.
  EXPECT_NE(Open("SOFTWARE\\orbelt\\PARVOLIND\\jobs\\BÜCHER"), 0);
  const RegKey parvolind = Open("Software\\Orbelt\\Parvolind");
  EXPECT_EQ(hive_->DeleteKey(parvolind, "Jobs"), RegStatus::kAccessDenied);
  EXPECT_EQ(hive_->DeleteKey(jobs, "alpha"), RegStatus::kOk);
  EXPECT_EQ(hive_->EnumKey(jobs, 2, &name), RegStatus::kNoMoreItems);
}

TEST_F(WindowsRegistryTest, RollbackUndoesEveryChangeOfTheTransactionNewestFirst) {
  const RegKey program = Open("Software\\Orbelt\\Parvolind", true);
  ASSERT_EQ(hive_->SetValue(program, "BufferSize", {RegType::kDword, std::string("\x80\0\0\0", 4)}),
            RegStatus::kOk);
  const RegKey old_job = Open("Software\\Orbelt\\Parvolind\\Jobs\\Alt", true);
  ASSERT_EQ(hive_->SetValue(old_job, "Name", Text("Alt")), RegStatus::kOk);
  hive_->CloseKey(old_job);

  {
    HiveTransaction outer(*hive_);
    ASSERT_EQ(outer.status(), RegStatus::kOk);
    const RegKey jobs = Open("Software\\Orbelt\\Parvolind\\Jobs");
    ASSERT_EQ(hive_->DeleteKey(jobs, "Alt"), RegStatus::kOk);
    const RegKey fresh = Open("Software\\Orbelt\\Parvolind\\Jobs\\Neu\\Tief", true);
    ASSERT_EQ(hive_->SetValue(fresh, "Name", Text("Neu")), RegStatus::kOk);
    ASSERT_EQ(hive_->SetValue(program, "BufferSize", Text("kaputt")), RegStatus::kOk);
    ASSERT_EQ(hive_->SetValue(program, "BufferSize", Text("noch einmal")), RegStatus::kOk);
    ASSERT_EQ(hive_->SetValue(program, "Logfile", {RegType::kDword, std::string(4, '\0')}),
              RegStatus::kOk);
    HiveTransaction inner(*hive_);
    ASSERT_EQ(hive_->DeleteValue(program, "Logfile"), RegStatus::kOk);
    // The inner level gives up: the whole transaction goes, and the outer one cannot commit.
  }

  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey("Software\\Orbelt\\Parvolind\\Jobs\\Neu", false, &key),
            RegStatus::kNotFound);
  EXPECT_EQ(Read(Open("Software\\Orbelt\\Parvolind\\Jobs\\Alt"), "Name"), Text("Alt").data);
  EXPECT_EQ(Read(program, "BufferSize"), std::string("\x80\0\0\0", 4));
  EXPECT_EQ(Read(program, "Logfile"), "<missing>");

  HiveTransaction kept(*hive_);
  ASSERT_EQ(hive_->SetValue(program, "Logfile", {RegType::kDword, std::string("\1\0\0\0", 4)}),
            RegStatus::kOk);
  ASSERT_EQ(kept.Commit(), RegStatus::kOk);
  EXPECT_EQ(Read(program, "Logfile"), std::string("\1\0\0\0", 4));
}

TEST_F(WindowsRegistryTest, AWriterKilledInItsTransactionIsTakenBackByTheNextWriter) {
  const RegKey program = Open("Software\\Orbelt\\Parvolind", true);
  ASSERT_EQ(hive_->SetValue(program, "BufferSize", {RegType::kDword, std::string("\x80\0\0\0", 4)}),
            RegStatus::kOk);
  const RegKey old_job = Open("Software\\Orbelt\\Parvolind\\Jobs\\Alt", true);
  ASSERT_EQ(hive_->SetValue(old_job, "Name", Text("Alt")), RegStatus::kOk);
  hive_->CloseKey(old_job);

  ASSERT_EQ(RunKilledWriter(), 9u) << "the child did not get to its changes";

  // The child's changes are there (reads take nothing back), with its journal beside the hive.
  RegKey key = 0;
  ASSERT_EQ(hive_->OpenKey("Software\\Orbelt\\Parvolind\\Jobs\\Neu", false, &key), RegStatus::kOk);
  EXPECT_EQ(Read(program, "Logfile"), std::string("neu\0", 4));
  // A record cut short at the end, as a kill in the middle of writing one leaves it, is ignored.
  std::ofstream(PathOf("registry.sqlite-journal"), std::ios::binary | std::ios::app) << std::string(
      "PVUJ\x40\0\0\0"
      "01234567"
      "abc",
      19);

  hive_.reset();
  hive_ = OpenTestHive();
  ASSERT_TRUE(hive_);
  EXPECT_EQ(hive_->OpenKey("Software\\Orbelt\\Parvolind\\Jobs\\Neu", false, &key),
            RegStatus::kNotFound);
  EXPECT_EQ(Read(Open("Software\\Orbelt\\Parvolind\\Jobs\\Alt"), "Name"), Text("Alt").data);
  const RegKey reopened = Open("Software\\Orbelt\\Parvolind");
  EXPECT_EQ(Read(reopened, "BufferSize"), std::string("\x80\0\0\0", 4));
  EXPECT_EQ(Read(reopened, "Logfile"), "<missing>");
  EXPECT_EQ(GetFileAttributesA(PathOf("registry.sqlite-journal").c_str()), INVALID_FILE_ATTRIBUTES);

  // The journal is gone with its replay: a change made now stays through the next open.
  ASSERT_EQ(hive_->SetValue(reopened, "Logfile", Text("bleibt")), RegStatus::kOk);
  hive_.reset();
  hive_ = OpenTestHive();
  EXPECT_EQ(Read(Open("Software\\Orbelt\\Parvolind"), "Logfile"), Text("bleibt").data);

  // A hive that was open all along (the desktop program's) takes it back at its next transaction.
  ASSERT_EQ(RunKilledWriter(), 9u);
  const RegKey open_all_along = Open("Software\\Orbelt\\Parvolind");
  ASSERT_EQ(hive_->SetValue(open_all_along, "Minimized", {RegType::kDword, std::string(4, '\0')}),
            RegStatus::kOk);
  EXPECT_EQ(Read(open_all_along, "Logfile"), Text("bleibt").data);
  EXPECT_EQ(hive_->OpenKey("Software\\Orbelt\\Parvolind\\Jobs\\Neu", false, &key),
            RegStatus::kNotFound);
  EXPECT_EQ(Read(Open("Software\\Orbelt\\Parvolind\\Jobs\\Alt"), "Name"), Text("Alt").data);
}

TEST_F(WindowsRegistryTest, TheUserHiveIsTheRealCurrentUserKey) {
  std::string error;
  std::unique_ptr<RegistryHive> user = OpenUserRegistryHive(&error);
  ASSERT_TRUE(user) << error;
  const std::string path =
      "Software\\Orbelt\\ParvolindTest" + std::to_string(GetCurrentProcessId());
  RegKey key = 0;
  ASSERT_EQ(user->OpenKey(path, true, &key), RegStatus::kOk);
  ASSERT_EQ(user->SetValue(key, "Minimized", {RegType::kDword, std::string("\1\0\0\0", 4)}),
            RegStatus::kOk);
  user->CloseKey(key);

  const std::wstring wide(path.begin(), path.end());
  DWORD value = 0;
  DWORD size = sizeof(value);
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, wide.c_str(), L"Minimized", RRF_RT_REG_DWORD, nullptr,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, wide.c_str()), ERROR_SUCCESS);
  RegDeleteKeyW(HKEY_CURRENT_USER, wide.c_str());
}

}  // namespace
}  // namespace parvolind
