#pragma once
// Whether this system can resize a pseudo console (Wine 8 answers E_NOTIMPL).

#include <windows.h>

namespace ovelin::testing {

inline bool platform_resizes_pseudo_consoles() {
    HANDLE in_read, in_write, out_read, out_write;
    ::CreatePipe(&in_read, &in_write, nullptr, 0);
    ::CreatePipe(&out_read, &out_write, nullptr, 0);
    HPCON console = nullptr;
    bool ok = SUCCEEDED(::CreatePseudoConsole({80, 25}, in_read, out_write, 0, &console)) &&
              SUCCEEDED(::ResizePseudoConsole(console, {100, 30}));
    if (console) ::ClosePseudoConsole(console);
    for (HANDLE h : {in_read, in_write, out_read, out_write}) ::CloseHandle(h);
    return ok;
}

}  // namespace ovelin::testing
