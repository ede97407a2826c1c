#include "store/reg_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/hive_dump.h"
#include "support/test_environment.h"

namespace parvolind {
namespace {

using namespace std::string_literals;

constexpr const char* kProgram = "Software\\Orbelt\\Parvolind";

class RegFileTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    hive_ = Open("registry.sqlite");
    ASSERT_NE(hive_, nullptr);
  }

  std::unique_ptr<RegistryHive> Open(const std::string& file) {
    std::string error;
    auto hive = OpenRegistryHive(PathOf(file), &error);
    EXPECT_NE(hive, nullptr) << error;
    return hive;
  }

  static void Set(RegistryHive& hive, const std::string& path, const std::string& name,
                  RegType type, const std::string& data) {
    RegKey key = 0;
    ASSERT_EQ(hive.OpenKey(path, true, &key), RegStatus::kOk) << path;
    ASSERT_EQ(hive.SetValue(key, name, RegValue{type, data}), RegStatus::kOk) << name;
    hive.CloseKey(key);
  }

  static bool Get(RegistryHive& hive, const std::string& path, const std::string& name,
                  RegValue* value) {
    RegKey key = 0;
    if (hive.OpenKey(path, false, &key) != RegStatus::kOk) return false;
    const bool found = hive.QueryValue(key, name, value) == RegStatus::kOk;
    hive.CloseKey(key);
    return found;
  }

  std::string Export(RegistryHive& hive, const std::string& path) {
    std::string bytes;
    std::string error;
    EXPECT_TRUE(ExportRegistryKey(hive, path, &bytes, &error)) << error;
    return bytes;
  }

  void Import(const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(ImportRegFile(*hive_, bytes, &error)) << error;
  }

  std::unique_ptr<RegistryHive> hive_;
};

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// UTF-16LE of a UTF-8 text (of valid UTF-8 only).
std::string Utf16Le(const std::string& utf8) {
  std::string bytes;
  const auto unit = [&bytes](uint32_t value) {
    bytes.push_back(static_cast<char>(value & 0xff));
    bytes.push_back(static_cast<char>(value >> 8));
  };
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
    i += length;
    if (code >= 0x10000) {
      unit(0xD800 | ((code - 0x10000) >> 10));
      unit(0xDC00 | ((code - 0x10000) & 0x3FF));
    } else {
      unit(code);
    }
  }
  return bytes;
}

std::string HexList(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    if (!text.empty()) text += ',';
    text += kDigits[c >> 4];
    text += kDigits[c & 0xf];
  }
  return text;
}

TEST_F(RegFileTest, ExportWritesTheRegistryEditorFormat) {
  Set(*hive_, kProgram, "", RegType::kSz, "Standard\0"s);
  Set(*hive_, kProgram, "BufferSize", RegType::kDword, Bytes({0x80, 0, 0, 0}));
  Set(*hive_, kProgram, "Pfad", RegType::kSz, "C:\\Daten \"neu\"\0"s);
  Set(*hive_, std::string(kProgram) + "\\Jobs\\Backup", "Name", RegType::kSz, "Backup\0"s);
  Set(*hive_, std::string(kProgram) + "\\Jobs\\Backup", "NextSync", RegType::kBinary,
      Bytes({0, 0, 0, 0, 0, 0xa0, 0xe6, 0x40}));

  const std::string expected =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind]\r\n"
      "@=\"Standard\"\r\n"
      "\"BufferSize\"=dword:00000080\r\n"
      "\"Pfad\"=\"C:\\\\Daten \\\"neu\\\"\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs]\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs\\Backup]\r\n"
      "\"Name\"=\"Backup\"\r\n"
      "\"NextSync\"=hex:00,00,00,00,00,a0,e6,40\r\n"
      "\r\n";
  EXPECT_EQ(Export(*hive_, "\\Software\\Orbelt\\Parvolind"), expected);

  // A missing key is an error, not an empty export.
  std::string bytes;
  std::string error;
  EXPECT_FALSE(ExportRegistryKey(*hive_, "Software\\Nirgends", &bytes, &error));
  EXPECT_EQ(error, "Der Schlüssel HKEY_CURRENT_USER\\Software\\Nirgends existiert nicht.");
}

