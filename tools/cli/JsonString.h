// A text (UTF-8) as a JSON string, quotes included: dispenser-cli's one way
// of putting a device's or a user's text into its JSON output.
#pragma once

#include <string>
#include <string_view>

std::string JsonString(std::string_view text);
