#pragma once
// Handing an address to Internet Explorer on its command line.
#include <string>

namespace orv {

// The parameters that hand one address to Internet Explorer: one argument in double quotes
// that nothing inside can end early ('"' and control bytes are percent-encoded, backslashes
// before the closing quote doubled). An empty address gives no parameters.
std::string BrowserArgumentFor(const std::string& address);

}  // namespace orv