TEST_F(RegFileTest, ExportInsideATransactionKeepsTheCallersChanges) {
  {
    HiveTransaction transaction(*hive_);
    ASSERT_EQ(transaction.status(), RegStatus::kOk);
    Set(*hive_, "Offen", "x", RegType::kDword, Bytes({7, 0, 0, 0}));
    EXPECT_NE(Export(*hive_, "Offen").find("\"x\"=dword:00000007"), std::string::npos);
    std::string bytes;
    EXPECT_FALSE(ExportRegistryKey(*hive_, "Fehlt", &bytes, nullptr));
    ASSERT_EQ(transaction.Commit(), RegStatus::kOk);
  }
  auto other = Open("registry.sqlite");  // a second connection sees the commit
  RegValue value;
  ASSERT_TRUE(Get(*other, "Offen", "x", &value));
  EXPECT_EQ(value.data, Bytes({7, 0, 0, 0}));
}

TEST_F(RegFileTest, ExportWrapsLongHexLinesAsTheRegistryEditorDoes) {
  std::string shell_state;
  for (int i = 0; i < 36; ++i) shell_state.push_back(static_cast<char>(i));
  Set(*hive_, "Wrap", "ShellState", RegType::kBinary, shell_state);
  std::string big;
  for (int i = 0; i < 1000; ++i) big.push_back(static_cast<char>(i * 7));
  Set(*hive_, "Wrap", "Gross", RegType::kExpandSz, big);

  const std::string text = Export(*hive_, "Wrap");
  // 20 bytes fill the first line up to column 77, then a backslash; continuation
  // lines carry 25 bytes behind two spaces.
  const std::string first = "\"ShellState\"=hex:" + HexList(shell_state.substr(0, 20)) + ",\\\r\n";
  const std::string second = "  " + HexList(shell_state.substr(20)) + "\r\n";
  EXPECT_NE(text.find(first + second), std::string::npos) << text;

  const size_t start = text.find("\"Gross\"=hex(2):");
  ASSERT_NE(start, std::string::npos);
  std::vector<std::string> lines;
  for (size_t pos = start;;) {
    const size_t end = text.find("\r\n", pos);
    lines.push_back(text.substr(pos, end - pos));
    if (lines.back().back() != '\\') break;
    pos = end + 2;
  }
  ASSERT_GT(lines.size(), 10u);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 80u) << i;
    if (i > 0) {
      EXPECT_EQ(lines[i].substr(0, 2), "  ");
    }
    if (i > 0 && i + 1 < lines.size()) {
      EXPECT_EQ(lines[i].size(), 2u + 25 * 3 + 1) << i;
    }
  }
}

