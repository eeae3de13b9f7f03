#include "wizard/AboutLinks.h"

#include "wizard/Texts.h"

namespace wizard {

std::string AboutLinkTarget(const std::string& link) {
  static const std::string kMailto = "mailto:";
  if (link.size() < kMailto.size()) return link;
  for (std::size_t i = 0; i < kMailto.size(); ++i) {
    const char c = link[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kMailto[i]) return link;
  }
  std::size_t begin = kMailto.size();
  std::size_t end = link.size();
  while (begin < end && static_cast<unsigned char>(link[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(link[end - 1]) <= ' ') --end;
  return kMailto + link.substr(begin, end - begin);
}

std::string WebLinkTarget() {
  return AboutLinkTarget(maker::WebAddress);
}

std::string MailLinkTarget() {
  return AboutLinkTarget(maker::MailLink);
}

}  // namespace wizard
