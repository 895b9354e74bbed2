// orbeta-admin: lets an administrator check, without the kiosk, what the kiosk will read.
#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "admin/admin_password.h"
#include "app/settings.h"
#include "app/settings_report.h"
#include "platform/codepage.h"

namespace {

using namespace orbeta;
using Arguments = std::vector<std::string>;

constexpr char kUsage[] =
    "usage: orbeta-admin settings [FILE]\n"
    "  settings   reads the settings file (default: the kiosk's own) as the kiosk does at\n"
    "             start-up, password store included, and prints every setting as Name=value\n";

int Settings(const Arguments& args) {
  if (args.size() > 1) throw std::invalid_argument("settings takes at most one file");
  const std::string file = args.empty() ? GetSettingsFile() : args[0];
  try {
    if (!ReadSettings(file)) {
      std::cerr << "orbeta-admin: settings file not found: " << file << "\n";
      return 1;
    }
  } catch (const std::exception& error) {
    std::cerr << "orbeta-admin: " << file << ": " << Cp1252ToUtf8(error.what()) << "\n";
    return 1;
  }
  for (const auto& [name, value] : DescribeSettings(orbeta::Settings))
    std::cout << name << "=" << Cp1252ToUtf8(value) << "\n";
  std::cout << "AdminMode=" << (AdminMode ? 1 : 0) << "\n"
            << "SecurityOff=" << (orbeta::Settings.SecurityOff ? 1 : 0) << "\n";
  return 0;
}

const std::map<std::string, std::function<int(const Arguments&)>> kCommands = {
    {"settings", Settings},
};

}  // namespace

int main(int argc, char** argv) {
  const Arguments args(argv + 1, argv + argc);
  const auto command = args.empty() ? kCommands.end() : kCommands.find(args[0]);
  if (command == kCommands.end()) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    return command->second(Arguments(args.begin() + 1, args.end()));
  } catch (const std::invalid_argument& error) {
    std::cerr << "orbeta-admin: " << error.what() << "\n" << kUsage;
    return 2;
  }
}
