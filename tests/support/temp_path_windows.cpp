// Files and folders by UTF-16 name on Windows: the wide system calls.
#include <windows.h>

#include "temp_path.h"

namespace qoru_test {

static std::wstring wide(const std::u16string &name) { return std::wstring(name.begin(), name.end()); }

std::u16string tempDirectory() {
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    return std::u16string(buf, buf + (n <= MAX_PATH ? n : 0));
}

std::string narrowName(const std::u16string &name) {
    std::string out(4 * name.size() + 1, '\0');  // at most four bytes a unit in any code page
    const int n = WideCharToMultiByte(CP_ACP, 0, wide(name).c_str(), -1, out.data(), static_cast<int>(out.size()),
                                      nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) - 1 : 0);
    return out;
}

bool makeFolder(const std::u16string &name) { return CreateDirectoryW(wide(name).c_str(), nullptr) != 0; }

std::vector<std::u16string> folderEntries(const std::u16string &folder) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(wide(folder + u"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring entry = data.cFileName;
        if (entry != L"." && entry != L"..") names.emplace_back(entry.begin(), entry.end());
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

void removeAll(const std::u16string &name) {
    const std::wstring w = wide(name);
    const DWORD attributes = GetFileAttributesW(w.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        for (const std::u16string &entry : folderEntries(name)) removeAll(name + u"\\" + entry);
        RemoveDirectoryW(w.c_str());
    } else {
        SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file cannot be deleted
        DeleteFileW(w.c_str());  // nothing happens when there is no such name
    }
}

bool makeLink(const std::u16string &, const std::u16string &, bool) { return false; }

}  // namespace qoru_test
