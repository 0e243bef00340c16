// Whether a standard user could change a file or folder, read from real security descriptors:
// the default ones of Windows 10/11 written as SDDL, and a folder's own under Wine.
#include <gtest/gtest.h>
#include <windows.h>
// aclapi.h and sddl.h need windows.h first.
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "platform/run_directory_files.hpp"
#include "platform/system.hpp"
#include "platform/win32/file_security.hpp"
#include "platform/win32/unique_handle.hpp"
#include "tests/fakes/fake_shell_services.hpp"
#include "tests/support/bytes.hpp"

namespace lanqi {
namespace {

using platform::win32::UniqueLocal;

#define TRUSTED_INSTALLER "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
#define ALL_APP_PACKAGES "S-1-15-2-1"
#define ALL_RESTRICTED_APP_PACKAGES "S-1-15-2-2"

UniqueLocal DescriptorOf(const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                            nullptr)) {
    return {};
  }
  return UniqueLocal(descriptor);
}

bool OpenToStandardUsers(const wchar_t* sddl, bool isFolder) {
  const UniqueLocal descriptor = DescriptorOf(sddl);
  EXPECT_TRUE(descriptor) << "SDDL not read: " << GetLastError();
  platform::AccessList list;
  EXPECT_TRUE(platform::win32::ReadAccessList(descriptor.get(), list));
  return platform::StandardUsersCanChange(list, isFolder);
}

// Default access lists of Windows 10/11 (icacls of a fresh installation), and the orders and
// kinds of entries the decision has to get right.
TEST(StandardUserAccess, DefaultAccessListsOfWindows) {
  const struct {
    const char* what;
    const wchar_t* sddl;
    bool isFolder;
    bool open;
  } cases[] = {
      // clang-format off
      // C:\ itself: Authenticated Users may add a folder (AD), and their Modify is inherited.
      {"C:\\", L"D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)", true, true},
      // A folder made in C:\: Authenticated Users hold Modify on it.
      {"C:\\LanqiClockGuard", L"D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)", true, true},
      {"C:\\LanqiClockGuard, with the list right of C:\\ inherited", L"D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;CI;LC;;;AU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x1301bf;;;AU)", true, true},
      {"a file in C:\\LanqiClockGuard", L"D:AI(A;ID;FA;;;BA)(A;ID;FA;;;SY)(A;ID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)", false, true},
      {"C:\\Program Files",
       L"D:PAI(A;;FA;;;" TRUSTED_INSTALLER ")(A;CIIO;GA;;;" TRUSTED_INSTALLER ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)"
       "(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
       "(A;;0x1200a9;;;" ALL_APP_PACKAGES ")(A;OICIIO;GXGR;;;" ALL_APP_PACKAGES ")"
       "(A;;0x1200a9;;;" ALL_RESTRICTED_APP_PACKAGES ")(A;OICIIO;GXGR;;;" ALL_RESTRICTED_APP_PACKAGES ")",
       true, false},
      {"C:\\Program Files\\LanqiClockGuard",
       L"D:AI(A;ID;FA;;;" TRUSTED_INSTALLER ")(A;CIIOID;GA;;;" TRUSTED_INSTALLER ")(A;ID;FA;;;SY)(A;OICIIOID;GA;;;SY)"
       "(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GXGR;;;BU)(A;OICIIOID;GA;;;CO)"
       "(A;ID;0x1200a9;;;" ALL_APP_PACKAGES ")(A;OICIIOID;GXGR;;;" ALL_APP_PACKAGES ")"
       "(A;ID;0x1200a9;;;" ALL_RESTRICTED_APP_PACKAGES ")(A;OICIIOID;GXGR;;;" ALL_RESTRICTED_APP_PACKAGES ")",
       true, false},
      {"a file in C:\\Program Files\\LanqiClockGuard",
       L"D:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)(A;ID;0x1200a9;;;" ALL_APP_PACKAGES ")(A;ID;0x1200a9;;;" ALL_RESTRICTED_APP_PACKAGES ")",
       false, false},
      {"an empty DACL grants nothing", L"D:", true, false},
      {"a deny before the allow takes the changing rights away", L"D:(D;;0xd0046;;;WD)(A;;0x1301bf;;;AU)", true, false},
      {"a deny after the allow comes too late", L"D:(A;;0x1301bf;;;AU)(D;;0xd0046;;;WD)", true, true},
      {"full access for Users, but for children only", L"D:(A;OICIIO;FA;;;BU)", true, false},
      {"generic write for Users", L"D:(A;;GW;;;BU)", false, true},
      {"change of the security by Everyone", L"D:(A;;WD;;;WD)", false, true},
      {"taking ownership by INTERACTIVE", L"D:(A;;WO;;;IU)", false, true},
      {"delete for Authenticated Users", L"D:(A;;SD;;;AU)", false, true},
      {"deleting what a folder holds", L"D:(A;;0x1200a9;;;BU)(A;;0x40;;;BU)", true, true},
      {"the same right on a file means nothing", L"D:(A;;0x1200a9;;;BU)(A;;0x40;;;BU)", false, false},
      {"attributes and extended attributes only", L"D:(A;;0x120190;;;BU)", false, false},
      {"full access for administrators and SYSTEM only", L"D:(A;;FA;;;BA)(A;;FA;;;SY)", true, false},
      // clang-format on
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OpenToStandardUsers(c.sddl, c.isFolder), c.open) << c.what;
  }
}

// A security descriptor without a DACL lets everyone do everything. (Wine reads the SDDL form of
// it, "D:NO_ACCESS_CONTROL", as an empty list, so it is made by hand.)
TEST(StandardUserAccess, NoAccessListIsOpenToEveryone) {
  SECURITY_DESCRIPTOR descriptor{};
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
  platform::AccessList list;
  ASSERT_TRUE(platform::win32::ReadAccessList(&descriptor, list));
  EXPECT_FALSE(list.has_value());
  EXPECT_TRUE(platform::StandardUsersCanChange(list, false));
}

void SetAccessList(const std::filesystem::path& path, const wchar_t* sddl) {
  const UniqueLocal descriptor = DescriptorOf(sddl);
  ASSERT_TRUE(descriptor);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted));
  ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, dacl, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
}

// The run directory's answer comes from the folder's and the file's own security as the system
// keeps it. A folder of the user's own temporary folder is closed to other users. (Wine keeps of
// a DACL only what its Unix mode can hold, the owner's and Everyone's rights: the lists here
// open and close the object through Everyone.)
TEST(StandardUserAccess, FolderAndFileAreReadFromTheirOwnSecurity) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", testing::AsBytes("5")));
  EXPECT_FALSE(files->OpenToStandardUsers("时差.ini"));
  EXPECT_FALSE(files->OpenToStandardUsers("missing.ini"));

  constexpr wchar_t kClosed[] = L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)";
  constexpr wchar_t kOpen[] = L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)";
  const std::filesystem::path file = folder.path() / L"时差.ini";
  SetAccessList(file, kOpen);
  EXPECT_TRUE(files->OpenToStandardUsers("时差.ini"));
  SetAccessList(file, kClosed);
  SetAccessList(folder.path(), kOpen);
  EXPECT_TRUE(files->OpenToStandardUsers("时差.ini"));
  EXPECT_TRUE(files->OpenToStandardUsers("missing.ini"));
  SetAccessList(folder.path(), kClosed);
  EXPECT_FALSE(files->OpenToStandardUsers("时差.ini"));
  // So that the folder can be removed again.
  SetAccessList(folder.path(), kOpen);
  SetAccessList(file, kOpen);
}

}  // namespace
}  // namespace lanqi
