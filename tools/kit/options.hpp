#pragma once

#include <charconv>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantry::kit {

// One option of a program, given as "--name value" or "--name=value", or a flag without a value.
struct Option {
  std::string name;
  std::string wants;  // what its value must be, for the message; empty for a flag
  std::function<bool(const std::string& value)> take;  // false: the value is not what it wants
};

// The text as a Number when all of it is one, as an option value, a query value or a port is.
template <class Number>
std::optional<Number> wholeNumber(std::string_view text) {
  Number value{};
  const auto* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// A number from lowest to highest, whole when Number is, put into a field that it constructs.
template <class Number, class Target>
Option numberOption(std::string name, std::string wants, Target& into, Number lowest, Number highest) {
  return {std::move(name), std::move(wants), [&into, lowest, highest](const std::string& text) {
            const auto value = wholeNumber<Number>(text);
            if (!value || !(*value >= lowest && *value <= highest)) return false;
            into = Target(*value);
            return true;
          }};
}
// Any text but an empty one.
Option textOption(std::string name, std::string wants, std::string& into);
Option flagOption(std::string name, bool& into);

struct ParsedArguments {
  bool help = false;
  std::string problem;  // empty when every argument was taken
};

// The arguments after the program's name; "--help" and "-h" ask for help.
ParsedArguments parseArguments(const std::vector<std::string>& arguments, const std::vector<Option>& options);

// A program's arguments, for its main(): after --help, the usage on standard output and 0; after a
// bad argument, the problem on standard error and 2; nothing when the program goes on.
std::optional<int> takeArguments(int argc, char** argv, std::string_view program, std::string_view usage,
                                 const std::vector<Option>& options);

}  // namespace vantry::kit
