#include "win/res_files.h"

#include "win/files.h"
#include "win/resources.h"

bool WriteResFile(UINT id, const wchar_t* type, const std::wstring& path) {
    auto bytes = LoadResBytes(type, id);
    return bytes && WriteWholeFile(path, *bytes);
}

void KillFile(const std::wstring& path) {
    DeleteFileW(path.c_str());
}
