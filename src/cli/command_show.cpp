#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ostream>

#include "cli/cli_commands.h"
#include "store/job_store.h"
#include "store/registry_key.h"

namespace parvolind::cli {
namespace {

enum class Kind { kString, kBoolean, kInteger, kDateTime };

Kind KindOf(std::string_view name) {
  for (std::string_view text :
       {"Name", "Definition", "Execution", "Dir1", "Dir2", "Filter", "Time"}) {
    if (name == text) return Kind::kString;
  }
  for (std::string_view number : {"FilterType", "FilterValue", "Intervall", "Recover"}) {
    if (name == number) return Kind::kInteger;
  }
  return name == job_value::kNextSync ? Kind::kDateTime : Kind::kBoolean;
}

// The shortest text that reads back as the same double.
std::string ExactNumber(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

std::string DateTimeText(DateTime value, const Locale& locale) {
  if (value == 0.0) return "kein Termin (0)";
  const LocalTime time = DecodeDateTime(value);
  char clock[8];
  std::snprintf(clock, sizeof(clock), "%02d:%02d", time.hour % 100, time.minute % 100);
  return locale.FormatShortDate(time) + " " + clock + " (" + ExactNumber(value) + ")";
}

// Value names compare as the store compares them: A-Z without regard to case.
bool SameValueName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return fold(x) == fold(y);
  });
}

// A value that is not part of a job's layout, shown by its stored type.
std::string RawText(const RegValue& value) {
  switch (value.type) {
    case RegType::kSz:
    case RegType::kExpandSz:
      return value.data.substr(0, value.data.find('\0'));
    case RegType::kDword:
      if (value.data.size() == 4) {
        uint32_t bits = 0;
        for (size_t i = 4; i > 0; --i)
          bits = bits << 8 | static_cast<unsigned char>(value.data[i - 1]);
        return std::to_string(static_cast<int32_t>(bits));
      }
      break;
    default:
      break;
  }
  std::string hex = "hex(" + std::to_string(static_cast<uint32_t>(value.type)) + "):";
  for (size_t i = 0; i < value.data.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof(byte), "%s%02x", i == 0 ? "" : ",",
                  static_cast<unsigned char>(value.data[i]));
    hex += byte;
  }
  return hex;
}

}  // namespace

int ShowCommand(CliContext& context, const std::vector<std::string>& args) {
  if (args.size() != 1) {
    context.err << "Aufruf: parvolind-cli show NAME\n";
    return kExitUsage;
  }
  const std::string& name = args.front();
  const JobStore store(context.hive, context.clock, context.locale);
  if (!store.JobExists(name)) {
    context.err << "Der Auftrag '" << name << "' existiert nicht.\n";
    return kExitUsage;
  }

  RegistryKey key(context.hive);
  key.OpenForReading(JobKeyPath(name));
  bool all_readable = true;
  for (std::string_view value_name : kJobValueNames) {
    std::string text;
    try {
      // A damaged store is no job without values: its error is reported, not "<fehlt>".
      if (!key.ValueExistsOrThrow(value_name)) {
        text = "<fehlt>";
      } else {
        switch (KindOf(value_name)) {
          case Kind::kString:
            text = key.ReadString(value_name);
            break;
          case Kind::kBoolean:
            text = key.ReadBool(value_name) ? "1" : "0";
            break;
          case Kind::kInteger:
            text = std::to_string(key.ReadInteger(value_name));
            break;
          case Kind::kDateTime:
            text = DateTimeText(key.ReadDateTime(value_name), context.locale);
            break;
        }
      }
    } catch (const RegistryError& e) {
      text = std::string("<") + e.what() + ">";
      all_readable = false;
    }
    context.out << value_name << '=' << text << '\n';
  }
  // Values that do not belong to the layout are still part of the key.
  for (const std::string& value_name : key.ValueNames()) {
    bool known = false;
    for (std::string_view known_name : kJobValueNames) {
      known = known || SameValueName(value_name, known_name);
    }
    RegValue value;
    if (!known && key.QueryRaw(value_name, &value)) {
      context.out << value_name << '=' << RawText(value) << '\n';
    }
  }
  context.out.flush();
  return all_readable ? 0 : 1;
}

}  // namespace parvolind::cli
