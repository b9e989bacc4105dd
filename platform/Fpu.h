// Floating-point exception bracket around each frame: all exceptions masked
// (non-stop mode) while drawing, the previous environment restored after.
#pragma once
#include <cfenv>

namespace platform {

struct FpuControl {
  std::fenv_t env;
};

// Saves the floating-point environment, clears pending flags and masks
// every exception; returns the saved environment.
FpuControl MaskFpuExceptions();
// Clears pending exceptions, then loads the saved environment.
void RestoreFpuControl(const FpuControl& saved);

class FpuGuard {
 public:
  FpuGuard() : saved_(MaskFpuExceptions()) {}
  ~FpuGuard() { RestoreFpuControl(saved_); }
  FpuGuard(const FpuGuard&) = delete;
  FpuGuard& operator=(const FpuGuard&) = delete;

 private:
  FpuControl saved_;
};

}  // namespace platform
