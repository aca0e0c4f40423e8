// 64-bit division on the 32-bit build, which has no instruction for it: the compiler calls
// these. The library's versions (about 1.2 KB with their records) are tuned for speed; the
// program divides 64-bit numbers only to print a number or a date, a few times per action, so
// bit-by-bit long division is quick enough. Kept through link-time optimisation, which
// otherwise drops them before its own code generation asks for them.
#if defined(__i386__)

extern "C" {

unsigned long long __udivmoddi4(unsigned long long dividend, unsigned long long divisor,
                                unsigned long long* remainder);
unsigned long long __udivdi3(unsigned long long dividend, unsigned long long divisor);
unsigned long long __umoddi3(unsigned long long dividend, unsigned long long divisor);

__attribute__((used)) unsigned long long __udivmoddi4(unsigned long long dividend,
                                                      unsigned long long divisor,
                                                      unsigned long long* remainder) {
  // As the processor's own division does: dividing by zero stops the program.
  if (divisor == 0) __builtin_trap();
  unsigned long long quotient = 0;
  unsigned long long rest = 0;
  for (int bit = 63; bit >= 0; --bit) {
    rest = (rest << 1) | ((dividend >> bit) & 1);
    if (rest >= divisor) {
      rest -= divisor;
      quotient |= 1ULL << bit;
    }
  }
  if (remainder != nullptr) *remainder = rest;
  return quotient;
}

__attribute__((used)) unsigned long long __udivdi3(unsigned long long dividend,
                                                   unsigned long long divisor) {
  return __udivmoddi4(dividend, divisor, nullptr);
}

__attribute__((used)) unsigned long long __umoddi3(unsigned long long dividend,
                                                   unsigned long long divisor) {
  unsigned long long remainder = 0;
  __udivmoddi4(dividend, divisor, &remainder);
  return remainder;
}

}  // extern "C"

#endif
