#pragma once

#include <string>
#include <vector>

namespace dodu::host {

// A QR code drawn with Unicode half blocks, two module rows per text line, one column per module,
// the quiet zone of four modules included. The light modules are the drawn ones, so the code reads
// as dark on light on a terminal with a dark background; with `colors` every line also sets black
// on white explicitly, so it scans on any terminal.
struct DrawnQrCode {
  std::vector<std::string> lines;
  int width = 0;  // columns of every line
};

// Encodes 8-bit text with error correction level M, in the given version or the smallest larger
// one that holds the text. Raises std::runtime_error when libqrencode cannot encode it.
DrawnQrCode DrawQrCode(const std::string& text, int min_version, bool colors);

}  // namespace dodu::host
