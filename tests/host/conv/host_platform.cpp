#include "host_platform.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hosttest {

bool Iconv(const char* from, const char* to, const std::string& in, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result;
  std::vector<char> buf(in.size() * 8 + 64);
  char* inp = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outp = buf.data();
  size_t outLeft = buf.size();
  size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  bool ok = r != static_cast<size_t>(-1);
  if (ok) ok = iconv(cd, nullptr, nullptr, &outp, &outLeft) != static_cast<size_t>(-1);  // closing shift
  iconv_close(cd);
  if (!ok) return false;
  out->assign(buf.data(), static_cast<size_t>(outp - buf.data()));
  return true;
}

std::u16string U16FromBytesLE(const std::string& b) {
  std::u16string u(b.size() / 2, 0);
  for (size_t i = 0; i < u.size(); ++i)
    u[i] = static_cast<char16_t>(static_cast<unsigned char>(b[2 * i]) | (static_cast<unsigned char>(b[2 * i + 1]) << 8));
  return u;
}

std::string BytesLEFromU16(const std::u16string& u) {
  std::string b;
  for (char16_t c : u) {
    b += static_cast<char>(c & 0xFF);
    b += static_cast<char>(c >> 8);
  }
  return b;
}

IconvPlatform::IconvPlatform() : toSjis_(0x10000, 0), toWide_(0x10000, 0) {
  for (unsigned u = 1; u < 0x10000; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    std::string in;
    in += static_cast<char>(u & 0xFF);
    in += static_cast<char>(u >> 8);
    std::string out;
    if (!Iconv("UTF-16LE", "CP932", in, &out) || out.empty() || out.size() > 2) continue;
    uint16_t v = static_cast<unsigned char>(out[0]);
    if (out.size() == 2) v = static_cast<uint16_t>((v << 8) | static_cast<unsigned char>(out[1]));
    toSjis_[u] = v;
  }
  for (unsigned b = 1; b < 0x100; ++b) {
    std::string out;
    if (Iconv("CP932", "UTF-16LE", std::string(1, static_cast<char>(b)), &out) && out.size() == 2)
      toWide_[b] = static_cast<uint32_t>(U16FromBytesLE(out)[0]) + 1;
    if (!conv::IsSjisLead(static_cast<unsigned char>(b))) continue;
    for (unsigned t = 0x40; t <= 0xFC; ++t) {
      if (!conv::IsSjisTrail(static_cast<unsigned char>(t))) continue;
      std::string in;
      in += static_cast<char>(b);
      in += static_cast<char>(t);
      if (Iconv("CP932", "UTF-16LE", in, &out) && out.size() == 2)
        toWide_[(b << 8) | t] = static_cast<uint32_t>(U16FromBytesLE(out)[0]) + 1;
    }
  }
}

int IconvPlatform::WideCharToSjis(const char16_t* units, int count, unsigned char out[2]) {
  ++calls;
  if (count != 1) return 0;  // code page 932 has no character outside the BMP
  uint16_t v = toSjis_[units[0]];
  if (!v) return 0;
  if (v > 0xFF) {
    out[0] = static_cast<unsigned char>(v >> 8);
    out[1] = static_cast<unsigned char>(v & 0xFF);
    return 2;
  }
  out[0] = static_cast<unsigned char>(v);
  return 1;
}

int IconvPlatform::SjisCharToWide(const unsigned char* bytes, int count, char16_t out[2]) {
  ++calls;
  unsigned key = count == 2 ? (static_cast<unsigned>(bytes[0]) << 8) | bytes[1] : bytes[0];
  uint32_t v = toWide_[key];
  if (!v) return 0;
  out[0] = static_cast<char16_t>(v - 1);
  return 1;
}

namespace {
char16_t Up(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xFF41 && c <= 0xFF5A)) return static_cast<char16_t>(c - 0x20);
  return c;
}
char16_t Low(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xFF21 && c <= 0xFF3A)) return static_cast<char16_t>(c + 0x20);
  return c;
}
}  // namespace

std::u16string IconvPlatform::UpperCase(const char16_t* text, size_t count) {
  std::u16string s(text, count);
  for (auto& c : s) c = Up(c);
  return s;
}

std::u16string IconvPlatform::LowerCase(const char16_t* text, size_t count) {
  std::u16string s(text, count);
  for (auto& c : s) c = Low(c);
  return s;
}

int IconvPlatform::CompareLocale(unsigned flags, const char16_t* a, int countA, const char16_t* b, int countB) {
  if (countA < 0 || countB < 0) return 0;
  int n = countA < countB ? countA : countB;
  for (int i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (flags & 1) {
      x = Low(x);
      y = Low(y);
    }
    if (x != y) return x < y ? 1 : 3;
  }
  return countA == countB ? 2 : (countA < countB ? 1 : 3);
}

IconvPlatform& Platform() {
  static IconvPlatform p;
  return p;
}

std::string ReadFixture(const std::string& name) {
  const char* dir = std::getenv("VASTREL_FIXTURES");
  std::string path = std::string(dir ? dir : "tests/fixtures") + "/" + name;
  std::ifstream f(path, std::ios::binary);
  EXPECT_TRUE(f.good()) << "missing fixture " << path;
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

}  // namespace hosttest
