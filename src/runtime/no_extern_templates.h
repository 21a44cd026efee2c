// Included ahead of every C++ file of the shipped programs (the release build's --include).
// libstdc++ declares its std::string and std::wstring instantiations extern, so a program that uses a
// few members links the library's prebuilt object whole (about 35 KB each). Without those declarations
// the compiler instantiates just the members a program uses, and the linker drops what nothing calls.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
