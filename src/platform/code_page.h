#pragma once

#include <cstdint>
#include <string>

namespace dodu {

// UTF-8 text as bytes of a Windows code page. A code page below 1 means the system's ANSI code
// page (Windows-1252 where the system has none). A character the code page lacks becomes the
// code page's default character ("?"). Raises, with the system's reason, for an unknown code page.
std::string Utf8ToCodePage(const std::string& aText, int32_t aCodePage);

}  // namespace dodu
