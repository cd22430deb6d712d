#include "fiscal_host/paper_layout.h"

#include "base/text_encoding.h"

namespace dodu::host {

size_t DisplayWidth(const std::string& text) { return Utf8ToCodePoints(text).size(); }

namespace {

std::string Spaces(size_t count) { return std::string(count, ' '); }

// The first `count` characters of a text, and the rest.
std::pair<std::string, std::string> SplitAt(const std::string& text, size_t count) {
  const std::u32string points = Utf8ToCodePoints(text);
  if (count >= points.size()) return {text, {}};
  return {CodePointsToUtf8(points.substr(0, count)), CodePointsToUtf8(points.substr(count))};
}

}  // namespace

std::vector<std::string> PaperLayout::Wrapped(const std::string& text) const {
  std::vector<std::string> lines;
  std::string rest = text;
  while (DisplayWidth(rest) > fWidth) {
    auto [head, tail] = SplitAt(rest, fWidth);
    // Break at the last blank of the line when there is one, so words stay whole.
    const size_t blank = head.find_last_of(' ');
    if (blank != std::string::npos && blank > 0) {
      lines.push_back(head.substr(0, blank));
      rest = head.substr(blank + 1) + tail;
    } else {
      lines.push_back(head);
      rest = tail;
    }
  }
  lines.push_back(rest);
  return lines;
}

void PaperLayout::Left(const std::string& text) {
  for (const std::string& line : Wrapped(text)) fLines.push_back(line);
}

void PaperLayout::Center(const std::string& text) {
  for (const std::string& line : Wrapped(text)) fLines.push_back(Spaces((fWidth - DisplayWidth(line)) / 2) + line);
}

void PaperLayout::Right(const std::string& text) {
  for (const std::string& line : Wrapped(text)) fLines.push_back(Spaces(fWidth - DisplayWidth(line)) + line);
}

void PaperLayout::Chunked(const std::string& text) {
  std::string rest = text;
  do {
    auto [head, tail] = SplitAt(rest, fWidth);
    fLines.push_back(head);
    rest = tail;
  } while (!rest.empty());
}

void PaperLayout::Columns(const std::string& left, const std::string& right) {
  const size_t used = DisplayWidth(left) + DisplayWidth(right);
  if (used + 1 <= fWidth) {
    fLines.push_back(left + Spaces(fWidth - used) + right);
  } else {
    Left(left);
    Right(right);
  }
}

void PaperLayout::Table(const std::vector<std::string>& cells, const std::vector<size_t>& widths) {
  std::string line;
  for (size_t i = 0; i < cells.size() && i < widths.size(); ++i) {
    const size_t width = DisplayWidth(cells[i]);
    const size_t pad = width < widths[i] ? widths[i] - width : 0;
    line += i == 0 ? cells[i] + Spaces(pad) : Spaces(pad) + cells[i];
  }
  Left(line);
}

void PaperLayout::Rule(char character) { fLines.push_back(std::string(fWidth, character)); }

void PaperLayout::Blank() { fLines.emplace_back(); }

void PaperLayout::Raw(const std::string& line) { fLines.push_back(line); }

std::string PaperLayout::Text() const {
  std::string text;
  for (const std::string& line : fLines) {
    const size_t end = line.find_last_not_of(' ');
    text += end == std::string::npos ? std::string() : line.substr(0, end + 1);
    text += '\n';
  }
  return text;
}

}  // namespace dodu::host