TEST_F(RegFileTest, RoundTripKeepsEveryTypeNameAndCaseByteForByte) {
  const std::string root = kProgram;
  std::string long_binary;
  for (int i = 0; i < 700; ++i) long_binary.push_back(static_cast<char>(255 - i % 256));
  // A hive that keeps its texts in UTF-16 (the Windows registry) cannot keep bytes that are no
  // UTF-8, nor a text without its NUL, byte for byte.
  Set(*hive_, root, "Probe", RegType::kSz, "\xff");
  {
    RegKey probe = 0;
    RegValue value;
    ASSERT_EQ(hive_->OpenKey(root, false, &probe), RegStatus::kOk);
    hive_->QueryValue(probe, "Probe", &value);
    hive_->DeleteValue(probe, "Probe");
    hive_->CloseKey(probe);
    if (value.data != "\xff") GTEST_SKIP() << "This hive keeps its texts in UTF-16.";
  }
  Set(*hive_, root, "", RegType::kSz, "Vorgabe\0"s);
  Set(*hive_, root, "Quote\"And\\Back\\", RegType::kSz, "\"x\"\\\\y\\\0"s);
  Set(*hive_, root, "Größe Ä", RegType::kSz, "Grüße aus Köln\0"s);
  Set(*hive_, root, "@", RegType::kSz, "kein Standardwert\0"s);
  Set(*hive_, root, "Leer", RegType::kSz, "\0"s);
  Set(*hive_, root, "OhneNul", RegType::kSz, "abc");
  Set(*hive_, root, "NulInnen", RegType::kSz, "a\0b\0"s);
  Set(*hive_, root, "Zeilen", RegType::kSz, "eins\r\nzwei\ndrei\0"s);
  Set(*hive_, root, "NichtUtf8", RegType::kSz, "\xff\xfe\x80\0"s);
  Set(*hive_, root, "GarNichts", RegType::kSz, "");
  Set(*hive_, root, "Zahl", RegType::kDword, Bytes({10, 0, 0, 0}));
  Set(*hive_, root, "Negativ", RegType::kDword, Bytes({0xff, 0xff, 0xff, 0xff}));
  Set(*hive_, root, "KurzDword", RegType::kDword, Bytes({1, 2, 3}));
  Set(*hive_, root, "Binär", RegType::kBinary, long_binary);
  Set(*hive_, root, "BinärLeer", RegType::kBinary, "");
  Set(*hive_, root, "Erweitert", RegType::kExpandSz, "%HOME%/daten\0"s);
  Set(*hive_, root, "Mehrfach", RegType::kMultiSz, "eins\0zwei\0\0"s);
  Set(*hive_, root, "Q", RegType::kQword, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  Set(*hive_, root, "Keiner", RegType::kNone, "");
  Set(*hive_, root, "Fremd", static_cast<RegType>(0x12345), "roh");
  Set(*hive_, root, "Big", RegType::kDwordBigEndian, Bytes({0, 0, 0, 1}));
  Set(*hive_, root + "\\Jobs\\Backup Täglich", "Name", RegType::kSz, "Backup Täglich\0"s);
  Set(*hive_, root + "\\Jobs\\alpha", "Dir1", RegType::kSz, "/home/a/\0"s);
  Set(*hive_, root + "\\Jobs\\Beta", "Dir1", RegType::kSz, "/home/b/\0"s);
  Set(*hive_, root + "\\Jobs\\Beta\\Tief\\Tiefer", "x", RegType::kDword, Bytes({1, 0, 0, 0}));
  Set(*hive_, root + "\\MiXeD CaSe", "", RegType::kBinary, "");
  RegKey empty = 0;
  ASSERT_EQ(hive_->OpenKey(root + "\\Leerer Schlüssel", true, &empty), RegStatus::kOk);
  hive_->CloseKey(empty);

  const std::string text = Export(*hive_, root);
  EXPECT_EQ(text.substr(0, 3), "Win");  // no byte order mark
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
  }
  EXPECT_NE(text.find("\"Zahl\"=dword:0000000a\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Negativ\"=dword:ffffffff\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"OhneNul\"=hex(1):61,62,63\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Leer\"=\"\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"GarNichts\"=hex(1):\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"KurzDword\"=hex(4):01,02,03\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Q\"=hex(b):01,02,03,04,05,06,07,08\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Fremd\"=hex(12345):72,6f,68\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Keiner\"=hex(0):\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Quote\\\"And\\\\Back\\\\\"=\"\\\"x\\\"\\\\\\\\y\\\\\"\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\"@\"=\"kein Standardwert\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"Vorgabe\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Größe Ä\"=\"Grüße aus Köln\"\r\n"), std::string::npos);
  // Sub-keys in the hive's case-insensitive order, each after its parent's values.
  const size_t alpha = text.find("\\Jobs\\alpha]");
  const size_t backup = text.find("\\Jobs\\Backup Täglich]");
  const size_t beta = text.find("\\Jobs\\Beta]");
  const size_t deep = text.find("\\Jobs\\Beta\\Tief\\Tiefer]");
  const size_t leer = text.find("\\Leerer Schlüssel]");
  EXPECT_TRUE(alpha < backup && backup < beta && beta < deep && deep < leer) << text;
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");

  auto copy = Open("copy.sqlite");
  std::string error;
  ASSERT_TRUE(ImportRegFile(*copy, text, &error)) << error;
  const std::string original = testing::DumpHiveTree(*hive_, root);
  EXPECT_NE(original.find("Tiefer"), std::string::npos);
  EXPECT_EQ(testing::DumpHiveTree(*copy, root), original);
  EXPECT_EQ(Export(*copy, root), text);
}

