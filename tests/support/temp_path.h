// Fresh names in the temporary directory, removed with the scope that made them, and the folder operations
// the tests need, by the system's calls: C++ filesystem and codecvt do not link in every Windows runtime.
#ifndef QORU_TEST_TEMP_PATH_H
#define QORU_TEST_TEMP_PATH_H

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qoru_test {

// The system's folder for temporary files, ending in a separator.
std::u16string tempDirectory();
// The name as the C runtime's narrow functions take it (POSIX: UTF-8; Windows: the ANSI code page).
std::string narrowName(const std::u16string &name);
bool makeFolder(const std::u16string &name);
// The names in a folder, without "." and "..".
std::vector<std::u16string> folderEntries(const std::u16string &folder);
// Removes a file, or a folder with everything in it, read-only files too; nothing if there is no such name.
void removeAll(const std::u16string &name);
// Makes a hard or symbolic link to target; false where the system refuses it, always on Windows.
bool makeLink(const std::u16string &target, const std::u16string &link, bool symbolic);

class TempPath {
public:
    // leaf is appended to a name unique to this process and object.
    explicit TempPath(const std::u16string &leaf = u"") {
        static int counter = 0;
        const std::string stem = "qoru_io_" + std::to_string(plat::processId()) + "_" + std::to_string(++counter);
        u16_ = tempDirectory() + std::u16string(stem.begin(), stem.end()) + leaf;
        narrow_ = narrowName(u16_);
    }
    ~TempPath() { removeAll(u16_); }
    TempPath(const TempPath &) = delete;
    TempPath &operator=(const TempPath &) = delete;

    const std::u16string &u16() const { return u16_; }
    // The name for the C runtime's narrow functions, as long as the object lives.
    const std::string &narrow() const { return narrow_; }

    // The whole content, read by the C runtime's narrow functions; "" when it cannot be read.
    std::string contents() const {
        std::string out;
        if (FILE *f = std::fopen(narrow_.c_str(), "rb")) {
            for (int c; (c = std::getc(f)) != EOF;) out += static_cast<char>(c);
            std::fclose(f);
        }
        return out;
    }
    // Writes bytes as the whole content.
    bool write(const std::string &bytes) const {
        FILE *f = std::fopen(narrow_.c_str(), "wb");
        if (f == nullptr) return false;
        const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    std::u16string u16_;
    std::string narrow_;
};

}  // namespace qoru_test

#endif
