#pragma once

#include <string>
#include <vector>

namespace dodu::host {

// Width of a text in terminal columns: one per character (code point); the receipts hold Latin
// text only.
size_t DisplayWidth(const std::string& text);

// Lines of a paper roll of fixed width.
class PaperLayout {
 public:
  explicit PaperLayout(size_t width) : fWidth(width) {}

  size_t Width() const { return fWidth; }
  // Texts wider than the paper are wrapped at blanks (or cut where there is none).
  void Left(const std::string& text);
  void Center(const std::string& text);
  void Right(const std::string& text);
  // Cut into lines of the full width wherever they end, blanks included: for codes.
  void Chunked(const std::string& text);
  // `left` at the left edge and `right` at the right one; on two lines when both do not fit.
  void Columns(const std::string& left, const std::string& right);
  // Fixed-width right-aligned columns after a left label column.
  void Table(const std::vector<std::string>& cells, const std::vector<size_t>& widths);
  void Rule(char character = '-');
  void Blank();
  // A line as it stands (already laid out, such as a drawn QR code line).
  void Raw(const std::string& line);

  std::string Text() const;

 private:
  std::vector<std::string> Wrapped(const std::string& text) const;

  size_t fWidth;
  std::vector<std::string> fLines;
};

}  // namespace dodu::host
