#pragma once
// The tool's output is UTF-8 text. On Windows a console shows bytes in its own code page, so std::cout
// and std::cerr that go to a console are written with WriteConsoleW instead; output redirected to a
// file or a pipe stays UTF-8 bytes. Elsewhere nothing changes.
namespace mvpack {

// Call once at start, before anything is written.
void useUnicodeConsole();

}  // namespace mvpack