TEST_F(RegFileTest, ImportReadsAHandWrittenFile) {
  Set(*hive_, "Software\\Alt\\Kind\\Enkel", "a", RegType::kDword, Bytes({1, 0, 0, 0}));
  Set(*hive_, "Software\\Alt\\Kind2", "b", RegType::kDword, Bytes({2, 0, 0, 0}));
  Set(*hive_, "Software\\Alt", "c", RegType::kDword, Bytes({3, 0, 0, 0}));
  Set(*hive_, "Software\\Bleibt", "weg", RegType::kSz, "x\0"s);
  Set(*hive_, "Software\\Bleibt", "da", RegType::kSz, "y\0"s);
  Set(*hive_, "Software\\Nachbar", "n", RegType::kSz, "z\0"s);

  const std::string file =
      "Windows Registry Editor Version 5.00  \r\n"
      "\r\n"
      "; eine Sicherung von Hand\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Alt]\r\n"
      "[-HKCU\\Software\\GabEsNie]\n"
      "\r\n"
      "  [HKCU\\Software\\Neu\\Tief]\r\n"
      "@=\"Standard\"\r\n"
      "\"Text\" = \"mit \\\"Zitat\\\" und C:\\\\Pfad und C:\\roh\"\r\n"
      "\"Zahl\"=dword:0000002A\r\n"
      "\"Kurz\"=DWORD:ff\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "    03,04,\\\n"
      "  05\r\n"
      "\"Leer\"=hex:\r\n"
      "\"Erw\"=hex(2):25,00\r\n"
      "\"Multi\"=hex(7):61,00,62,00,00\r\n"
      "\"Q\"=hex(B):1,2,3,4,5,6,7,8\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Bleibt]\r\n"
      "\"weg\"=-\r\n"
      "\"gabesnie\"=-\r\n";
  Import(file);

  RegValue value;
  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey("Software\\Alt", false, &key), RegStatus::kNotFound);
  EXPECT_EQ(hive_->OpenKey("Software\\Nachbar", false, &key), RegStatus::kOk);
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "", &value));
  EXPECT_EQ(value.type, RegType::kSz);
  EXPECT_EQ(value.data, "Standard\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Text", &value));
  EXPECT_EQ(value.data, "mit \"Zitat\" und C:\\Pfad und C:\\roh\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Zahl", &value));
  EXPECT_EQ(value.type, RegType::kDword);
  EXPECT_EQ(value.data, Bytes({42, 0, 0, 0}));
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Kurz", &value));
  EXPECT_EQ(value.data, Bytes({255, 0, 0, 0}));
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Bin", &value));
  EXPECT_EQ(value.type, RegType::kBinary);
  EXPECT_EQ(value.data, Bytes({1, 2, 3, 4, 5}));
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Leer", &value));
  EXPECT_EQ(value.data, "");
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Erw", &value));
  EXPECT_EQ(value.type, RegType::kExpandSz);
  EXPECT_EQ(value.data, "%\0"s);  // a UTF-8 file's bytes are taken as they are
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Multi", &value));
  EXPECT_EQ(value.type, RegType::kMultiSz);
  EXPECT_EQ(value.data, "a\0b\0\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Neu\\Tief", "Q", &value));
  EXPECT_EQ(value.type, RegType::kQword);
  EXPECT_EQ(value.data, Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_FALSE(Get(*hive_, "Software\\Bleibt", "weg", &value));
  EXPECT_TRUE(Get(*hive_, "Software\\Bleibt", "da", &value));

  // REGEDIT4 with a UTF-8 byte order mark and LF line ends.
  Import(
      "\xEF\xBB\xBFREGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vier]\n\"Name\"=\"Übung\"\n"
      "\"Erw\"=hex(2):25,48,25,00\n");
  ASSERT_TRUE(Get(*hive_, "Software\\Vier", "Name", &value));
  EXPECT_EQ(value.data, "Übung\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Vier", "Erw", &value));
  EXPECT_EQ(value.data, "%H%\0"s);
}

