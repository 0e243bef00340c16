// Whether a standard user could change a file or folder, read from real security descriptors:
// the default ones of Windows 10/11 written as SDDL, and a folder's own under Wine.
#include <gtest/gtest.h>
#include <windows.h>
// aclapi.h and sddl.h need windows.h first.
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "platform/directory_files.hpp"
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

// clang-format off
#define USER "S-1-5-21-1004336348-1177238915-682003330-1001"
#define OWNER_RIGHTS "S-1-3-4"
// C:\ of Windows 10/11, and the root of a drive formatted there: Authenticated Users may add a
// folder (AD), and their Modify is inherited by what is made in it.
#define ROOT_LIST "D:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)"
constexpr wchar_t kDriveC[] = L"O:" TRUSTED_INSTALLER ROOT_LIST;
constexpr wchar_t kUsers[] = L"O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;WD)(A;OICIIO;GXGR;;;WD)";
constexpr wchar_t kProfile[] = L"O:SYD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" USER ")";
constexpr wchar_t kDownloads[] = L"O:" USER "D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" USER ")";
constexpr wchar_t kProgramFiles[] =
    L"O:" TRUSTED_INSTALLER "D:PAI(A;;FA;;;" TRUSTED_INSTALLER ")(A;CIIO;GA;;;" TRUSTED_INSTALLER ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)"
    "(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)"
    "(A;;0x1200a9;;;" ALL_APP_PACKAGES ")(A;OICIIO;GXGR;;;" ALL_APP_PACKAGES ")"
    "(A;;0x1200a9;;;" ALL_RESTRICTED_APP_PACKAGES ")(A;OICIIO;GXGR;;;" ALL_RESTRICTED_APP_PACKAGES ")";
// clang-format on
// A folder whose list an elevated administrator has cut down to SYSTEM and Administrators.
constexpr wchar_t kLocked[] = L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

enum class Volume { kNtfs, kNoAccessLists, kNetwork };

platform::ObjectSecurity SecurityOf(const wchar_t* sddl) {
  // Rows about the list alone leave the owner out: SYSTEM owns those.
  const std::wstring text =
      std::wstring(sddl).starts_with(L"O:") ? sddl : L"O:SY" + std::wstring(sddl);
  const UniqueLocal descriptor = DescriptorOf(text.c_str());
  EXPECT_TRUE(descriptor) << "SDDL not read: " << GetLastError();
  platform::ObjectSecurity security;
  EXPECT_TRUE(platform::win32::ReadSecurity(descriptor.get(), security));
  return security;
}

