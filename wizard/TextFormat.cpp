#include "wizard/TextFormat.h"

#include <charconv>
#include <cstring>
#include <vector>

namespace wizard {

std::int64_t FormatArg::AsSigned() const {
  switch (kind_) {
    case Kind::Signed:
      return signed_;
    case Kind::Unsigned:
      return static_cast<std::int64_t>(unsigned_);
    case Kind::Real:
      return static_cast<std::int64_t>(real_);
    case Kind::Text:
      return 0;
  }
  return 0;
}

std::uint64_t FormatArg::AsUnsigned() const {
  switch (kind_) {
    case Kind::Signed:
      return static_cast<std::uint64_t>(signed_);
    case Kind::Unsigned:
      return unsigned_;
    case Kind::Real:
      return static_cast<std::uint64_t>(real_);
    case Kind::Text:
      return 0;
  }
  return 0;
}

double FormatArg::AsReal() const {
  switch (kind_) {
    case Kind::Signed:
      return static_cast<double>(signed_);
    case Kind::Unsigned:
      return static_cast<double>(unsigned_);
    case Kind::Real:
      return real_;
    case Kind::Text:
      return 0;
  }
  return 0;
}

const char* FormatArg::AsText() const {
  return kind_ == Kind::Text && text_ != nullptr ? text_ : "";
}

namespace {

struct Spec {
  bool zeroPad = false;
  bool leftAlign = false;
  int width = 0;
  int precision = -1;
  char conversion = 0;
};

// Reads the conversion after a '%' at format[i]; i ends on its last character. false when the
// conversion is not one the texts use.
bool ParseSpec(const char* format, std::size_t& i, Spec& spec) {
  for (;; ++i) {
    if (format[i] == '0') {
      spec.zeroPad = true;
    } else if (format[i] == '-') {
      spec.leftAlign = true;
    } else {
      break;
    }
  }
  while (format[i] >= '0' && format[i] <= '9') spec.width = spec.width * 10 + (format[i++] - '0');
  if (format[i] == '.') {
    spec.precision = 0;
    ++i;
    while (format[i] >= '0' && format[i] <= '9')
      spec.precision = spec.precision * 10 + (format[i++] - '0');
  }
  while (format[i] == 'l' || format[i] == 'h') ++i;
  spec.conversion = format[i];
  return std::strchr("sidufc%", spec.conversion) != nullptr && spec.conversion != '\0';
}

std::string Number(const Spec& spec, const FormatArg& arg) {
  char buffer[64];
  std::to_chars_result r{};
  switch (spec.conversion) {
    case 'i':
    case 'd':
      r = std::to_chars(buffer, buffer + sizeof buffer, arg.AsSigned());
      break;
    case 'u':
      r = std::to_chars(buffer, buffer + sizeof buffer, arg.AsUnsigned());
      break;
    default:
      r = std::to_chars(buffer, buffer + sizeof buffer, arg.AsReal(), std::chars_format::fixed,
                        spec.precision < 0 ? 6 : spec.precision);
      break;
  }
  return r.ec == std::errc() ? std::string(buffer, r.ptr) : std::string();
}

void AppendPadded(std::string& out, const std::string& value, const Spec& spec, bool numeric) {
  const std::size_t width = static_cast<std::size_t>(spec.width);
  if (value.size() >= width) {
    out += value;
  } else if (spec.leftAlign) {
    out += value;
    out.append(width - value.size(), ' ');
  } else if (spec.zeroPad && numeric) {
    const bool negative = !value.empty() && value[0] == '-';
    if (negative) out += '-';
    out.append(width - value.size(), '0');
    out += value.substr(negative ? 1 : 0);
  } else {
    out.append(width - value.size(), ' ');
    out += value;
  }
}

}  // namespace

std::string FormatText(const char* format, std::initializer_list<FormatArg> args) {
  std::string out;
  const FormatArg* next = args.begin();
  for (std::size_t i = 0; format[i] != '\0'; ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    const std::size_t start = i++;
    Spec spec;
    if (!ParseSpec(format, i, spec)) {  // not ours: shown as it stands
      out.append(format + start, i - start + (format[i] != '\0' ? 1 : 0));
      if (format[i] == '\0') break;
      continue;
    }
    if (spec.conversion == '%') {
      out += '%';
      continue;
    }
    if (next == args.end()) continue;
    const FormatArg& arg = *next++;
    if (spec.conversion == 's') {
      std::string text = arg.AsText();
      if (spec.precision >= 0 && text.size() > static_cast<std::size_t>(spec.precision))
        text.resize(static_cast<std::size_t>(spec.precision));
      AppendPadded(out, text, spec, false);
    } else if (spec.conversion == 'c') {
      AppendPadded(out, std::string(1, static_cast<char>(arg.AsSigned())), spec, false);
    } else {
      AppendPadded(out, Number(spec, arg), spec, true);
    }
  }
  return out;
}

}  // namespace wizard
