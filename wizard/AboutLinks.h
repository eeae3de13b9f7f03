#pragma once
// What a click on the About dialog's web-site and e-mail lines hands to the system.
#include <string>

namespace wizard {

// The address the shell opens for a link: the web address as it stands; for the mail link,
// which has always carried a blank after "mailto:", the address without that blank (it would
// reach the mail program as "%20" in front of the address, which is then no address at all).
std::string AboutLinkTarget(const std::string& link);

// The two links of the About dialog, as the shell gets them.
std::string WebLinkTarget();
std::string MailLinkTarget();

}  // namespace wizard
