#include "text/Csv.h"

namespace csvtext {

int CsvField(std::u16string* line, int n) {
  const std::u16string& text = *line;
  size_t pos = 0;
  int index = 0;
  for (;;) {
    if (pos >= text.size()) {
      if (n < 0) return index;
      line->clear();
      return -1;
    }
    const size_t q = text.find(u'"', pos), c = text.find(u',', pos);
    if (q != std::u16string::npos && (c == std::u16string::npos || q < c)) {
      std::u16string field;
      size_t k = q + 1;
      bool closed = false;
      while (k < text.size()) {
        if (text[k] == u'"') {
          if (k + 1 < text.size() && text[k + 1] == u'"') {
            field += u'"';
            k += 2;
            continue;
          }
          closed = true;
          ++k;
          break;
        }
        field += text[k++];
      }
      if (!closed) {
        if (n < 0) return index;
        *line = field;
        return -1;
      }
      if (index == n) {
        *line = field;
        return n;
      }
      const size_t next = text.find(u',', k);
      pos = next == std::u16string::npos ? text.size() : next + 1;
    } else {
      const size_t end = c == std::u16string::npos ? text.size() : c;
      if (index == n) {
        *line = text.substr(pos, end - pos);
        return n;
      }
      pos = c == std::u16string::npos ? text.size() : c + 1;
    }
    ++index;
  }
}

std::u16string CsvFieldText(const std::u16string& line, int n) {
  std::u16string s = line;
  CsvField(&s, n);
  return s;
}

}  // namespace csvtext
