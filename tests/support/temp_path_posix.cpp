// Files and folders by UTF-16 name on POSIX: names are UTF-8 to the system.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "temp_path.h"
#include "utf8_text.h"

namespace qoru_test {

std::u16string tempDirectory() {
    const char *value = std::getenv("TMPDIR");
    const std::string dir = value != nullptr && *value != '\0' ? value : "/tmp";
    return utf16Of(dir.back() == '/' ? dir : dir + '/');
}

std::string narrowName(const std::u16string &name) { return utf8Of(name); }

bool makeFolder(const std::u16string &name) { return mkdir(narrowName(name).c_str(), 0700) == 0; }

std::vector<std::u16string> folderEntries(const std::u16string &folder) {
    std::vector<std::u16string> names;
    DIR *dir = opendir(narrowName(folder).c_str());
    if (dir == nullptr) return names;
    while (const dirent *entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.push_back(utf16Of(entry->d_name));
    }
    closedir(dir);
    return names;
}

void removeAll(const std::u16string &name) {
    struct stat st;  // a link is removed, never followed
    if (lstat(narrowName(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        for (const std::u16string &entry : folderEntries(name)) removeAll(name + u"/" + entry);
    std::remove(narrowName(name).c_str());  // a file, or a folder now empty
}

bool makeLink(const std::u16string &target, const std::u16string &link, bool symbolic) {
    const std::string from = narrowName(target), to = narrowName(link);
    return (symbolic ? symlink(from.c_str(), to.c_str()) : ::link(from.c_str(), to.c_str())) == 0;
}

}  // namespace qoru_test
