// What the processor offers, asked once through cpuid (the program also runs
// on processors without SSE2).
#pragma once

namespace cpu {

bool HasSse2();

}  // namespace cpu
