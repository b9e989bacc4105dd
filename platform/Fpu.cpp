#include "platform/Fpu.h"

namespace platform {

FpuControl MaskFpuExceptions() {
  FpuControl saved;
  std::feholdexcept(&saved.env);  // saves, clears flags, non-stop mode
  return saved;
}

void RestoreFpuControl(const FpuControl& saved) {
  std::feclearexcept(FE_ALL_EXCEPT);
  std::fesetenv(&saved.env);
}

}  // namespace platform
