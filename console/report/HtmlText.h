// Text from the device, a log file or the command line, made safe to stand
// in an HTML page as element content or a quoted attribute value.
#pragma once

#include <string>
#include <string_view>

// & < > " ' as character references; control characters other than tab and
// line feed, and bytes that are no UTF-8, as U+FFFD, one each.
std::string HtmlText(std::string_view text);
