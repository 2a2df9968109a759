#pragma once

#include "alerts/CapAlert.h"

#include <QString>

#include <variant>

namespace qvic {

// The one line a crawl shows for an alert's info: its headline (else its event), then its
// description and instruction, joined as sentences ("Tornado Warning: A tornado was sighted.
// Take shelter now."), every run of white space one space. What players cannot show is made
// showable: control characters become spaces, invisible format characters go, and characters
// outside Windows-1252 take a readable form inside it (a non-breaking hyphen "-", a ligature
// "fi", a fullwidth letter its plain one). A character without one refuses the text, with
// words naming it and its field: a crawl never shows "?" for what the alert said.
std::variant<QString, CapRefusal> crawlText(const CapInfo &info);

} // namespace qvic
