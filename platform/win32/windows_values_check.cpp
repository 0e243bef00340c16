// The Windows values that the portable code spells out, so that it builds and is tested natively,
// each held here to the SDK's: a value spelled wrong does not build.
#include <windows.h>
// winhttp.h needs the declarations of windows.h first.
#include <winhttp.h>

#include "platform/file_rights.hpp"
#include "platform/http_request_object.hpp"
#include "platform/process_memory_os.hpp"

namespace lanqi::platform {

static_assert(kMemCommit == MEM_COMMIT);
static_assert(kMemReserve == MEM_RESERVE);
static_assert(kMemFree == MEM_FREE);
static_assert(kMemPrivate == MEM_PRIVATE);
static_assert(kMemMapped == MEM_MAPPED);
static_assert(kMemImage == MEM_IMAGE);
static_assert(kPageNoAccess == PAGE_NOACCESS);
static_assert(kPageReadOnly == PAGE_READONLY);
static_assert(kPageReadWrite == PAGE_READWRITE);
static_assert(kPageExecute == PAGE_EXECUTE);
static_assert(kPageExecuteRead == PAGE_EXECUTE_READ);
static_assert(kPageExecuteReadWrite == PAGE_EXECUTE_READWRITE);
static_assert(kPageGuard == PAGE_GUARD);
static_assert(kPageNoCache == PAGE_NOCACHE);

namespace rights = file_rights;
static_assert(rights::kWriteData == FILE_WRITE_DATA && rights::kWriteData == FILE_ADD_FILE);
static_assert(rights::kAppendData == FILE_APPEND_DATA &&
              rights::kAppendData == FILE_ADD_SUBDIRECTORY);
static_assert(rights::kDeleteChild == FILE_DELETE_CHILD);
static_assert(rights::kDelete == DELETE);
static_assert(rights::kReadControl == READ_CONTROL);
static_assert(rights::kWriteDac == WRITE_DAC);
static_assert(rights::kWriteOwner == WRITE_OWNER);
static_assert(rights::kGenericAll == GENERIC_ALL);
static_assert(rights::kGenericExecute == GENERIC_EXECUTE);
static_assert(rights::kGenericWrite == GENERIC_WRITE);
static_assert(rights::kGenericRead == GENERIC_READ);
static_assert(rights::kFileAllAccess == FILE_ALL_ACCESS);
static_assert(rights::kFileGenericRead == FILE_GENERIC_READ);
static_assert(rights::kFileGenericWrite == FILE_GENERIC_WRITE);
static_assert(rights::kFileGenericExecute == FILE_GENERIC_EXECUTE);

// The request object's certificate-error flags are WinHTTP's own security flags. Its option,
// proxy-setting and credential numbers are declared only in httprequest.h, which the MinGW
// headers lack: those stay unchecked here.
static_assert(kSslIgnoreUnknownCa == SECURITY_FLAG_IGNORE_UNKNOWN_CA);
static_assert(kSslIgnoreWrongUsage == SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE);
static_assert(kSslIgnoreCertCnInvalid == SECURITY_FLAG_IGNORE_CERT_CN_INVALID);
static_assert(kSslIgnoreCertDateInvalid == SECURITY_FLAG_IGNORE_CERT_DATE_INVALID);

}  // namespace lanqi::platform
