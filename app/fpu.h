// The figure's motion computes in long double and needs the x87 unit to
// round to its full 64-bit significand. Linux starts programs that way; 32-bit
// Windows starts them at 53 bits, which would move orbit points. Programs that
// run the motion call this first.
#pragma once

namespace app {

inline void UseExtendedPrecision()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned short control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    control = static_cast<unsigned short>((control & ~0x0300u) | 0x0300u);  // precision control: 64 bits
    __asm__ __volatile__("fldcw %0" : : "m"(control));
#endif
}

// The precision control bits now: 3 is the full 64-bit significand.
inline unsigned PrecisionControl()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned short control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    return (control >> 8) & 3u;
#else
    return 3;
#endif
}

}  // namespace app