TEST_F(RegFileTest, ImportConvertsAUtf16File) {
  const std::string expand = Utf16Le("%HOME%/Bäume") + std::string(2, '\0');
  const std::string multi =
      Utf16Le("eins") + std::string(2, '\0') + Utf16Le("zwö") + std::string(4, '\0');
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Ünicode \xF0\x9F\x98\x80]\r\n"
      "\"Grüße\"=\"Straße \\\"7\\\" \xF0\x9F\x98\x80\"\r\n"
      "\"Erw\"=hex(2):" +
      HexList(expand) +
      "\r\n"
      "\"Multi\"=hex(7):" +
      HexList(multi) +
      "\r\n"
      "\"Bin\"=hex:ff,fe\r\n";
  Import("\xFF\xFE" + Utf16Le(text));

  const std::string key = "Software\\Ünicode \xF0\x9F\x98\x80";
  RegValue value;
  ASSERT_TRUE(Get(*hive_, key, "Grüße", &value));
  EXPECT_EQ(value.type, RegType::kSz);
  EXPECT_EQ(value.data, "Straße \"7\" \xF0\x9F\x98\x80\0"s);
  ASSERT_TRUE(Get(*hive_, key, "Erw", &value));
  EXPECT_EQ(value.type, RegType::kExpandSz);
  EXPECT_EQ(value.data, "%HOME%/Bäume\0"s);
  ASSERT_TRUE(Get(*hive_, key, "Multi", &value));
  EXPECT_EQ(value.data, "eins\0zwö\0\0"s);
  ASSERT_TRUE(Get(*hive_, key, "Bin", &value));  // binary data stay as they are
  EXPECT_EQ(value.data, Bytes({0xff, 0xfe}));

  // String data of odd length cannot be UTF-16.
  std::string error;
  EXPECT_FALSE(ImportRegFile(
      *hive_,
      "\xFF\xFE" + Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n[HKCU\\Software\\X]\r\n"
                           "\"E\"=hex(2):41,00,42\r\n"),
      &error));
  EXPECT_EQ(error, "Zeile 4: Ungültige UTF-16-Daten (ungerade Anzahl Bytes)");
}

TEST_F(RegFileTest, ImportConvertsARegedit4FileFromTheWindowsCodePage) {
  // "Übung €", "Straße" and an expand string "Mül" in Windows-1252.
  Import(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Stra\xDF"
      "e]\r\n"
      "\"Name\"=\"\xDC"
      "bung \x80\"\r\n\"Erw\"=hex(2):4d,fc,6c,00\r\n\"Bin\"=hex:fc\r\n");
  RegValue value;
  ASSERT_TRUE(Get(*hive_, "Software\\Straße", "Name", &value));
  EXPECT_EQ(value.data, "Übung €\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Straße", "Erw", &value));
  EXPECT_EQ(value.data, "Mül\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Straße", "Bin", &value));
  EXPECT_EQ(value.data, Bytes({0xfc}));

  // One written as UTF-8 on this system is taken as it is.
  Import("REGEDIT4\n[HKCU\\Software\\Vier]\n\"Name\"=\"Übung\"\n\"Erw\"=hex(2):c3,bc,00\n");
  ASSERT_TRUE(Get(*hive_, "Software\\Vier", "Name", &value));
  EXPECT_EQ(value.data, "Übung\0"s);
  ASSERT_TRUE(Get(*hive_, "Software\\Vier", "Erw", &value));
  EXPECT_EQ(value.data, "ü\0"s);
}

