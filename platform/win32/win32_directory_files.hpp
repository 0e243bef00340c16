#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "platform/directory_files.hpp"

namespace lanqi::platform::win32 {

// ReplaceFileW, or a stand-in that fails the way Windows can.
using ReplaceFileCall = BOOL(WINAPI*)(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup,
                                      DWORD flags, LPVOID exclude, LPVOID reserved);

// The files of `directory`, replaced through `replaceFile`. `executable`, when not empty, is the
// program's own file, which OpenToStandardUsers looks at too.
std::unique_ptr<DirectoryFiles> DirectoryFilesWith(std::wstring directory, std::wstring executable,
                                                   ReplaceFileCall replaceFile);

}  // namespace lanqi::platform::win32
