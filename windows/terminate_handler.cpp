// The C++ runtime's handler for an exception nobody catches, replaced by a
// plain abort. The runtime's own handler prints the exception's type,
// unmangled, to stderr, which a screen saver does not have; it brings the
// demangler and, through it, the runtime's locale and wide-character code:
// about 78 KB of vidider.scr. Linked into the program itself (not a
// library), this definition is the one the runtime's default handler names,
// so the runtime's is never linked.
#include <cstdlib>

namespace __gnu_cxx {

[[noreturn]] void __verbose_terminate_handler();

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