TEST_F(RegFileTest, ImportRefusesJobNamesTheStoreRefuses) {
  Set(*hive_, "Software\\Orbelt\\Parvolind\\Jobs\\Gut", "Name", RegType::kSz, "Gut"s + '\0');
  const std::string before = testing::DumpHiveTree(*hive_, kProgram);
  for (const std::string key : {"Software\\Orbelt\\Parvolind\\Jobs\\Ta\tb",
                                "software\\ORBELT\\parvolind\\jobs\\x\x01y\\Unter"}) {
    std::string error;
    EXPECT_FALSE(ImportRegFile(*hive_,
                               "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind]\r\n\"A\"=\"1\"\r\n"
                               "[HKEY_CURRENT_USER\\" +
                                   key + "]\r\n",
                               &error));
    EXPECT_EQ(error, "Zeile 5: Die Auftrags-Bezeichnung darf keine Steuerzeichen enthalten");
    EXPECT_EQ(testing::DumpHiveTree(*hive_, kProgram), before);
  }
  // Such a key, however it came there, can still be deleted by a file.
  Set(*hive_, "Software\\Orbelt\\Parvolind\\Jobs\\Ta\tb", "Name", RegType::kSz, "x"s + '\0');
  Import("REGEDIT4\r\n[-HKCU\\Software\\Orbelt\\Parvolind\\Jobs\\Ta\tb]\r\n");
  EXPECT_EQ(testing::DumpHiveTree(*hive_, kProgram), before);
}

