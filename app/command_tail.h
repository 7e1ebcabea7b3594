#pragma once

// The part of a process command line after the program name: what a
// Windows program receives as wWinMain's command-line argument. The program
// name ends at the first blank outside double quotes; the blanks after it
// (any character up to and including U+0020) are skipped too.
const wchar_t* CommandLineTail(const wchar_t* commandLine);
