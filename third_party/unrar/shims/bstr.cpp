// mingw's comsupp lacks the converter that _bstr_t's constructor calls.
#include <comutil.h>
#include <windows.h>

namespace _com_util {
BSTR WINAPI ConvertStringToBSTR(const char *s) {
  if (!s) return nullptr;
  int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
  if (n <= 0) return nullptr;
  BSTR b = SysAllocStringLen(nullptr, n - 1);
  if (b) MultiByteToWideChar(CP_ACP, 0, s, -1, b, n);
  return b;
}
} // namespace _com_util