TEST_F(RegFileTest, BrokenFileChangesNothingAndNamesTheLine) {
  Set(*hive_, kProgram, "BufferSize", RegType::kDword, Bytes({0x80, 0, 0, 0}));
  Set(*hive_, std::string(kProgram) + "\\Jobs\\Backup", "Name", RegType::kSz, "Backup\0"s);
  const std::string before = testing::DumpHiveTree(*hive_, "");
  ASSERT_NE(before.find("Backup"), std::string::npos);

  const std::string good =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind\\Jobs]\r\n"
      "[HKEY_CURRENT_USER\\Software\\Orbelt\\Parvolind]\r\n"
      "\"BufferSize\"=dword:00000020\r\n"
      "\"Neu\"=\"x\"\r\n";  // lines 1 to 6
  struct Case {
    std::string tail;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"\"Kaputt\"=hex:01,0g\r\n", "Zeile 7: Ungültige Hex-Daten"},
      {"\"Kaputt\"=hex:01,234\r\n", "Zeile 7: Ungültige Hex-Daten"},
      {"\"Kaputt\"=hex:01,,02\r\n", "Zeile 7: Ungültige Hex-Daten"},
      {"\"Kaputt\"=hex:01,\\\r\n  02 \\ 03\r\n", "Zeile 8: Ungültige Hex-Daten"},
      {"\"Kaputt\"=hex:01,02,\\", "Zeile 7: Die Fortsetzungszeile fehlt"},
      {"\"Kaputt\"=hex(zz):01\r\n", "Zeile 7: Ungültiger Typ in hex(...)"},
      {"\"Kaputt\"=hex(1:01\r\n", "Zeile 7: Ungültiger Typ in hex(...)"},
      {"\"Kaputt\"=dword:123456789\r\n",
       "Zeile 7: Ungültiger DWORD-Wert (erwartet werden 1 bis 8 Hex-Ziffern)"},
      {"\"Kaputt\"=dword:\r\n",
       "Zeile 7: Ungültiger DWORD-Wert (erwartet werden 1 bis 8 Hex-Ziffern)"},
      {"\"Kaputt\"=\"offen\r\n", "Zeile 7: Das schließende Anführungszeichen des Werts fehlt"},
      {"\"Kaputt=\"x\"\r\n", "Zeile 7: Das Gleichheitszeichen fehlt"},
      {"\"Kaputt\r\n", "Zeile 7: Das schließende Anführungszeichen des Wertnamens fehlt"},
      {"\"Kaputt\"=\"x\" y\r\n", "Zeile 7: Unerwarteter Text nach dem Wert"},
      {"\"Kaputt\"=zahl:1\r\n", "Zeile 7: Ungültiger Wert"},
      {"\"Kaputt\"=\r\n", "Zeile 7: Ungültiger Wert"},
      {"[HKEY_CURRENT_USER\\Software\r\n", "Zeile 7: Die schließende Klammer ] fehlt"},
      {"[HKEY_CURRENT_USER\\Software] x\r\n", "Zeile 7: Unerwarteter Text nach dem Schlüssel"},
      {"[HKEY_LOCAL_MACHINE\\Software]\r\n",
       "Zeile 7: Der Schlüssel liegt nicht unter HKEY_CURRENT_USER"},
      {"[HKEY_CURRENT_USERS]\r\n", "Zeile 7: Der Schlüssel liegt nicht unter HKEY_CURRENT_USER"},
      {"[]\r\n", "Zeile 7: Der Schlüssel liegt nicht unter HKEY_CURRENT_USER"},
      {"[HKCU\\Software\\\\Doppelt]\r\n",
       "Zeile 7: Ungültiger Schlüsselname (leerer Name im Pfad)"},
      {"[HKCU\\" + std::string(256, 'k') + "]\r\n",
       "Zeile 7: Ungültiger Schlüsselname (mehr als 255 Zeichen)"},
      {"[-HKEY_CURRENT_USER]\r\n", "Zeile 7: HKEY_CURRENT_USER selbst kann nicht gelöscht werden"},
      {"[-HKCU\\Software\\X]\r\n\"Wert\"=\"ohne Schlüssel\"\r\n",
       "Zeile 8: Wert ohne vorangehenden Schlüssel"},
      {"Text ohne Form\r\n",
       "Zeile 7: Unerwarteter Text, erwartet wird ein Schlüssel in [ ] oder ein Wert"},
      {"\"Lang\"=hex:" + std::string(1 << 20, 'a') + "\r\n", "Zeile 7: Ungültige Hex-Daten"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ImportRegFile(*hive_, good + c.tail, &error)) << c.tail;
    EXPECT_EQ(error, c.error) << c.tail;
    ASSERT_EQ(testing::DumpHiveTree(*hive_, ""), before) << c.tail;
  }

  // Files that are no registry files at all.
  const std::vector<std::string> not_registry = {
      "",
      "\r\n" + good,
      "Windows Registry Editor Version 4.00\r\n",
      "[HKEY_CURRENT_USER\\Software]\r\n",
      std::string("\x7f"
                  "ELF\x02\x01\x01\0\0\0",
                  10) +
          std::string(5000, '\xff'),
      "\xFE\xFF\0W\0i",
      "\xFF\xFE" + Utf16Le("Windows Registry Editor Version 5.00") + "A",
  };
  for (const std::string& bytes : not_registry) {
    std::string error;
    EXPECT_FALSE(ImportRegFile(*hive_, bytes, &error));
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  ImportRegFile(*hive_, "Hallo Welt", &error);
  EXPECT_EQ(error,
            "Zeile 1: Keine Registrierungsdatei (die erste Zeile muss \"Windows Registry Editor "
            "Version 5.00\" oder \"REGEDIT4\" lauten)");
  EXPECT_EQ(testing::DumpHiveTree(*hive_, ""), before);

  // The same changes without the broken line go through.
  Import(good);
  RegValue value;
  ASSERT_TRUE(Get(*hive_, kProgram, "BufferSize", &value));
  EXPECT_EQ(value.data, Bytes({0x20, 0, 0, 0}));
  RegKey key = 0;
  EXPECT_EQ(hive_->OpenKey(std::string(kProgram) + "\\Jobs", false, &key), RegStatus::kNotFound);
}

