#include "platform/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/error.h"

namespace dodu {

namespace {

// The iconv name of a Windows code page number.
std::string IconvName(int32_t code_page) {
  if (code_page == 65001) return "UTF-8";
  if (code_page == 20127) return "ASCII";
  if (code_page == 20866) return "KOI8-R";
  if (code_page == 21866) return "KOI8-U";
  if (code_page >= 28591 && code_page <= 28606) return "ISO-8859-" + std::to_string(code_page - 28590);
  return "CP" + std::to_string(code_page);
}

// Bytes of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

class Converter {
 public:
  explicit Converter(const std::string& target) : fHandle(iconv_open(target.c_str(), "UTF-8")) {}
  ~Converter() {
    if (Valid()) iconv_close(fHandle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return fHandle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return fHandle; }

 private:
  iconv_t fHandle;
};

}  // namespace

std::string Utf8ToCodePage(const std::string& aText, int32_t aCodePage) {
  const int32_t code_page = aCodePage < 1 ? 1252 : aCodePage;
  Converter converter(IconvName(code_page));
  if (!converter.Valid()) {
    throw Error("Code page " + std::to_string(code_page) + " cannot be used: " + std::strerror(errno));
  }
  std::string out;
  std::string input = aText;
  char* in = input.data();
  size_t in_left = input.size();
  char buffer[512];
  while (in_left > 0) {
    char* next = buffer;
    size_t out_left = sizeof buffer;
    const size_t done = iconv(converter.Handle(), &in, &in_left, &next, &out_left);
    const int reason = errno;
    out.append(buffer, static_cast<size_t>(next - buffer));
    if (done != static_cast<size_t>(-1)) continue;
    if (reason == E2BIG) continue;
    // A character the code page lacks, or broken UTF-8: one default character in its place.
    out += '?';
    const size_t skip = std::min(in_left, SequenceLength(static_cast<unsigned char>(*in)));
    in += skip;
    in_left -= skip;
  }
  char* next = buffer;
  size_t out_left = sizeof buffer;
  iconv(converter.Handle(), nullptr, nullptr, &next, &out_left);  // a stateful code page's closing shift
  out.append(buffer, static_cast<size_t>(next - buffer));
  return out;
}

}  // namespace dodu
