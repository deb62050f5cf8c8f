#include "kit/options.hpp"

#include <algorithm>
#include <iostream>

namespace vantry::kit {

Option textOption(std::string name, std::string wants, std::string& into) {
  return {std::move(name), std::move(wants), [&into](const std::string& text) {
            into = text;
            return !text.empty();
          }};
}

Option flagOption(std::string name, bool& into) {
  return {std::move(name), "", [&into](const std::string&) { return into = true; }};
}

ParsedArguments parseArguments(const std::vector<std::string>& arguments, const std::vector<Option>& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string name = arguments[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (name == "--help" || name == "-h") return {true, ""};
    const auto option = std::ranges::find(options, name, &Option::name);
    if (option == options.end()) return {false, "unknown argument \"" + arguments[i] + "\""};
    if (option->wants.empty()) {
      if (value) return {false, name + " takes no value"};
      option->take("");
      continue;
    }
    if (!value && i + 1 >= arguments.size()) return {false, name + " needs a value"};
    if (!value) value = arguments[++i];
    if (!option->take(*value)) return {false, name + " wants " + option->wants + ", not \"" + *value + "\""};
  }
  return {};
}

std::optional<int> takeArguments(int argc, char** argv, std::string_view program, std::string_view usage,
                                 const std::vector<Option>& options) {
  const auto parsed = parseArguments({argv + 1, argv + argc}, options);
  if (parsed.help) {
    std::cout << usage;
    return 0;
  }
  if (parsed.problem.empty()) return std::nullopt;
  std::cerr << program << ": " << parsed.problem << "\n(--help lists the options)\n";
  return 2;
}

}  // namespace vantry::kit