TEST_F(RegFileTest, DamagedFilesNeverBreakTheParser) {
  Set(*hive_, "M", "", RegType::kSz, "Vorgabe \"x\" \\\0"s);
  Set(*hive_, "M", "Zahl", RegType::kDword, Bytes({1, 2, 3, 4}));
  Set(*hive_, "M", "Lang", RegType::kBinary, std::string(60, 'x'));
  Set(*hive_, "M\\Kind", "Mehr", RegType::kMultiSz, "ab\0c\0\0"s);  // even length
  const std::string text = Export(*hive_, "M");
  const std::string utf16 = "\xFF\xFE" + Utf16Le(text);
  std::vector<RegFileChange> changes;
  std::string error;
  ASSERT_TRUE(ParseRegFile(text, &changes, &error)) << error;
  ASSERT_TRUE(ParseRegFile(utf16, &changes, &error)) << error;

  // Every truncation and every single damaged byte either parses or fails with a
  // message; nothing else may happen.
  const std::string damage = std::string("\\\"[]\r\n,=-;@:()\xff", 15) + '\0';
  for (const std::string* source : {&text, &utf16}) {
    for (size_t i = 0; i <= source->size(); ++i) {
      if (!ParseRegFile(source->substr(0, i), &changes, &error)) {
        EXPECT_FALSE(error.empty()) << i;
      }
      if (i == source->size()) break;
      for (char c : damage) {
        std::string changed = *source;
        changed[i] = c;
        if (!ParseRegFile(changed, &changes, &error)) {
          EXPECT_FALSE(error.empty()) << i;
        }
      }
    }
  }
  // A file of nothing but line ends.
  EXPECT_TRUE(ParseRegFile("REGEDIT4" + std::string(1 << 20, '\n'), &changes, &error)) << error;
  EXPECT_TRUE(changes.empty());
  EXPECT_FALSE(ParseRegFile(std::string(kMaxRegFileSize + 1, '\n'), &changes, &error));
  EXPECT_EQ(error, "Die Datei ist zu groß für eine Registrierungsdatei (mehr als 64 MB).");
}

TEST_F(RegFileTest, ParseReportsEveryChangeWithItsLine) {
  std::vector<RegFileChange> changes;
  std::string error;
  ASSERT_TRUE(ParseRegFile(
      "REGEDIT4\r\n[HKCU\\A]\r\n\"x\"=-\r\n\"y\"=hex:01,\\\r\n 02\r\n[-HKCU\\A\\B]\r\n", &changes,
      &error))
      << error;
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0].kind, RegFileChange::Kind::kOpenKey);
  EXPECT_EQ(changes[0].key_path, "A");
  EXPECT_EQ(changes[0].line, 2);
  EXPECT_EQ(changes[1].kind, RegFileChange::Kind::kDeleteValue);
  EXPECT_EQ(changes[1].name, "x");
  EXPECT_EQ(changes[2].kind, RegFileChange::Kind::kSetValue);
  EXPECT_EQ(changes[2].line, 4);
  EXPECT_EQ(changes[2].value.data, Bytes({1, 2}));
  EXPECT_EQ(changes[3].kind, RegFileChange::Kind::kDeleteKey);
  EXPECT_EQ(changes[3].key_path, "A\\B");
  EXPECT_EQ(changes[3].line, 6);
}

}  // namespace
}  // namespace parvolind
