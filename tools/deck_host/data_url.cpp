#include "data_url.hpp"

#include "platform/base64.hpp"

#include <boost/url/pct_string_view.hpp>

namespace vantry::deck {

namespace {

std::optional<std::string> percentDecode(std::string_view text) {
  const auto escaped = boost::urls::make_pct_string_view(text);
  return escaped ? std::optional<std::string>(escaped->decode()) : std::nullopt;
}

}  // namespace

std::optional<DecodedImage> decodeImageDataURL(std::string_view url) {
  constexpr std::string_view scheme = "data:";
  if (!url.starts_with(scheme)) return std::nullopt;
  url.remove_prefix(scheme.size());
  const auto comma = url.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  auto header = url.substr(0, comma);
  const auto body = url.substr(comma + 1);
  bool isBase64 = false;
  if (header.ends_with(";base64")) {
    isBase64 = true;
    header.remove_suffix(7);
  }
  const auto semicolon = header.find(';');
  const auto type = header.substr(0, semicolon);
  std::string extension;
  if (type == "image/svg+xml") {
    extension = "svg";
  } else if (type == "image/png") {
    extension = "png";
  } else {
    return std::nullopt;
  }
  auto bytes = isBase64 ? base64Decode(body) : percentDecode(body);
  if (!bytes) return std::nullopt;
  return DecodedImage{std::move(extension), std::move(*bytes)};
}

}  // namespace vantry::deck
