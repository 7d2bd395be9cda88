// The maker's web site: its address, the short form in the window caption,
// and the command that opens an address in the user's browser.
#pragma once

namespace picjoin {

// The maker is not a real one, so its site lives in a reserved example
// domain that can never lead anywhere.
constexpr char kWebAddress[] = "http://www.quillon.example/";
// "Quillon---", the short address, one trailing blank.
constexpr char kWindowCaption[] = "Quillon---www.quillon.example ";

// Hands the address to the shell with the verb "open" and returns at once;
// a failure is not reported.
void OpenWebAddress(const char* address);

}  // namespace picjoin
