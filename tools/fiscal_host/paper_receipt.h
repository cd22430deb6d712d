#pragma once

#include <string>

namespace dodu::host {

struct PaperOptions {
  size_t width = 48;     // columns of the roll
  bool colors = false;   // draw the QR code with explicit terminal colours
};

// A document as the library returned it (the whole request envelope, or a bare <Receipt>) as a
// till prints it: header lines, the document's lines with amounts, the totals and payments, the
// tax summary, and the trailer with the certification line, the ATCUD and the QR code drawn with
// its text below. Raises std::runtime_error when the text holds no receipt.
std::string RenderReceipt(const std::string& xml, const PaperOptions& options);

// A Z or X report answer: its Text as printed, and the report's figures.
std::string RenderReport(const std::string& xml, const PaperOptions& options);

// A status answer, one value per line.
std::string RenderStatus(const std::string& xml, const PaperOptions& options);

}  // namespace dodu::host
