#pragma once
#include <windows.h>

#include <string>

#include "platform/standard_user_access.hpp"

namespace lanqi::platform::win32 {

// The discretionary access list of a security descriptor in the form the decision of
// standard_user_access.hpp reads; false when the descriptor cannot be read.
bool ReadAccessList(PSECURITY_DESCRIPTOR descriptor, AccessList& list);

// Whether a standard user could change the file or folder at this path (StandardUsersCanChange
// over its DACL); false when it does not exist or its security cannot be read.
bool PathOpenToStandardUsers(const std::wstring& path);

}  // namespace lanqi::platform::win32
