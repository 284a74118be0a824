// Host stand-in for the Win32 platform of viewer/CodeConv: code page 932 from the
// C library's iconv ("CP932", glibc's Windows-31J table), ASCII and full-width Latin
// case mapping, and an ordinal compare. Plus iconv helpers for the differential tests.
#pragma once
#include <string>
#include <vector>

#include "text/conv.h"

namespace hosttest {

class IconvPlatform : public conv::Platform {
 public:
  IconvPlatform();
  int WideCharToSjis(const char16_t* units, int count, unsigned char out[2]) override;
  int SjisCharToWide(const unsigned char* bytes, int count, char16_t out[2]) override;
  std::u16string UpperCase(const char16_t* text, size_t count) override;
  std::u16string LowerCase(const char16_t* text, size_t count) override;
  int CompareLocale(unsigned flags, const char16_t* a, int countA, const char16_t* b, int countB) override;
  int calls = 0;  // number of mapping calls (tests of the two passes)

 private:
  std::vector<uint16_t> toSjis_;  // unit -> bytes (hi<<8|lo, or lo alone), 0 = none
  std::vector<uint32_t> toWide_;  // (lead<<8|trail) or byte -> unit + 1, 0 = none
};

// The shared platform of the host tests.
IconvPlatform& Platform();

// iconv over a whole byte string; false when iconv rejects any byte.
bool Iconv(const char* from, const char* to, const std::string& in, std::string* out);

// Reads a fixture (tests/fixtures/...); fails the test when missing.
std::string ReadFixture(const std::string& name);

std::u16string U16FromBytesLE(const std::string& b);
std::string BytesLEFromU16(const std::u16string& u);

}  // namespace hosttest