// Default access lists of Windows 10/11 (icacls of a fresh installation), and the orders and
// kinds of entries the decision has to get right. `above` are the folders from the drive's root
// down to the object's folder; a file without them lies in a locked folder.
TEST(StandardUserAccess, DefaultAccessListsOfWindows) {
  const struct {
    const char* what;
    const wchar_t* sddl;
    bool isFolder;
    bool open;
    std::vector<const wchar_t*> above = {};
    Volume volume = Volume::kNtfs;
  } cases[] = {
      // clang-format off
      {"C:\\", kDriveC, true, true},
      {"C:\\LanqiClockGuard, made by an elevated administrator: Authenticated Users hold Modify", L"O:BAD:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)", true, true, {kDriveC}},
      {"C:\\LanqiClockGuard, made by a standard user", L"O:" USER "D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;SDGXGWGR;;;AU)", true, true, {kDriveC}},
      {"C:\\LanqiClockGuard, with the list right of C:\\ inherited", L"D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;CI;LC;;;AU)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x1301bf;;;AU)", true, true},
      {"a file in C:\\LanqiClockGuard", L"D:AI(A;ID;FA;;;BA)(A;ID;FA;;;SY)(A;ID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)", false, true},
      {"C:\\Program Files: adding to C:\\ cannot replace it", kProgramFiles, true, false, {kDriveC}},
      {"C:\\Program Files\\LanqiClockGuard, made by an elevated installer",
       L"O:BAD:AI(A;ID;FA;;;" TRUSTED_INSTALLER ")(A;CIIOID;GA;;;" TRUSTED_INSTALLER ")(A;ID;FA;;;SY)(A;OICIIOID;GA;;;SY)"
       "(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;0x1200a9;;;BU)(A;OICIIOID;GXGR;;;BU)(A;OICIIOID;GA;;;CO)"
       "(A;ID;0x1200a9;;;" ALL_APP_PACKAGES ")(A;OICIIOID;GXGR;;;" ALL_APP_PACKAGES ")"
       "(A;ID;0x1200a9;;;" ALL_RESTRICTED_APP_PACKAGES ")(A;OICIIOID;GXGR;;;" ALL_RESTRICTED_APP_PACKAGES ")",
       true, false, {kDriveC, kProgramFiles}},
      {"a file in C:\\Program Files\\LanqiClockGuard",
       L"O:BAD:AI(A;ID;FA;;;SY)(A;ID;FA;;;BA)(A;ID;0x1200a9;;;BU)(A;ID;0x1200a9;;;" ALL_APP_PACKAGES ")(A;ID;0x1200a9;;;" ALL_RESTRICTED_APP_PACKAGES ")",
       false, false},
      {"the user's profile folder: the user's own SID", kProfile, true, true},
      {"Downloads: the user's own and owned", kDownloads, true, true},
      {"Desktop", L"O:" USER "D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" USER ")", true, true},
      {"OneDrive", L"O:" USER "D:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;FA;;;" USER ")", true, true},
      {"a locked folder in Downloads, which the user may replace", kLocked, true, true, {kDriveC, kUsers, kProfile, kDownloads}},
      {"a locked folder in a folder the user owns", kLocked, true, true, {kDriveC, L"O:" USER "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"}},
      {"C:\\Users\\Public: INTERACTIVE, SERVICE and BATCH may change it", L"O:SYD:PAI(A;OICIIO;FA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;IU)(A;OICI;0x1301bf;;;SU)(A;OICI;0x1301bf;;;S-1-5-3)", true, true},
      {"the root of a second NTFS drive", L"O:BA" ROOT_LIST, true, true},
      {"a locked folder on a second NTFS drive", kLocked, true, false, {L"O:BA" ROOT_LIST}},
      {"a locked folder on a volume without access lists", kLocked, true, true, {}, Volume::kNoAccessLists},
      {"a locked folder on a network share", kLocked, true, true, {}, Volume::kNetwork},
      {"a folder the user owns, its list locked", L"O:" USER "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true, true},
      {"the same, OWNER RIGHTS left reading", L"O:" USER "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200a9;;;" OWNER_RIGHTS ")", true, false},
      {"OWNER RIGHTS writing, the user owning", L"O:" USER "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1301bf;;;" OWNER_RIGHTS ")", true, true},
      {"OWNER RIGHTS writing, Administrators owning", L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1301bf;;;" OWNER_RIGHTS ")", true, false},
      {"CREATOR OWNER stands for no token", L"D:(A;;FA;;;CO)(A;;FA;;;SY)", true, false},
      {"an empty DACL grants nothing", L"D:", true, false},
      {"a deny of Everyone before the allow takes the changing rights away", L"D:(D;;0xd0046;;;WD)(A;;0x1301bf;;;AU)", true, false},
      {"a deny of Users may not hold for all Authenticated Users", L"D:(D;;0xd0046;;;BU)(A;;0x1301bf;;;AU)", true, true},
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
    platform::ProgramPlace place;
    place.remote = c.volume == Volume::kNetwork;
    place.persistentAcls = c.volume != Volume::kNoAccessLists;
    for (const wchar_t* folder : c.above) place.folders.push_back(SecurityOf(folder));
    if (c.isFolder) {
      place.folders.push_back(SecurityOf(c.sddl));
    } else {
      if (place.folders.empty()) place.folders.push_back(SecurityOf(kLocked));
      place.files.push_back(SecurityOf(c.sddl));
    }
    EXPECT_EQ(platform::StandardUsersCanChange(place), c.open) << c.what;
  }
}

// A security descriptor without a DACL lets everyone do everything. (Wine reads the SDDL form of
// it, "D:NO_ACCESS_CONTROL", as an empty list, so it is made by hand.)
TEST(StandardUserAccess, NoAccessListIsOpenToEveryone) {
  SECURITY_DESCRIPTOR descriptor{};
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
  platform::ObjectSecurity security;
  ASSERT_TRUE(platform::win32::ReadSecurity(&descriptor, security));
  EXPECT_FALSE(security.list.has_value());
  platform::ProgramPlace place;
  place.folders = {SecurityOf(kLocked)};
  place.files = {security};
  EXPECT_TRUE(platform::StandardUsersCanChange(place));
}

// The run directory's answer comes from the security the system keeps: every folder from the
// drive's root down, and the file. Under Wine the user running the program owns every folder it
// made (Wine maps the Unix owner to that user's SID), so its own folder is open whatever the list.
TEST(StandardUserAccess, FolderAndFileAreReadFromTheirOwnSecurity) {
  testing::TempFolder folder;
  auto files = platform::DirectoryFilesIn(folder.path());
  ASSERT_TRUE(files->Replace("时差.ini", testing::AsBytes("5")));
  const std::wstring path = folder.path().wstring();
  const platform::ProgramPlace place = platform::win32::PlaceOf(path, {path + L"\\时差.ini"});
  EXPECT_FALSE(place.remote);
  EXPECT_TRUE(place.persistentAcls);
  EXPECT_EQ(place.folders.size(),
            static_cast<std::size_t>(std::count(path.begin(), path.end(), L'\\')) + 1);
  ASSERT_EQ(place.files.size(), 1u);
  EXPECT_EQ(place.folders.back().owner, place.files[0].owner);
  EXPECT_TRUE(files->OpenToStandardUsers("时差.ini"));
  EXPECT_TRUE(files->OpenToStandardUsers("missing.ini"));
  // A share is known by its path alone, without a word to the server.
  EXPECT_TRUE(platform::win32::PlaceOf(L"\\\\server\\share\\LanqiClockGuard", {}).remote);
  EXPECT_TRUE(platform::win32::PlaceOf(L"\\\\?\\UNC\\server\\share\\LanqiClockGuard", {}).remote);
}

}  // namespace
}  // namespace lanqi
