// What the processor offers, asked once through cpuid (the program also runs
// on processors without SSE2).
#pragma once

namespace cpu {

bool HasSse2();

// Tests: while one lives, HasSse2 answers false, so that the byte loops that
// stand in for the SSE2 steps run (asked anew by each call that asks it).
class NoSse2ForTests {
 public:
  NoSse2ForTests();
  ~NoSse2ForTests();
  NoSse2ForTests(const NoSse2ForTests&) = delete;
  NoSse2ForTests& operator=(const NoSse2ForTests&) = delete;
};

}  // namespace cpu
