#pragma once
// printf-style formatting of the wizard's texts, the same in every locale: "%.1f" always gives
// "28.5", never "28,5", whatever the user's settings say (the C library's printf follows the
// locale that the toolkit sets at start-up). It knows the conversions the texts use: %s, %i and
// %d, %u and %lu, %f, with the flags 0 and -, a width, a precision, and %%.
#include <cstdint>
#include <initializer_list>
#include <string>

namespace wizard {

class FormatArg {
 public:
  FormatArg(int v) : kind_(Kind::Signed), signed_(v) {}
  FormatArg(long v) : kind_(Kind::Signed), signed_(v) {}
  FormatArg(unsigned v) : kind_(Kind::Unsigned), unsigned_(v) {}
  FormatArg(unsigned long v) : kind_(Kind::Unsigned), unsigned_(v) {}
  FormatArg(double v) : kind_(Kind::Real), real_(v) {}
  FormatArg(const char* v) : kind_(Kind::Text), text_(v) {}

  std::int64_t AsSigned() const;
  std::uint64_t AsUnsigned() const;
  double AsReal() const;
  const char* AsText() const;

 private:
  enum class Kind { Signed, Unsigned, Real, Text };
  Kind kind_;
  std::int64_t signed_ = 0;
  std::uint64_t unsigned_ = 0;
  double real_ = 0;
  const char* text_ = nullptr;
};

// The text with each conversion filled from args, in order. Arguments the format does not use
// are ignored, as printf does; a conversion without its argument gives nothing instead of the
// undefined behaviour printf would have.
std::string FormatText(const char* format, std::initializer_list<FormatArg> args);

}  // namespace wizard
