#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/standard_user_access.hpp"

namespace lanqi::platform::win32 {

// The owner and discretionary access list of a security descriptor in the form the decision of
// standard_user_access.hpp reads; false when the descriptor cannot be read.
bool ReadSecurity(PSECURITY_DESCRIPTOR descriptor, ObjectSecurity& security);

// What the decision needs to know of the folder `folder` and the files `files` in it: whether the
// path is a network one, whether its volume keeps access lists, the owner and DACL of every folder
// from the drive's root down to `folder` and of each file that exists. What cannot be read is
// taken as open to everyone.
ProgramPlace PlaceOf(const std::wstring& folder, const std::vector<std::wstring>& files);

}  // namespace lanqi::platform::win32
